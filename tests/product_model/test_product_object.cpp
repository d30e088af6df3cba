// The product object: registration and release, channel loading onto the value grid, gap
// filling and its worker.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "product_model/product_object.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace model = kivo::model;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

constexpr int k89AH = 20;  // channel 89.0GHz-A-H

struct Point {
  float lat, lon;
  unsigned short count;  // stored brightness temperature, 0.01 K
};

// Records the reports of the object (the worker calls from its own thread).
class Events : public model::ProductEvents {
 public:
  void meshData(int wParam, int lParam) override {
    std::lock_guard lock(mutex_);
    mesh_.push_back({wParam, lParam});
  }
  void showErrorMessage(int number) override { lastMessage = number; }
  std::vector<std::pair<int, int>> mesh() {
    std::lock_guard lock(mutex_);
    return mesh_;
  }
  std::atomic<int> lastMessage{0};

 private:
  std::mutex mutex_;
  std::vector<std::pair<int, int>> mesh_;
};

class ProductObject : public ::testing::Test {
 protected:
  // An AMSR2 Level 1B product whose 89 GHz A horizontal channel holds these points as one scan.
  std::string level1b(const std::string& name, const std::vector<Point>& points, const char* obsStart = "") {
    TinyProduct p(dir.file(name));
    p.head("AMSR2-L1B", 0, "GW1AM2_201207031905_234A_L1SGBTBR_2220220");
    for (const char* filler : {"NumberOfScans", "PlatformShortName", "SensorShortName", "StartOrbitNumber",
                               "StopOrbitNumber"}) {
      p.attr(filler, "x");
    }
    p.attr("ObservationStartDateTime", obsStart);
    p.attr("ObservationEndDateTime", "2012-07-03T19:54:25.500Z");
    std::vector<float> lat, lon;
    std::vector<unsigned short> counts;
    for (const Point& q : points) {
      lat.push_back(q.lat);
      lon.push_back(q.lon);
      counts.push_back(q.count);
    }
    const unsigned long long n = points.size();
    p.data("Latitude of Observation Point for 89A", Stored::F32, {1, n}, lat);
    p.data("Longitude of Observation Point for 89A", Stored::F32, {1, n}, lon);
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts, 0.01f);
    return p.close();
  }

  int open(model::ComPrdctMngmnt& object, const std::string& path) {
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    const int rc = object.ComOpenPrdctFile(path, slot, name, projection, known);
    return rc == 0 ? slot : rc - 100;
  }

  float cell(const float* grid, int row, int col) { return grid[model::cellIndex(row, col)]; }

  // Row 1500 (latitude 60.0) holds two gaps between filled cells, of 30 and of 31 cells;
  // row 1499 holds a point just below the corner of every cell from column 90 to 250.
  std::vector<Point> gapRows() {
    std::vector<Point> points;
    for (int c = 90; c <= 250; ++c) points.push_back({59.99f, static_cast<float>(-180.0 + 0.1 * c + 0.001), 100});
    for (int c : {100, 131, 200, 232}) points.push_back({60.05f, static_cast<float>(-180.0 + 0.1 * c + 0.05), 500});
    return points;
  }

  TempDir dir;
  Events events;
};

