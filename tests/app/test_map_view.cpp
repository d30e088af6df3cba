// The map view in the main window (offscreen): commands and the mouse change the view and
// its picture, the observations appear at their pixels in their colours, the position and
// value under the cursor, the clipboard, messages, and the slots the view holds.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <memory>
#include <string>
#include <vector>

#include "app/batch/batch_history.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/map_view/select_area_dialog.h"
#include "app/table_chooser_bar.h"
#include "app/messages.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace app = kivo::app;
namespace cmd = kivo::app::cmd;
namespace map = kivo::map;
namespace model = kivo::model;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

// The application goes before the program's own exit: Qt's input devices are gone by then.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "test_app_views";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0); }
constexpr int k89AH = 20;
const QRgb kBlue = qRgb(0, 0, 255);  // the automatic table's colour of the smallest value

std::vector<app::MsgCode> codes(const app::RecordingMessagePresenter& r) {
  std::vector<app::MsgCode> out;
  for (const auto& e : r.entries()) out.push_back(e.code);
  return out;
}

template <typename Condition>
bool waitFor(Condition condition) {
  for (int i = 0; i < 1000 && !condition(); ++i) QTest::qWait(10);
  return condition();
}

class MapView : public ::testing::Test {
 protected:
  void SetUp() override {
    app::MainFrameOptions options;
    options.programFolder = std::string(KIVO_BIN_DIR) + "/";
    options.settingsPath = dir.file("KIVOMeriview.ini");
    options.meshDelayMs = 0;
    frame = std::make_unique<app::CMainFrame>(options);
    frame->setBatchHistory(&history);
    frame->show();
    object = frame->productObjects()[0];
    messages.clear();  // what the main window reported at its start is not the views'
  }
  void TearDown() override { frame.reset(); }

  // A Level 1B product: 100 K over 19..22 E, 9..12 N and 300 K over 22..19 W, 12..9 S, one
  // observation in every 0.1-degree cell.
  int openProduct() {
    std::vector<float> lat, lon;
    std::vector<unsigned short> counts;
    for (int sign : {1, -1}) {
      for (int i = 0; i <= 30; ++i) {
        for (int j = 0; j <= 30; ++j) {
          lat.push_back(static_cast<float>(sign * (9.05 + 0.1 * i)));
          lon.push_back(static_cast<float>(sign * (19.05 + 0.1 * j)));
          counts.push_back(sign > 0 ? 10000 : 30000);
        }
      }
    }
    const unsigned long long n = lat.size();
    TinyProduct p(dir.file("l1b.h5"));
    p.head("AMSR2-L1B", 0);
    for (const char* band : {"89A", "89B"}) {
      p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
      p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
    }
    for (const char* c : {"Brightness Temperature (89.0GHz-A,V)", "Brightness Temperature (89.0GHz-A,H)",
                          "Brightness Temperature (89.0GHz-B,V)"}) {
      p.data(c, Stored::U16, {1, n}, counts, 0.01f);
    }
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    EXPECT_EQ(object->ComOpenPrdctFile(p.close(), slot, name, projection, known), 0);
    EXPECT_EQ(object->ComLoadChnl(slot, k89AH), 0);
    object->ComStartMesh();
    return slot;
  }

  app::ComPrdctMpDsp* openView(int slot, bool hdfOutput = false) {
    app::ComPrdctMpDsp* view = frame->openMapView("view", true);
    EXPECT_NE(view, nullptr);
    view->resize(800, 550);
    app::ComPrdctMpDsp::ViewProduct product;
    product.slots[0] = {slot};
    product.channels[0] = k89AH;
    product.hdfOutput = hdfOutput;
    EXPECT_EQ(view->ComSetViewPrdct(product), 0);
    return view;
  }

  // The device pixel of a position in the view's current state (equirectangular).
  static QPoint pixelOf(app::ComPrdctMpDsp* view, double lonDeg, double latDeg) {
    int x = 0, y = 0;
    map::projectForView(view->viewState().params(), deg(lonDeg), deg(latDeg), x, y);
    return QPoint(x + view->width() / 2, view->height() / 2 - y);
  }

