#pragma once

// The records of the product object, shared by its slot registry, channel loading and gap
// filling. Internal to the product model library.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "product_model/product_object.h"

namespace kivo::model {

inline bool validSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

// Points of a loaded channel grouped by grid cell in the grid's own column-major order: per
// column the point indices sorted by row, and within a cell latest first (the order in which
// the cells' chains are walked).
struct ComPrdctMngmnt::CellIndex {
  std::vector<std::uint32_t> colStart;  // kGridCols + 1 offsets into order
  std::vector<std::uint32_t> order;
  std::vector<std::uint16_t> rows;      // row of each entry of order
  // Per entry of order, what the neighbour search computes of its point: longitude in
  // degrees, cosine and sine of the latitude (float, as the search takes them).
  std::vector<float> lonDeg, cosLat, sinLat;

  void clear() {
    std::vector<std::uint32_t>().swap(colStart);
    std::vector<std::uint32_t>().swap(order);
    std::vector<std::uint16_t>().swap(rows);
    std::vector<float>().swap(lonDeg);
    std::vector<float>().swap(cosLat);
    std::vector<float>().swap(sinLat);
  }
  // Entries [first, last) of cell (row, col).
  void cell(int row, int col, std::size_t& first, std::size_t& last) const {
    first = last = 0;
    if (colStart.empty()) return;
    const auto b = rows.begin() + colStart[static_cast<std::size_t>(col)];
    const auto e = rows.begin() + colStart[static_cast<std::size_t>(col) + 1];
    const auto lo = std::lower_bound(b, e, static_cast<std::uint16_t>(row));
    const auto hi = std::upper_bound(lo, e, static_cast<std::uint16_t>(row));
    first = static_cast<std::size_t>(lo - rows.begin());
    last = static_cast<std::size_t>(hi - rows.begin());
  }
};

// One loaded channel of a slot (the first record of a slot also holds the file's reader and
// attributes). The records of a slot form a list through `next`.
struct ComPrdctMngmnt::GridRecord {
  int slot = -1;
  std::string path;
  std::string displayName;
  PrdctType type = PrdctType::None;
  int channel = -1;
  io::FileFormat format = io::kFormatNone;
  int pointCount = 0;
  long long readCount = 0;
  LargeVector<ObsPoint> points;
  // Grid cell (cellIndex) of each point, kept until the grid is meshed: the gap-filling
  // worker writes the grid and indexes the cells from it.
  LargeVector<std::uint32_t> pointCells;
  // Shared with the workers that read it; null until a channel is loaded. Its storage is
  // reserved by the load and written by the gap-filling worker.
  std::shared_ptr<ChannelGrid> grid;
  int users = 0;
  int locks = 0;
  catalogue::RootAttributes attributes;
  std::unique_ptr<io::AMSR_data> reader;  // first record of a slot only
  bool loaded = false;
  AccessLabel label = 0;
  int rank = 0;
  io::DimSize dims;
  CellIndex cells;
  int projection = -1;
  bool projectionKnown = false;
  std::unique_ptr<GridRecord> next;

  GridRecord() = default;
  ~GridRecord() { releaseGrid(); }
  GridRecord(const GridRecord&) = delete;
  GridRecord& operator=(const GridRecord&) = delete;
  // Lets go of the grid; a worker still holding it learns that it will not be filled.
  void releaseGrid() {
    if (grid) grid->released.store(true, std::memory_order_release);
    grid.reset();
  }
};

// What the gap-filling worker is given when it starts: the records of a slot to fill, and
// whether the slot's level leaves its grids as they are.
struct ComPrdctMngmnt::Job {
  int slot;
  bool level3;
  std::vector<GridRecord*> records;
};

// What a channel's read delivered: values with one position each.
struct ComPrdctMngmnt::ChannelRead {
  std::vector<float> values;
  std::vector<io::LatLon> positions;
  int rank = 0;
  io::DimSize dims;
  long long readCount = 0;  // elements of the label's extent
};

}  // namespace kivo::model
