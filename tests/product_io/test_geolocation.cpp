// Positions: stored 89 GHz positions, co-registration, the six-band mean, Level 1R pixels and
// Level 3 grid files.

#include <gtest/gtest.h>

#include <cmath>

#include "product_io/geolocation.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace io = kivo::io;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

io::LatLon ll(float lat, float lon) { return {lat, lon}; }

double distanceDeg(const io::LatLon& a, const io::LatLon& b) {
  const double r = 3.141592653589793 / 180.0;
  const double c = std::sin(a.lat * r) * std::sin(b.lat * r) +
                   std::cos(a.lat * r) * std::cos(b.lat * r) * std::cos((a.lon - b.lon) * r);
  return std::acos(std::clamp(c, -1.0, 1.0)) / r;
}

TEST(CoRegistration, FractionsOfTheWayBetweenTwoPositions) {
  const io::LatLon p1 = ll(35.0f, 139.0f);
  const io::LatLon p2 = ll(35.1f, 139.2f);
  struct Case {
    double a1, a2;
    io::LatLon expected;
  };
  const Case cases[] = {{0, 0, p1}, {1, 0, p2}};
  for (const Case& c : cases) {
    io::LatLon out;
    ASSERT_EQ(io::coregister(p1, p2, c.a1, c.a2, out), 0);
    EXPECT_LT(distanceDeg(out, c.expected), 1e-4) << c.a1 << " " << out.lat << " " << out.lon;
    ASSERT_EQ(io::coregisterHdf4(p1, p2, static_cast<float>(c.a1), static_cast<float>(c.a2), out), 0);
    EXPECT_LT(distanceDeg(out, c.expected), 1e-3) << c.a1;
  }
  // Half way along, and A2 moves across the line between the two positions by the same unit.
  io::LatLon half;
  ASSERT_EQ(io::coregister(p1, p2, 0.5, 0.0, half), 0);
  EXPECT_NEAR(distanceDeg(half, p1), distanceDeg(p1, p2) / 2, 1e-5);
  EXPECT_NEAR(distanceDeg(half, p2), distanceDeg(p1, p2) / 2, 1e-5);
  // A2 moves across the line between the two positions, by the same angle unit.
  io::LatLon across;
  ASSERT_EQ(io::coregister(p1, p2, 0.0, 1.0, across), 0);
  EXPECT_NEAR(distanceDeg(across, p1), distanceDeg(p1, p2), 1e-4);
  EXPECT_NEAR(distanceDeg(across, p2), std::sqrt(2.0) * distanceDeg(p1, p2), 1e-4);

  io::LatLon out;
  ASSERT_EQ(io::coregister(p1, p1, 0.7, 0.3, out), 0);  // identical positions: the first one
  EXPECT_EQ(out.lat, p1.lat);
  EXPECT_EQ(out.lon, p1.lon);
  ASSERT_EQ(io::coregister(p1, ll(-9999.0f, 0.0f), 0.5, 0.0, out), 0);  // an invalid input passes through
  EXPECT_EQ(out.lat, -9999.0f);
  EXPECT_EQ(out.lon, -9999.0f);
  EXPECT_EQ(io::coregister(ll(90.5f, 0), p2, 0.5, 0, out), io::kErrLatitudeRange);
  EXPECT_EQ(io::coregister(p1, ll(0, 180.5f), 0.5, 0, out), io::kErrLongitudeRange);
  EXPECT_EQ(io::coregisterHdf4(p1, ll(0, 180.5f), 0.5f, 0, out), -1);
  EXPECT_EQ(io::coregisterHdf4(ll(-9999.0f, 0.0f), p2, 0.5f, 0, out), -1);  // no invalid-value rule
}

