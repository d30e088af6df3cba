#include "map/screen_position_table.h"

#include <utility>

namespace kivo::map {

void ScreenPositionTable::fill(const ViewParams& v, int areaW, int areaH, bool hdfOutputMode,
                               const std::atomic<bool>& stop, Table& table) {
  const int w = areaW / 2;
  const int h = areaH / 2;
  const int halfW = table.displayW / 2;
  const int halfH = table.displayH / 2;
  const bool polar = projectionInfo(v.projection).polar;
  const std::int32_t t = polar ? truncInt(300000.0 / v.s) : truncInt(500000.0 / v.s);
  const std::int32_t stepSample = t > 0 ? t : 1;
  const bool showAll = polar && hdfOutputMode;
  const bool normalise = !(polar && hdfOutputMode);
  const auto project = [&](std::int32_t lon, std::int32_t lat, int& x, int& y) {
    if (v.projection == kProjMercator && (lat < -84999999 || lat > 84999999)) return false;
    return projectForView(v, lon, lat, x, y, showAll, normalise, false) == kProjOk;
  };
  const auto store = [&](int x, int y, std::int32_t lon, std::int32_t lat) {
    const int ix = x + halfW;
    const int iy = y + halfH;
    if (ix < 0 || iy < 0 || ix > table.displayW || iy > table.displayH) return;
    table.entries[static_cast<std::size_t>(iy) * static_cast<std::size_t>(table.displayW + 1) +
                  static_cast<std::size_t>(ix)] = GeoPoint{lon, lat};
  };
  for (std::int32_t latC = -90000000; latC <= 90000000; latC += 100000) {
    for (std::int32_t lonC = -180000000; lonC <= 180000000; lonC += 100000) {
      if (stop.load(std::memory_order_relaxed)) return;
      int x = 0, y = 0;
      if (!project(lonC, latC, x, y) || x < -w || x > w || y < -h || y > h) continue;
      for (std::int32_t lat = latC; lat <= latC + 100000; lat += stepSample) {
        for (std::int32_t lon = lonC; lon <= lonC + 100000; lon += stepSample) {
          int sx = 0, sy = 0;
          if (project(lon, lat, sx, sy) && sx >= -w && sx <= w && sy >= -h && sy <= h) store(sx, sy, lon, lat);
        }
      }
    }
  }
}

void ScreenPositionTable::reset(Table& table, int displayW, int displayH) {
  table.displayW = displayW;
  table.displayH = displayH;
  table.entries.assign(static_cast<std::size_t>(displayW + 1) * static_cast<std::size_t>(displayH + 1),
                       GeoPoint{kEmpty, kEmpty});
}

void ScreenPositionTable::start(const ViewParams& view, int areaW, int areaH, int displayW, int displayH,
                                bool hdfOutputMode) {
  stop();
  reset(pending_, displayW, displayH);
  stop_.store(false, std::memory_order_release);
  done_.store(false, std::memory_order_release);
  worker_ = std::thread([this, view, areaW, areaH, hdfOutputMode] {
    fill(view, areaW, areaH, hdfOutputMode, stop_, pending_);
    // Only a complete table is handed over.
    if (!stop_.load(std::memory_order_acquire)) done_.store(true, std::memory_order_release);
  });
}

void ScreenPositionTable::stop() {
  if (worker_.joinable()) {
    stop_.store(true, std::memory_order_release);
    worker_.join();
  }
  adopt();
}

void ScreenPositionTable::wait() {
  if (worker_.joinable()) worker_.join();
  adopt();
}

void ScreenPositionTable::adopt() {
  if (done_.load(std::memory_order_acquire)) {
    if (worker_.joinable()) worker_.join();
    std::swap(table_, pending_);
    havePublished_ = true;
    done_.store(false, std::memory_order_release);
  }
}

void ScreenPositionTable::fillNow(const ViewParams& view, int areaW, int areaH, int displayW, int displayH,
                                  bool hdfOutputMode) {
  stop();
  reset(table_, displayW, displayH);
  const std::atomic<bool> never{false};
  fill(view, areaW, areaH, hdfOutputMode, never, table_);
  havePublished_ = true;
}

bool ScreenPositionTable::ready() {
  adopt();
  return havePublished_;
}

bool ScreenPositionTable::lookup(int x, int y, GeoPoint& position) {
  adopt();
  if (!havePublished_) return false;
  const int ix = x + table_.displayW / 2;
  const int iy = y + table_.displayH / 2;
  if (ix < 0 || iy < 0 || ix > table_.displayW || iy > table_.displayH) return false;
  position = table_.entries[static_cast<std::size_t>(iy) * static_cast<std::size_t>(table_.displayW + 1) +
                            static_cast<std::size_t>(ix)];
  return position.x != kEmpty;
}

}  // namespace kivo::map
