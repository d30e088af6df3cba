// The AMSR/AMSR-E HDF4 reader: dimensions by product type, scaling, positions of swaths and
// grids, attributes, and damaged files.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "product_io/readers/amsr_e_data.h"
#include "hdf4_gen.h"
#include "temp_dir.h"

namespace io = kivo::io;
using P = kivo::io::PrdctType;
namespace gen = kivo::gen;
using gen::Hdf4Level;
using gen::Hdf4Sensor;
using kivo::test::TempDir;

namespace {

class Hdf4Reader : public ::testing::Test {
 protected:
  std::unique_ptr<io::AMSR_E_data> product(Hdf4Sensor sensor, Hdf4Level level, const std::string& code = "SST",
                                           const std::string& projection = "E0", int scans = 8) {
    gen::Hdf4Options o;
    o.sensor = sensor;
    o.level = level;
    o.code = code;
    o.projection = projection;
    o.scans = scans;
    const std::string path = dir.file(gen::hdf4FileName(o));
    EXPECT_EQ(gen::writeHdf4Product(path, o), gen::kHdf4Ok);
    auto reader = std::make_unique<io::AMSR_E_data>(path);
    EXPECT_EQ(reader->open(), 0);
    return reader;
  }
  TempDir dir;
};

TEST_F(Hdf4Reader, DimensionsByProductType) {
  struct Case {
    Hdf4Sensor sensor;
    Hdf4Level level;
    io::PrdctType type;
    int low, high;
  };
  const Case cases[] = {
      {Hdf4Sensor::AmsrE, Hdf4Level::L1A, P::AmsrEL1A, 243, 486},
      {Hdf4Sensor::AmsrE, Hdf4Level::L1B, P::AmsrEL1B, 196, 392},
      {Hdf4Sensor::Amsr, Hdf4Level::L1A, P::AmsrL1A, 290, 580},
      {Hdf4Sensor::Amsr, Hdf4Level::L1B, P::AmsrL1B, 196, 392},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    auto reader = product(c.sensor, c.level);
    io::DimSize dims;
    ASSERT_EQ(reader->dimensions(31, dims, c.type), 2);
    EXPECT_EQ(dims.dims[0], 8);  // the scan count of attribute 28
    EXPECT_EQ(dims.dims[1], c.high);
    ASSERT_EQ(reader->dimensions(7, dims, c.type), 2);
    EXPECT_EQ(dims.dims[1], c.low);
  }
  // Other types take the shape of the data set.
  auto grid = product(Hdf4Sensor::AmsrE, Hdf4Level::L3);
  io::DimSize dims;
  ASSERT_EQ(grid->dimensions(2, dims, P::AmsrEL3), 2);
  EXPECT_EQ(dims.dims[0], 720);
  EXPECT_EQ(dims.dims[1], 1440);
  EXPECT_EQ(grid->dimensions(99, dims, P::AmsrEL3), 0);  // no such data set
}

TEST_F(Hdf4Reader, SwathValuesAndPositions) {
  auto reader = product(Hdf4Sensor::AmsrE, Hdf4Level::L1B);
  std::vector<float> values, low;
  std::vector<io::LatLon> positions, lowPositions;
  ASSERT_EQ(reader->readFloatWithPositions(31, values, positions, P::AmsrEL1B), 8 * 392);
  ASSERT_EQ(positions.size(), values.size());
  // Scan 3, pixels 0..4 hold the invalid code, delivered unscaled; the rest are tenths of K.
  EXPECT_EQ(values[gen::kHdf4InvalidScan * 392], -9999.0f);
  EXPECT_EQ(values[gen::kHdf4InvalidScan * 392 + 4], -9999.0f);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] == -9999.0f) continue;
    ASSERT_TRUE(values[i] > 50.0f && values[i] < 350.0f) << i << " " << values[i];
  }
  for (const io::LatLon& p : positions) ASSERT_TRUE(std::fabs(p.lat) <= 90 && std::fabs(p.lon) <= 180);

  // Low-frequency footprints lie between the two 89 GHz footprints they are made from.
  ASSERT_EQ(reader->readFloatWithPositions(7, low, lowPositions, P::AmsrEL1B), 8 * 196);
  for (int s = 0; s < 8; ++s) {
    for (int k = 0; k < 196; k += 13) {
      const io::LatLon& a = positions[static_cast<std::size_t>(s * 392 + 2 * k)];
      const io::LatLon& p = lowPositions[static_cast<std::size_t>(s * 196 + k)];
      EXPECT_NEAR(p.lat, a.lat, 0.5) << s << " " << k;
      EXPECT_NEAR(std::fmod(p.lon - a.lon + 540.0f, 360.0f) - 180.0f, 0.0, 0.5) << s << " " << k;
    }
  }
  std::vector<std::int32_t> ints;
  EXPECT_EQ(reader->readIntWithPositions(31, ints, positions, P::AmsrEL1B), 0);  // slot 0 reads nothing
  EXPECT_TRUE(ints.empty());
  EXPECT_EQ(reader->readFloatWithPositions(99, values, positions, P::AmsrEL1B), -1);
  EXPECT_TRUE(values.empty());
}

