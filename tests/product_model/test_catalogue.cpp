// The catalogue rules over a file's path and root attributes.

#include <gtest/gtest.h>

#include <cfloat>

#include "product_model/catalogue.h"
#include "temp_dir.h"

namespace cat = kivo::catalogue;
using kivo::test::TempDir;

namespace {

cat::RootAttributes attrs(std::initializer_list<std::pair<const char*, const char*>> list) {
  cat::RootAttributes out;
  for (const auto& [n, v] : list) out.push_back({n, v});
  return out;
}

TEST(Catalogue, FileFormatBySignatureAtTheStart) {
  TempDir dir;
  const std::string hdf5(reinterpret_cast<const char*>("\x89HDF\r\n\x1a\n"), 8);
  struct Case {
    const char* name;
    std::string bytes;
    int format;
  };
  const Case cases[] = {
      {"a.h5", hdf5 + "rest", cat::kFormatHdf5},
      {"b.00", std::string("\x0e\x03\x13\x01", 4) + "rest", cat::kFormatHdf4},
      {"late.h5", std::string(512, '\0') + hdf5, cat::kFormatNone},
      {"short.h5", "\x89HD", cat::kFormatNone},
      {"text.txt", "hello world", cat::kFormatNone},
  };
  for (const Case& c : cases) {
    kivo::test::writeBytes(dir.file(c.name), c.bytes);
    EXPECT_EQ(cat::ComGetFileFormat(dir.file(c.name)), c.format) << c.name;
  }
  EXPECT_EQ(cat::ComGetFileFormat(dir.file("missing.h5")), cat::kFormatNone);
  EXPECT_EQ(cat::ComGetFileFormat(dir.file("")), cat::kFormatNone);  // a folder
}

TEST(Catalogue, ProductTypeByNamePrefix) {
  struct Case {
    const char* value;
    int type;
    const char* display;
  };
  const Case cases[] = {
      {"AMSR2-L1B", 7, "AMSR2 Level 1B"},    {"AMSR2-L1B-extra", 7, "AMSR2 Level 1B"},
      {"AMSR2-L3", 10, "AMSR2 Level 3"},     {"AMSR-E-L2Map", 4, "AMSR-E Level 2 Map"},
      {"AMSR-L2Map", 15, "AMSR Level 2 Map"}, {"AMSR-E-L2", 3, "AMSR-E Level 2"},
      {"AMSR-L2_extra", 14, "AMSR Level 2"},  {"AMSREL1A", 0, "AMSR-E Level 1A"},
      {"AMSR_L3", 16, "AMSR Level 3"},       {"", 17, ""},
      {"GCOM-W1", 17, ""},
  };
  for (const Case& c : cases) {
    const cat::ProductIdentifier id = cat::identifyProduct(attrs({{"ProductName", c.value}}));
    EXPECT_EQ(id.type(), c.type) << c.value;
    EXPECT_EQ(id.displayName(), c.display) << c.value;
    EXPECT_EQ(cat::prdctTypeFromDisplayName(c.display), c.type) << c.value;
  }
  // The last name attribute decides; other attribute names do not count.
  EXPECT_EQ(cat::identifyProduct(attrs({{"ProductName", "AMSR2-L1B"}, {"Short Name", "AMSR-L1A"}})).type(), 11);
  EXPECT_EQ(cat::identifyProduct(attrs({{"ShortName", "AMSR-L1A"}, {"productname", "AMSR2-L1B"}})).type(), 11);
}

TEST(Catalogue, ProjectionRules) {
  struct Case {
    cat::RootAttributes a;
    int projection;
    bool known;
  };
  const std::vector<Case> cases = {
      {attrs({{"ProductName", "AMSR2-L3"}, {"GeophysicalName", "x"}, {"GranuleID", "g"}, {"a", ""}, {"b", ""}, {"Projection", "ps-n"}}), 1, true},
      {attrs({{"ProductName", "AMSR2-L3"}, {"PROJECTION", "PS-S"}}), 2, true},
      {attrs({{"ProductName", "AMSR2-L3"}, {"Projection", "EQR"}}), 0, true},
      // Level 1B: the attribute at index 3 resets the projection to unknown equirectangular.
      {attrs({{"ProductName", "AMSR2-L1B"}, {"Projection", "PS-N"}, {"x", ""}, {"y", ""}}), 0, false},
      {attrs({{"ProductName", "AMSR2-L1B"}, {"x", ""}}), -1, false},
      // HDF4 Level 3: the last two characters of attribute 4.
      {attrs({{"ShortName", "AMSR-E_L3"}, {"b", ""}, {"c", ""}, {"d", ""}, {"e", "AMSR_E_L3_XXXX_PN"}}), 1, true},
      {attrs({{"ShortName", "AMSR_L3"}, {"b", ""}, {"c", ""}, {"d", ""}, {"e", "something"}}), 0, true},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const cat::ProductIdentifier id = cat::identifyProduct(cases[i].a);
    EXPECT_EQ(id.projection(), cases[i].projection) << i;
    EXPECT_EQ(id.projectionKnown(), cases[i].known) << i;
  }
}

std::vector<int> selectable(int type, const cat::RootAttributes& a) {
  std::vector<int> out;
  const cat::ChannelMask m = cat::channelMask(type, a);
  for (int i = 0; i < cat::kChnlCount; ++i) {
    if (m[static_cast<std::size_t>(i)]) out.push_back(i);
  }
  return out;
}

TEST(Catalogue, ChannelMasksByFamily) {
  const auto l2L = attrs({{"GranuleID", "GW1AM2_201207031905_234A_L2SGSSTLA2220220"}});
  const auto l2H = attrs({{"GranuleID", "GW1AM2_201207031905_234A_L2SGPRCHA2220220"}});
  const auto l3Bt = attrs({{"GeophysicalName", "Brightness Temperature (36.5GHz)"}});
  const auto l3Geo = attrs({{"GeophysicalName", "Sea Surface Temperature"}});
  EXPECT_EQ(selectable(7, {}), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 19, 20, 21, 22}));
  EXPECT_EQ(selectable(1, {}), (std::vector<int>{1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 19, 20, 21, 22}));
  EXPECT_EQ(selectable(13, {}), (std::vector<int>{1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 17, 18}));
  EXPECT_EQ(selectable(8, {}).size(), 40u);
  EXPECT_EQ(selectable(9, l2L), (std::vector<int>{67, 68}));
  EXPECT_EQ(selectable(9, l2H), (std::vector<int>{70, 71, 73, 74}));
  EXPECT_EQ(selectable(9, attrs({{"GranuleID", "short"}})), std::vector<int>{});
  EXPECT_EQ(selectable(3, {}), std::vector<int>{});
  EXPECT_EQ(selectable(10, l3Bt), (std::vector<int>{25, 26}));
  EXPECT_EQ(selectable(10, l3Geo), std::vector<int>{0});
  EXPECT_EQ(selectable(16, {}), std::vector<int>{0});
  EXPECT_EQ(selectable(17, {}), std::vector<int>{});
  EXPECT_EQ(cat::resolutionMark(9, l2H), 'H');
  EXPECT_EQ(cat::resolutionMark(9, attrs({{"GranuleID", "12345678"}})), 0);
}

