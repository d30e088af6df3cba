#include "product_io/readers/amsr2_data.h"

#include <hdf5.h>

#include <algorithm>

#include "product_io/h5_handle.h"
#include "product_io/io_write.h"

namespace kivo::io {
namespace {

// The writing operations of a product that is not open for writing.
constexpr int kNotAvailable = -1;

bool isOpenHandle(ProductHandle h) { return h > 0; }

}  // namespace

template <typename T>
int AMSR2_data::readWithPositions(AccessLabel label, std::vector<T>& values, std::vector<LatLon>& positions,
                                  PrdctType prdctType, int fallbackScans) {
  values.clear();
  positions.clear();
  if (!isOpenHandle(handle_)) return -1;
  DimSize dims;
  int scans = getDimSize(handle_, label, dims) > 0 ? dims.dims[0] : fallbackScans;
  int count = 0;
  if constexpr (std::is_same_v<T, float>) {
    if (label == kLabelL3TbV || label == kLabelL3TbH || label == kLabelL3Geophysical) {
      count = getGridData(handle_, values, label);
    } else {
      count = getData(handle_, values, 1, scans, label);
    }
  } else {
    count = getData(handle_, values, 1, scans, label);
  }
  if (count <= 0) {
    values.clear();
    return -1;
  }
  const AccessLabel geo = geolocationLabelOf(label, prdctType);
  // Every value needs its own position: a grid file of another grid's size, or position
  // datasets of another shape, fail the read instead of misplacing values.
  if (geo == 0 || getLatLon(handle_, positions, 1, scans, geo) < 0 || positions.size() != values.size()) {
    values.clear();
    positions.clear();
    return -1;
  }
  return count;
}

int AMSR2_data::readIntWithPositions(AccessLabel label, std::vector<std::int32_t>& values,
                                     std::vector<LatLon>& positions, PrdctType prdctType) {
  return readWithPositions(label, values, positions, prdctType, 2002);
}

int AMSR2_data::readFloatWithPositions(AccessLabel label, std::vector<float>& values, std::vector<LatLon>& positions,
                                       PrdctType prdctType) {
  return readWithPositions(label, values, positions, prdctType, 1800);
}

int AMSR2_data::dimensions(AccessLabel label, DimSize& dims, PrdctType) { return getDimSize(handle_, label, dims); }

int AMSR2_data::attributeByName(const std::string& name, std::string& value) {
  return getMetaDataByName(handle_, name.c_str(), value);
}

int AMSR2_data::attributeByIndex(int index, std::string& value) {
  const int rc = getMetaData(handle_, index + 1, value);
  return rc < 0 ? kErrAttrRead : rc;
}

int AMSR2_data::attributeName(int index, std::string& name, int& valueSize) {
  name.clear();
  valueSize = 0;
  if (!isOpenHandle(handle_) || index < 0) return 1;
  std::string raw;
  if (getMetaDataName(handle_, index + 1, raw) < 0) return 1;
  if (raw.size() > 255) raw.resize(255);
  if (!raw.empty() && raw.back() == '\n') raw.pop_back();
  raw.erase(std::remove(raw.begin(), raw.end(), ' '), raw.end());
  name = raw;
  std::string value;
  const int length = getMetaData(handle_, index + 1, value);
  valueSize = length < 0 ? 1 : length + 1;
  return 0;
}

int AMSR2_data::close() {
  if (!isOpenHandle(handle_)) return 0;
  const int rc = writing_ ? io::closeOutput(handle_) : closeProduct(handle_);
  handle_ = -1;
  writing_ = false;
  return rc;
}

int AMSR2_data::open() {
  close();
  const ProductHandle h = openProduct(path_.c_str());
  if (h <= 0) return 1;
  handle_ = h;
  return 0;
}

int AMSR2_data::attributeCount() {
  const int n = getMetaDataCount(handle_);
  return n < 0 ? 0 : n;
}

int AMSR2_data::openForWriting(int mode) {
  close();
  const ProductHandle h = createProduct(path_.c_str(), mode);
  if (h <= 0) return static_cast<int>(h);
  handle_ = h;
  writing_ = true;
  return 0;
}

int AMSR2_data::closeOutput() {
  if (!writing_) return kNotAvailable;
  return close();
}

int AMSR2_data::createDataset(AccessLabel label, const DimSize& dims) { return createDatasetExtra(label, dims, 0); }

int AMSR2_data::setAttributeByIndex(int index, const std::string&, const std::string& value) {
  if (!writing_) return kNotAvailable;
  return setMetaData(handle_, index + 1, value.c_str());
}

int AMSR2_data::setAttributeByName(const std::string& name, const std::string& value) {
  if (!writing_) return kNotAvailable;
  return setMetaDataName(handle_, name.c_str(), value.c_str());
}

int AMSR2_data::dimensionsRank(AccessLabel label, DimSize& dims, int& rank) {
  rank = getDimSize(handle_, label, dims);
  if (rank <= 0 || rank > 3) return rank;
  return 0;
}

int AMSR2_data::createDatasetExtra(AccessLabel label, const DimSize& dims, int) {
  if (!writing_) return kNotAvailable;
  return setDimSize(handle_, label, dims);
}

int AMSR2_data::readDouble(AccessLabel label, int begin, int end, std::vector<double>& buffer) {
  return getData(handle_, buffer, begin, end, label);
}
int AMSR2_data::writeDouble(AccessLabel label, int begin, int end, const std::vector<double>& buffer) {
  return writing_ ? setData(handle_, buffer, begin, end, label) : kNotAvailable;
}
int AMSR2_data::readFloat(AccessLabel label, int begin, int end, std::vector<float>& buffer) {
  return getData(handle_, buffer, begin, end, label);
}
int AMSR2_data::writeFloat(AccessLabel label, int begin, int end, const std::vector<float>& buffer) {
  return writing_ ? setData(handle_, buffer, begin, end, label) : kNotAvailable;
}
int AMSR2_data::readInt(AccessLabel label, int begin, int end, std::vector<std::int32_t>& buffer) {
  return getData(handle_, buffer, begin, end, label);
}
int AMSR2_data::writeInt(AccessLabel label, int begin, int end, const std::vector<std::int32_t>& buffer) {
  return writing_ ? setData(handle_, buffer, begin, end, label) : kNotAvailable;
}
int AMSR2_data::readByte(AccessLabel label, int begin, int end, std::vector<std::uint8_t>& buffer) {
  return getData(handle_, buffer, begin, end, label);
}
int AMSR2_data::writeByte(AccessLabel label, int begin, int end, const std::vector<std::uint8_t>& buffer) {
  return writing_ ? setData(handle_, buffer, begin, end, label) : kNotAvailable;
}

int AMSR2_data::readScanTime(int begin, int end, std::vector<ScanTimeRecord>& records, const std::string& leapFile) {
  return getScanTime(handle_, begin, end, records, leapFile);
}
int AMSR2_data::writeScanTime(int begin, int end, const std::vector<ScanTimeRecord>& records,
                              const std::string& leapFile) {
  return writing_ ? setScanTime(handle_, records, begin, end, leapFile) : kNotAvailable;
}
int AMSR2_data::readPositions(AccessLabel label, int begin, int end, std::vector<LatLon>& positions) {
  return getLatLon(handle_, positions, begin, end, label);
}
int AMSR2_data::writePositions(AccessLabel label, int begin, int end, const std::vector<LatLon>& positions) {
  return writing_ ? setLatLon(handle_, positions, begin, end, label) : kNotAvailable;
}
int AMSR2_data::readScanQuality(int begin, int end, std::vector<std::uint8_t>& bytes) {
  return getScanQuality(handle_, bytes, begin, end, kLabelScanDataQuality);
}
int AMSR2_data::writeScanQuality(int begin, int end, const std::vector<std::uint8_t>& bytes) {
  return writing_ ? setScanQuality(handle_, bytes, begin, end, kLabelScanDataQuality) : kNotAvailable;
}
int AMSR2_data::createDatasetDefault(AccessLabel label, const DimSize& dims) {
  return createDatasetExtra(label, dims, 0);
}

}  // namespace kivo::io
