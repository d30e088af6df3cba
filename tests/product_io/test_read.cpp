// Reads of labelled datasets: scaling, invalid values, scan ranges, derived labels, errors.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <utility>

#include "product_io/amsr2_io.h"
#include "product_io/geolocation.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace io = kivo::io;
using kivo::test::iota;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

constexpr const char* kBt6V = "Brightness Temperature (6.9GHz,V)";
constexpr const char* kBt89AV = "Brightness Temperature (89.0GHz-A,V)";
constexpr const char* kBt89AH = "Brightness Temperature (89.0GHz-A,H)";

// Opens a product for one test and closes it afterwards.
class Open {
 public:
  explicit Open(const std::string& path) : handle_(io::openProduct(path.c_str())) {}
  ~Open() {
    if (handle_ > 0) io::closeProduct(handle_);
  }
  io::ProductHandle get() const { return handle_; }

 private:
  io::ProductHandle handle_;
};

class ProductRead : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(ProductRead, FloatReadScalesValidValuesAndPassesInvalidCodes) {
  struct Case {
    const char* what;
    Stored type;
    std::vector<double> stored;
    float scale;
    std::vector<float> expected;
  };
  const std::vector<Case> cases = {
      {"u16", Stored::U16, {65535, 65534, 65533, 65532, 1000}, 0.01f, {65535, 65534, 65533, 655.32f, 10}},
      {"i16", Stored::I16, {-32768, -32766, -32765, 150}, 0.01f, {-32768, -32766, -327.65f, 1.5f}},
      {"f32", Stored::F32, {-9999, -9998, -9997, 12.5}, 2.0f, {-9999, -9998, -19994, 25}},
      {"u8", Stored::U8, {255, 253, 252, 7}, 0.5f, {255, 253, 126, 3.5f}},
      {"i8", Stored::I8, {-128, -1, 5}, 2.0f, {-256, -2, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TinyProduct p(dir.file(std::string(c.what) + ".h5"));
    p.head("AMSR2-L1B", 0);
    const std::vector<unsigned long long> dims = {1, c.stored.size()};
    switch (c.type) {
      case Stored::U16: p.data(kBt6V, c.type, dims, std::vector<std::uint16_t>(c.stored.begin(), c.stored.end()), c.scale); break;
      case Stored::I16: p.data(kBt6V, c.type, dims, std::vector<std::int16_t>(c.stored.begin(), c.stored.end()), c.scale); break;
      case Stored::F32: p.data(kBt6V, c.type, dims, std::vector<float>(c.stored.begin(), c.stored.end()), c.scale); break;
      case Stored::U8: p.data(kBt6V, c.type, dims, std::vector<std::uint8_t>(c.stored.begin(), c.stored.end()), c.scale); break;
      case Stored::I8: p.data(kBt6V, c.type, dims, std::vector<std::int8_t>(c.stored.begin(), c.stored.end()), c.scale); break;
      default: FAIL();
    }
    Open product(p.close());
    std::vector<float> out;
    ASSERT_EQ(io::getData(product.get(), out, io::kAllScans, io::kAllScans, 11050), static_cast<int>(c.expected.size()));
    for (std::size_t i = 0; i < out.size(); ++i) EXPECT_FLOAT_EQ(out[i], c.expected[i]) << "element " << i;
  }
}

TEST_F(ProductRead, IntegerAndByteReadsRoundAndKeepLowBytes) {
  TinyProduct p(dir.file("int.h5"));
  p.head("AMSR2-L1B", 0)
      .data("Rx Offset_Gain Count", Stored::U16, {1, 4}, std::vector<std::uint16_t>{12345, 12351, 65535, 0}, 0.01f)
      .data("Observation Supplement", Stored::U16, {1, 4}, std::vector<std::uint16_t>{25549, 25650, 65534, 100}, 0.01f)
      .data("Scan Time", Stored::F64, {3}, std::vector<double>{1.5, -9999.0, 6.25e8}, 1.0f);
  Open product(p.close());

  std::vector<std::int32_t> ints;
  ASSERT_EQ(io::getData(product.get(), ints, io::kAllScans, io::kAllScans, 10290), 4);
  EXPECT_EQ(ints, (std::vector<std::int32_t>{123, 124, 65535, 0}));

  // 255.49 rounds to 255; 256.5 is not below 256, so the stored value's low byte is kept.
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(io::getData(product.get(), bytes, io::kAllScans, io::kAllScans, 10420), 4);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{255, 25650 & 0xFF, 65534 & 0xFF, 1}));

