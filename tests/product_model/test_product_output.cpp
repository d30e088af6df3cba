// Saving an area of a product as a new AMSR2 product: the scans kept, every dataset and root
// attribute of the copy as independent readers (h5dump, h5py) see it, the product opened again,
// and failures that leave no file behind.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

#include "product_gen.h"
#include "product_io/amsr2_io.h"
#include "product_io/product_time.h"
#include "product_model/product_object.h"
#include "product_model/product_output.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace io = kivo::io;
namespace gen = kivo::gen;
namespace model = kivo::model;
namespace fs = std::filesystem;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

constexpr int kDeg = 1000000;

struct Output {
  int status = -1;
  std::string text;
};

Output run(const std::string& command) {
  Output out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
  const int raw = ::pclose(pipe);
  if (raw != -1 && WIFEXITED(raw)) out.status = WEXITSTATUS(raw);
  return out;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// A latitude/longitude box of two corners (microdegrees).
model::HdfOutputArea box(std::int32_t lon1, std::int32_t lat1, std::int32_t lon2, std::int32_t lat2) {
  model::HdfOutputArea area;
  area.lon1 = lon1;
  area.lat1 = lat1;
  area.lon2 = lon2;
  area.lat2 = lat2;
  return area;
}

// The value after `key ` on a line of the checker's output, or -1.
long long valueAfter(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + " ", 0) == 0) return std::stoll(line.substr(key.size() + 1));
  }
  return -1;
}

std::string rootAttribute(const std::string& path, const char* name) {
  const io::ProductHandle h = io::openProduct(path.c_str());
  std::string value;
  if (h > 0) {
    io::getMetaDataByName(h, name, value);
    io::closeProduct(h);
  }
  return value;
}

std::vector<std::string> rootAttributeNames(const std::string& path) {
  std::vector<std::string> names;
  const io::ProductHandle h = io::openProduct(path.c_str());
  if (h <= 0) return names;
  const int count = io::getMetaDataCount(h);
  for (int i = 1; i <= count; ++i) {
    std::string name;
    io::getMetaDataName(h, i, name);
    names.push_back(name);
  }
  io::closeProduct(h);
  return names;
}

std::string observationTime(const std::string& path, int scan) {
  const io::ProductHandle h = io::openProduct(path.c_str());
  std::vector<io::ScanTimeRecord> records;
  const int rc = io::getScanTime(h, scan, scan, records, std::string(KIVO_DATA_DIR) + "/leapsec.dat");
  io::closeProduct(h);
  return rc > 0 ? io::formatObservationTime(records.front()) : std::string();
}

// Every entry of a folder.
std::vector<std::string> listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ProductOutput : public ::testing::Test {
 protected:
  model::ComPrdctMngmnt object{model::ProductObjectSettings{std::string(KIVO_DATA_DIR) + "/", nullptr, 0}};
  TempDir dir;

  int open(const std::string& path) {
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    return object.ComOpenPrdctFile(path, slot, name, projection, known) == 0 ? slot : -1;
  }

  std::string generate(const std::string& name, gen::ProductOptions options) {
    const std::string path = dir.file(name);
    EXPECT_EQ(gen::writeProduct(path, options), gen::kGenOk) << name;
    return path;
  }
};

// --- a cut of each level ---------------------------------------------------------------------

struct LevelCase {
  const char* name;
  gen::Level level;
  char mark;
  const char* quantity;
  const char* latDataset;
  const char* lonDataset;
  int channel;  // loaded from the copy
};

void PrintTo(const LevelCase& c, std::ostream* out) { *out << c.name; }