TEST(CoRegistration, ParameterTexts) {
  double v[io::kCoRegBands];
  EXPECT_EQ(io::parseCoRegParameter("6G-0.125,7G-0.25,10G-0.5,18G--0.75,23G-1,36G-2.5", io::kAmsr2BandTokens, v), 0x3Fu);
  EXPECT_EQ(v[0], 0.125);
  EXPECT_EQ(v[3], -0.75);
  EXPECT_EQ(v[5], 2.5);
  // "6G-" is not taken from inside "36G-"; missing bands stay 0.
  EXPECT_EQ(io::parseCoRegParameter("36G-2.5, 10G-0.5", io::kAmsr2BandTokens, v), 0x24u);
  EXPECT_EQ(v[0], 0.0);
  EXPECT_EQ(v[2], 0.5);
  EXPECT_EQ(v[5], 2.5);
  EXPECT_EQ(io::parseCoRegParameter("6G-1,50G-3", io::kHdf4BandTokens, v), 0x21u);
  EXPECT_EQ(v[5], 3.0);
  EXPECT_EQ(io::parseCoRegParameter("", io::kAmsr2BandTokens, v), 0u);
}

class Positions : public ::testing::Test {
 protected:
  // A Level 1B product with 3 stored rows (1 overlap scan) of 89 GHz positions: the A
  // positions with a scale factor of 2, the B positions unscaled.
  std::string product(const std::vector<float>& lat, const std::vector<float>& lon, bool withParams = true,
                      const char* a1Name = "CoRegistrationParameterA1", bool withLevel2 = false) {
    TinyProduct p(dir.file("pos.h5"));
    p.head("AMSR2-L1B", 1);
    if (withParams) {
      p.attr(a1Name, "6G-0,7G-0.2,10G-0.4,18G-0.6,23G-0.8,36G-1");
      p.attr("CoRegistrationParameterA2", "6G-0,7G-0,10G-0,18G-0,23G-0,36G-0");
    }
    const unsigned long long pixels = lat.size() / 3;
    p.data("Latitude of Observation Point for 89A", Stored::F32, {3, pixels}, lat, 2.0f);
    p.data("Longitude of Observation Point for 89A", Stored::F32, {3, pixels}, lon, 2.0f);
    p.data("Latitude of Observation Point for 89B", Stored::F32, {3, pixels}, lat, 1.0f);
    p.data("Longitude of Observation Point for 89B", Stored::F32, {3, pixels}, lon, 1.0f);
    if (withLevel2) {
      p.data("Latitude of Observation Point", Stored::F32, {3, pixels}, lat, 1.0f);
      p.data("Longitude of Observation Point", Stored::F32, {3, pixels}, lon, 1.0f);
    }
    return p.close();
  }
  TempDir dir;
};

TEST_F(Positions, StoredAndDerivedPositions) {
  // Row 1 (scan 1) crosses the date line between pixels 0 and 1; values are doubled on read.
  const std::vector<float> lat = {0, 1, 2, 3, 0, 0, 10, 10, -4999.5f, 5, 20, 20};
  const std::vector<float> lon = {0, 1, 2, 3, 89.95f, -89.95f, 50, 50.1f, 0, 5, 60, 60.1f};
  const io::ProductHandle h = io::openProduct(product(lat, lon).c_str());
  ASSERT_GT(h, 0);
  std::vector<io::LatLon> pos;

  ASSERT_EQ(io::getLatLon(h, pos, 1, 1, 40070), 4);
  EXPECT_EQ(pos[0].lat, 0.0f);
  EXPECT_EQ(pos[0].lon, 179.9f);
  EXPECT_EQ(pos[1].lon, -179.9f);
  EXPECT_EQ(pos[2].lat, 20.0f);
  ASSERT_EQ(io::getLatLon(h, pos, io::kAllScans, io::kAllScans, 40080), 12);
  EXPECT_EQ(pos[3].lat, 3.0f);
  EXPECT_EQ(pos[5].lon, -89.95f);

  // Band 0 (A1 = 0) is the even 89A pixel; band 5 (A1 = 1) the odd one.
  ASSERT_EQ(io::getLatLon(h, pos, 1, 2, 40010), 4);
  EXPECT_NEAR(pos[1].lat, 20.0f, 1e-4);
  EXPECT_NEAR(pos[1].lon, 100.0f, 1e-4);
  EXPECT_EQ(pos[2].lat, -9999.0f);  // invalid 89A latitude
  EXPECT_EQ(pos[2].lon, -9999.0f);
  ASSERT_EQ(io::getLatLon(h, pos, 1, 1, 40060), 2);
  EXPECT_NEAR(pos[0].lon, -179.9f, 1e-3);

  // The six-band mean stays at the date line instead of falling to 0.
  ASSERT_EQ(io::getLatLon(h, pos, 1, 2, 40090), 4);
  EXPECT_GT(std::fabs(pos[0].lon), 179.9f);
  EXPECT_NEAR(pos[0].lat, 0.0f, 1e-3);
  EXPECT_EQ(pos[2].lat, -9999.0f);
  EXPECT_EQ(pos[2].lon, -9999.0f);

  ASSERT_EQ(io::getLatLon(h, pos, 2, 2, 40120), 2);  // Level 1R pixels: even 89A pixels
  EXPECT_EQ(pos[0].lat, -9999.0f);
  EXPECT_EQ(pos[1].lat, 40.0f);

  io::DimSize dims;
  EXPECT_EQ(io::getDimSize(h, 40010, dims), 2);
  EXPECT_EQ(dims.dims[0], 3);
  EXPECT_EQ(dims.dims[1], 2);
  EXPECT_EQ(io::getDimSize(h, 40070, dims), 2);
  EXPECT_EQ(dims.dims[1], 4);
  io::closeProduct(h);
}

