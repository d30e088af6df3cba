// The catalogue rules over a file's path and root attributes.

#include <gtest/gtest.h>

#include <cfloat>

#include "product_model/catalogue.h"
#include "temp_dir.h"

namespace cat = kivo::catalogue;
using P = kivo::io::PrdctType;
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
    P type;
    const char* display;
  };
  const Case cases[] = {
      {"AMSR2-L1B", P::Amsr2L1B, "AMSR2 Level 1B"},    {"AMSR2-L1B-extra", P::Amsr2L1B, "AMSR2 Level 1B"},
      {"AMSR2-L3", P::Amsr2L3, "AMSR2 Level 3"},     {"AMSR-E-L2Map", P::AmsrEL2Map, "AMSR-E Level 2 Map"},
      {"AMSR-L2Map", P::AmsrL2Map, "AMSR Level 2 Map"}, {"AMSR-E-L2", P::AmsrEL2, "AMSR-E Level 2"},
      {"AMSR-L2_extra", P::AmsrL2, "AMSR Level 2"},  {"AMSREL1A", P::AmsrEL1A, "AMSR-E Level 1A"},
      {"AMSR_L3", P::AmsrL3, "AMSR Level 3"},       {"", P::None, ""},
      {"GCOM-W1", P::None, ""},
  };
  for (const Case& c : cases) {
    const cat::ProductIdentifier id = cat::identifyProduct(attrs({{"ProductName", c.value}}));
    EXPECT_EQ(id.type(), c.type) << c.value;
    EXPECT_EQ(id.displayName(), c.display) << c.value;
    EXPECT_EQ(cat::prdctTypeFromDisplayName(c.display), c.type) << c.value;
  }
  // The last name attribute decides; other attribute names do not count.
  EXPECT_EQ(cat::identifyProduct(attrs({{"ProductName", "AMSR2-L1B"}, {"Short Name", "AMSR-L1A"}})).type(), P::AmsrL1A);
  EXPECT_EQ(cat::identifyProduct(attrs({{"ShortName", "AMSR-L1A"}, {"productname", "AMSR2-L1B"}})).type(), P::AmsrL1A);
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

std::vector<int> selectable(P type, const cat::RootAttributes& a) {
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
  EXPECT_EQ(selectable(P::Amsr2L1B, {}), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 19, 20, 21, 22}));
  EXPECT_EQ(selectable(P::AmsrEL1B, {}), (std::vector<int>{1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 19, 20, 21, 22}));
  EXPECT_EQ(selectable(P::AmsrL1M, {}), (std::vector<int>{1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 17, 18}));
  EXPECT_EQ(selectable(P::Amsr2L1R, {}).size(), 40u);
  EXPECT_EQ(selectable(P::Amsr2L2, l2L), (std::vector<int>{67, 68}));
  EXPECT_EQ(selectable(P::Amsr2L2, l2H), (std::vector<int>{70, 71, 73, 74}));
  EXPECT_EQ(selectable(P::Amsr2L2, attrs({{"GranuleID", "short"}})), std::vector<int>{});
  EXPECT_EQ(selectable(P::AmsrEL2, {}), std::vector<int>{});
  EXPECT_EQ(selectable(P::Amsr2L3, l3Bt), (std::vector<int>{25, 26}));
  EXPECT_EQ(selectable(P::Amsr2L3, l3Geo), std::vector<int>{0});
  EXPECT_EQ(selectable(P::AmsrL3, {}), std::vector<int>{0});
  EXPECT_EQ(selectable(P::None, {}), std::vector<int>{});
  EXPECT_EQ(cat::resolutionMark(P::Amsr2L2, l2H), 'H');
  EXPECT_EQ(cat::resolutionMark(P::Amsr2L2, attrs({{"GranuleID", "12345678"}})), 0);
}

