// The writing half of the product I/O library: creating products and datasets, fill values,
// dataset and root attributes, values converted back through the scale factor, positions and
// scan-quality records, and the AMSR2 reader's writing operations.

#include <gtest/gtest.h>

#include <hdf5.h>

#include <cmath>
#include <filesystem>

#include "product_io/amsr2_io.h"
#include "product_io/geolocation.h"
#include "product_io/grid_position_files.h"
#include "product_io/io_write.h"
#include "product_io/readers/amsr2_data.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace io = kivo::io;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

// An output product for one test: created with a product name and an overlap, closed afterwards.
class Output {
 public:
  Output(const std::string& path, const char* productName, const char* geophysicalName = "")
      : handle_(io::createProduct(path.c_str(), io::kOutputCreate)) {
    EXPECT_GT(handle_, 0);
    EXPECT_EQ(io::setMetaDataName(handle_, "ProductName", productName), 0);
    EXPECT_EQ(io::setMetaDataName(handle_, "OverlapScans", "0"), 0);
    if (*geophysicalName != '\0') {
      EXPECT_EQ(io::setMetaDataName(handle_, "GeophysicalName", geophysicalName), 0);
    }
  }
  ~Output() {
    if (handle_ > 0) io::closeOutput(handle_);
  }
  io::ProductHandle get() const { return handle_; }
  hid_t file() const { return static_cast<hid_t>(handle_); }

 private:
  io::ProductHandle handle_;
};

io::DimSize dims(int d0, int d1 = 0, int d2 = 0) {
  io::DimSize d;
  d.dims[0] = d0;
  d.dims[1] = d1;
  d.dims[2] = d2;
  return d;
}

// Every stored element of a dataset, converted by HDF5 itself.
template <typename T>
std::vector<T> storedValues(hid_t file, const std::string& name, hid_t memType) {
  const hid_t ds = H5Dopen2(file, name.c_str(), H5P_DEFAULT);
  if (ds < 0) return {};
  const hid_t space = H5Dget_space(ds);
  std::vector<T> values(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space)));
  if (H5Dread(ds, memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) < 0) values.clear();
  H5Sclose(space);
  H5Dclose(ds);
  return values;
}

float scaleFactor(hid_t file, const std::string& name) {
  const hid_t ds = H5Dopen2(file, name.c_str(), H5P_DEFAULT);
  const hid_t attr = H5Aopen(ds, "SCALE FACTOR", H5P_DEFAULT);
  float value = 0;
  H5Aread(attr, H5T_NATIVE_FLOAT, &value);
  H5Aclose(attr);
  H5Dclose(ds);
  return value;
}

// "UNIT" with the size of its fixed-length string type.
std::string unit(hid_t file, const std::string& name, std::size_t& typeSize) {
  const hid_t ds = H5Dopen2(file, name.c_str(), H5P_DEFAULT);
  const hid_t attr = H5Aopen(ds, "UNIT", H5P_DEFAULT);
  const hid_t type = H5Aget_type(attr);
  typeSize = H5Tis_variable_str(type) > 0 ? 0 : H5Tget_size(type);
  std::string text(typeSize, '\0');
  H5Aread(attr, type, text.data());
  H5Tclose(type);
  H5Aclose(attr);
  H5Dclose(ds);
  return text.c_str();
}

bool exists(hid_t file, const char* name) { return H5Lexists(file, name, H5P_DEFAULT) > 0; }

class ProductWrite : public ::testing::Test {
 protected:
  void SetUp() override { io::setDataDirectory(std::string(KIVO_DATA_DIR) + "/"); }
  void TearDown() override { io::setDataDirectory(""); }
  TempDir dir;
};