class ProductOutputLevels : public ProductOutput, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(ProductOutputLevels, CopiesTheScansInTheBox) {
  const LevelCase& c = GetParam();
  gen::ProductOptions options;
  options.level = c.level;
  options.scans = 60;
  options.overlap = 5;
  options.resolutionMark = c.mark;
  options.quantity = c.quantity;
  const std::string source = generate("source.h5", options);
  if (c.level == gen::Level::L1B) {
    // Packet flags in three scans' quality records (the word at byte 8): a missing scan
    // (bit 0), then packets 1 and 15 missing with bit 16 set above the packet bits, then
    // another missing scan.
    const hid_t file = H5Fopen(source.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    const hid_t ds = H5Dopen2(file, "Scan Data Quality", H5P_DEFAULT);
    const hid_t space = H5Dget_space(ds);
    const hsize_t start[2] = {33, 8}, count[2] = {3, 4};
    H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, count, nullptr);
    const hid_t mem = H5Screate_simple(2, count, nullptr);
    const std::uint8_t words[12] = {0x01, 0, 0, 0, 0x02, 0x80, 0x01, 0x00, 0x01, 0, 0, 0};
    EXPECT_GE(H5Dwrite(ds, H5T_NATIVE_UCHAR, mem, space, H5P_DEFAULT, words), 0);
    H5Sclose(mem);
    H5Sclose(space);
    H5Dclose(ds);
    H5Fclose(file);
  }
  const int slot = open(source);
  ASSERT_GE(slot, 0);

  // A box over part of the swath: the rows with the invalid brightness temperatures (stored
  // rows 30 and 31) are among the scans kept, the first and last scans are not.
  const model::HdfOutputArea area = box(-68 * kDeg, -83 * kDeg, -60 * kDeg, -86 * kDeg);
  const std::string output = dir.file("cut.h5");
  ASSERT_EQ(object.ComOutputHdf(slot, output, area), model::kHdfOutputDone);

  const Output dump = run("h5dump -H " + quoted(output));
  EXPECT_EQ(dump.status, 0) << dump.text;
  EXPECT_NE(dump.text.find("DATASET \"" + std::string(c.latDataset) + "\""), std::string::npos);

  const std::string script = (fs::path(__FILE__).parent_path() / "check_hdf_output.py").string();
  const Output check = run("/usr/bin/python3 " + quoted(script) + " " + quoted(source) + " " + quoted(output) + " " +
                           quoted(c.latDataset) + " " + quoted(c.lonDataset) + " " + std::to_string(area.lon1) + " " +
                           std::to_string(area.lat1) + " " + std::to_string(area.lon2) + " " +
                           std::to_string(area.lat2));
  EXPECT_EQ(check.status, 0) << check.text;
  EXPECT_NE(check.text.find("\nOK"), std::string::npos) << check.text;
  const long long count = valueAfter(check.text, "COUNT");
  const long long firstRow = valueAfter(check.text, "FIRST_ROW");
  const long long lastRow = valueAfter(check.text, "LAST_ROW");
  ASSERT_GT(count, 0);
  EXPECT_LT(count, 60) << "the box should cut the swath";
  const int overlap = c.level == gen::Level::L2 ? 0 : 5;
  EXPECT_GT(firstRow, overlap);
  if (c.level != gen::Level::L2) {
    EXPECT_LE(firstRow, 30);
    EXPECT_GE(lastRow, 33);
  }