  std::vector<double> times;
  ASSERT_EQ(io::getData(product.get(), times, io::kAllScans, io::kAllScans, 10010), 3);
  EXPECT_EQ(times, (std::vector<double>{1.5, -9999.0, 6.25e8}));
}

TEST_F(ProductRead, ScanRangesCountAfterTheOverlapScans) {
  // 45 stored rows of 2 pixels; row r holds r (pixel 0) and r + 1000 (pixel 1).
  std::vector<std::uint16_t> rows;
  for (std::uint16_t r = 0; r < 45; ++r) {
    rows.push_back(r);
    rows.push_back(static_cast<std::uint16_t>(r + 1000));
  }
  TinyProduct p(dir.file("scans.h5"));
  p.head("AMSR2-L1B", 20).data(kBt89AH, Stored::U16, {45, 2}, rows, 1.0f);
  Open product(p.close());

  struct Case {
    int begin, end;
    int result;
    int firstRow;
  };
  const Case cases[] = {
      {5, 5, 2, 24},          // exactly one row
      {1, 3, 6, 20},
      {-9999, -9999, 90, 0},  // everything, overlap included
      {20, 100, 12, 39},      // clipped at the last stored row
      {0, 1, 4, 19},
      {-25, 1, io::kErrScanSelection, 0},
      {30, 30, io::kErrScanSelection, 0},
      {5, 4, io::kErrEndBeforeBegin, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.begin << ".." << c.end);
    std::vector<float> out;
    ASSERT_EQ(io::getData(product.get(), out, c.begin, c.end, 11180), c.result);
    if (c.result > 0) {
      EXPECT_EQ(out.front(), static_cast<float>(c.firstRow));
      EXPECT_EQ(out.back(), static_cast<float>(c.firstRow + c.result / 2 - 1 + 1000));
    } else {
      EXPECT_TRUE(out.empty());
    }
  }
}

TEST_F(ProductRead, RankThreeDatasetsSelectScansOnTheMiddleAxis) {
  // 2 bands x 4 rows x 3 pixels, value = band * 100 + row * 10 + pixel.
  std::vector<std::uint8_t> v;
  for (int b = 0; b < 2; ++b)
    for (int r = 0; r < 4; ++r)
      for (int px = 0; px < 3; ++px) v.push_back(static_cast<std::uint8_t>(b * 100 + r * 10 + px));
  TinyProduct p(dir.file("rank3.h5"));
  p.head("AMSR2-L1B", 1).data("Land_Ocean Flag 6 to 36", Stored::U8, {2, 4, 3}, v);
  Open product(p.close());
  std::vector<std::int32_t> out;
  ASSERT_EQ(io::getData(product.get(), out, 2, 3, 10340), 12);
  EXPECT_EQ(out, (std::vector<std::int32_t>{20, 21, 22, 30, 31, 32, 120, 121, 122, 130, 131, 132}));
}

TEST_F(ProductRead, OverlapScansAttributeVariants) {
  const std::vector<std::uint16_t> rows = iota<std::uint16_t>(10);
  {
    TinyProduct p(dir.file("alias.h5"));
    p.attr("ProductName", "AMSR2-L1B").attr("OverLapScans", "3").data(kBt89AH, Stored::U16, {10, 1}, rows);
    Open product(p.close());
    std::vector<float> out;
    ASSERT_EQ(io::getData(product.get(), out, 1, 1, 11180), 1);
    EXPECT_EQ(out[0], 3.0f);
  }
  {
    TinyProduct p(dir.file("l3.h5"));
    p.head("AMSR2-L3", -1, "GW1AM2_20120703_01D_EQMA_L3SGT36HA2220220")
        .data("Brightness Temperature (V)", Stored::U16, {10, 1}, rows);
    Open product(p.close());
    std::vector<float> out;
    ASSERT_EQ(io::getData(product.get(), out, 2, 2, 31010), 1);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(io::getOverlapScans(product.get()), 0);
  }
  {
    TinyProduct p(dir.file("none.h5"));
    p.head("AMSR2-L1B", -1).data(kBt89AH, Stored::U16, {10, 1}, rows);
    Open product(p.close());
    std::vector<float> out;
    EXPECT_EQ(io::getData(product.get(), out, 1, 1, 11180), -552);
    // The whole dataset needs no overlap count.
    EXPECT_EQ(io::getData(product.get(), out, io::kAllScans, io::kAllScans, 11180), 10);
  }
}