TEST_F(ProductWrite, CreateAndUpdate) {
  EXPECT_EQ(io::createProduct(dir.file("a.h5").c_str(), 3), io::kErrBadMode);
  EXPECT_EQ(io::createProduct(dir.file("a.h5").c_str(), 0), io::kErrBadMode);
  EXPECT_EQ(io::createProduct(dir.file("missing/a.h5").c_str(), io::kOutputCreate), io::kErrOpen);
  EXPECT_EQ(io::createProduct(dir.file("missing.h5").c_str(), io::kOutputUpdate), io::kErrOpen);
  EXPECT_EQ(io::createProduct(nullptr, io::kOutputCreate), io::kErrOpen);
  EXPECT_EQ(io::closeOutput(0), io::kErrClose);

  {
    Output out(dir.file("a.h5"), "AMSR2-L1B");
    ASSERT_EQ(io::setDimSize(out.get(), 10010, dims(3)), 0);
    ASSERT_EQ(io::setData(out.get(), std::vector<double>{1, 2, 3}, 1, 3, 10010), 0);
  }
  // An update keeps what is there and adds to it.
  const io::ProductHandle h = io::createProduct(dir.file("a.h5").c_str(), io::kOutputUpdate);
  ASSERT_GT(h, 0);
  EXPECT_EQ(io::setMetaDataName(h, "NumberOfScans", "3"), 0);
  EXPECT_EQ(io::closeOutput(h), 0);
  const io::ProductHandle r = io::openProduct(dir.file("a.h5").c_str());
  std::vector<double> values;
  EXPECT_EQ(io::getData(r, values, io::kAllScans, io::kAllScans, 10010), 3);
  EXPECT_EQ(values, (std::vector<double>{1, 2, 3}));
  std::string text;
  EXPECT_EQ(io::getMetaDataByName(r, "ProductName", text), 9);
  EXPECT_EQ(io::getMetaDataByName(r, "NumberOfScans", text), 1);
  io::closeProduct(r);
}

