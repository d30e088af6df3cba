// Animations of product files as AVI movies and KML/KMZ time series, read back by readers we
// did not write: ffprobe counts the frames and reads the stream's format, ffmpeg decodes every
// frame, PIL reads frame pixels, unzip tests the archives and Python's XML parser reads the
// documents. Frame timing runs on scripted clocks.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "colour/colour_table.h"
#include "draw/surface.h"
#include "export/avi_writer.h"
#include "export/image_export.h"
#include "export/movie_output.h"
#include "export/temp_folder.h"
#include "map/projections.h"
#include "product_gen.h"
#include "product_model/product_object.h"
#include "run_command.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace fs = std::filesystem;
namespace map = kivo::map;
namespace model = kivo::model;
namespace colour = kivo::colour;
namespace draw = kivo::draw;
namespace out = kivo::out;
namespace gen = kivo::gen;
using kivo::test::readBytes;
using kivo::test::shellQuote;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;
using kivo::test::writeBytes;

namespace {

// Fonts and painting need a GUI application.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    out::setImageTrace(nullptr);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "test_movie";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> application_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr int k89AH = 20;
constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0 + (d < 0 ? -0.5 : 0.5)); }
const colour::Colour kGrey = draw::rgb(40, 40, 40);
const std::vector<int> kWhite = {255, 255, 255};

// --- other readers ----------------------------------------------------------------------------

struct Shell {
  int status = -1;
  std::string output;
};
Shell shell(const std::string& command) {
  Shell result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  return result;
}

bool haveTools() {
  return shell("command -v ffprobe && command -v ffmpeg && command -v unzip").status == 0;
}
#define REQUIRE_TOOLS()                                            \
  if (!haveTools()) {                                              \
    GTEST_SKIP() << "ffprobe, ffmpeg or unzip is not installed"; \
  }

// Our checker beside this file, under Debian's Python with PIL.
QJsonDocument checker(const std::vector<std::string>& args) {
  static const std::string script = (fs::path(__FILE__).parent_path() / "check_movie.py").string();
  std::string command = "/usr/bin/python3 ";
  command += shellQuote(script);
  for (const std::string& a : args) {
    command += ' ';
    command += shellQuote(a);
  }
  const Shell r = shell(command);
  EXPECT_EQ(r.status, 0) << r.output;
  return QJsonDocument::fromJson(QByteArray::fromStdString(r.output));
}

struct Pixel {
  int r = -1, g = -1, b = -1, a = -1;
  std::vector<int> rgb() const { return {r, g, b}; }
};
std::vector<Pixel> pixels(const std::string& image, const std::vector<std::pair<int, int>>& at) {
  std::vector<std::string> args = {"pixels", image};
  for (const auto& [x, y] : at) {
    args.push_back(std::to_string(x));
    args.push_back(std::to_string(y));
  }
  std::vector<Pixel> result;
  for (const QJsonValue& v : checker(args).array()) {
    const QJsonArray p = v.toArray();
    result.push_back(Pixel{p[0].toInt(), p[1].toInt(), p[2].toInt(), p[3].toInt()});
  }
  EXPECT_EQ(result.size(), at.size());
  result.resize(at.size());
  return result;
}
Pixel pixel(const std::string& image, int x, int y) { return pixels(image, {{x, y}})[0]; }
// Pixels of the rectangle [x0, x1) x [y0, y1) that are not white.
int notWhite(const std::string& image, int x0, int y0, int x1, int y1) {
  return checker({"other", image, std::to_string(x0), std::to_string(y0), std::to_string(x1), std::to_string(y1), "255",
                  "255", "255"})
      .array()[0]
      .toInt(-1);
}

struct StreamInfo {
  std::string codec, pixels;
  int tag = -1;
  int width = 0, height = 0, frames = -1, declared = -1;
  std::string rate;
};
// ffprobe's view of the movie's one stream, counting the frames it decodes.
StreamInfo probe(const std::string& movie) {
  const Shell r = shell("ffprobe -v error -count_frames -show_streams -of json " + shellQuote(movie));
  EXPECT_EQ(r.status, 0) << r.output;
  const QJsonArray streams = QJsonDocument::fromJson(QByteArray::fromStdString(r.output)).object()["streams"].toArray();
  EXPECT_EQ(streams.size(), 1) << r.output;
  StreamInfo info;
  if (streams.isEmpty()) return info;
  const QJsonObject s = streams[0].toObject();
  info.codec = s["codec_name"].toString().toStdString();
  info.pixels = s["pix_fmt"].toString().toStdString();
  info.tag = s["codec_tag"].toString().toInt(nullptr, 16);
  info.width = s["width"].toInt();
  info.height = s["height"].toInt();
  info.frames = s["nb_read_frames"].toString().toInt();
  info.declared = s["nb_frames"].toString().toInt();
  info.rate = s["r_frame_rate"].toString().toStdString();
  return info;
}
// ffmpeg decodes every frame without a word.
void expectDecodes(const std::string& movie) {
  const Shell r = shell("ffmpeg -nostdin -v error -i " + shellQuote(movie) + " -f null -");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "");
}
// The movie walked chunk by chunk by our Python checker: RIFF lists, headers and both indexes
// consistent, every frame listed in order.
void expectStructure(const std::string& movie, int riffs, int frames, int firstListFrames,
                     const std::vector<int>& bitmapHeader) {
  const QJsonObject avi = checker({"avi", movie}).object();
  EXPECT_EQ(avi["errors"].toArray(), QJsonArray()) << QJsonDocument(avi).toJson().toStdString();
  EXPECT_EQ(avi["riffs"].toInt(), riffs);
  EXPECT_EQ(avi["frames"].toInt(), frames);
  EXPECT_EQ(avi["indexed"].toInt(), frames);
  EXPECT_EQ(avi["super_entries"].toInt(), riffs);
  EXPECT_EQ(avi["dmlh_frames"].toInt(), frames);
  EXPECT_EQ(avi["length"].toInt(), frames);
  EXPECT_EQ(avi["avih_frames"].toInt(), firstListFrames);
  EXPECT_EQ(avi["idx1_entries"].toInt(), firstListFrames);
  EXPECT_EQ(avi["type"].toString().toStdString(), "vids");
  EXPECT_EQ(avi["handler"].toString().toStdString(), "DIB ");
  EXPECT_EQ(avi["scale"].toInt(), 1);
  std::vector<int> header;
  for (const QJsonValue& v : avi["bitmap"].toArray()) header.push_back(v.toInt());
  EXPECT_EQ(header, bitmapHeader) << "size, width, height, planes, bits, compression, image size";
}

