#pragma once

// Reader of AMSR and AMSR-E products stored as HDF4 files (scientific data sets addressed by
// reference number). Reading only: every writing operation returns -1.

#include <cstdint>

#include "product_io/readers/amsr_data.h"

namespace kivo::io {

class AMSR_E_data final : public AMSR_data {
 public:
  AMSR_E_data() = default;
  explicit AMSR_E_data(std::string path) : path_(std::move(path)) {}
  ~AMSR_E_data() override { close(); }
  AMSR_E_data(const AMSR_E_data&) = delete;
  AMSR_E_data& operator=(const AMSR_E_data&) = delete;

  // Reads nothing: HDF4 products are read as float values.
  int readIntWithPositions(AccessLabel, std::vector<std::int32_t>&, std::vector<LatLon>&, PrdctType) override { return 0; }
  int readFloatWithPositions(AccessLabel code, std::vector<float>& values, std::vector<LatLon>& positions,
                             PrdctType prdctType) override;
  int reserved() override { return 0; }
  int dimensions(AccessLabel code, DimSize& dims, PrdctType prdctType) override;
  int attributeByName(const std::string&, std::string&) override { return 1; }
  int attributeByIndex(int index, std::string& value) override;
  int attributeName(int index, std::string& name, int& valueSize) override;
  int close() override;
  int open() override;
  int attributeCount() override;
  int openForWriting(int = 2) override { return -1; }
  int closeOutput() override { return -1; }
  int createDataset(AccessLabel, const DimSize&) override { return -1; }
  int setAttributeByIndex(int, const std::string&, const std::string&) override { return -1; }
  int setAttributeByName(const std::string&, const std::string&) override { return -1; }
  int dimensionsRank(AccessLabel, DimSize&, int&) override { return -1; }
  int createDatasetExtra(AccessLabel, const DimSize&, int) override { return -1; }
  int readDouble(AccessLabel, int, int, std::vector<double>&) override { return -1; }
  int writeDouble(AccessLabel, int, int, const std::vector<double>&) override { return -1; }
  int readFloat(AccessLabel, int, int, std::vector<float>&) override { return -1; }
  int writeFloat(AccessLabel, int, int, const std::vector<float>&) override { return -1; }
  int readInt(AccessLabel, int, int, std::vector<std::int32_t>&) override { return -1; }
  int writeInt(AccessLabel, int, int, const std::vector<std::int32_t>&) override { return -1; }
  int readByte(AccessLabel, int, int, std::vector<std::uint8_t>&) override { return -1; }
  int writeByte(AccessLabel, int, int, const std::vector<std::uint8_t>&) override { return -1; }
  int readScanTime(int, int, std::vector<ScanTimeRecord>&, const std::string&) override { return -1; }
  int writeScanTime(int, int, const std::vector<ScanTimeRecord>&, const std::string&) override { return -1; }
  int readPositions(AccessLabel, int, int, std::vector<LatLon>&) override { return -1; }
  int writePositions(AccessLabel, int, int, const std::vector<LatLon>&) override { return -1; }
  int readScanQuality(int, int, std::vector<std::uint8_t>&) override { return -1; }
  int writeScanQuality(int, int, const std::vector<std::uint8_t>&) override { return -1; }
  int createDatasetDefault(AccessLabel, const DimSize&) override { return -1; }
  std::string path() const override { return {}; }

  // A root attribute found by name (for "Local Granule ID"); 0 or -1.
  int findAttribute(const std::string& name, std::string& value);
  const std::string& filePath() const { return path_; }

 private:
  std::int32_t fileId_ = -1;  // V interface; -1 when closed
  std::int32_t sdId_ = -1;    // SD interface; -1 when closed
  std::string path_;
};

// Positions of the cells of an HDF4 polar stereographic Level 3 grid (north or south) of
// rows x cols, row-major; cells the look-up table cannot place get -9999.
void hdf4PolarGridPositions(bool north, int rows, int cols, std::vector<LatLon>& positions);

}  // namespace kivo::io