  static void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), type == QEvent::MouseMove ? Qt::NoButton : button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
  }
  static void drag(QWidget* w, QPoint from, QPoint to) {
    mouse(w, QEvent::MouseButtonPress, from);
    mouse(w, QEvent::MouseMove, to);
    mouse(w, QEvent::MouseButtonRelease, to);
  }

  TempDir dir;
  app::RecordingBatchHistory history;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
  std::unique_ptr<app::CMainFrame> frame;
  model::ComPrdctMngmnt* object = nullptr;
};

TEST_F(MapView, CommandsChangeTheViewAndItsPicture) {
  app::ComPrdctMpDsp* view = openView(openProduct());
  ASSERT_EQ(frame->mapViewCount(), 1);
  const QPoint observation = pixelOf(view, 20.5, 10.5);
  EXPECT_EQ(view->picture().pixel(observation), kBlue);
  EXPECT_FALSE(view->commandEnabled(cmd::kBack));
  EXPECT_TRUE(view->commandChecked(cmd::kProjEqr));

  frame->runCommand(cmd::kZoomIn);
  EXPECT_EQ(view->viewState().magnification(), 2.0);
  EXPECT_TRUE(view->pictureOutdated());
  EXPECT_NE(view->picture().pixel(observation), kBlue);  // 20.5 E now lies off to the left
  ASSERT_EQ(history.mapChanges.size(), 1u);
  EXPECT_EQ(history.mapChanges[0].magnification, 2.0);
  EXPECT_EQ(history.mapChanges[0].centreLon, deg(180));
  EXPECT_EQ(history.mapChanges[0].projectionName, "EQR");
  EXPECT_EQ(history.mapChanges[0].width, view->width());

  ASSERT_TRUE(view->commandEnabled(cmd::kBackToolBar));
  frame->runCommand(cmd::kBackToolBar);
  EXPECT_EQ(view->picture().pixel(observation), kBlue);
  EXPECT_EQ(history.mapChanges.size(), 2u);

  // Projections, standard longitudes and modes with their enabling rules.
  EXPECT_FALSE(view->commandEnabled(cmd::kStdLon0 + 2));
  frame->runCommand(cmd::kProjNorth);
  EXPECT_TRUE(view->commandChecked(cmd::kProjNorth));
  EXPECT_FALSE(view->commandEnabled(cmd::kModeSelect));
  ASSERT_TRUE(view->commandEnabled(cmd::kStdLon0 + 2));
  frame->runCommand(cmd::kStdLon0 + 2);
  EXPECT_EQ(view->viewState().params().stdLon, 90);
  EXPECT_TRUE(view->commandChecked(cmd::kStdLon0 + 2));
  EXPECT_EQ(history.mapChanges.back().projectionName, "PN");
  frame->runCommand(cmd::kProjEqr);
  frame->runCommand(cmd::kModePan);
  EXPECT_TRUE(view->commandChecked(cmd::kModePan));
  EXPECT_EQ(view->cursor().shape(), Qt::OpenHandCursor);

  // Outputs follow the HDF output mode; a single channel is edited as a colour table, not as a
  // look-up table.
  EXPECT_TRUE(view->commandEnabled(cmd::kSaveImage));
  EXPECT_FALSE(view->commandEnabled(cmd::kSaveHdf));
  EXPECT_TRUE(view->commandEnabled(cmd::kMetaData));
  EXPECT_TRUE(view->commandEnabled(cmd::kEditColourTable));
  EXPECT_FALSE(view->commandEnabled(cmd::kEditLookupTable));

  frame->runCommand(cmd::kBarVertical);
  EXPECT_TRUE(view->commandChecked(cmd::kBarVertical));
  EXPECT_TRUE(view->pictureOutdated());
  EXPECT_TRUE(codes(messages).empty());
  frame->runCommand(cmd::kZoomOut);
  EXPECT_EQ(codes(messages), std::vector<app::MsgCode>{6});
}