// Frame `index` of the movie as a PNG image.
std::string decodeFrame(const std::string& movie, int index, const std::string& png) {
  const Shell r = shell("ffmpeg -nostdin -v error -y -i " + shellQuote(movie) + " -vf " +
                        shellQuote("select=eq(n\\," + std::to_string(index) + ")") + " -frames:v 1 " + shellQuote(png));
  EXPECT_EQ(r.status, 0) << r.output;
  return png;
}

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
    const std::string probePath = candidate + "/probe";
    const int fd = ::open(probePath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return candidate;
    ::close(fd);
    ::unlink(probePath.c_str());
  }
  return {};
}

// --- products ---------------------------------------------------------------------------------

// A square of n x n observations 0.1 degree apart from (lon, lat), all of one stored count
// (0.01 K per count; 65535 is no data).
struct Block {
  double lon, lat;
  int n;
  unsigned short count;
};

// A Level 1B product of blocks in the given order.
std::string blockProduct(const std::string& path, const std::vector<Block>& blocks) {
  std::vector<float> lat, lon;
  std::vector<unsigned short> counts;
  for (const Block& b : blocks) {
    for (int i = 0; i < b.n; ++i) {
      for (int j = 0; j < b.n; ++j) {
        lat.push_back(static_cast<float>(b.lat + 0.1 * i + 0.05));
        lon.push_back(static_cast<float>(b.lon + 0.1 * j + 0.05));
        counts.push_back(b.count);
      }
    }
  }
  const unsigned long long n = lat.size();
  TinyProduct p(path);
  p.head("AMSR2-L1B", 0, "GW1AM2_201207031905_234A_L1SGBTBR_2220220");
  p.attr("PlatformShortName", "GCOM-W1").attr("SensorShortName", "AMSR2");
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

// A short generated Level 1B orbit piece (40 scans, with the generator's invalid codes).
std::string generatedProduct(const std::string& path) {
  gen::ProductOptions o;
  o.level = gen::Level::L1B;
  o.scans = 40;
  o.overlap = 0;
  o.gzip = 0;
  EXPECT_EQ(gen::writeProduct(path, o), gen::kGenOk);
  return path;
}

// Product files opened and their 89 GHz A horizontal channel loaded, with a colour table from
// 50 to 350 K.
class Files {
 public:
  explicit Files(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      int slot = -1, projection = -1;
      bool known = false;
      std::string name;
      EXPECT_EQ(object_.ComOpenPrdctFile(path, slot, name, projection, known), 0) << path;
      EXPECT_EQ(object_.ComLoadChnl(slot, k89AH), 0) << path;
      slots_.push_back(slot);
    }
    const float lo[3] = {50, 50, 50};
    const float hi[3] = {350, 350, 350};
    table_.setAutomatic(lo, hi);
  }
  const std::vector<int>& slots() const { return slots_; }
  const model::ComPrdctMngmnt& object() const { return object_; }
  const colour::ComClrTblMng& table() const { return table_; }
  std::vector<int> colourOf(double kelvin) const {
    colour::Colour c = 0;
    EXPECT_EQ(table_.ComGetColor(0, 0, static_cast<float>(kelvin), &c), 0);
    return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
  }
  // A middle observation, to centre views on.
  map::GeoPoint middle() const {
    const model::ObsPoint* points = nullptr;
    int count = 0;
    EXPECT_EQ(object_.ComGetPointArray(slots_[0], points, count, k89AH), 0);
    return count > 0 ? map::GeoPoint{points[count / 2].lon, points[count / 2].lat} : map::GeoPoint{0, 0};
  }
  int init(out::ComOtptObsMov& writer, const out::MovieSettings& settings) const {
    return writer.ComInitMov(static_cast<int>(slots_.size()), slots_.data(), &table_, &object_, 0, settings);
  }

 private:
  model::ComPrdctMngmnt object_;
  colour::ComClrTblMng table_;
  std::vector<int> slots_;
};

map::ChannelChoice channel89AH() {
  map::ChannelChoice c;
  c.chnl[0] = k89AH;
  return c;
}