TEST_F(Hdf4Reader, ScaleFactorsByLevelAndProductCode) {
  struct Case {
    Hdf4Level level;
    const char* code;
    io::PrdctType type;
    int dataCode;
    double scale;
  };
  // The reader's factor against the generator's stored integers.
  const Case cases[] = {
      {Hdf4Level::L1A, "SST", P::AmsrEL1A, 31, 1.0},   {Hdf4Level::L2, "SST", P::AmsrEL2, 3, 0.1},
      {Hdf4Level::L2, "CLW", P::AmsrEL2, 3, 0.001},   {Hdf4Level::L3, "IC0", P::AmsrEL3, 2, 1.0},
      {Hdf4Level::L3, "SM0", P::AmsrEL3, 2, 0.001},   {Hdf4Level::L3, "SST", P::AmsrEL3, 2, 0.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    // Enough scans to leave the Antarctic start of the half orbit for open ocean.
    auto reader = product(Hdf4Sensor::AmsrE, c.level, c.code, "E0", 600);
    std::vector<float> values;
    std::vector<io::LatLon> positions;
    ASSERT_GT(reader->readFloatWithPositions(c.dataCode, values, positions, c.type), 0);
    // Every valid value is a whole multiple of the factor.
    int valid = 0;
    for (float v : values) {
      if (v < 0) continue;
      ++valid;
      const double units = v / c.scale;
      ASSERT_NEAR(units, std::round(units), 0.01 + std::fabs(units) * 1e-6) << v;
    }
    EXPECT_GT(valid, 0);
  }
}

TEST_F(Hdf4Reader, GridPositions) {
  auto eqr = product(Hdf4Sensor::AmsrE, Hdf4Level::L3);
  std::vector<float> values;
  std::vector<io::LatLon> positions;
  ASSERT_EQ(eqr->readFloatWithPositions(2, values, positions, P::AmsrEL3), 720 * 1440);
  EXPECT_EQ(positions[0].lat, -90.0f);
  EXPECT_EQ(positions[0].lon, 0.0f);
  EXPECT_EQ(positions[720].lon, 180.0f);
  EXPECT_EQ(positions[721].lon, -179.75f);
  EXPECT_EQ(positions[1439].lon, -0.25f);
  EXPECT_EQ(positions[1440].lat, -89.75f);

  for (const char* projection : {"PN", "PS"}) {
    SCOPED_TRACE(projection);
    auto polar = product(Hdf4Sensor::AmsrE, Hdf4Level::L3, "IC0", projection);
    ASSERT_GT(polar->readFloatWithPositions(2, values, positions, P::AmsrEL3), 0);
    const bool north = projection[1] == 'N';
    int placed = 0;
    for (const io::LatLon& p : positions) {
      if (p.lat == -9999.0f) continue;
      ++placed;
      ASSERT_TRUE(north ? p.lat >= 0 : p.lat <= 0) << p.lat;
      ASSERT_LE(std::fabs(p.lon), 180.0f);
    }
    EXPECT_GT(placed, static_cast<int>(positions.size() * 9 / 10));
  }
}

TEST_F(Hdf4Reader, AttributesAndWritingSlots) {
  auto reader = product(Hdf4Sensor::AmsrE, Hdf4Level::L2);
  const int count = reader->attributeCount();
  ASSERT_GE(count, 29);
  std::string name, value;
  int size = 0;
  bool sawGranule = false;
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(reader->attributeName(i, name, size), 0);
    EXPECT_EQ(name.find(' '), std::string::npos);  // spaces removed
    ASSERT_GE(reader->attributeByIndex(i, value), 0);
    if (name == "LocalGranuleID") sawGranule = true;
  }
  EXPECT_TRUE(sawGranule);
  EXPECT_EQ(reader->attributeName(count, name, size), -1);
  EXPECT_EQ(reader->attributeByIndex(-1, value), -1);
  EXPECT_EQ(reader->attributeByName("ShortName", value), 1);
  EXPECT_EQ(reader->findAttribute("Local Granule ID", value), 0);
  EXPECT_EQ(value.substr(18, 3), "SST");
  EXPECT_EQ(reader->findAttribute("No Such Attribute", value), -1);
  EXPECT_EQ(reader->path(), "");
  std::vector<float> buffer;
  EXPECT_EQ(reader->readFloat(3, 1, 1, buffer), -1);
  EXPECT_EQ(reader->writeFloat(3, 1, 1, buffer), -1);
  EXPECT_EQ(reader->openForWriting(), -1);
  EXPECT_EQ(reader->close(), 0);
  EXPECT_EQ(reader->attributeCount(), 0);
}

TEST_F(Hdf4Reader, DamagedFilesAreRefused) {
  auto good = product(Hdf4Sensor::AmsrE, Hdf4Level::L1B);
  const std::string bytes = kivo::test::readBytes(dir.file("AMSR-E_L1B.00"));
  good.reset();
  const std::string cases[] = {
      bytes.substr(0, 4) + std::string(2000, 'x'),  // the signature, then garbage
      bytes.substr(0, 600),                          // truncated in the descriptors
      bytes.substr(0, bytes.size() * 9 / 10),        // truncated in the data
      std::string(),
  };
  int n = 0;
  for (const std::string& content : cases) {
    const std::string path = dir.file("damaged" + std::to_string(n++) + ".00");
    kivo::test::writeBytes(path, content);
    io::AMSR_E_data reader(path);
    EXPECT_EQ(reader.open(), 3) << n;
    std::vector<float> values;
    std::vector<io::LatLon> positions;
    EXPECT_EQ(reader.readFloatWithPositions(31, values, positions, P::AmsrEL1B), -1);
    io::DimSize dims;
    EXPECT_EQ(reader.dimensions(31, dims, P::AmsrEL1B), 0);
    EXPECT_EQ(reader.attributeCount(), 0);
  }
  io::AMSR_E_data missing(dir.file("missing.00"));
  EXPECT_EQ(missing.open(), 3);
}

}  // namespace
