// The AMSR / AMSR-E HDF4 sample generator, checked through the HDF4 SD interface the way the
// viewer reads the products: data sets by reference number, root attributes by index, the
// granule identifier by character position; then invalid values, content against the
// stored positions, determinism, option errors, the command line and the sample set.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include "hdf4_gen.h"
#include "run_command.h"
#include "temp_dir.h"

#include <mfhdf.h>

namespace gen = kivo::gen;
using gen::Hdf4Level;
using gen::Hdf4Options;
using gen::Hdf4Sensor;
using kivo::test::TempDir;

namespace {

constexpr int kInvalid = -9999;

// A product opened for reading; the SD interface ends with the object.
class Product {
 public:
  explicit Product(const std::string& path) : sd_(SDstart(path.c_str(), DFACC_READ)) {}
  ~Product() {
    if (sd_ != FAIL) SDend(sd_);
  }
  Product(const Product&) = delete;
  Product& operator=(const Product&) = delete;
  bool ok() const { return sd_ != FAIL; }

  int attributeCount() const {
    int32 datasets = 0, attributes = 0;
    return SDfileinfo(sd_, &datasets, &attributes) == FAIL ? -1 : attributes;
  }
  // Root attribute `index` as text; false unless it is 8-bit characters.
  bool attribute(int index, std::string& name, std::string& value) const {
    char n[H4_MAX_NC_NAME + 1] = {};
    int32 type = 0, count = 0;
    if (SDattrinfo(sd_, index, n, &type, &count) == FAIL || type != DFNT_CHAR8) return false;
    std::vector<char> text(static_cast<std::size_t>(count) + 1, '\0');
    if (SDreadattr(sd_, index, text.data()) == FAIL) return false;
    name = n;
    value.assign(text.data(), static_cast<std::size_t>(count));
    return true;
  }
  std::string attributeValue(int index) const {
    std::string n, v;
    return attribute(index, n, v) ? v : "<bad>";
  }
  int attributeIndex(const std::string& name) const { return SDfindattr(sd_, name.c_str()); }
  std::string attributeNamed(const std::string& name) const {
    const int i = attributeIndex(name);
    return i < 0 ? "<missing>" : attributeValue(i);
  }

  struct Data {
    bool found = false;
    int32 type = 0;
    std::vector<int32> dims;
    std::vector<std::int16_t> values;
    int32 cols() const { return dims.size() > 1 ? dims[1] : 1; }
    int at(int r, int c) const { return values[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols()) + static_cast<std::size_t>(c)]; }
  };
  // The data set with reference number `ref`; 16-bit values are read.
  Data dataset(int ref) const {
    Data d;
    const int32 index = SDreftoindex(sd_, ref);
    if (index < 0) return d;
    const int32 id = SDselect(sd_, index);
    if (id == FAIL) return d;
    char name[H4_MAX_NC_NAME + 1] = {};
    int32 rank = 0, nattrs = 0;
    int32 dims[H4_MAX_VAR_DIMS] = {};
    if (SDgetinfo(id, name, &rank, dims, &d.type, &nattrs) != FAIL) {
      d.found = true;
      d.dims.assign(dims, dims + rank);
      if (d.type == DFNT_INT16) {
        std::size_t n = 1;
        for (int32 v : d.dims) n *= static_cast<std::size_t>(v);
        d.values.resize(n);
        std::vector<int32> start(d.dims.size(), 0);
        if (SDreaddata(id, start.data(), nullptr, d.dims.data(), d.values.data()) == FAIL) d.found = false;
      }
    }
    SDendaccess(id);
    return d;
  }

 private:
  int32 sd_;
};

Hdf4Options options(Hdf4Sensor sensor, Hdf4Level level, int scans, const char* code = "SST", const char* projection = "E0") {
  return Hdf4Options{sensor, level, scans, code, projection};
}

// Writes a product into `dir` and fails the test when it cannot.
std::string write(const TempDir& dir, const Hdf4Options& o, const std::string& name = "p.00") {
  const std::string path = dir.file(name);
  EXPECT_EQ(gen::writeHdf4Product(path, o), gen::kHdf4Ok);
  return path;
}