TEST_F(ProductObject, RegistrationReuseAndRelease) {
  model::ComPrdctMngmnt object({dir.file(""), &events, 0});
  const std::string path = level1b("a.h5", {{10, 20, 100}});
  const int slot = open(object, path);
  ASSERT_EQ(slot, 0);
  EXPECT_EQ(object.ComGetSlotCount(), 1);
  EXPECT_EQ(object.ComGetPrdctType(slot), kivo::io::PrdctType::Amsr2L1B);
  std::string text;
  EXPECT_EQ(object.ComGetPrdctName(slot, text), 0);
  EXPECT_EQ(text, "AMSR2 Level 1B");
  EXPECT_EQ(object.ComGetAttrCount(slot), 11);
  EXPECT_EQ(object.ComGetAttrName(slot, 0, text), 0);
  EXPECT_EQ(text, "ProductName");
  EXPECT_EQ(object.ComGetGranuleID(slot, text), 41);

  // A swath product has no known projection, so a second registration of the path reads
  // the file again into the same slot and adds a user.
  EXPECT_EQ(open(object, path), slot);
  EXPECT_EQ(open(object, level1b("b.h5", {{10, 20, 100}})), 1);
  EXPECT_EQ(object.ComGetSlotCount(), 2);

  // Users: two registrations plus one added reference.
  ASSERT_EQ(object.ComLoadChnl(slot, k89AH), 0);
  EXPECT_EQ(object.ComAddRef(slot), 0);
  EXPECT_EQ(object.ComClosePrdct(slot, false), 0);
  EXPECT_EQ(object.ComClosePrdct(slot, false), 0);
  EXPECT_EQ(object.ComGetSlotCount(), 2);
  EXPECT_EQ(object.ComGetPointCount(slot, k89AH), -1);  // the grid was cleared for reuse
  EXPECT_EQ(object.ComClosePrdct(slot, false), 0);
  EXPECT_EQ(object.ComGetSlotCount(), 1);
  EXPECT_EQ(object.ComGetAttrCount(slot), -1);
  EXPECT_EQ(open(object, path), 0);  // the first free slot again
  EXPECT_EQ(object.ComClosePrdct(1, true), 0);
  EXPECT_EQ(object.ComClosePrdct(1, true), 1);

  kivo::test::writeBytes(dir.file("notes.txt"), "not a product");
  EXPECT_EQ(open(object, dir.file("notes.txt")), -102);
  kivo::test::writeBytes(dir.file("broken.h5"), std::string("\x89HDF\r\n\x1a\n", 8) + std::string(100, 'x'));
  EXPECT_EQ(open(object, dir.file("broken.h5")), -102);
  EXPECT_EQ(open(object, ""), -101);
  EXPECT_EQ(object.ComGetSlotCount(), 1);
}

TEST_F(ProductObject, LoadingPlacesPointsOnTheGrid) {
  model::ComPrdctMngmnt object({dir.file(""), &events, 0});
  const int slot = open(object, level1b("grid.h5", {{90.0f, 180.0f, 1000},
                                                    {-90.05f, 0.0f, 2000},   // below the grid
                                                    {10.01f, 20.01f, 3000},
                                                    {10.09f, 20.09f, 4000},  // the same cell, later
                                                    {0.0f, 0.0f, 65535},
                                                    {-90.0f, -180.0f, 5000}},
                                         "2012-07-03T19:05:00.000Z"));
  ASSERT_EQ(slot, 0);
  EXPECT_EQ(object.ComLoadChnl(slot, k89AH), 0);
  EXPECT_EQ(object.ComLoadChnl(slot, k89AH), 0);  // already loaded
  ASSERT_EQ(object.ComGetPointCount(slot, k89AH), 5);
  std::int32_t lonLat[2];
  float value = 0;
  ASSERT_EQ(object.ComGetPoint(slot, 0, 0, lonLat, value, k89AH), 0);
  EXPECT_EQ(lonLat[0], 180000000);
  EXPECT_EQ(lonLat[1], 90000000);
  EXPECT_FLOAT_EQ(value, 10.0f);
  ASSERT_EQ(object.ComGetPoint(slot, 2, 0, lonLat, value, k89AH), 0);
  EXPECT_EQ(lonLat[1], 10090000);
  EXPECT_EQ(object.ComGetPoint(slot, 5, 0, lonLat, value, k89AH), 2);
  EXPECT_EQ(object.ComGetPoint(slot, 0, 1, lonLat, value, k89AH), 3);  // not meshed yet
  const float* grid = nullptr;
  EXPECT_EQ(object.ComGetGridValues(slot, grid, k89AH), 3);

  object.ComStartMesh();
  object.ComWaitMesh();
  ASSERT_EQ(object.ComGetGridValues(slot, grid, k89AH), 0);
  EXPECT_FLOAT_EQ(cell(grid, 1800, 3600), 10.0f);  // latitude 90, longitude 180
  EXPECT_FLOAT_EQ(cell(grid, 0, 0), 50.0f);
  EXPECT_FLOAT_EQ(cell(grid, 1000, 2000), 40.0f);  // the later of two values
  EXPECT_FLOAT_EQ(cell(grid, 900, 1800), 65535.0f);  // invalid codes are values too
  EXPECT_EQ(cell(grid, 1000, 2001), model::kEmptyValue);
  // Cell numbers count rows of 3600 cells.
  ASSERT_EQ(object.ComGetPoint(slot, 1000 * 3600 + 2000, 1, lonLat, value, k89AH), 0);
  EXPECT_EQ(lonLat[0], 20000000);
  EXPECT_EQ(lonLat[1], 10000000);
  EXPECT_FLOAT_EQ(value, 40.0f);
  EXPECT_EQ(object.ComGetPoint(slot, model::kCellNumbers, 1, lonLat, value, k89AH), 2);

  const model::ObsPoint* points = nullptr;
  int count = 0;
  EXPECT_EQ(object.ComGetPointArray(slot, points, count, k89AH), 0);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(object.ComGetPointArray(slot, points, count, 1), 1);
  EXPECT_EQ(events.lastMessage, model::kMsgNoPointArray);

  std::string date, time;
  ASSERT_EQ(object.ComGetObsDateTime(slot, date, time), 0);
  EXPECT_EQ(date, "2012-07-03");
  EXPECT_EQ(time, "19:05:00.000");
  ASSERT_EQ(object.ComGetObsEndDateTime(slot, date, time), 0);
  EXPECT_EQ(time, "19:54:25.500");
}

