#include "app/metadata/metadata_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/map_view/map_view.h"
#include "app/messages.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgMetadataFailed = 23;
// Attribute values are shown up to this many characters.
constexpr int kMaxValueChars = 16383;

QString fileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace

ComMetaDataDlg::ComMetaDataDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("metadataList"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  files_ = new QComboBox(this);
  files_->setObjectName(QStringLiteral("fileCombo"));
  files_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  attributes_ = new QTableWidget(0, 3, this);
  attributes_->setObjectName(QStringLiteral("attributeList"));
  attributes_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  attributes_->setSelectionBehavior(QAbstractItemView::SelectRows);
  attributes_->verticalHeader()->setVisible(false);
  attributes_->verticalHeader()->setDefaultSectionSize(attributes_->fontMetrics().height() + 6);
  attributes_->horizontalHeader()->setStretchLastSection(false);
  // The column heads are the list's own texts in every language.
  attributes_->setHorizontalHeaderLabels({QStringLiteral("No"), QStringLiteral("項目"), QStringLiteral("内容")});
  attributes_->setColumnWidth(0, 30);
  attributes_->setColumnWidth(1, 180);
  attributes_->setColumnWidth(2, 500);
  close_ = new QPushButton(this);
  close_->setObjectName(QStringLiteral("closeButton"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(files_);
  layout->addWidget(attributes_, 1);
  layout->addLayout(buttons);
  resize(760, 480);

  connect(files_, &QComboBox::activated, this, &ComMetaDataDlg::chooseFile);
  connect(close_, &QPushButton::clicked, this, &QDialog::close);
  retranslate();
}

ComMetaDataDlg::~ComMetaDataDlg() = default;

void ComMetaDataDlg::hideEvent(QHideEvent* event) {
  // The view draws every file again once the list is closed (not when it is minimised).
  if (!event->spontaneous() && owner_ != nullptr) owner_->setMetadataFile(-1);
  QDialog::hideEvent(event);
}

void ComMetaDataDlg::retranslate() { close_->setText(tr("Close")); }

void ComMetaDataDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  QDialog::changeEvent(event);
}

int ComMetaDataDlg::ComSetIniVal(int count, const int* slots, model::ComPrdctMngmnt* object, ComPrdctMpDsp* owner) {
  if (object == nullptr || owner == nullptr) return 1;
  if (count < 1 || count > kMetaDataMaxFiles || slots == nullptr) return 2;
  slots_.assign(slots, slots + count);
  object_ = object;
  owner_ = owner;
  return 0;
}

void ComMetaDataDlg::ComSetIniMetaData() {
  files_->clear();
  attributes_->setRowCount(0);
  if (object_ == nullptr) return;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    std::string path;
    if (object_->ComGetFilePath(slots_[i], path) != 0) {
      ComOutMsgBox().ComDspMsg(kMsgMetadataFailed);
      break;
    }
    files_->addItem(fileNameOf(path));
    if (i == 0) setWindowTitle(fileNameOf(path));
  }
  if (files_->count() == 0) return;
  files_->setCurrentIndex(0);
  chooseFile(0);
}

void ComMetaDataDlg::chooseFile(int index) {
  if (index < 0 || index >= static_cast<int>(slots_.size())) return;
  ComSetMetaData(slots_[static_cast<std::size_t>(index)]);
  if (owner_ != nullptr) owner_->setMetadataFile(index);
}

void ComMetaDataDlg::ComSetMetaData(int slot) {
  attributes_->setRowCount(0);
  if (object_ == nullptr) return;
  const int count = object_->ComGetAttrCount(slot);
  if (count < 0) return;  // a slot without a file lists nothing
  attributes_->setRowCount(count);
  for (int e = 0; e < count; ++e) {
    std::string name, value;
    if (object_->ComGetAttrName(slot, e, name) != 0 || object_->ComGetAttrValue(slot, e, value) != 0) {
      attributes_->setRowCount(e);
      ComOutMsgBox().ComDspMsg(kMsgMetadataFailed);
      return;
    }
    attributes_->setItem(e, 0, new QTableWidgetItem(QString::number(e + 1)));
    attributes_->setItem(e, 1, new QTableWidgetItem(QString::fromStdString(name)));
    attributes_->setItem(e, 2, new QTableWidgetItem(QString::fromStdString(value).left(kMaxValueChars)));
  }
  attributes_->resizeColumnToContents(2);
}

ComMetaDataDlg* openMetadataList(ComPrdctMpDsp& view) {
  if (auto* open = view.findChild<ComMetaDataDlg*>(QString(), Qt::FindDirectChildrenOnly)) {
    open->raise();
    open->activateWindow();
    return open;
  }
  const std::vector<int>& shown = view.product().slots[0];
  const int count = std::min(static_cast<int>(shown.size()), kMetaDataMaxFiles);
  auto* dialog = new ComMetaDataDlg(&view);
  if (dialog->ComSetIniVal(count, shown.data(), view.productObject(), &view) != 0) {
    dialog->deleteLater();
    return nullptr;
  }
  dialog->ComSetIniMetaData();
  dialog->show();
  return dialog;
}

}  // namespace kivo::app