  // Observation times are the first and last kept scans' times.
  EXPECT_EQ(rootAttribute(output, "ObservationStartDateTime"),
            observationTime(source, static_cast<int>(firstRow) - overlap + 1));
  EXPECT_EQ(rootAttribute(output, "ObservationEndDateTime"),
            observationTime(source, static_cast<int>(lastRow) - overlap + 1));
  EXPECT_TRUE(std::regex_match(rootAttribute(output, "ProductionDateTime"),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
  // The source's attributes keep their order, as readers index them.
  const std::vector<std::string> sourceNames = rootAttributeNames(source);
  const std::vector<std::string> outputNames = rootAttributeNames(output);
  ASSERT_GE(outputNames.size(), sourceNames.size());
  EXPECT_TRUE(std::equal(sourceNames.begin(), sourceNames.end(), outputNames.begin()));

  // The copy is a product of the same type that loads.
  const int copy = open(output);
  ASSERT_GE(copy, 0);
  EXPECT_EQ(object.ComGetPrdctType(copy), object.ComGetPrdctType(slot));
  ASSERT_EQ(object.ComLoadChnl(copy, c.channel), 0);
  EXPECT_GT(object.ComGetPointCount(copy, c.channel), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ProductOutputLevels,
    ::testing::Values(
        LevelCase{"L1B", gen::Level::L1B, 'L', "SST", "Latitude of Observation Point for 89A",
                  "Longitude of Observation Point for 89A", 20},
        // Channel 57 (res23-89V) is one the copy must not leave out.
        LevelCase{"L1R", gen::Level::L1R, 'L', "SST", "Latitude of Observation Point for 89A",
                  "Longitude of Observation Point for 89A", 57},
        LevelCase{"L2Low", gen::Level::L2, 'L', "SST", "Latitude of Observation Point",
                  "Longitude of Observation Point", 67},
        LevelCase{"L2High", gen::Level::L2, 'H', "PRC", "Latitude of Observation Point for 89A",
                  "Longitude of Observation Point for 89A", 70}),
    [](const auto& info) { return std::string(info.param.name); });

// --- scan selection ---------------------------------------------------------------------------

class ProductOutputSelection : public ProductOutput {
 protected:
  // A Level 1B product of seven scans after one overlap scan, two pixels each, one channel:
  // scans 1-2 at 175 E, 3-4 at 0, 5-6 at 175 W, 7 at 50 N.
  std::string level1b() {
    TinyProduct p(dir.file("tiny.h5"));
    p.head("AMSR2-L1B", 1, "GW1AM2_201207031905_234A_L1SGBTBR_2220220");
    p.attr("NumberOfScans", "6");
    const std::vector<float> lat = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 50, 50};
    const std::vector<float> lon = {0, 0, 175, 176, 175, 176, 0, 1, 0, 1, -175, -176, -175, -176, 0, 0};
    std::vector<double> times(8);
    for (int r = 0; r < 8; ++r) times[static_cast<std::size_t>(r)] = 6.0e8 + 1.5 * r;
    p.data("Scan Time", Stored::F64, {8}, times);
    p.data("Latitude of Observation Point for 89A", Stored::F32, {8, 2}, lat);
    p.data("Longitude of Observation Point for 89A", Stored::F32, {8, 2}, lon);
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {8, 2}, kivo::test::iota<unsigned short>(16, 100),
           0.01f);
    return p.close();
  }

  // Longitudes of the first pixel of every scan of an output.
  static std::vector<float> firstLongitudes(const std::string& path) {
    const io::ProductHandle h = io::openProduct(path.c_str());
    std::vector<io::LatLon> positions;
    io::getLatLon(h, positions, io::kAllScans, io::kAllScans, io::kLabelLatLon89A);
    io::closeProduct(h);
    std::vector<float> out;
    for (std::size_t i = 0; i < positions.size(); i += 2) out.push_back(positions[i].lon);
    return out;
  }
};

TEST_F(ProductOutputSelection, BoxesAndMapAreas) {
  const int slot = open(level1b());
  ASSERT_GE(slot, 0);
  const auto project = [](std::int32_t lon, std::int32_t lat, std::int64_t& x, std::int64_t& y) {
    if (lat > 40 * kDeg) return false;  // off this map
    x = lon / 1000;
    y = lat / 1000;
    return true;
  };
  struct Case {
    const char* name;
    model::HdfOutputArea area;
    std::vector<float> longitudes;  // first pixel of each kept scan
  };
  model::HdfOutputArea dateLine = box(170 * kDeg, 10 * kDeg, -170 * kDeg, -10 * kDeg);
  model::HdfOutputArea reversed = box(-170 * kDeg, 10 * kDeg, 170 * kDeg, -10 * kDeg);  // not across the date line
  model::HdfOutputArea corner = box(0, 60 * kDeg, 1 * kDeg, 40 * kDeg);
  model::HdfOutputArea map;
  map.project = project;
  map.mapX1 = 174000;
  map.mapY1 = 0;
  map.mapX2 = 180000;
  map.mapY2 = 60000;
  model::HdfOutputArea offMap = map;
  offMap.mapX1 = -1000;
  offMap.mapX2 = 1000;  // the scan at 50 N lies in the rectangle but not on the map
  offMap.mapY1 = 2500;
  offMap.mapY2 = 60000;
  const Case cases[] = {
      {"date line", dateLine, {175, 175, -175, -175}},
      {"reversed corners", reversed, {0, 0}},
      {"edge included", corner, {0}},
      {"map area", map, {175, 175}},
      {"off the map", offMap, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir.file(std::string(c.name) + ".h5");
    ASSERT_EQ(object.ComOutputHdf(slot, output, c.area), model::kHdfOutputDone);
    EXPECT_EQ(firstLongitudes(output), c.longitudes);
    EXPECT_EQ(rootAttribute(output, "NumberOfScans"), std::to_string(c.longitudes.size()));
  }
}

TEST_F(ProductOutputSelection, AnEmptyAreaWritesNothing) {
  const int slot = open(level1b());
  ASSERT_GE(slot, 0);
  const std::vector<std::string> before = listing(dir.file(""));
  const model::HdfOutputArea nowhere = box(-100 * kDeg, 30 * kDeg, -90 * kDeg, 20 * kDeg);
  EXPECT_EQ(object.ComOutputHdf(slot, dir.file("empty.h5"), nowhere), model::kHdfOutputNoScans);
  EXPECT_EQ(listing(dir.file("")), before);
}

// --- failures ------------------------------------------------------------------------------------

TEST_F(ProductOutput, RefusedRequestsAndFailedWritesLeaveNoFile) {
  gen::ProductOptions options;
  options.scans = 60;
  options.overlap = 5;
  const std::string source = generate("source.h5", options);
  const int slot = open(source);
  ASSERT_GE(slot, 0);
  const model::HdfOutputArea everything = box(-180 * kDeg, 90 * kDeg, 180 * kDeg, -90 * kDeg);

  fs::create_directories(dir.file("folder.h5"));
  fs::create_directories(dir.file("locked"));
  fs::permissions(dir.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  struct Case {
    const char* name;
    int slot;
    std::string path;
  };
  std::vector<Case> cases = {
      {"free slot", 7, dir.file("free.h5")},
      {"missing folder", slot, dir.file("missing/out.h5")},
      {"path is a folder", slot, dir.file("folder.h5")},
      {"over its own source", slot, source},
  };
  // A read-only folder stops everyone but the superuser.
  if (::geteuid() != 0) cases.push_back({"read-only folder", slot, dir.file("locked/out.h5")});
  const std::vector<std::string> before = listing(dir.file(""));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(object.ComOutputHdf(c.slot, c.path, everything), model::kHdfOutputFailed);
    EXPECT_EQ(listing(dir.file("")), before);
  }
  EXPECT_TRUE(fs::is_directory(dir.file("folder.h5")));
  EXPECT_TRUE(fs::is_empty(dir.file("locked")));
  fs::permissions(dir.file("locked"), fs::perms::owner_all);

  // A level without a copy list is refused before anything is written.
  gen::ProductOptions level1a = options;
  level1a.level = gen::Level::L1A;
  const int l1a = open(generate("l1a.h5", level1a));
  ASSERT_GE(l1a, 0);
  EXPECT_EQ(object.ComOutputHdf(l1a, dir.file("l1a_cut.h5"), everything), model::kHdfOutputFailed);
  EXPECT_FALSE(fs::exists(dir.file("l1a_cut.h5")));
}

TEST_F(ProductOutput, AFullDiskLeavesNoFile) {
  gen::ProductOptions options;
  options.scans = 200;
  options.overlap = 5;
  const std::string source = generate("source.h5", options);
  const int slot = open(source);
  ASSERT_GE(slot, 0);
  const model::HdfOutputArea everything = box(-180 * kDeg, 90 * kDeg, 180 * kDeg, -90 * kDeg);
  const std::string output = dir.file("cut.h5");
  const std::vector<std::string> before = listing(dir.file(""));

  // A child process whose files may not grow beyond 256 KiB stands for a full disk.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{256 * 1024, 256 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(-object.ComOutputHdf(slot, output, everything));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);  // -1: failed
  EXPECT_EQ(listing(dir.file("")), before);

  // Without the limit the same output succeeds and is larger than the limit.
  ASSERT_EQ(object.ComOutputHdf(slot, output, everything), model::kHdfOutputDone);
  EXPECT_GT(fs::file_size(output), 256u * 1024u);
}

}  // namespace
