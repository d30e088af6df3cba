#include "map/display_manager.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "product_io/allocation.h"

namespace kivo::map {
namespace {

using colour::Colour;

constexpr std::uint32_t kRedDrawn = 0x20000000u;
constexpr std::uint32_t kGreenDrawn = 0x40000000u;
constexpr std::uint32_t kBlueDrawn = 0x80000000u;

}  // namespace

ComPrdctDspMngmnt::~ComPrdctDspMngmnt() { stopGridCopy(); }

int ComPrdctDspMngmnt::ComSetDspPrdct(const ChannelSlots& slots, const ChannelChoice& channels,
                                      colour::ComClrTblMng* table,
                                      const std::array<const model::ComPrdctMngmnt*, 3>& objects) {
  if (table == nullptr || objects[0] == nullptr) return 1;
  if (channels.composite && (objects[1] == nullptr || objects[2] == nullptr)) return 1;
  const int needed = channels.composite ? 3 : 1;
  for (int c = 0; c < needed; ++c) {
    const std::size_t n = slots[static_cast<std::size_t>(c)].size();
    if (n == 0 || n > static_cast<std::size_t>(kMaxFiles) || n != slots[0].size()) return 1;
  }
  stopGridCopy();
  table_ = table;
  objects_ = objects;
  slots_ = ChannelSlots{};
  for (int c = 0; c < needed; ++c) slots_[static_cast<std::size_t>(c)] = slots[static_cast<std::size_t>(c)];
  channels_ = channels;
  // A new product starts without display grids, so no cell of an earlier product stays; the
  // first grid copy makes them (a view that never magnifies never needs them).
  for (model::LargeVector<float>& grid : grids_) model::LargeVector<float>().swap(grid);
  copied_.store(false, std::memory_order_release);
  std::vector<colour::ChannelSource> sources;
  for (int c = 0; c < needed; ++c) {
    const auto i = static_cast<std::size_t>(c);
    sources.push_back(colour::ChannelSource{objects[i], slots_[i], channels.chnl[c]});
  }
  statistics_.ComInitClrTbl(*table, sources);
  initialised_ = true;
  return 0;
}

void ComPrdctDspMngmnt::ComStartGridCopy() {
  stopGridCopy();
  if (!initialised_) return;
  const int needed = channels_.composite ? 3 : 1;
  // The display grids' storage, reserved here and set empty by the worker (once per product:
  // a restarted copy writes over what an earlier one copied). Without memory for them the
  // view stays in point mode.
  for (int c = 0; c < needed; ++c) {
    model::LargeVector<float>& grid = grids_[static_cast<std::size_t>(c)];
    if (!tryAllocate([&] { grid.reserve(model::kGridCells); })) {
      for (model::LargeVector<float>& g : grids_) model::LargeVector<float>().swap(g);
      return;
    }
  }
  // The worker copies from the grids as they are now: held shared, they stay alive and
  // unchanged while it runs, whatever the product objects do with their records meanwhile.
  std::vector<CopySource> sources(slots_[0].size());
  for (std::size_t f = 0; f < slots_[0].size(); ++f) {
    for (int c = 0; c < needed; ++c) {
      const auto i = static_cast<std::size_t>(c);
      sources[f][i] = objects_[i]->ComShareGrid(slots_[i][f], channels_.chnl[c]);
    }
  }
  stop_.store(false, std::memory_order_release);
  copier_ = std::thread(&ComPrdctDspMngmnt::copyWorker, this, std::move(sources), needed);
}

void ComPrdctDspMngmnt::stopGridCopy() {
  if (!copier_.joinable()) return;
  stop_.store(true, std::memory_order_release);
  copier_.join();
}

void ComPrdctDspMngmnt::waitGridCopy() {
  if (copier_.joinable()) copier_.join();
}

void ComPrdctDspMngmnt::copyWorker(std::vector<CopySource> sources, int needed) {
  const auto stopped = [this] { return stop_.load(std::memory_order_acquire); };
  const auto finished = [this] {
    copied_.store(true, std::memory_order_release);
    if (events_ != nullptr) events_->meshData(kGridCopyDone, 1);
  };
  // Readers look at the grids only once the copy is finished; the storage is reserved, so
  // this allocates nothing and the grids stay where they are.
  for (int c = 0; c < needed; ++c) {
    model::LargeVector<float>& grid = grids_[static_cast<std::size_t>(c)];
    if (grid.size() != model::kGridCells) grid.assign(model::kGridCells, model::kEmptyValue);
  }
  // Wait for the gap filling of every file's channel; a grid that is missing or that its
  // slot let go of will never be filled.
  for (int c = 0; c < needed; ++c) {
    for (const CopySource& source : sources) {
      const model::ChannelGrid* grid = source[static_cast<std::size_t>(c)].get();
      while (grid != nullptr && !grid->meshed.load(std::memory_order_acquire)) {
        if (stopped()) return;
        if (grid->released.load(std::memory_order_acquire)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
  }
  if (events_ != nullptr) events_->meshData(kGridCopyStarted, 1);
  for (const CopySource& source : sources) {
    if (stopped()) return;
    for (int c = 0; c < needed; ++c) {
      const model::ChannelGrid* grid = source[static_cast<std::size_t>(c)].get();
      if (grid == nullptr || !grid->meshed.load(std::memory_order_acquire)) {
        // A missing grid ends the copy; what was copied stays.
        finished();
        return;
      }
      const float* from = grid->values.data();
      float* target = grids_[static_cast<std::size_t>(c)].data();
      for (std::size_t i = 0; i < model::kGridCells; ++i) {
        if (from[i] != model::kEmptyValue) target[i] = from[i];
      }
    }
  }
  // Readers use the display grids only from here on.
  finished();
}

float ComPrdctDspMngmnt::ComGetGridValue(int c, int col, int row) const {
  if (c < 0 || c > 2 || col < 0 || col >= model::kGridCols || row < 0 || row >= model::kGridRows) return model::kEmptyValue;
  const auto& grid = grids_[static_cast<std::size_t>(c)];
  if (!copied_.load(std::memory_order_acquire) || grid.empty()) return model::kEmptyValue;
  return grid[model::cellIndex(row, col)];
}

bool ComPrdctDspMngmnt::isLevel3() const {
  return !slots_[0].empty() && objects_[0] != nullptr && objects_[0]->ComIsLevel3(slots_[0][0]);
}

int ComPrdctDspMngmnt::ComDrawPrdct(draw::Surface& surface, const ViewParams& view) { return draw(surface, view, -1); }

int ComPrdctDspMngmnt::ComDrawPrdctFile(draw::Surface& surface, const ViewParams& view, int file) {
  if (file < 0 || file >= static_cast<int>(slots_[0].size())) return 0;
  return draw(surface, view, file);
}

int ComPrdctDspMngmnt::draw(draw::Surface& surface, const ViewParams& view, int onlyFile) {
  if (!initialised_ || table_ == nullptr) return 0;
  catalogue::ValueRange range;
  if (objects_[0]->ComGetValueRange(slots_[0][0], range) != 0) return 0;
  const float lo = std::min(range.invalid1, range.invalid2);
  const float hi = std::max(range.invalid1, range.invalid2);
  const bool level3 = isLevel3();
  const int channels = channels_.composite ? 3 : 1;
  // Grid mode draws the display grids once their copy is complete; one file alone draws its
  // own gap-filled grids from the product objects once they are filled.
  std::array<const float*, 3> grids{};
  bool gridMode = view.s >= 8.0 && !level3;
  for (int c = 0; c < channels && gridMode; ++c) {
    const auto i = static_cast<std::size_t>(c);
    if (onlyFile < 0) {
      gridMode = gridCopied();
      grids[i] = grids_[i].data();
    } else {
      gridMode = objects_[i]->ComGetGridValues(slots_[i][static_cast<std::size_t>(onlyFile)], grids[i], channels_.chnl[c]) == 0;
    }
  }
  const int w = surface.width();
  const int h = surface.height();
  const int halfW = w / 2;
  const int halfH = h / 2;
  std::vector<std::uint32_t> claims(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  const int mode = channels_.composite ? colour::kModeLookupTable : colour::kModeColourTable;
  const bool cells = (level3 && view.s > 2.0) || gridMode;
  const std::int32_t half = gridMode ? 50000 : 125000;
  const bool rectangular = projectionInfo(view.projection).wraps;
  const int square = level3 ? static_cast<int>(view.s) : static_cast<int>(view.s * 0.5);

  const ViewProjector projector(view);
  // Draws one observation of channel c; the claim buffer keeps the first one per pixel.
  const auto drawPoint = [&](int c, std::int32_t lon, std::int32_t lat, float v) {
    if (lo <= v && v <= hi) return;
    std::int32_t lon1 = lon, lat1 = lat, lon2 = lon, lat2 = lat;
    if (cells) {
      lon1 = lon - half;
      lat1 = lat + half;
      lon2 = lon + half;
      lat2 = lat - half;
    }
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (projector.project(lon1, lat1, x1, y1) != kProjOk) return;
    if (cells) {
      if (projector.project(lon2, lat2, x2, y2) != kProjOk) return;
    } else {
      x2 = x1;
      y2 = y1;
    }
    const bool inside1 = -halfW < x1 && x1 < halfW && -halfH < y1 && y1 < halfH;
    const bool inside2 = -halfW < x2 && x2 < halfW && -halfH < y2 && y2 < halfH;
    if (!inside1 && !inside2) return;
    Colour colour = 0;
    const int dx = x1 + halfW;
    const int dy = halfH - y1;
    std::uint32_t* claim = nullptr;
    if (dx >= 0 && dy >= 0 && dx < w && dy < h) {
      claim = &claims[static_cast<std::size_t>(dy) * static_cast<std::size_t>(w) + static_cast<std::size_t>(dx)];
    }
    const std::uint32_t bit = !channels_.composite ? 1u : c == 0 ? kRedDrawn : c == 1 ? kGreenDrawn : kBlueDrawn;
    // A pixel taken earlier needs no colour; a value without a colour is not drawn and
    // leaves the pixel free.
    if (claim != nullptr && (*claim & bit) != 0) return;
    if (table_->ComGetColor(mode, c, v, &colour) != 0) return;
    if (claim != nullptr) {
      if (!channels_.composite) {
        *claim = 1;
      } else {
        if (c > 0) colour |= *claim & 0xFFFFFFu;
        *claim = colour | bit | (*claim & (kRedDrawn | kGreenDrawn | kBlueDrawn));
      }
    }
    if (cells) {
      if (rectangular) {
        int start = x1;
        int width = x2 - x1 + 1;
        if (x1 == 0) {
          start = -1;
          width = x2 + 2;
        } else if (x2 == 0) {
          width = 2 - x1;
        }
        surface.fillRect(start, y1, width, y1 - y2 + 2, colour);
      } else {
        surface.fillRect(x1, y1, std::max(square, 1), std::max(square, 1), colour);
      }
    } else {
      surface.setPixel(x1, y1, colour);
    }
  };

  if (gridMode) {
    std::fill(claims.begin(), claims.end(), 0u);
    for (int c = 0; c < channels; ++c) {
      const float* grid = grids[static_cast<std::size_t>(c)];
      // The grid is visited by its own 1801 x 3601 layout.
      for (int col = 0; col < model::kGridCols; ++col) {
        const std::int32_t lon = col * 100000 - 180000000;
        for (int row = 0; row < model::kGridRows; ++row) {
          const float v = grid[model::cellIndex(row, col)];
          if (v == model::kEmptyValue) continue;
          drawPoint(c, lon, row * 100000 - 90000000, v);
        }
      }
    }
  } else {
    for (std::size_t f = 0; f < slots_[0].size(); ++f) {
      if (onlyFile >= 0 && static_cast<int>(f) != onlyFile) continue;
      std::fill(claims.begin(), claims.end(), 0u);
      for (int c = 0; c < channels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const model::ObsPoint* points = nullptr;
        int count = 0;
        if (objects_[i]->ComGetPointArray(slots_[i][f], points, count, channels_.chnl[c]) != 0) {
          continue;
        }
        for (int i = 0; i < count; ++i) drawPoint(c, points[i].lon, points[i].lat, points[i].value);
      }
    }
  }
  lastGridMode_ = gridMode;
  return 0;
}

}  // namespace kivo::map