bool isLevel1(Hdf4Level l) { return l == Hdf4Level::L1A || l == Hdf4Level::L1B || l == Hdf4Level::L1M; }
bool isGrid(Hdf4Level l) { return l == Hdf4Level::L2Map || l == Hdf4Level::L3; }

// ---------------------------------------------------------------------------------------
// Layout of every product type

struct Layout {
  const char* label;
  Hdf4Options options;
  const char* shortName;  // what "ShortName" begins with
  int low, high;          // Level 1: pixels of the low-frequency and 89 GHz channels; Level 2: pixels
  int rows, cols;         // grids
};

constexpr int kScans = 7;

const Layout kLayouts[] = {
    {"AmsrE_L1A", {Hdf4Sensor::AmsrE, Hdf4Level::L1A, kScans, "", ""}, "AMSREL1A", 243, 486, 0, 0},
    {"AmsrE_L1B", {Hdf4Sensor::AmsrE, Hdf4Level::L1B, kScans, "", ""}, "AMSREL1B", 196, 392, 0, 0},
    {"AmsrE_L1M", {Hdf4Sensor::AmsrE, Hdf4Level::L1M, kScans, "", ""}, "AMSREL1M", 196, 392, 0, 0},
    {"Amsr_L1A", {Hdf4Sensor::Amsr, Hdf4Level::L1A, kScans, "", ""}, "AMSR-L1A", 290, 580, 0, 0},
    {"Amsr_L1B", {Hdf4Sensor::Amsr, Hdf4Level::L1B, kScans, "", ""}, "AMSR-L1B", 196, 392, 0, 0},
    {"Amsr_L1M", {Hdf4Sensor::Amsr, Hdf4Level::L1M, kScans, "", ""}, "AMSR-L1M", 196, 392, 0, 0},
    {"AmsrE_L2_SST", {Hdf4Sensor::AmsrE, Hdf4Level::L2, kScans, "SST", ""}, "AMSR-E-L2", 243, 0, 0, 0},
    {"Amsr_L2_CLW", {Hdf4Sensor::Amsr, Hdf4Level::L2, kScans, "CLW", ""}, "AMSR-L2", 290, 0, 0, 0},
    {"AmsrE_L2Map_WV0_E0", {Hdf4Sensor::AmsrE, Hdf4Level::L2Map, kScans, "WV0", "E0"}, "AMSR-E-L2Map", 0, 0, 720, 1440},
    {"Amsr_L2Map_IC0_PS", {Hdf4Sensor::Amsr, Hdf4Level::L2Map, kScans, "IC0", "PS"}, "AMSR-L2Map", 0, 0, 332, 316},
    {"AmsrE_L3_SST_E0", {Hdf4Sensor::AmsrE, Hdf4Level::L3, kScans, "SST", "E0"}, "AMSR-E_L3", 0, 0, 720, 1440},
    {"AmsrE_L3_IC0_PN", {Hdf4Sensor::AmsrE, Hdf4Level::L3, kScans, "IC0", "PN"}, "AMSR-E_L3", 0, 0, 448, 304},
    {"Amsr_L3_IC0_PS", {Hdf4Sensor::Amsr, Hdf4Level::L3, kScans, "IC0", "PS"}, "AMSR_L3", 0, 0, 332, 316},
    {"Amsr_L3_TB4_E0", {Hdf4Sensor::Amsr, Hdf4Level::L3, kScans, "TB4", "E0"}, "AMSR_L3", 0, 0, 720, 1440},
};

struct ExpectedSet {
  int ref, rows, cols;
};

// The 16-bit data sets the viewer looks up, with their shapes.
std::vector<ExpectedSet> expectedSets(const Layout& l) {
  const Hdf4Level level = l.options.level;
  std::vector<ExpectedSet> sets;
  if (isLevel1(level)) {
    for (int ref = 7; ref <= 29; ref += 2) sets.push_back({ref, kScans, l.low});
    for (int ref = 31; ref <= (level == Hdf4Level::L1M ? 33 : 37); ref += 2) sets.push_back({ref, kScans, l.high});
    sets.push_back({55, kScans, l.high});
    sets.push_back({57, kScans, l.high});
  } else if (level == Hdf4Level::L2) {
    for (int ref : {3, 7, 9}) sets.push_back({ref, kScans, l.low});
  } else {
    sets.push_back({2, l.rows, l.cols});
  }
  return sets;
}

