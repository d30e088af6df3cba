#include <algorithm>
#include <chrono>
#include <cmath>

#include "product_io/allocation.h"
#include "product_io/angles.h"
#include "product_model/product_object.h"
#include "product_model/product_object_internal.h"

// Gap filling: a worker writes the points of every loaded channel into its grid, fills the
// short gaps with the nearest observation, then marks the grid meshed.

namespace kivo::model {
namespace {

constexpr int kMaxGapRun = 30;
constexpr int kNearestCount = 9;

}  // namespace

ComPrdctMngmnt::WorkerPause::WorkerPause(ComPrdctMngmnt& owner) : owner_(owner), wasRunning_(owner.ComMeshRunning()) {
  if (wasRunning_) owner_.stopWorker();
}

ComPrdctMngmnt::WorkerPause::~WorkerPause() {
  // The records not meshed yet are taken up again at once.
  if (wasRunning_) owner_.startWorker(0);
}

bool ComPrdctMngmnt::ComMeshRunning() const { return worker_.joinable() && !workerDone_.load(std::memory_order_acquire); }

void ComPrdctMngmnt::stopWorker() {
  if (!worker_.joinable()) return;
  stop_.store(true, std::memory_order_release);
  worker_.join();
  stop_.store(false, std::memory_order_release);
}

void ComPrdctMngmnt::ComStopMesh() { stopWorker(); }

void ComPrdctMngmnt::ComWaitMesh() {
  if (worker_.joinable()) worker_.join();
}

void ComPrdctMngmnt::ComStartMesh() {
  stopWorker();
  startWorker(settings_.meshDelayMs);
}

void ComPrdctMngmnt::startWorker(int delayMs) {
  if (worker_.joinable()) worker_.join();
  // The worker gets the records to fill when it starts; records the user-interface thread
  // loads later wait for the next start.
  std::vector<Job> jobs;
  for (int s = 0; s < kSlotCount; ++s) {
    GridRecord* f = first(s);
    if (f == nullptr) continue;
    Job job{s, io::isLevel3(f->type), {}};
    for (GridRecord* r = f; r != nullptr; r = r->next.get()) {
      if (r->loaded && !r->grid->meshed.load(std::memory_order_acquire)) job.records.push_back(r);
    }
    jobs.push_back(std::move(job));
  }
  stop_.store(false, std::memory_order_release);
  workerDone_.store(false, std::memory_order_release);
  worker_ = std::thread(&ComPrdctMngmnt::meshWorker, this, std::move(jobs), slotCount_, delayMs);
}

void ComPrdctMngmnt::meshWorker(std::vector<Job> jobs, int slotCount, int delayMs) {
  const auto stopped = [this] { return stop_.load(std::memory_order_acquire); };
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs > 0 ? delayMs : 0);
  while (std::chrono::steady_clock::now() < until) {
    if (stopped()) {
      workerDone_.store(true, std::memory_order_release);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ProductEvents* events = settings_.events;
  if (events != nullptr) events->meshData(0, slotCount);
  for (const Job& job : jobs) {
    if (stopped()) break;
    if (events != nullptr) events->meshData(job.slot, slotCount);
    for (GridRecord* r : job.records) {
      // Written afresh on every start, so a fill that was stopped half-way starts over.
      writeGrid(*r);
      // Level 3 grids hold their cells as they are; every record of the slot shares its level.
      if (!job.level3) {
        if (r->cells.colStart.empty()) indexCells(*r);
        if (!fillGaps(*r)) break;
      }
      r->cells.clear();
      LargeVector<std::uint32_t>().swap(r->pointCells);
      r->grid->meshed.store(true, std::memory_order_release);
    }
  }
  if (!stopped() && events != nullptr) events->meshData(kMeshDone, slotCount);
  workerDone_.store(true, std::memory_order_release);
}

// Sets every cell empty, then writes the points in read order: the latest point of a cell
// gives its value. The load reserved the grid's storage, so this allocates nothing.
void ComPrdctMngmnt::writeGrid(GridRecord& r) {
  LargeVector<float>& grid = r.grid->values;
  grid.assign(kGridCells, kEmptyValue);
  const std::size_t n = std::min(r.pointCells.size(), r.points.size());
  for (std::size_t e = 0; e < n; ++e) grid[r.pointCells[e]] = r.points[e].value;
}

// Groups the points by cell for the neighbour search: per column sorted by row, and within a
// cell latest first. Two stable counting passes (by row, taking the points latest first, then
// by column) give that order directly. Without memory for it the index stays empty and the
// gaps stay unfilled.
void ComPrdctMngmnt::indexCells(GridRecord& r) {
  const LargeVector<std::uint32_t>& cells = r.pointCells;
  const std::size_t n = std::min(cells.size(), r.points.size());
  CellIndex& ci = r.cells;
  const auto rowOf = [](std::uint32_t cell) { return cell % static_cast<std::uint32_t>(kGridRows); };
  const auto colOf = [](std::uint32_t cell) { return cell / static_cast<std::uint32_t>(kGridRows); };
  const bool allocated = tryAllocate([&] {
    std::vector<std::uint32_t> byRow(n);
    {
      std::vector<std::uint32_t> next(kGridRows + 1, 0);
      for (std::size_t e = 0; e < n; ++e) ++next[rowOf(cells[e]) + 1];
      for (int i = 0; i < kGridRows; ++i) next[static_cast<std::size_t>(i) + 1] += next[static_cast<std::size_t>(i)];
      for (std::size_t e = n; e-- > 0;) byRow[next[rowOf(cells[e])]++] = static_cast<std::uint32_t>(e);
    }
    ci.colStart.assign(kGridCols + 1, 0);
    for (std::size_t e = 0; e < n; ++e) ++ci.colStart[colOf(cells[e]) + 1];
    for (int i = 0; i < kGridCols; ++i) ci.colStart[static_cast<std::size_t>(i) + 1] += ci.colStart[static_cast<std::size_t>(i)];
    ci.order.resize(n);
    {
      std::vector<std::uint32_t> next(ci.colStart.begin(), ci.colStart.end() - 1);
      for (const std::uint32_t e : byRow) ci.order[next[colOf(cells[e])]++] = e;
    }
    ci.rows.resize(n);
    ci.lonDeg.resize(n);
    ci.cosLat.resize(n);
    ci.sinLat.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint32_t e = ci.order[k];
      ci.rows[k] = static_cast<std::uint16_t>(rowOf(cells[e]));
      const ObsPoint& p = r.points[e];
      const float lat = static_cast<float>(p.lat * 1e-6) * angles::kDegToRadF;
      ci.lonDeg[k] = static_cast<float>(p.lon * 1e-6);
      ci.cosLat[k] = std::cos(lat);
      ci.sinLat[k] = std::sin(lat);
    }
  });
  if (!allocated) ci.clear();
}

bool ComPrdctMngmnt::fillGaps(GridRecord& r) {
  const LargeVector<float>& grid = r.grid->values;
  for (int row = 0; row < kGridRows; ++row) {
    const float lat = static_cast<float>(-90.0 + 0.1 * row);
    int run = 0;
    bool afterFilled = false;
    for (int w = -20; w <= 3620; ++w) {
      if (stop_.load(std::memory_order_relaxed)) return false;
      const int col = w < 0 ? w + 3601 : (w >= 3600 ? w - 3600 : w);
      const bool empty = grid[cellIndex(row, col)] == kEmptyValue;
      if (empty) {
        if (afterFilled && ++run > kMaxGapRun) {
          run = 0;
          afterFilled = false;
        }
        continue;
      }
      if (afterFilled && run >= 1) {
        for (int k = w - run; k < w; ++k) {
          const double lon = -180.0 + 0.1 * k;
          if (lon < -180.0 || lon > 180.0) continue;
          const int c = k < 0 ? k + 3601 : (k >= 3600 ? k - 3600 : k);
          if (!interpolate(r, row, c, lat, static_cast<float>(lon))) return false;
        }
      }
      afterFilled = true;
      run = 0;
    }
  }
  return true;
}

// Writes the value of the nearest observation into the cell (row, col) at (lat, lon).
bool ComPrdctMngmnt::interpolate(GridRecord& r, int row, int col, float lat, float lon) {
  struct Near {
    float distance;
    std::uint32_t index;
  };
  Near nearest[kNearestCount];
  int found = 0;
  const bool high = std::fabs(lat) >= 56.0f;
  const int window = high ? 5 : 2;
  const float limit = high ? 0.015625f : 0.0015625f;
  // Cosines below this give angles far beyond the limit (0.028 and 0.0028 rad): no arc
  // cosine is needed to refuse them.
  const float farBelow = high ? 0.9996f : 0.999996f;
  const int centreRow = row - 900;
  const int centreCol = col - 1800;
  const float latRad = lat * angles::kDegToRadF;
  const float sinLat = std::sin(latRad);
  const float cosLat = std::cos(latRad);
  for (int dr = -window; dr <= window; ++dr) {
    for (int dc = -window; dc <= window; ++dc) {
      int rr = centreRow + dr;
      int cc = centreCol + dc;
      if (cc > 1800) cc -= 3600;
      if (cc < -1800) cc += 3600;
      // Beyond a pole the window continues on the other side of it.
      if (rr > 900) {
        rr = 1800 - rr;
        cc = -cc;
      } else if (rr < -900) {
        rr = -1800 - rr;
        cc = -cc;
      }
      std::size_t b = 0, e = 0;
      r.cells.cell(rr + 900, cc + 1800, b, e);
      for (std::size_t k = b; k < e; ++k) {
        if (stop_.load(std::memory_order_relaxed)) return false;
        const float dLon = (r.cells.lonDeg[k] - lon) * angles::kDegToRadF;
        // Rounding may push the cosine just past 1; the angle is then 0, not undefined.
        const float c = std::clamp(std::cos(dLon) * r.cells.cosLat[k] * cosLat + r.cells.sinLat[k] * sinLat, -1.0f, 1.0f);
        if (c < farBelow) continue;
        const std::uint32_t index = r.cells.order[k];
        const float d = std::acos(c);
        if (!(d < limit)) continue;
        int at = found;
        while (at > 0 && d < nearest[at - 1].distance) --at;
        if (at >= kNearestCount) continue;
        for (int m = std::min(found, kNearestCount - 1); m > at; --m) nearest[m] = nearest[m - 1];
        nearest[at] = Near{d, index};
        if (found < kNearestCount) ++found;
      }
    }
  }
  LargeVector<float>& grid = r.grid->values;
  const float value = found > 0 ? r.points[nearest[0].index].value : grid[cellIndex(row, col)];
  if (value == kEmptyValue) return true;
  if (stop_.load(std::memory_order_relaxed)) return false;
  grid[cellIndex(row, col)] = value;
  return true;
}

}  // namespace kivo::model
