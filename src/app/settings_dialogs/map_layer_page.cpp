#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/settings_dialogs/colour_choosers.h"
#include "app/settings_dialogs/field_rules.h"
#include "app/settings_dialogs/settings_pages.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgSpacing = 28;
constexpr int kMinSpacing = 1;
constexpr int kMaxSpacing = 90;

struct LayerRow {
  int flagId;
  int colourId;
};
// Latitude/longitude lines, equator, background.
constexpr std::array<LayerRow, 3> kRows = {{{kIdLatLonIndiFlg, kIdLatLonIndiClr},
                                            {kIdQuaIndiFlg, kIdQuaIndiClr},
                                            {kIdBckIndiFlg, kIdBckIndiClr}}};
constexpr std::size_t kBackgroundRow = 2;

bool flag(const ComPrpCnfInfo& s, int id) {
  bool v = false;
  s.ComGetFlg(id, &v);
  return v;
}

int value(const ComPrpCnfInfo& s, int id) {
  int v = 0;
  s.ComGetVal(id, &v);
  return v;
}

// A spacing passes when it is a number from 1 to 90 (a lone "-" reads as 0).
bool spacingValue(const QString& text, int* spacing) {
  return prefs::checkNumberField(text, kMinSpacing, kMaxSpacing, spacing) == prefs::FieldCheck::kOk;
}

}  // namespace

ComMapConf::ComMapConf(ComPrpCnfInfo& settings, QWidget* parent) : ComSettingsPage(settings, parent) {
  log_.setName("ComMapConf");
  auto* layers = new QGroupBox(tr("Map layers"), this);
  coast_ = new ComShrClrChc(layers);
  for (auto& row : rows_) {
    row = new ComIndiClrChc(layers);
    row->setCnfInfo(&settings_);
  }
  rows_[kBackgroundRow]->setBackgroundRow(true);
  auto* layerLayout = new QVBoxLayout(layers);
  layerLayout->addWidget(coast_);
  for (ComIndiClrChc* row : rows_) layerLayout->addWidget(row);

  auto* widths = new QGroupBox(tr("Line width"), this);
  coastWidth_ = new QComboBox(widths);
  latLonWidth_ = new QComboBox(widths);
  auto* widthLayout = new QGridLayout(widths);
  widthLayout->addWidget(new QLabel(tr("Coast Line Type"), widths), 0, 0);
  widthLayout->addWidget(coastWidth_, 0, 1);
  widthLayout->addWidget(new QLabel(tr("Latitude Longitude Line Type"), widths), 1, 0);
  widthLayout->addWidget(latLonWidth_, 1, 1);
  widthLayout->setColumnStretch(2, 1);

  auto* spacing = new QGroupBox(tr("Line spacing"), this);
  spacingCheck_ = new QCheckBox(tr("Latitude Longitude Width"), spacing);
  latLabel_ = new QLabel(tr("Latitude Width"), spacing);
  lonLabel_ = new QLabel(tr("Longitude Width"), spacing);
  latEdit_ = new QLineEdit(spacing);
  lonEdit_ = new QLineEdit(spacing);
  for (QLineEdit* edit : {latEdit_, lonEdit_}) {
    edit->setMaximumWidth(80);
    edit->installEventFilter(this);
  }
  auto* spacingLayout = new QGridLayout(spacing);
  spacingLayout->addWidget(spacingCheck_, 0, 0, 1, 3);
  spacingLayout->addWidget(latLabel_, 1, 0);
  spacingLayout->addWidget(latEdit_, 1, 1);
  spacingLayout->addWidget(lonLabel_, 2, 0);
  spacingLayout->addWidget(lonEdit_, 2, 1);
  spacingLayout->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(layers);
  layout->addWidget(widths);
  layout->addWidget(spacing);
  layout->addStretch(1);
  connect(spacingCheck_, &QCheckBox::clicked, this, [this] { applySpacingState(); });
}

