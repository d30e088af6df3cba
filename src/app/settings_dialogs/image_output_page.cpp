#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/settings_dialogs/colour_choosers.h"
#include "app/settings_dialogs/field_rules.h"
#include "app/settings_dialogs/settings_pages.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgTitleTooLong = 29;

// The titles of the file open panels and the animation panels are no image titles.
bool isPanelTitle(const QString& title) {
  for (const char* panel : {"AMSR2プロダクト読み込み", "AMSR-Eプロダクト読み込み", "AMSR2動画作成", "AMSR-E動画作成"}) {
    if (title == QString::fromUtf8(panel)) return true;
  }
  return false;
}

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

}  // namespace

ComImgOutConf::ComImgOutConf(ComPrpCnfInfo& settings, QMdiSubWindow* activeMapChild, QWidget* parent)
    : ComSettingsPage(settings, parent), child_(activeMapChild) {
  log_.setName("ComImgOutConf");

  auto* titleGroup = new QGroupBox(tr("Title"), this);
  titleCheck_ = new QCheckBox(tr("Show the title"), titleGroup);
  titleEdit_ = new QLineEdit(titleGroup);
  titleEdit_->setMinimumWidth(320);
  positionLabel_ = new QLabel(tr("Position"), titleGroup);
  position_ = {new QRadioButton(tr("Left"), titleGroup), new QRadioButton(tr("Center"), titleGroup),
               new QRadioButton(tr("Right"), titleGroup)};
  auto* positions = new QButtonGroup(this);
  auto* positionRow = new QHBoxLayout;
  positionRow->addWidget(positionLabel_);
  for (QRadioButton* r : position_) {
    positions->addButton(r);
    positionRow->addWidget(r);
  }
  positionRow->addStretch(1);
  auto* titleLayout = new QVBoxLayout(titleGroup);
  titleLayout->addWidget(titleCheck_);
  titleLayout->addWidget(titleEdit_);
  titleLayout->addLayout(positionRow);

  auto* barGroup = new QGroupBox(tr("ColorBar"), this);
  barCheck_ = new QCheckBox(tr("Show the color bar"), barGroup);
  flipCheck_ = new QCheckBox(tr("Flipped Color Bar"), barGroup);
  auto* barLayout = new QVBoxLayout(barGroup);
  barLayout->addWidget(barCheck_);
  barLayout->addWidget(flipCheck_);

  auto* backGroup = new QGroupBox(tr("Background"), this);
  background_ = new ComIndiClrChc(backGroup);
  background_->setText(tr("Map Background"));
  background_->setCnfInfo(&settings_);
  background_->setBackgroundRow(true);
  auto* backLayout = new QVBoxLayout(backGroup);
  backLayout->addWidget(background_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(titleGroup);
  layout->addWidget(barGroup);
  layout->addWidget(backGroup);
  layout->addStretch(1);

  connect(titleCheck_, &QCheckBox::clicked, this, [this] { applyEnableState(); });
  connect(barCheck_, &QCheckBox::clicked, this, [this] { applyEnableState(); });
  connect(titleEdit_, &QLineEdit::textChanged, this, [this] { titleChanged(); });
}

void ComImgOutConf::firstShow() {
  // The title of the active map view, unless it is a panel's.
  QString title;
  if (child_ != nullptr && child_->widget() != nullptr) title = child_->widget()->windowTitle();
  if (isPanelTitle(title)) title.clear();
  titleEdit_->setText(title);

  background_->setColour(static_cast<std::uint32_t>(value(settings_, kIdBckIndiClr)));
  background_->setCheck(flag(settings_, kIdBckIndiFlg));
  titleCheck_->setChecked(flag(settings_, kIdOutTtlIndiFlg));
  const int position = value(settings_, kIdOutTtlIndiPnt);
  position_[position == 1 ? 1 : position == 2 ? 2 : 0]->setChecked(true);

  // The file is read again; the position shown above lasts only if the page is applied.
  settings_.ComReadCnf();

  barCheck_->setChecked(flag(settings_, kIdExpIndiFlg));
  flipCheck_->setChecked(flag(settings_, kIdExpIndiRevFlg));
  applyEnableState();
}

void ComImgOutConf::becameActive() {
  // Another page may have changed the background since this one was filled.
  if (value(settings_, kIdBackClrFlg) != 1) return;
  background_->setColour(static_cast<std::uint32_t>(value(settings_, kIdBckIndiClr)));
  background_->setCheck(flag(settings_, kIdBckIndiFlg));
  background_->applyEnableState();
}

void ComImgOutConf::applyEnableState() {
  const bool title = titleCheck_->isChecked();
  titleEdit_->setEnabled(title);
  positionLabel_->setEnabled(title);
  for (QRadioButton* r : position_) r->setEnabled(title);
  // The colour bar belongs to colour tables; with a look-up table it cannot be changed here.
  const bool table = value(settings_, kIdClrType) == 0;
  barCheck_->setEnabled(table);
  flipCheck_->setEnabled(table && barCheck_->isChecked());
  background_->applyEnableState();
}

void ComImgOutConf::titleChanged() {
  if (resetting_ || prefs::titleFits(titleEdit_->text())) return;
  std::string stored;
  settings_.ComGetStr(kIdImgTitle, &stored);
  resetting_ = true;
  titleEdit_->setText(QString::fromStdString(stored));
  resetting_ = false;
  ComOutMsgBox().ComDspMsg(kMsgTitleTooLong);
}

void ComImgOutConf::ComApply() {
  if (!shown()) return;
  settings_.ComSetVal(kIdBckIndiClr, static_cast<int>(background_->colour()));
  settings_.ComSetFlg(kIdBckIndiFlg, background_->check());
  settings_.ComSetFlg(kIdOutTtlIndiFlg, titleCheck_->isChecked());
  if (child_ != nullptr && child_->widget() != nullptr) {
    // The view's title is what saved images show; the child window's caption is the
    // document's title.
    if (titleCheck_->isChecked()) {
      child_->widget()->setWindowTitle(titleEdit_->text());
      child_->setWindowTitle(titleEdit_->text());
    } else {
      child_->setWindowTitle(QString());
    }
  }
  settings_.ComSetVal(kIdOutTtlIndiPnt, position_[1]->isChecked() ? 1 : position_[2]->isChecked() ? 2 : 0);
  if (value(settings_, kIdClrType) == 0) settings_.ComSetFlg(kIdExpIndiFlg, barCheck_->isChecked());
  settings_.ComSetFlg(kIdExpIndiRevFlg, flipCheck_->isChecked());
}

}  // namespace kivo::app
