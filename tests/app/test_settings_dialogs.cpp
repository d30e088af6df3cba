// The settings dialogs (offscreen): the environmental settings sheet with its four pages, the
// colour choosers and the animation output settings; field rules and their messages, what OK
// stores and writes, what Cancel puts back, and which settings object a Preferences command
// edits.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/open_panel/file_open_panel.h"
#include "app/settings_dialogs/colour_choosers.h"
#include "app/settings_dialogs/movie_output_conf.h"
#include "app/settings_dialogs/movie_output_dialog.h"
#include "app/settings_dialogs/settings_pages.h"
#include "app/settings_dialogs/settings_sheet.h"
#include "map/world_map.h"
#include "temp_dir.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
using kivo::test::TempDir;

namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[32] = "test_app_settings_dialogs";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

const std::string kCoarseMap = std::string(KIVO_BIN_DIR) + "/Map/gshhs_c.b";
const std::string kFineMap = std::string(KIVO_BIN_DIR) + "/Map/gshhs_i.b";

std::vector<app::MsgCode> codes(const app::RecordingMessagePresenter& r) {
  std::vector<app::MsgCode> out;
  for (const auto& e : r.entries()) out.push_back(e.code);
  return out;
}

int valueOf(const app::ComPrpCnfInfo& s, int id) {
  int v = 0;
  s.ComGetVal(id, &v);
  return v;
}
bool flagOf(const app::ComPrpCnfInfo& s, int id) {
  bool v = false;
  s.ComGetFlg(id, &v);
  return v;
}
std::string textOf(const app::ComPrpCnfInfo& s, int id) {
  std::string v;
  s.ComGetStr(id, &v);
  return v;
}

void leave(QWidget* edit) {
  QFocusEvent out(QEvent::FocusOut);
  QCoreApplication::sendEvent(edit, &out);
}

// Installs a colour chooser answer (nothing: cancelled) for the lifetime of the object.
class ColourAnswer {
 public:
  explicit ColourAnswer(std::optional<std::uint32_t> colour)
      : previous_(app::setColourAsk([colour](QWidget*) { return colour; })) {}
  ~ColourAnswer() { app::setColourAsk(previous_); }

 private:
  app::ColourAsk previous_;
};

class SettingsDialogs : public ::testing::Test {
 protected:
  void SetUp() override { settings.ComReadCnf(); }
  // The settings file as another copy reads it.
  std::unique_ptr<app::ComPrpCnfInfo> fromFile() {
    auto copy = std::make_unique<app::ComPrpCnfInfo>(dir.file("prog") + "/", path);
    copy->ComReadCnf();
    return copy;
  }
  std::unique_ptr<app::ComPropConf> sheet(int page, QMdiSubWindow* child = nullptr) {
    return std::make_unique<app::ComPropConf>(nullptr, page, settings, world, child);
  }

  TempDir dir;
  std::string path = dir.file("KIVOMeriview.ini");
  app::ComPrpCnfInfo settings{dir.file("prog") + "/", path};
  kivo::map::ComWorldMap world;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
};

// --- user page -----------------------------------------------------------------------------

TEST_F(SettingsDialogs, UserPageFieldRulesAndMessages) {
  const struct {
    int field;
    QString text;
    app::MsgCode message;  // 0: accepted
  } cases[] = {
      {1000, "30", 0},    {1000, "1", 0},      {1000, "0", 18},       {1000, "31", 18},
      {1000, "", 18},     {1000, "-", 18},     {1000, "1-2", 17},     {1000, "12a", 17},
      {1000, "+5", 17},   {1000, " 5", 17},    {1007, "", 0},         {1007, "-", 0},
      {1007, "3", 0},     {1007, "-5", 19},    {1007, "4", 19},       {1008, "", 20},
      {1008, "256", 0},   {1008, "257", 20},   {1009, "", 0},         {1009, "-", 0},
      {1009, "-32768", 0}, {1009, "-32769", 13}, {1009, "32768", 13},  {1010, "-", 0},
      {1010, "65535", 0}, {1010, "-1", 13},    {1010, "99999999999", 13},
      {1000, QString(261, QLatin1Char('0')), 18}, {1007, QString(260, QLatin1Char('0')), 0},
  };
  for (const auto& c : cases) {
    messages.clear();
    auto s = sheet(app::kPageUser);
    QLineEdit* edit = s->userPage()->field(c.field);
    const QString stored = edit->text();
    edit->setText(c.text);
    s->accept();
    EXPECT_EQ(codes(messages), c.message == 0 ? std::vector<app::MsgCode>{} : std::vector<app::MsgCode>{c.message})
        << c.field << " '" << c.text.left(20).toStdString() << "'";
    EXPECT_EQ(s->result(), c.message == 0 ? QDialog::Accepted : QDialog::Rejected) << c.field;
    // A refused field gets its stored value back.
    if (c.message != 0) { EXPECT_EQ(edit->text(), stored) << c.field; }
  }
}

