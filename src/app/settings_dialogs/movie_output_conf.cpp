#include "app/settings_dialogs/movie_output_conf.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/settings_dialogs/colour_choosers.h"
#include "app/settings_dialogs/field_rules.h"
#include "app/settings_dialogs/movie_output_dialog.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgFrameRate = 21;
constexpr MsgCode kMsgTitleTooLong = 29;
constexpr int kMinFrameRate = 1;
constexpr int kMaxFrameRate = 30;

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

}  // namespace

ComMovOutConf::ComMovOutConf(ComPrpCnfInfo& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  log_.setName("ComMovOutConf");
  setWindowTitle(tr("Animation output setting "));
  backgroundColour_ = value(settings_, kIdBckIndiClr);
  backgroundShown_ = flag(settings_, kIdBckIndiFlg);
  backgroundChanged_ = value(settings_, kIdBackClrFlg);

  // Title and file name.
  auto* captions = new QGroupBox(tr("Captions"), this);
  titleCheck_ = new QCheckBox(tr("Title"), captions);
  titleEdit_ = new QLineEdit(captions);
  titleEdit_->setMinimumWidth(320);
  titleEdit_->installEventFilter(this);
  titlePositionLabel_ = new QLabel(tr("Position"), captions);
  titlePosition_ = {new QRadioButton(tr("Left"), captions), new QRadioButton(tr("Center"), captions),
                    new QRadioButton(tr("Right"), captions)};
  auto* titleGroup = new QButtonGroup(this);
  auto* titleRow = new QHBoxLayout;
  titleRow->addWidget(titlePositionLabel_);
  for (QRadioButton* r : titlePosition_) {
    titleGroup->addButton(r);
    titleRow->addWidget(r);
  }
  titleRow->addStretch(1);
  fileNameCheck_ = new QCheckBox(tr("File Name"), captions);
  fileNamePositionLabel_ = new QLabel(tr("Position"), captions);
  fileNamePosition_ = {new QRadioButton(tr("Upper"), captions), new QRadioButton(tr("Lower"), captions)};
  auto* fileGroup = new QButtonGroup(this);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileNamePositionLabel_);
  for (QRadioButton* r : fileNamePosition_) {
    fileGroup->addButton(r);
    fileRow->addWidget(r);
  }
  fileRow->addStretch(1);
  auto* captionLayout = new QVBoxLayout(captions);
  captionLayout->addWidget(titleCheck_);
  captionLayout->addWidget(titleEdit_);
  captionLayout->addLayout(titleRow);
  captionLayout->addWidget(fileNameCheck_);
  captionLayout->addLayout(fileRow);

  // Colour bar and frame rate side by side.
  auto* bar = new QGroupBox(tr("ColorBar"), this);
  barCheck_ = new QCheckBox(tr("ColorBar"), bar);
  flipCheck_ = new QCheckBox(tr("Flipped Color Bar"), bar);
  auto* barLayout = new QVBoxLayout(bar);
  barLayout->addWidget(barCheck_);
  barLayout->addWidget(flipCheck_);
  auto* rate = new QGroupBox(tr("Number of frames per second"), this);
  frameRate_ = new QLineEdit(rate);
  frameRate_->setMaximumWidth(80);
  auto* rateLayout = new QVBoxLayout(rate);
  rateLayout->addWidget(frameRate_);
  rateLayout->addStretch(1);
  auto* middle = new QHBoxLayout;
  middle->addWidget(bar, 1);
  middle->addWidget(rate, 1);

  // Map layers.
  auto* layers = new QGroupBox(tr("Map layers"), this);
  coast_ = new ComShrClrChc(layers);
  for (auto& row : rows_) {
    row = new ComIndiClrChc(layers);
    row->setCnfInfo(&settings_);
  }
  rows_[0]->setText(tr("Latitude/Longitude Lines"));
  rows_[1]->setText(tr("Equator"));
  rows_[2]->setText(tr("Map Background"));
  rows_[kBackgroundRow]->setBackgroundRow(true);
  auto* layerLayout = new QVBoxLayout(layers);
  layerLayout->addWidget(coast_);
  for (ComIndiClrChc* row : rows_) layerLayout->addWidget(row);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ComMovOutConf::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ComMovOutConf::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(captions);
  layout->addLayout(middle);
  layout->addWidget(layers);
  layout->addWidget(buttons);

  // Fill from the settings.
  std::string title;
  settings_.ComGetStr(kIdAnmTitle, &title);
  titleEdit_->setText(QString::fromStdString(title));
  frameRate_->setText(QString::number(value(settings_, kIdFrmRtNum)));
  coast_->setColour(static_cast<std::uint32_t>(value(settings_, kIdShrIndClr)));
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    rows_[i]->setColour(static_cast<std::uint32_t>(value(settings_, kRows[i].colourId)));
  }
  titleCheck_->setChecked(flag(settings_, kIdAnmOutTtlIndiFlg));
  const int position = value(settings_, kIdAnmOutTtlIndiPnt);
  titlePosition_[position == 1 ? 1 : position == 2 ? 2 : 0]->setChecked(true);
  barCheck_->setChecked(flag(settings_, kIdExpIndiFlg));
  flipCheck_->setChecked(flag(settings_, kIdExpIndiRevFlg));
  fileNameCheck_->setChecked(flag(settings_, kIdAnmOutFileNameFlg));
  fileNamePosition_[value(settings_, kIdAnmOutFileNamePnt) == 0 ? 0 : 1]->setChecked(true);
  coast_->setCheck(flag(settings_, kIdShrIndiFlg));
  coast_->setOrder(flag(settings_, kIdDrwSherLine));
  for (std::size_t i = 0; i < kRows.size(); ++i) rows_[i]->setCheck(flag(settings_, kRows[i].flagId));
  applyEnableState();
  for (QCheckBox* box : {titleCheck_, fileNameCheck_, barCheck_}) {
    connect(box, &QCheckBox::clicked, this, [this] { applyEnableState(); });
  }
}

