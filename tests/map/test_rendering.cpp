// Drawing products and the map layer onto a surface: pixels at the projected positions of
// known observations, the claim rules, Level 3 cells, coastlines and the colour bar.

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "colour/colour_bar.h"
#include "draw/png_file.h"
#include "map/display_manager.h"
#include "map/view_painter.h"
#include "temp_dir.h"
#include "tiny_product.h"
#include "map/world_map.h"

namespace map = kivo::map;
namespace model = kivo::model;
namespace colour = kivo::colour;
namespace draw = kivo::draw;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0); }

// Fonts need a GUI application; one for the whole test program.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "test_map";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);  // lives until the program ends
  }
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

struct Obs {
  float lat, lon;
  unsigned short count;  // 0.01 K
};

class Rendering : public ::testing::Test {
 protected:
  // A Level 1B product: 89 GHz A V/H at the A positions, 89 GHz B V at the B positions.
  std::string product(const std::vector<Obs>& a, const std::vector<Obs>& b = {}) {
    TinyProduct p(dir.file("r" + std::to_string(files_++) + ".h5"));
    p.head("AMSR2-L1B", 0);
    std::vector<Obs> bb = b.empty() ? a : b;
    const auto put = [&](const std::vector<Obs>& obs, const char* latName, const char* lonName,
                         std::vector<const char*> channels) {
      std::vector<float> lat, lon;
      std::vector<unsigned short> v;
      for (const Obs& o : obs) {
        lat.push_back(o.lat);
        lon.push_back(o.lon);
        v.push_back(o.count);
      }
      const unsigned long long n = obs.size();
      p.data(latName, Stored::F32, {1, n}, lat);
      p.data(lonName, Stored::F32, {1, n}, lon);
      for (const char* c : channels) p.data(c, Stored::U16, {1, n}, v, 0.01f);
    };
    put(a, "Latitude of Observation Point for 89A", "Longitude of Observation Point for 89A",
        {"Brightness Temperature (89.0GHz-A,V)", "Brightness Temperature (89.0GHz-A,H)"});
    put(bb, "Latitude of Observation Point for 89B", "Longitude of Observation Point for 89B",
        {"Brightness Temperature (89.0GHz-B,V)"});
    return p.close();
  }
  int open(model::ComPrdctMngmnt& object, const std::string& path, std::vector<int> channels) {
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    EXPECT_EQ(object.ComOpenPrdctFile(path, slot, name, projection, known), 0);
    for (int c : channels) EXPECT_EQ(object.ComLoadChnl(slot, c), 0);
    return slot;
  }
  // A two-point table from 0 K (black) to 100 K (full intensity) on every channel.
  static void ramp(colour::ComClrTblMng& t) {
    t.ComSetPntNum(2);
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 9; ++k) {
        t.ComSetCntVal(c, k, k < 8 ? 0.0f : 100.0f);
        t.ComSetClrPrm(c, k, k < 8 ? 0 : 255);
      }
    }
  }
  // Two files on one view: 50 K at (10.05 N, 20.05 E), then 90 K at (10.05 S, 20.05 W).
  bool twoFiles(model::ComPrdctMngmnt& object, map::ComPrdctDspMngmnt& manager, colour::ComClrTblMng& table) {
    const int first = open(object, product({{10.05f, 20.05f, 5000}}), {20});
    const int second = open(object, product({{-10.05f, -20.05f, 9000}}), {20});
    map::ChannelChoice channels;
    channels.chnl[0] = 20;
    if (manager.ComSetDspPrdct({first, second}, channels, &table, {&object, nullptr, nullptr}) != 0) return false;
    ramp(table);
    return true;
  }
  TempDir dir;
  int files_ = 0;
};