// Clocks: a constant one, one that jumps by `step` at every read after the first, and one that
// holds a value per range of reads.
out::MovieClock constantClock() {
  return [] { return std::int64_t{0}; };
}
out::MovieClock steppingClock(std::int64_t step) {
  auto reads = std::make_shared<std::int64_t>(0);
  return [reads, step] { return (*reads)++ * step; };
}
out::MovieClock scriptedClock(std::vector<std::pair<int, std::int64_t>> fromRead) {
  auto reads = std::make_shared<int>(0);
  return [reads, fromRead] {
    std::int64_t t = 0;
    for (const auto& [read, value] : fromRead) {
      if (*reads >= read) t = value;
    }
    ++*reads;
    return t;
  };
}

out::MovieOptions withClock(out::MovieClock clock) {
  out::MovieOptions o;
  o.clock = std::move(clock);
  return o;
}

// A grey view raster of the filmed size.
std::unique_ptr<draw::Surface> greyRaster() {
  auto raster = std::make_unique<draw::Surface>(out::kMovieSourceWidth, out::kMovieSourceHeight);
  raster->clear(kGrey);
  return raster;
}

map::ViewParams viewOn(double lonDeg, double latDeg, double s) {
  return map::ViewParams{map::kProjEqr, deg(lonDeg), deg(latDeg), s, 0};
}

// Where a logical position of the view raster lands on the frame (nearest-neighbour stretch
// of 800 x 400 onto 804 x 406).
std::pair<int, int> framePixel(int x, int y, int mapTop) {
  const int sx = x + out::kMovieSourceWidth / 2;
  const int sy = out::kMovieSourceHeight / 2 - y;
  return {out::kMovieMapLeft + (2 * sx + 1) * out::kMovieMapWidth / (2 * out::kMovieSourceWidth),
          mapTop + (2 * sy + 1) * out::kMovieMapHeight / (2 * out::kMovieSourceHeight)};
}

// --- the AVI container ------------------------------------------------------------------------

// Frames of 16 x 8 pixels whose bytes tell their number, row and column.
std::string tinyFrame(int k) {
  std::string bytes(16 * 8 * 4, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((k * 7 + i * 13 + i / 64) & 0xFF);
  for (std::size_t i = 3; i < bytes.size(); i += 4) bytes[i] = static_cast<char>(0xFF);  // opaque
  return bytes;
}
// The same frame top-down, as a decoder gives it.
std::string topDown(const std::string& bottomUp) {
  const std::size_t row = 16 * 4;
  std::string rows;
  for (std::size_t y = 8; y-- > 0;) rows += bottomUp.substr(y * row, row);
  return rows;
}

TEST(AviFile, LongMoviesContinueInFurtherRiffListsThatDecodersRead) {
  REQUIRE_TOOLS();
  TempDir dir;
  struct Case {
    std::uint64_t limit;
    int frames;
    int riffs;
  };
  // A limit that holds the header and two frames, then eleven frames per further list; and the
  // plain limit, which holds all frames in one list.
  const Case cases[] = {{6000, 100, 10}, {out::kAviRiffLimit, 100, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    const std::string movie = dir.file("tiny.avi");
    std::string expected;
    {
      out::ComAviFile avi;
      ASSERT_EQ(avi.ComOpenAvi(movie, out::AviFormat{16, 8, 25}, c.limit), out::kOutOk);
      for (int k = 0; k < c.frames; ++k) {
        const std::string frame = tinyFrame(k);
        ASSERT_EQ(avi.ComAddFrame(frame.data(), frame.size()), out::kOutOk) << k;
        expected += topDown(frame);
      }
      EXPECT_EQ(avi.riffCount(), c.riffs);
      ASSERT_EQ(avi.ComCloseAvi(), out::kOutOk);
    }
    const StreamInfo info = probe(movie);
    EXPECT_EQ(info.codec, "rawvideo");
    EXPECT_EQ(info.tag, 0) << "BI_RGB";
    EXPECT_EQ(info.pixels, "bgra");
    EXPECT_EQ(info.width, 16);
    EXPECT_EQ(info.height, 8);
    EXPECT_EQ(info.rate, "25/1");
    EXPECT_EQ(info.frames, c.frames);
    EXPECT_EQ(info.declared, c.frames);
    // Every frame's bytes, in order and upright.
    const std::string raw = dir.file("frames.raw");
    const Shell r = shell("ffmpeg -nostdin -v error -y -i " + shellQuote(movie) + " -f rawvideo -pix_fmt bgra " + shellQuote(raw));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(readBytes(raw) == expected) << "decoded frames differ";
    expectStructure(movie, c.riffs, c.frames, c.limit == out::kAviRiffLimit ? c.frames : 2, {40, 16, 8, 1, 32, 0, 512});
  }
}

TEST(AviFile, RefusesWhatItCannotIndexAndLeavesNothing) {
  TempDir dir;
  const std::string movie = dir.file("full.avi");
  {
    // A limit that cannot hold the headers and one frame.
    out::ComAviFile avi;
    EXPECT_EQ(avi.ComOpenAvi(movie, out::AviFormat{16, 8, 25}, 5000), out::kOutBadRequest);
    EXPECT_FALSE(fs::exists(movie));
  }
  out::ComAviFile avi;
  ASSERT_EQ(avi.ComOpenAvi(movie, out::AviFormat{16, 8, 25}, 6000), out::kOutOk);
  const std::string frame = tinyFrame(0);
  EXPECT_EQ(avi.ComAddFrame(frame.data(), frame.size() - 4), out::kOutBadRequest);
  // Two frames in the first list and eleven in each further one, until the super index is full.
  const int room = 2 + 11 * (out::kAviMaxRiffs - 1);
  for (int k = 0; k < room; ++k) ASSERT_EQ(avi.ComAddFrame(frame.data(), frame.size()), out::kOutOk) << k;
  EXPECT_EQ(avi.ComAddFrame(frame.data(), frame.size()), out::kOutTooLarge);
  EXPECT_EQ(avi.ComAddFrame(frame.data(), frame.size()), out::kOutTooLarge);
  EXPECT_EQ(avi.ComCloseAvi(), out::kOutTooLarge);
  EXPECT_FALSE(fs::exists(movie));
  {
    // A movie that is never closed goes with its writer.
    out::ComAviFile abandoned;
    ASSERT_EQ(abandoned.ComOpenAvi(movie, out::AviFormat{16, 8, 25}), out::kOutOk);
    ASSERT_EQ(abandoned.ComAddFrame(frame.data(), frame.size()), out::kOutOk);
  }
  EXPECT_FALSE(fs::exists(movie));
}

// --- frame timing -----------------------------------------------------------------------------

// After the start the clock stands still at `t`: more than one interval gives one frame, an
// interval exactly gives none; the final frame comes always.
TEST(MovieTiming, OneFrameForEachIntervalPassed) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Files files({generatedProduct(dir.file("orbit.h5"))});
  const map::GeoPoint middle = files.middle();
  const map::ViewParams view{map::kProjEqr, middle.x, middle.y, 8.0, 0};
  struct Case {
    int rate;
    std::int64_t t;
    int frames;
  };
  const Case cases[] = {{10, 100, 1}, {10, 101, 2}, {30, 33, 1}, {30, 34, 2}, {1, 1000, 1}, {1, 1001, 2}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "FrmRtNum " << c.rate << ", clock " << c.t);
    out::ComOtptObsMov writer(withClock(scriptedClock({{0, 0}, {1, c.t}})));
    out::MovieSettings settings;
    settings.frameRate = c.rate;
    ASSERT_EQ(files.init(writer, settings), 0);
    auto raster = greyRaster();
    const std::string base = dir.file("m" + std::to_string(n++));
    ASSERT_EQ(writer.ComOutAviFile(raster.get(), view, base, nullptr, channel89AH()), 0);
    EXPECT_EQ(writer.framesWritten(), c.frames);
    const StreamInfo info = probe(base + ".avi");
    EXPECT_EQ(info.frames, c.frames);
    EXPECT_EQ(info.declared, c.frames);
    EXPECT_EQ(info.rate, std::to_string(c.rate) + "/1");
    EXPECT_EQ(info.width, out::kMovieFrameWidth);
    EXPECT_EQ(info.height, out::kMovieFrameHeight);
    EXPECT_EQ(info.codec, "rawvideo");
  }
}

