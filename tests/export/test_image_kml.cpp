// Pictures, KML documents and KMZ archives of a map view, read back by readers we did not
// write: PIL decodes the images, tiffinfo names the TIFF compression, unzip, Python's zipfile
// and GDAL open the archives, Python's XML parser reads the documents. Failed outputs leave
// no file and no temporary file behind.

#include <gtest/gtest.h>

#include <QApplication>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/batch_history.h"
#include "app/main_frame.h"
#include "app/map_view/map_view.h"
#include "app/messages.h"
#include "colour/colour_table.h"
#include "export/image_export.h"
#include "export/kml_file.h"
#include "export/temp_folder.h"
#include "export/zip_writer.h"
#include "map/display_manager.h"
#include "map/view_painter.h"
#include "run_command.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace fs = std::filesystem;
namespace map = kivo::map;
namespace model = kivo::model;
namespace colour = kivo::colour;
namespace out = kivo::out;
namespace app = kivo::app;
using kivo::test::shellQuote;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

// One application for the program (the batch test needs the main window's widgets); fonts and
// the clipboard need it too.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[20] = "test_export_images";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0); }
constexpr int k89AH = 20;
const QRgb kBlue = qRgb(0, 0, 255);  // the automatic table's colour of the smallest value
const QRgb kWhite = qRgb(255, 255, 255);

struct Shell {
  int status = -1;
  std::string output;
};
Shell shell(const std::string& command) {
  Shell result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[8192];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  return result;
}
// Debian's Python with its modules (PIL, GDAL); the script gets `args` as sys.argv[1:].
std::string python(const std::string& script, const std::vector<std::string>& args = {}) {
  std::string command = "/usr/bin/python3 -c " + shellQuote(script);
  for (const std::string& a : args) command += " " + shellQuote(a);
  const Shell r = shell(command);
  EXPECT_EQ(r.status, 0) << r.output;
  return r.output;
}

// Every name in a folder, hidden ones included, sorted.
std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}
std::vector<std::string> privateEntries() { return entries(out::privateTempFolder()); }

// A folder in which no file can be created, also for root: a read-only folder, or else a
// kernel folder that refuses new files; empty when there is none.
std::string unwritableFolder(const TempDir& dir) {
  const std::string folder = dir.file("locked");
  fs::create_directories(folder);
  ::chmod(folder.c_str(), 0555);
  for (const std::string& candidate : {folder, std::string("/sys")}) {
    const std::string probe = candidate + "/probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return candidate;
    ::close(fd);
    ::unlink(probe.c_str());
  }
  return {};
}

// A Level 1B product: 100 K over 19..22 E, 9..12 N and 300 K over 22..19 W, 12..9 S, one
// observation in every 0.1-degree cell.
std::string sceneProduct(const TempDir& dir) {
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
  TinyProduct p(dir.file("scene.h5"));
  p.head("AMSR2-L1B", 0, "GW1AM2_201207031905_234A_L1SGBTBR_2220220");
  for (const char* band : {"89A", "89B"}) {
    p.data(std::string("Latitude of Observation Point for ") + band, Stored::F32, {1, n}, lat);
    p.data(std::string("Longitude of Observation Point for ") + band, Stored::F32, {1, n}, lon);
  }
  for (const char* c : {"Brightness Temperature (89.0GHz-A,V)", "Brightness Temperature (89.0GHz-A,H)",
                        "Brightness Temperature (89.0GHz-B,V)"}) {
    p.data(c, Stored::U16, {1, n}, counts, 0.01f);
  }
  return p.close();
}

// The scene product on a view, gap-filled and copied into the display grid.
class Scene {
 public:
  explicit Scene(const TempDir& dir) {
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    EXPECT_EQ(object_.ComOpenPrdctFile(sceneProduct(dir), slot, name, projection, known), 0);
    EXPECT_EQ(object_.ComLoadChnl(slot, k89AH), 0);
    object_.ComStartMesh();
    object_.ComWaitMesh();
    map::ChannelChoice channels;
    channels.chnl[0] = k89AH;
    EXPECT_EQ(manager_.ComSetDspPrdct({slot}, channels, &table_, {&object_, nullptr, nullptr}), 0);
    manager_.ComStartGridCopy();
    manager_.waitGridCopy();
  }

