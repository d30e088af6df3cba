// The main window: progress texts, command routing, start-up messages, help pages, size
// limits, and the single running instance.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMdiSubWindow>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/notifications.h"
#include "run_command.h"
#include "temp_dir.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
using kivo::test::TempDir;

namespace {

std::vector<app::MsgCode> codes(const app::RecordingMessagePresenter& r) {
  std::vector<app::MsgCode> out;
  for (const auto& e : r.entries()) out.push_back(e.code);
  return out;
}

class MainFrame : public ::testing::Test {
 protected:
  // A main window over the staged program folder, with its own settings file.
  std::unique_ptr<app::CMainFrame> frame(const std::string& settingsText = {}, std::string folder = {}) {
    const std::string settings = dir.file("KIVOMeriview.ini");
    if (!settingsText.empty()) kivo::test::writeBytes(settings, settingsText);
    app::MainFrameOptions options;
    options.programFolder = folder.empty() ? std::string(KIVO_BIN_DIR) + "/" : folder;
    options.settingsPath = settings;
    options.meshDelayMs = 0;
    return std::make_unique<app::CMainFrame>(options);
  }
  TempDir dir;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
};

TEST(MeshProgress, TextsOfTheNotification) {
  const struct {
    unsigned w, n;
    bool changes;
    const char* text;
    bool clearLater;
  } cases[] = {
      {5, 0, false, "", false},
      {5, 20, true, "補間データ作成中:25%", false},
      {8, 20, true, "補間データ作成中:40%", false},
      {7, 1, true, "補間データ作成中", false},
      {0, 3, true, "補間データ作成中:0%", false},
      {0xFFFF, 3, true, "補間データ作成完了", false},
      {0x10000, 1, true, "補間データ調整中", false},
      {0x1FFFF, 1, true, "補間データ調整完了", true},
  };
  for (const auto& c : cases) {
    const app::MeshProgress p = app::meshProgress(c.w, c.n);
    EXPECT_EQ(p.changes, c.changes) << c.w << "/" << c.n;
    if (c.changes) {
      EXPECT_EQ(p.text.toStdString(), c.text) << c.w << "/" << c.n;
    }
    EXPECT_EQ(p.clearLater, c.clearLater) << c.w << "/" << c.n;
  }
}

// Notifications are queued: the status pane changes only once the event loop delivers them.
TEST_F(MainFrame, ProgressArrivesQueuedAndClears) {
  auto f = frame();
  f->postMeshData(5, 20);
  EXPECT_EQ(f->progressText().toStdString(), "");
  QApplication::processEvents();
  EXPECT_EQ(f->progressText().toStdString(), "補間データ作成中:25%");
  f->postMeshData(9, 0);  // lParam 0 changes nothing
  QApplication::processEvents();
  EXPECT_EQ(f->progressText().toStdString(), "補間データ作成中:25%");
  f->postValueData(QStringLiteral("value= 1.000"));
  QApplication::processEvents();
  EXPECT_EQ(f->progressText().toStdString(), "value= 1.000");
  f->postShowErrMsg(26);
  EXPECT_TRUE(messages.entries().empty());
  QApplication::processEvents();
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{26}));
}

TEST_F(MainFrame, MapCommandsNeedAnActiveMapView) {
  auto f = frame();
  for (int id : {cmd::kZoomIn, cmd::kProjEqr, cmd::kSaveImage, cmd::kCopyWindow, cmd::kModePan}) {
    ASSERT_NE(f->action(id), nullptr) << id;
    EXPECT_FALSE(f->action(id)->isEnabled()) << id;
  }
  EXPECT_TRUE(f->action(cmd::kOpenAmsr2)->isEnabled());
  EXPECT_TRUE(f->action(cmd::kVersion)->isEnabled());
  // Every command of the table has an action.
  for (int id : {32878, 32879, 32894, 32881, 32882, 32792, 32793, 32794, 32795, 32815, 32834, 32835, 32895, 32791,
                 57665, 59392, 59393, 32799, 32800, 32817, 32797, 32842, 32808, 32809, 32806, 32807, 32891, 32851,
                 32858, 32810, 32887, 32862, 32863, 32819, 32812, 32813, 32821, 32785, 32869, 32870, 32886, 32888,
                 32889, 32890, 32884, 32885, 57664, 32801, 32802, 32803, 32818, 32805}) {
    EXPECT_NE(f->action(id), nullptr) << id;
  }
  // A map view made active enables them.
  app::ComPrdctMpDsp* view = f->openMapView(QStringLiteral("view"), true);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(f->mapViewCount(), 1);
  EXPECT_EQ(f->activeMapView(), view);
  f->runCommand(cmd::kZoomOut);  // routed to the view; refreshes the states
  EXPECT_TRUE(f->action(cmd::kZoomIn)->isEnabled());
  EXPECT_TRUE(f->action(cmd::kProjEqr)->isChecked());
  f->mdiArea()->closeAllSubWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(f->mapViewCount(), 0);
  EXPECT_FALSE(f->action(cmd::kZoomIn)->isEnabled());
}