// A clock that moves on at the 100th and the 200th read gives two frames and the final one,
// each reported to the progress callback.
TEST(MovieTiming, ScriptedClockGivesKnownFrames) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Files files({generatedProduct(dir.file("orbit.h5"))});
  const map::GeoPoint middle = files.middle();
  out::MovieOptions options = withClock(scriptedClock({{0, 0}, {100, 250}, {200, 500}}));
  std::vector<std::vector<int>> reports;
  options.progress = [&](int file, int count, int frames) { reports.push_back({file, count, frames}); };
  out::ComOtptObsMov writer(options);
  ASSERT_EQ(files.init(writer, out::MovieSettings{}), 0);
  auto raster = greyRaster();
  const std::string base = dir.file("clip");
  ASSERT_EQ(writer.ComOutAviFile(raster.get(), map::ViewParams{map::kProjEqr, middle.x, middle.y, 8.0, 0}, base,
                                 nullptr, channel89AH()),
            0);
  EXPECT_EQ(reports, (std::vector<std::vector<int>>{{0, 1, 1}, {0, 1, 2}, {0, 1, 3}}));
  EXPECT_EQ(probe(base + ".avi").frames, 3);
  expectDecodes(base + ".avi");
}

// Points without data read the clock at the first point, at every interval-th point (100 at 10
// frames per second) and at the last; in the KML series they never do.
TEST(MovieTiming, NoDataPointsReadTheClockAtIntervals) {
  REQUIRE_TOOLS();
  TempDir dir;
  // 32 x 32 = 1024 observations, all 65535: checks at points 1, 100, 200, ..., 1000 and 1024.
  const Files files({blockProduct(dir.file("empty.h5"), {{20, 10, 32, 65535}})});
  out::ComOtptObsMov writer(withClock(steppingClock(1000)));
  ASSERT_EQ(files.init(writer, out::MovieSettings{}), 0);
  auto raster = greyRaster();
  ASSERT_EQ(writer.ComOutAviFile(raster.get(), viewOn(21, 11, 4), dir.file("empty"), nullptr, channel89AH()), 0);
  EXPECT_EQ(writer.framesWritten(), 12 + 1);
  EXPECT_EQ(probe(dir.file("empty.avi")).frames, 13);

  out::ComOtptObsMov series(withClock(steppingClock(1000)));
  ASSERT_EQ(files.init(series, out::MovieSettings{}), 0);
  EXPECT_EQ(series.ComOutKmlSeries(raster.get(), viewOn(21, 11, 4), dir.file("empty"), false, channel89AH()),
            out::kOutOk);
  EXPECT_EQ(series.framesWritten(), 1);
}