  // The view's paint request: equirectangular, magnification 1, centred on 180 degrees.
  map::ViewPaintRequest paint() {
    map::ViewPaintRequest r;
    r.view = map::ViewParams{map::kProjEqr, deg(180), 0, 1.0, 0};
    r.product = &manager_;
    r.table = &table_;
    r.colourBar.caption = "AMSR2 Level 1B Brightness Temperature (89.0GHz-A,H) [K]";
    return r;
  }
  out::MapPictureRequest picture(int w = 800, int h = 550) {
    out::MapPictureRequest r;
    r.paint = paint();
    r.width = w;
    r.height = h;
    r.title.shown = false;
    return r;
  }
  out::MapKmlRequest kml() {
    out::MapKmlRequest r;
    r.paint = paint();
    std::tm clock{};
    clock.tm_year = 2024 - 1900;
    clock.tm_mon = 11;
    clock.tm_mday = 31;
    clock.tm_hour = 23;
    clock.tm_min = 59;
    clock.tm_sec = 30;
    r.clock = clock;
    return r;
  }

 private:
  model::ComPrdctMngmnt object_{{std::string(KIVO_BIN_DIR) + "/data/", nullptr, 0}};
  colour::ComClrTblMng table_;
  map::ComPrdctDspMngmnt manager_;
};

// The device pixel of a position in a view of w x h pixels.
QPoint pixelOf(const map::ViewParams& view, int w, int h, double lonDeg, double latDeg) {
  int x = 0, y = 0;
  map::projectForView(view, deg(lonDeg), deg(latDeg), x, y);
  return QPoint(x + w / 2, h / 2 - y);
}

// --- image formats and files -------------------------------------------------------------------

TEST(ImageFormat, TheChosenNameDecidesTheFormat) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"/a/b.jpg", out::kImgJpeg},    {"b.bmp", out::kImgBmp},           {"b.tiff", out::kImgTiff},
      {"b.png", out::kImgPng},        {"b.tif", out::kImgTiff},          {"b.TIF", out::kImgTiff},
      {"b.Tiff", out::kImgTiff},      {"b.JPG", out::kImgJpeg},          {"b.jpeg", out::kImgJpeg},
      {"b.JpEg", out::kImgJpeg},      {"b.BMP", out::kImgTransparentPng}, {"b.PNG", out::kImgTransparentPng},
      {"b.gif", out::kImgTransparentPng}, {"b", out::kImgTransparentPng},  {"x.jpg/b", out::kImgTransparentPng},
  };
  for (const auto& [name, format] : cases) EXPECT_EQ(out::imageFormatOfName(name), format) << name;
}

// A 64 x 48 picture: black, red and near-black (1, 1, 1) columns; the top-left 60 x 40 is saved.
QImage stripes() {
  QImage image(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) image.setPixel(x, y, x < 20 ? qRgb(0, 0, 0) : x < 40 ? qRgb(255, 0, 0) : qRgb(1, 1, 1));
  }
  return image;
}

// PIL's view of an image file: format, mode, size and the pixels at (10, 10), (30, 10), (50, 10).
const char* kPilProbe = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
print(im.format, im.mode, im.size[0], im.size[1])
for x in (10, 30, 50):
    print(*im.getpixel((x, 10)))
)";