void ComMapConf::firstShow() {
  // The three widths read the same in every language.
  for (QComboBox* box : {coastWidth_, latLonWidth_}) {
    box->clear();
    box->addItems({QStringLiteral("細"), QStringLiteral("中"), QStringLiteral("太")});
  }
  coastWidth_->setCurrentIndex(value(settings_, kIdPenWidth));
  latLonWidth_->setCurrentIndex(value(settings_, kIdPenWidth2));
  rows_[0]->setText(tr("Latitude/Longitude Lines"));
  rows_[1]->setText(tr("Equator"));
  rows_[2]->setText(tr("Map Background"));
  coast_->setColour(static_cast<std::uint32_t>(value(settings_, kIdShrIndClr)));
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    rows_[i]->setColour(static_cast<std::uint32_t>(value(settings_, kRows[i].colourId)));
    rows_[i]->setCheck(flag(settings_, kRows[i].flagId));
  }
  coast_->setCheck(flag(settings_, kIdShrIndiFlg));
  coast_->setOrder(flag(settings_, kIdDrwSherLine));
  spacingCheck_->setChecked(flag(settings_, kIdLatLonMode));
  latEdit_->setText(QString::number(value(settings_, kIdLatWidth)));
  lonEdit_->setText(QString::number(value(settings_, kIdLonWidth)));
  coast_->applyEnableState();
  for (ComIndiClrChc* row : rows_) row->applyEnableState();
  applySpacingState();
}

void ComMapConf::becameActive() {
  if (value(settings_, kIdBackClrFlg) == 1) {
    ComIndiClrChc* background = rows_[kBackgroundRow];
    background->setColour(static_cast<std::uint32_t>(value(settings_, kIdBckIndiClr)));
    background->setCheck(flag(settings_, kIdBckIndiFlg));
    background->applyEnableState();
  }
  settings_.ComSetVal(kIdBackClrFlg, 0);
}

void ComMapConf::applySpacingState() {
  const bool on = spacingCheck_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{latLabel_, lonLabel_, latEdit_, lonEdit_}) w->setEnabled(on);
}

bool ComMapConf::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && (watched == latEdit_ || watched == lonEdit_)) {
    checkSpacing(static_cast<QLineEdit*>(watched));
  }
  return ComSettingsPage::eventFilter(watched, event);
}

void ComMapConf::checkSpacing(QLineEdit* edit) {
  if (spacingValue(edit->text(), nullptr)) return;
  // The stored value comes back before the box takes the focus, so leaving the edit for the
  // box finds a valid text.
  edit->setText(QString::number(value(settings_, edit == latEdit_ ? kIdLatWidth : kIdLonWidth)));
  ComOutMsgBox().ComDspMsg(kMsgSpacing);
}

void ComMapConf::ComSave() {
  if (!shown()) return;
  settings_.ComSetFlg(kIdShrIndiFlg, coast_->check());
  settings_.ComSetFlg(kIdDrwSherLine, coast_->order());
  for (std::size_t i = 0; i < kRows.size(); ++i) settings_.ComSetFlg(kRows[i].flagId, rows_[i]->check());
  settings_.ComSetVal(kIdShrIndClr, static_cast<int>(coast_->colour()));
  for (std::size_t i = 0; i < kRows.size(); ++i) settings_.ComSetVal(kRows[i].colourId, static_cast<int>(rows_[i]->colour()));
  settings_.ComSetVal(kIdPenWidth, coastWidth_->currentIndex());
  settings_.ComSetVal(kIdPenWidth2, latLonWidth_->currentIndex());
  settings_.ComSetFlg(kIdLatLonMode, spacingCheck_->isChecked());
  int spacing = 0;
  if (!spacingValue(latEdit_->text(), &spacing)) return;
  settings_.ComSetVal(kIdLatWidth, spacing);
  if (spacingValue(lonEdit_->text(), &spacing)) settings_.ComSetVal(kIdLonWidth, spacing);
}

}  // namespace kivo::app