TEST_F(ProductObject, ScanTimesUseTheInstalledLeapTable) {
  TinyProduct p(dir.file("times.h5"));
  p.head("AMSR2-L1B", 0);
  p.data("Scan Time", Stored::F64, {2}, std::vector<double>{615254407.0, 615254408.0});
  model::ComPrdctMngmnt object({std::string(KIVO_BIN_DIR) + "/data/", &events, 0});
  const int slot = open(object, p.close());
  std::vector<kivo::io::ScanTimeRecord> times;
  ASSERT_EQ(object.ComGetScanTimes(slot, 1, 2, times), 2);
  EXPECT_EQ(kivo::io::formatObservationTime(times[0]), "2012-06-30T23:59:60.000Z");
  EXPECT_EQ(kivo::io::formatObservationTime(times[1]), "2012-07-01T00:00:00.000Z");
  EXPECT_EQ(std::getenv("AMSR2_LEAP_DATA"), nullptr);  // the environment is left untouched
  EXPECT_EQ(object.ComGetScanTimes(7, 1, 2, times), 1);
}

TEST_F(ProductObject, LoadFailuresLeaveNothingBehind) {
  model::ComPrdctMngmnt object({dir.file(""), &events, 0});
  const int slot = open(object, level1b("fail.h5", {{10, 20, 100}}));
  EXPECT_EQ(object.ComLoadChnl(100, k89AH), -1);
  EXPECT_EQ(object.ComLoadChnl(5, k89AH), -2);
  EXPECT_EQ(object.ComLoadChnl(slot, 100), -3);
  EXPECT_EQ(object.ComLoadChnl(slot, 1), -4);  // 6.9 GHz is not in the file
  EXPECT_EQ(object.ComGetPointCount(slot, 1), -1);
  EXPECT_EQ(object.ComLoadChnl(slot, k89AH), 0);
  EXPECT_EQ(object.ComLoadChnl(slot, 2), -4);
  EXPECT_EQ(object.ComGetPointCount(slot, k89AH), 1);

  // Locked grids survive a reset.
  EXPECT_EQ(object.ComLockGrid(slot, k89AH), 0);
  EXPECT_EQ(object.ComResetGrid(slot, k89AH), 2);
  EXPECT_EQ(object.ComUnlockGrid(slot, k89AH), 0);
  EXPECT_EQ(object.ComUnlockGrid(slot, k89AH), 0);  // never below zero
  EXPECT_EQ(object.ComResetGrid(slot, k89AH), 0);
  EXPECT_EQ(object.ComGetPointCount(slot, k89AH), -1);
  EXPECT_EQ(object.ComLoadChnl(slot, k89AH), 0);
}

TEST_F(ProductObject, GapsOfThirtyCellsAreFilledAndLongerOnesAreNot) {
  model::ComPrdctMngmnt object({dir.file(""), &events, 0});
  const int slot = open(object, level1b("gaps.h5", gapRows()));
  ASSERT_EQ(object.ComLoadChnl(slot, k89AH), 0);
  object.ComStartMesh();
  object.ComWaitMesh();
  const float* grid = nullptr;
  ASSERT_EQ(object.ComGetGridValues(slot, grid, k89AH), 0);
  for (int c = 101; c <= 130; ++c) EXPECT_FLOAT_EQ(cell(grid, 1500, c), 1.0f) << c;
  for (int c = 201; c <= 231; ++c) EXPECT_EQ(cell(grid, 1500, c), model::kEmptyValue) << c;
  EXPECT_EQ(cell(grid, 1500, 150), model::kEmptyValue);  // a run of 68
  EXPECT_FLOAT_EQ(cell(grid, 1500, 131), 5.0f);
  EXPECT_EQ(cell(grid, 1501, 110), model::kEmptyValue);

  // Progress: start, the slot, the end.
  const std::vector<std::pair<int, int>> expected = {{0, 1}, {0, 1}, {model::kMeshDone, 1}};
  EXPECT_EQ(events.mesh(), expected);
}

