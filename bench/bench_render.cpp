// One paint of an 800 x 550 map view of a full-size Level 1B product: background, coastline,
// the 89 GHz A horizontal channel, latitude/longitude lines and colour bar; in point mode at
// magnification 1 (crude coastline) and in grid mode at magnification 8 (intermediate
// coastline); and the screen-position table of the view.
//
//   bench_render [PRODUCT.h5] [benchmark flags]

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <string>

#include "bench_main.h"
#include "colour/colour_table.h"
#include "draw/surface.h"
#include "map/display_manager.h"
#include "map/screen_position_table.h"
#include "map/view_painter.h"
#include "map/world_map.h"
#include "product_model/product_object.h"

namespace map = kivo::map;
namespace model = kivo::model;
namespace colour = kivo::colour;
namespace draw = kivo::draw;

namespace {

// Painting needs a Qt GUI application; offscreen unless QT_QPA_PLATFORM names a platform.
const bool g_guiApplication = kivo::bench::addSetup([](int& argc, char** argv) -> std::shared_ptr<void> {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return std::make_shared<QGuiApplication>(argc, argv);
});

const std::string g_maps = std::string(KIVO_BIN_DIR) + "/Map/";
constexpr int k89AH = 20;

struct Scene {
  model::ComPrdctMngmnt object{{std::string(KIVO_BIN_DIR) + "/data/", nullptr, 0}};
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  map::ComWorldMap world;
  bool ok = false;

  Scene() {
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    if (object.ComOpenPrdctFile(kivo::bench::productPath(), slot, name, projection, known) != 0 || object.ComLoadChnl(slot, k89AH) != 0) return;
    object.ComStartMesh();
    object.ComWaitMesh();
    map::ChannelChoice channels;
    channels.chnl[0] = k89AH;
    if (manager.ComSetDspPrdct({slot}, channels, &table, {&object, nullptr, nullptr}) != 0) return;
    manager.ComStartGridCopy();
    manager.waitGridCopy();
    world.ComLoadMapFile(1, g_maps + "gshhs_c.b");
    world.ComLoadMapFile(2, g_maps + "gshhs_i.b");
    ok = true;
  }

  void paint(draw::Surface& surface, const map::ViewParams& view, const map::MapLayerSettings& layer) {
    map::ViewPaintRequest request;
    request.view = view;
    request.world = &world;
    request.product = &manager;
    request.table = &table;
    request.colourBar = map::ColourBarPlacement::initial(550);
    request.colourBar.caption = "AMSR2 Level 1B Brightness Temperature (89.0GHz-A-H) [K]";
    map::ViewPaintSettings settings;
    settings.layer = layer;
    settings.coastInFront = true;
    map::paintView(surface, request, settings);
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_PaintPointMode(benchmark::State& state) {
  Scene& s = scene();
  if (!s.ok) {
    state.SkipWithError("cannot load the sample product");
    return;
  }
  draw::Surface surface(800, 550);
  const map::ViewParams view{map::kProjEqr, 0, 0, 1.0, 0};
  map::MapLayerSettings layer;
  for (auto _ : state) s.paint(surface, view, layer);
  state.counters["grid_mode"] = s.manager.lastGridMode() ? 1 : 0;
}

void BM_PaintGridMode(benchmark::State& state) {
  Scene& s = scene();
  if (!s.ok) {
    state.SkipWithError("cannot load the sample product");
    return;
  }
  draw::Surface surface(800, 550);
  // Magnification 8 over the middle of the half orbit.
  const map::ViewParams view{map::kProjEqr, -90000000, 0, 8.0, 0};
  map::MapLayerSettings layer;
  layer.mapMode = 1;
  for (auto _ : state) s.paint(surface, view, layer);
  state.counters["grid_mode"] = s.manager.lastGridMode() ? 1 : 0;
}

void BM_ScreenPositionTable(benchmark::State& state) {
  map::ScreenPositionTable table;
  const map::ViewParams view{map::kProjEqr, 0, 0, 1.0, 0};
  for (auto _ : state) table.fillNow(view, 800, 550, 1280, 1024);
}

BENCHMARK(BM_PaintPointMode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintGridMode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenPositionTable)->Unit(benchmark::kMillisecond);

}  // namespace