TEST(ImageFiles, EveryFormatDecodesWithItsPixels) {
  TempDir dir;
  struct Case {
    int format;
    const char* name;
    const char* pil;  // format and mode as PIL names them
    int tolerance;    // JPEG is lossy
  };
  const Case cases[] = {
      {out::kImgJpeg, "a.jpg", "JPEG RGB", 24},   {out::kImgBmp, "a.bmp", "BMP RGB", 0},
      {out::kImgTiff, "a.tif", "TIFF RGB", 0},    {out::kImgPng, "a.png", "PNG RGB", 0},
      {out::kImgTransparentPng, "o.png", "PNG RGBA", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(c.name);
    ASSERT_EQ(out::ComOutImgFile(stripes(), c.format, path, 60, 40), out::kOutOk);
    std::istringstream probe(python(kPilProbe, {path}));
    std::string format, mode;
    int w = 0, h = 0;
    probe >> format >> mode >> w >> h;
    EXPECT_EQ(format + " " + mode, c.pil);
    EXPECT_EQ(w, 60);
    EXPECT_EQ(h, 40);
    const bool alpha = c.format == out::kImgTransparentPng;
    // Black stays black except in the overlay PNG, where it is transparent; near-black stays.
    const int expected[3][4] = {{0, 0, 0, 255}, {255, 0, 0, 255}, {1, 1, 1, 255}};
    for (int k = 0; k < 3; ++k) {
      int px[4] = {0, 0, 0, 255};
      for (int i = 0; i < (alpha ? 4 : 3); ++i) probe >> px[i];
      if (alpha && k == 0) {
        EXPECT_EQ(px[3], 0) << "black is transparent";
        continue;
      }
      for (int i = 0; i < 4; ++i) EXPECT_NEAR(px[i], expected[k][i], c.tolerance) << "column " << k << " channel " << i;
    }
  }
  const Shell tiff = shell("tiffinfo " + shellQuote(dir.file("a.tif")));
  EXPECT_NE(tiff.output.find("Compression Scheme: LZW"), std::string::npos) << tiff.output;
  EXPECT_NE(tiff.output.find("Bits/Sample: 8"), std::string::npos) << tiff.output;
  EXPECT_NE(tiff.output.find("Samples/Pixel: 3"), std::string::npos) << tiff.output;
  EXPECT_EQ(privateEntries(), std::vector<std::string>{});
}

// Each writer with a destination it cannot use: the reason, and nothing left behind.
TEST(ImageFiles, FailuresLeaveNoFile) {
  TempDir dir;
  Scene scene(dir);
  const std::string locked = unwritableFolder(dir);
  fs::create_directories(dir.file("folder.png"));
  fs::create_directories(dir.file("folder.kmz"));
  struct Destination {
    std::string path;  // for the image; the KML writers get the same with their extensions
    int result;
  };
  std::vector<Destination> destinations = {
      {dir.file("missing/a.png"), out::kOutFolderUnusable},
      {dir.file("folder.png"), out::kOutPathIsFolder},
  };
  if (!locked.empty()) destinations.push_back({locked + "/a.png", out::kOutFolderUnusable});
  const auto before = entries(dir.file(""));
  for (const Destination& d : destinations) {
    SCOPED_TRACE(d.path);
    EXPECT_EQ(out::ComOutImgFile(stripes(), out::kImgPng, d.path, 60, 40), d.result);
    EXPECT_EQ(out::ComOutMapImg(scene.picture(), d.path, out::kImgTiff), d.result);
    const std::string base = d.path.substr(0, d.path.size() - 4);
    EXPECT_EQ(out::ComOutMapKml(scene.kml(), base + ".kmz"), d.result);
    if (d.result != out::kOutPathIsFolder) {
      EXPECT_EQ(out::ComOutMapKml(scene.kml(), base + ".kml"), d.result);
    }
    EXPECT_EQ(entries(dir.file("")), before);
    if (!locked.empty() && locked != "/sys") {
      EXPECT_EQ(entries(locked), std::vector<std::string>{});
    }
    EXPECT_EQ(privateEntries(), std::vector<std::string>{});
  }
  // Another extension than the dialog's two writes nothing.
  EXPECT_EQ(out::ComOutMapKml(scene.kml(), dir.file("a.KML")), out::kOutBadRequest);
  EXPECT_EQ(entries(dir.file("")), before);
}

// --- "Save as Image" ------------------------------------------------------------------------------

TEST(SaveAsImage, CanvasMapAndColourBarPlaces) {
  TempDir dir;
  Scene scene(dir);
  struct Case {
    int cw, ch, W;
  };
  for (const Case c : {Case{400, 300, 600}, Case{800, 550, 832}}) {
    SCOPED_TRACE(c.cw);
    out::MapPictureRequest request = scene.picture(c.cw, c.ch);
    request.paint.view.cx = deg(20);  // the 100 K patch in the middle
    const QImage canvas = out::ComMakeMapImage(request);
    ASSERT_EQ(canvas.size(), QSize(c.W, c.ch + 133));
    const int x0 = (c.W - c.cw) / 2;
    const int H = canvas.height();
    // White around the map; the map's black at its corners; the product where it lies.
    EXPECT_EQ(canvas.pixel(x0 - 1, 60), kWhite);
    EXPECT_EQ(canvas.pixel(x0, 59), kWhite);
    EXPECT_EQ(canvas.pixel(x0, 60), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(x0 + c.cw - 1, 60 + c.ch - 1), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(x0 + c.cw, 60 + c.ch - 1), kWhite);
    const QPoint obs = pixelOf(request.paint.view, c.cw, c.ch, 20.5, 10.5) + QPoint(x0, 60);
    EXPECT_EQ(canvas.pixel(obs), kBlue);
    // The colour bar's strip frame, left edge at W / 2 - 250 + 10, 60..50 above the bottom;
    // a composite shows no bar.
    const QPoint frame(c.W / 2 - 240, H - 55);
    EXPECT_EQ(canvas.pixel(frame), qRgb(0, 0, 0));
    out::MapPictureRequest composite = request;
    composite.paint.composite = true;
    EXPECT_EQ(out::ComMakeMapImage(composite).pixel(frame), kWhite);
  }

  // The file as PIL reads it.
  const std::string path = dir.file("map.png");
  const out::MapPictureRequest request = scene.picture();
  ASSERT_EQ(out::ComOutMapImg(request, path, out::kImgPng), out::kOutOk);
  const QPoint obs = pixelOf(request.paint.view, 800, 550, 20.5, 10.5) + QPoint(16, 60);
  const std::string pil = python(R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert('RGB')
print(im.size[0], im.size[1], *im.getpixel((2, 2)), *im.getpixel((int(sys.argv[2]), int(sys.argv[3]))))
)", {path, std::to_string(obs.x()), std::to_string(obs.y())});
  EXPECT_EQ(pil, "832 683 255 255 255 0 0 255\n");
}

// The bounding box of dark pixels in the band above the map, or an empty rectangle.
QRect darkInTitleBand(const QImage& canvas) {
  QRect box;
  for (int y = 0; y < kivo::out::kMapTop; ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      if (qGray(canvas.pixel(x, y)) < 128) box = box.united(QRect(x, y, 1, 1));
    }
  }
  return box;
}