TEST_F(Rendering, ObservationsAtTheirProjectedPixels) {
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  // Two observations in one pixel (the first in file order wins), one beside them, one with
  // an invalid code, one outside the view.
  const int slot = open(object, product({{10.1f, 20.1f, 5000}, {10.2f, 20.2f, 9000}, {-30.0f, -40.0f, 2500},
                                         {0.0f, 0.0f, 65535}, {0.0f, 170.0f, 7500}}),
                        {20});
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  map::ChannelChoice channels;
  channels.chnl[0] = 20;
  ASSERT_EQ(manager.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}), 0);
  ramp(table);
  draw::Surface surface(200, 100);
  surface.clear(0);
  const map::ViewParams view{map::kProjEqr, 0, 0, 1.0, 0};
  ASSERT_EQ(manager.ComDrawPrdct(surface, view), 0);
  EXPECT_FALSE(manager.lastGridMode());
  // (20.1, 10.1) is at x = 40, y = 20 at half a degree per pixel.
  EXPECT_EQ(surface.pixel(40, 20), colour::rgb(127, 127, 127));
  EXPECT_EQ(surface.pixel(-80, -60), 0u);  // outside the 200 x 100 area: nothing drawn
  EXPECT_EQ(surface.pixel(0, 0), 0u);      // the invalid code is not drawn
  int coloured = 0;
  for (int x = -99; x < 100; ++x) {
    for (int y = -49; y < 50; ++y) coloured += surface.pixel(x, y) != 0 ? 1 : 0;
  }
  EXPECT_EQ(coloured, 1);
}

TEST_F(Rendering, GridCopyWaitsForGapFillingAndStops) {
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  const int slot = open(object, product({{10.05f, 20.05f, 5000}}), {20});
  colour::ComClrTblMng table;
  map::ChannelChoice channels;
  channels.chnl[0] = 20;
  {
    // Gap filling never started: the copy waits until it is stopped.
    map::ComPrdctDspMngmnt manager;
    ASSERT_EQ(manager.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}), 0);
    manager.ComStartGridCopy();
    manager.stopGridCopy();
    EXPECT_FALSE(manager.gridCopied());
    EXPECT_EQ(manager.ComGetGridValue(0, 2005, 1000), model::kEmptyValue);
    manager.ComStartGridCopy();
  }  // the destructor stops the waiting copy
  map::ComPrdctDspMngmnt manager;
  ASSERT_EQ(manager.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}), 0);
  ramp(table);
  manager.ComStartGridCopy();
  object.ComStartMesh();
  manager.waitGridCopy();
  ASSERT_TRUE(manager.gridCopied());
  EXPECT_FLOAT_EQ(manager.ComGetGridValue(0, 2000, 1000), 50.0f);
  // From magnification 8 the copied grid is drawn, one cell per grid value.
  draw::Surface surface(200, 200);
  surface.clear(0);
  manager.ComDrawPrdct(surface, map::ViewParams{map::kProjEqr, deg(20), deg(10), 8.0, 0});
  EXPECT_TRUE(manager.lastGridMode());
  EXPECT_EQ(surface.pixel(0, 0), colour::rgb(127, 127, 127));
  // The cell covers 0.1 degrees, 1.6 pixels at magnification 8: a block of 2 x 2 pixels.
  EXPECT_EQ(surface.pixel(-1, -1), colour::rgb(127, 127, 127));
  EXPECT_EQ(surface.pixel(2, 2), 0u);
  manager.ComDrawPrdct(surface, map::ViewParams{map::kProjEqr, deg(20), deg(10), 7.9, 0});
  EXPECT_FALSE(manager.lastGridMode());
}

// While the metadata list is open one file is drawn alone; magnified, it is drawn from that
// file's own gap-filled grid, whether or not the view's grid copy has run.
TEST_F(Rendering, OneFileDrawsItsOwnGridWhenMagnified) {
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  object.setMeshDelay(0);
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  ASSERT_TRUE(twoFiles(object, manager, table));
  object.ComStartMesh();
  object.ComWaitMesh();
  const map::ViewParams magnified{map::kProjEqr, deg(20), deg(10), 8.0, 0};
  draw::Surface surface(200, 200);
  surface.clear(0);
  ASSERT_EQ(manager.ComDrawPrdctFile(surface, magnified, 0), 0);
  EXPECT_TRUE(manager.lastGridMode());
  // A cell of 0.1 degrees: a block of 2 x 2 pixels, not the single pixel of point mode.
  EXPECT_EQ(surface.pixel(0, 0), colour::rgb(127, 127, 127));
  EXPECT_EQ(surface.pixel(-1, -1), colour::rgb(127, 127, 127));
  // The other file's cell is not drawn.
  surface.clear(0);
  ASSERT_EQ(manager.ComDrawPrdctFile(surface, magnified, 1), 0);
  EXPECT_TRUE(manager.lastGridMode());
  EXPECT_EQ(surface.pixel(0, 0), 0u);
  // Below magnification 8 the file's observations are drawn as points.
  surface.clear(0);
  manager.ComDrawPrdctFile(surface, map::ViewParams{map::kProjEqr, deg(20), deg(10), 7.9, 0}, 0);
  EXPECT_FALSE(manager.lastGridMode());
}