TEST_F(MapView, PositionAndValueUnderTheCursor) {
  app::ComPrdctMpDsp* view = openView(openProduct());
  ASSERT_TRUE(waitFor([&] { return view->displayManager().gridCopied(); }));
  view->picture();
  view->waitForScreenTable();
  mouse(view, QEvent::MouseMove, pixelOf(view, 20.5, 10.5));
  const QString status = view->statusText();
  EXPECT_TRUE(status.startsWith("AMSR2 Level 1B Brightness Temperature")) << status.toStdString();
  EXPECT_TRUE(status.contains("lat=10.")) << status.toStdString();
  EXPECT_TRUE(status.contains("lon=20.")) << status.toStdString();
  EXPECT_EQ(view->valueText(), "value= 100.000");
  QCoreApplication::processEvents();
  EXPECT_EQ(frame->progressText(), "value= 100.000");

  mouse(view, QEvent::MouseMove, QPoint(5, 5));  // beside the map
  EXPECT_TRUE(view->statusText().endsWith("lat=--- lon=---"));
  EXPECT_EQ(view->valueText(), "value= ---");

  // Right after a paint the positions are being gathered again: the mouse does not wait.
  frame->runCommand(cmd::kZoomIn);
  view->picture();
  mouse(view, QEvent::MouseMove, QPoint(view->width() / 2, view->height() / 2));
  if (!view->screenTableReady()) {
    EXPECT_TRUE(view->statusText().endsWith("lat=--- lon=---"));
  }
  view->waitForScreenTable();
  mouse(view, QEvent::MouseMove, QPoint(view->width() / 2, view->height() / 2));
  EXPECT_TRUE(view->statusText().contains("lon=180.") || view->statusText().contains("lon=-180."))
      << view->statusText().toStdString();
}

TEST_F(MapView, MouseZoomPanWheelAndColourBar) {
  app::ComPrdctMpDsp* view = openView(openProduct());
  ASSERT_EQ(view->size(), QSize(800, 550));
  view->picture();
  view->waitForScreenTable();

  // A 50 x 50 band zooms by 550 / 50 around its middle (85, 255).
  drag(view, QPoint(60, 230), QPoint(110, 280));
  EXPECT_EQ(view->viewState().magnification(), 11.0);
  EXPECT_EQ(view->viewState().params().cx, deg(22.5));
  EXPECT_EQ(view->viewState().params().cy, deg(10));
  EXPECT_TRUE(view->viewState().selection().valid);  // the band's corners were on the map

  // A band of 10 x 10 pixels is a click: recentred, not zoomed.
  drag(view, QPoint(400, 275), QPoint(410, 285));
  EXPECT_EQ(view->viewState().magnification(), 11.0);

  frame->runCommand(cmd::kReset);
  frame->runCommand(cmd::kModePan);
  const std::size_t records = history.mapChanges.size();
  mouse(view, QEvent::MouseButtonPress, QPoint(400, 275));
  EXPECT_EQ(view->cursor().shape(), Qt::ClosedHandCursor);
  mouse(view, QEvent::MouseMove, QPoint(450, 275));
  EXPECT_EQ(view->viewState().params().cx, deg(155));  // the map follows the pointer
  mouse(view, QEvent::MouseMove, QPoint(500, 275));
  mouse(view, QEvent::MouseButtonRelease, QPoint(500, 275));
  EXPECT_EQ(view->viewState().params().cx, deg(130));
  EXPECT_EQ(view->cursor().shape(), Qt::OpenHandCursor);
  EXPECT_EQ(history.mapChanges.size(), records + 1);  // one record for the whole drag

  QWheelEvent wheel(QPointF(400, 275), view->mapToGlobal(QPointF(400, 275)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &wheel);
  EXPECT_EQ(view->viewState().magnification(), 2.0);

  // The horizontal colour bar (offset -250..250, -265..-205) moves only when dragged more
  // than 10 pixels.
  frame->runCommand(cmd::kModeZoom);
  view->picture();
  const int barX = view->viewState().colourBar().x;
  drag(view, QPoint(200, 510), QPoint(205, 515));
  EXPECT_EQ(view->viewState().colourBar().x, barX);
  EXPECT_EQ(view->viewState().magnification(), 2.0);  // not a zoom either
  drag(view, QPoint(200, 510), QPoint(211, 510));
  EXPECT_EQ(view->viewState().colourBar().x, barX + 11);
}

TEST_F(MapView, ClipboardAndSelection) {
  app::ComPrdctMpDsp* view = openView(openProduct());
  frame->runCommand(cmd::kCopyWindow);
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            view->picture().convertToFormat(QImage::Format_RGB32));

  frame->runCommand(cmd::kCopySelection);
  EXPECT_EQ(codes(messages), std::vector<app::MsgCode>{13});

  // The "Select Area" dialog: a field that is not a number is refused and emptied.
  QTimer::singleShot(0, [&] {
    auto* dialog = view->findChild<app::ComSelectArea*>();
    ASSERT_NE(dialog, nullptr);
    const char* texts[] = {"abc", "19", "9", "22"};
    for (int i = 0; i < 4; ++i) dialog->field(i)->setText(texts[i]);
    dialog->accept();
    EXPECT_TRUE(dialog->field(0)->text().isEmpty());
    dialog->field(0)->setText("12");
    dialog->accept();
  });
  frame->runCommand(cmd::kSelectArea);
  EXPECT_EQ(codes(messages), (std::vector<app::MsgCode>{13, 7}));
  ASSERT_TRUE(view->viewState().selection().valid);
  EXPECT_EQ(view->viewState().selection().upperLeft.y, deg(12));
  EXPECT_EQ(view->viewState().selection().lowerRight.x, deg(22));

  // 3 x 3 degrees at half a degree per pixel, all of it observed at 100 K.
  frame->runCommand(cmd::kCopySelection);
  const QImage area = QGuiApplication::clipboard()->image();
  EXPECT_GE(area.width(), 6);
  EXPECT_LE(area.width(), 8);
  EXPECT_GE(area.height(), 6);
  EXPECT_LE(area.height(), 8);
  EXPECT_EQ(area.pixel(area.width() / 2, area.height() / 2) | 0xFF000000u, kBlue);
  EXPECT_EQ(codes(messages).size(), 2u);

  // In HDF output mode the picture outputs give way to "Save as HDF" with a selection.
  app::ComPrdctMpDsp* hdf = openView(view->product().slots[0][0], true);
  EXPECT_FALSE(hdf->commandEnabled(cmd::kSaveImage));
  EXPECT_FALSE(hdf->commandEnabled(cmd::kSaveHdf));
  hdf->setSelection(view->viewState().selection());
  EXPECT_TRUE(hdf->commandEnabled(cmd::kSaveHdf));
}