void PrintTo(const Layout& l, std::ostream* os) { *os << l.label; }

class Hdf4Layout : public ::testing::TestWithParam<Layout> {};

TEST_P(Hdf4Layout, DataSetsSitAtTheirReferenceNumbers) {
  const Layout& l = GetParam();
  TempDir dir;
  const Product p(write(dir, l.options));
  ASSERT_TRUE(p.ok());
  for (const ExpectedSet& e : expectedSets(l)) {
    SCOPED_TRACE("ref " + std::to_string(e.ref));
    const Product::Data d = p.dataset(e.ref);
    ASSERT_TRUE(d.found);
    EXPECT_EQ(d.type, DFNT_INT16);
    EXPECT_EQ(d.dims, (std::vector<int32>{e.rows, e.cols}));
  }
  if (l.options.level == Hdf4Level::L1M) {
    // One 89 GHz horn only: no third and fourth 89 GHz channel after 31 and 33.
    for (int ref : {35, 37}) {
      const Product::Data d = p.dataset(ref);
      EXPECT_FALSE(d.found && d.dims == (std::vector<int32>{kScans, l.high})) << ref;
    }
  }
}

TEST_P(Hdf4Layout, RootAttributesSitAtTheirIndices) {
  const Layout& l = GetParam();
  const Hdf4Level level = l.options.level;
  TempDir dir;
  const Product p(write(dir, l.options));
  ASSERT_TRUE(p.ok());

  const int count = p.attributeCount();
  ASSERT_GE(count, 29);
  for (int i = 0; i < count; ++i) {
    std::string name, value;
    EXPECT_TRUE(p.attribute(i, name, value)) << "attribute " << i << " is not text";
  }

  // The type comes from "ShortName", which the viewer must meet before the projection index.
  const int projectionIndex = isLevel1(level) ? 3 : 4;
  const int shortIndex = p.attributeIndex("ShortName");
  ASSERT_GE(shortIndex, 0);
  EXPECT_LT(shortIndex, projectionIndex);
  const std::string shortName = p.attributeValue(shortIndex);
  EXPECT_EQ(shortName.rfind(l.shortName, 0), 0u) << shortName;
  if (level == Hdf4Level::L2) {
    EXPECT_EQ(shortName.find("L2Map"), std::string::npos) << shortName;
  }

  const std::string projection = p.attributeValue(projectionIndex);
  if (isGrid(level)) {
    ASSERT_GE(projection.size(), 2u);
    EXPECT_EQ(projection.substr(projection.size() - 2), l.options.projection);
  }
  if (level == Hdf4Level::L1A || level == Hdf4Level::L1B) {
    EXPECT_EQ(p.attributeValue(28), std::to_string(kScans));  // the viewer's scan count
  }
  // Observation start and end as date, time, date, time.
  std::string name, value;
  const char* const times[] = {"RangeBeginningDate", "RangeBeginningTime", "RangeEndingDate", "RangeEndingTime"};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(p.attribute(7 + i, name, value));
    EXPECT_EQ(name, times[i]);
  }

  const std::string granule = p.attributeNamed("Local Granule ID");
  if (level == Hdf4Level::L2) {
    ASSERT_GE(granule.size(), 21u);
    EXPECT_EQ(granule.substr(18, 3), l.options.code) << granule;
  }
  if (isGrid(level)) {
    ASSERT_GE(granule.size(), 26u);
    EXPECT_EQ(granule.substr(15, 3), l.options.code) << granule;
    EXPECT_EQ(granule.substr(24, 2), l.options.projection) << granule;
  }
  EXPECT_EQ(granule, gen::hdf4GranuleId(l.options));

  if (!isGrid(level)) {
    // Band token then number, in band order, for both parameters.
    const char* const tokens[] = {"6G-", "10G-", "18G-", "23G-", "36G-", "50G-"};
    for (const char* name : {"CoRegistration ParameterA1", "CoRegistration ParameterA2"}) {
      const std::string text = p.attributeNamed(name);
      std::size_t at = 0;
      for (const char* token : tokens) {
        SCOPED_TRACE(std::string(name) + " " + token + " in \"" + text + "\"");
        ASSERT_EQ(text.compare(at, std::string(token).size(), token), 0);
        at += std::string(token).size();
        std::size_t used = 0;
        const double v = std::stod(text.substr(at), &used);
        EXPECT_GT(v, 0.0);
        EXPECT_LT(v, 1.0);
        at += used;
        if (at < text.size()) {
          ASSERT_EQ(text[at], ',');
          ++at;
        }
      }
      EXPECT_EQ(at, text.size());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Types, Hdf4Layout, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------------------
// Invalid values and content

struct Level1Case {
  const char* label;
  Hdf4Sensor sensor;
  Hdf4Level level;
  int minValid, maxValid;  // L1A counts, L1B/1M tenths of a kelvin
};

TEST(Hdf4Level1, InvalidValuesOnlyInTheDocumentedBlock) {
  const Level1Case cases[] = {
      {"AMSR-E 1A", Hdf4Sensor::AmsrE, Hdf4Level::L1A, 1, 4095},
      {"AMSR 1B", Hdf4Sensor::Amsr, Hdf4Level::L1B, 300, 3300},
      {"AMSR-E 1M", Hdf4Sensor::AmsrE, Hdf4Level::L1M, 300, 3300},
  };
  for (const Level1Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    const Product p(write(dir, options(c.sensor, c.level, 6)));
    const int lastRef = c.level == Hdf4Level::L1M ? 33 : 37;
    for (int ref = 7; ref <= lastRef; ref += 2) {
      const Product::Data d = p.dataset(ref);
      ASSERT_TRUE(d.found) << ref;
      for (int s = 0; s < d.dims[0]; ++s) {
        for (int k = 0; k < d.dims[1]; ++k) {
          const bool block = s == gen::kHdf4InvalidScan && k >= gen::kHdf4InvalidFirstPixel &&
                             k < gen::kHdf4InvalidFirstPixel + gen::kHdf4InvalidPixelCount;
          if (block) {
            ASSERT_EQ(d.at(s, k), kInvalid) << "ref " << ref << " scan " << s << " pixel " << k;
          } else {
            ASSERT_GE(d.at(s, k), c.minValid) << "ref " << ref << " scan " << s << " pixel " << k;
            ASSERT_LE(d.at(s, k), c.maxValid) << "ref " << ref << " scan " << s << " pixel " << k;
          }
        }
      }
    }
    // The positions stay valid under the block.
    const Product::Data lat = p.dataset(55), lon = p.dataset(57);
    for (int k = 0; k < gen::kHdf4InvalidPixelCount; ++k) {
      EXPECT_LE(std::abs(lat.at(gen::kHdf4InvalidScan, k)), 9000);
      EXPECT_LE(std::abs(lon.at(gen::kHdf4InvalidScan, k)), 18000);
      EXPECT_NE(lat.at(gen::kHdf4InvalidScan, k), kInvalid);
    }
  }
}

TEST(Hdf4Level1, BrightnessTemperaturesDependOnSurfaceAndPolarisation) {
  // The first 600 scans run from the Antarctic ice sheet over sea ice into open ocean.
  TempDir dir;
  const Product p(write(dir, options(Hdf4Sensor::AmsrE, Hdf4Level::L1B, 600)));
  const Product::Data v = p.dataset(7), h = p.dataset(9), v89 = p.dataset(31);
  ASSERT_TRUE(v.found && h.found && v89.found);
  int vAboveH = 0, warmH = 0, n = 0, ocean = 0;
  double ocean69 = 0.0, ocean89 = 0.0;
  for (int s = 0; s < v.dims[0]; ++s) {
    for (int k = 0; k < v.dims[1]; ++k) {
      if (v.at(s, k) == kInvalid) continue;
      ++n;
      vAboveH += v.at(s, k) > h.at(s, k);
      warmH += h.at(s, k) > 2000;  // ice and land
      if (h.at(s, k) < 1300) {     // radiometrically cold open water
        ++ocean;
        ocean69 += v.at(s, k);
        ocean89 += v89.at(s, 2 * k);
      }
    }
  }
  EXPECT_GT(vAboveH, n * 95 / 100);
  EXPECT_GT(ocean, n / 20);
  EXPECT_GT(warmH, n / 20);
  // Over the ocean 89 GHz sees a warmer, more humid atmosphere than 6.9 GHz does.
  EXPECT_GT(ocean89 / ocean - ocean69 / ocean, 300.0);
}

TEST(Hdf4Level2, NoRetrievalOverLandAndIceAndTheDocumentedBlock) {
  TempDir dir;
  const Product p(write(dir, options(Hdf4Sensor::AmsrE, Hdf4Level::L2, 1000, "SST")));
  const Product::Data d = p.dataset(3), lat = p.dataset(7), lon = p.dataset(9);
  ASSERT_TRUE(d.found && lat.found && lon.found);
  ASSERT_EQ(lat.dims, d.dims);
  int valid = 0, invalid = 0;
  for (int s = 0; s < d.dims[0]; ++s) {
    for (int k = 0; k < d.dims[1]; ++k) {
      const int value = d.at(s, k);
      EXPECT_LE(std::abs(lat.at(s, k)), 9000);
      if (s == gen::kHdf4InvalidScan && k < gen::kHdf4InvalidPixelCount) {
        ASSERT_EQ(value, kInvalid) << k;
        continue;
      }
      ASSERT_TRUE(value == kInvalid || (value >= 0 && value <= 350)) << value;
      if (value == kInvalid) ++invalid;
      else ++valid;
      // Sea ice and the ice sheet: no sea surface temperature south of 70 S.
      if (lat.at(s, k) < -7000) {
        ASSERT_EQ(value, kInvalid) << s << " " << k;
      }
    }
  }
  EXPECT_GT(valid, 1000);
  EXPECT_GT(invalid, 1000);
}

struct GridCase {
  const char* label;
  Hdf4Options options;
  std::vector<gen::Hdf4Cell> cells;
};

TEST(Hdf4Grid, DocumentedInvalidCellsLieInRetrievedCoverage) {
  const GridCase cases[] = {
      {"L3 E0", options(Hdf4Sensor::AmsrE, Hdf4Level::L3, 1, "SST", "E0"),
       {std::begin(gen::kHdf4InvalidCellsE0), std::end(gen::kHdf4InvalidCellsE0)}},
      {"L2 Map E0", options(Hdf4Sensor::Amsr, Hdf4Level::L2Map, 2000, "WV0", "E0"),
       {std::begin(gen::kHdf4InvalidCellsE0), std::end(gen::kHdf4InvalidCellsE0)}},
      {"L3 PN", options(Hdf4Sensor::Amsr, Hdf4Level::L3, 1, "IC0", "PN"),
       {std::begin(gen::kHdf4InvalidCellsPN), std::end(gen::kHdf4InvalidCellsPN)}},
      {"L3 PS", options(Hdf4Sensor::AmsrE, Hdf4Level::L3, 1, "IC0", "PS"),
       {std::begin(gen::kHdf4InvalidCellsPS), std::end(gen::kHdf4InvalidCellsPS)}},
  };
  for (const GridCase& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    const Product p(write(dir, c.options));
    const Product::Data d = p.dataset(2);
    ASSERT_TRUE(d.found);
    for (const gen::Hdf4Cell& cell : c.cells) {
      EXPECT_EQ(d.at(cell.row, cell.col), kInvalid);
      // Two cells away on either side the quantity is retrieved.
      for (const auto& [dr, dc] : {std::pair{-2, 0}, {2, 0}, {0, -2}, {0, 2}}) {
        EXPECT_GE(d.at(cell.row + dr, cell.col + dc), 0) << cell.row + dr << "," << cell.col + dc;
      }
    }
    const auto invalid = std::count(d.values.begin(), d.values.end(), static_cast<std::int16_t>(kInvalid));
    EXPECT_GT(invalid, 0);
    EXPECT_LT(static_cast<std::size_t>(invalid), d.values.size());
  }
}

// Cell of the grid holding a position, in the layout the viewer assumes.
bool cellOf(const std::string& projection, double lat, double lon, int& row, int& col) {
  if (projection == "E0") {
    row = static_cast<int>(std::lround((lat + 90.0) / 0.25));
    double l = std::fmod(lon, 360.0);
    if (l < 0.0) l += 360.0;
    col = static_cast<int>(std::lround(l / 0.25)) % 1440;
    return row >= 0 && row < 720;
  }
  // 25 km polar stereographic grids, Hughes ellipsoid, true scale at 70 degrees.
  const bool north = projection == "PN";
  if (north ? lat <= 0.0 : lat >= 0.0) return false;
  const double a = 6378.273, e = 0.081816153, deg = std::numbers::pi / 180.0;
  const auto t = [&](double phi) {
    const double es = e * std::sin(phi);
    return std::tan(std::numbers::pi / 4.0 - phi / 2.0) / std::pow((1.0 - es) / (1.0 + es), e / 2.0);
  };
  const double phiC = 70.0 * deg;
  const double mc = std::cos(phiC) / std::sqrt(1.0 - e * e * std::sin(phiC) * std::sin(phiC));
  const double rho = a * mc * t((north ? lat : -lat) * deg) / t(phiC);
  const double lam = (lon - (north ? -45.0 : 0.0)) * deg;
  const double x = rho * std::sin(lam), y = (north ? -1.0 : 1.0) * rho * std::cos(lam);
  const double xLeft = north ? -3850.0 : -3950.0, yTop = north ? 5850.0 : 4350.0;
  col = static_cast<int>(std::floor((x - xLeft) / 25.0));
  row = static_cast<int>(std::floor((yTop - y) / 25.0));
  return row >= 0 && row < (north ? 448 : 332) && col >= 0 && col < (north ? 304 : 316);
}

TEST(Hdf4Grid, MapCellsHoldWhatTheSwathSeesAtTheirPositions) {
  // A Level 2 Map is the Level 2 swath of the same half orbit on the grid: at every stored
  // Level 2 position the map cell must be covered and agree with the swath value.
  struct Case {
    const char* code;
    const char* projection;
    int tolerance;  // stored units
  };
  for (const Case& c : {Case{"SST", "E0", 15}, Case{"IC0", "PN", 12}, Case{"IC0", "PS", 12}}) {
    SCOPED_TRACE(c.projection);
    TempDir dir;
    const Product swath(write(dir, options(Hdf4Sensor::AmsrE, Hdf4Level::L2, 2000, c.code), "l2.00"));
    const Product map(write(dir, options(Hdf4Sensor::AmsrE, Hdf4Level::L2Map, 2000, c.code, c.projection), "map.00"));
    const Product::Data values = swath.dataset(3), lat = swath.dataset(7), lon = swath.dataset(9), grid = map.dataset(2);
    ASSERT_TRUE(values.found && lat.found && lon.found && grid.found);
    int compared = 0, covered = 0, close = 0;
    for (std::size_t i = 0; i < values.values.size(); i += 7) {
      if (values.values[i] < 0) continue;
      int r = 0, col = 0;
      if (!cellOf(c.projection, lat.values[i] * 0.01, lon.values[i] * 0.01, r, col)) continue;
      ++compared;
      const int cell = grid.at(r, col);
      if (cell < 0) continue;
      ++covered;
      close += std::abs(cell - values.values[i]) <= c.tolerance;
    }
    ASSERT_GT(compared, 1000);
    EXPECT_GT(covered, compared * 95 / 100);
    EXPECT_GT(close, covered * 90 / 100);
    // Away from the swath the map holds no data.
    const auto invalid = std::count(grid.values.begin(), grid.values.end(), static_cast<std::int16_t>(kInvalid));
    EXPECT_GT(static_cast<double>(invalid), 0.5 * static_cast<double>(grid.values.size()));
  }
}

// ---------------------------------------------------------------------------------------
// Determinism, options, command line, sample set

TEST(Hdf4Product, OutputIsDeterministic) {
  // The library stores the path the file was created with, so both writes use the same one.
  for (const Hdf4Options& o : {options(Hdf4Sensor::AmsrE, Hdf4Level::L1B, 9), options(Hdf4Sensor::Amsr, Hdf4Level::L3, 1, "IC0", "PS")}) {
    TempDir dir;
    const std::string a = kivo::test::readBytes(write(dir, o));
    const std::string b = kivo::test::readBytes(write(dir, o));
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << gen::hdf4FileName(o);
  }
}

TEST(Hdf4Product, BadOptionsAndPathsLeaveNoFile) {
  const Hdf4Options bad[] = {
      options(Hdf4Sensor::AmsrE, Hdf4Level::L1B, 0),
      options(Hdf4Sensor::AmsrE, Hdf4Level::L1B, gen::kHdf4MaxScans + 1),
      options(Hdf4Sensor::AmsrE, Hdf4Level::L2, 10, "TB4"),
      options(Hdf4Sensor::AmsrE, Hdf4Level::L2, 10, "XYZ"),
      options(Hdf4Sensor::Amsr, Hdf4Level::L3, 1, "SST", "EQR"),
  };
  TempDir dir;
  for (const Hdf4Options& o : bad) {
    const std::string path = dir.file("bad.00");
    EXPECT_FALSE(gen::hdf4OptionsProblem(o).empty());
    EXPECT_EQ(gen::writeHdf4Product(path, o), gen::kHdf4BadOptions);
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  EXPECT_EQ(gen::writeHdf4Product(dir.file("missing/folder/p.00"), options(Hdf4Sensor::Amsr, Hdf4Level::L1B, 5)),
            gen::kHdf4CreateFailed);
}

std::string generatorPath() { return std::string(KIVO_BIN_DIR) + "/kivo-gen-hdf4"; }

TEST(Hdf4CommandLine, UsageErrorsAndOneProduct) {
  if (!std::filesystem::exists(generatorPath())) GTEST_SKIP() << "kivo-gen-hdf4 is not built";
  TempDir dir;
  const std::string out = dir.file("one.00");
  const std::vector<std::vector<std::string>> usage = {
      {},
      {"--samples"},
      {out},
      {out, "--sensor", "AMSR"},
      {out, "--sensor", "AMSR2", "--level", "1B"},
      {out, "--sensor", "AMSR", "--level", "1R"},
      {out, "--sensor", "AMSR", "--level", "1B", "--scans", "12x"},
      {out, "--sensor", "AMSR", "--level", "1B", "--scans"},
      {out, "--sensor", "AMSR", "--level", "2", "--code", "TB4"},
      {out, "--sensor", "AMSR", "--level", "3", "--projection", "PQ"},
      {out, "--sensor", "AMSR", "--level", "3", "--colour", "red"},
  };
  for (const auto& args : usage) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(kivo::test::runProgram("kivo-gen-hdf4", args).status, 2) << joined;
  }
  EXPECT_FALSE(std::filesystem::exists(out));

  const auto r = kivo::test::runProgram("kivo-gen-hdf4", {out, "--sensor", "AMSR", "--level", "1A", "--scans", "5"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.lines(), std::vector<std::string>{out});
  const Product p(out);
  EXPECT_EQ(p.attributeNamed("ShortName"), "AMSR-L1A");
  EXPECT_EQ(p.attributeValue(28), "5");
  EXPECT_EQ(p.dataset(37).dims, (std::vector<int32>{5, 580}));
}

TEST(Hdf4SampleSet, EveryProductWrittenAndSmall) {
  const std::filesystem::path dir(KIVO_SAMPLE_DIR);
  if (!std::filesystem::exists(dir / ".complete_hdf4")) GTEST_SKIP() << "HDF4 samples not generated in " << dir;
  const std::vector<Hdf4Options> set = gen::hdf4SampleSetOptions();
  ASSERT_EQ(set.size(), 16u);
  std::vector<std::string> names;
  for (const Hdf4Options& o : set) {
    const std::string name = gen::hdf4FileName(o);
    SCOPED_TRACE(name);
    names.push_back(name);
    EXPECT_EQ(name.substr(name.size() - 3), ".00");
    const std::filesystem::path path = dir / name;
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_LT(std::filesystem::file_size(path), 10u * 1024 * 1024);
    const Product p(path.string());
    EXPECT_EQ(p.attributeNamed("ShortName"), gen::hdf4ShortName(o));
    if (o.level == Hdf4Level::L1A || o.level == Hdf4Level::L1B) {
      EXPECT_EQ(p.attributeValue(28), std::to_string(o.scans));
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

}  // namespace
