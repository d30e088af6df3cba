#pragma once

// The product object: every opened product file in one of 100 slots with its root
// attributes and, per loaded channel, its observation points and a 0.1-degree global value
// grid whose small gaps a worker thread fills in the background.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "product_io/readers/amsr_data.h"
#include "product_model/catalogue.h"
#include "product_model/large_buffer.h"
#include "product_model/value_grid.h"

namespace kivo::model {

using catalogue::AccessLabel;
using io::PrdctType;

// One accepted observation: position in microdegrees (truncated) and value.
struct ObsPoint {
  std::int32_t lon;
  std::int32_t lat;
  float value;
};
static_assert(sizeof(ObsPoint) == 12);

struct HdfOutputArea;  // product_model/product_output.h

inline constexpr int kSlotCount = 100;
inline constexpr int kMeshDone = 0xFFFF;
// Message number shown when a point list cannot be handed out.
inline constexpr int kMsgNoPointArray = 26;

// Reports of the product object. The worker thread calls meshData; an implementation that
// drives a user interface queues the report and never waits for it.
class ProductEvents {
 public:
  virtual ~ProductEvents() = default;
  // "KIVO_MESH_DATA": wParam 0 at the start, the slot number before each slot, kMeshDone at
  // the end; lParam the number of slots in use.
  virtual void meshData(int wParam, int lParam) = 0;
  // "KIVO_SHOW_ERR_MSG" with a message number.
  virtual void showErrorMessage(int messageNumber) = 0;
};

// The value grid of one loaded channel. A worker that reads it holds it shared, so that it
// stays alive and unchanged while the worker runs, even when its slot is reset or closed.
struct ChannelGrid {
  LargeVector<float> values;          // kGridCells cells, column by column
  std::atomic<bool> meshed{false};    // gap filling is complete: the values no longer change
  std::atomic<bool> released{false};  // its slot let go of it before it was filled: it never will be
};

struct ProductObjectSettings {
  std::string dataDirectory;  // folder of the installation's support files, with '/'
  ProductEvents* events = nullptr;
  int meshDelayMs = 2000;  // wait before the gap filling starts
};

class ComPrdctMngmnt {
 public:
  explicit ComPrdctMngmnt(ProductObjectSettings settings = {});
  ~ComPrdctMngmnt();
  ComPrdctMngmnt(const ComPrdctMngmnt&) = delete;
  ComPrdctMngmnt& operator=(const ComPrdctMngmnt&) = delete;

  // Registers a file (or finds the slot already holding it): 0; -1 missing path, -2 not a
  // product or its attributes unreadable, -3 no reader, -4 every slot in use.
  int ComOpenPrdctFile(const std::string& path, int& slot, std::string& displayName, int& projection,
                       bool& projectionKnown);
  // Removes one user; frees the slot when none remains or `force` is set.
  int ComClosePrdct(int slot, bool force);
  // Loads a channel: 0; -1 slot >= 100, -2 free slot, -3 channel >= 100, -4 the reader failed,
  // -5 out of memory, -6 nothing could be read.
  int ComLoadChnl(int slot, int chnl);

  // Mode 0: observation point `index`; mode 1: grid cell number `index` (0, 2 out of range,
  // 3 not meshed yet). lonLat receives longitude and latitude in microdegrees.
  int ComGetPoint(int slot, int index, int mode, std::int32_t lonLat[2], float& value, int chnl) const;
  int ComGetPointArray(int slot, const ObsPoint*& points, int& count, int chnl) const;
  // The value grid (column-major, kGridCells values), only once it is meshed.
  int ComGetGridValues(int slot, const float*& grid, int chnl) const;
  int ComGetPointCount(int slot, int chnl) const;  // -1 for no such channel
  bool ComIsMeshed(int slot, int chnl) const;
  // The grid of a loaded channel for a worker to hold (user-interface thread); null when the
  // channel is not loaded.
  std::shared_ptr<const ChannelGrid> ComShareGrid(int slot, int chnl) const;

  int ComGetFilePath(int slot, std::string& path) const;
  int ComGetAttrCount(int slot) const;  // -1 for a bad slot
  int ComGetAttrValue(int slot, int index, std::string& value) const;
  int ComGetAttrName(int slot, int index, std::string& name) const;
  PrdctType ComGetPrdctType(int slot) const;  // PrdctType::None for a bad slot
  int ComGetSlotCount() const { return slotCount_; }