TEST_F(MainFrame, StartUpMessagesForMissingMapsAndPages) {
  {
    // A missing first map file is reported once; a missing second one is not.
    auto f = frame("[MAP]\r\nMAP_FILE=" + dir.file("none.b") + "\r\nMAP_FILE2=" + dir.file("none2.b") + "\r\n");
    EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{1}));
  }
  messages.clear();
  {
    auto f = frame("[MAP]\r\nMAP_FILE2=" + dir.file("none2.b") + "\r\n");
    EXPECT_TRUE(messages.entries().empty());
  }
  // A program folder of its own: no map files, no help pages.
  messages.clear();
  std::filesystem::create_directories(dir.file("program"));
  auto f = frame({}, dir.file("program") + "/");
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{1}));
  messages.clear();
  f->runCommand(cmd::kHelp);
  f->runCommand(cmd::kRelatedLink);
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{24, 25}));
}

TEST_F(MainFrame, BatchHistoryToggleAndSizeLimits) {
  auto f = frame();
  f->show();
  QApplication::processEvents();
  auto* history = f->findChild<QDockWidget*>(QStringLiteral("batchHistoryBar"));
  ASSERT_NE(history, nullptr);
  EXPECT_FALSE(history->isVisible());
  EXPECT_FALSE(f->action(cmd::kBatchHistory)->isChecked());
  EXPECT_GE(f->minimumWidth(), 343);
  EXPECT_EQ(f->minimumHeight(), 126);
  f->runCommand(cmd::kBatchHistory);
  QApplication::processEvents();
  EXPECT_TRUE(history->isVisible());
  EXPECT_TRUE(f->action(cmd::kBatchHistory)->isChecked());
  EXPECT_EQ(f->minimumHeight(), 289);
  f->runCommand(cmd::kBatchHistory);
  QApplication::processEvents();
  EXPECT_FALSE(f->action(cmd::kBatchHistory)->isChecked());
  EXPECT_EQ(f->minimumHeight(), 126);
}

// A second copy of the program shows message 34 and ends; the first keeps running.
TEST(SingleInstance, SecondCopyIsRefused) {
  TempDir dir;
  const std::string runtime = dir.file("runtime");
  std::filesystem::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  const std::string env = "QT_QPA_PLATFORM=offscreen KIVO_MESSAGES=stderr XDG_RUNTIME_DIR=" + kivo::test::shellQuote(runtime) +
                          " KIVO_SETTINGS=" + kivo::test::shellQuote(dir.file("KIVOMeriview.ini"));
  const std::string program = kivo::test::shellQuote(std::string(KIVO_BIN_DIR) + "/kivo-meriview");
  // The first copy quits by itself after a few seconds.
  const std::string first = env + " KIVO_SCREENSHOT=" + kivo::test::shellQuote(dir.file("first.png")) +
                            " KIVO_SCREENSHOT_TIMEOUT_MS=6000 " + program + " >/dev/null 2>&1 & echo $!";
  FILE* started = ::popen(first.c_str(), "r");
  ASSERT_NE(started, nullptr);
  char pid[32] = {};
  ASSERT_NE(std::fgets(pid, sizeof pid, started), nullptr);
  ::pclose(started);
  ::sleep(2);
  FILE* second = ::popen((env + " " + program + " 2>&1; echo status=$?").c_str(), "r");
  ASSERT_NE(second, nullptr);
  std::string output;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, second)) > 0) output.append(buffer, n);
  ::pclose(second);
  EXPECT_NE(output.find("このアプリケーションはすでに開いています"), std::string::npos) << output;
  EXPECT_NE(output.find("status=1"), std::string::npos) << output;
  // The first copy is still running, then ends normally.
  const std::string alive = "kill -0 " + std::string(pid);
  EXPECT_EQ(std::system(alive.c_str()), 0);
  for (int i = 0; i < 40 && std::system((alive + " 2>/dev/null").c_str()) == 0; ++i) ::usleep(250000);
  EXPECT_TRUE(std::filesystem::exists(dir.file("first.png")));
}

}  // namespace

// The widgets need an application object that outlives every test and ends before the
// program's static objects do.
int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