// A second view loads other channels of the same file while the first view's grid copy
// waits for the running gap filling: the copy works from what it was given when it started.
TEST_F(Rendering, GridCopyWhileAnotherChannelLoads) {
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  object.setMeshDelay(0);
  std::vector<Obs> swath;
  for (int k = 0; k < 40; ++k) swath.push_back({10.05f + 0.3f * static_cast<float>(k % 8), 20.05f + 0.7f * static_cast<float>(k / 8), 5000});
  const int slot = open(object, product(swath), {20});
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  map::ChannelChoice channels;
  channels.chnl[0] = 20;
  ASSERT_EQ(manager.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}), 0);
  object.ComStartMesh();
  manager.ComStartGridCopy();
  for (int chnl : {19, 21}) {
    ASSERT_EQ(object.ComLoadChnl(slot, chnl), 0);
    EXPECT_EQ(object.ComResetGrid(slot, chnl), 0);
    ASSERT_EQ(object.ComLoadChnl(slot, chnl), 0);
  }
  manager.waitGridCopy();
  object.ComWaitMesh();
  ASSERT_TRUE(manager.gridCopied());
  EXPECT_FLOAT_EQ(manager.ComGetGridValue(0, 2000, 1000), 50.0f);
  // A channel whose slot lets go of it before it is filled ends a copy instead of blocking it.
  ASSERT_EQ(object.ComResetGrid(slot, 21), 0);
  ASSERT_EQ(object.ComLoadChnl(slot, 21), 0);  // not filled: no gap filling runs
  map::ComPrdctDspMngmnt second;
  channels.chnl[0] = 21;
  ASSERT_EQ(second.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}), 0);
  second.ComStartGridCopy();
  EXPECT_EQ(object.ComResetGrid(slot, 21), 0);
  second.waitGridCopy();
  EXPECT_TRUE(second.gridCopied());
}

TEST_F(Rendering, CompositeChannelsCombine) {
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  // 89 GHz A at (10, 20); 89 GHz B at (10, 30): red and blue from A, green from B.
  const int slot = open(object, product({{10.0f, 20.0f, 10000}}, {{10.0f, 30.0f, 5000}}), {19, 20, 21});
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  map::ChannelChoice channels;
  channels.composite = true;
  channels.chnl[0] = 19;
  channels.chnl[1] = 21;
  channels.chnl[2] = 20;
  ASSERT_EQ(manager.ComSetDspPrdct({slot}, channels, &table, {&object, &object, &object}), 0);
  ramp(table);
  draw::Surface surface(200, 100);
  surface.clear(0);
  ASSERT_EQ(manager.ComDrawPrdct(surface, map::ViewParams{}), 0);
  EXPECT_EQ(surface.pixel(40, 20), colour::rgb(255, 0, 255));
  EXPECT_EQ(surface.pixel(60, 20), colour::rgb(0, 127, 0));
}

TEST_F(Rendering, Level3CellsFromMagnificationAboveTwo) {
  kivo::test::writeBytes(dir.file("geophysical_file"), "Brightness Temperature,0.01,K,EQR,EQR,EQR\n");
  const float cells[] = {10.125f, 20.125f};
  kivo::test::writeBytes(dir.file("EQR_25km.dat"), std::string(reinterpret_cast<const char*>(cells), sizeof cells));
  TinyProduct p(dir.file("l3.h5"));
  p.attr("ProductName", "AMSR2-L3").attr("GeophysicalName", "Brightness Temperature");
  p.attr("GranuleID", "GW1AM2_20120703_01D_EQMA_L3SGT36LA2220220").attr("Projection", "EQR");
  p.data("Brightness Temperature (V)", Stored::U16, {1, 1}, std::vector<unsigned short>{5000}, 0.01f);
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  const int slot = open(object, p.close(), {25});
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  map::ChannelChoice channels;
  channels.chnl[0] = 25;
  ASSERT_EQ(manager.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}), 0);
  ramp(table);
  const auto coloured = [&](double s) {
    draw::Surface surface(400, 400);
    surface.clear(0);
    manager.ComDrawPrdct(surface, map::ViewParams{map::kProjEqr, deg(20), deg(10), s, 0});
    int n = 0;
    for (int x = -20; x <= 20; ++x) {
      for (int y = -20; y <= 20; ++y) n += surface.pixel(x, y) != 0 ? 1 : 0;
    }
    return n;
  };
  EXPECT_EQ(coloured(2.0), 1);  // a single pixel
  EXPECT_GT(coloured(2.5), 1);  // a cell of 0.25 degrees
  EXPECT_GE(coloured(8.0), 16);
}

