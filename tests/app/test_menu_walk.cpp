// A walk through the whole menu: every command of the main window issued once against a
// shown product, in each projection's view, with every modal window answered by Cancel. None
// may crash or hang, and the program must close cleanly afterwards (the sanitizer build
// reports any leak or misuse of memory on the way).

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "app/open_panel/file_open_panel.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

// Closes whatever modal window opens: dialogs are cancelled, other windows closed.
class ModalCloser {
 public:
  ModalCloser() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      ++closed;
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      else modal->close();
    });
    timer_.start();
  }
  int closed = 0;

 private:
  QTimer timer_;
};

std::string product(const TempDir& dir) {
  std::vector<float> lat, lon;
  std::vector<unsigned short> counts;
  for (int i = 0; i <= 20; ++i) {
    for (int j = 0; j <= 20; ++j) {
      lat.push_back(static_cast<float>(30.05 + 0.1 * i));
      lon.push_back(static_cast<float>(130.05 + 0.1 * j));
      counts.push_back(static_cast<unsigned short>(20000 + 10 * j));
    }
  }
  const unsigned long long n = lat.size();
  TinyProduct p(dir.file("walk.h5"));
  p.head("AMSR2-L1B", 0, "GW1AM2_201207031905_234A_L1SGBTBR_2220220");
  for (const char* band : {"89A", "89B"}) {
    p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
    p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
  }
  p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts, 0.01f);
  p.data("Brightness Temperature (89.0GHz-A,V)", Stored::U16, {1, n}, counts, 0.01f);
  return p.close();
}

TEST(MenuWalk, EveryCommandOnceWithAShownProduct) {
  TempDir dir;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
  app::MainFrameOptions options;
  options.programFolder = std::string(KIVO_BIN_DIR) + "/";
  options.settingsPath = dir.file("KIVOMeriview.ini");
  options.meshDelayMs = 0;
  auto frame = std::make_unique<app::CMainFrame>(options);
  frame->settings().ComSetStr(app::kIdOutputDir, dir.file("out"));
  frame->show();

  app::ComFlOpnView* panel = frame->ComOpnFlPanel(app::kFamilyAmsr2, false);
  ASSERT_NE(panel, nullptr);
  kivo::test::writeBytes(dir.file("list.txt"), product(dir) + "\n");
  app::BtchOpnRec request;
  request.productWord = "AMSR2";
  request.levelWord = "Level 1B";
  request.channels[0] = "89AH";
  request.fileListName = dir.file("list.txt");
  app::ComPrdctMpDsp* view = nullptr;
  ASSERT_EQ(panel->ComBtchLoad(request, &view), 0);
  ASSERT_NE(frame->activeMapView(), nullptr);

  // Every command the menus and the tool bar offer, by id; Quit comes last.
  std::set<int> ids;
  for (QAction* a : frame->findChildren<QAction*>()) {
    bool ok = false;
    const int id = a->data().toInt(&ok);
    if (ok && id > 0) ids.insert(id);
  }
  ASSERT_GT(ids.size(), 40u);
  ids.erase(cmd::kQuit);

  ModalCloser closer;
  for (const int projection : {cmd::kProjEqr, cmd::kProjNorth, cmd::kProjBoth, cmd::kProjMercator}) {
    frame->runCommand(projection);
    for (const int id : ids) {
      // Commands that open new windows go on against whatever window is active then.
      frame->runCommand(id);
      QCoreApplication::processEvents();
    }
    // The next round starts from the product's view again.
    if (app::ComPrdctMpDsp* view = frame->activeMapView()) {
      if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget())) frame->mdiArea()->setActiveSubWindow(sub);
    }
  }
  QCoreApplication::processEvents();
  frame->runCommand(cmd::kQuit);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
  EXPECT_FALSE(frame->isVisible());
  EXPECT_EQ(frame->mapViewCount(), 0);
  frame.reset();
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
