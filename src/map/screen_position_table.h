#pragma once

// The geographic position under every screen pixel of a view, for the mouse read-out and
// the selection: filled by sampling on a worker thread after each redraw.

#include <atomic>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "map/projections.h"

namespace kivo::map {

// Geographic position under every screen pixel, filled by a worker after each redraw.
class ScreenPositionTable {
 public:
  static constexpr std::int32_t kEmpty = std::numeric_limits<std::int32_t>::min();
  ScreenPositionTable() = default;
  ~ScreenPositionTable() { stop(); }
  ScreenPositionTable(const ScreenPositionTable&) = delete;
  ScreenPositionTable& operator=(const ScreenPositionTable&) = delete;

  // Starts refilling for a view over a drawing area of areaW x areaH pixels on a display
  // of displayW x displayH pixels (a running fill is stopped first). `hdfOutputMode` makes
  // the polar views project with show-all and without normalisation.
  void start(const ViewParams& view, int areaW, int areaH, int displayW, int displayH, bool hdfOutputMode = false);
  void stop();
  // Waits for a running fill to complete and publishes it.
  void wait();
  // Fills synchronously on the calling thread (for tools and benchmarks).
  void fillNow(const ViewParams& view, int areaW, int areaH, int displayW, int displayH, bool hdfOutputMode = false);
  // Position under screen offset (x, y); false while no complete table is available or the
  // pixel shows no map.
  bool lookup(int x, int y, GeoPoint& position);
  bool ready();

 private:
  struct Table {
    int displayW = 0, displayH = 0;
    std::vector<GeoPoint> entries;
  };
  static void reset(Table& table, int displayW, int displayH);  // every entry empty
  static void fill(const ViewParams& view, int areaW, int areaH, bool hdfOutputMode, const std::atomic<bool>& stop,
                   Table& table);
  void adopt();

  Table table_;    // the published table (user-interface thread only)
  Table pending_;  // filled by the worker until it reports completion
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  bool havePublished_ = false;
};

}  // namespace kivo::map
