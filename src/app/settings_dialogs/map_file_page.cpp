#include <QButtonGroup>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/settings_dialogs/field_rules.h"
#include "app/settings_dialogs/settings_pages.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgMapData = 1;
// The settings of the three edits: the fixed file, the file below magnification 8, from 8.
constexpr std::array<int, 3> kFileIds = {kIdMapFile3, kIdMapFile, kIdMapFile2};

MapFileAsk& mapFileAskHook() {
  static MapFileAsk ask;
  return ask;
}

QString askMapFile(QWidget* parent, const QString& proposed) {
  if (mapFileAskHook()) return mapFileAskHook()(parent, proposed);
  QFileDialog dialog(parent, QString(), QFileInfo(proposed).absolutePath());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QCoreApplication::translate("kivo::app::ComMapFileConf", "All Files (*.*)"));
  dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QString storedText(const ComPrpCnfInfo& s, int id) {
  std::string text;
  s.ComGetStr(id, &text);
  return QString::fromStdString(text);
}

}  // namespace

MapFileAsk setMapFileAsk(MapFileAsk ask) {
  MapFileAsk previous = std::move(mapFileAskHook());
  mapFileAskHook() = std::move(ask);
  return previous;
}

ComMapFileConf::ComMapFileConf(ComPrpCnfInfo& settings, QWidget* parent) : ComSettingsPage(settings, parent) {
  log_.setName("ComMapFileConf");
  auto* group = new QGroupBox(tr("Coastline files"), this);
  fix_ = new QRadioButton(tr("Fix"), group);
  automatic_ = new QRadioButton(tr("Automatic"), group);
  auto* modes = new QButtonGroup(this);
  modes->addButton(fix_);
  modes->addButton(automatic_);
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    edits_[i] = new QLineEdit(group);
    edits_[i]->setMinimumWidth(360);
    refs_[i] = new QPushButton(tr("Ref..."), group);
    const int index = static_cast<int>(i);
    connect(refs_[i], &QPushButton::clicked, this, [this, index] { browse(index); });
  }
  auto* grid = new QGridLayout(group);
  grid->addWidget(fix_, 0, 0, 1, 3);
  grid->addWidget(new QLabel(tr("Map file"), group), 1, 0);
  grid->addWidget(edits_[0], 1, 1);
  grid->addWidget(refs_[0], 1, 2);
  grid->addWidget(automatic_, 2, 0, 1, 3);
  grid->addWidget(new QLabel(tr("Magnification 1 to under 8"), group), 3, 0);
  grid->addWidget(edits_[1], 3, 1);
  grid->addWidget(refs_[1], 3, 2);
  grid->addWidget(new QLabel(tr("Magnification 8 to 256"), group), 4, 0);
  grid->addWidget(edits_[2], 4, 1);
  grid->addWidget(refs_[2], 4, 2);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addStretch(1);
}

void ComMapFileConf::firstShow() {
  for (std::size_t i = 0; i < edits_.size(); ++i) edits_[i]->setText(storedText(settings_, kFileIds[i]));
  int mode = 0;
  settings_.ComGetVal(kIdMapMode, &mode);
  (mode == 0 ? fix_ : automatic_)->setChecked(true);
}

void ComMapFileConf::browse(int index) {
  const auto i = static_cast<std::size_t>(index);
  QString proposed = edits_[i]->text();
  if (!prefs::readableFile(proposed)) proposed = storedText(settings_, kFileIds[i]);
  const QString chosen = askMapFile(this, proposed);
  if (chosen.isEmpty()) return;
  edits_[i]->setText(chosen);
  if (!prefs::hasMapFileExtension(chosen)) {
    ComOutMsgBox().ComDspMsg(kMsgMapData);
    edits_[i]->setText(storedText(settings_, kFileIds[i]));
  }
}

bool ComMapFileConf::ComSave() {
  if (!shown()) return false;
  std::array<bool, 3> stored{};
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    const QString text = edits_[i]->text();
    if (text == storedText(settings_, kFileIds[i])) continue;
    if (!prefs::readableFile(text) || !prefs::hasMapFileExtension(text)) {
      ComOutMsgBox().ComDspMsg(kMsgMapData);
      continue;
    }
    settings_.ComSetStr(kFileIds[i], text.toStdString());
    stored[i] = true;
  }
  bool changed = fix_->isChecked() ? stored[0] : (stored[1] || stored[2]);
  const int mode = fix_->isChecked() ? 0 : 1;
  int current = 0;
  settings_.ComGetVal(kIdMapMode, &current);
  if (mode != current) {
    settings_.ComSetVal(kIdMapMode, mode);
    changed = true;
  }
  return changed;
}

}  // namespace kivo::app