TEST_F(Positions, DimensionsAgreeWithThePositionsOfEverySwathLabel) {
  const std::vector<float> lat = {0, 1, 2, 3, 10, 10, 11, 11, 20, 20, 21, 21};
  const std::vector<float> lon = {0, 1, 2, 3, 50, 50.1f, 51, 51.1f, 60, 60.1f, 61, 61.1f};
  const io::ProductHandle h = io::openProduct(product(lat, lon, true, "CoRegistrationParameterA1", true).c_str());
  ASSERT_GT(h, 0);
  for (io::AccessLabel label = io::kFirstGeolocationLabel; label < io::kLabelLatLonGrid; label += 10) {
    io::DimSize dims;
    ASSERT_EQ(io::getDimSize(h, label, dims), 2) << label;
    std::vector<io::LatLon> pos;
    EXPECT_EQ(io::getLatLon(h, pos, io::kAllScans, io::kAllScans, label), dims.dims[0] * dims.dims[1]) << label;
  }
  io::closeProduct(h);
}

TEST_F(Positions, Errors) {
  const std::vector<float> lat(12, 1.0f), lon(12, 2.0f);
  io::ProductHandle h = io::openProduct(product(lat, lon).c_str());
  ASSERT_GT(h, 0);
  std::vector<io::LatLon> pos;
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40000), io::kErrDerivedLabel);
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 11050), io::kErrDerivedLabel);
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40130), io::kErrDatasetOpen);
  EXPECT_EQ(io::getLatLon(h, pos, 2, 1, 40070), io::kErrEndBeforeBegin);
  EXPECT_EQ(io::getLatLon(0, pos, 1, 1, 40070), io::kErrNullHandle);
  EXPECT_EQ(io::getLatLon(h, pos, 5, 5, 40070), io::kErrScanSelection);
  EXPECT_TRUE(pos.empty());
  io::closeProduct(h);

  h = io::openProduct(product(lat, lon, false).c_str());
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40010), -558);
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40070), 4);  // stored positions need no parameters
  io::closeProduct(h);

  // The spelling with a space is read when the usual one is missing.
  h = io::openProduct(product(lat, lon, true, "CoRegistration ParameterA1").c_str());
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40030), 2);
  io::closeProduct(h);

  // Out-of-range 89A positions fail the co-registration.
  std::vector<float> badLat(12, 1.0f);
  badLat[4] = 46.0f;  // 92 degrees after scaling
  h = io::openProduct(product(badLat, lon).c_str());
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40010), io::kErrLatitudeRange);
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40070), 4);  // direct reads apply no range check
  io::closeProduct(h);
}

class GridPositions : public ::testing::Test {
 protected:
  void SetUp() override {
    io::setDataDirectory(dir.file(""));
    kivo::test::writeBytes(dir.file("geophysical_file"),
                           "# name,scale,unit,EQR,PS-N,PS-S\r\n"
                           "Brightness Temperature,0.01,K,EQR,EQR,-\r\n"
                           "Sea Ice Concentration,0.1,%,-,SIC,SIC\r\n"
                           "Short Line,0.1,%,EQR\n");
  }
  void TearDown() override { io::setDataDirectory(""); }

