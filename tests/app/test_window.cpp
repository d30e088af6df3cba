// The program in a real window: started under a virtual X display with a product on its
// command line, it shows the map view; the window system's picture of it must show what the
// view painter paints for that product: the observations in their colours at their projected
// pixels, the coastline, the colour bar.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/settings/settings_store.h"
#include "app/view_settings.h"
#include "map/display_manager.h"
#include "map/view_painter.h"
#include "map/world_map.h"
#include "product_model/product_object.h"
#include "run_command.h"
#include "temp_dir.h"

namespace app = kivo::app;
namespace map = kivo::map;
namespace model = kivo::model;
using kivo::test::shellQuote;
using kivo::test::TempDir;

namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "test_app_window";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
  }
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

struct Shown {
  QImage window;
  QRect view;  // the map view's drawing area in the window picture
};

// Runs the program with `product` under Xvfb until it has saved its screenshot.
bool showInWindow(const TempDir& dir, const std::string& product, Shown& shown) {
  const std::string runtime = dir.file("runtime");
  std::filesystem::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  const std::string picture = dir.file("window.png");
  const std::string command =
      "cd " + shellQuote(dir.file("")) + " && XDG_RUNTIME_DIR=" + shellQuote(runtime) +
      " KIVO_MESSAGES=stderr KIVO_MESH_DELAY_MS=0 KIVO_SETTINGS=" + shellQuote(dir.file("KIVOMeriview.ini")) +
      " KIVO_SCREENSHOT=" + shellQuote(picture) + " QT_QPA_PLATFORM=xcb timeout 300 xvfb-run -a -s '-screen 0 1280x1024x24' " +
      shellQuote(std::string(KIVO_BIN_DIR) + "/kivo-meriview") + " " + shellQuote(product) + " > " +
      shellQuote(dir.file("run.log")) + " 2>&1";
  const int status = std::system(command.c_str());
  if (status != 0) {
    std::ifstream log(dir.file("run.log"));
    ADD_FAILURE() << "kivo-meriview ended with " << status << ":\n" << std::string(std::istreambuf_iterator<char>(log), {});
    return false;
  }
  std::ifstream where(picture + ".view");
  int x = 0, y = 0, w = 0, h = 0;
  if (!(where >> x >> y >> w >> h) || w <= 0 || h <= 0) return false;
  shown.view = QRect(x, y, w, h);
  shown.window = QImage(QString::fromStdString(picture)).convertToFormat(QImage::Format_RGB32);
  return !shown.window.isNull() && shown.window.rect().contains(shown.view);
}

// What the view painter paints for the product's channel in a view of that size, at the
// start: equirectangular, centred on 180 E, magnification 1, the default settings.
QImage painted(const std::string& product, int chnl, QSize size, std::string& caption) {
  model::ComPrdctMngmnt object({std::string(KIVO_BIN_DIR) + "/data/", nullptr, 0});
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  if (object.ComOpenPrdctFile(product, slot, name, projection, known) != 0 || object.ComLoadChnl(slot, chnl) != 0) return {};
  kivo::colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  map::ChannelChoice channels;
  channels.chnl[0] = chnl;
  if (manager.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}) != 0) return {};
  app::ComPrpCnfInfo settings(std::string(KIVO_BIN_DIR) + "/", std::string(KIVO_BIN_DIR) + "/.no-settings.ini");
  settings.ComReadCnf();
  map::ComWorldMap world;
  world.ComLoadMapFile(1, app::mapFile(settings, app::kIdMapFile));
  world.ComLoadMapFile(2, app::mapFile(settings, app::kIdMapFile2));
  map::ViewPaintRequest request;
  request.view = map::ViewParams{map::kProjEqr, 180000000, 0, 1.0, 0};
  request.world = &world;
  request.product = &manager;
  request.table = &table;
  request.colourBar = map::ColourBarPlacement::initial(size.height());
  std::string title;
  object.ComGetTitle(slot, chnl, title, true);
  request.colourBar.caption = caption = name + " " + title;
  kivo::draw::Surface surface(size.width(), size.height());
  map::paintView(surface, request, app::viewPaintSettings(settings));
  return surface.image().convertToFormat(QImage::Format_RGB32);
}

void expectWindowShows(const std::string& product, int chnl) {
  TempDir dir;
  Shown shown;
  ASSERT_TRUE(showInWindow(dir, product, shown));
  std::string caption;
  const QImage expected = painted(product, chnl, shown.view.size(), caption);
  ASSERT_FALSE(expected.isNull());
  const QImage actual = shown.window.copy(shown.view);
  long equal = 0, observations = 0, coast = 0;
  const QRgb white = qRgb(255, 255, 255);
  const QRgb background = qRgb(0, 0, 0xA9);  // the default map background (0x00A90000)
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb e = expected.pixel(x, y), a = actual.pixel(x, y);
      if (e == a) ++equal;
      // Product pixels: neither background, nor black, nor the map layer's colours.
      const bool product = e != background && e != white && qRed(e) + qGreen(e) + qBlue(e) > 0 &&
                           !(qRed(e) == qGreen(e) && qGreen(e) == qBlue(e));
      if (product && e == a) ++observations;
      if (e == white && a == white) ++coast;
    }
  }
  const double total = static_cast<double>(expected.width()) * expected.height();
  EXPECT_GT(equal / total, 0.995) << caption;
  EXPECT_GT(observations, 1000) << "the observations are not shown in their colours";
  EXPECT_GT(coast, 1000) << "no coastline";
  // The colour bar's white background at its first place.
  const auto bar = map::ColourBarPlacement::initial(shown.view.height());
  const QPoint barPixel(shown.view.width() / 2 + bar.x + 100, shown.view.height() / 2 - (bar.y - 2));
  EXPECT_EQ(actual.pixel(barPixel), white);
}

const std::string kSamples = KIVO_SAMPLE_DIR;

TEST(Window, Level1BFromTheCommandLine) {
  const std::string product = kSamples + "/GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";
  if (!std::filesystem::exists(product)) GTEST_SKIP() << "no sample products";
  expectWindowShows(product, 1);  // the first channel of the list: 6.9GHz-V
}

TEST(Window, Level3FromTheCommandLine) {
  const std::string product = kSamples + "/GW1AM2_20120703_01D_EQMA_L3SGT36HA2220220.h5";
  if (!std::filesystem::exists(product)) GTEST_SKIP() << "no sample products";
  expectWindowShows(product, 25);  // Brightness Temperature (V) of the file
}

}  // namespace