TEST_F(ProductWrite, DimSizeRanksAndRefusals) {
  Output out(dir.file("a.h5"), "AMSR2-L1B");
  struct Case {
    const char* what;
    io::AccessLabel label;
    io::DimSize dims;
    int result;
  };
  const Case cases[] = {
      {"rank 1", 10010, dims(10), 0},
      {"rank 2", 11050, dims(10, 243), 0},
      {"rank 3", 10240, dims(12, 10, 16), 0},
      {"all zero", 10020, dims(0), io::kErrBadDims},
      {"second only", 10020, dims(0, 5), io::kErrBadDims},
      {"first and third", 11060, dims(10, 0, 5), io::kErrBadDims},
      {"negative", 10020, dims(-3), io::kErrBadDims},
      {"rank unlike the label's", 11060, dims(10), io::kErrBadDims},
      {"beyond what readers accept", 11060, dims(10, 243 * 5), io::kErrBadDims},
      {"no definition", 99990, dims(10), io::kErrUndefinedLabel},
      {"composite", 11210, dims(10, 243), io::kErrDerivedLabel},
      {"layer", 21030, dims(10, 243), io::kErrDerivedLabel},
      {"co-registered positions", 40010, dims(10, 243), io::kErrDerivedLabel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(io::setDimSize(out.get(), c.label, c.dims), c.result);
    io::DimSize got;
    const int rank = io::getDimSize(out.get(), c.label, got);
    if (c.result == 0) {
      EXPECT_EQ(rank, c.label == 10010 ? 1 : c.label == 11050 ? 2 : 3);
      EXPECT_EQ(got.dims[0], c.dims.dims[0]);
      EXPECT_EQ(got.dims[1], c.dims.dims[1]);
      EXPECT_EQ(got.dims[2], c.dims.dims[2]);
    } else if (c.label != 11210) {
      EXPECT_LT(rank, 0);  // nothing was created
    }
  }
  EXPECT_EQ(io::setDimSize(0, 10010, dims(10)), io::kErrNullHandle);
}

TEST_F(ProductWrite, NewDatasetsHoldTheFillValueOfTheirTypeAndTheLabelsAttributes) {
  Output out(dir.file("a.h5"), "AMSR2-L1B");
  struct Case {
    io::AccessLabel label;
    const char* name;
    io::DimSize dims;
    hid_t fileType;
    double fill;
    float scale;
    const char* unit;
  };
  const Case cases[] = {
      {10010, "Scan Time", dims(4), H5T_IEEE_F64LE, -9997.0, 1.0f, "sec"},
      {10030, "Navigation Data", dims(4, 6), H5T_IEEE_F32LE, -9997.0, 1.0f, "m,m/s"},
      {11050, "Brightness Temperature (6.9GHz,V)", dims(4, 243), H5T_STD_U16LE, 65533, 0.01f, "K"},
      {10300, "Sun Azimuth", dims(4, 243), H5T_STD_I16LE, -32766, 0.01f, "deg"},
      {10420, "Observation Supplement", dims(4, 54), H5T_STD_U8LE, 253, 1.0f, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(io::setDimSize(out.get(), c.label, c.dims), 0);
    const std::vector<double> values = storedValues<double>(out.file(), c.name, H5T_NATIVE_DOUBLE);
    ASSERT_FALSE(values.empty());
    EXPECT_TRUE(std::all_of(values.begin(), values.end(), [&](double v) { return v == c.fill; }));
    const hid_t ds = H5Dopen2(out.file(), c.name, H5P_DEFAULT);
    const hid_t type = H5Dget_type(ds);
    EXPECT_GT(H5Tequal(type, c.fileType), 0);
    H5Tclose(type);
    H5Dclose(ds);
    EXPECT_FLOAT_EQ(scaleFactor(out.file(), c.name), c.scale);
    std::size_t size = 0;
    EXPECT_EQ(unit(out.file(), c.name, size), c.unit);
    EXPECT_EQ(size, std::strlen(c.unit) + 1);
  }
}

TEST_F(ProductWrite, PositionsAndGeophysicalDatasets) {
  Output out(dir.file("a.h5"), "AMSR2-L2", "Precipitation");
  // A geolocation label creates its latitude and longitude pair.
  ASSERT_EQ(io::setDimSize(out.get(), 40130, dims(3, 4)), 0);
  EXPECT_TRUE(exists(out.file(), "Latitude of Observation Point"));
  EXPECT_TRUE(exists(out.file(), "Longitude of Observation Point"));
  EXPECT_FALSE(exists(out.file(), "Latitude of Observation Point for 89A"));
  std::size_t size = 0;
  EXPECT_EQ(unit(out.file(), "Longitude of Observation Point", size), "deg");

  // Factor and unit of a geophysical dataset come from the mapping file by the quantity; a
  // quantity it does not list keeps the label's.
  ASSERT_EQ(io::setDimSize(out.get(), 22060, dims(3, 4, 3)), 0);
  EXPECT_FLOAT_EQ(scaleFactor(out.file(), "Geophysical Data for 89A"), 0.1f);
  EXPECT_EQ(unit(out.file(), "Geophysical Data for 89A", size), "mm/h");
  ASSERT_EQ(io::setMetaDataName(out.get(), "GeophysicalName", "Unlisted Quantity"), 0);
  ASSERT_EQ(io::setDimSize(out.get(), 21060, dims(3, 4, 3)), 0);
  EXPECT_FLOAT_EQ(scaleFactor(out.file(), "Geophysical Data"), 0.01f);
  EXPECT_EQ(unit(out.file(), "Geophysical Data", size), "");

  const std::vector<io::LatLon> positions = {{1, 2},   {3, 4},   {5, 6},   {7, 8},   {-9, -10}, {11, 12},
                                             {13, 14}, {15, 16}, {17, 18}, {19, 20}, {21, 22},  {23, 179.5f}};
  EXPECT_EQ(io::setLatLon(out.get(), positions, 1, 3, 40130), 0);
  std::vector<io::LatLon> back;
  ASSERT_EQ(io::getLatLon(out.get(), back, 1, 3, 40130), 12);
  for (std::size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].lat, positions[i].lat);
    EXPECT_EQ(back[i].lon, positions[i].lon);
  }
  EXPECT_EQ(io::setLatLon(out.get(), positions, 1, 3, 40010), io::kErrDerivedLabel);
  EXPECT_EQ(io::setLatLon(out.get(), {}, 1, 3, 40130), io::kErrNullRecords);
}

TEST_F(ProductWrite, AnExistingDatasetIsLeftUnchanged) {
  Output out(dir.file("a.h5"), "AMSR2-L1B");
  ASSERT_EQ(io::setDimSize(out.get(), 10020, dims(3)), 0);
  ASSERT_EQ(io::setData(out.get(), std::vector<double>{7, 8, 9}, 1, 3, 10020), 0);
  EXPECT_EQ(io::setDimSize(out.get(), 10020, dims(5)), 0);
  io::DimSize got;
  EXPECT_EQ(io::getDimSize(out.get(), 10020, got), 1);
  EXPECT_EQ(got.dims[0], 3);
  EXPECT_EQ(storedValues<double>(out.file(), "Position in Orbit", H5T_NATIVE_DOUBLE), (std::vector<double>{7, 8, 9}));
}