  io::ProductHandle product(const char* projection, const char* quantity = "Brightness Temperature",
                            char resolution = 'L') {
    std::string granule = "GW1AM2_20120703_01D_EQMA_L3SGT36HA2220220";
    granule[32] = resolution;
    TinyProduct p(dir.file(std::string("l3_") + projection + ".h5"));
    p.attr("ProductName", "AMSR2-L3").attr("GeophysicalName", quantity).attr("GranuleID", granule);
    p.attr("Projection", projection);
    return io::openProduct(p.close().c_str());
  }
  void gridFile(const std::string& name, const std::vector<float>& records, const std::string& tail = "") {
    std::string bytes(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(float));
    kivo::test::writeBytes(dir.file(name), bytes + tail);
  }
  TempDir dir;
};

TEST_F(GridPositions, CellsFromTheGridFile) {
  gridFile("EQR_25km.dat", {89.875f, -179.875f, 89.875f, 359.5f, -89.875f, 180.0f});
  const io::ProductHandle h = product("EQR");
  ASSERT_GT(h, 0);
  std::vector<io::LatLon> pos;
  ASSERT_EQ(io::getLatLon(h, pos, 7, 9, 40160), 3);  // scan ranges do not matter
  EXPECT_EQ(pos[0].lat, 89.875f);
  EXPECT_EQ(pos[0].lon, -179.875f);
  EXPECT_EQ(pos[1].lon, -0.5f);  // stored beyond 180: moved into the western half
  EXPECT_EQ(pos[2].lon, 180.0f);
  io::DimSize dims;
  EXPECT_EQ(io::getDimSize(h, 40160, dims), 2);
  EXPECT_EQ(dims.dims[0], 3);
  EXPECT_EQ(dims.dims[1], 2);
  io::closeProduct(h);

  // A token other than EQR becomes part of the name; 'H' at character 32 selects 10 km.
  gridFile("POLARSTEREO_NORTH_SIC_10km.dat", {70.0f, -45.0f}, "xyz");  // a partial record is ignored
  const io::ProductHandle ice = product("PS-N", "Sea Ice Concentration", 'H');
  EXPECT_EQ(io::getLatLon(ice, pos, 1, 1, 40160), 1);
  io::closeProduct(ice);
}

TEST_F(GridPositions, Errors) {
  gridFile("EQR_10km.dat", {});
  struct Case {
    const char* projection;
    const char* quantity;
    char resolution;
    int expected;
  };
  const Case cases[] = {
      {"EQR", "Brightness Temperature", 'L', io::kErrGridFile},   // no EQR_25km.dat
      {"EQR", "Brightness Temperature", 'H', io::kErrGridFile},   // an empty file
      {"PS-S", "Brightness Temperature", 'L', io::kErrMappingFile},  // "-": no south grid
      {"EQR", "Sea Ice Concentration", 'L', io::kErrMappingFile},
      {"EQR", "Short Line", 'L', io::kErrMappingFile},
      {"EQR", "Snow Depth", 'L', io::kErrMappingFile},            // no line for the quantity
      {"eqr", "Brightness Temperature", 'L', io::kErrBadProjection},
  };
  for (const Case& c : cases) {
    const io::ProductHandle h = product(c.projection, c.quantity, c.resolution);
    std::vector<io::LatLon> pos;
    EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40160), c.expected) << c.projection << " " << c.quantity;
    io::DimSize dims;
    EXPECT_EQ(io::getDimSize(h, 40160, dims), c.expected);
    io::closeProduct(h);
  }
  // Without a mapping file nothing maps.
  std::filesystem::remove(dir.file("geophysical_file"));
  const io::ProductHandle h = product("EQR");
  std::vector<io::LatLon> pos;
  EXPECT_EQ(io::getLatLon(h, pos, 1, 1, 40160), io::kErrMappingFile);
  io::closeProduct(h);
}

}  // namespace