TEST_F(SettingsDialogs, UserPageStopsAtTheFirstFailureAndKeepsThePage) {
  auto s = sheet(app::kPageUser);
  s->userPage()->field(1008)->setText("x");
  s->userPage()->field(1009)->setText("x");
  s->showPage(app::kPageMapLayer);  // leaving the page checks it
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{17}));
  EXPECT_EQ(s->currentPage(), app::kPageUser);
  EXPECT_EQ(s->userPage()->field(1008)->text(), "1");
  EXPECT_EQ(s->userPage()->field(1009)->text(), "x");  // not checked yet
  messages.clear();
  s->userPage()->field(1009)->setText("-1");
  s->showPage(app::kPageMapLayer);
  EXPECT_TRUE(messages.entries().empty());
  EXPECT_EQ(s->currentPage(), app::kPageMapLayer);
}

TEST_F(SettingsDialogs, UserPageOkStoresAndWritesCancelRestores) {
  {
    auto s = sheet(app::kPageUser);
    app::ComUserConf* page = s->userPage();
    EXPECT_TRUE(page->littleEndianButton()->isChecked());  // default byte order 1
    page->field(1000)->setText("25");
    page->field(1007)->setText("");
    page->field(1008)->setText("12");
    page->field(1009)->setText("-1");
    page->field(1010)->setText("0");
    page->bigEndianButton()->setChecked(true);
    s->reject();
    EXPECT_EQ(valueOf(settings, app::kIdNumReadFiles), 10);
    EXPECT_FALSE(std::filesystem::exists(path));  // Cancel writes nothing
  }
  auto s = sheet(app::kPageUser);
  app::ComUserConf* page = s->userPage();
  page->field(1000)->setText("25");
  page->field(1007)->setText("");
  page->field(1008)->setText("12");
  page->field(1009)->setText("-1");
  page->field(1010)->setText("0");
  page->bigEndianButton()->setChecked(true);
  s->accept();
  ASSERT_EQ(s->result(), QDialog::Accepted);
  const auto file = fromFile();
  for (const app::ComPrpCnfInfo* s2 : {&settings, file.get()}) {
    EXPECT_EQ(valueOf(*s2, app::kIdNumReadFiles), 25);
    EXPECT_EQ(valueOf(*s2, app::kIdDecSetting), 0);
    EXPECT_EQ(valueOf(*s2, app::kIdOneRcrdOut), 12);
    EXPECT_EQ(valueOf(*s2, app::kIdNnObsValMrk), -1);
    EXPECT_EQ(valueOf(*s2, app::kIdNnObsVal), 0);
    EXPECT_EQ(valueOf(*s2, app::kIdBytOrdrSetting), 0);
  }
}

// --- pages never shown, map layer page, background write-through ---------------------------

TEST_F(SettingsDialogs, OkOnTheMapFilePageSavesOnlyThatPageAndWritesTheFile) {
  settings.ComSetVal(app::kIdNumReadFiles, 7);  // in memory only, as another page would leave it
  settings.ComSetVal(app::kIdLatWidth, 45);
  auto s = sheet(app::kPageMapFile);
  EXPECT_EQ(s->currentPage(), app::kPageMapFile);
  EXPECT_FALSE(s->userPage()->shown());
  EXPECT_FALSE(s->mapLayerPage()->shown());
  s->mapFilePage()->automaticButton()->setChecked(true);
  s->accept();
  EXPECT_EQ(valueOf(settings, app::kIdNumReadFiles), 7);
  EXPECT_EQ(valueOf(settings, app::kIdLatWidth), 45);
  const auto file = fromFile();
  EXPECT_EQ(valueOf(*file, app::kIdMapMode), 1);
  EXPECT_EQ(valueOf(*file, app::kIdNumReadFiles), 7);
}

