#include "app/table_editors/colour_setting_bar.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>


#include "colour/table_chooser.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgCannotWrite = 33;  // "ファイル出力に失敗しました。ファイル名が無効です"

// Two exclusive options side by side, the first chosen.
QWidget* optionPair(QWidget* parent, QRadioButton* first, QRadioButton* second) {
  auto* box = new QWidget(parent);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(first);
  layout->addWidget(second);
  auto* group = new QButtonGroup(box);
  group->addButton(first);
  group->addButton(second);
  first->setChecked(true);
  return box;
}

}  // namespace

ComClrCnfg::ComClrCnfg(QWidget* parent) : QWidget(parent) {
  logChannel_.setName("ComClrCnfg");
  linear_ = new QRadioButton(tr("Linear"), this);
  log_ = new QRadioButton(tr("Log"), this);
  countValue_ = new QRadioButton(tr("Count Value"), this);
  rgbValue_ = new QRadioButton(tr("RGB Value"), this);
  auto* interpolation = new QPushButton(tr("Interpolation"), this);
  auto* maxMin = new QPushButton(tr("Get Max / Min"), this);
  auto* sigma = new QPushButton(tr("Get 3-sigma"), this);
  fileName_ = new QLineEdit(this);
  auto* reference = new QPushButton(tr("Ref.."), this);
  auto* save = new QPushButton(tr("Save"), this);
  linear_->setObjectName(QStringLiteral("linear"));
  log_->setObjectName(QStringLiteral("log"));
  countValue_->setObjectName(QStringLiteral("countValue"));
  rgbValue_->setObjectName(QStringLiteral("rgbValue"));
  interpolation->setObjectName(QStringLiteral("interpolation"));
  maxMin->setObjectName(QStringLiteral("maxMin"));
  sigma->setObjectName(QStringLiteral("sigma"));
  fileName_->setObjectName(QStringLiteral("fileName"));
  reference->setObjectName(QStringLiteral("reference"));
  save->setObjectName(QStringLiteral("save"));
  // Return in an editor's field must not press these buttons.
  for (QPushButton* b : {interpolation, maxMin, sigma, reference, save}) b->setAutoDefault(false);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(optionPair(this, linear_, log_), 0, 0);
  layout->addWidget(optionPair(this, countValue_, rgbValue_), 0, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(interpolation);
  buttons->addWidget(maxMin);
  buttons->addWidget(sigma);
  layout->addLayout(buttons, 0, 2);
  auto* file = new QHBoxLayout;
  file->addWidget(new QLabel(tr("File Name"), this));
  file->addWidget(fileName_, 1);
  file->addWidget(reference);
  file->addWidget(save);
  layout->addLayout(file, 1, 0, 1, 3);
  layout->setColumnStretch(2, 1);

  connect(interpolation, &QPushButton::clicked, this, &ComClrCnfg::interpolate);
  connect(maxMin, &QPushButton::clicked, this, &ComClrCnfg::getMaxMin);
  connect(sigma, &QPushButton::clicked, this, &ComClrCnfg::get3Sigma);
  connect(reference, &QPushButton::clicked, this, &ComClrCnfg::chooseFile);
  connect(save, &QPushButton::clicked, this, &ComClrCnfg::chooseSaveFile);
}

void ComClrCnfg::ComSetIniVal(Source source) {
  source_ = std::move(source);
  setLogarithmic(source_.table != nullptr && source_.table->ComGetLogMode() == 1);
}

void ComClrCnfg::setLogarithmic(bool on) { (on ? log_ : linear_)->setChecked(true); }

void ComClrCnfg::interpolate() {
  if (source_.table == nullptr) return;
  const int choice = source_.pointChoice ? source_.pointChoice() : 3;
  colour::interpolateTable(*source_.table, choice, countValue_->isChecked(), log_->isChecked());
  Q_EMIT refreshRequested();
}

void ComClrCnfg::getMaxMin() {
  if (source_.table == nullptr || source_.statistics == nullptr) return;
  colour::applyMaxMin(*source_.table, *source_.statistics);
  Q_EMIT refreshRequested();
}

void ComClrCnfg::get3Sigma() {
  if (source_.table == nullptr || source_.statistics == nullptr) return;
  colour::apply3Sigma(*source_.table, *source_.statistics);
  Q_EMIT refreshRequested();
}

std::string ComClrCnfg::sampleFolder() const {
  std::string base;
  if (source_.settings != nullptr) source_.settings->ComGetStr(kIdDefFile, &base);
  const std::string family = source_.family == colour::kFamilyAmsr2 ? "AMSR2" : "AMSR_AMSR-E";
  return base + (source_.lookup ? "/Sample_Table/Lookup_Table/" : "/Sample_Table/Color_Table/") + family;
}

void ComClrCnfg::chooseFile() {
  // The folder of the file named in the field, else the family's sample tables.
  const QFileInfo named(fileName_->text());
  const QString folder = !fileName_->text().isEmpty() && named.absoluteDir().exists()
                             ? named.absolutePath()
                             : QString::fromStdString(sampleFolder());
  QFileDialog dialog(this, QString(), folder);
  dialog.setNameFilters({source_.lookup ? tr("Look Up Table Files (*.lut)") : tr("Color Table Files (*.clt)"),
                         tr("All Files (*)")});
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().front();
  fileName_->setText(path);
  loadFile(path.toStdString());
}

void ComClrCnfg::chooseSaveFile() {
  const QString named = fileName_->text();
  const QString folder = named.isEmpty() ? QString::fromStdString(sampleFolder()) : QFileInfo(named).absolutePath();
  QFileDialog dialog(this, QString(), folder);
  dialog.setNameFilters({source_.lookup ? tr("Look Up Table Files (*.lut)") : tr("Color Table Files (*.clt)")});
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(source_.lookup ? QStringLiteral("lut") : QStringLiteral("clt"));
  if (!named.isEmpty()) dialog.selectFile(QFileInfo(named).fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().front();
  if (saveFile(path.toStdString()) == 0) fileName_->setText(path);
}

int ComClrCnfg::loadFile(const std::string& path) {
  if (source_.table == nullptr) return 1;
  colour::TableFileExtras extras;
  const int rc = source_.lookup ? colour::readLookupTableFile(path, *source_.table, extras)
                                : colour::readColourTableFile(path, *source_.table, extras);
  if (rc != colour::kFileOk) return 1;
  setLogarithmic(source_.table->ComGetLogMode() == 1);
  Q_EMIT fileRead(extras);
  Q_EMIT refreshRequested();
  return 0;
}

int ComClrCnfg::saveFile(const std::string& path) {
  if (source_.table == nullptr) return 1;
  // The file carries the log choice shown now; the table itself takes it on OK.
  colour::ComClrTblMng written = *source_.table;
  written.ComSetLogMode(log_->isChecked() ? 1 : 0);
  int rc = colour::kFileOk;
  if (source_.lookup) {
    rc = colour::writeLookupTableFile(path, written);
  } else {
    bool reverse = false;
    if (source_.settings != nullptr) source_.settings->ComGetFlg(kIdExpIndiRevFlg, &reverse);
    rc = colour::writeColourTableFile(path, written, source_.title ? source_.title() : std::string(), reverse);
  }
  if (rc == colour::kFileOk) return 0;
  ComOutMsgBox().ComDspMsg(kMsgCannotWrite);
  return kMsgCannotWrite;
}

}  // namespace kivo::app