// --- the frame --------------------------------------------------------------------------------

TEST(MovieFrame, TitleMapColourBarAndFileNameWhereTheSettingsPutThem) {
  REQUIRE_TOOLS();
  TempDir dir;
  // 100 K over 20..22.5 E, 10..12.5 N.
  const Files files({blockProduct(dir.file("scene.h5"), {{20, 10, 25, 10000}})});
  const map::ViewParams view = viewOn(21.25, 11.25, 4);
  struct Case {
    bool title;
    int titlePosition;
    bool name;
    int namePosition;
    bool bar;
    int inkLeft, inkRight;  // where the title has ink (x range); no ink elsewhere in its band
  };
  const Case cases[] = {
      {true, 0, true, 0, true, 8, 300},
      {true, 1, false, 0, false, 250, 570},
      {true, 2, true, 1, true, 520, 812},
      {false, 0, true, 1, false, 0, 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    out::MovieSettings settings;
    settings.titleShown = c.title;
    settings.titlePosition = c.titlePosition;
    settings.title = "Brightness 89 GHz";
    settings.fileNameShown = c.name;
    settings.fileNamePosition = c.namePosition;
    settings.colourBar.show = c.bar;
    out::ComOtptObsMov writer(withClock(constantClock()));
    ASSERT_EQ(files.init(writer, settings), 0);
    auto raster = greyRaster();
    const std::string base = dir.file("layout" + std::to_string(n++));
    ASSERT_EQ(writer.ComOutAviFile(raster.get(), view, base, nullptr, channel89AH()), 0);
    ASSERT_EQ(writer.framesWritten(), 1);
    const std::string png = decodeFrame(base + ".avi", 0, base + ".png");

    const int top = c.namePosition == 0 ? out::kMovieMapTopUpper : out::kMovieMapTopLower;
    const int bottom = top + out::kMovieMapHeight;
    int x = 0, y = 0;
    map::projectForView(view, deg(21.25), deg(11.25), x, y);
    const auto [px, py] = framePixel(x, y, top);
    const std::vector<Pixel> p = pixels(png, {{20, top - 1}, {20, top}, {20, bottom - 1}, {20, bottom}, {4, 200},
                                              {815, 200}, {px, py}});
    EXPECT_EQ(p[0].rgb(), kWhite) << "above the map";
    EXPECT_EQ(p[1].rgb(), (std::vector<int>{40, 40, 40})) << "first map row";
    EXPECT_EQ(p[2].rgb(), (std::vector<int>{40, 40, 40})) << "last map row";
    EXPECT_EQ(p[3].rgb(), kWhite) << "below the map";
    EXPECT_EQ(p[4].rgb(), kWhite) << "left margin";
    EXPECT_EQ(p[5].rgb(), kWhite) << "right margin";
    EXPECT_EQ(p[6].rgb(), files.colourOf(100.0)) << "the product at " << px << "," << py;

    // The title band: ink only where the position puts the title.
    if (c.title) {
      EXPECT_GT(notWhite(png, c.inkLeft, 5, c.inkRight, 34), 0);
      EXPECT_EQ(notWhite(png, 0, 0, c.inkLeft, 34) + notWhite(png, c.inkRight, 0, 820, 34), 0);
    } else {
      EXPECT_EQ(notWhite(png, 0, 0, 820, top), 0) << "the top band stays white";
    }
    // The file name, right-aligned over the map or under the colour bar.
    const int nameTop = c.namePosition == 0 ? out::kMovieNameTopUpper : out::kMovieNameTopLower;
    EXPECT_EQ(notWhite(png, 600, nameTop, 812, std::min(nameTop + 14, 550)) > 0, c.name);
    EXPECT_EQ(notWhite(png, 812, 0, 820, 550), 0);
    // The colour bar, 500 x 70 with its bottom at 530.
    EXPECT_EQ(notWhite(png, 155, 460, 655, 530) > 0, c.bar);
    EXPECT_EQ(notWhite(png, 0, bottom, 155, 536), 0);
  }
}

// With protected layers the coastline and line colours stay in front of the points: all three
// in movies, the coastline only in KML series.
TEST(MovieFrame, ProtectedLayerPixelsStayInFront) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Files files({blockProduct(dir.file("scene.h5"), {{20, 10, 25, 10000}})});
  const map::ViewParams view = viewOn(21.25, 11.25, 4);
  out::MovieSettings settings;
  settings.coastColour = draw::rgb(255, 255, 0);
  settings.latLonColour = draw::rgb(0, 255, 0);
  const auto raster = [&] {
    auto r = greyRaster();
    r->fillRect(-1, 20, 3, 41, settings.coastColour);   // x -1..1
    r->fillRect(6, 20, 3, 41, settings.latLonColour);   // x 6..8
    return r;
  };
  const std::vector<int> product = files.colourOf(100.0);
  const std::vector<int> coast = {255, 255, 0};
  const std::vector<int> lines = {0, 255, 0};
  for (bool protect : {true, false}) {
    SCOPED_TRACE(protect);
    settings.protectLayers = protect;
    out::ComOtptObsMov movie(withClock(constantClock()));
    ASSERT_EQ(files.init(movie, settings), 0);
    auto movieRaster = raster();
    const std::string base = dir.file(protect ? "kept" : "covered");
    ASSERT_EQ(movie.ComOutAviFile(movieRaster.get(), view, base, nullptr, channel89AH()), 0);
    const std::string png = decodeFrame(base + ".avi", 0, base + ".png");
    const auto [cx, cy] = framePixel(0, 0, out::kMovieMapTopLower);
    const auto [lx, ly] = framePixel(7, 0, out::kMovieMapTopLower);
    const std::vector<Pixel> p = pixels(png, {{cx, cy}, {lx, ly}});
    EXPECT_EQ(p[0].rgb(), protect ? coast : product);
    EXPECT_EQ(p[1].rgb(), protect ? lines : product);

    out::ComOtptObsMov series(withClock(constantClock()));
    ASSERT_EQ(files.init(series, settings), 0);
    auto seriesRaster = raster();
    ASSERT_EQ(series.ComOutKmlSeries(seriesRaster.get(), view, base, false, channel89AH()), out::kOutOk);
    const std::vector<Pixel> q = pixels(base + "_00000000.png", {{out::kSeriesWidth / 2, out::kSeriesHeight / 2},
                                                                 {out::kSeriesWidth / 2 + 7, out::kSeriesHeight / 2}});
    EXPECT_EQ(q[0].a, protect ? 0 : 255) << "a protected coastline pixel is not drawn";
    if (!protect) {
      EXPECT_EQ(q[0].rgb(), product);
    }
    EXPECT_EQ(q[1].rgb(), product) << "the series draws over line colours";
    EXPECT_EQ(q[1].a, 255);
  }
}