TEST(SaveAsImage, TitleShownWhereItsPositionSays) {
  TempDir dir;
  Scene scene(dir);
  out::MapPictureRequest request = scene.picture();
  request.title.text = "AMSR2 89GHz 試験";
  const int W = 832;
  request.title.shown = false;
  EXPECT_TRUE(darkInTitleBand(out::ComMakeMapImage(request)).isEmpty());
  request.title.shown = true;
  for (int position : {0, 1, 2}) {
    SCOPED_TRACE(position);
    request.title.position = position;
    const QRect box = darkInTitleBand(out::ComMakeMapImage(request));
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GE(box.top(), out::kTitleTop);
    EXPECT_LE(box.bottom(), out::kTitleTop + out::kTitlePixelHeight + 4);
    // Left aligned at x 19, centred at W / 2, right aligned at W - 19.
    const int edges[3] = {box.left(), box.center().x(), box.right()};
    const int anchors[3] = {out::kTitleMargin, W / 2, W - out::kTitleMargin};
    EXPECT_NEAR(edges[position], anchors[position], 4);
  }
}

TEST(SaveAsImage, ZoomsToTheSelection) {
  const map::ViewParams world{map::kProjEqr, deg(180), 0, 1.0, 0};
  struct Case {
    const char* what;
    map::ViewParams view;
    map::SelectionOutline selection;
    double s;
    std::int32_t cx, cy;
  };
  const Case cases[] = {
      // 3 x 3 degrees are 6 x 6 pixels: 550 / 6 magnifies most without cutting.
      {"patch", world, {{deg(19), deg(12)}, {deg(22), deg(9)}}, 550.0 / 6.0, deg(20.5), deg(10.5)},
      // Across the edge of the map: 20 x 20 degrees centred on 180.
      {"wrap", world, {{deg(170), deg(10)}, {deg(-170), deg(-10)}}, 550.0 / 40.0, deg(180), 0},
      // Larger than the view: never below the view's own magnification.
      {"large", map::ViewParams{map::kProjEqr, deg(180), 0, 4.0, 0}, {{deg(80), deg(50)}, {deg(280 - 360), deg(-50)}}, 4.0,
       deg(180), 0},
      // Tiny: at most 256.
      {"tiny", world, {{deg(20), deg(10.001)}, {deg(20.001), deg(10)}}, 256.0, deg(20.0005), deg(10.0005)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const map::ViewParams v = out::viewOfSelection(c.view, c.selection, 800, 550);
    EXPECT_NEAR(v.s, c.s, 1e-6 * c.s);
    EXPECT_NEAR(v.cx, c.cx, 600);
    EXPECT_NEAR(v.cy, c.cy, 600);
  }

  // The saved picture shows the selected patch filling the map's height.
  TempDir dir;
  Scene scene(dir);
  out::MapPictureRequest request = scene.picture();
  request.selection = cases[0].selection;
  const QImage canvas = out::ComMakeMapImage(request);
  for (const QPoint p : {QPoint(416, 335), QPoint(416, 70), QPoint(416, 600), QPoint(200, 335), QPoint(632, 335)}) {
    EXPECT_EQ(canvas.pixel(p), kBlue) << p.x() << "," << p.y();
  }
  EXPECT_EQ(canvas.pixel(30, 335), qRgb(0, 0, 0));
}

// --- KML and KMZ -----------------------------------------------------------------------------------

// The document's texts as Python's XML parser reads them, one "path=text" per line.
const char* kKmlProbe = R"(
import sys, xml.etree.ElementTree as ET
ns = {'k': 'http://earth.google.com/kml/2.0'}
root = ET.fromstring(open(sys.argv[1], 'rb').read()) if len(sys.argv) > 1 else ET.fromstring(sys.stdin.buffer.read())
print('root=' + root.tag)
d = root.find('k:Document', ns)
print('name=' + d.find('k:name', ns).text)
print('description=' + d.find('k:description', ns).text.strip())
for g in d.findall('k:GroundOverlay', ns):
    print('overlay=' + (g.find('k:name', ns).text or ''))
    print('href=' + g.find('k:Icon/k:href', ns).text)
    for side in ('north', 'south', 'east', 'west'):
        print(side + '=' + g.find('k:LatLonBox/k:' + side, ns).text)
    t = g.find('k:TimeSpan', ns)
    if t is not None:
        print('span=' + t.find('k:begin', ns).text + ' ' + t.find('k:end', ns).text)
s = d.find('k:ScreenOverlay', ns)
print('bar=' + s.find('k:Icon/k:href', ns).text)
t = s.find('k:TimeSpan', ns)
if t is not None:
    print('barspan=' + t.find('k:begin', ns).text + ' ' + t.find('k:end', ns).text)
)";

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST(Kml, WholeWorldDocumentWithItsImages) {
  TempDir dir;
  Scene scene(dir);
  ASSERT_EQ(fs::create_directories(dir.file("out")), true);
  const std::string path = dir.file("out/world.kml");
  ASSERT_EQ(out::ComOutMapKml(scene.kml(), path), out::kOutOk);
  const std::string base = "20241231235930";
  EXPECT_EQ(entries(dir.file("out")), (std::vector<std::string>{base + ".png", base + "_bar.png", "world.kml"}));
  EXPECT_EQ(privateEntries(), std::vector<std::string>{});
  EXPECT_EQ(lines(python(kKmlProbe, {path})),
            (std::vector<std::string>{"root={http://earth.google.com/kml/2.0}kml", "name=Aqua/AMSR-E",
                                      "description=GranuleID:Description", "overlay=", "href=./" + base + ".png",
                                      "north=90.000", "south=-90.000", "east=360.000", "west=0.000",
                                      // The running clock: the minute of the write and the next.
                                      "span=2024-12-31T23:59:00Z 2025-01-01T00:00:00Z", "bar=./" + base + "_bar.png"}));

  // The overlay: the raster of the whole world, transparent where nothing was drawn.
  const QPoint obs = pixelOf(map::ViewParams{map::kProjEqr, deg(180), 0, 1.0, 0}, 720, 360, 20.5, 10.5);
  const std::string pil = python(R"(
import sys
from PIL import Image
o = Image.open(sys.argv[1]); b = Image.open(sys.argv[2])
print(o.mode, *o.size, *o.getpixel((5, 5)), *o.getpixel((int(sys.argv[3]), int(sys.argv[4]))))
print(b.mode, *b.size, *b.getpixel((10, 15)))
)", {dir.file("out/" + base + ".png"), dir.file("out/" + base + "_bar.png"), std::to_string(obs.x()),
     std::to_string(obs.y())});
  // The bar's strip frame is black at (10, 10..20) of the bar image.
  EXPECT_EQ(pil, "RGBA 720 360 255 255 255 0 0 0 255 255\nRGB 500 70 0 0 0\n");
}

