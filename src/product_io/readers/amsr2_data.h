#pragma once

// Reader of AMSR2 HDF5 products: forwards to the product I/O library.

#include "product_io/readers/amsr_data.h"

namespace kivo::io {

class AMSR2_data final : public AMSR_data {
 public:
  AMSR2_data() = default;
  explicit AMSR2_data(std::string path) : path_(std::move(path)) {}
  ~AMSR2_data() override { close(); }
  AMSR2_data(const AMSR2_data&) = delete;
  AMSR2_data& operator=(const AMSR2_data&) = delete;

  int readIntWithPositions(AccessLabel label, std::vector<std::int32_t>& values, std::vector<LatLon>& positions,
                           PrdctType prdctType) override;
  int readFloatWithPositions(AccessLabel label, std::vector<float>& values, std::vector<LatLon>& positions,
                             PrdctType prdctType) override;
  int reserved() override { return 0; }
  int dimensions(AccessLabel label, DimSize& dims, PrdctType prdctType) override;
  int attributeByName(const std::string& name, std::string& value) override;
  int attributeByIndex(int index, std::string& value) override;
  int attributeName(int index, std::string& name, int& valueSize) override;
  int close() override;
  int open() override;
  int attributeCount() override;
  int openForWriting(int mode = 2) override;
  int closeOutput() override;
  int createDataset(AccessLabel label, const DimSize& dims) override;
  int setAttributeByIndex(int index, const std::string& name, const std::string& value) override;
  int setAttributeByName(const std::string& name, const std::string& value) override;
  int dimensionsRank(AccessLabel label, DimSize& dims, int& rank) override;
  int createDatasetExtra(AccessLabel label, const DimSize& dims, int extra) override;
  int readDouble(AccessLabel label, int begin, int end, std::vector<double>& buffer) override;
  int writeDouble(AccessLabel label, int begin, int end, const std::vector<double>& buffer) override;
  int readFloat(AccessLabel label, int begin, int end, std::vector<float>& buffer) override;
  int writeFloat(AccessLabel label, int begin, int end, const std::vector<float>& buffer) override;
  int readInt(AccessLabel label, int begin, int end, std::vector<std::int32_t>& buffer) override;
  int writeInt(AccessLabel label, int begin, int end, const std::vector<std::int32_t>& buffer) override;
  int readByte(AccessLabel label, int begin, int end, std::vector<std::uint8_t>& buffer) override;
  int writeByte(AccessLabel label, int begin, int end, const std::vector<std::uint8_t>& buffer) override;
  int readScanTime(int begin, int end, std::vector<ScanTimeRecord>& records, const std::string& leapFile) override;
  int writeScanTime(int begin, int end, const std::vector<ScanTimeRecord>& records,
                    const std::string& leapFile) override;
  int readPositions(AccessLabel label, int begin, int end, std::vector<LatLon>& positions) override;
  int writePositions(AccessLabel label, int begin, int end, const std::vector<LatLon>& positions) override;
  int readScanQuality(int begin, int end, std::vector<std::uint8_t>& bytes) override;
  int writeScanQuality(int begin, int end, const std::vector<std::uint8_t>& bytes) override;
  int createDatasetDefault(AccessLabel label, const DimSize& dims) override;
  std::string path() const override { return path_; }

  ProductHandle handle() const { return handle_; }

 private:
  template <typename T>
  int readWithPositions(AccessLabel label, std::vector<T>& values, std::vector<LatLon>& positions, PrdctType prdctType,
                        int fallbackScans);

  ProductHandle handle_ = -1;  // -1: not open
  bool writing_ = false;       // opened by openForWriting: the writing slots are available
  std::string path_;
};

}  // namespace kivo::io
