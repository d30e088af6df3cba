// The sample product generator, checked through the HDF5 C API alone: root attributes and
// granule identifiers, the datasets of every level, invalid codes, geometry and content
// plausibility, determinism, the full sample set and the command line.

#include <gtest/gtest.h>

#include <hdf5.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "generator_command_line.h"
#include "product_gen.h"
#include "temp_dir.h"

namespace gen = kivo::gen;
using kivo::test::TempDir;

namespace {

// Closes an HDF5 identifier when it leaves scope.
class Id {
 public:
  Id(hid_t id, herr_t (*closer)(hid_t)) : id_(id), closer_(closer) {}
  ~Id() {
    if (id_ >= 0) closer_(id_);
  }
  Id(const Id&) = delete;
  Id& operator=(const Id&) = delete;
  hid_t get() const { return id_; }
  bool ok() const { return id_ >= 0; }

 private:
  hid_t id_;
  herr_t (*closer_)(hid_t);
};

Id openFile(const std::string& path) {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  return Id(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
}

std::vector<std::string> rootAttributeNames(hid_t file) {
  std::vector<std::string> names;
  H5Aiterate2(
      file, H5_INDEX_CRT_ORDER, H5_ITER_INC, nullptr,
      [](hid_t, const char* name, const H5A_info_t*, void* out) -> herr_t {
        static_cast<std::vector<std::string>*>(out)->push_back(name);
        return 0;
      },
      &names);
  return names;
}

// A root attribute that is a one-element array of variable-length strings, else "<bad>".
std::string rootString(hid_t file, const std::string& name) {
  Id attr(H5Aopen(file, name.c_str(), H5P_DEFAULT), H5Aclose);
  if (!attr.ok()) return "<missing>";
  Id type(H5Aget_type(attr.get()), H5Tclose);
  Id space(H5Aget_space(attr.get()), H5Sclose);
  hsize_t n = 0;
  if (H5Tget_class(type.get()) != H5T_STRING || H5Tis_variable_str(type.get()) <= 0 ||
      H5Sget_simple_extent_ndims(space.get()) != 1 || H5Sget_simple_extent_dims(space.get(), &n, nullptr) != 1 || n != 1)
    return "<bad>";
  Id memory(H5Tcopy(H5T_C_S1), H5Tclose);
  H5Tset_size(memory.get(), H5T_VARIABLE);
  char* text = nullptr;
  if (H5Aread(attr.get(), memory.get(), &text) < 0 || text == nullptr) return "<bad>";
  std::string value(text);
  H5free_memory(text);
  return value;
}

// "I16", "U16", "F32", "F64", "I8", "U8" for little-endian types, else "other".
std::string typeName(hid_t type) {
  if (H5Tget_order(type) != H5T_ORDER_LE) return "other";
  const size_t size = H5Tget_size(type);
  switch (H5Tget_class(type)) {
    case H5T_INTEGER:
      return std::string(H5Tget_sign(type) == H5T_SGN_NONE ? "U" : "I") + std::to_string(8 * size);
    case H5T_FLOAT: return "F" + std::to_string(8 * size);
    default: return "other";
  }
}

struct DatasetFacts {
  bool found = false;
  std::string type;
  std::vector<hsize_t> dims;
  float scale = -1.0f;     // "SCALE FACTOR" when it is a scalar 32-bit float
  std::string unit = "?";  // "UNIT" when it is a scalar fixed-length string
  bool deflated = false;   // chunked with the deflate filter
};

DatasetFacts datasetFacts(hid_t file, const std::string& name) {
  DatasetFacts f;
  Id dset(H5Dopen2(file, name.c_str(), H5P_DEFAULT), H5Dclose);
  if (!dset.ok()) return f;
  f.found = true;
  Id type(H5Dget_type(dset.get()), H5Tclose);
  f.type = typeName(type.get());
  Id space(H5Dget_space(dset.get()), H5Sclose);
  f.dims.resize(static_cast<size_t>(std::max(0, H5Sget_simple_extent_ndims(space.get()))));
  H5Sget_simple_extent_dims(space.get(), f.dims.data(), nullptr);
  Id dcpl(H5Dget_create_plist(dset.get()), H5Pclose);
  if (H5Pget_layout(dcpl.get()) == H5D_CHUNKED) {
    for (int i = 0; i < H5Pget_nfilters(dcpl.get()); ++i) {
      unsigned flags = 0, values[8];
      size_t count = 8;
      char filterName[64];
      if (H5Pget_filter2(dcpl.get(), static_cast<unsigned>(i), &flags, &count, values, sizeof filterName, filterName,
                         nullptr) == H5Z_FILTER_DEFLATE)
        f.deflated = true;
    }
  }
  {
    Id attr(H5Aopen(dset.get(), "SCALE FACTOR", H5P_DEFAULT), H5Aclose);
    if (attr.ok()) {
      Id at(H5Aget_type(attr.get()), H5Tclose);
      Id as(H5Aget_space(attr.get()), H5Sclose);
      if (typeName(at.get()) == "F32" && H5Sget_simple_extent_type(as.get()) == H5S_SCALAR)
        H5Aread(attr.get(), H5T_NATIVE_FLOAT, &f.scale);
    }
  }
  {
    Id attr(H5Aopen(dset.get(), "UNIT", H5P_DEFAULT), H5Aclose);
    if (attr.ok()) {
      Id at(H5Aget_type(attr.get()), H5Tclose);
      Id as(H5Aget_space(attr.get()), H5Sclose);
      if (H5Tget_class(at.get()) == H5T_STRING && H5Tis_variable_str(at.get()) == 0 &&
          H5Sget_simple_extent_type(as.get()) == H5S_SCALAR) {
        std::vector<char> text(H5Tget_size(at.get()) + 1, '\0');
        if (H5Aread(attr.get(), at.get(), text.data()) >= 0) f.unit = text.data();
      }
    }
  }
  return f;
}

template <typename T>
std::vector<T> readAll(hid_t file, const std::string& name, hid_t memoryType) {
  Id dset(H5Dopen2(file, name.c_str(), H5P_DEFAULT), H5Dclose);
  if (!dset.ok()) return {};
  Id space(H5Dget_space(dset.get()), H5Sclose);
  std::vector<T> values(static_cast<size_t>(H5Sget_simple_extent_npoints(space.get())));
  if (H5Dread(dset.get(), memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) < 0) return {};
  return values;
}

std::vector<std::string> datasetNames(hid_t file) {
  std::vector<std::string> names;
  H5Literate(
      file, H5_INDEX_NAME, H5_ITER_INC, nullptr,
      [](hid_t, const char* name, const H5L_info_t*, void* out) -> herr_t {
        static_cast<std::vector<std::string>*>(out)->push_back(name);
        return 0;
      },
      &names);
  return names;
}

double distanceKm(double lat1, double lon1, double lat2, double lon2) {
  const double d = std::numbers::pi / 180.0;
  const double a = std::sin((lat2 - lat1) * d / 2), b = std::sin((lon2 - lon1) * d / 2);
  return 2 * 6371.0 * std::asin(std::sqrt(a * a + std::cos(lat1 * d) * std::cos(lat2 * d) * b * b));
}

gen::ProductOptions level1(gen::Level level, int scans = 12, int overlap = 20) {
  gen::ProductOptions o;
  o.level = level;
  o.scans = scans;
  o.overlap = overlap;
  o.gzip = 1;
  return o;
}

gen::ProductOptions level2(char mark, const std::string& quantity, int scans = 30) {
  gen::ProductOptions o;
  o.level = gen::Level::L2;
  o.resolutionMark = mark;
  o.quantity = quantity;
  o.scans = scans;
  o.overlap = 0;
  o.gzip = 1;
  return o;
}

gen::ProductOptions level3(const std::string& quantity, bool monthly, int km, const std::string& projection) {
  gen::ProductOptions o;
  o.level = gen::Level::L3;
  o.quantity = quantity;
  o.monthly = monthly;
  o.gridKm = km;
  o.projection = projection;
  o.gzip = 1;
  return o;
}

class ProductGen : public ::testing::Test {
 protected:
  std::string write(const gen::ProductOptions& o, const std::string& name = "product.h5") {
    const std::string path = dir.file(name);
    EXPECT_EQ(gen::writeProduct(path, o), gen::kGenOk) << name;
    return path;
  }
  TempDir dir;
};

// -------------------------------------------------------------------------------------------
// Root attributes and granule identifiers

TEST_F(ProductGen, RootAttributesComeInTheirFixedOrderAsStringArrays) {
  // Readers find the observation times by position: indexes 9 and 10 in swath products,
  // 12 and 13 in Level 3 products.
  const std::vector<std::string> swathOrder = {
      "ProductName",      "GeophysicalName",          "GranuleID",           "OverlapScans",
      "NumberOfScans",    "PlatformShortName",        "SensorShortName",     "StartOrbitNumber",
      "StopOrbitNumber",  "ObservationStartDateTime", "ObservationEndDateTime", "OrbitDirection",
      "CoRegistrationParameterA1", "CoRegistrationParameterA2", "ProductionDateTime"};
  const std::vector<std::string> gridOrder = {
      "ProductName",      "GeophysicalName",   "GranuleID",          "OverlapScans",
      "NumberOfScans",    "PlatformShortName", "SensorShortName",    "StartOrbitNumber",
      "StopOrbitNumber",  "OrbitDirection",    "Projection",         "ProductionDateTime",
      "ObservationStartDateTime", "ObservationEndDateTime"};
  gen::ProductOptions descending = level2('H', "PRC");
  descending.ascending = false;
  struct Case {
    gen::ProductOptions options;
    std::vector<std::string> order;
    std::string product, geophysical, overlap, scans, direction;
  } cases[] = {
      {level1(gen::Level::L1A), swathOrder, "AMSR2-L1A", "Observation Count", "20", "12", "Ascending"},
      {level1(gen::Level::L1B), swathOrder, "AMSR2-L1B", "Brightness Temperature", "20", "12", "Ascending"},
      {level1(gen::Level::L1R, 12, 3), swathOrder, "AMSR2-L1R", "Brightness Temperature", "3", "12", "Ascending"},
      {level2('L', "SST"), swathOrder, "AMSR2-L2", "Sea Surface Temperature", "0", "30", "Ascending"},
      {descending, swathOrder, "AMSR2-L2", "Precipitation", "0", "30", "Descending"},
      {level3("T36", false, 25, "PS-S"), gridOrder, "AMSR2-L3", "Brightness Temperature", "0", "0", "Ascending"},
      {level3("SIC", true, 25, "PS-S"), gridOrder, "AMSR2-L3", "Sea Ice Concentration", "0", "0", "Ascending"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.product + " " + c.geophysical);
    EXPECT_EQ(gen::rootAttributeOrder(c.options.level), c.order);
    Id file = openFile(write(c.options));
    ASSERT_TRUE(file.ok());
    ASSERT_EQ(rootAttributeNames(file.get()), c.order);
    for (const auto& name : c.order) EXPECT_NE(rootString(file.get(), name), "<bad>") << name;
    EXPECT_EQ(rootString(file.get(), "ProductName"), c.product);
    EXPECT_EQ(rootString(file.get(), "GeophysicalName"), c.geophysical);
    EXPECT_EQ(rootString(file.get(), "GranuleID"), gen::granuleId(c.options));
    EXPECT_EQ(rootString(file.get(), "OverlapScans"), c.overlap);
    EXPECT_EQ(rootString(file.get(), "NumberOfScans"), c.scans);
    EXPECT_EQ(rootString(file.get(), "OrbitDirection"), c.direction);
    EXPECT_EQ(rootString(file.get(), "PlatformShortName"), "GCOM-W1");
    EXPECT_EQ(rootString(file.get(), "SensorShortName"), "AMSR2");
    if (c.options.level == gen::Level::L3) {
      EXPECT_EQ(rootString(file.get(), "Projection"), "PS-S");
    } else {
      // Six band tokens in order, each followed by a number.
      for (const char* name : {"CoRegistrationParameterA1", "CoRegistrationParameterA2"}) {
        const std::string text = rootString(file.get(), name);
        size_t pos = 0;
        for (const char* token : {"6G-", "7G-", "10G-", "18G-", "23G-", "36G-"}) {
          ASSERT_EQ(text.compare(pos, std::string(token).size(), token), 0) << text;
          pos += std::string(token).size();
          char* end = nullptr;
          std::strtod(text.c_str() + pos, &end);
          ASSERT_GT(end, text.c_str() + pos) << text;
          pos = static_cast<size_t>(end - text.c_str());
          if (pos < text.size()) {
            ASSERT_EQ(text[pos++], ',') << text;
          }
        }
        EXPECT_EQ(pos, text.size()) << text;
      }
    }
  }
}

TEST(ProductGenIdentifiers, GranuleIdsCarryLevelQuantityAndResolutionAtTheirPositions) {
  gen::ProductOptions l2h = level2('H', "PRC");
  l2h.ascending = false;
  gen::ProductOptions night = level3("SST", false, 10, "EQR");
  night.startTime = "2013-01-31T23:59:59";
  night.ascending = false;
  const struct {
    gen::ProductOptions options;
    std::string id;
  } cases[] = {
      {gen::ProductOptions{}, "GW1AM2_201207031905_234A_L1SGBTBR_2220220"},
      {level2('L', "SST"), "GW1AM2_201207031905_234A_L2SGSSTLA2220220"},
      {l2h, "GW1AM2_201207031905_234D_L2SGPRCHA2220220"},
      {level3("T89", false, 10, "EQR"), "GW1AM2_20120703_01D_EQMA_L3SGT89HA2220220"},
      {level3("SIC", true, 25, "PS-S"), "GW1AM2_20120700_01M_PSMA_L3SGSICLA2220220"},
      {night, "GW1AM2_20130131_01D_EQMD_L3SGSSTHA2220220"},
  };
  for (const auto& c : cases) {
    const std::string id = gen::granuleId(c.options);
    EXPECT_EQ(id, c.id);
    ASSERT_EQ(id.size(), 41u);
    const gen::ProductOptions& o = c.options;
    // What a reader takes from the identifier.
    if (o.level == gen::Level::L3) {
      EXPECT_EQ(id[18], o.monthly ? 'M' : 'D') << id;
      EXPECT_EQ(id.substr(29, 3), o.quantity) << id;
      EXPECT_EQ(id[32], o.gridKm == 10 ? 'H' : 'L') << id;
    } else if (o.level == gen::Level::L2) {
      EXPECT_EQ(id.substr(29, 3), o.quantity) << id;
      EXPECT_EQ(id[id.size() - 9], o.resolutionMark) << id;
    }
  }
}

TEST_F(ProductGen, UnwritableOptionsAreRefusedWithoutAFile) {
  auto with = [](gen::ProductOptions o, auto change) {
    change(o);
    return o;
  };
  const gen::ProductOptions bad[] = {
      with(level1(gen::Level::L1B), [](auto& o) { o.scans = 0; }),
      with(level1(gen::Level::L1B), [](auto& o) { o.overlap = -1; }),
      with(level1(gen::Level::L1B), [](auto& o) { o.scans = 1979, o.overlap = 20; }),  // 2019 rows
      with(level1(gen::Level::L1A), [](auto& o) { o.startTime = "2012-02-30T00:00:00"; }),
      with(level1(gen::Level::L1A), [](auto& o) { o.startTime = "yesterday"; }),
      with(level1(gen::Level::L1B), [](auto& o) { o.gzip = 10; }),
      with(level2('L', "SST"), [](auto& o) { o.scans = 1979; }),
      with(level2('X', "SST"), [](auto&) {}),
      with(level2('L', "T36"), [](auto&) {}),
      with(level2('L', "SST"), [](auto& o) { o.layers = 0; }),
      with(level3("T36", false, 15, "EQR"), [](auto&) {}),
      with(level3("T36", false, 10, "PS-X"), [](auto&) {}),
      with(level3("XYZ", false, 10, "EQR"), [](auto&) {}),
      with(level3("SIC", true, 25, "PS-N"), [](auto& o) { o.layers = 4; }),
  };
  for (size_t i = 0; i < std::size(bad); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    EXPECT_FALSE(gen::optionsProblem(bad[i]).empty());
    EXPECT_EQ(gen::granuleId(bad[i]), "");
    const std::string path = dir.file("bad.h5");
    EXPECT_EQ(gen::writeProduct(path, bad[i]), gen::kGenBadOptions);
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  EXPECT_EQ(gen::writeProduct(dir.file("no/such/folder/x.h5"), level1(gen::Level::L1B)), gen::kGenCreateFailed);
}

// -------------------------------------------------------------------------------------------
// Datasets of every level

TEST_F(ProductGen, EveryLevelHoldsItsDatasetsWithTypesShapesScalesAndUnits) {
  struct Expect {
    std::string name, type;
    std::vector<hsize_t> dims;
    float scale;
    std::string unit;
  };
  struct Case {
    std::string label;
    gen::ProductOptions options;
    size_t datasets;
    std::vector<Expect> expect;
  };
  const hsize_t R = 52;  // 12 scans and 20 overlap scans at each end
  const hsize_t S = 30;  // Level 2 scans
  const Case cases[] = {
      {"L1A", level1(gen::Level::L1A), 45,
       {{"Scan Time", "F64", {R}, 1, "sec"},
        {"Position in Orbit", "F64", {R}, 1, ""},
        {"Observation Count (6.9GHz,V)", "I16", {R, 243}, 1, "Count"},
        {"Observation Count (36.5GHz,H)", "I16", {R, 243}, 1, "Count"},
        {"Observation Count (89.0GHz-B,H)", "I16", {R, 486}, 1, "Count"},
        {"Hot Load Count 6 to 36", "I16", {12, R, 16}, 1, "Count"},
        {"Cold Sky Mirror Count 89", "I16", {4, R, 32}, 1, "Count"},
        {"Rx Offset_Gain Count", "U16", {R, 32}, 1, "Count"},
        {"Land_Ocean Flag 6 to 36", "U8", {6, R, 243}, 1, "%"},
        {"Sun Elevation", "I16", {R, 243}, 0.01f, "deg"},
        {"Scan Data Quality", "U8", {R, 512}, 1, ""},
        {"Pixel Data Quality 6 to 36", "U8", {R, 486}, 1, ""},
        {"Interpolation Flag 89", "U8", {4, R, 32}, 1, ""},
        {"Spill Over", "F32", {2, 200, 243}, 1, "mV"},
        {"Latitude of Observation Point for 89A", "F32", {R, 486}, 1, "deg"}}},
      {"L1B", level1(gen::Level::L1B), 45,
       {{"Brightness Temperature (6.9GHz,V)", "U16", {R, 243}, 0.01f, "K"},
        {"Brightness Temperature (7.3GHz,H)", "U16", {R, 243}, 0.01f, "K"},
        {"Brightness Temperature (89.0GHz-A,H)", "U16", {R, 486}, 0.01f, "K"},
        {"Navigation Data", "F32", {R, 6}, 1, "m,m/s"},
        {"Attitude Data", "F32", {R, 3}, 1, "deg"},
        {"Land_Ocean Flag 89", "U8", {2, R, 486}, 1, "%"},
        {"SPS Temperature Count", "U16", {R, 32}, 1, "Count"},
        {"Longitude of Observation Point for 89B", "F32", {R, 486}, 1, "deg"}}},
      {"L1R", level1(gen::Level::L1R), 58,
       {{"Brightness Temperature (res06,6.9GHz,V)", "U16", {R, 243}, 0.01f, "K"},
        {"Brightness Temperature (res10,10.7GHz,H)", "U16", {R, 243}, 0.01f, "K"},
        {"Brightness Temperature (res23,18.7GHz,V)", "U16", {R, 243}, 0.01f, "K"},
        {"Brightness Temperature (res36,89.0GHz,H)", "U16", {R, 243}, 0.01f, "K"},
        {"Brightness Temperature (original,89GHz-B,V)", "U16", {R, 486}, 0.01f, "K"},
        {"Area Mean Height", "I16", {R, 243}, 1, "m"},
        {"Earth Azimuth", "I16", {R, 243}, 0.01f, "deg"},
        {"Land_Ocean Flag 6 to 36", "U8", {4, R, 243}, 1, "%"},
        {"Pixel Data Quality 89", "U8", {R, 486}, 1, ""},
        {"Latitude of Observation Point for 89B", "F32", {R, 486}, 1, "deg"}}},
      {"L2 low", level2('L', "SST"), 6,
       {{"Scan Time", "F64", {S}, 1, "sec"},
        {"Geophysical Data", "I16", {S, 243, 3}, 0.01f, "degC"},
        {"Pixel Data Quality", "U8", {S, 243}, 1, ""},
        {"Latitude of Observation Point", "F32", {S, 243}, 1, "deg"},
        {"Longitude of Observation Point", "F32", {S, 243}, 1, "deg"}}},
      {"L2 89 GHz", level2('H', "PRC"), 10,
       {{"Position in Orbit", "F64", {S}, 1, ""},
        {"Geophysical Data for 89A", "I16", {S, 486, 3}, 0.1f, "mm/h"},
        {"Geophysical Data for 89B", "I16", {S, 486, 3}, 0.1f, "mm/h"},
        {"Pixel Data Quality for 89B", "U8", {S, 486}, 1, ""},
        {"Latitude of Observation Point for 89A", "F32", {S, 486}, 1, "deg"}}},
      {"L3 daily T36", level3("T36", false, 25, "PS-S"), 3,
       {{"Brightness Temperature (V)", "U16", {332, 316}, 0.01f, "K"},
        {"Brightness Temperature (H)", "U16", {332, 316}, 0.01f, "K"},
        {"Time Information", "I16", {332, 316}, 1, "min"}}},
      {"L3 monthly T36", level3("T36", true, 25, "PS-N"), 8,
       {{"Brightness Temperature (H)", "U16", {448, 304}, 0.01f, "K"},
        {"Standard Deviation (V)", "I16", {448, 304}, 0.01f, "K"},
        {"Average Number (H)", "I16", {448, 304}, 1, ""},
        {"Total Number (V)", "I16", {448, 304}, 1, ""}}},
      {"L3 daily SIC", level3("SIC", false, 25, "PS-S"), 2,
       {{"Geophysical Data", "I16", {332, 316, 3}, 0.1f, "%"},
        {"Time Information", "I16", {332, 316}, 1, "min"}}},
      {"L3 monthly SIC", level3("SIC", true, 25, "PS-S"), 4,
       {{"Geophysical Data", "I16", {332, 316, 3}, 0.1f, "%"},
        {"Standard Deviation", "I16", {332, 316, 3}, 0.01f, "%"},
        {"Average Number", "I16", {332, 316, 3}, 1, ""},
        {"Total Number", "I16", {332, 316, 3}, 1, ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Id file = openFile(write(c.options));
    ASSERT_TRUE(file.ok());
    const auto names = datasetNames(file.get());
    EXPECT_EQ(names.size(), c.datasets);
    for (const auto& name : names) {
      const DatasetFacts f = datasetFacts(file.get(), name);
      EXPECT_TRUE(f.deflated) << name;
      EXPECT_GT(f.scale, 0.0f) << name;
      EXPECT_NE(f.unit, "?") << name;
    }
    for (const Expect& e : c.expect) {
      const DatasetFacts f = datasetFacts(file.get(), e.name);
      ASSERT_TRUE(f.found) << e.name;
      EXPECT_EQ(f.type, e.type) << e.name;
      EXPECT_EQ(f.dims, e.dims) << e.name;
      EXPECT_FLOAT_EQ(f.scale, e.scale) << e.name;
      EXPECT_EQ(f.unit, e.unit) << e.name;
    }
  }
}

// -------------------------------------------------------------------------------------------
// Invalid codes

TEST_F(ProductGen, SwathBrightnessTemperaturesHoldInvalidCodesOnlyAtTheirPlaces) {
  for (gen::Level level : {gen::Level::L1B, gen::Level::L1R}) {
    Id file = openFile(write(level1(level)));
    ASSERT_TRUE(file.ok());
    int checked = 0;
    for (const auto& name : datasetNames(file.get())) {
      if (name.rfind("Brightness Temperature", 0) != 0) continue;
      SCOPED_TRACE(name);
      const DatasetFacts f = datasetFacts(file.get(), name);
      ASSERT_EQ(f.dims.size(), 2u);
      const size_t width = f.dims[1];
      const auto v = readAll<std::uint16_t>(file.get(), name, H5T_NATIVE_UINT16);
      ASSERT_EQ(v.size(), f.dims[0] * width);
      for (size_t i = 0; i < v.size(); ++i) {
        const size_t row = i / width, pixel = i % width;
        if (row == gen::kMissingRow && pixel < gen::kMissingPixelCount) {
          EXPECT_EQ(v[i], gen::kMissingCode) << row << "," << pixel;
        } else if (row == gen::kOutOfRangeRow && pixel == gen::kOutOfRangePixel) {
          EXPECT_EQ(v[i], gen::kOutOfRangeCode);
        } else {
          ASSERT_GT(v[i], 3000) << row << "," << pixel;  // 30 K .. 330 K
          ASSERT_LT(v[i], 33000) << row << "," << pixel;
        }
      }
      ++checked;
    }
    EXPECT_EQ(checked, level == gen::Level::L1B ? 16 : 40);
  }
}

TEST_F(ProductGen, GridBrightnessTemperaturesMarkInvalidCellsAndUnobservedOnes) {
  for (bool monthly : {false, true}) {
    SCOPED_TRACE(monthly ? "monthly" : "daily");
    Id file = openFile(write(level3("T36", monthly, 25, "PS-S")));
    ASSERT_TRUE(file.ok());
    const size_t cols = 316;
    const auto v = readAll<std::uint16_t>(file.get(), "Brightness Temperature (V)", H5T_NATIVE_UINT16);
    const auto h = readAll<std::uint16_t>(file.get(), "Brightness Temperature (H)", H5T_NATIVE_UINT16);
    ASSERT_EQ(v.size(), 332 * cols);
    ASSERT_EQ(h.size(), v.size());
    const size_t outOfRange = gen::kL3InvalidRow * cols + gen::kL3OutOfRangeCol;
    const size_t missing = gen::kL3InvalidRow * cols + gen::kL3MissingCol;
    for (const auto* grid : {&v, &h}) {
      EXPECT_EQ((*grid)[outOfRange], gen::kOutOfRangeCode);
      EXPECT_EQ((*grid)[missing], gen::kMissingCode);
    }
    const auto minutes =
        monthly ? std::vector<std::int16_t>() : readAll<std::int16_t>(file.get(), "Time Information", H5T_NATIVE_INT16);
    size_t unobserved = 0, observed = 0;
    for (size_t i = 0; i < v.size(); ++i) {
      if (i == outOfRange || i == missing) continue;
      if (v[i] == gen::kU16NoData) {
        ++unobserved;
        EXPECT_EQ(h[i], gen::kU16NoData);
        if (!monthly) {
          EXPECT_EQ(minutes[i], gen::kI16NoRetrieval);
        }
      } else {
        ++observed;
        ASSERT_GT(v[i], 5000u);
        ASSERT_LT(v[i], 32000u);
        if (!monthly) {
          EXPECT_GE(minutes[i], -60);
          EXPECT_LT(minutes[i], 1560);
        }
      }
    }
    EXPECT_GT(observed, v.size() / 2);
    // A day leaves gaps between the swaths; a month only the hole around the pole.
    if (monthly) {
      EXPECT_GT(unobserved, 0u);
      EXPECT_LT(unobserved, v.size() / 100);
    } else {
      EXPECT_GT(unobserved, v.size() / 50);
    }
  }
}

TEST_F(ProductGen, GeophysicalValuesWithoutRetrievalAreMarkedAndFlagged) {
  // An ascending half orbit starts over Antarctica: land ice first, then the Southern Ocean.
  Id file = openFile(write(level2('L', "SST", 400)));
  ASSERT_TRUE(file.ok());
  const auto data = readAll<std::int16_t>(file.get(), "Geophysical Data", H5T_NATIVE_INT16);
  const auto quality = readAll<std::uint8_t>(file.get(), "Pixel Data Quality", H5T_NATIVE_UINT8);
  ASSERT_EQ(data.size(), 400u * 243 * 3);
  ASSERT_EQ(quality.size(), 400u * 243);
  size_t none = 0, valid = 0;
  for (size_t p = 0; p < quality.size(); ++p) {
    for (size_t l = 0; l < 3; ++l) {
      const std::int16_t v = data[p * 3 + l];
      if (v == gen::kI16NoRetrieval) {
        ++none;
        EXPECT_EQ(quality[p] & 1, 1) << p;
      } else {
        ++valid;
        EXPECT_GE(v, -200) << p;  // -2 .. 33 degrees Celsius at 0.01
        EXPECT_LE(v, 3300) << p;
        EXPECT_EQ(quality[p] & 1, 0) << p;
      }
    }
  }
  EXPECT_GT(none, data.size() / 20);
  EXPECT_GT(valid, data.size() / 20);
}

// -------------------------------------------------------------------------------------------
// Geometry, time and content

TEST_F(ProductGen, ScansFollowASunSynchronousHalfOrbitInCountedTime) {
  for (bool ascending : {true, false}) {
    SCOPED_TRACE(ascending ? "ascending" : "descending");
    gen::ProductOptions o = level1(gen::Level::L1B, 200, 20);
    o.ascending = ascending;
    Id file = openFile(write(o));
    ASSERT_TRUE(file.ok());
    const auto time = readAll<double>(file.get(), "Scan Time", H5T_NATIVE_DOUBLE);
    const auto latA = readAll<float>(file.get(), "Latitude of Observation Point for 89A", H5T_NATIVE_FLOAT);
    const auto lonA = readAll<float>(file.get(), "Longitude of Observation Point for 89A", H5T_NATIVE_FLOAT);
    const auto latB = readAll<float>(file.get(), "Latitude of Observation Point for 89B", H5T_NATIVE_FLOAT);
    const auto lonB = readAll<float>(file.get(), "Longitude of Observation Point for 89B", H5T_NATIVE_FLOAT);
    ASSERT_EQ(time.size(), 240u);
    ASSERT_EQ(latA.size(), 240u * 486);
    // 2012-07-03T19:05:00 is 615495900 s after 1993-01-01; eight leap seconds were inserted
    // in between (the last at the end of 2012-06-30).
    EXPECT_DOUBLE_EQ(time[20], 615495908.0);
    for (size_t r = 1; r < time.size(); ++r) ASSERT_DOUBLE_EQ(time[r] - time[r - 1], 1.5);
    EXPECT_EQ(rootString(file.get(), "ObservationStartDateTime"), "2012-07-03T19:05:00.000Z");
    EXPECT_EQ(rootString(file.get(), "ObservationEndDateTime"), "2012-07-03T19:09:58.500Z");
    for (size_t i = 0; i < latA.size(); ++i) {
      ASSERT_LE(std::fabs(latA[i]), 90.0f);
      ASSERT_LE(std::fabs(lonA[i]), 180.0f);
      ASSERT_LT(distanceKm(latA[i], lonA[i], latB[i], lonB[i]), 15.0) << i;
    }
    // Consecutive scans about 10 km apart along the track, the swath about 1450 km wide.
    const size_t centre = 243;
    for (size_t r = 1; r < 240; ++r) {
      const double step = distanceKm(latA[(r - 1) * 486 + centre], lonA[(r - 1) * 486 + centre], latA[r * 486 + centre],
                                     lonA[r * 486 + centre]);
      ASSERT_GT(step, 8.0) << r;
      ASSERT_LT(step, 12.0) << r;
    }
    const double width = distanceKm(latA[100 * 486], lonA[100 * 486], latA[100 * 486 + 485], lonA[100 * 486 + 485]);
    EXPECT_GT(width, 1300.0);
    EXPECT_LT(width, 1600.0);
    // The half orbit starts at its southern (ascending) or northern turning point.
    const float firstLat = latA[20 * 486 + centre], lastLat = latA[219 * 486 + centre];
    EXPECT_GT(std::fabs(firstLat), 70.0f);
    EXPECT_EQ(lastLat > firstLat, ascending);
  }
}

TEST_F(ProductGen, LandIsWarmAndWeaklyPolarisedOceanColdAndStronglyPolarised) {
  // The grid: 0.25 degree cells, row 0 at 90 N, column 0 at 180 W.
  Id file = openFile(write(level3("T10", true, 25, "EQR")));
  ASSERT_TRUE(file.ok());
  const auto v = readAll<std::uint16_t>(file.get(), "Brightness Temperature (V)", H5T_NATIVE_UINT16);
  const auto h = readAll<std::uint16_t>(file.get(), "Brightness Temperature (H)", H5T_NATIVE_UINT16);
  ASSERT_EQ(v.size(), 720u * 1440);
  auto cell = [](double lat, double lon) {
    return static_cast<size_t>((90.0 - lat) / 0.25) * 1440 + static_cast<size_t>((lon + 180.0) / 0.25);
  };
  const struct {
    const char* place;
    double lat, lon;
    bool land;
  } places[] = {{"Sahara", 22.0, 12.0, true},       {"Amazon", -5.0, -62.0, true},  {"Siberia", 62.0, 100.0, true},
                {"South Pacific", -30.0, -120.0, false}, {"Off Namibia", -22.0, 8.0, false},
                {"North Atlantic", 35.0, -40.0, false}};
  for (const auto& p : places) {
    SCOPED_TRACE(p.place);
    const double tv = v[cell(p.lat, p.lon)] * 0.01, th = h[cell(p.lat, p.lon)] * 0.01;
    if (p.land) {
      EXPECT_GT(th, 230.0);
      EXPECT_LT(tv - th, 25.0);
    } else {
      EXPECT_LT(th, 130.0);
      EXPECT_GT(tv - th, 50.0);
    }
  }

  // The same contrast in a swath, by its own land flags: Antarctica and the Southern Ocean.
  Id swath = openFile(write(level1(gen::Level::L1B, 400, 20), "swath.h5"));
  ASSERT_TRUE(swath.ok());
  const auto tb = readAll<std::uint16_t>(swath.get(), "Brightness Temperature (6.9GHz,H)", H5T_NATIVE_UINT16);
  const auto flags = readAll<std::uint8_t>(swath.get(), "Land_Ocean Flag 6 to 36", H5T_NATIVE_UINT8);
  ASSERT_EQ(flags.size(), 6 * tb.size());
  double sum[2] = {0, 0};
  size_t n[2] = {0, 0};
  for (size_t i = 0; i < tb.size(); ++i) {
    if (tb[i] >= 65533 || (flags[i] != 0 && flags[i] != 100)) continue;  // band 0 is 6.9 GHz
    const int k = flags[i] == 100;
    sum[k] += tb[i] * 0.01;
    ++n[k];
  }
  ASSERT_GT(n[0], 1000u);
  ASSERT_GT(n[1], 1000u);
  EXPECT_GT(sum[1] / n[1] - sum[0] / n[0], 60.0);
}

// -------------------------------------------------------------------------------------------
// Determinism, the sample set and the command line

TEST_F(ProductGen, EqualOptionsGiveIdenticalFiles) {
  const gen::ProductOptions cases[] = {level1(gen::Level::L1B, 100, 20), level2('H', "PRC", 100),
                                       level3("SIC", true, 25, "PS-S")};
  for (const auto& o : cases) {
    const std::string a = kivo::test::readBytes(write(o, "a.h5"));
    const std::string b = kivo::test::readBytes(write(o, "b.h5"));
    ASSERT_GT(a.size(), 10000u);
    EXPECT_TRUE(a == b) << gen::granuleId(o);
  }
  // A later start moves the swath.
  gen::ProductOptions later = cases[0];
  later.startTime = "2012-07-03T19:06:00";
  Id first = openFile(write(cases[0], "a.h5"));
  Id second = openFile(write(later, "c.h5"));
  EXPECT_NE(readAll<float>(first.get(), "Longitude of Observation Point for 89A", H5T_NATIVE_FLOAT),
            readAll<float>(second.get(), "Longitude of Observation Point for 89A", H5T_NATIVE_FLOAT));
}

TEST(ProductGenSamples, TheSampleSetCoversEveryLevelAndIsOnDisk) {
  const auto set = gen::sampleSetOptions();
  ASSERT_EQ(set.size(), 29u);
  std::vector<std::string> ids;
  int level3 = 0;
  for (const auto& o : set) {
    EXPECT_EQ(gen::optionsProblem(o), "");
    ids.push_back(gen::granuleId(o));
    level3 += o.level == gen::Level::L3;
  }
  EXPECT_EQ(level3, 24);
  std::vector<std::string> sorted = ids;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());

  const std::filesystem::path samples = KIVO_SAMPLE_DIR;
  const auto level1b = samples / "GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";
  if (!std::filesystem::exists(level1b)) GTEST_SKIP() << "no sample products in " << samples;
  for (const auto& id : ids) EXPECT_TRUE(std::filesystem::exists(samples / (id + ".h5"))) << id;
  Id file = openFile(level1b.string());
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(rootString(file.get(), "OverlapScans"), "20");
  EXPECT_EQ(rootString(file.get(), "NumberOfScans"), "1978");
  EXPECT_EQ(datasetFacts(file.get(), "Brightness Temperature (89.0GHz-B,V)").dims, (std::vector<hsize_t>{2018, 486}));
  Id grid = openFile((samples / "GW1AM2_20120703_01D_EQMA_L3SGT36HA2220220.h5").string());
  ASSERT_TRUE(grid.ok());
  EXPECT_EQ(datasetFacts(grid.get(), "Brightness Temperature (H)").dims, (std::vector<hsize_t>{1800, 3600}));
}

TEST_F(ProductGen, CommandLineWritesProductsAndRefusesBadUsage) {
  const std::filesystem::path program = std::filesystem::path(KIVO_BIN_DIR) / "kivo-gen-products";
  if (!std::filesystem::exists(program)) GTEST_SKIP() << "no " << program;
  const std::string out = dir.file("cli.h5");
  auto run = [&](const std::string& args) {
    const int status = std::system((program.string() + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const struct {
    std::string args;
    int exit;
  } cases[] = {
      {"", 2},
      {out + " --level 4", 2},
      {out + " --scans ten", 2},
      {out + " --scans", 2},
      {out + " --bogus 1", 2},
      {out + " --level 2 --overlap 5", 2},
      {out + " --level 3 --km 12", 2},
      {"--samples", 2},
      {dir.file("missing/dir/x.h5") + " --level 1A --scans 2 --overlap 1", 1},
      {out + " --level 2 --mark H --quantity PRC --scans 3 --descending --gzip 0", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(run(c.args), c.exit) << c.args;
  Id file = openFile(out);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(rootString(file.get(), "GranuleID").substr(20), "234D_L2SGPRCHA2220220");
  EXPECT_EQ(datasetFacts(file.get(), "Geophysical Data for 89B").dims, (std::vector<hsize_t>{3, 486, 3}));
}

// The command line both generators share, on a small option set: what each argument list asks
// for, the text that refuses it (or the path it names), and what the options received.
TEST(GeneratorCommandLine, ReadsOptionsAndRefusesBadUsageWithItsMessage) {
  using Action = gen::GeneratorCommandLine::Request::Action;
  const struct {
    std::vector<const char*> args;
    Action action;
    std::string text;  // the usage error, or the path of Samples and Product
    int number;
    bool flag;
    std::string name;
  } cases[] = {
      {{}, Action::UsageError, "missing arguments\nusage: prog\n", -1, false, ""},
      {{"-h"}, Action::Help, "", -1, false, ""},
      {{"--samples", "dir"}, Action::Samples, "dir", -1, false, ""},
      {{"--samples"}, Action::UsageError, "--samples takes exactly one folder", -1, false, ""},
      {{"--samples", "dir", "more"}, Action::UsageError, "--samples takes exactly one folder", -1, false, ""},
      {{"--n", "1"}, Action::UsageError, "the first argument must be the output file or --samples", -1, false, ""},
      {{"out"}, Action::Product, "out", -1, false, ""},
      // A value is taken whole even when it looks like an option; a flag needs no value, also last.
      {{"out", "--name", "--flag", "--n", "-3"}, Action::Product, "out", -3, false, "--flag"},
      {{"out", "--n", "5", "--flag"}, Action::Product, "out", 5, true, ""},
      {{"out", "--n"}, Action::UsageError, "unknown option or missing value: --n", -1, false, ""},
      {{"out", "--bogus"}, Action::UsageError, "unknown option or missing value: --bogus", -1, false, ""},
      {{"out", "--bogus", "1"}, Action::UsageError, "unknown option: --bogus", -1, false, ""},
      {{"out", "--n", "12x"}, Action::UsageError, "bad value for --n: 12x", -1, false, ""},
      {{"out", "--n", ""}, Action::UsageError, "bad value for --n: ", -1, false, ""},
      {{"out", "--n", "99999999999"}, Action::UsageError, "bad value for --n: 99999999999", -1, false, ""},
      {{"out", "--name", "bad"}, Action::UsageError, "bad value for --name: bad", -1, false, "bad"},
      {{"out", "--n", "13"}, Action::UsageError, "13 is refused", 13, false, ""},
  };
  for (const auto& c : cases) {
    int number = -1;
    bool flag = false;
    std::string name;
    gen::GeneratorCommandLine commandLine("prog", "usage: prog\n", 0);
    commandLine.flag("--flag", [&] { flag = true; });
    commandLine.number("--n", number);
    commandLine.option("--name", [&](std::string_view value) {
      name = value;
      return value != "bad";
    });
    commandLine.check([&] { return std::string(number == 13 ? "13 is refused" : ""); });
    std::vector<const char*> argv = {"prog"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::string joined;
    for (const char* a : c.args) joined += std::string(a) + " ";

    const auto request = commandLine.parse(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(request.action, c.action) << joined;
    EXPECT_EQ(request.action == Action::UsageError ? request.message : request.path, c.text) << joined;
    EXPECT_EQ(number, c.number) << joined;
    EXPECT_EQ(flag, c.flag) << joined;
    EXPECT_EQ(name, c.name) << joined;
  }
}

}  // namespace