TEST(Catalogue, ChannelToLabel) {
  const auto l2L = attrs({{"GranuleID", "GW1AM2_201207031905_234A_L2SGSSTLA2220220"}});
  const auto l2H = attrs({{"GranuleID", "GW1AM2_201207031905_234A_L2SGPRCHA2220220"}});
  const auto l3Bt = attrs({{"GeophysicalName", "Brightness Temperature (36.5GHz)"}});
  struct Case {
    int type;
    cat::RootAttributes a;
    int chnl;
    cat::AccessLabel label;
  };
  const std::vector<Case> cases = {
      {6, {}, 1, 10050},   {6, {}, 12, 10160},  {6, {}, 22, 10200},  {7, {}, 2, 11060},  {7, {}, 19, 11170},
      {7, {}, 13, 0},      {8, {}, 27, 12050},  {8, {}, 40, 12180},  {8, {}, 41, 12200}, {8, {}, 58, 12380},
      {8, {}, 59, 12400},  {8, {}, 66, 11200},  {9, l2L, 0, 21030},  {9, l2L, 69, 21050}, {9, l2H, 0, 22030},
      {9, l2H, 73, 22070}, {9, l2H, 75, 22090}, {9, l2H, 67, 0},     {10, l3Bt, 25, 31010}, {10, l3Bt, 26, 31020},
      {10, l3Bt, 0, 31310}, {10, {}, 25, 0},    {1, {}, 1, 7},       {1, {}, 19, 31},    {2, {}, 17, 31},
      {2, {}, 19, 0},      {13, {}, 18, 33},    {12, {}, 22, 37},    {3, {}, 0, 3},      {16, {}, 0, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cat::channelLabel(c.type, c.a, c.chnl), c.label) << "type " << c.type << " channel " << c.chnl;
  }
}