// A movie draws each pixel once in the whole run: where two files overlap, the first one's
// colour stays.
TEST(MovieFrame, APixelKeepsTheFirstFileThatDrewIt) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Files files({blockProduct(dir.file("a.h5"), {{20, 10, 25, 10000}}),
                     blockProduct(dir.file("b.h5"), {{20, 10, 25, 30000}, {30, 10, 25, 30000}})});
  out::ComOtptObsMov writer(withClock(constantClock()));
  ASSERT_EQ(files.init(writer, out::MovieSettings{}), 0);
  auto raster = greyRaster();
  const map::ViewParams view = viewOn(21.25, 11.25, 4);
  ASSERT_EQ(writer.ComOutAviFile(raster.get(), view, dir.file("two"), nullptr, channel89AH()), 0);
  const std::string png = decodeFrame(dir.file("two.avi"), 0, dir.file("two.png"));
  int x = 0, y = 0;
  map::projectForView(view, deg(31.25), deg(11.25), x, y);
  const auto [ax, ay] = framePixel(0, 0, out::kMovieMapTopLower);
  const auto [bx, by] = framePixel(x, y, out::kMovieMapTopLower);
  const std::vector<Pixel> p = pixels(png, {{ax, ay}, {bx, by}});
  EXPECT_EQ(p[0].rgb(), files.colourOf(100.0));
  EXPECT_EQ(p[1].rgb(), files.colourOf(300.0));
}

// --- where the outputs go ---------------------------------------------------------------------

TEST(MovieOutput, ExtensionPicksTheWriterAndTheNameKeepsItsBase) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Files files({blockProduct(dir.file("scene.h5"), {{20, 10, 5, 10000}})});
  struct Case {
    std::string name;
    int result;
    std::vector<std::string> written;
  };
  const std::vector<Case> cases = {
      {"a.avi", 0, {"a.avi"}},
      {"b.AVI", 0, {"b.avi"}},
      {"c.take1.Avi", 0, {"c.take1.avi"}},
      {"d.Kml", out::kOutOk, {"d.kml", "d_00000000.png", "d_bar.png"}},
      {"e.KMZ", out::kOutOk, {"e.kmz"}},
      {"f.mov", out::kOutBadRequest, {}},
      {"g", out::kOutBadRequest, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = dir.file("out_" + std::to_string(&c - cases.data()));
    fs::create_directories(folder);
    out::ComOtptObsMov writer(withClock(constantClock()));
    ASSERT_EQ(files.init(writer, out::MovieSettings{}), 0);
    auto raster = greyRaster();
    EXPECT_EQ(out::ComOutMovie(writer, raster.get(), viewOn(180, 0, 1), folder + "/" + c.name, nullptr, channel89AH()),
              c.result);
    EXPECT_EQ(entries(folder), c.written);
    EXPECT_EQ(privateEntries(), std::vector<std::string>{}) << "no temporary file survives";
  }
  EXPECT_EQ(probe(dir.file("out_1/b.avi")).frames, 1);
}

