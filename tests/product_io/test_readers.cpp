// The AMSR2 reader behind the reader interface: attributes by index, values with positions.

#include <gtest/gtest.h>

#include <memory>

#include "product_io/readers/amsr2_data.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace io = kivo::io;
using P = kivo::io::PrdctType;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

class Amsr2Reader : public ::testing::Test {
 protected:
  // Level 1B, 1 overlap scan at each end, 4 stored rows of 2 low-frequency and 4 89 GHz pixels.
  std::string level1b() {
    TinyProduct p(dir.file("l1b.h5"));
    p.head("AMSR2-L1B", 1);
    p.attr("Co Registration Name\n", "spaces and a newline in the name");
    p.attr("CoRegistrationParameterA1", "6G-0,7G-0,10G-0,18G-0,23G-0,36G-0");
    p.attr("CoRegistrationParameterA2", "6G-0,7G-0,10G-0,18G-0,23G-0,36G-0");
    p.data("Brightness Temperature (6.9GHz,V)", Stored::U16, {4, 2},
           std::vector<unsigned short>{100, 101, 200, 201, 300, 301, 400, 401}, 0.01f);
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {4, 4}, kivo::test::iota<unsigned short>(16, 1000), 0.01f);
    std::vector<float> lat(16), lon(16);
    for (int i = 0; i < 16; ++i) {
      lat[static_cast<std::size_t>(i)] = static_cast<float>(i);
      lon[static_cast<std::size_t>(i)] = static_cast<float>(100 + i);
    }
    p.data("Latitude of Observation Point for 89A", Stored::F32, {4, 4}, lat);
    p.data("Longitude of Observation Point for 89A", Stored::F32, {4, 4}, lon);
    p.data("Scan Time", Stored::F64, {4}, std::vector<double>{1, 2, 3, 4});
    return p.close();
  }
  TempDir dir;
};

TEST_F(Amsr2Reader, AttributesByZeroBasedIndex) {
  std::unique_ptr<io::AMSR_data> reader = std::make_unique<io::AMSR2_data>(level1b());
  EXPECT_EQ(reader->attributeCount(), 0);  // not open yet
  ASSERT_EQ(reader->open(), 0);
  EXPECT_EQ(reader->attributeCount(), 6);
  std::string text;
  EXPECT_EQ(reader->attributeByIndex(0, text), 9);
  EXPECT_EQ(text, "AMSR2-L1B");
  EXPECT_EQ(reader->attributeByIndex(6, text), io::kErrAttrRead);
  std::string name;
  int size = 0;
  ASSERT_EQ(reader->attributeName(3, name, size), 0);
  EXPECT_EQ(name, "CoRegistrationName");  // spaces removed, trailing newline dropped
  EXPECT_EQ(size, 33);
  EXPECT_EQ(reader->attributeName(9, name, size), 1);
  EXPECT_EQ(reader->attributeByName("OverlapScans", text), 1);
  EXPECT_EQ(text, "1");
  EXPECT_EQ(reader->path(), dir.file("l1b.h5"));
  EXPECT_EQ(reader->close(), 0);
  EXPECT_EQ(reader->attributeCount(), 0);

  io::AMSR2_data missing(dir.file("missing.h5"));
  EXPECT_EQ(missing.open(), 1);
}

TEST_F(Amsr2Reader, ValuesWithPositionsSkipTheLeadingOverlap) {
  io::AMSR2_data reader(level1b());
  ASSERT_EQ(reader.open(), 0);
  std::vector<float> values;
  std::vector<io::LatLon> positions;
  // Scans 1..4 after the overlap: stored rows 1..3 (the trailing overlap row is read).
  ASSERT_EQ(reader.readFloatWithPositions(11180, values, positions, P::Amsr2L1B), 12);
  EXPECT_FLOAT_EQ(values[0], 10.04f);
  ASSERT_EQ(positions.size(), 12u);
  EXPECT_EQ(positions[0].lat, 4.0f);
  EXPECT_EQ(positions[11].lon, 115.0f);

  // A low-frequency channel gets co-registered positions (here the even 89 GHz A pixels).
  ASSERT_EQ(reader.readFloatWithPositions(11050, values, positions, P::Amsr2L1B), 6);
  EXPECT_FLOAT_EQ(values[0], 2.0f);
  ASSERT_EQ(positions.size(), 6u);
  EXPECT_EQ(positions[1].lat, 6.0f);

  std::vector<std::int32_t> counts;
  EXPECT_EQ(reader.readIntWithPositions(11180, counts, positions, P::Amsr2L1B), -1);  // brightness temperatures are not integers
  // A label without positions, or one the product lacks, fails.
  EXPECT_EQ(reader.readFloatWithPositions(10010, values, positions, P::Amsr2L1B), -1);
  EXPECT_EQ(reader.readFloatWithPositions(11060, values, positions, P::Amsr2L1B), -1);
  EXPECT_TRUE(values.empty());
  EXPECT_TRUE(positions.empty());

  EXPECT_EQ(reader.writeFloat(11050, 1, 1, values), -1);  // no output product open
}

}  // namespace