TEST_F(SettingsDialogs, MapLayerSpacingRules) {
  const struct {
    QString text;
    bool accepted;
  } cases[] = {{"1", true}, {"90", true}, {"-", false}, {"0", false}, {"91", false}, {"", false}, {"4x", false}};
  for (const auto& c : cases) {
    messages.clear();
    auto s = sheet(app::kPageMapLayer);
    QLineEdit* lat = s->mapLayerPage()->latitudeSpacing();
    EXPECT_EQ(lat->text(), "30");
    lat->setText(c.text);
    leave(lat);
    EXPECT_EQ(codes(messages), c.accepted ? std::vector<app::MsgCode>{} : std::vector<app::MsgCode>{28}) << c.text.toStdString();
    EXPECT_EQ(lat->text(), c.accepted ? c.text : QStringLiteral("30")) << c.text.toStdString();
  }
}

TEST_F(SettingsDialogs, MapLayerOkStoresTheLayersAndSkipsABadSpacing) {
  ColourAnswer answer(0x00123456);
  auto s = sheet(app::kPageMapLayer);
  app::ComMapConf* page = s->mapLayerPage();
  EXPECT_EQ(page->coastWidth()->count(), 3);
  EXPECT_EQ(page->coastWidth()->itemText(2), QStringLiteral("太"));
  page->coastChooser()->checkBox()->click();     // coastline off
  page->coastChooser()->backButton()->setChecked(true);
  page->row(1)->selectButton()->click();         // equator colour: kept until OK
  EXPECT_EQ(valueOf(settings, app::kIdQuaIndiClr), 0x000000FF);
  page->coastWidth()->setCurrentIndex(2);
  page->latLonWidth()->setCurrentIndex(1);
  page->spacingCheck()->click();
  EXPECT_TRUE(page->latitudeSpacing()->isEnabled());
  page->latitudeSpacing()->setText("91");        // never left, refused silently at OK
  page->longitudeSpacing()->setText("15");
  s->accept();
  EXPECT_TRUE(messages.entries().empty());
  const auto file = fromFile();
  for (const app::ComPrpCnfInfo* c : {&settings, file.get()}) {
    EXPECT_FALSE(flagOf(*c, app::kIdShrIndiFlg));
    EXPECT_FALSE(flagOf(*c, app::kIdDrwSherLine));
    EXPECT_EQ(valueOf(*c, app::kIdQuaIndiClr), 0x00123456);
    EXPECT_EQ(valueOf(*c, app::kIdPenWidth), 2);
    EXPECT_EQ(valueOf(*c, app::kIdPenWidth2), 1);
    EXPECT_TRUE(flagOf(*c, app::kIdLatLonMode));
    EXPECT_EQ(valueOf(*c, app::kIdLatWidth), 30);
    EXPECT_EQ(valueOf(*c, app::kIdLonWidth), 30);  // only after a stored latitude spacing
  }
}

TEST_F(SettingsDialogs, BackgroundRowWritesThroughAndCancelRestoresIt) {
  {
    ColourAnswer answer(0x00445566);
    auto s = sheet(app::kPageMapLayer);
    app::ComIndiClrChc* background = s->mapLayerPage()->row(2);
    background->selectButton()->click();
    EXPECT_EQ(valueOf(settings, app::kIdBckIndiClr), 0x00445566);
    EXPECT_EQ(valueOf(settings, app::kIdBackClrFlg), 1);
    background->checkBox()->click();
    EXPECT_FALSE(flagOf(settings, app::kIdBckIndiFlg));
    EXPECT_FALSE(background->selectButton()->isEnabled());
    s->reject();
  }
  EXPECT_EQ(valueOf(settings, app::kIdBckIndiClr), 0x00A90000);
  EXPECT_TRUE(flagOf(settings, app::kIdBckIndiFlg));
  EXPECT_EQ(valueOf(settings, app::kIdBackClrFlg), 1);
  // A cancelled chooser stores the row's colour all the same.
  ColourAnswer cancelled(std::nullopt);
  auto s = sheet(app::kPageMapLayer);
  settings.ComSetVal(app::kIdBackClrFlg, 0);
  settings.ComSetVal(app::kIdBckIndiClr, 0x00010203);
  s->mapLayerPage()->row(2)->selectButton()->click();
  EXPECT_EQ(valueOf(settings, app::kIdBckIndiClr), 0x00A90000);
  EXPECT_EQ(valueOf(settings, app::kIdBackClrFlg), 1);
}