TEST_F(MapView, TableChangesRepaintAndTheViewHoldsItsSlot) {
  const int slot = openProduct();
  app::ComPrdctMpDsp* view = openView(slot);
  const QPoint observation = pixelOf(view, 20.5, 10.5);
  ASSERT_EQ(view->picture().pixel(observation), kBlue);

  // "KIVO_PREVIEW" after a table change draws the view again with the new table.
  ASSERT_EQ(frame->activeMapView(), view);
  for (int k = 0; k < 9; ++k) {
    for (int c = 0; c < 3; ++c) view->colourTable().ComSetClrPrm(c, k, c == 1 ? 255 : 0);
  }
  frame->postPreview();
  QCoreApplication::processEvents();
  EXPECT_EQ(view->picture().pixel(observation), qRgb(0, 255, 0));

  // The panel lets go of the file: the view keeps it and its channel.
  EXPECT_EQ(object->ComResetGrid(slot, k89AH), 2);
  ASSERT_EQ(object->ComClosePrdct(slot, false), 0);
  view->refresh();
  EXPECT_EQ(view->picture().pixel(observation), qRgb(0, 255, 0));
  EXPECT_NE(object->ComGetPrdctType(slot), kivo::io::PrdctType::None);

  // Closing the view frees the slot and the view count, and the chooser bar no longer loads
  // tables into the view's table.
  ASSERT_GT(frame->tableChooser().list()->count(), 1);
  delete view->parentWidget();
  EXPECT_EQ(frame->mapViewCount(), 0);
  EXPECT_EQ(object->ComGetPrdctType(slot), kivo::io::PrdctType::None);
  Q_EMIT frame->tableChooser().list()->activated(1);
  EXPECT_EQ(frame->tableChooser().logic().selection(), 0);
}

}  // namespace