TEST_F(ProductRead, CompositeLabelsConcatenateTheirMembers) {
  TinyProduct p(dir.file("composite.h5"));
  p.head("AMSR2-L1B", 1)
      .data(kBt89AV, Stored::U16, {3, 2}, std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6})
      .data(kBt89AH, Stored::U16, {3, 2}, std::vector<std::uint16_t>{11, 12, 13, 14, 15, 16});
  Open product(p.close());
  std::vector<float> out;
  ASSERT_EQ(io::getData(product.get(), out, 1, 2, 11220), 8);
  EXPECT_EQ(out, (std::vector<float>{3, 4, 5, 6, 13, 14, 15, 16}));
  io::DimSize dims;
  EXPECT_EQ(io::getDimSize(product.get(), 11220, dims), 3);
  EXPECT_EQ(dims.dims[0], 3);
  EXPECT_EQ(dims.dims[1], 2);
  EXPECT_EQ(dims.dims[2], 2);
  // A member that is missing fails the whole read.
  EXPECT_EQ(io::getData(product.get(), out, 1, 2, 11230), io::kErrDatasetOpen);
  EXPECT_TRUE(out.empty());
}

TEST_F(ProductRead, DimSizeOfGeolocationAndLayerLabels) {
  TinyProduct p(dir.file("dims.h5"));
  p.head("AMSR2-L2", 0, "GW1AM2_201207031905_234A_L2SGSSTLA2220220")
      .data("Latitude of Observation Point for 89A", Stored::F32, {4, 10}, std::vector<float>(40, 1.0f))
      .data("Latitude of Observation Point", Stored::F32, {4, 5}, std::vector<float>(20, 1.0f))
      .data("Geophysical Data", Stored::I16, {4, 5, 3}, std::vector<std::int16_t>(60, 1));
  Open product(p.close());
  struct Case {
    io::AccessLabel label;
    int rank;
    std::int32_t d0, d1, d2;
  };
  const Case cases[] = {
      {40070, 2, 4, 10, 0}, {40010, 2, 4, 5, 0}, {40090, 2, 4, 5, 0}, {40120, 2, 4, 5, 0},
      {40130, 2, 4, 5, 0},  {21040, 2, 4, 5, 0}, {21060, 3, 4, 5, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    io::DimSize dims;
    EXPECT_EQ(io::getDimSize(product.get(), c.label, dims), c.rank);
    EXPECT_EQ(dims.dims[0], c.d0);
    EXPECT_EQ(dims.dims[1], c.d1);
    EXPECT_EQ(dims.dims[2], c.d2);
  }
}

TEST_F(ProductRead, LayerReadsPickLayersOfTheGeophysicalData) {
  // 3 rows x 2 pixels x 3 layers, value = layer * 100 + row * 10 + pixel; row 1 pixel 0 of
  // layer 0 holds -32766 (scaled in a layer read) and pixel 1 holds -32767 (passed through).
  std::vector<std::int16_t> v;
  for (int r = 0; r < 3; ++r)
    for (int px = 0; px < 2; ++px)
      for (int l = 0; l < 3; ++l) v.push_back(static_cast<std::int16_t>(l * 100 + r * 10 + px));
  v[(1 * 2 + 0) * 3 + 0] = -32766;
  v[(1 * 2 + 1) * 3 + 0] = -32767;
  TinyProduct p(dir.file("l2.h5"));
  p.head("AMSR2-L2", 1, "GW1AM2_201207031905_234A_L2SGSSTLA2220220")
      .data("Geophysical Data", Stored::I16, {3, 2, 3}, v, 0.5f);
  Open product(p.close());

  std::vector<float> out;
  ASSERT_EQ(io::getData(product.get(), out, 1, 2, 21030), 4);
  EXPECT_EQ(out, (std::vector<float>{-16383.0f, -32767.0f, 10.0f, 10.5f}));
  ASSERT_EQ(io::getData(product.get(), out, 1, 1, 21050), 2);
  EXPECT_EQ(out, (std::vector<float>{105.0f, 105.5f}));
  ASSERT_EQ(io::getData(product.get(), out, io::kAllScans, io::kAllScans, 21060), 18);
  EXPECT_EQ(out[6], 50.0f);  // layer 1, row 0, pixel 0
  std::vector<double> doubles;
  EXPECT_EQ(io::getData(product.get(), doubles, 1, 1, 21030), io::kErrOutputType);
}

TEST_F(ProductRead, LevelThreeGridReads) {
  // Two layers of 2 x 3 cells.
  std::vector<std::int16_t> geo;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c)
      for (int l = 0; l < 2; ++l) geo.push_back(static_cast<std::int16_t>(l * 1000 + r * 10 + c));
  TinyProduct p(dir.file("l3m.h5"));
  p.head("AMSR2-L3", -1, "GW1AM2_20120700_01M_EQMA_L3SGSSTHA2220220")
      .data("Geophysical Data", Stored::I16, {2, 3, 2}, geo, 0.1f)
      .data("Average Number", Stored::I16, {2, 3, 2}, geo, 1.0f)
      .data("Brightness Temperature (H)", Stored::U16, {2, 3}, std::vector<std::uint16_t>{100, 200, 300, 400, 500, 65535}, 0.01f);
  Open product(p.close());

  std::vector<float> out;
  ASSERT_EQ(io::getGridData(product.get(), out, 31020), 6);
  EXPECT_FLOAT_EQ(out[4], 5.0f);
  EXPECT_EQ(out[5], 65535.0f);
  ASSERT_EQ(io::getGridData(product.get(), out, 31320), 6);
  EXPECT_FLOAT_EQ(out[0], 100.0f);
  // The all-layers label delivers the layers the file holds.
  ASSERT_EQ(io::getGridData(product.get(), out, 31340), 12);
  EXPECT_EQ(io::getGridData(product.get(), out, 31330), io::kErrEmptySelection);
  EXPECT_EQ(io::getGridData(product.get(), out, 11050), io::kErrNotGridLabel);
  std::vector<std::int32_t> counts;
  ASSERT_EQ(io::getData(product.get(), counts, io::kAllScans, io::kAllScans, 34560), 6);
  EXPECT_EQ(counts[5], 1012);
}