TEST_F(SettingsDialogs, PagesReloadTheBackgroundChangedElsewhere) {
  // The image page is filled first; the map layer page then changes the background.
  ColourAnswer answer(0x00778899);
  auto s = sheet(app::kPageImageOutput);
  s->showPage(app::kPageMapLayer);
  EXPECT_EQ(valueOf(settings, app::kIdBackClrFlg), 0);  // cleared on activation
  s->mapLayerPage()->row(2)->selectButton()->click();
  s->showPage(app::kPageImageOutput);
  EXPECT_EQ(s->imagePage()->backgroundRow()->colour(), 0x00778899u);
  s->accept();
  EXPECT_EQ(valueOf(*fromFile(), app::kIdBckIndiClr), 0x00778899);
}

// --- map file page -------------------------------------------------------------------------

TEST_F(SettingsDialogs, MapFileRefRefusesOtherExtensions) {
  if (!std::filesystem::exists(kCoarseMap) || !std::filesystem::exists(kFineMap)) GTEST_SKIP() << "no shoreline files";
  const std::string upper = dir.file("coast.B");
  const std::string good = dir.file("coast.b");
  std::filesystem::copy_file(kCoarseMap, upper);
  std::filesystem::copy_file(kCoarseMap, good);
  const struct {
    std::string chosen;
    bool kept;
  } cases[] = {{upper, false}, {dir.file("noext"), false}, {good, true}, {"", false}};
  for (const auto& c : cases) {
    messages.clear();
    QString proposed;
    const app::MapFileAsk previous = app::setMapFileAsk([&](QWidget*, const QString& p) {
      proposed = p;
      return QString::fromStdString(c.chosen);
    });
    auto s = sheet(app::kPageMapFile);
    QLineEdit* edit = s->mapFilePage()->fileEdit(1);
    const QString stored = edit->text();
    edit->setText(QString::fromStdString(dir.file("missing.b")));
    s->mapFilePage()->refButton(1)->click();
    app::setMapFileAsk(previous);
    // An unreadable text proposes the stored file.
    EXPECT_EQ(proposed, stored);
    const bool refused = !c.chosen.empty() && !c.kept;
    EXPECT_EQ(codes(messages), refused ? std::vector<app::MsgCode>{1} : std::vector<app::MsgCode>{}) << c.chosen;
    if (c.kept) { EXPECT_EQ(edit->text().toStdString(), c.chosen); }
    if (refused) { EXPECT_EQ(edit->text(), stored); }
  }
}

TEST_F(SettingsDialogs, MapFileSaveChecksFilesAndReloadsTheSlots) {
  if (!std::filesystem::exists(kCoarseMap) || !std::filesystem::exists(kFineMap)) GTEST_SKIP() << "no shoreline files";
  const std::string upper = dir.file("coast.B");
  std::filesystem::copy_file(kCoarseMap, upper);
  settings.ComSetVal(app::kIdMapMode, 1);
  settings.ComSetStr(app::kIdMapFile, kCoarseMap);
  settings.ComSetStr(app::kIdMapFile2, kFineMap);
  settings.ComSetStr(app::kIdMapFile3, kCoarseMap);
  ASSERT_EQ(world.ComLoadMapFile(1, kCoarseMap), 0);
  ASSERT_EQ(world.ComLoadMapFile(2, kFineMap), 0);
  kivo::map::ComWorldMap coarse;
  ASSERT_EQ(coarse.ComLoadMapFile(1, kCoarseMap), 0);
  const std::size_t coarsePoints = coarse.store().slot(1).totalPoints();
  ASSERT_NE(world.store().slot(2).totalPoints(), coarsePoints);

  // Refused files keep the stored ones; switching to Fix loads the fixed file into both slots.
  auto s = sheet(app::kPageMapFile);
  app::ComMapFileConf* page = s->mapFilePage();
  EXPECT_TRUE(page->automaticButton()->isChecked());
  page->fileEdit(1)->setText(QString::fromStdString(upper));
  page->fileEdit(2)->setText(QString::fromStdString(dir.file("missing.b")));
  page->fixButton()->setChecked(true);
  s->accept();
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{1, 1}));
  EXPECT_EQ(textOf(settings, app::kIdMapFile), kCoarseMap);
  EXPECT_EQ(textOf(settings, app::kIdMapFile2), kFineMap);
  EXPECT_EQ(valueOf(settings, app::kIdMapMode), 0);
  EXPECT_EQ(world.store().slot(1).totalPoints(), coarsePoints);
  EXPECT_EQ(world.store().slot(2).totalPoints(), coarsePoints);

  // Back to automatic: the two files of that mode.
  auto again = sheet(app::kPageMapFile);
  again->mapFilePage()->automaticButton()->setChecked(true);
  again->accept();
  EXPECT_NE(world.store().slot(2).totalPoints(), coarsePoints);

  // Nothing changed: the slots are not touched.
  world.ComFreeMapFile(2);
  auto same = sheet(app::kPageMapFile);
  same->accept();
  EXPECT_TRUE(world.store().slot(2).empty());
}