void ComMovOutConf::applyEnableState() {
  const bool title = titleCheck_->isChecked();
  titleEdit_->setEnabled(title);
  titlePositionLabel_->setEnabled(title);
  for (QRadioButton* r : titlePosition_) r->setEnabled(title);
  const bool fileName = fileNameCheck_->isChecked();
  fileNamePositionLabel_->setEnabled(fileName);
  for (QRadioButton* r : fileNamePosition_) r->setEnabled(fileName);
  flipCheck_->setEnabled(barCheck_->isChecked());
  coast_->applyEnableState();
  for (ComIndiClrChc* row : rows_) row->applyEnableState();
}

bool ComMovOutConf::eventFilter(QObject* watched, QEvent* event) {
  if (watched == titleEdit_ && event->type() == QEvent::FocusOut) checkTitle();
  return QDialog::eventFilter(watched, event);
}

void ComMovOutConf::checkTitle() {
  if (prefs::titleFits(titleEdit_->text())) return;
  // The stored title comes back before the box takes the focus.
  std::string stored;
  settings_.ComGetStr(kIdAnmTitle, &stored);
  titleEdit_->setText(QString::fromStdString(stored));
  ComOutMsgBox().ComDspMsg(kMsgTitleTooLong);
}

void ComMovOutConf::accept() {
  // OK by the keyboard leaves the title edit no chance to lose the focus first.
  checkTitle();
  settings_.ComSetFlg(kIdShrIndiFlg, coast_->check());
  settings_.ComSetFlg(kIdDrwSherLine, coast_->order());
  for (std::size_t i = 0; i < kRows.size(); ++i) settings_.ComSetFlg(kRows[i].flagId, rows_[i]->check());
  settings_.ComSetVal(kIdShrIndClr, static_cast<int>(coast_->colour()));
  for (std::size_t i = 0; i < kRows.size(); ++i) settings_.ComSetVal(kRows[i].colourId, static_cast<int>(rows_[i]->colour()));
  settings_.ComSetFlg(kIdAnmOutTtlIndiFlg, titleCheck_->isChecked());
  settings_.ComSetStr(kIdAnmTitle, titleEdit_->text().toStdString());
  settings_.ComSetVal(kIdAnmOutTtlIndiPnt, titlePosition_[1]->isChecked() ? 1 : titlePosition_[2]->isChecked() ? 2 : 0);
  settings_.ComSetFlg(kIdExpIndiFlg, barCheck_->isChecked());
  settings_.ComSetFlg(kIdExpIndiRevFlg, flipCheck_->isChecked());
  settings_.ComSetFlg(kIdAnmOutFileNameFlg, fileNameCheck_->isChecked());
  settings_.ComSetVal(kIdAnmOutFileNamePnt, fileNamePosition_[0]->isChecked() ? 0 : 1);

  const int rate = prefs::leadingInteger(frameRate_->text());
  const bool rateAccepted = rate >= kMinFrameRate && rate <= kMaxFrameRate;
  if (rateAccepted) {
    settings_.ComSetVal(kIdFrmRtNum, rate);
  } else {
    ComOutMsgBox().ComDspMsg(kMsgFrameRate);
  }
  // Everything else is kept, also when the frame rate was refused.
  settings_.ComWriteCnf();
  // What is written stays, whatever closes the dialog later.
  backgroundColour_ = value(settings_, kIdBckIndiClr);
  backgroundShown_ = flag(settings_, kIdBckIndiFlg);
  backgroundChanged_ = value(settings_, kIdBackClrFlg);
  if (rateAccepted) QDialog::accept();
}

void ComMovOutConf::reject() {
  settings_.ComSetVal(kIdBckIndiClr, backgroundColour_);
  settings_.ComSetFlg(kIdBckIndiFlg, backgroundShown_);
  settings_.ComSetVal(kIdBackClrFlg, backgroundChanged_);
  QDialog::reject();
}

int runMovieOutputDialog(QWidget* parent, ComPrpCnfInfo& settings) {
  ComMovOutConf dialog(settings, parent);
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

}  // namespace kivo::app
