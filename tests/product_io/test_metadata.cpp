// Root attributes, label look-up and the trace switch.

#include <gtest/gtest.h>

#include <cstdlib>

#include "product_io/amsr2_io.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace io = kivo::io;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

class Metadata : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(Metadata, AttributesReadInTheOrderTheyWereWritten) {
  TinyProduct p(dir.file("attrs.h5"));
  // Names that sort differently from their order, and more than fit compact storage.
  const std::vector<std::pair<std::string, std::string>> attrs = {
      {"ProductName", "AMSR2-L1B"}, {"GeophysicalName", "Brightness Temperature"}, {"Zeta", "z"},
      {"Alpha", "a"},  {"OverlapScans", "20"}, {"M1", "1"}, {"M2", "2"}, {"M3", "3"}, {"M4", "4"}, {"B", ""}};
  for (const auto& [name, value] : attrs) p.attr(name, value);
  p.fixedAttr("Fixed", "fixed text");
  const hid_t file = static_cast<hid_t>(p.fileId());
  {
    const int number = 7;
    hid_t space = H5Screate(H5S_SCALAR);
    hid_t attr = H5Acreate2(file, "Number", H5T_STD_I32LE, space, H5P_DEFAULT, H5P_DEFAULT);
    H5Awrite(attr, H5T_NATIVE_INT, &number);
    H5Aclose(attr);
    H5Sclose(space);
  }
  const io::ProductHandle h = io::openProduct(p.close().c_str());
  ASSERT_GT(h, 0);

  ASSERT_EQ(io::getMetaDataCount(h), static_cast<int>(attrs.size()) + 2);
  for (std::size_t i = 0; i < attrs.size(); ++i) {
    std::string name, value;
    EXPECT_EQ(io::getMetaDataName(h, static_cast<int>(i) + 1, name), static_cast<int>(attrs[i].first.size()));
    EXPECT_EQ(io::getMetaData(h, static_cast<int>(i) + 1, value), static_cast<int>(attrs[i].second.size()));
    EXPECT_EQ(name, attrs[i].first);
    EXPECT_EQ(value, attrs[i].second);
  }
  std::string text;
  EXPECT_EQ(io::getMetaDataByName(h, "Fixed", text), 10);
  EXPECT_EQ(text, "fixed text");
  EXPECT_EQ(io::getMetaDataByName(h, "OverlapScans", text), 2);
  EXPECT_EQ(text, "20");

  EXPECT_EQ(io::getMetaDataByName(h, "Number", text), io::kErrAttrNotString);
  EXPECT_EQ(io::getMetaDataByName(h, "Missing", text), io::kErrAttrNotFound);
  EXPECT_EQ(io::getMetaDataByName(h, nullptr, text), io::kErrNullArgument);
  EXPECT_EQ(io::getMetaDataByName(0, "ProductName", text), io::kErrNullHandle);
  EXPECT_EQ(io::getMetaData(h, 0, text), io::kErrBadIndex);
  EXPECT_EQ(io::getMetaData(h, 99, text), io::kErrAttrIndex);
  EXPECT_EQ(io::getMetaData(0, 1, text), io::kErrNullHandle);
  EXPECT_EQ(io::closeProduct(h), 0);
}

TEST_F(Metadata, LabelLookUpSelectsTheLevelTableAndFallsBack) {
  struct Case {
    const char* productName;
    const char* granule;
    io::AccessLabel label;
    int result;
    std::int32_t dim0;  // nominal scans or rows of the row found
  };
  const Case cases[] = {
      {"AMSR2-L1B", "", 11050, 0, 2018},
      {"AMSR2-L1B", "", 10050, 0, 2018},          // a Level 1A label is still found
      {"AMSR2-L2", "", 10010, 0, 1978},
      {"AMSR2-L1B", "", 10010, 0, 2018},
      {"AMSR2-L3", "GW1AM2_20120703_01D_EQMA_L3SGT36LA2220220", 31010, 0, 720},   // daily 25 km
      {"AMSR2-L3", "GW1AM2_20120700_01M_EQMA_L3SGT36HA2220220", 34140, 0, 1800},  // monthly 10 km
      {"AMSR2-L3", "GW1AM2_20120703_01D_EQMA_L3SGT36L", 31010, 0, 720},           // 33 characters: still a table
      {"AMSR2-L3", "GW1AM2_20120703_01D_EQMA_L3SGT36", 31010, 0, 1800},           // 32: none, first table wins
      {"AMSR2-L3", "GW1AM2_20120703_01D_EQMA_L3SGT36LA2220220", 34140, 0, 1800},  // monthly label: fallback
      {"Other", "", 21030, 0, 1978},
      {"AMSR2-L1B", "", 40070, 0, 2018},
      {"AMSR2-L1B", "", 12345, io::kErrUndefinedLabel, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.productName << " " << c.granule << " " << c.label);
    const std::string path = dir.file("lookup.h5");
    {
      TinyProduct p(path);
      p.attr("ProductName", c.productName);
      if (*c.granule) p.attr("GranuleID", c.granule);
      p.close();
    }
    const io::ProductHandle h = io::openProduct(path.c_str());
    ASSERT_GT(h, 0);
    const io::LabelDef* row = nullptr;
    std::string name;
    EXPECT_EQ(io::findLabelDef(h, c.label, row, name), c.result);
    if (c.result == 0) {
      ASSERT_NE(row, nullptr);
      EXPECT_EQ(row->label, c.label);
      EXPECT_EQ(row->dim0, c.dim0);
    }
    io::closeProduct(h);
  }
}

TEST_F(Metadata, TraceLinesAppearOnlyWithTheDebugSwitch) {
  const std::string missing = dir.file("missing.h5");
  ::unsetenv("IOTOOLKIT_DEBUG");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(io::openProduct(missing.c_str()), io::kErrOpen);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

  ::setenv("IOTOOLKIT_DEBUG", "", 1);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(io::openProduct(missing.c_str()), io::kErrOpen);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File open error@H5Fopen\n");

  TinyProduct p(dir.file("trace.h5"));
  p.head("AMSR2-L1B", 0);
  const io::ProductHandle h = io::openProduct(p.close().c_str());
  ASSERT_GT(h, 0);
  ::testing::internal::CaptureStdout();
  io::DimSize dims;
  EXPECT_EQ(io::getDimSize(h, 11050, dims), io::kErrDatasetOpen);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "getDimSize ERROR - 1[Brightness Temperature (6.9GHz,V)]\n");
  io::closeProduct(h);
  ::unsetenv("IOTOOLKIT_DEBUG");
  io::openProduct(missing.c_str());  // switches the trace off again
}

}  // namespace