TEST_F(Rendering, CoastlinesAndTheWrap) {
  // A little-endian shoreline file: polygon 0 along 10 N from 10 E to 20 E, polygon 1 across
  // longitude 0 from 359.9 E to 0.1 E (in 0..360 longitudes).
  std::string bytes;
  const auto i32 = [&](std::int32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
  const auto polygon = [&](std::int32_t id, std::vector<std::pair<double, double>> pts) {
    i32(id);
    i32(static_cast<std::int32_t>(pts.size()));
    i32(6 << 8);
    for (int k = 0; k < 5; ++k) i32(0);
    for (auto [lon, lat] : pts) {
      i32(deg(lon));
      i32(deg(lat));
    }
  };
  polygon(0, {{10, 10}, {20, 10}});
  polygon(1, {{359.9, -20}, {0.1, -20}});
  kivo::test::writeBytes(dir.file("coast.b"), bytes);
  map::ComWorldMap world;
  ASSERT_EQ(world.ComLoadMapFile(1, dir.file("coast.b")), 0);
  map::MapLayerSettings settings;
  draw::Surface surface(800, 400);
  surface.clear(0);
  // Centred on 180 E: 15 E lies 330 pixels left of the centre.
  const map::ViewParams view{map::kProjEqr, deg(180), 0, 1.0, 0};
  ASSERT_EQ(world.ComDrawCoast(1, &surface, view, true, settings), 0);
  surface.endPainting();
  EXPECT_EQ(surface.pixel(-330, 20), settings.coastColour);
  EXPECT_EQ(surface.pixel(0, 0), settings.backgroundColour);
  // The segment across longitude 0 would run across the whole map; it is not drawn.
  for (int x = -300; x <= 300; x += 50) EXPECT_EQ(surface.pixel(x, -40), settings.backgroundColour) << x;

  // Under the north polar view a segment from 10 S to 10 N ends on the equator circle.
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ASSERT_TRUE(map::ComWorldMap::coastSegment(map::ViewParams{map::kProjPolarNorth, 0, 0, 1.0, 0}, deg(30), deg(-10),
                                             deg(30), deg(10), x1, y1, x2, y2));
  EXPECT_NEAR(std::hypot(x1, y1), 160.0, 1.5);
  EXPECT_EQ(map::ComWorldMap::slotFor(map::MapLayerSettings{.mapMode = 1}, 7.99), 1);
  EXPECT_EQ(map::ComWorldMap::slotFor(map::MapLayerSettings{.mapMode = 1}, 8.0), 2);
  EXPECT_EQ(map::ComWorldMap::slotFor(map::MapLayerSettings{.mapMode = 0}, 8.0), 1);
  EXPECT_EQ(world.ComLoadMapFile(3, dir.file("coast.b")), 1);
}

TEST_F(Rendering, ColourBarLayouts) {
  colour::ComClrTblMng table;
  ramp(table);
  colour::ComDspClrBar bar;
  EXPECT_EQ(bar.ComSetClrBar({}, nullptr), 1);
  ASSERT_EQ(bar.ComSetClrBar({}, &table), 0);
  draw::Surface surface(800, 550);
  surface.clear(0);
  ASSERT_EQ(bar.ComDrawClrBar(&surface, -250, 100, false, "caption"), 0);
  surface.endPainting();
  // Two points: ticks 440 units apart under a white background.
  EXPECT_EQ(surface.pixel(-240, 75), colour::rgb(0, 0, 0));
  EXPECT_EQ(surface.pixel(200, 75), colour::rgb(0, 0, 0));
  EXPECT_EQ(surface.pixel(-100, 75), colour::rgb(255, 255, 255));
  EXPECT_EQ(bar.ComDrawClrBar(nullptr, 0, 0, false, ""), 1);

  // Every count value equal: no gradient, but the rest is drawn and nothing fails.
  colour::ComClrTblMng flat;
  for (int k = 0; k < 9; ++k) flat.ComSetCntVal(0, k, 5.0f);
  for (bool vertical : {false, true}) {
    for (int graph : {colour::kLineGraph, colour::kBarGraph}) {
      flat.ComSetGrphType(graph);
      ASSERT_EQ(bar.ComSetClrBar(colour::ColourBarSettings{true, true}, &flat), 0);
      EXPECT_EQ(bar.ComDrawClrBar(&surface, -250, 100, vertical, "flat"), 0);
    }
  }
  // Not shown when the legend is off.
  draw::Surface blank(600, 300);
  blank.clear(0);
  ASSERT_EQ(bar.ComSetClrBar(colour::ColourBarSettings{false, false}, &table), 0);
  EXPECT_EQ(bar.ComDrawClrBar(&blank, -250, 100, false, "x"), 0);
  blank.endPainting();
  EXPECT_EQ(blank.pixel(-100, 75), 0u);
}

// The horizontal bar: the strip's frame is closed at the top, and each label starts at its
// tick, so that the first one keeps its leading digits on the white background and the last
// one ends before the background does.
// The one painter of a view: the coastline behind or in front of the product, the colour
// bar only for a single channel, one file alone, and the selection split at the wrap.
TEST_F(Rendering, ViewPainterOrder) {
  // A shoreline straight through the observation's pixel: 20.05 E from 5 N to 15 N.
  std::string coast;
  const auto i32 = [&](std::int32_t v) { coast.append(reinterpret_cast<const char*>(&v), 4); };
  for (std::int32_t v : {0, 2, 6 << 8, 0, 0, 0, 0, 0}) i32(v);
  for (std::int32_t v : {deg(20.05), deg(5), deg(20.05), deg(15)}) i32(v);
  kivo::test::writeBytes(dir.file("line.b"), coast);
  map::ComWorldMap world;
  ASSERT_EQ(world.ComLoadMapFile(1, dir.file("line.b")), 0);

  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  ASSERT_TRUE(twoFiles(object, manager, table));

  map::ViewPaintRequest request;
  request.world = &world;
  request.product = &manager;
  request.table = &table;
  request.colourBar = map::ColourBarPlacement::initial(300);
  map::ViewPaintSettings settings;
  settings.layer.background = false;
  settings.layer.latLon = false;
  settings.layer.equator = false;
  const colour::Colour grey = colour::rgb(127, 127, 127);
  const colour::Colour white = colour::rgb(255, 255, 255);
  draw::Surface surface(800, 300);
  const auto paint = [&] { EXPECT_EQ(map::paintView(surface, request, settings), 0); };

  settings.coastInFront = true;
  paint();
  EXPECT_EQ(surface.pixel(40, 20), settings.layer.coastColour);
  EXPECT_EQ(surface.pixel(40, 12), settings.layer.coastColour);
  EXPECT_EQ(surface.pixel(-40, -20), colour::rgb(229, 229, 229));
  EXPECT_EQ(surface.pixel(-100, request.colourBar.y - 5), white);  // the bar's background
  settings.coastInFront = false;
  paint();
  EXPECT_EQ(surface.pixel(40, 20), grey);
  EXPECT_EQ(surface.pixel(40, 12), settings.layer.coastColour);

  request.composite = true;  // a composite shows no colour bar
  paint();
  EXPECT_EQ(surface.pixel(-100, request.colourBar.y - 5), 0u);

  request.oneFile = 1;  // one file alone
  paint();
  EXPECT_EQ(surface.pixel(40, 20), settings.layer.coastColour);
  EXPECT_EQ(surface.pixel(-40, -20), colour::rgb(229, 229, 229));
  request.oneFile = 0;
  paint();
  EXPECT_EQ(surface.pixel(-40, -20), 0u);

  // A selection from 170 E to 170 W crosses the edge of the map centred on 0: one piece at
  // each end of the map, none across the middle.
  const map::SelectionOutline selection{{deg(170), deg(10)}, {deg(-170), deg(-10)}};
  request.selection = &selection;
  paint();
  EXPECT_EQ(surface.pixel(350, 20), map::kSelectionColour);
  EXPECT_EQ(surface.pixel(-350, 20), map::kSelectionColour);
  EXPECT_EQ(surface.pixel(340, 0), map::kSelectionColour);
  EXPECT_EQ(surface.pixel(-340, 0), map::kSelectionColour);
  EXPECT_NE(surface.pixel(0, 20), map::kSelectionColour);
}

TEST_F(Rendering, ColourBarFrameAndLabels) {
  colour::ComClrTblMng table;
  for (int k = 0; k < 9; ++k) table.ComSetCntVal(0, k, 128.810f + 18.4075f * static_cast<float>(k));
  colour::ComDspClrBar bar;
  ASSERT_EQ(bar.ComSetClrBar({}, &table), 0);
  draw::Surface surface(800, 550);
  surface.clear(0);
  const int x = -250, y = 100;
  ASSERT_EQ(bar.ComDrawClrBar(&surface, x, y, false, "caption"), 0);
  surface.endPainting();
  const colour::Colour white = colour::rgb(255, 255, 255);
  for (int fx : {x + 11, x + 100, x + 300, x + 449}) EXPECT_EQ(surface.pixel(fx, y - 10), colour::rgb(0, 0, 0)) << fx;

  // Columns with ink in the label band (below the ticks, above the caption).
  const auto inked = [&](int from, int to) {
    std::vector<int> columns;
    for (int cx = from; cx < to; ++cx) {
      for (int cy = y - 32; cy > y - 50; --cy) {
        if (surface.pixel(cx, cy) != white) {
          columns.push_back(cx);
          break;
        }
      }
    }
    return columns;
  };
  EXPECT_TRUE(inked(x, x + 10).empty()) << "a label runs left of the first tick";
  const std::vector<int> first = inked(x + 10, x + 10 + 55);
  ASSERT_FALSE(first.empty());
  EXPECT_LE(first.front(), x + 10 + 3) << "the first label does not start at its tick";
  const std::vector<int> all = inked(x, x + 511);
  ASSERT_FALSE(all.empty());
  EXPECT_LT(all.back(), x + 510) << "the last label runs off the background";
  for (int k = 1; k < 9; ++k) {
    const int tick = x + 10 + 55 * k;
    EXPECT_FALSE(inked(tick, tick + 4).empty()) << "label " << k << " does not start at its tick";
  }
}

// Surfaces saved as PNG files hold every pixel, read back by Qt's PNG reader (libpng): one
// pixel, odd sizes, noise that needs several IDAT chunks, an alpha channel, every level.
TEST_F(Rendering, PngFilesHoldEveryPixel) {
  struct Case {
    const char* name;
    int width, height;
    QImage::Format format;
    int level;
  };
  const Case cases[] = {{"one pixel", 1, 1, QImage::Format_RGB32, 6},
                        {"odd size", 7, 3, QImage::Format_RGB32, 1},
                        {"noise", 301, 257, QImage::Format_RGB32, 9},
                        {"alpha", 33, 4, QImage::Format_ARGB32, 6}};
  std::uint32_t x = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QImage image(c.width, c.height, c.format);
    for (int row = 0; row < c.height; ++row) {
      for (int col = 0; col < c.width; ++col) {
        x = x * 1664525u + 1013904223u;
        const QRgb v = (row + col) % 3 == 0 ? qRgb(0, 0, 169) : static_cast<QRgb>(x >> 3);
        image.setPixel(col, row, c.format == QImage::Format_RGB32 ? (v | 0xFF000000u) : v);
      }
    }
    const std::string path = dir.file(std::string(c.name) + ".png");
    std::string error;
    ASSERT_EQ(draw::writePngFile(image, path, error, c.level), draw::kPngOk) << error;
    QImage back(QString::fromStdString(path), "png");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.hasAlphaChannel(), c.format == QImage::Format_ARGB32);
    EXPECT_TRUE(back.convertToFormat(QImage::Format_ARGB32) == image.convertToFormat(QImage::Format_ARGB32));
  }
  std::string error;
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::red);
  EXPECT_EQ(draw::writePngFile(image, dir.file("no/folder/x.png"), error), draw::kPngFailed);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.file("no/folder/x.png")));
}

}  // namespace