TEST(Kml, ArchiveOpensInEveryReader) {
  TempDir dir;
  Scene scene(dir);
  out::MapKmlRequest request = scene.kml();
  request.desc = out::kmlDescOf({{"G&1", "GCOM-W1", "AMSR2<", "2012-07-03T19:05:42.000Z", "2012-07-03T19:55:01.000Z"}});
  const std::string path = dir.file("world.kmz");
  ASSERT_EQ(out::ComOutMapKml(request, path), out::kOutOk);
  EXPECT_EQ(entries(dir.file("")), (std::vector<std::string>{"scene.h5", "world.kmz"}));
  EXPECT_EQ(privateEntries(), std::vector<std::string>{});

  const Shell unzip = shell("unzip -t " + shellQuote(path));
  EXPECT_EQ(unzip.status, 0) << unzip.output;
  EXPECT_NE(unzip.output.find("No errors detected"), std::string::npos) << unzip.output;

  const std::string base = "20241231235930";
  EXPECT_EQ(lines(python(R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(z.testzip())
for i in z.infolist():
    print(i.filename, i.internal_attr, i.compress_type)
sys.stdout.flush()
)", {path})),
            (std::vector<std::string>{"None", "kivo_temp.kml 1 8", base + ".png 0 8", base + "_bar.png 0 8"}));

  // The document inside, with the product's times on the overlay and on the bar, and names
  // that XML must escape.
  const std::string document = python(R"(
import sys, zipfile
sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read('kivo_temp.kml').decode('utf-8'))
)", {path});
  const std::string kmlPath = dir.file("inside.kml");
  kivo::test::writeBytes(kmlPath, document);
  EXPECT_EQ(lines(python(kKmlProbe, {kmlPath})),
            (std::vector<std::string>{"root={http://earth.google.com/kml/2.0}kml", "name=GCOM-W1/AMSR2<",
                                      std::string("description=GranuleID:\"G&1\" : ") + out::kKmlDataCredit,
                                      "overlay=GCOM-W1/AMSR2<", "href=" + base + ".png", "north=90.000",
                                      "south=-90.000", "east=360.000", "west=0.000",
                                      "span=2012-07-03T19:05:42.000Z 2012-07-03T19:55:01.000Z", "bar=" + base + "_bar.png",
                                      "barspan=2012-07-03T19:05:42.000Z 2012-07-03T19:55:01.000Z"}));

  // GDAL finds the ground overlay with the box the view showed.
  EXPECT_EQ(python(R"(
import sys, json, subprocess
j = json.loads(subprocess.check_output(['gdalinfo', '-json', sys.argv[1]]))
c = j['cornerCoordinates']
print(*j['size'], *c['upperLeft'], *c['lowerRight'])
)", {path}),
            "720 360 0.0 90.0 360.0 -90.0\n");
}

