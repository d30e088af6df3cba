// An AVI movie of ten full-size Level 1B orbits (89 GHz A horizontal, equirectangular at
// magnification 1, the default 10 frames per second) against what the same ten files cost a
// map view: loading their channel and painting them once. The movie's counters give its frames
// and its time as a multiple of loading and painting (measured first in the same run).
//
//   bench_movie [PRODUCT.h5] [benchmark flags]
//
// The ten products are generated once (one orbit apart) into bench_movie_products/ of the
// build tree; the product argument is not used.

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "colour/colour_table.h"
#include "draw/surface.h"
#include "export/image_export.h"
#include "export/movie_output.h"
#include "map/display_manager.h"
#include "map/view_painter.h"
#include "map/world_map.h"
#include "product_gen.h"
#include "product_model/product_object.h"

namespace fs = std::filesystem;
namespace map = kivo::map;
namespace model = kivo::model;
namespace colour = kivo::colour;
namespace draw = kivo::draw;
namespace out = kivo::out;
namespace gen = kivo::gen;

namespace {

const bool g_guiApplication = kivo::bench::addSetup([](int& argc, char** argv) -> std::shared_ptr<void> {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  out::setImageTrace(nullptr);
  return std::make_shared<QGuiApplication>(argc, argv);
});

constexpr int k89AH = 20;
constexpr int kFiles = 10;
const std::string g_bin = std::string(KIVO_BIN_DIR) + "/";

// Ten full-size Level 1B products, each starting one orbit (about 98 minutes) after the last.
const std::vector<std::string>& products() {
  static const std::vector<std::string> paths = [] {
    const std::string folder = g_bin + "../bench_movie_products/";
    fs::create_directories(folder);
    std::vector<std::string> list;
    for (int i = 0; i < kFiles; ++i) {
      const std::string path = folder + "orbit" + std::to_string(i) + ".h5";
      if (!fs::exists(path)) {
        gen::ProductOptions o;
        o.level = gen::Level::L1B;
        o.orbit = 1234 + i;
        std::tm t{};
        t.tm_year = 2012 - 1900;
        t.tm_mon = 6;
        t.tm_mday = 3;
        t.tm_hour = 19;
        t.tm_min = 5 + 98 * i;
        const std::time_t when = ::timegm(&t);
        ::gmtime_r(&when, &t);
        char start[64];
        std::snprintf(start, sizeof start, "%04d-%02d-%02dT%02d:%02d:00.000", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                      t.tm_hour, t.tm_min);
        o.startTime = start;
        const std::string part = path + ".part";
        if (gen::writeProduct(part, o) != gen::kGenOk) return std::vector<std::string>{};
        fs::rename(part, path);
      }
      list.push_back(path);
    }
    return list;
  }();
  return paths;
}

// The ten files opened and their channel loaded, with the view's automatic colour table.
struct Loaded {
  model::ComPrdctMngmnt object;
  colour::ComClrTblMng table;
  map::ComPrdctDspMngmnt manager;
  std::vector<int> slots;
  bool ok = false;

  Loaded() {
    for (const std::string& path : products()) {
      int slot = -1, projection = -1;
      bool known = false;
      std::string name;
      if (object.ComOpenPrdctFile(path, slot, name, projection, known) != 0 || object.ComLoadChnl(slot, k89AH) != 0) return;
      slots.push_back(slot);
    }
    map::ChannelChoice channels;
    channels.chnl[0] = k89AH;
    ok = slots.size() == kFiles && manager.ComSetDspPrdct(slots, channels, &table, {&object, nullptr, nullptr}) == 0;
  }
};

const map::ComWorldMap& world() {
  static const std::unique_ptr<map::ComWorldMap> w = [] {
    auto m = std::make_unique<map::ComWorldMap>();
    m->ComLoadMapFile(1, g_bin + "Map/gshhs_c.b");  // no coastline when the build has none
    return m;
  }();
  return *w;
}

map::ViewPaintRequest request(Loaded* loaded) {
  map::ViewPaintRequest r;
  r.view = map::ViewParams{map::kProjEqr, 0, 0, 1.0, 0};
  r.world = &world();
  if (loaded != nullptr) {
    r.product = &loaded->manager;
    r.table = &loaded->table;
  }
  r.colourBar = map::ColourBarPlacement::initial(550);
  r.colourBar.caption = "AMSR2 Level 1B Brightness Temperature (89.0GHz-A,H) [K]";
  return r;
}

double g_loadAndPaintSeconds = 0;

// Loading the channel of the ten files and painting them once on an 800 x 550 view.
void BM_LoadAndPaint(benchmark::State& state) {
  if (products().size() != kFiles) {
    state.SkipWithError("cannot generate the products");
    return;
  }
  draw::Surface surface(800, 550);
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    Loaded loaded;
    if (!loaded.ok) {
      state.SkipWithError("cannot load the products");
      return;
    }
    map::paintView(surface, request(&loaded), map::ViewPaintSettings{});
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  g_loadAndPaintSeconds = total / static_cast<double>(state.iterations());
}

// The movie of the ten loaded files at 10 frames per second, delivered to a file.
void BM_MovieAvi(benchmark::State& state) {
  if (products().size() != kFiles) {
    state.SkipWithError("cannot generate the products");
    return;
  }
  static Loaded loaded;
  if (!loaded.ok) {
    state.SkipWithError("cannot load the products");
    return;
  }
  const std::string target = (fs::temp_directory_path() / ("kivo_bench_movie_" + std::to_string(::getpid()))).string();
  int frames = 0;
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    draw::Surface raster(out::kMovieSourceWidth, out::kMovieSourceHeight);
    out::paintMovieMap(raster, request(nullptr), map::ViewPaintSettings{});
    out::ComOtptObsMov writer;
    out::MovieSettings settings;
    settings.title = "Ten orbits";
    settings.fileNameShown = true;
    if (writer.ComInitMov(kFiles, loaded.slots.data(), &loaded.table, &loaded.object, 0, settings) != 0) {
      state.SkipWithError("init failed");
      return;
    }
    map::ChannelChoice channels;
    channels.chnl[0] = k89AH;
    if (writer.ComOutAviFile(&raster, map::ViewParams{map::kProjEqr, 0, 0, 1.0, 0}, target, nullptr, channels) != 0) {
      state.SkipWithError("the movie failed");
      return;
    }
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    frames = writer.framesWritten();
  }
  struct stat info {};
  ::stat((target + ".avi").c_str(), &info);
  std::remove((target + ".avi").c_str());
  state.counters["frames"] = frames;
  state.counters["MB"] = static_cast<double>(info.st_size) / 1e6;
  if (g_loadAndPaintSeconds > 0) {
    state.counters["x_load_paint"] = total / static_cast<double>(state.iterations()) / g_loadAndPaintSeconds;
  }
}

BENCHMARK(BM_LoadAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MovieAvi)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