  int ComAddRef(int slot);
  int ComLockGrid(int slot, int chnl);
  int ComUnlockGrid(int slot, int chnl);
  int ComResetGrid(int slot, int chnl);  // 2 when the grid is locked

  // Observation start and end as date and time texts.
  int ComGetObsDateTime(int slot, std::string& date, std::string& time) const;
  int ComGetObsEndDateTime(int slot, std::string& date, std::string& time) const;

  // Scan times of the slot's product (scan range as for the reads), converted with the
  // installation's leap-second table (a non-empty AMSR2_LEAP_DATA names another one); the
  // result is the record count or a negative code.
  int ComGetScanTimes(int slot, int begin, int end, std::vector<io::ScanTimeRecord>& records);

  // Catalogue queries on a slot.
  int ComGetPrdctName(int slot, std::string& name) const;
  bool ComIsLevel2(int slot) const;
  bool ComIsLevel3(int slot) const;
  bool ComIsAmsr2Level3(int slot) const;
  int ComGetChnlMask(int slot, catalogue::ChannelMask& mask) const;
  int ComGetTitle(int slot, int chnl, std::string& text, bool withUnit) const;
  int ComGetMetaValue(int slot, const std::string& name, std::string& value) const;  // length, -1 bad slot
  int ComGetGranuleID(int slot, std::string& value) const;
  int ComGetObsStartTime(int slot, std::string& value) const;
  int ComGetObsEndTime(int slot, std::string& value) const;
  char ComGetResMark(int slot) const;
  int ComGetValueRange(int slot, catalogue::ValueRange& range) const;

  // Saves every scan of the slot's AMSR2 Level 1B, 1R or 2 product that has an observation in
  // the area as a new product at `path` (written beside it under a temporary name and renamed
  // when complete): 0; -1 a bad slot, another product type or a failed step; -2 no scan lies
  // in the area (no file is written).
  int ComOutputHdf(int slot, const std::string& path, const HdfOutputArea& area);

  // Gap filling: starts the worker (stopping a running one first); it waits the start delay,
  // then fills every loaded grid that is not meshed yet.
  void ComStartMesh();
  void ComStopMesh();   // asks the worker to stop and waits for it
  void ComWaitMesh();   // waits until the worker has finished
  bool ComMeshRunning() const;
  void setMeshDelay(int ms) { settings_.meshDelayMs = ms; }

  // The directory of the installation's support files.
  const std::string& dataDirectory() const { return settings_.dataDirectory; }

 private:
  struct GridRecord;
  struct CellIndex;
  struct Job;
  struct ChannelRead;

  GridRecord* first(int slot) const;
  GridRecord* record(int slot, int chnl) const;
  void freeSlot(int slot);
  void resetRecord(GridRecord& r);
  int readAttributes(GridRecord& r);
  // The steps of loading a channel.
  int readChannel(GridRecord& f, AccessLabel label, ChannelRead& read);
  static int acceptPoints(const ChannelRead& read, GridRecord& r);
  // Gap filling: the grid and the cell index are made from the points by the worker.
  static void writeGrid(GridRecord& r);
  static void indexCells(GridRecord& r);
  void startWorker(int delayMs);
  void stopWorker();
  void meshWorker(std::vector<Job> jobs, int slotCount, int delayMs);
  bool fillGaps(GridRecord& r);
  bool interpolate(GridRecord& r, int row, int col, float lat, float lon);
  int obsDateTime(int slot, bool end, std::string& date, std::string& time) const;

  // Stops a running worker for the lifetime of the guard and starts it again afterwards,
  // so the user-interface thread can change records the worker may be filling.
  class WorkerPause {
   public:
    explicit WorkerPause(ComPrdctMngmnt& owner);
    ~WorkerPause();
    WorkerPause(const WorkerPause&) = delete;
    WorkerPause& operator=(const WorkerPause&) = delete;

   private:
    ComPrdctMngmnt& owner_;
    bool wasRunning_;
  };

  ProductObjectSettings settings_;
  std::array<std::unique_ptr<GridRecord>, kSlotCount> slots_;
  int slotCount_ = 0;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> workerDone_{true};
};

}  // namespace kivo::model
