#include <algorithm>
#include <cmath>
#include <memory>

#include "product_io/allocation.h"
#include "product_model/product_object.h"
#include "product_model/product_object_internal.h"

// Channel loading: a channel's values are read with their positions, filtered into
// observation points, indexed by grid cell and written into the 0.1-degree value grid.

namespace kivo::model {

int ComPrdctMngmnt::ComLoadChnl(int slot, int chnl) {
  if (!validSlot(slot)) return -1;
  GridRecord* f = first(slot);
  if (f == nullptr) return -2;
  if (chnl < 0 || chnl >= catalogue::kChnlCount) return -3;
  const AccessLabel label = catalogue::channelLabel(f->type, f->attributes, chnl);

  GridRecord* r = record(slot, chnl);
  bool appended = false;
  if (r == nullptr && f->channel == -1 && !f->loaded) r = f;
  if (r == nullptr) {
    GridRecord* last = f;
    while (last->next) last = last->next.get();
    if (!tryAllocate([&] { last->next = std::make_unique<GridRecord>(); })) return -5;
    r = last->next.get();
    r->slot = slot;
    r->type = f->type;
    appended = true;
  }
  if (r->loaded) return 0;

  // A load that fails leaves nothing behind: an appended record is removed again.
  const auto fail = [&](int code) {
    if (appended) {
      GridRecord* prev = f;
      while (prev->next.get() != r) prev = prev->next.get();
      prev->next.reset();
    } else {
      resetRecord(*r);
    }
    return code;
  };

  ChannelRead read;
  int rc = readChannel(*f, label, read);
  if (rc != 0) return fail(rc);
  std::vector<std::uint16_t> rows, cols;
  if ((rc = acceptPoints(read, *r, rows, cols)) != 0) return fail(rc);
  if ((rc = indexCells(*r, rows, cols)) != 0) return fail(rc);
  writeGrid(*r);
  r->channel = chnl;
  r->label = label;
  r->rank = read.rank;
  r->dims = read.dims;
  r->readCount = read.readCount > 0 ? read.readCount : static_cast<long long>(std::min(read.values.size(), read.positions.size()));
  r->pointCount = static_cast<int>(r->points.size());
  r->loaded = true;
  return 0;
}

// Reads the channel's values with one position each through the slot's reader.
int ComPrdctMngmnt::readChannel(GridRecord& f, AccessLabel label, ChannelRead& read) {
  if (!f.reader) return -4;
  if (f.reader->open() != 0) {
    f.reader->close();
    return -4;
  }
  read.rank = f.reader->dimensions(label, read.dims, f.type);
  long long readCount = read.rank > 0 ? 1 : 0;
  for (int i = 0; i < read.rank && i < 3; ++i) {
    if (read.dims.dims[i] > 0) readCount *= read.dims.dims[i];
  }
  read.readCount = readCount;
  int got = 0;
  const bool allocated = tryAllocate([&] {
    // AMSR2 Level 1A channels are counts, read as integers.
    if (io::isLevel1A(f.type) && io::isAmsr2(f.type)) {
      std::vector<std::int32_t> counts;
      got = f.reader->readIntWithPositions(label, counts, read.positions, f.type);
      read.values.assign(counts.begin(), counts.end());
    } else {
      got = f.reader->readFloatWithPositions(label, read.values, read.positions, f.type);
    }
  });
  f.reader->close();
  if (!allocated) return -5;
  if (got < 0) return -4;
  if (std::min(read.values.size(), read.positions.size()) < 1) return -6;
  return 0;
}

// Keeps every value with a finite position inside the grid as a point, with the row and
// column of its cell; the record gets a new, empty grid.
int ComPrdctMngmnt::acceptPoints(const ChannelRead& read, GridRecord& r, std::vector<std::uint16_t>& rows,
                                 std::vector<std::uint16_t>& cols) {
  const std::size_t n = std::min(read.values.size(), read.positions.size());
  std::shared_ptr<ChannelGrid> grid;
  if (!tryAllocate([&] {
        grid = std::make_shared<ChannelGrid>();
        grid->values.assign(kGridCells, kEmptyValue);
        r.points.clear();
        r.points.reserve(n);
        rows.reserve(n);
        cols.reserve(n);
      })) {
    return -5;
  }
  r.grid = std::move(grid);
  for (std::size_t j = 0; j < n; ++j) {
    const float value = read.values[j];
    const double lat = read.positions[j].lat;
    const double lon = read.positions[j].lon;
    if (value == kEmptyValue || std::isnan(value) || !std::isfinite(lat) || !std::isfinite(lon)) continue;
    // floor, not truncation, so that latitudes just below -90 fall outside the grid.
    const double rowF = std::floor(lat * 10.0 + 900.0);
    const double colF = std::floor(lon * 10.0 + 1800.0);
    if (rowF < 0 || rowF > kGridRows - 1 || colF < 0 || colF > kGridCols - 1) continue;
    r.points.push_back(ObsPoint{static_cast<std::int32_t>(std::trunc(lon * 1e6)),
                                static_cast<std::int32_t>(std::trunc(lat * 1e6)), value});
    rows.push_back(static_cast<std::uint16_t>(rowF));
    cols.push_back(static_cast<std::uint16_t>(colF));
  }
  r.points.shrink_to_fit();
  return 0;
}

// Groups the points by cell for the neighbour search: per column sorted by row, and within
// a cell latest first. `cols` is consumed.
int ComPrdctMngmnt::indexCells(GridRecord& r, const std::vector<std::uint16_t>& rows, std::vector<std::uint16_t>& cols) {
  const std::size_t accepted = r.points.size();
  CellIndex& ci = r.cells;
  const bool allocated = tryAllocate([&] {
    ci.colStart.assign(kGridCols + 1, 0);
    for (std::size_t e = 0; e < accepted; ++e) ++ci.colStart[cols[e] + 1u];
    for (int i = 0; i < kGridCols; ++i) ci.colStart[static_cast<std::size_t>(i) + 1] += ci.colStart[static_cast<std::size_t>(i)];
    ci.order.resize(accepted);
    {
      std::vector<std::uint32_t> fill(ci.colStart.begin(), ci.colStart.end() - 1);
      for (std::size_t e = 0; e < accepted; ++e) ci.order[fill[cols[e]]++] = static_cast<std::uint32_t>(e);
    }
    std::vector<std::uint16_t>().swap(cols);
    for (int i = 0; i < kGridCols; ++i) {
      std::sort(ci.order.begin() + ci.colStart[static_cast<std::size_t>(i)],
                ci.order.begin() + ci.colStart[static_cast<std::size_t>(i) + 1],
                [&rows](std::uint32_t a, std::uint32_t b) { return rows[a] != rows[b] ? rows[a] < rows[b] : a > b; });
    }
    ci.rows.resize(accepted);
    for (std::size_t k = 0; k < accepted; ++k) ci.rows[k] = rows[ci.order[k]];
  });
  return allocated ? 0 : -5;
}

// Writes the grid cell by cell in memory order; the latest point of a cell gives its value.
void ComPrdctMngmnt::writeGrid(GridRecord& r) {
  const CellIndex& ci = r.cells;
  LargeVector<float>& grid = r.grid->values;
  for (int c = 0; c < kGridCols; ++c) {
    int lastRow = -1;
    for (std::size_t k = ci.colStart[static_cast<std::size_t>(c)]; k < ci.colStart[static_cast<std::size_t>(c) + 1]; ++k) {
      if (ci.rows[k] == lastRow) continue;
      lastRow = ci.rows[k];
      grid[cellIndex(lastRow, c)] = r.points[ci.order[k]].value;
    }
  }
}

int ComPrdctMngmnt::ComGetPoint(int slot, int index, int mode, std::int32_t lonLat[2], float& value, int chnl) const {
  const GridRecord* r = record(slot, chnl);
  if (r == nullptr || lonLat == nullptr || !r->loaded) return 1;
  if (mode == 0) {
    if (index < 0 || index >= r->pointCount) return 2;
    const ObsPoint& p = r->points[static_cast<std::size_t>(index)];
    lonLat[0] = p.lon;
    lonLat[1] = p.lat;
    value = p.value;
    return 0;
  }
  if (mode != 1) return 1;
  // Cell numbers name rows of 3600 cells; numbers beyond the last row are refused.
  if (index < 0 || index >= kCellNumbers) return 2;
  if (!r->grid->meshed.load(std::memory_order_acquire)) return 3;
  const int col = index % 3600;
  const int row = index / 3600;
  lonLat[0] = col * 100000 - 180000000;
  lonLat[1] = row * 100000 - 90000000;
  value = r->grid->values[cellIndex(row, col)];
  return 0;
}

int ComPrdctMngmnt::ComGetPointArray(int slot, const ObsPoint*& points, int& count, int chnl) const {
  points = nullptr;
  count = 0;
  const GridRecord* r = record(slot, chnl);
  if (r == nullptr || !r->loaded) {
    if (settings_.events != nullptr) settings_.events->showErrorMessage(kMsgNoPointArray);
    return 1;
  }
  points = r->points.data();
  count = r->pointCount;
  return 0;
}

int ComPrdctMngmnt::ComGetGridValues(int slot, const float*& grid, int chnl) const {
  grid = nullptr;
  const GridRecord* r = record(slot, chnl);
  if (r == nullptr || !r->loaded) return 1;
  if (!r->grid->meshed.load(std::memory_order_acquire)) return 3;
  grid = r->grid->values.data();
  return 0;
}

int ComPrdctMngmnt::ComGetPointCount(int slot, int chnl) const {
  const GridRecord* r = record(slot, chnl);
  return (r != nullptr && r->loaded) ? r->pointCount : -1;
}

bool ComPrdctMngmnt::ComIsMeshed(int slot, int chnl) const {
  const GridRecord* r = record(slot, chnl);
  return r != nullptr && r->loaded && r->grid->meshed.load(std::memory_order_acquire);
}

std::shared_ptr<const ChannelGrid> ComPrdctMngmnt::ComShareGrid(int slot, int chnl) const {
  const GridRecord* r = record(slot, chnl);
  return r != nullptr && r->loaded ? r->grid : nullptr;
}

}  // namespace kivo::model