TEST(Catalogue, GeolocationLabelOfDataLabels) {
  struct Case {
    cat::AccessLabel data;
    int type;
    cat::AccessLabel geo;
  };
  const Case cases[] = {
      {11050, 7, 40010}, {10060, 6, 40010}, {11080, 7, 40020}, {11160, 7, 40060}, {11170, 7, 40070},
      {11230, 7, 40080}, {11210, 7, 40090}, {10470, 7, 40090}, {12050, 8, 40120}, {12430, 8, 40120},
      {12190, 8, 0},     {11170, 8, 40100}, {11200, 8, 40110}, {21040, 9, 40130}, {22050, 9, 40140},
      {22080, 9, 40150}, {31010, 10, 40160}, {34540, 10, 40160}, {10010, 7, 0},   {10460, 7, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(cat::geolocationLabel(c.data, c.type), c.geo) << c.data << " type " << c.type;
}

TEST(Catalogue, ValueRanges) {
  struct Case {
    int type;
    const char* granule;
    float l1, l2, maximum, minimum;
  };
  const Case cases[] = {
      {7, "", 65531, 65535, 500, 10},
      {6, "", -32767, -32768, 2047, -2048},
      {0, "", -32768, -9999, FLT_MAX, -9000},
      {9, "GW1AM2_201207031905_234A_L2SGSSTLA2220220", -32767, -32768, 3276.7f * 0.1f, -3276.0f * 0.1f},
      {9, "GW1AM2_201207031905_234A_L2SGCLWLA2220220", -32767, -32768, 3276.7f * 0.01f, -3276.0f * 0.01f},
      {10, "GW1AM2_20120703_01D_EQMA_L3SGT36HA2220220", 65531, 65535, 500, 10},
      {10, "GW1AM2_20120703_01D_EQMA_L3SGSICHA2220220", -32767, -32768, 3276.7f, -3276.0f},
      {10, "short", -32767, -32768, 3276.7f, -3276.0f},
      // HDF4 quantity codes sit at character 18 (Level 2) or 15 (Level 3).
      {3, "AMSR_E_L2_XXXXXXXXSST_X", -8888, -9999, 35, -2},
      {5, "AMSR_E_L3_XXXXXSWE_X", -8888, -9999, 10000, 0},
      {16, "AMSR_L3_XXXXXXXSWE_X", -8888, -9999, 1000, 0},
      {14, "AMSR_L2_XXXXXXXXXXXZZZ", -8888, -9999, FLT_MAX, 0},
      {3, "AMSR_E_L2_XXXXXXXXZZZ", -8888, -9999, 350, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.type << " " << c.granule);
    const auto a = cat::isHdf4Type(c.type) ? attrs({{"LocalGranuleID", c.granule}}) : attrs({{"GranuleID", c.granule}});
    cat::ValueRange r;
    ASSERT_EQ(cat::valueRange(c.type, a, r), 0);
    EXPECT_EQ(r.invalid1, c.l1);
    EXPECT_EQ(r.invalid2, c.l2);
    EXPECT_FLOAT_EQ(r.maximum, c.maximum);
    EXPECT_FLOAT_EQ(r.minimum, c.minimum);
  }
  cat::ValueRange r;
  EXPECT_EQ(cat::valueRange(17, {}, r), 2);
}

TEST(Catalogue, TitlesAndUnits) {
  const auto l3Bt = attrs({{"ProductName", "AMSR2-L3"}, {"GeophysicalName", "Brightness Temperature (36.5GHz)"}});
  const auto l3NoParen = attrs({{"ProductName", "AMSR2-L3"}, {"GeophysicalName", "Brightness Temperature"}});
  const auto l2 = attrs({{"ProductName", "AMSR2-L2"}, {"GeophysicalName", "Sea Surface Temperature"}});
  const auto l1b = attrs({{"ProductName", "AMSR2-L1B"}, {"GeophysicalName", "Brightness Temperature"}});
  struct Case {
    int type;
    cat::RootAttributes a;
    int chnl;
    bool unit;
    const char* title;
  };
  const std::vector<Case> cases = {
      {10, l3Bt, 25, false, "Brightness Temperature (36.5GHz V)"},
      {10, l3Bt, 26, true, "Brightness Temperature (36.5GHz H) [K]"},
      {10, l3NoParen, 25, false, "Brightness Temperature (V)"},
      {9, l2, 67, true, "Sea Surface Temperature (Geophysical Data 1stData) [\u2103]"},
      {7, l1b, 20, true, "Brightness Temperature (89.0GHz-A-H) [K]"},
      {7, l1b, 0, false, "Brightness Temperature"},
      {1, {}, 5, true, "Birghtness Temperature (10.65GHz-V) [K]"},
      {11, {}, 1, true, "Observation Count (6.9GHz-V)"},
      {6, attrs({{"ProductName", "AMSR2-L1A"}, {"GeophysicalName", "Observation Count"}}), 0, true, "Observation Count"},
  };
  for (const Case& c : cases) EXPECT_EQ(cat::title(c.type, c.a, c.chnl, c.unit), c.title);

  struct Unit {
    int type;
    const char* title;
    const char* expected;
  };
  const Unit units[] = {
      {9, "Total Precipitable Water", "Total Precipitable Water [kg/m2]"},
      {9, "Precipitation", "Precipitation [mm/h]"},
      {10, "Snow Depth", "Snow Depth [cm]"},
      {10, "Sea Surface Wind speed", "Sea Surface Wind speed [m/s]"},
      {10, "Sea Surface Wind Speed", "Sea Surface Wind Speed"},
      {4, "Snow Water Equivalence", "Snow Water Equivalence [mm]"},
      {15, "Soil Moisture", "Soil Moisture [g/cm3]"},
      {3, "Brightness Temperature", "Brightness Temperature"},
      {6, "Anything", "Anything"},
      {12, "Anything", "Anything [K]"},
  };
  for (const Unit& u : units) {
    std::string t = u.title;
    cat::ComGetUnit(u.type, t);
    EXPECT_EQ(t, u.expected);
  }
}

TEST(Catalogue, MetaValueIgnoresCaseAndMapsTheHdf4GranuleName) {
  const auto a = attrs({{"ProductName", "AMSR-E_L3"}, {"LocalGranuleID", "AMSR_E_L3_ID"}, {"GranuleID", "other"}});
  std::string v;
  EXPECT_EQ(cat::metaValue(5, a, "GranuleID", v), 12);
  EXPECT_EQ(v, "AMSR_E_L3_ID");
  EXPECT_EQ(cat::metaValue(10, a, "granuleid", v), 5);
  EXPECT_EQ(v, "other");
  EXPECT_EQ(cat::metaValue(10, a, "Missing", v), 0);
  EXPECT_EQ(v, "");
}

TEST(Catalogue, LevelNamesAndChannelNames) {
  EXPECT_TRUE(cat::isLevel2("AMSR2 Level 2"));
  EXPECT_FALSE(cat::isLevel2("AMSR2 Level 2 Map"));
  EXPECT_TRUE(cat::isLevel3("AMSR Level 3"));
  EXPECT_TRUE(cat::isAmsr2Level3("AMSR2 Level 3"));
  EXPECT_FALSE(cat::isAmsr2Level3("AMSR-E Level 3"));
  EXPECT_STREQ(cat::channelName(40), "res06-89.0GHz-H");
  EXPECT_STREQ(cat::channelName(50), "res10-89.0GHz-H");
  EXPECT_STREQ(cat::channelName(51), "res23-18.7GHz-V");
  EXPECT_STREQ(cat::channelName(62), "res36-89.0GHz-H");
  EXPECT_STREQ(cat::channelName(75), "Geophysical Data for 89B 3rdData");
  EXPECT_STREQ(cat::channelName(76), "");
  EXPECT_STREQ(cat::channelName(100), "");
}

}  // namespace