// --- image output page ---------------------------------------------------------------------

TEST_F(SettingsDialogs, ImageOutputPageWithLookUpTableColouring) {
  settings.ComSetVal(app::kIdClrType, 1);
  settings.ComWriteCnf();  // the page reads the file again
  auto s = sheet(app::kPageImageOutput);
  app::ComImgOutConf* page = s->imagePage();
  EXPECT_FALSE(page->colourBarCheck()->isEnabled());
  EXPECT_FALSE(page->flippedCheck()->isEnabled());
  EXPECT_TRUE(page->titleEdit()->text().isEmpty());  // no map view
  page->colourBarCheck()->setChecked(false);
  page->flippedCheck()->setChecked(true);
  page->positionButton(2)->setChecked(true);
  page->titleCheck()->click();
  EXPECT_FALSE(page->titleEdit()->isEnabled());
  EXPECT_FALSE(page->positionButton(0)->isEnabled());
  s->accept();
  EXPECT_TRUE(flagOf(settings, app::kIdExpIndiFlg));
  EXPECT_TRUE(flagOf(settings, app::kIdExpIndiRevFlg));
  EXPECT_FALSE(flagOf(settings, app::kIdOutTtlIndiFlg));
  EXPECT_EQ(valueOf(settings, app::kIdOutTtlIndiPnt), 2);
  EXPECT_TRUE(flagOf(*fromFile(), app::kIdExpIndiRevFlg));
}

TEST_F(SettingsDialogs, ImageOutputTitleLimit) {
  settings.ComSetStr(app::kIdImgTitle, "stored title");
  auto s = sheet(app::kPageImageOutput);
  QLineEdit* title = s->imagePage()->titleEdit();
  title->setText(QString(250, QLatin1Char('a')));
  EXPECT_TRUE(messages.entries().empty());
  title->setText(QString(125, QChar(0x3042)));  // 250 half-width units
  EXPECT_TRUE(messages.entries().empty());
  title->setText(QString(126, QChar(0x3042)));
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{29}));
  EXPECT_EQ(title->text(), "stored title");
  // The position shown lasts only if applied: Cancel puts the one of the opening back.
  settings.ComSetVal(app::kIdOutTtlIndiPnt, 1);
  auto other = sheet(app::kPageImageOutput);
  EXPECT_TRUE(other->imagePage()->positionButton(1)->isChecked());
  EXPECT_EQ(valueOf(settings, app::kIdOutTtlIndiPnt), 0);  // the file was read again
  other->reject();
  EXPECT_EQ(valueOf(settings, app::kIdOutTtlIndiPnt), 1);
}

// --- main window and map views ---------------------------------------------------------------

class SheetInFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    app::MainFrameOptions options;
    options.programFolder = std::string(KIVO_BIN_DIR) + "/";
    options.settingsPath = dir.file("KIVOMeriview.ini");
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    previous = app::setSheetRunner([this](app::ComPropConf& sheet) {
      ++runs;
      page = sheet.currentPage();
      caption = sheet.windowTitle();
      edited = &sheet.settings();
      title = sheet.imagePage()->shown() ? sheet.imagePage()->titleEdit()->text() : QString();
      if (answer) answer(sheet);
      else sheet.reject();
      return sheet.result();
    });
  }
  void TearDown() override {
    app::setSheetRunner(previous);
    frame.reset();
  }

  TempDir dir;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
  std::unique_ptr<app::CMainFrame> frame;
  app::SheetRunner previous;
  std::function<void(app::ComPropConf&)> answer;
  int runs = 0;
  int page = -1;
  app::ComPrpCnfInfo* edited = nullptr;
  QString title;
  QString caption;
};