TEST_F(ProductObject, Level3GridsAreMarkedMeshedWithoutFilling) {
  // The same layout as a Level 3 grid whose cell positions come from the grid file.
  const std::vector<Point> points = gapRows();
  std::vector<float> records;
  std::vector<unsigned short> counts;
  for (const Point& q : points) {
    records.push_back(q.lat);
    records.push_back(q.lon);
    counts.push_back(q.count);
  }
  kivo::test::writeBytes(dir.file("geophysical_file"), "Brightness Temperature,0.01,K,EQR,EQR,EQR\n");
  kivo::test::writeBytes(dir.file("EQR_25km.dat"),
                         std::string(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(float)));
  TinyProduct p(dir.file("l3.h5"));
  p.attr("ProductName", "AMSR2-L3").attr("GeophysicalName", "Brightness Temperature");
  p.attr("GranuleID", "GW1AM2_20120703_01D_EQMA_L3SGT36LA2220220").attr("Projection", "EQR");
  p.data("Brightness Temperature (V)", Stored::U16, {1, counts.size()}, counts, 0.01f);
  p.data("Brightness Temperature (H)", Stored::U16, {1, counts.size()}, counts, 0.01f);
  const std::string path = p.close();

  model::ComPrdctMngmnt object({dir.file(""), &events, 0});
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  ASSERT_EQ(object.ComOpenPrdctFile(path, slot, name, projection, known), 0);
  EXPECT_TRUE(known);
  EXPECT_EQ(projection, 0);
  // With the projection known, a second registration answers without reading the file.
  std::filesystem::rename(path, path + ".moved");
  int again = -1;
  EXPECT_EQ(object.ComOpenPrdctFile(path, again, name, projection, known), 0);
  EXPECT_EQ(again, slot);
  EXPECT_EQ(name, "AMSR2 Level 3");
  std::filesystem::rename(path + ".moved", path);
  // Both polarisations: the second channel of a slot is filled or not by the slot's level
  // just as the first.
  ASSERT_EQ(object.ComLoadChnl(slot, 25), 0);
  ASSERT_EQ(object.ComLoadChnl(slot, 26), 0);
  EXPECT_EQ(object.ComGetPointCount(slot, 25), static_cast<int>(points.size()));
  object.ComStartMesh();
  object.ComWaitMesh();
  std::set<std::size_t> observed;
  for (const Point& q : points) {
    observed.insert(model::cellIndex(static_cast<int>(std::floor(q.lat * 10.0 + 900.0)),
                                     static_cast<int>(std::floor(q.lon * 10.0 + 1800.0))));
  }
  for (int chnl : {25, 26}) {
    SCOPED_TRACE(chnl);
    const float* grid = nullptr;
    ASSERT_EQ(object.ComGetGridValues(slot, grid, chnl), 0);
    EXPECT_EQ(cell(grid, 1500, 110), model::kEmptyValue);
    std::size_t filled = 0;
    for (std::size_t i = 0; i < model::kGridCells; ++i) filled += grid[i] != model::kEmptyValue ? 1 : 0;
    EXPECT_EQ(filled, observed.size());
  }

  // A grid file of another size than the grid cannot place its values.
  object.ComResetGrid(slot, 26);
  records.resize(records.size() - 2);
  kivo::test::writeBytes(dir.file("EQR_25km.dat"),
                         std::string(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(float)));
  EXPECT_EQ(object.ComLoadChnl(slot, 26), -4);
}