TEST(MovieOutput, FailedMoviesLeaveNothingAndKeepTheOldFile) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Files files({blockProduct(dir.file("scene.h5"), {{20, 10, 5, 10000}})});
  const std::string locked = unwritableFolder(dir);
  fs::create_directories(dir.file("folder.avi"));
  std::vector<std::string> bases = {dir.file("missing/m"), dir.file("folder")};
  if (!locked.empty()) bases.push_back(locked + "/m");
  const auto before = entries(dir.file(""));
  for (const std::string& base : bases) {
    SCOPED_TRACE(base);
    out::ComOtptObsMov writer(withClock(constantClock()));
    ASSERT_EQ(files.init(writer, out::MovieSettings{}), 0);
    auto raster = greyRaster();
    EXPECT_EQ(writer.ComOutAviFile(raster.get(), viewOn(21, 11, 4), base, nullptr, channel89AH()), out::kMsgMovieFailed);
    EXPECT_EQ(entries(dir.file("")), before);
    EXPECT_EQ(entries(dir.file("folder.avi")), std::vector<std::string>{});
    if (!locked.empty() && locked != "/sys") {
      EXPECT_EQ(entries(locked), std::vector<std::string>{});
    }
    EXPECT_EQ(privateEntries(), std::vector<std::string>{});
  }

  // A movie whose first list cannot hold one frame fails before it replaces anything.
  const std::string old = dir.file("kept.avi");
  writeBytes(old, "an older movie");
  out::MovieOptions tight = withClock(constantClock());
  tight.aviRiffLimit = 1 << 20;
  out::ComOtptObsMov writer(tight);
  ASSERT_EQ(files.init(writer, out::MovieSettings{}), 0);
  auto raster = greyRaster();
  EXPECT_EQ(writer.ComOutAviFile(raster.get(), viewOn(21, 11, 4), dir.file("kept"), nullptr, channel89AH()),
            out::kMsgMovieFailed);
  EXPECT_EQ(readBytes(old), "an older movie");
  EXPECT_EQ(privateEntries(), std::vector<std::string>{});
}

// A movie of five frames under a limit of two frames per RIFF list: three lists, every frame
// decoded, the last one showing the whole drawing; an older file of the name is replaced.
TEST(MovieOutput, MoviesBeyondTheListLimitStayReadable) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Files files({blockProduct(dir.file("scene.h5"), {{20, 10, 25, 10000}})});
  out::MovieOptions options = withClock(scriptedClock({{0, 0}, {10, 200}, {20, 400}, {30, 600}, {40, 800}}));
  options.aviRiffLimit = 4 << 20;
  out::ComOtptObsMov writer(options);
  ASSERT_EQ(files.init(writer, out::MovieSettings{}), 0);
  const std::string movie = dir.file("long.avi");
  writeBytes(movie, "an older movie");
  auto raster = greyRaster();
  const map::ViewParams view = viewOn(21.25, 11.25, 4);
  ASSERT_EQ(writer.ComOutAviFile(raster.get(), view, dir.file("long"), nullptr, channel89AH()), 0);
  EXPECT_EQ(writer.framesWritten(), 5);
  const StreamInfo info = probe(movie);
  EXPECT_EQ(info.frames, 5);
  EXPECT_EQ(info.declared, 5);
  expectDecodes(movie);
  expectStructure(movie, 3, 5, 2, {40, 820, 550, 1, 32, 0, 1804000});
  const std::string last = decodeFrame(movie, 4, dir.file("last.png"));
  const auto [px, py] = framePixel(0, 0, out::kMovieMapTopLower);
  EXPECT_EQ(pixel(last, px, py).rgb(), files.colourOf(100.0));
  EXPECT_EQ(privateEntries(), std::vector<std::string>{});
}

// --- KML and KMZ series -----------------------------------------------------------------------

// How many distinct pixels the view gives the points of a block (what one file plots).
int distinctPixels(const map::ViewParams& view, const Block& b) {
  std::set<std::pair<int, int>> seen;
  for (int i = 0; i < b.n; ++i) {
    for (int j = 0; j < b.n; ++j) {
      int x = 0, y = 0;
      const double lat = static_cast<float>(b.lat + 0.1 * i + 0.05);
      const double lon = static_cast<float>(b.lon + 0.1 * j + 0.05);
      map::projectForView(view, static_cast<std::int32_t>(std::trunc(lon * 1e6)),
                          static_cast<std::int32_t>(std::trunc(lat * 1e6)), x, y);
      seen.insert({x, y});
    }
  }
  return static_cast<int>(seen.size());
}