TEST_F(ProductWrite, ValuesAreConvertedBackThroughTheScaleFactor) {
  Output out(dir.file("a.h5"), "AMSR2-L1B");
  // Invalid codes are stored unchanged; integers the stored type cannot hold become its
  // overflow code, which every read treats as invalid.
  {
    SCOPED_TRACE("u16 float, scale 0.01");
    ASSERT_EQ(io::setDimSize(out.get(), 11050, dims(1, 6)), 0);
    ASSERT_EQ(io::setData(out.get(), std::vector<float>{250.0f, 655.32f, 65533, 65535, 700.0f, -1.0f}, 1, 1, 11050), 0);
    EXPECT_EQ(storedValues<int>(out.file(), "Brightness Temperature (6.9GHz,V)", H5T_NATIVE_INT),
              (std::vector<int>{25000, 65532, 65533, 65535, 65535, 65535}));
    std::vector<float> back;
    ASSERT_EQ(io::getData(out.get(), back, 1, 1, 11050), 6);
    EXPECT_FLOAT_EQ(back[0], 250.0f);
    EXPECT_FLOAT_EQ(back[1], 655.32f);
    EXPECT_EQ(back[2], 65533.0f);
  }
  {
    SCOPED_TRACE("i16 float, scale 0.01");
    ASSERT_EQ(io::setDimSize(out.get(), 10300, dims(1, 5)), 0);
    ASSERT_EQ(io::setData(out.get(), std::vector<float>{-327.65f, -32766, -32767, 400.0f, 1.5f}, 1, 1, 10300), 0);
    EXPECT_EQ(storedValues<int>(out.file(), "Sun Azimuth", H5T_NATIVE_INT),
              (std::vector<int>{-32765, -32766, -32767, -32768, 150}));
  }
  {
    SCOPED_TRACE("u16 int, scale 1");
    ASSERT_EQ(io::setDimSize(out.get(), 10290, dims(1, 4)), 0);
    ASSERT_EQ(io::setData(out.get(), std::vector<std::int32_t>{65532, 65534, 70000, -5}, 1, 1, 10290), 0);
    EXPECT_EQ(storedValues<int>(out.file(), "Rx Offset_Gain Count", H5T_NATIVE_INT),
              (std::vector<int>{65532, 65534, 65535, 65535}));
  }
  {
    SCOPED_TRACE("u8 byte");
    ASSERT_EQ(io::setDimSize(out.get(), 10420, dims(1, 4)), 0);
    ASSERT_EQ(io::setData(out.get(), std::vector<std::uint8_t>{0, 252, 253, 255}, 1, 1, 10420), 0);
    EXPECT_EQ(storedValues<int>(out.file(), "Observation Supplement", H5T_NATIVE_INT),
              (std::vector<int>{0, 252, 253, 255}));
  }
  {
    SCOPED_TRACE("f64 double");
    ASSERT_EQ(io::setDimSize(out.get(), 10010, dims(2)), 0);
    ASSERT_EQ(io::setData(out.get(), std::vector<double>{123.25, -9999.0}, 1, 2, 10010), 0);
    EXPECT_EQ(storedValues<double>(out.file(), "Scan Time", H5T_NATIVE_DOUBLE), (std::vector<double>{123.25, -9999.0}));
  }
  {
    SCOPED_TRACE("bit-expanded quality");
    ASSERT_EQ(io::setDimSize(out.get(), 10470, dims(1, 2)), 0);
    std::vector<std::int32_t> bits(16, 0);
    bits[0] = bits[3] = bits[8] = bits[15] = 1;  // 0x09 and 0x81
    ASSERT_EQ(io::setData(out.get(), bits, 1, 1, 10470), 0);
    EXPECT_EQ(storedValues<int>(out.file(), "Pixel Data Quality 6 to 36", H5T_NATIVE_INT),
              (std::vector<int>{0x09, 0x81}));
    std::vector<std::int32_t> back;
    ASSERT_EQ(io::getData(out.get(), back, 1, 1, 10470), 16);
    EXPECT_EQ(back, bits);
  }
}