TEST_F(SheetInFrame, EachCommandOpensItsPageOnTheMainWindowsSettings) {
  const struct {
    int command;
    int page;
  } cases[] = {{cmd::kPrefUser, 0}, {cmd::kPrefImage, 1}, {cmd::kPrefMapLayer, 2}, {cmd::kPrefMapFile, 3}};
  for (const auto& c : cases) {
    ASSERT_TRUE(frame->action(c.command)->isEnabled()) << c.command;
    const int before = runs;
    frame->action(c.command)->trigger();
    EXPECT_EQ(runs, before + 1) << c.command;
    EXPECT_EQ(page, c.page) << c.command;
    EXPECT_EQ(edited, &frame->settings()) << c.command;
  }
  EXPECT_EQ(caption, QStringLiteral("環境設定"));
}

TEST_F(SheetInFrame, AnActiveMapViewEditsItsOwnSettingsAndTitle) {
  app::ComPrdctMpDsp* view = frame->openMapView(QStringLiteral("GW1AM2 89GHz-A-H"), true);
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(frame->activeMapView(), view);
  answer = [](app::ComPropConf& sheet) {
    sheet.imagePage()->titleEdit()->setText(QStringLiteral("Typhoon"));
    sheet.accept();
  };
  frame->runCommand(cmd::kPrefImage);
  EXPECT_EQ(page, 1);
  EXPECT_EQ(edited, &view->settings());
  EXPECT_EQ(title, "GW1AM2 89GHz-A-H");
  auto* child = qobject_cast<QMdiSubWindow*>(view->parentWidget());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(view->windowTitle(), "Typhoon");
  EXPECT_EQ(child->windowTitle(), "Typhoon");

  // Without a title the document's title is emptied; the view keeps its own.
  answer = [](app::ComPropConf& sheet) {
    sheet.imagePage()->titleCheck()->click();
    sheet.accept();
  };
  frame->runCommand(cmd::kPrefImage);
  EXPECT_EQ(view->windowTitle(), "Typhoon");
  EXPECT_TRUE(child->windowTitle().isEmpty());
  EXPECT_FALSE(flagOf(view->settings(), app::kIdOutTtlIndiFlg));
  EXPECT_TRUE(flagOf(frame->settings(), app::kIdOutTtlIndiFlg));

  // A file open panel in front: the main window's settings, and no title to edit.
  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  ASSERT_NE(panel, nullptr);
  frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(panel->parentWidget()));
  ASSERT_EQ(frame->activeMapView(), nullptr);
  answer = nullptr;
  frame->runCommand(cmd::kPrefImage);
  EXPECT_EQ(edited, &frame->settings());
  EXPECT_TRUE(title.isEmpty());
}

// --- animation output settings -----------------------------------------------------------------

class MovieDialog : public SettingsDialogs {};

TEST_F(MovieDialog, FrameRateRules) {
  const struct {
    QString text;
    int stored;  // 0: refused with message 21
  } cases[] = {{"30", 30}, {"1", 1}, {"12abc", 12}, {" 7", 7}, {"0", 0}, {"31", 0}, {"", 0}, {"abc", 0}, {"-3", 0}};
  for (const auto& c : cases) {
    messages.clear();
    settings.ComSetVal(app::kIdFrmRtNum, 10);
    app::ComMovOutConf dialog(settings);
    EXPECT_EQ(dialog.frameRateEdit()->text(), "10");
    dialog.frameRateEdit()->setText(c.text);
    dialog.accept();
    EXPECT_EQ(codes(messages), c.stored == 0 ? std::vector<app::MsgCode>{21} : std::vector<app::MsgCode>{})
        << c.text.toStdString();
    EXPECT_EQ(valueOf(settings, app::kIdFrmRtNum), c.stored == 0 ? 10 : c.stored) << c.text.toStdString();
    EXPECT_EQ(dialog.result(), c.stored == 0 ? QDialog::Rejected : QDialog::Accepted) << c.text.toStdString();
    if (c.stored == 0) { EXPECT_EQ(dialog.frameRateEdit()->text(), c.text); }  // as typed
  }
}