TEST_F(ProductObject, StoppingTheWorker) {
  {
    // Stopped during its start delay: nothing is filled and no end is reported.
    model::ComPrdctMngmnt object({dir.file(""), &events, 60000});
    const int slot = open(object, level1b("stop.h5", gapRows()));
    ASSERT_EQ(object.ComLoadChnl(slot, k89AH), 0);
    object.ComStartMesh();
    EXPECT_TRUE(object.ComMeshRunning());
    object.ComStopMesh();
    EXPECT_FALSE(object.ComMeshRunning());
    EXPECT_FALSE(object.ComIsMeshed(slot, k89AH));
    EXPECT_TRUE(events.mesh().empty());

    // A restart fills, and closing a slot while the worker runs pauses it safely.
    object.setMeshDelay(0);
    object.ComStartMesh();
    object.ComWaitMesh();
    EXPECT_TRUE(object.ComIsMeshed(slot, k89AH));
    object.setMeshDelay(60000);
    ASSERT_EQ(object.ComLoadChnl(slot, 19), -4);
    object.ComStartMesh();
    EXPECT_EQ(object.ComClosePrdct(slot, true), 0);
    EXPECT_EQ(object.ComGetSlotCount(), 0);
  }  // the destructor stops and joins the running worker
  const std::string big = std::string(KIVO_SAMPLE_DIR) + "/GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";
  if (!std::filesystem::exists(big)) GTEST_SKIP() << "no sample products";
  // Stopped while filling a full orbit, then started again: the grid is the one an
  // uninterrupted fill gives.
  model::ComPrdctMngmnt object({dir.file(""), &events, 0});
  const int slot = open(object, big);
  ASSERT_EQ(object.ComLoadChnl(slot, k89AH), 0);
  object.ComStartMesh();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  object.ComStopMesh();
  EXPECT_FALSE(object.ComIsMeshed(slot, k89AH));
  object.ComStartMesh();
  object.ComWaitMesh();
  model::ComPrdctMngmnt whole({dir.file(""), nullptr, 0});
  const int wholeSlot = open(whole, big);
  ASSERT_EQ(whole.ComLoadChnl(wholeSlot, k89AH), 0);
  whole.ComStartMesh();
  whole.ComWaitMesh();
  const float* restarted = nullptr;
  const float* uninterrupted = nullptr;
  ASSERT_EQ(object.ComGetGridValues(slot, restarted, k89AH), 0);
  ASSERT_EQ(whole.ComGetGridValues(wholeSlot, uninterrupted, k89AH), 0);
  EXPECT_EQ(std::memcmp(restarted, uninterrupted, model::kGridCells * sizeof(float)), 0);
}

// Every generated sample level, AMSR2 and HDF4, loads its main channel.
TEST_F(ProductObject, SampleProductsOfEveryLevel) {
  const std::string samples = KIVO_SAMPLE_DIR;
  if (!std::filesystem::exists(samples)) GTEST_SKIP() << "no sample products";
  model::ComPrdctMngmnt object({std::string(KIVO_BIN_DIR) + "/data/", &events, 0});
  struct Case {
    const char* file;
    int chnl;
  };
  const Case cases[] = {
      {"GW1AM2_201207031905_234A_L1SGCNAR_2220220.h5", 20},
      {"GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5", 1},
      {"GW1AM2_201207031905_234A_L1SGRTBR_2220220.h5", 27},
      {"GW1AM2_201207031905_234A_L2SGSSTLA2220220.h5", 67},
      {"GW1AM2_201207031905_234A_L2SGPRCHA2220220.h5", 70},
      {"GW1AM2_20120703_01D_EQMA_L3SGT36LA2220220.h5", 26},
      {"GW1AM2_20120700_01M_PNMA_L3SGSICLA2220220.h5", 0},
      {"GW1AM2_20120703_01D_PSMA_L3SGT36HA2220220.h5", 25},
      {"AMSR-E_L1A.00", 19},
      {"AMSR_L1B.00", 1},
      {"AMSR-E_L1M.00", 17},
      {"AMSR-E_L2_SST.00", 0},
      {"AMSR_L2Map_WV0_E0.00", 0},
      {"AMSR-E_L3_IC0_PN.00", 0},
      {"AMSR_L3_SST_E0.00", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const int slot = open(object, samples + "/" + c.file);
    ASSERT_GE(slot, 0);
    ASSERT_EQ(object.ComLoadChnl(slot, c.chnl), 0);
    EXPECT_GT(object.ComGetPointCount(slot, c.chnl), 10000);
    object.ComClosePrdct(slot, true);
  }
}

}  // namespace