// Three files over the same area (100, 200 and 300 K), the first also over a second area. A
// clock that jumps at every read takes a frame at every plotted pixel.
TEST(MovieSeries, EachFileAddsItsFramesAndAFinalOneAndShowsItselfAlone) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Block shared1{20, 10, 21, 10000}, extra{40, -20, 11, 10000}, shared2{20, 10, 21, 20000},
      shared3{20, 10, 21, 30000};
  const Files files({blockProduct(dir.file("a.h5"), {shared1, extra}), blockProduct(dir.file("b.h5"), {shared2}),
                     blockProduct(dir.file("c.h5"), {shared3})});
  const map::ViewParams view = viewOn(180, 0, 1);  // the whole world, as overlays need it
  const int n1 = distinctPixels(view, shared1) + distinctPixels(view, extra);
  const int n2 = distinctPixels(view, shared2);
  const int n3 = distinctPixels(view, shared3);
  const auto canvasPixel = [&](double lon, double lat) {
    int x = 0, y = 0;
    map::projectForView(view, deg(lon), deg(lat), x, y);
    return std::pair<int, int>{x + out::kSeriesWidth / 2, out::kSeriesHeight / 2 - y};
  };
  const auto block = canvasPixel(21.05, 11.05);
  const auto second = canvasPixel(40.55, -19.45);

  for (bool kmz : {false, true}) {
    SCOPED_TRACE(kmz ? "KMZ" : "KML");
    out::MovieOptions options = withClock(steppingClock(100));
    std::vector<int> framesOfFile(3, 0);
    options.progress = [&](int file, int count, int) {
      EXPECT_EQ(count, 3);
      ++framesOfFile[static_cast<std::size_t>(file)];
    };
    out::ComOtptObsMov writer(options);
    out::MovieSettings settings;
    settings.frameRate = 30;
    ASSERT_EQ(files.init(writer, settings), 0);
    auto raster = greyRaster();
    const std::string folder = dir.file(kmz ? "kmz" : "kml");
    fs::create_directories(folder);
    const std::string base = folder + "/series";
    const int result = kmz ? writer.ComOutKmzSeries(raster.get(), view, base, channel89AH())
                           : writer.ComOutKmlSeries(raster.get(), view, base, false, channel89AH());
    ASSERT_EQ(result, out::kOutOk);
    const int total = n1 + n2 + n3 + 3;
    EXPECT_EQ(writer.framesWritten(), total);
    EXPECT_EQ(framesOfFile, (std::vector<int>{n1 + 1, n2 + 1, n3 + 1}));

    const std::string document = kmz ? base + ".kmz" : base + ".kml";
    if (kmz) {
      const Shell test = shell("unzip -t " + shellQuote(document));
      EXPECT_EQ(test.status, 0) << test.output;
      EXPECT_EQ(entries(folder), std::vector<std::string>{"series.kmz"});
      EXPECT_EQ(privateEntries(), std::vector<std::string>{});
    }
    const QJsonObject kml = checker({"kml", document}).object();
    const QJsonArray hrefs = kml["hrefs"].toArray();
    ASSERT_EQ(hrefs.size(), total);
    EXPECT_TRUE(kml["increasing"].toBool()) << "time spans in frame order";
    EXPECT_EQ(kml["name"].toString().toStdString(), "GCOM-W1/AMSR2");
    const std::string image = kmz ? "kivo_temp" : "./series";
    EXPECT_EQ(hrefs[0].toString().toStdString(), image + "_00000000.png");
    EXPECT_EQ(kml["bar"].toString().toStdString(), image + "_bar.png");
    if (kmz) {
      const QJsonArray names = kml["entries"].toArray();
      ASSERT_EQ(names.size(), total + 2);
      EXPECT_EQ(names[0].toString().toStdString(), "kivo_temp.kml");
      EXPECT_EQ(names[total + 1].toString().toStdString(), "kivo_temp_bar.png");
      continue;
    }
    // The numbered frames and the bar lie beside the document.
    EXPECT_EQ(entries(folder).size(), static_cast<std::size_t>(total + 2));
    const auto frame = [&](int k) {
      char name[32];
      std::snprintf(name, sizeof name, "_%08d.png", k);
      return base + name;
    };
    const std::vector<Pixel> end1 = pixels(frame(n1), {block, second});
    const std::vector<Pixel> end2 = pixels(frame(n1 + 1 + n2), {block, second});
    const std::vector<Pixel> end3 = pixels(frame(total - 1), {block, second});
    EXPECT_EQ(end1[0].rgb(), files.colourOf(100.0));
    EXPECT_EQ(end1[1].rgb(), files.colourOf(100.0));
    EXPECT_EQ(end2[0].rgb(), files.colourOf(200.0)) << "drawn again over the first file's pixels";
    EXPECT_EQ(end2[1].a, 0) << "the second file's frames show it alone";
    EXPECT_EQ(end3[0].rgb(), files.colourOf(300.0));
    EXPECT_EQ(end3[0].a, 255);
  }
}

// --- refusals ---------------------------------------------------------------------------------

TEST(MovieWriter, RefusesWhatItCannotHold) {
  TempDir dir;
  const Files files({blockProduct(dir.file("scene.h5"), {{20, 10, 5, 10000}})});
  const int slots[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const model::ComPrdctMngmnt& object = files.object();
  const colour::ComClrTblMng& table = files.table();
  out::MovieSettings fast;
  fast.frameRate = 31;
  out::ComOtptObsMov writer;
  EXPECT_EQ(writer.ComInitMov(11, slots, &table, &object, 0, out::MovieSettings{}), 1);
  EXPECT_EQ(writer.ComInitMov(0, slots, &table, &object, 0, out::MovieSettings{}), 1);
  EXPECT_EQ(writer.ComInitMov(1, nullptr, &table, &object, 0, out::MovieSettings{}), 1);
  EXPECT_EQ(writer.ComInitMov(1, slots, nullptr, &object, 0, out::MovieSettings{}), 1);
  EXPECT_EQ(writer.ComInitMov(1, slots, &table, nullptr, 0, out::MovieSettings{}), 1);
  EXPECT_EQ(writer.ComInitMov(1, slots, &table, &object, 0, fast), 1);
  EXPECT_EQ(writer.fileCount(), 0);
  auto raster = greyRaster();
  EXPECT_EQ(writer.ComOutAviFile(raster.get(), viewOn(21, 11, 4), dir.file("none"), nullptr, channel89AH()),
            out::kMsgMovieFailed);
  EXPECT_FALSE(fs::exists(dir.file("none.avi")));
  EXPECT_EQ(writer.ComInitMov(10, slots, &table, &object, 0, out::MovieSettings{}), 0);
  EXPECT_EQ(writer.fileCount(), 10);
}

}  // namespace
