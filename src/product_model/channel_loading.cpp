#include <algorithm>
#include <cmath>
#include <memory>

#include "product_io/allocation.h"
#include "product_model/product_object.h"
#include "product_model/product_object_internal.h"

// Channel loading: a channel's values are read with their positions and filtered into
// observation points, each with its cell of the 0.1-degree value grid. The grid itself is
// written by the gap-filling worker (gap_filling.cpp), so a load that is only drawn point by
// point never touches its 26 MB.

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
  if ((rc = acceptPoints(read, *r)) != 0) return fail(rc);
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

// Keeps every value with a finite position inside the grid as a point, with the cell it
// falls in; the record gets a new grid whose storage is reserved here (so that running out of
// memory is reported by the load) and filled by the gap-filling worker.
int ComPrdctMngmnt::acceptPoints(const ChannelRead& read, GridRecord& r) {
  const std::size_t n = std::min(read.values.size(), read.positions.size());
  std::shared_ptr<ChannelGrid> grid;
  if (!tryAllocate([&] {
        grid = std::make_shared<ChannelGrid>();
        grid->values.reserve(kGridCells);
        r.points.clear();
        r.points.reserve(n);
        r.pointCells.clear();
        r.pointCells.reserve(n);
      })) {
    return -5;
  }
  r.grid = std::move(grid);
  for (std::size_t j = 0; j < n; ++j) {
    const float value = read.values[j];
    const double lat = read.positions[j].lat;
    const double lon = read.positions[j].lon;
    if (value == kEmptyValue || std::isnan(value)) continue;
    // Row floor(lat * 10 + 900) in 0..1800 and column floor(lon * 10 + 1800) in 0..3600: the
    // comparisons also refuse NaN and infinite positions, and on the accepted range
    // truncation is the floor, so latitudes just below -90 fall outside the grid.
    const double rowF = lat * 10.0 + 900.0;
    const double colF = lon * 10.0 + 1800.0;
    if (!(rowF >= 0.0 && rowF < kGridRows && colF >= 0.0 && colF < kGridCols)) continue;
    r.points.push_back(ObsPoint{static_cast<std::int32_t>(lon * 1e6), static_cast<std::int32_t>(lat * 1e6), value});
    r.pointCells.push_back(static_cast<std::uint32_t>(cellIndex(static_cast<int>(rowF), static_cast<int>(colF))));
  }
  // Unused capacity of a large block is never touched and costs no memory; a list much
  // shorter than read is copied to a block of its own size.
  if (r.points.size() < r.points.capacity() / 2) {
    r.points.shrink_to_fit();
    r.pointCells.shrink_to_fit();
  }
  return 0;
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