TEST(Kml, SelectionBoxes) {
  TempDir dir;
  Scene scene(dir);
  struct Case {
    map::SelectionOutline selection;
    std::vector<std::string> box;  // north, south, east, west as written
  };
  const Case cases[] = {
      // West of Greenwich: the west edge a turn on, truncated toward zero to 0.05 degrees.
      {{{deg(-30.07), deg(10.03)}, {deg(60.12), deg(-5.01)}}, {"north=10.000", "south=-5.000", "east=60.100", "west=329.950"}},
      {{{deg(100.03), deg(40.07)}, {deg(120.12), deg(20.02)}}, {"north=40.050", "south=20.000", "east=120.100", "west=100.000"}},
  };
  for (const Case& c : cases) {
    out::MapKmlRequest request = scene.kml();
    request.selection = c.selection;
    const std::string path = dir.file("sel.kmz");
    ASSERT_EQ(out::ComOutMapKml(request, path), out::kOutOk);
    const std::string document = python(R"(
import sys, zipfile
sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read('kivo_temp.kml').decode('utf-8'))
)", {path});
    kivo::test::writeBytes(dir.file("sel.kml"), document);
    const std::vector<std::string> probe = lines(python(kKmlProbe, {dir.file("sel.kml")}));
    ASSERT_GE(probe.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(probe.begin() + 5, probe.begin() + 9), c.box);
  }
  // GDAL reads the last box and the size of the cut-out raster.
  const out::OverlayPlan plan = out::planOverlay(cases[1].selection);
  EXPECT_EQ(python(R"(
import sys, json, subprocess
j = json.loads(subprocess.check_output(['gdalinfo', '-json', sys.argv[1]]))
c = j['cornerCoordinates']
print(*j['size'], *('%.3f' % v for v in c['upperLeft'] + c['lowerRight']))
)", {dir.file("sel.kmz")}),
            std::to_string(plan.cut.width()) + " " + std::to_string(plan.cut.height()) +
                " 100.000 40.050 120.100 20.000\n");
  // The selection fills the raster's height or width.
  EXPECT_TRUE(plan.cut.width() == out::kOverlayWidth || plan.cut.height() == out::kOverlayHeight);
}

TEST(Kml, DescriptorOfTheViewsFiles) {
  const std::vector<out::KmlFileMeta> files = {
      {"G1", "GCOM-W1", "AMSR2", "2012-07-03T19:05:42.123Z", "2012-07-03T19:55:00.000Z"},
      {"G2", "x", "y", "2012-07-03T18:05:42.000Z", "2012-07-03T20:55:00.000Z"},
      {"G3", "x", "y", "2012-07-03T18:05:42.000Z", "garbage"},  // the earlier tie keeps G2's start
      {"G4", "x", "y", "unreadable", "2012-07-03T20:55:00.000Z"},
  };
  const out::KmlDesc d = out::kmlDescOf(files);
  EXPECT_EQ(d.name, "GCOM-W1/AMSR2");
  EXPECT_EQ(d.granuleId, "G1");
  EXPECT_EQ(d.description, std::string("GranuleID:\"G1\" : ") + out::kKmlDataCredit);
  EXPECT_EQ(d.begin, "2012-07-03T18:05:42.000Z");
  EXPECT_EQ(d.end, "2012-07-03T20:55:00.000Z");
  const out::KmlDesc none = out::kmlDescOf({{"", "", "", "", ""}});
  EXPECT_FALSE(none.name || none.description || none.begin || none.end);
}

