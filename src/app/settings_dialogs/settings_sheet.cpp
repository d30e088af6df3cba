#include "app/settings_dialogs/settings_sheet.h"

#include <QDialogButtonBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/settings_dialogs/field_rules.h"
#include "app/settings_dialogs/settings_pages.h"

namespace kivo::app {
namespace {

// What Cancel puts back: the settings of the four pages.
constexpr std::array<int, 16> kSnapshotValues = {
    kIdNumReadFiles, kIdBytOrdrSetting, kIdDecSetting, kIdOneRcrdOut, kIdNnObsValMrk, kIdNnObsVal,
    kIdOutTtlIndiPnt, kIdBckIndiClr, kIdShrIndClr, kIdLatLonIndiClr, kIdQuaIndiClr, kIdPenWidth,
    kIdPenWidth2, kIdLatWidth, kIdLonWidth, kIdMapMode};
constexpr std::array<int, 9> kSnapshotFlags = {kIdOutTtlIndiFlg, kIdExpIndiFlg,    kIdExpIndiRevFlg,
                                               kIdBckIndiFlg,    kIdShrIndiFlg,    kIdDrwSherLine,
                                               kIdLatLonIndiFlg, kIdQuaIndiFlg,    kIdLatLonMode};
constexpr std::array<int, 3> kSnapshotTexts = {kIdMapFile, kIdMapFile2, kIdMapFile3};
// Texts are kept as the settings file holds them: at most 259 bytes.
constexpr std::size_t kMaxTextBytes = 259;

SheetRunner& sheetRunnerHook() {
  static SheetRunner runner;
  return runner;
}

}  // namespace

int preferencesPage(int commandId) {
  switch (commandId) {
    case cmd::kPrefUser: return kPageUser;
    case cmd::kPrefImage: return kPageImageOutput;
    case cmd::kPrefMapLayer: return kPageMapLayer;
    case cmd::kPrefMapFile: return kPageMapFile;
    default: return -1;
  }
}

ComPropConf::ComPropConf(QWidget* owner, int startPage, ComPrpCnfInfo& settings, map::ComWorldMap& world,
                         QMdiSubWindow* activeMapChild)
    : QDialog(owner), settings_(settings), world_(world) {
  log_.setName("ComPropConf");
  // The caption reads the same in every language.
  setWindowTitle(QStringLiteral("環境設定"));
  takeSnapshot();

  tabs_ = new QTabWidget(this);
  user_ = new ComUserConf(settings_, tabs_);
  image_ = new ComImgOutConf(settings_, activeMapChild, tabs_);
  layer_ = new ComMapConf(settings_, tabs_);
  file_ = new ComMapFileConf(settings_, tabs_);
  tabs_->addTab(user_, tr("User setting "));
  tabs_->addTab(image_, tr("Image output setting "));
  tabs_->addTab(layer_, tr("Map layer setting"));
  tabs_->addTab(file_, tr("Map File Mode"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ComPropConf::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ComPropConf::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);

  const int page = startPage >= kPageUser && startPage <= kPageMapFile ? startPage : kPageUser;
  tabs_->setCurrentIndex(page);
  activePage_ = page;
  static_cast<ComSettingsPage*>(tabs_->widget(page))->activate();
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { pageChanged(index); });
}

ComPropConf::~ComPropConf() = default;

int ComPropConf::currentPage() const { return tabs_->currentIndex(); }

void ComPropConf::showPage(int page) { tabs_->setCurrentIndex(page); }

void ComPropConf::pageChanged(int index) {
  if (switching_ || index == activePage_) return;
  // The user page is left only with valid fields.
  if (activePage_ == kPageUser && !user_->ComCheck()) {
    switching_ = true;
    tabs_->setCurrentIndex(kPageUser);
    switching_ = false;
    return;
  }
  activePage_ = index;
  if (auto* page = qobject_cast<ComSettingsPage*>(tabs_->widget(index))) page->activate();
}

void ComPropConf::takeSnapshot() {
  for (int id : kSnapshotValues) settings_.ComGetVal(id, &snapshot_.values[static_cast<std::size_t>(id)]);
  for (int id : kSnapshotFlags) {
    bool on = false;
    settings_.ComGetFlg(id, &on);
    snapshot_.flags[static_cast<std::size_t>(id)] = on;
  }
  for (int id : kSnapshotTexts) {
    std::string text;
    settings_.ComGetStr(id, &text);
    snapshot_.texts[static_cast<std::size_t>(id)] = prefs::truncatedUtf8(text, kMaxTextBytes);
  }
}

void ComPropConf::restoreSnapshot() {
  for (int id : kSnapshotValues) settings_.ComSetVal(id, snapshot_.values[static_cast<std::size_t>(id)]);
  for (int id : kSnapshotFlags) settings_.ComSetFlg(id, snapshot_.flags[static_cast<std::size_t>(id)]);
  for (int id : kSnapshotTexts) settings_.ComSetStr(id, snapshot_.texts[static_cast<std::size_t>(id)]);
}

void ComPropConf::accept() {
  if (currentPage() == kPageUser && !user_->ComCheck()) return;
  user_->ComSave();
  image_->ComApply();
  layer_->ComSave();
  if (file_->ComSave()) reloadCoastlines();
  settings_.ComWriteCnf();
  QDialog::accept();
}

void ComPropConf::reject() {
  restoreSnapshot();
  QDialog::reject();
}

void ComPropConf::reloadCoastlines() {
  world_.ComFreeMapFile(1);
  world_.ComFreeMapFile(2);
  int mode = 0;
  settings_.ComGetVal(kIdMapMode, &mode);
  std::string first, second;
  settings_.ComGetStr(mode == 1 ? kIdMapFile : kIdMapFile3, &first);
  settings_.ComGetStr(mode == 1 ? kIdMapFile2 : kIdMapFile3, &second);
  // A file that fails to load leaves its slot empty; the sheet does not report it.
  world_.ComLoadMapFile(1, first);
  world_.ComLoadMapFile(2, second);
}

SheetRunner setSheetRunner(SheetRunner runner) {
  SheetRunner previous = std::move(sheetRunnerHook());
  sheetRunnerHook() = std::move(runner);
  return previous;
}

int ComOpenPropConf(CMainFrame& frame, QWidget* owner, ComPrpCnfInfo& settings, int startPage) {
  // The image output page edits the title of the active map view, if there is one.
  QMdiSubWindow* child = nullptr;
  if (frame.mapViewCount() != 0 && frame.mdiArea() != nullptr) {
    QMdiSubWindow* active = frame.mdiArea()->activeSubWindow();
    if (active != nullptr && qobject_cast<ComPrdctMpDsp*>(active->widget()) != nullptr) child = active;
  }
  ComPropConf sheet(owner, startPage, settings, frame.worldMap(), child);
  if (sheetRunnerHook()) return sheetRunnerHook()(sheet);
  return sheet.exec();
}

}  // namespace kivo::app