TEST_F(MovieDialog, BadFrameRateStillWritesEverythingElse) {
  ColourAnswer answer(0x00ABCDEF);
  app::ComMovOutConf dialog(settings);
  EXPECT_TRUE(dialog.titleCheck()->isChecked());
  EXPECT_FALSE(dialog.fileNameCheck()->isChecked());
  EXPECT_FALSE(dialog.fileNamePosition(1)->isEnabled());
  dialog.titleCheck()->click();
  EXPECT_FALSE(dialog.titleEdit()->isEnabled());
  dialog.fileNameCheck()->click();
  EXPECT_TRUE(dialog.fileNamePosition(1)->isEnabled());
  dialog.fileNamePosition(0)->setChecked(true);
  dialog.titlePosition(1)->setChecked(true);
  dialog.colourBarCheck()->click();
  EXPECT_FALSE(dialog.flippedCheck()->isEnabled());
  dialog.coastChooser()->selectButton()->click();
  dialog.row(0)->checkBox()->click();
  dialog.frameRateEdit()->setText("45");
  dialog.accept();
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{21}));
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  const auto file = fromFile();
  EXPECT_FALSE(flagOf(*file, app::kIdAnmOutTtlIndiFlg));
  EXPECT_TRUE(flagOf(*file, app::kIdAnmOutFileNameFlg));
  EXPECT_EQ(valueOf(*file, app::kIdAnmOutFileNamePnt), 0);
  EXPECT_EQ(valueOf(*file, app::kIdAnmOutTtlIndiPnt), 1);
  EXPECT_FALSE(flagOf(*file, app::kIdExpIndiFlg));
  EXPECT_EQ(valueOf(*file, app::kIdShrIndClr), 0x00ABCDEF);
  EXPECT_FALSE(flagOf(*file, app::kIdLatLonIndiFlg));
  EXPECT_EQ(valueOf(*file, app::kIdFrmRtNum), 10);
}

TEST_F(MovieDialog, TitleLimitAndCancel) {
  settings.ComSetStr(app::kIdAnmTitle, "orbit.h5");
  {
    app::ComMovOutConf dialog(settings);
    EXPECT_EQ(dialog.titleEdit()->text(), "orbit.h5");
    dialog.titleEdit()->setText(QString(250, QLatin1Char('t')));
    leave(dialog.titleEdit());
    EXPECT_TRUE(messages.entries().empty());
    dialog.titleEdit()->setText(QString(126, QChar(0xFF21)));  // 252 half-width units
    leave(dialog.titleEdit());
    EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{29}));
    EXPECT_EQ(dialog.titleEdit()->text(), "orbit.h5");
  }
  // Cancel changes nothing, not even what the background row wrote through.
  ColourAnswer answer(0x00112233);
  app::ComMovOutConf dialog(settings);
  dialog.titleEdit()->setText("changed");
  dialog.row(2)->selectButton()->click();
  dialog.row(2)->checkBox()->click();
  EXPECT_EQ(valueOf(settings, app::kIdBckIndiClr), 0x00112233);
  dialog.reject();
  EXPECT_EQ(textOf(settings, app::kIdAnmTitle), "orbit.h5");
  EXPECT_EQ(valueOf(settings, app::kIdBckIndiClr), 0x00A90000);
  EXPECT_TRUE(flagOf(settings, app::kIdBckIndiFlg));
  EXPECT_EQ(valueOf(settings, app::kIdBackClrFlg), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(MovieDialog, RunReturnsOneForOkAndZeroForCancel) {
  for (const bool ok : {true, false}) {
    QTimer::singleShot(0, [ok] {
      auto* dialog = qobject_cast<app::ComMovOutConf*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->titleEdit()->setText(QStringLiteral("run"));
      if (ok) dialog->accept();
      else dialog->reject();
    });
    EXPECT_EQ(app::runMovieOutputDialog(nullptr, settings), ok ? 1 : 0);
    EXPECT_EQ(textOf(settings, app::kIdAnmTitle), "run");  // stored by OK, and kept after
  }
  EXPECT_EQ(textOf(settings, app::kIdAnmTitle), "run");
}

}  // namespace