TEST(Kml, SeriesWithListsAndTimeSpans) {
  TempDir dir;
  out::ComKmlFile kml;
  kml.ComSetKmlNames("Aqua/AMSR-E", "Description", dir.file("series"), "series");
  std::tm clock{};
  clock.tm_year = 2025 - 1900;
  clock.tm_mon = 1;
  clock.tm_mday = 28;
  clock.tm_hour = 23;
  clock.tm_min = 58;
  kml.ComSetClock(clock);
  const std::vector<std::string> begins = {"b0", "", "b2"};
  out::KmlOverlayLists lists;
  lists.begins = &begins;
  // Three numbered frames: the given begins, ends from the running clock (an empty begin
  // writes no span); the fixed world box of a series.
  kivo::test::writeBytes(dir.file("doc.kml"),
                         kml.ComMakeKmlText(false, out::KmlBox{}, 3, true, lists, "series_bar.png", nullptr));
  const std::vector<std::string> probe = lines(python(kKmlProbe, {dir.file("doc.kml")}));
  const std::vector<std::string> expected = {
      "overlay=", "href=./series_00000000.png", "north=90", "south=-90", "east=0", "west=-360",
      "span=b0 2025-02-28T23:59:00Z",
      "overlay=", "href=./series_00000001.png", "north=90", "south=-90", "east=0", "west=-360",
      "overlay=", "href=./series_00000002.png", "north=90", "south=-90", "east=0", "west=-360",
      "span=b2 2025-03-01T00:01:00Z",
  };
  ASSERT_GE(probe.size(), 3 + expected.size());
  EXPECT_EQ(std::vector<std::string>(probe.begin() + 3, probe.begin() + 3 + static_cast<long>(expected.size())), expected);
}

// --- the ZIP container --------------------------------------------------------------------------

TEST(Zip, EntriesReadBackIncludingAnEmptyOne) {
  EXPECT_EQ(out::ComZipFile::ComGetCrc("123456789", 9), 0xCBF43926u);
  TempDir dir;
  kivo::test::writeBytes(dir.file("empty.txt"), "");
  const std::string text(100000, 'k');
  out::ComZipFile zip;
  ASSERT_EQ(zip.ComInitZip(3), out::kOutOk);
  ASSERT_EQ(zip.ComOpenZip(dir.file("a.zip")), out::kOutOk);
  EXPECT_EQ(zip.ComAddZipEntry(dir.file("empty.txt")), out::kOutOk);
  EXPECT_EQ(zip.ComAddZipEntry("text.kml", text.data(), text.size(), 1700000000), out::kOutOk);
  EXPECT_EQ(zip.ComAddZipEntry("名前.png", "x", 1, 1700000000), out::kOutOk);
  ASSERT_EQ(zip.ComWriteZipDir(), out::kOutOk);
  EXPECT_EQ(shell("unzip -tq " + shellQuote(dir.file("a.zip"))).status, 0);
  EXPECT_EQ(lines(python(R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(z.testzip())
for i in z.infolist():
    print(i.filename, i.file_size, i.compress_size < max(i.file_size, 10), len(z.read(i.filename)))
)", {dir.file("a.zip")})),
            (std::vector<std::string>{"None", "empty.txt 0 True 0", "text.kml 100000 True 100000", "名前.png 1 True 1"}));
}

// Archives beyond plain ZIP's limits, or with a source that cannot be read, fail with their
// reason and leave the previous file and no temporary one.
TEST(Zip, LimitsFailWithoutADamagedFile) {
  TempDir dir;
  EXPECT_EQ(out::ComZipFile().ComInitZip(65536), out::kOutTooLarge);
  EXPECT_EQ(out::ComZipFile().ComInitZip(65535), out::kOutOk);

  // A sparse file of 4 GiB costs no disk; it is refused before it is read.
  const std::string huge = dir.file("huge.bin");
  {
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(4ull << 30)), 0);
    ::close(fd);
  }
  kivo::test::writeBytes(dir.file("small.txt"), std::string(1000, 'a'));
  const std::string target = dir.file("a.kmz");
  kivo::test::writeBytes(target, "previous");

  struct Case {
    const char* what;
    out::ZipLimits limits;
    int capacity;
    std::vector<std::string> sources;
    int result;
  };
  const Case cases[] = {
      {"entry of 4 GiB", {}, 2, {dir.file("small.txt"), huge}, out::kOutTooLarge},
      {"archive past the size limit", {300, 10}, 4, {dir.file("small.txt"), dir.file("small.txt"), dir.file("small.txt"),
                                                     dir.file("small.txt")}, out::kOutTooLarge},
      {"more entries than room", {}, 1, {dir.file("small.txt"), dir.file("small.txt")}, out::kOutTooLarge},
      {"unreadable source", {}, 2, {dir.file("small.txt"), dir.file("gone.png")}, out::kOutSourceUnreadable},
  };
  const auto before = entries(dir.file(""));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    out::ComZipFile zip(c.limits);
    ASSERT_EQ(zip.ComInitZip(c.capacity), out::kOutOk);
    ASSERT_EQ(zip.ComOpenZip(target), out::kOutOk);
    int result = out::kOutOk;
    for (const std::string& s : c.sources) {
      if (result == out::kOutOk) result = zip.ComAddZipEntry(s);
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(zip.ComWriteZipDir(), c.result);
    EXPECT_EQ(kivo::test::readBytes(target), "previous");
    EXPECT_EQ(entries(dir.file("")), before);
  }
}

