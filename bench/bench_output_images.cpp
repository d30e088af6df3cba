// The picture outputs of an 800 x 550 map view of a full-size Level 1B product (89 GHz A
// horizontal, equirectangular, magnification 1, coastline and grid): "Save as Image" as PNG
// (title, map, colour bar) and the global KMZ overlay (720 x 360 transparent PNG, colour bar,
// document, archive).
//
//   bench_output_images [PRODUCT.h5] [benchmark flags]

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <string>

#include "bench_main.h"
#include "colour/colour_table.h"
#include "export/image_export.h"
#include "export/kml_file.h"
#include "map/display_manager.h"
#include "map/view_painter.h"
#include "map/world_map.h"
#include "product_model/product_object.h"

namespace map = kivo::map;
namespace model = kivo::model;
namespace colour = kivo::colour;
namespace out = kivo::out;

namespace {

// Painting and encoding need a Qt GUI application; offscreen unless QT_QPA_PLATFORM names a
// platform.
const bool g_guiApplication = kivo::bench::addSetup([](int& argc, char** argv) -> std::shared_ptr<void> {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The encoders' trace line per file would bury the measurements.
  out::setImageTrace(nullptr);
  return std::make_shared<QGuiApplication>(argc, argv);
});

const std::string g_maps = std::string(KIVO_BIN_DIR) + "/Map/";
constexpr int k89AH = 20;

struct Scene {
  model::ComPrdctMngmnt object{{std::string(KIVO_BIN_DIR) + "/data/", nullptr, 0}};
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  map::ComWorldMap world;
  QTemporaryDir folder;
  bool ok = false;

  Scene() {
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    if (!folder.isValid()) return;
    if (object.ComOpenPrdctFile(kivo::bench::productPath(), slot, name, projection, known) != 0 ||
        object.ComLoadChnl(slot, k89AH) != 0) {
      return;
    }
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

  map::ViewPaintRequest paint() {
    map::ViewPaintRequest r;
    r.view = map::ViewParams{map::kProjEqr, 180000000, 0, 1.0, 0};
    r.world = &world;
    r.product = &manager;
    r.table = &table;
    r.colourBar = map::ColourBarPlacement::initial(550);
    r.colourBar.caption = "AMSR2 Level 1B Brightness Temperature (89.0GHz-A,H) [K]";
    return r;
  }
  std::string file(const char* name) const { return folder.filePath(QString::fromLatin1(name)).toStdString(); }
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_SaveAsImagePng(benchmark::State& state) {
  Scene& s = scene();
  if (!s.ok) {
    state.SkipWithError("cannot load the sample product");
    return;
  }
  out::MapPictureRequest request;
  request.paint = s.paint();
  request.width = 800;
  request.height = 550;
  request.title.text = "GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";
  const std::string path = s.file("map.png");
  for (auto _ : state) {
    if (out::ComOutMapImg(request, path, out::kImgPng) != out::kOutOk) state.SkipWithError("the image was not written");
  }
}

void BM_GlobalKmzOverlay(benchmark::State& state) {
  Scene& s = scene();
  if (!s.ok) {
    state.SkipWithError("cannot load the sample product");
    return;
  }
  out::MapKmlRequest request;
  request.paint = s.paint();
  request.desc = out::kmlDescOf({{"GW1AM2_201207031905_234A_L1SGBTBR_2220220", "GCOM-W1", "AMSR2",
                                  "2012-07-03T19:05:42.000Z", "2012-07-03T19:55:01.000Z"}});
  const std::string path = s.file("world.kmz");
  for (auto _ : state) {
    if (out::ComOutMapKml(request, path) != out::kOutOk) state.SkipWithError("the archive was not written");
  }
}

BENCHMARK(BM_SaveAsImagePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobalKmzOverlay)->Unit(benchmark::kMillisecond);

}  // namespace
