#pragma once

// The reader interface through which the product model reads every product alike: AMSR2
// HDF5 products through the product I/O library, AMSR and AMSR-E HDF4 products directly.
// The operations keep a fixed order (their slot numbers are noted); writing operations
// apply to AMSR2 products only.

#include <cstdint>
#include <string>
#include <vector>

#include "product_io/amsr2_io.h"
#include "product_io/geolocation.h"
#include "product_io/product_time.h"

namespace kivo::io {

class AMSR_data {
 public:
  // Owners destroy readers through this interface, so the destructor is virtual.
  virtual ~AMSR_data() = default;

  // 0, 1: values of a label (AMSR2) or channel code (HDF4) with one position per value;
  // the result is the value count, or a negative code.
  virtual int readIntWithPositions(AccessLabel label, std::vector<std::int32_t>& values,
                                   std::vector<LatLon>& positions, PrdctType prdctType) = 0;
  virtual int readFloatWithPositions(AccessLabel label, std::vector<float>& values, std::vector<LatLon>& positions,
                                     PrdctType prdctType) = 0;
  // 2
  virtual int reserved() = 0;
  // 3: dimensions of a label or code; the result is the rank (0 or negative on failure).
  virtual int dimensions(AccessLabel label, DimSize& dims, PrdctType prdctType) = 0;
  // 4, 5, 6: root attributes; indexes are 0-based in file order.
  virtual int attributeByName(const std::string& name, std::string& value) = 0;
  virtual int attributeByIndex(int index, std::string& value) = 0;
  virtual int attributeName(int index, std::string& name, int& valueSize) = 0;
  // 7, 8, 9
  virtual int close() = 0;
  virtual int open() = 0;  // 0 when open
  virtual int attributeCount() = 0;
  // 10..16: writing a new product (AMSR2 only).
  virtual int openForWriting(int mode = 2) = 0;
  virtual int closeOutput() = 0;
  virtual int createDataset(AccessLabel label, const DimSize& dims) = 0;
  virtual int setAttributeByIndex(int index, const std::string& name, const std::string& value) = 0;
  virtual int setAttributeByName(const std::string& name, const std::string& value) = 0;
  virtual int dimensionsRank(AccessLabel label, DimSize& dims, int& rank) = 0;
  virtual int createDatasetExtra(AccessLabel label, const DimSize& dims, int extra) = 0;
  // 17..24: typed reads and writes of a scan range.
  virtual int readDouble(AccessLabel label, int begin, int end, std::vector<double>& buffer) = 0;
  virtual int writeDouble(AccessLabel label, int begin, int end, const std::vector<double>& buffer) = 0;
  virtual int readFloat(AccessLabel label, int begin, int end, std::vector<float>& buffer) = 0;
  virtual int writeFloat(AccessLabel label, int begin, int end, const std::vector<float>& buffer) = 0;
  virtual int readInt(AccessLabel label, int begin, int end, std::vector<std::int32_t>& buffer) = 0;
  virtual int writeInt(AccessLabel label, int begin, int end, const std::vector<std::int32_t>& buffer) = 0;
  virtual int readByte(AccessLabel label, int begin, int end, std::vector<std::uint8_t>& buffer) = 0;
  virtual int writeByte(AccessLabel label, int begin, int end, const std::vector<std::uint8_t>& buffer) = 0;
  // 25..30: scan times, positions, scan quality.
  // Scan times convert through the leap-second table leapFilePath(leapFile).
  virtual int readScanTime(int begin, int end, std::vector<ScanTimeRecord>& records, const std::string& leapFile) = 0;
  virtual int writeScanTime(int begin, int end, const std::vector<ScanTimeRecord>& records,
                            const std::string& leapFile) = 0;
  virtual int readPositions(AccessLabel label, int begin, int end, std::vector<LatLon>& positions) = 0;
  virtual int writePositions(AccessLabel label, int begin, int end, const std::vector<LatLon>& positions) = 0;
  virtual int readScanQuality(int begin, int end, std::vector<std::uint8_t>& bytes) = 0;
  virtual int writeScanQuality(int begin, int end, const std::vector<std::uint8_t>& bytes) = 0;
  // 31
  virtual int createDatasetDefault(AccessLabel label, const DimSize& dims) = 0;
  // 32: the file path (empty for HDF4 readers).
  virtual std::string path() const = 0;

  // The data directory of grid and mapping files; at most 1023 characters are kept.
  static void setDataDirectory(const std::string& directory) { io::setDataDirectory(directory); }
};

}  // namespace kivo::io
