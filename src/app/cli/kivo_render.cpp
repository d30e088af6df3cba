// kivo-render: draws products on a map as a map view of the given size draws them (map
// background, coastline, product, latitude/longitude lines, colour bar) and saves a PNG.

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/program_folder.h"
#include "app/settings/settings_store.h"
#include "app/view_settings.h"
#include "colour/table_files.h"
#include "draw/png_file.h"
#include "map/display_manager.h"
#include "map/view_painter.h"
#include "map/world_map.h"
#include "product_model/product_object.h"

namespace {

namespace map = kivo::map;
namespace model = kivo::model;
namespace colour = kivo::colour;
namespace draw = kivo::draw;

int usage() {
  std::fprintf(stderr,
               "usage: kivo-render FILE... --channel C [--projection EQR|PN|PS|PNS|ORTHO|MER] [--centre LON LAT]\n"
               "                   [--zoom S] [--std-lon D] [--size W H] [--table FILE.clt] [--grid-mode] -o OUT.png\n");
  return 2;
}

int fail(const std::string& what) {
  std::fprintf(stderr, "kivo-render: %s\n", what.c_str());
  return 1;
}

bool number(const char* text, double& v) {
  char* end = nullptr;
  v = std::strtod(text, &end);
  return end != text && *end == '\0' && std::isfinite(v);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  int chnl = -1;
  int projection = map::kProjEqr;
  double s = 1.0;
  int stdLon = 0;
  double lon = 0, lat = 0;
  int width = 800, height = 550;
  std::string table, out;
  bool gridMode = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    double v = 0, w = 0;
    if (a == "--channel" && i + 1 < argc && number(argv[i + 1], v) && v >= 0 && v < 100) {
      chnl = static_cast<int>(v);
      ++i;
    } else if (a == "--projection" && i + 1 < argc) {
      projection = map::projectionByName(argv[++i]);
      if (projection < 0) return usage();
    } else if (a == "--centre" && i + 2 < argc && number(argv[i + 1], v) && number(argv[i + 2], w) &&
               std::fabs(v) <= 360 && std::fabs(w) <= 90) {
      lon = v;
      lat = w;
      i += 2;
    } else if (a == "--zoom" && i + 1 < argc && number(argv[i + 1], v) && v >= 1 && v <= 256) {
      s = v;
      ++i;
    } else if (a == "--std-lon" && i + 1 < argc && number(argv[i + 1], v) && std::fabs(v) <= 180) {
      stdLon = static_cast<int>(v);
      ++i;
    } else if (a == "--size" && i + 2 < argc && number(argv[i + 1], v) && number(argv[i + 2], w) && v >= 16 &&
               w >= 16 && v <= 8192 && w <= 8192) {
      width = static_cast<int>(v);
      height = static_cast<int>(w);
      i += 2;
    } else if (a == "--table" && i + 1 < argc) {
      table = argv[++i];
    } else if (a == "--grid-mode") {
      gridMode = true;
    } else if (a == "-o" && i + 1 < argc) {
      out = argv[++i];
    } else if (!a.empty() && a[0] != '-') {
      files.push_back(a);
    } else {
      return usage();
    }
  }
  if (files.empty() || chnl < 0 || out.empty()) return usage();
  if (static_cast<int>(files.size()) > map::kMaxFiles) return fail("at most 30 files");

  const std::string folder = kivo::app::programFolder();
  model::ComPrdctMngmnt object({folder + "data/", nullptr, 0});
  // The products are read on a second thread while this one starts Qt and reads the
  // settings, the coastline and the fonts: the two share nothing until the join.
  std::vector<int> slots;
  std::string loadError;
  const auto loadProducts = [&]() noexcept {
    try {
      for (const std::string& f : files) {
        int slot = -1, projection = -1;
        bool known = false;
        std::string name;
        const int rc = object.ComOpenPrdctFile(f, slot, name, projection, known);
        if (rc != 0) {
          loadError = f + ": not a product that can be read (" + std::to_string(rc) + ")";
          return;
        }
        const int load = object.ComLoadChnl(slot, chnl);
        if (load != 0) {
          loadError = f + ": channel " + std::to_string(chnl) + " cannot be loaded (" + std::to_string(load) + ")";
          return;
        }
        slots.push_back(slot);
      }
    } catch (const std::exception&) {
      loadError = "out of memory";
    }
  };
  std::thread loader;
  try {
    loader = std::thread(loadProducts);
  } catch (const std::system_error&) {
    loadProducts();
  }
  struct Joiner {
    std::thread& thread;
    ~Joiner() {
      if (thread.joinable()) thread.join();
    }
  } joiner{loader};

  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);

  // The settings' defaults: a settings file that does not exist gives every default.
  kivo::app::ComPrpCnfInfo settings(folder, folder + ".kivo-render-defaults-only.ini");
  settings.ComReadCnf();
  const map::ViewPaintSettings paintSettings = kivo::app::viewPaintSettings(settings);

  map::ViewPaintRequest request;
  request.view = map::viewCentredOn(projection, lon, lat, s, stdLon);
  // Only the coastline slot that this view draws is loaded (the detailed one only when
  // magnified).
  map::ComWorldMap world;
  if (paintSettings.layer.coast) {
    const int mapSlot = map::ComWorldMap::slotFor(paintSettings.layer, map::paintedView(request.view).s);
    world.ComLoadMapFile(mapSlot, kivo::app::mapFile(settings, mapSlot == 1 ? kivo::app::kIdMapFile : kivo::app::kIdMapFile2));
  }
  // The font database is built by the first text measured; the labels drawn later use it.
  QFontMetrics(QFont()).height();

  if (loader.joinable()) loader.join();
  if (!loadError.empty()) return fail(loadError);

  colour::ComClrTblMng colourTable;
  map::ComPrdctDspMngmnt manager;
  map::ChannelChoice channels;
  channels.chnl[0] = chnl;
  if (manager.ComSetDspPrdct(slots, channels, &colourTable, {&object, nullptr, nullptr}) != 0) {
    return fail("the product cannot be shown");
  }
  if (!table.empty()) {
    colour::TableFileExtras extras;
    if (colour::readColourTableFile(table, colourTable, extras) != colour::kFileOk) return fail(table + ": cannot be read");
  }
  if (gridMode) {
    object.ComStartMesh();
    object.ComWaitMesh();
    manager.ComStartGridCopy();
    manager.waitGridCopy();
  }

  request.world = &world;
  request.product = &manager;
  request.table = &colourTable;
  request.colourBar = map::ColourBarPlacement::initial(height);
  std::string title, name;
  object.ComGetTitle(slots[0], chnl, title, true);
  object.ComGetPrdctName(slots[0], name);
  request.colourBar.caption = name + " " + title;

  draw::Surface surface(width, height);
  map::paintView(surface, request, paintSettings);

  std::string error;
  if (draw::writePngFile(surface.image(), out, error) != draw::kPngOk) return fail(out + ": " + error);
  return 0;
}