TEST_F(ProductWrite, GeophysicalLayersAreWrittenOneByOne) {
  Output out(dir.file("a.h5"), "AMSR2-L2", "Precipitation");
  ASSERT_EQ(io::setDimSize(out.get(), 22060, dims(2, 3, 3)), 0);
  // A layer read scales -32766 (-3276.6 here) and passes lower codes through.
  ASSERT_EQ(io::setData(out.get(), std::vector<float>{1.3f, -3276.6f, -32767, 10, 20, 30}, 1, 2, 22040), 0);
  const std::vector<int> stored = storedValues<int>(out.file(), "Geophysical Data for 89A", H5T_NATIVE_INT);
  ASSERT_EQ(stored.size(), 18u);
  const std::vector<int> layer1 = {13, -32766, -32767, 100, 200, 300};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(stored[i * 3 + 1], layer1[i]) << i;
    EXPECT_EQ(stored[i * 3], io::kFillI16);
    EXPECT_EQ(stored[i * 3 + 2], io::kFillI16);
  }
  std::vector<float> all(18);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = 0.5f * static_cast<float>(i);
  ASSERT_EQ(io::setData(out.get(), all, 1, 2, 22060), 0);
  std::vector<float> back;
  ASSERT_EQ(io::getData(out.get(), back, 1, 2, 22060), 18);
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_NEAR(back[i], all[i], 1e-4) << i;
}