TEST(Catalogue, ChannelToLabel) {
  const auto l2L = attrs({{"GranuleID", "GW1AM2_201207031905_234A_L2SGSSTLA2220220"}});
  const auto l2H = attrs({{"GranuleID", "GW1AM2_201207031905_234A_L2SGPRCHA2220220"}});
  const auto l3Bt = attrs({{"GeophysicalName", "Brightness Temperature (36.5GHz)"}});
  struct Case {
    P type;
    cat::RootAttributes a;
    int chnl;
    cat::AccessLabel label;
  };
  const std::vector<Case> cases = {
      {P::Amsr2L1A, {}, 1, 10050},   {P::Amsr2L1A, {}, 12, 10160},  {P::Amsr2L1A, {}, 22, 10200},  {P::Amsr2L1B, {}, 2, 11060},  {P::Amsr2L1B, {}, 19, 11170},
      {P::Amsr2L1B, {}, 13, 0},      {P::Amsr2L1R, {}, 27, 12050},  {P::Amsr2L1R, {}, 40, 12180},  {P::Amsr2L1R, {}, 41, 12200}, {P::Amsr2L1R, {}, 58, 12380},
      {P::Amsr2L1R, {}, 59, 12400},  {P::Amsr2L1R, {}, 66, 11200},  {P::Amsr2L2, l2L, 0, 21030},  {P::Amsr2L2, l2L, 69, 21050}, {P::Amsr2L2, l2H, 0, 22030},
      {P::Amsr2L2, l2H, 73, 22070}, {P::Amsr2L2, l2H, 75, 22090}, {P::Amsr2L2, l2H, 67, 0},     {P::Amsr2L3, l3Bt, 25, 31010}, {P::Amsr2L3, l3Bt, 26, 31020},
      {P::Amsr2L3, l3Bt, 0, 31310}, {P::Amsr2L3, {}, 25, 0},    {P::AmsrEL1B, {}, 1, 7},       {P::AmsrEL1B, {}, 19, 31},    {P::AmsrEL1M, {}, 17, 31},
      {P::AmsrEL1M, {}, 19, 0},      {P::AmsrL1M, {}, 18, 33},    {P::AmsrL1B, {}, 22, 37},    {P::AmsrEL2, {}, 0, 3},      {P::AmsrL3, {}, 0, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cat::channelLabel(c.type, c.a, c.chnl), c.label) << "type " << c.type << " channel " << c.chnl;
  }
}