TEST_F(ProductRead, QualityFlagsExpandIntoBitsForIntegerReads) {
  TinyProduct p(dir.file("quality.h5"));
  p.head("AMSR2-L1B", 0).data("Pixel Data Quality 89", Stored::U8, {1, 2}, std::vector<std::uint8_t>{0xA5, 0x01});
  Open product(p.close());
  std::vector<std::int32_t> bits;
  ASSERT_EQ(io::getData(product.get(), bits, io::kAllScans, io::kAllScans, 10480), 16);
  EXPECT_EQ(bits, (std::vector<std::int32_t>{1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
  std::vector<std::uint8_t> raw;
  ASSERT_EQ(io::getData(product.get(), raw, io::kAllScans, io::kAllScans, 10480), 2);
  EXPECT_EQ(raw, (std::vector<std::uint8_t>{0xA5, 0x01}));
}

TEST_F(ProductRead, ScanQualityDeliversRawRecords) {
  std::vector<std::uint8_t> records(4 * 512);
  for (std::size_t i = 0; i < records.size(); ++i) records[i] = static_cast<std::uint8_t>(i * 7);
  TinyProduct p(dir.file("sq.h5"));
  p.head("AMSR2-L1B", 1).data("Scan Data Quality", Stored::U8, {4, 512}, records);
  Open product(p.close());
  std::vector<std::uint8_t> out;
  ASSERT_EQ(io::getScanQuality(product.get(), out, 2, 3, 10460), 2);
  ASSERT_EQ(out.size(), 1024u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), records.begin() + 2 * 512));
  // No output type is permitted for the quality records through the general read.
  std::vector<std::int32_t> ints;
  EXPECT_EQ(io::getData(product.get(), ints, 1, 1, 10460), io::kErrOutputType);
}

TEST_F(ProductRead, MalformedDatasetsGetTheirErrorCodes) {
  TinyProduct p(dir.file("bad.h5"));
  p.head("AMSR2-L1B", 0)
      .data(kBt6V, Stored::U16, {1, 2, 2}, std::vector<std::uint16_t>{1, 2, 3, 4})                 // rank 3
      .empty("Brightness Temperature (6.9GHz,H)", Stored::U16, {2018 * 50, 243})                   // far too many scans
      .data("Brightness Temperature (7.3GHz,V)", Stored::U16, {1, 2}, std::vector<std::uint16_t>{1, 2}, 1.0f, false)
      .empty("Brightness Temperature (7.3GHz,H)", Stored::U16, {0, 243})
      .data("Scan Data Quality", Stored::U8, {2, 100}, std::vector<std::uint8_t>(200, 0));
  {
    // A dataset of strings where a temperature belongs.
    const hid_t file = static_cast<hid_t>(p.fileId());
    hid_t type = H5Tcopy(H5T_C_S1);
    H5Tset_size(type, 8);
    const hsize_t dims[2] = {1, 1};
    hid_t space = H5Screate_simple(2, dims, nullptr);
    hid_t ds = H5Dcreate2(file, "Brightness Temperature (10.7GHz,V)", type, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    H5Dwrite(ds, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, "abcdefg");
    float one = 1.0f;
    hid_t aspace = H5Screate(H5S_SCALAR);
    hid_t attr = H5Acreate2(ds, "SCALE FACTOR", H5T_IEEE_F32LE, aspace, H5P_DEFAULT, H5P_DEFAULT);
    H5Awrite(attr, H5T_NATIVE_FLOAT, &one);
    H5Aclose(attr);
    H5Sclose(aspace);
    H5Dclose(ds);
    H5Sclose(space);
    H5Tclose(type);
  }
  Open product(p.close());
  struct Case {
    io::AccessLabel label;
    int expected;
  };
  const Case cases[] = {
      {11050, io::kErrRank},          {11060, io::kErrExtents},      {11070, io::kErrAttrNotFound},
      {11080, io::kErrEmptySelection}, {11090, io::kErrNativeType},   {11100, io::kErrDatasetOpen},
      {99999, io::kErrUndefinedLabel}, {0, io::kErrUndefinedLabel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<float> out;
    EXPECT_EQ(io::getData(product.get(), out, io::kAllScans, io::kAllScans, c.label), c.expected);
    EXPECT_TRUE(out.empty());
  }
  io::DimSize dims;
  EXPECT_EQ(io::getDimSize(product.get(), 11060, dims), io::kErrExtents);
  std::vector<std::uint8_t> quality;
  EXPECT_EQ(io::getScanQuality(product.get(), quality, 1, 1, 10460), io::kErrExtents);
  std::vector<float> out;
  EXPECT_EQ(io::getData(0, out, 1, 1, 11050), io::kErrNullHandle);
}

TEST_F(ProductRead, DamagedFilesFailToOpen) {
  TinyProduct p(dir.file("whole.h5"));
  p.head("AMSR2-L1B", 0).data(kBt6V, Stored::U16, {200, 243}, std::vector<std::uint16_t>(200 * 243, 20000), 0.01f);
  const std::string whole = kivo::test::readBytes(p.close());

  kivo::test::writeBytes(dir.file("truncated.h5"), whole.substr(0, whole.size() / 2));
  kivo::test::writeBytes(dir.file("garbage.h5"), std::string("\x89HDF\r\n\x1a\n", 8) + std::string(4000, '\x5a'));
  kivo::test::writeBytes(dir.file("empty.h5"), "");
  for (const char* name : {"truncated.h5", "garbage.h5", "empty.h5", "missing.h5"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(io::openProduct(dir.file(name).c_str()), io::kErrOpen);
  }
  EXPECT_EQ(io::openProduct(nullptr), io::kErrOpen);
  EXPECT_EQ(io::openProduct(""), io::kErrOpen);
}

// Compressed datasets are read from their stored chunks. Whatever the chunk shape (partial
// chunks at both edges, one chunk, one row per chunk, chunks without compression), every read
// delivers what the same data stored contiguously gives.
TEST_F(ProductRead, ChunkedDatasetsReadAsContiguousOnes) {
  constexpr unsigned long long kRows = 45, kPixels = 7, kLayers = 3;
  std::vector<std::uint16_t> bt;
  std::vector<float> lat, lon;
  std::vector<std::uint8_t> flags;
  std::vector<std::int16_t> geo;
  for (unsigned long long r = 0; r < kRows; ++r) {
    for (unsigned long long px = 0; px < kPixels; ++px) {
      bt.push_back(static_cast<std::uint16_t>((r * 7 + px) % 11 == 0 ? 65535 : 20000 + r * 37 + px * 5));
      lat.push_back(static_cast<float>(r) * 0.25f - 5.0f + static_cast<float>(px) * 0.01f);
      lon.push_back(static_cast<float>(px) * 1.5f - 170.0f + static_cast<float>(r) * 0.003f);
      for (unsigned long long l = 0; l < kLayers; ++l) geo.push_back(static_cast<std::int16_t>(l * 1000 + r * 10 + px));
    }
  }
  for (int band = 0; band < 2; ++band) {
    for (unsigned long long i = 0; i < kRows * kPixels; ++i) flags.push_back(static_cast<std::uint8_t>((band * 7 + i) % 251));
  }
  struct Layout {
    const char* name;
    std::vector<unsigned long long> chunk;  // of the rank 2 datasets; rank 3 ones add kLayers or lead with 1
    int gzip;
  };
  const Layout layouts[] = {
      {"contiguous", {}, 0}, {"partial edge chunks", {8, 3}, 4}, {"one chunk", {kRows, kPixels}, 1},
      {"a row per chunk", {1, kPixels}, 6}, {"chunks without compression", {8, 3}, 0}};

  // Every read of both products as text, per scan range.
  const auto readAll = [&](const Layout& layout) {
    const std::string name = dir.file(std::string(layout.name) + ".h5");
    const std::string name2 = dir.file(std::string(layout.name) + "_l2.h5");
    TinyProduct l1(name);
    TinyProduct l2(name2);
    l1.head("AMSR2-L1B", 5);
    l2.head("AMSR2-L2", 5, "GW1AM2_201207031905_234A_L2SGSSTLA2220220");
    if (layout.chunk.empty()) {
      l1.data(kBt89AH, Stored::U16, {kRows, kPixels}, bt, 0.01f)
          .data("Latitude of Observation Point for 89A", Stored::F32, {kRows, kPixels}, lat, 2.0f)
          .data("Longitude of Observation Point for 89A", Stored::F32, {kRows, kPixels}, lon)
          .data("Land_Ocean Flag 6 to 36", Stored::U8, {2, kRows, kPixels}, flags);
      l2.data("Geophysical Data", Stored::I16, {kRows, kPixels, kLayers}, geo, 0.5f);
    } else {
      const auto& c = layout.chunk;
      l1.chunkedData(kBt89AH, Stored::U16, {kRows, kPixels}, bt, c, layout.gzip, 0.01f)
          .chunkedData("Latitude of Observation Point for 89A", Stored::F32, {kRows, kPixels}, lat, c, layout.gzip, 2.0f)
          .chunkedData("Longitude of Observation Point for 89A", Stored::F32, {kRows, kPixels}, lon, c, layout.gzip)
          .chunkedData("Land_Ocean Flag 6 to 36", Stored::U8, {2, kRows, kPixels}, flags, {1, c[0], c[1]}, layout.gzip);
      l2.chunkedData("Geophysical Data", Stored::I16, {kRows, kPixels, kLayers}, geo, {c[0], c[1], 2}, layout.gzip, 0.5f);
    }
    Open product(l1.close());
    Open level2(l2.close());
    std::ostringstream text;
    const std::pair<int, int> ranges[] = {{io::kAllScans, io::kAllScans}, {1, 40}, {3, 3}, {2, 13}, {30, 100}};
    for (const auto& [begin, end] : ranges) {
      std::vector<float> f;
      std::vector<std::int32_t> i;
      std::vector<io::LatLon> pos;
      text << "\n" << begin << ".." << end << " bt " << io::getData(product.get(), f, begin, end, 11180) << ":";
      for (float v : f) text << " " << v;
      text << " ints " << io::getData(product.get(), i, begin, end, 11180) << ":";
      for (std::int32_t v : i) text << " " << v;
      text << " positions " << io::getLatLon(product.get(), pos, begin, end, 40070) << ":";
      for (const io::LatLon& p : pos) text << " " << p.lat << "/" << p.lon;
      text << " flags " << io::getData(product.get(), i, begin, end, 10340) << ":";
      for (std::int32_t v : i) text << " " << v;
      for (const io::AccessLabel label : {21030, 21050, 21060}) {
        text << " layer " << label << " " << io::getData(level2.get(), f, begin, end, label) << ":";
        for (float v : f) text << " " << v;
      }
    }
    return text.str();
  };
  const std::string expected = readAll(layouts[0]);
  ASSERT_NE(expected.find(" bt 315: 65535 200.05 200.1"), std::string::npos) << expected.substr(0, 200);
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    EXPECT_EQ(readAll(layout), expected);
  }
}

// A compressed chunk whose bytes were damaged on disk fails the read instead of delivering
// whatever its inflation gives.
TEST_F(ProductRead, DamagedChunksFailTheRead) {
  constexpr unsigned long long kRows = 64, kPixels = 50;
  std::vector<std::uint16_t> bt;
  std::vector<float> lat;
  std::uint32_t x = 12345;
  for (unsigned long long k = 0; k < kRows * kPixels; ++k) {
    x = x * 1103515245u + 12345u;
    bt.push_back(static_cast<std::uint16_t>(x >> 16));
    lat.push_back(static_cast<float>(x >> 8) * 1e-5f);
  }
  TinyProduct p(dir.file("damaged.h5"));
  p.head("AMSR2-L1B", 0)
      .chunkedData(kBt89AH, Stored::U16, {kRows, kPixels}, bt, {16, kPixels}, 4, 0.01f)
      .chunkedData("Latitude of Observation Point for 89A", Stored::F32, {kRows, kPixels}, lat, {16, kPixels}, 4)
      .chunkedData("Longitude of Observation Point for 89A", Stored::F32, {kRows, kPixels}, lat, {16, kPixels}, 4);
  const std::string path = p.close();
  {
    Open intact(path);
    std::vector<float> f;
    std::vector<io::LatLon> pos;
    ASSERT_EQ(io::getData(intact.get(), f, io::kAllScans, io::kAllScans, 11180), static_cast<int>(kRows * kPixels));
    ASSERT_EQ(io::getLatLon(intact.get(), pos, io::kAllScans, io::kAllScans, 40070), static_cast<int>(kRows * kPixels));
  }
  // The middle of the second chunk of both datasets, overwritten.
  std::string bytes = kivo::test::readBytes(path);
  {
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    for (const char* name : {kBt89AH, "Latitude of Observation Point for 89A"}) {
      const hid_t ds = H5Dopen2(file, name, H5P_DEFAULT);
      const hid_t space = H5Dget_space(ds);
      hsize_t offset[2] = {0, 0};
      unsigned mask = 0;
      haddr_t address = 0;
      hsize_t size = 0;
      ASSERT_GE(H5Dget_chunk_info(ds, space, 1, offset, &mask, &address, &size), 0) << name;
      ASSERT_EQ(offset[0], 16u);
      ASSERT_LE(address + size, bytes.size());
      for (hsize_t k = size / 3; k < size / 3 + 40; ++k) bytes[address + k] = static_cast<char>(bytes[address + k] ^ 0x5A);
      H5Sclose(space);
      H5Dclose(ds);
    }
    H5Fclose(file);
  }
  kivo::test::writeBytes(path, bytes);
  Open damaged(path);
  std::vector<float> f;
  std::vector<io::LatLon> pos;
  EXPECT_EQ(io::getData(damaged.get(), f, io::kAllScans, io::kAllScans, 11180), io::kErrRead);
  EXPECT_TRUE(f.empty());
  EXPECT_EQ(io::getLatLon(damaged.get(), pos, io::kAllScans, io::kAllScans, 40070), io::kErrRead);
  EXPECT_TRUE(pos.empty());
  // Rows of the intact first chunk still read.
  EXPECT_EQ(io::getData(damaged.get(), f, 1, 16, 11180), static_cast<int>(16 * kPixels));
}

}  // namespace
