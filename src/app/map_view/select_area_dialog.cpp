#include "app/map_view/select_area_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "app/messages.h"

namespace kivo::app {

ComSelectArea::ComSelectArea(const map::SelectedArea& current,
                             std::function<map::AreaCheck(const map::AreaFields&)> check, QWidget* parent)
    : QDialog(parent), check_(std::move(check)), area_(current) {
  setWindowTitle(tr("Select Area"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(tr("Upper Left"), this), 0, 1);
  layout->addWidget(new QLabel(tr("Lower Right"), this), 0, 2);
  layout->addWidget(new QLabel(tr("Latitude"), this), 1, 0);
  layout->addWidget(new QLabel(tr("Longitude"), this), 2, 0);
  const map::AreaFields texts = map::areaFieldsOf(current);
  for (int i = 0; i < 4; ++i) {
    auto* edit = new QLineEdit(QString::fromStdString(texts[static_cast<std::size_t>(i)]), this);
    fields_[static_cast<std::size_t>(i)] = edit;
    // Latitude in the first row, longitude in the second; upper-left, then lower-right.
    layout->addWidget(edit, 1 + i % 2, 1 + i / 2);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ComSelectArea::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ComSelectArea::reject);
  layout->addWidget(buttons, 3, 0, 1, 3);
}

void ComSelectArea::accept() {
  map::AreaFields texts;
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = fields_[i]->text().toStdString();
  const map::AreaCheck result = check_(texts);
  if (result.message != 0) {
    ComOutMsgBox().ComDspMsg(static_cast<MsgCode>(result.message));
    if (result.field >= 0) {
      QLineEdit* failing = fields_[static_cast<std::size_t>(result.field)];
      failing->clear();
      failing->setFocus();
    }
    return;
  }
  area_ = result.area;
  QDialog::accept();
}

}  // namespace kivo::app