TEST_F(ProductWrite, WriteArgumentsAndScanRanges) {
  TinyProduct p(dir.file("a.h5"));
  p.head("AMSR2-L1B", 1);
  p.data("Position in Orbit", Stored::F64, {4}, std::vector<double>{0, 0, 0, 0});
  p.data("Brightness Temperature (6.9GHz,V)", Stored::U16, {4, 2}, std::vector<unsigned short>(8, 0), 0.01f);
  p.close();
  const io::ProductHandle h = io::createProduct(dir.file("a.h5").c_str(), io::kOutputUpdate);
  ASSERT_GT(h, 0);
  // Scans count after the overlap scan: scans 2..3 are rows 2..3.
  ASSERT_EQ(io::setData(h, std::vector<double>{5, 6}, 2, 3, 10020), 0);
  EXPECT_EQ(storedValues<double>(static_cast<hid_t>(h), "Position in Orbit", H5T_NATIVE_DOUBLE),
            (std::vector<double>{0, 0, 5, 6}));

  const std::vector<float> two(2, 1.0f);
  struct Case {
    const char* what;
    int result;
    int expected;
  };
  const Case cases[] = {
      {"empty buffer", io::setData(h, std::vector<float>{}, 1, 1, 11050), io::kErrNullRecords},
      {"end before begin", io::setData(h, two, 2, 1, 11050), io::kErrEndBeforeBegin},
      {"no file", io::setData(0, two, 1, 1, 11050), io::kErrNullHandle},
      {"composite", io::setData(h, two, 1, 1, 11210), io::kErrDerivedLabel},
      {"positions", io::setData(h, two, 1, 1, 40070), io::kErrDerivedLabel},
      {"short buffer", io::setData(h, two, 1, 2, 11050), io::kErrBadDims},
      {"beyond the rows", io::setData(h, std::vector<float>(8, 1.0f), 2, 5, 11050), io::kErrScanSelection},
      {"type not permitted", io::setData(h, std::vector<double>{1, 2}, 1, 1, 11050), io::kErrOutputType},
      {"no dataset", io::setData(h, two, 1, 1, 11060), io::kErrDatasetOpen},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
  EXPECT_EQ(storedValues<int>(static_cast<hid_t>(h), "Brightness Temperature (6.9GHz,V)", H5T_NATIVE_INT),
            std::vector<int>(8, 0));
  EXPECT_EQ(io::closeOutput(h), 0);
}

TEST_F(ProductWrite, ScanQualityRecordsAreWrittenRaw) {
  Output out(dir.file("a.h5"), "AMSR2-L1B");
  ASSERT_EQ(io::setDimSize(out.get(), io::kLabelScanDataQuality, dims(2, 512)), 0);
  std::vector<std::uint8_t> records(1024);
  for (std::size_t i = 0; i < records.size(); ++i) records[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_EQ(io::setScanQuality(out.get(), records, 1, 2, io::kLabelScanDataQuality), 0);
  std::vector<std::uint8_t> back;
  ASSERT_EQ(io::getScanQuality(out.get(), back, 1, 2, io::kLabelScanDataQuality), 2);
  EXPECT_EQ(back, records);
  EXPECT_EQ(io::setScanQuality(out.get(), std::vector<std::uint8_t>(512), 1, 2, io::kLabelScanDataQuality),
            io::kErrBadDims);
}

TEST_F(ProductWrite, RootAttributesByNameAndByIndex) {
  TinyProduct p(dir.file("a.h5"));
  p.attr("ProductName", "AMSR2-L1B").attr("Second", "two").fixedAttr("Fixed", "abc");
  {
    const hid_t space = H5Screate(H5S_SCALAR);
    const hid_t attr = H5Acreate2(static_cast<hid_t>(p.fileId()), "Number", H5T_STD_I32LE, space, H5P_DEFAULT,
                                  H5P_DEFAULT);
    const int value = 5;
    H5Awrite(attr, H5T_NATIVE_INT, &value);
    H5Aclose(attr);
    H5Sclose(space);
  }
  p.close();
  const io::ProductHandle h = io::createProduct(dir.file("a.h5").c_str(), io::kOutputUpdate);
  ASSERT_GT(h, 0);
  const auto byName = [h](const char* name) {
    std::string text;
    io::getMetaDataByName(h, name, text);
    return text;
  };
  const auto nameAt = [h](int index) {
    std::string name;
    io::getMetaDataName(h, index, name);
    return name;
  };

  EXPECT_EQ(io::setMetaDataName(h, "New", "created"), 0);
  EXPECT_EQ(byName("New"), "created");
  EXPECT_EQ(io::setMetaDataName(h, "Second", "a longer second text"), 0);
  EXPECT_EQ(byName("Second"), "a longer second text");
  EXPECT_EQ(nameAt(2), "Second");  // overwritten in place
  // A fixed-length text takes a longer one whole.
  EXPECT_EQ(io::setMetaDataName(h, "Fixed", "much longer than three"), 0);
  EXPECT_EQ(byName("Fixed"), "much longer than three");

  // Indexes are 1-based in file order, as getMetaData reads them.
  EXPECT_EQ(io::setMetaData(h, 2, "by index"), 0);
  std::string text;
  EXPECT_EQ(io::getMetaData(h, 2, text), 8);
  EXPECT_EQ(text, "by index");
  EXPECT_EQ(byName("ProductName"), "AMSR2-L1B");

  struct Case {
    const char* what;
    int result;
    int expected;
  };
  const Case cases[] = {
      {"index 0", io::setMetaData(h, 0, "x"), io::kErrBadIndex},
      {"negative index", io::setMetaData(h, -1, "x"), io::kErrBadIndex},
      {"no such index", io::setMetaData(h, 99, "x"), io::kErrAttrIndex},
      {"null text by index", io::setMetaData(h, 1, nullptr), io::kErrNullArgument},
      {"null name", io::setMetaDataName(h, nullptr, "x"), io::kErrNullArgument},
      {"null text by name", io::setMetaDataName(h, "New", nullptr), io::kErrNullArgument},
      {"no file", io::setMetaDataName(0, "New", "x"), io::kErrNullHandle},
      {"no file by index", io::setMetaData(0, 1, "x"), io::kErrNullHandle},
      {"number by name", io::setMetaDataName(h, "Number", "6"), io::kErrAttrNotString},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
  EXPECT_EQ(io::closeOutput(h), 0);
}

TEST_F(ProductWrite, TheReaderWritesOnlyAnOutput) {
  io::AMSR2_data writer(dir.file("a.h5"));
  EXPECT_EQ(writer.writeDouble(10010, 1, 1, {1.0}), -1);  // nothing open
  ASSERT_EQ(writer.openForWriting(), 0);
  ASSERT_EQ(writer.setAttributeByName("ProductName", "AMSR2-L1B"), 0);
  ASSERT_EQ(writer.setAttributeByName("OverlapScans", "0"), 0);
  ASSERT_EQ(writer.createDataset(11180, dims(2, 3)), 0);
  ASSERT_EQ(writer.writeFloat(11180, 1, 2, {100, 200, 300, 400, 500, 600}), 0);
  ASSERT_EQ(writer.setAttributeByIndex(1, "OverlapScans", "0"), 0);  // 0-based in the reader
  ASSERT_EQ(writer.closeOutput(), 0);
  EXPECT_EQ(writer.closeOutput(), -1);

  io::AMSR2_data reader(dir.file("a.h5"));
  ASSERT_EQ(reader.open(), 0);
  std::vector<float> values;
  ASSERT_EQ(reader.readFloat(11180, 1, 2, values), 6);
  EXPECT_FLOAT_EQ(values[5], 600.0f);
  EXPECT_EQ(reader.writeFloat(11180, 1, 1, values), -1);  // opened for reading
  EXPECT_EQ(reader.createDataset(11170, dims(2, 3)), -1);
}

}  // namespace