// A full disk (files of this process may not grow beyond 64 KiB) fails the archive the same way.
TEST(Zip, AFullDiskLeavesThePreviousFile) {
  TempDir dir;
  const std::string target = dir.file("a.kmz");
  kivo::test::writeBytes(target, "previous");
  const auto before = entries(dir.file(""));
  std::string noise(1 << 20, '\0');
  std::mt19937 random(7);
  for (char& c : noise) c = static_cast<char>(random());  // does not compress
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    out::ComZipFile zip;
    int result = zip.ComInitZip(1);
    if (result == out::kOutOk) result = zip.ComOpenZip(target);
    if (result == out::kOutOk) result = zip.ComAddZipEntry("noise.png", noise.data(), noise.size(), 1700000000);
    const int written = zip.ComWriteZipDir();
    ::_exit(result != out::kOutOk ? result : written);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), out::kOutDiskFull);
  EXPECT_EQ(kivo::test::readBytes(target), "previous");
  EXPECT_EQ(entries(dir.file("")), before);
}

// --- the batch OUTIMG of a map view -------------------------------------------------------------

TEST(BatchImage, WritesTheRequestAndRecordsIt) {
  TempDir dir;
  app::MainFrameOptions options;
  options.programFolder = std::string(KIVO_BIN_DIR) + "/";
  options.settingsPath = dir.file("KIVOMeriview.ini");
  options.meshDelayMs = 0;
  app::RecordingMessagePresenter messages;
  app::ScopedMessagePresenter scope{messages};
  app::RecordingBatchHistory history;
  auto frame = std::make_unique<app::CMainFrame>(options);
  frame->setBatchHistory(&history);
  frame->show();
  messages.clear();  // what the main window reported at its start is not the view's

  model::ComPrdctMngmnt* object = frame->productObjects()[0];
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  ASSERT_EQ(object->ComOpenPrdctFile(sceneProduct(dir), slot, name, projection, known), 0);
  ASSERT_EQ(object->ComLoadChnl(slot, k89AH), 0);
  object->ComStartMesh();
  app::ComPrdctMpDsp* view = frame->openMapView("view", true);
  ASSERT_NE(view, nullptr);
  view->resize(800, 550);
  app::ComPrdctMpDsp::ViewProduct product;
  product.slots[0] = {slot};
  product.channels[0] = k89AH;
  ASSERT_EQ(view->ComSetViewPrdct(product), 0);
  view->settings().ComSetStr(app::kIdOutputDir, dir.file("batch"));
  while (frame->batchEvent().tryWait()) {
  }

  // The runner counts 1 JPEG .. 4 PNG; the history 0 JPEG .. 3 PNG, with the file's name.
  app::BtchImgRec request;
  request.format = 3;
  request.path = "sub/area.tif";
  request.areaGiven = true;
  request.area = app::BtchArea{deg(19), deg(12), deg(22), deg(9)};
  ASSERT_EQ(view->ComBtchOutImg(request), 0);
  EXPECT_TRUE(frame->batchEvent().tryWait());
  const std::string written = dir.file("batch/sub/area.tif");
  const Shell tiff = shell("tiffinfo " + shellQuote(written));
  EXPECT_NE(tiff.output.find("Compression Scheme: LZW"), std::string::npos) << tiff.output;
  // Zoomed to the given area: the product fills the middle of the map.
  EXPECT_EQ(python(R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
print(*im.size, *im.getpixel((416, 335)))
)", {written}),
            "832 683 0 0 255\n");
  ASSERT_EQ(history.images.size(), 1u);
  EXPECT_EQ(history.images[0].format, 2);
  EXPECT_EQ(history.images[0].path, "area.tif");
  EXPECT_TRUE(history.images[0].areaGiven);
  EXPECT_EQ(history.images[0].area.lon1, deg(19));
  EXPECT_EQ(history.images[0].area.lat2, deg(9));

  // A format the runner never sends fails, records nothing, and still lets the runner go on.
  request.format = 5;
  request.path = "other.png";
  EXPECT_NE(view->ComBtchOutImg(request), 0);
  EXPECT_TRUE(frame->batchEvent().tryWait());
  EXPECT_FALSE(fs::exists(dir.file("batch/other.png")));
  EXPECT_EQ(history.images.size(), 1u);
  EXPECT_TRUE(messages.entries().empty());
  frame.reset();
}

}  // namespace