TEST(Catalogue, GeolocationLabelOfDataLabels) {
  struct Case {
    cat::AccessLabel data;
    P type;
    cat::AccessLabel geo;
  };
  const Case cases[] = {
      {11050, P::Amsr2L1B, 40010}, {10060, P::Amsr2L1A, 40010}, {11080, P::Amsr2L1B, 40020}, {11160, P::Amsr2L1B, 40060}, {11170, P::Amsr2L1B, 40070},
      {11230, P::Amsr2L1B, 40080}, {11210, P::Amsr2L1B, 40090}, {10470, P::Amsr2L1B, 40090}, {12050, P::Amsr2L1R, 40120}, {12430, P::Amsr2L1R, 40120},
      {12190, P::Amsr2L1R, 0},     {11170, P::Amsr2L1R, 40100}, {11200, P::Amsr2L1R, 40110}, {21040, P::Amsr2L2, 40130}, {22050, P::Amsr2L2, 40140},
      {22080, P::Amsr2L2, 40150}, {31010, P::Amsr2L3, 40160}, {34540, P::Amsr2L3, 40160}, {10010, P::Amsr2L1B, 0},   {10460, P::Amsr2L1B, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(cat::geolocationLabel(c.data, c.type), c.geo) << c.data << " type " << c.type;
}

TEST(Catalogue, ValueRanges) {
  struct Case {
    P type;
    const char* granule;
    float l1, l2, maximum, minimum;
  };
  const Case cases[] = {
      {P::Amsr2L1B, "", 65531, 65535, 500, 10},
      {P::Amsr2L1A, "", -32767, -32768, 2047, -2048},
      {P::AmsrEL1A, "", -32768, -9999, FLT_MAX, -9000},
      {P::Amsr2L2, "GW1AM2_201207031905_234A_L2SGSSTLA2220220", -32767, -32768, 3276.7f * 0.1f, -3276.0f * 0.1f},
      {P::Amsr2L2, "GW1AM2_201207031905_234A_L2SGCLWLA2220220", -32767, -32768, 3276.7f * 0.01f, -3276.0f * 0.01f},
      {P::Amsr2L3, "GW1AM2_20120703_01D_EQMA_L3SGT36HA2220220", 65531, 65535, 500, 10},
      {P::Amsr2L3, "GW1AM2_20120703_01D_EQMA_L3SGSICHA2220220", -32767, -32768, 3276.7f, -3276.0f},
      {P::Amsr2L3, "short", -32767, -32768, 3276.7f, -3276.0f},
      // HDF4 quantity codes sit at character 18 (Level 2) or 15 (Level 3).
      {P::AmsrEL2, "AMSR_E_L2_XXXXXXXXSST_X", -8888, -9999, 35, -2},
      {P::AmsrEL3, "AMSR_E_L3_XXXXXSWE_X", -8888, -9999, 10000, 0},
      {P::AmsrL3, "AMSR_L3_XXXXXXXSWE_X", -8888, -9999, 1000, 0},
      {P::AmsrL2, "AMSR_L2_XXXXXXXXXXXZZZ", -8888, -9999, FLT_MAX, 0},
      {P::AmsrEL2, "AMSR_E_L2_XXXXXXXXZZZ", -8888, -9999, 350, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.type << " " << c.granule);
    const auto a = kivo::io::isHdf4(c.type) ? attrs({{"LocalGranuleID", c.granule}}) : attrs({{"GranuleID", c.granule}});
    cat::ValueRange r;
    ASSERT_EQ(cat::valueRange(c.type, a, r), 0);
    EXPECT_EQ(r.invalid1, c.l1);
    EXPECT_EQ(r.invalid2, c.l2);
    EXPECT_FLOAT_EQ(r.maximum, c.maximum);
    EXPECT_FLOAT_EQ(r.minimum, c.minimum);
  }
  cat::ValueRange r;
  EXPECT_EQ(cat::valueRange(P::None, {}, r), 2);
}

TEST(Catalogue, TitlesAndUnits) {
  const auto l3Bt = attrs({{"ProductName", "AMSR2-L3"}, {"GeophysicalName", "Brightness Temperature (36.5GHz)"}});
  const auto l3NoParen = attrs({{"ProductName", "AMSR2-L3"}, {"GeophysicalName", "Brightness Temperature"}});
  const auto l2 = attrs({{"ProductName", "AMSR2-L2"}, {"GeophysicalName", "Sea Surface Temperature"}});
  const auto l1b = attrs({{"ProductName", "AMSR2-L1B"}, {"GeophysicalName", "Brightness Temperature"}});
  struct Case {
    P type;
    cat::RootAttributes a;
    int chnl;
    bool unit;
    const char* title;
  };
  const std::vector<Case> cases = {
      {P::Amsr2L3, l3Bt, 25, false, "Brightness Temperature (36.5GHz V)"},
      {P::Amsr2L3, l3Bt, 26, true, "Brightness Temperature (36.5GHz H) [K]"},
      {P::Amsr2L3, l3NoParen, 25, false, "Brightness Temperature (V)"},
      {P::Amsr2L2, l2, 67, true, "Sea Surface Temperature (Geophysical Data 1stData) [\u2103]"},
      {P::Amsr2L1B, l1b, 20, true, "Brightness Temperature (89.0GHz-A-H) [K]"},
      {P::Amsr2L1B, l1b, 0, false, "Brightness Temperature"},
      {P::AmsrEL1B, {}, 5, true, "Birghtness Temperature (10.65GHz-V) [K]"},
      {P::AmsrL1A, {}, 1, true, "Observation Count (6.9GHz-V)"},
      {P::Amsr2L1A, attrs({{"ProductName", "AMSR2-L1A"}, {"GeophysicalName", "Observation Count"}}), 0, true, "Observation Count"},
  };
  for (const Case& c : cases) EXPECT_EQ(cat::title(c.type, c.a, c.chnl, c.unit), c.title);

  struct Unit {
    P type;
    const char* title;
    const char* expected;
  };
  const Unit units[] = {
      {P::Amsr2L2, "Total Precipitable Water", "Total Precipitable Water [kg/m2]"},
      {P::Amsr2L2, "Precipitation", "Precipitation [mm/h]"},
      {P::Amsr2L3, "Snow Depth", "Snow Depth [cm]"},
      {P::Amsr2L3, "Sea Surface Wind speed", "Sea Surface Wind speed [m/s]"},
      {P::Amsr2L3, "Sea Surface Wind Speed", "Sea Surface Wind Speed"},
      {P::AmsrEL2Map, "Snow Water Equivalence", "Snow Water Equivalence [mm]"},
      {P::AmsrL2Map, "Soil Moisture", "Soil Moisture [g/cm3]"},
      {P::AmsrEL2, "Brightness Temperature", "Brightness Temperature"},
      {P::Amsr2L1A, "Anything", "Anything"},
      {P::AmsrL1B, "Anything", "Anything [K]"},
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
  EXPECT_EQ(cat::metaValue(P::AmsrEL3, a, "GranuleID", v), 12);
  EXPECT_EQ(v, "AMSR_E_L3_ID");
  EXPECT_EQ(cat::metaValue(P::Amsr2L3, a, "granuleid", v), 5);
  EXPECT_EQ(v, "other");
  EXPECT_EQ(cat::metaValue(P::Amsr2L3, a, "Missing", v), 0);
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
