#include "product_model/product_object.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cmath>
#include <new>

#include "product_io/readers/reader_factory.h"
#include "product_model/large_buffer.h"

namespace kivo::model {
namespace {

constexpr int kMaxGapRun = 30;
constexpr std::size_t kMaxAttributeValue = 59999;  // a value longer than this is cut
constexpr float kDegToRad = 0.017453292f;
constexpr int kNearestCount = 9;

bool validSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

std::size_t gridIndex(int row, int col) {
  return static_cast<std::size_t>(col) * kGridRows + static_cast<std::size_t>(row);
}

}  // namespace

// Points of a loaded channel grouped by grid cell in the grid's own column-major order: per
// column the point indices sorted by row, and within a cell latest first (the order in which
// the cells' chains are walked).
struct ComPrdctMngmnt::CellIndex {
  std::vector<std::uint32_t> colStart;  // kGridCols + 1 offsets into order
  std::vector<std::uint32_t> order;
  std::vector<std::uint16_t> rows;      // row of each entry of order

  void clear() {
    std::vector<std::uint32_t>().swap(colStart);
    std::vector<std::uint32_t>().swap(order);
    std::vector<std::uint16_t>().swap(rows);
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

struct ComPrdctMngmnt::GridRecord {
  int slot = -1;
  std::string path;
  std::string displayName;
  PrdctType type = PrdctType::None;
  int channel = -1;
  int format = -1;
  int pointCount = 0;
  long long readCount = 0;
  LargeVector<ObsPoint> points;
  LargeVector<float> grid;  // empty until a channel is loaded
  std::atomic<bool> meshed{false};
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
};

struct ComPrdctMngmnt::Job {
  int slot;
  std::vector<GridRecord*> records;
};

ComPrdctMngmnt::WorkerPause::WorkerPause(ComPrdctMngmnt& owner) : owner_(owner), wasRunning_(owner.ComMeshRunning()) {
  if (wasRunning_) owner_.stopWorker();
}

ComPrdctMngmnt::WorkerPause::~WorkerPause() {
  // The records not meshed yet are taken up again at once.
  if (wasRunning_) owner_.startWorker(0);
}

ComPrdctMngmnt::ComPrdctMngmnt(ProductObjectSettings settings) : settings_(std::move(settings)) {}

ComPrdctMngmnt::~ComPrdctMngmnt() {
  stopWorker();
  for (int s = 0; s < kSlotCount; ++s) freeSlot(s);
}

ComPrdctMngmnt::GridRecord* ComPrdctMngmnt::first(int slot) const {
  return validSlot(slot) ? slots_[static_cast<std::size_t>(slot)].get() : nullptr;
}

ComPrdctMngmnt::GridRecord* ComPrdctMngmnt::record(int slot, int chnl) const {
  for (GridRecord* r = first(slot); r != nullptr; r = r->next.get()) {
    if (r->channel == chnl) return r;
  }
  return nullptr;
}

void ComPrdctMngmnt::freeSlot(int slot) {
  if (!validSlot(slot) || !slots_[static_cast<std::size_t>(slot)]) return;
  slots_[static_cast<std::size_t>(slot)].reset();
  --slotCount_;
}

void ComPrdctMngmnt::resetRecord(GridRecord& r) {
  LargeVector<ObsPoint>().swap(r.points);
  LargeVector<float>().swap(r.grid);
  r.cells.clear();
  r.pointCount = 0;
  r.readCount = 0;
  r.loaded = false;
  r.channel = -1;
  r.label = 0;
  r.meshed.store(false, std::memory_order_release);
}

int ComPrdctMngmnt::readAttributes(GridRecord& r) {
  if (!r.reader || r.reader->open() != 0) return -2;
  const int count = r.reader->attributeCount();
  catalogue::RootAttributes attributes;
  catalogue::ProductIdentifier id;
  for (int i = 0; i < count; ++i) {
    catalogue::RootAttribute a;
    int size = 0;
    if (r.reader->attributeName(i, a.name, size) != 0) a.name.clear();
    if (r.reader->attributeByIndex(i, a.value) < 0) a.value.clear();
    if (a.value.size() > kMaxAttributeValue) a.value.resize(kMaxAttributeValue);
    id.apply(i, a.name, a.value);
    attributes.push_back(std::move(a));
  }
  r.reader->close();
  r.attributes = std::move(attributes);
  r.type = id.type();
  r.displayName = id.displayName();
  r.projection = id.projection();
  r.projectionKnown = id.projectionKnown();
  return 0;
}

int ComPrdctMngmnt::ComOpenPrdctFile(const std::string& path, int& slot, std::string& displayName, int& projection,
                                     bool& projectionKnown) {
  slot = -1;
  if (path.empty()) return -1;
  GridRecord* reuse = nullptr;
  for (int s = 0; s < kSlotCount && reuse == nullptr; ++s) {
    GridRecord* r = first(s);
    if (r != nullptr && r->path == path) {
      reuse = r;
      slot = s;
    }
  }
  if (reuse != nullptr && reuse->projectionKnown) {
    displayName = reuse->displayName;
    projection = reuse->projection;
    projectionKnown = true;
    return 0;
  }
  bool fresh = false;
  if (reuse == nullptr) {
    for (int s = 0; s < kSlotCount; ++s) {
      if (!slots_[static_cast<std::size_t>(s)]) {
        slot = s;
        break;
      }
    }
    if (slot < 0) return -4;
    auto r = std::make_unique<GridRecord>();
    r->slot = slot;
    r->path = path;
    reuse = r.get();
    slots_[static_cast<std::size_t>(slot)] = std::move(r);
    ++slotCount_;
    fresh = true;
  }
  GridRecord& r = *reuse;
  if (!r.reader) {
    r.format = catalogue::ComGetFileFormat(path);
    r.reader = io::makeReader(static_cast<io::FileFormat>(r.format), path);
    if (r.format == catalogue::kFormatNone) {
      if (fresh) freeSlot(slot);
      slot = -1;
      return -2;
    }
    if (!r.reader) {
      if (fresh) freeSlot(slot);
      slot = -1;
      return -3;
    }
  }
  io::AMSR_data::setDataDirectory(settings_.dataDirectory);
  if (readAttributes(r) != 0) {
    if (fresh) freeSlot(slot);
    slot = -1;
    return -2;
  }
  ++r.users;
  displayName = r.displayName;
  projection = r.projection;
  projectionKnown = r.projectionKnown;
  return 0;
}

int ComPrdctMngmnt::ComClosePrdct(int slot, bool force) {
  GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  WorkerPause pause(*this);
  if (f->users > 0) --f->users;
  if (f->users == 0 || force) {
    freeSlot(slot);
    return 0;
  }
  for (GridRecord* r = f; r != nullptr; r = r->next.get()) {
    if (r->locks == 0) resetRecord(*r);
  }
  return 0;
}

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
    try {
      last->next = std::make_unique<GridRecord>();
    } catch (const std::bad_alloc&) {
      return -5;
    }
    r = last->next.get();
    r->slot = slot;
    appended = true;
  }
  if (r->loaded) return 0;

  // A load that fails leaves nothing behind: an appended record is removed again.
  const auto fail = [&](int code) {
    if (f->reader) f->reader->close();
    if (appended) {
      GridRecord* prev = f;
      while (prev->next.get() != r) prev = prev->next.get();
      prev->next.reset();
    } else {
      resetRecord(*r);
    }
    return code;
  };

  if (!f->reader || f->reader->open() != 0) return fail(-4);
  io::DimSize dims;
  const int rank = f->reader->dimensions(label, dims, f->type);
  long long readCount = rank > 0 ? 1 : 0;
  for (int i = 0; i < rank && i < 3; ++i) {
    if (dims.dims[i] > 0) readCount *= dims.dims[i];
  }
  std::vector<float> values;
  std::vector<io::LatLon> positions;
  int got = 0;
  try {
    if (io::isLevel1A(f->type) && io::isAmsr2(f->type)) {
      std::vector<std::int32_t> counts;
      got = f->reader->readIntWithPositions(label, counts, positions, f->type);
      values.assign(counts.begin(), counts.end());
    } else {
      got = f->reader->readFloatWithPositions(label, values, positions, f->type);
    }
  } catch (const std::bad_alloc&) {
    return fail(-5);
  }
  f->reader->close();
  if (got < 0) return fail(-4);
  const std::size_t n = std::min(values.size(), positions.size());
  if (n < 1) return fail(-6);

  std::vector<std::uint16_t> rows, cols;
  try {
    r->grid.assign(kGridCells, kEmptyValue);
    r->points.clear();
    r->points.reserve(n);
    rows.reserve(n);
    cols.reserve(n);
  } catch (const std::bad_alloc&) {
    return fail(-5);
  }
  for (std::size_t j = 0; j < n; ++j) {
    const float value = values[j];
    const double lat = positions[j].lat;
    const double lon = positions[j].lon;
    if (value == kEmptyValue || std::isnan(value) || !std::isfinite(lat) || !std::isfinite(lon)) continue;
    // floor, not truncation, so that latitudes just below -90 fall outside the grid.
    const double rowF = std::floor(lat * 10.0 + 900.0);
    const double colF = std::floor(lon * 10.0 + 1800.0);
    if (rowF < 0 || rowF > kGridRows - 1 || colF < 0 || colF > kGridCols - 1) continue;
    const int row = static_cast<int>(rowF);
    const int col = static_cast<int>(colF);
    r->points.push_back(ObsPoint{static_cast<std::int32_t>(std::trunc(lon * 1e6)),
                                 static_cast<std::int32_t>(std::trunc(lat * 1e6)), value});
    rows.push_back(static_cast<std::uint16_t>(row));
    cols.push_back(static_cast<std::uint16_t>(col));
  }
  r->points.shrink_to_fit();

  // Group the points by cell for the neighbour search, then write the grid cell by cell in
  // memory order; the latest point of a cell comes first in its group and gives the value.
  const std::size_t accepted = r->points.size();
  try {
    CellIndex& ci = r->cells;
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
    for (int c = 0; c < kGridCols; ++c) {
      int lastRow = -1;
      for (std::size_t k = ci.colStart[static_cast<std::size_t>(c)]; k < ci.colStart[static_cast<std::size_t>(c) + 1]; ++k) {
        if (ci.rows[k] == lastRow) continue;
        lastRow = ci.rows[k];
        r->grid[gridIndex(lastRow, c)] = r->points[ci.order[k]].value;
      }
    }
  } catch (const std::bad_alloc&) {
    return fail(-5);
  }
  r->channel = chnl;
  r->label = label;
  r->rank = rank;
  r->dims = dims;
  r->readCount = readCount > 0 ? readCount : static_cast<long long>(n);
  r->pointCount = static_cast<int>(accepted);
  r->meshed.store(false, std::memory_order_release);
  r->loaded = true;
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
  if (!r->meshed.load(std::memory_order_acquire)) return 3;
  const int col = index % 3600;
  const int row = index / 3600;
  lonLat[0] = col * 100000 - 180000000;
  lonLat[1] = row * 100000 - 90000000;
  value = r->grid[gridIndex(row, col)];
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
  if (!r->meshed.load(std::memory_order_acquire)) return 3;
  grid = r->grid.data();
  return 0;
}

int ComPrdctMngmnt::ComGetPointCount(int slot, int chnl) const {
  const GridRecord* r = record(slot, chnl);
  return (r != nullptr && r->loaded) ? r->pointCount : -1;
}

bool ComPrdctMngmnt::ComIsMeshed(int slot, int chnl) const {
  const GridRecord* r = record(slot, chnl);
  return r != nullptr && r->loaded && r->meshed.load(std::memory_order_acquire);
}

int ComPrdctMngmnt::ComGetFilePath(int slot, std::string& path) const {
  const GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  path = f->path;
  return 0;
}

int ComPrdctMngmnt::ComGetAttrCount(int slot) const {
  const GridRecord* f = first(slot);
  return f == nullptr ? -1 : static_cast<int>(f->attributes.size());
}

int ComPrdctMngmnt::ComGetAttrValue(int slot, int index, std::string& value) const {
  const GridRecord* f = first(slot);
  if (f == nullptr || index < 0 || index >= static_cast<int>(f->attributes.size())) return 1;
  value = f->attributes[static_cast<std::size_t>(index)].value;
  return 0;
}

int ComPrdctMngmnt::ComGetAttrName(int slot, int index, std::string& name) const {
  const GridRecord* f = first(slot);
  if (f == nullptr || index < 0 || index >= static_cast<int>(f->attributes.size())) return 1;
  name = f->attributes[static_cast<std::size_t>(index)].name;
  return 0;
}

PrdctType ComPrdctMngmnt::ComGetPrdctType(int slot) const {
  const GridRecord* f = first(slot);
  return f == nullptr ? PrdctType::None : f->type;
}

int ComPrdctMngmnt::ComAddRef(int slot) {
  GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  ++f->users;
  return 0;
}

int ComPrdctMngmnt::ComLockGrid(int slot, int chnl) {
  GridRecord* r = record(slot, chnl);
  if (r == nullptr) return 1;
  ++r->locks;
  return 0;
}

int ComPrdctMngmnt::ComUnlockGrid(int slot, int chnl) {
  GridRecord* r = record(slot, chnl);
  if (r == nullptr) return 1;
  if (r->locks > 0) --r->locks;
  return 0;
}

int ComPrdctMngmnt::ComResetGrid(int slot, int chnl) {
  GridRecord* r = record(slot, chnl);
  if (r == nullptr) return 1;
  if (r->locks > 0) return 2;
  WorkerPause pause(*this);
  resetRecord(*r);
  return 0;
}

int ComPrdctMngmnt::obsDateTime(int slot, bool end, std::string& date, std::string& time) const {
  const GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  const auto attr = [f](std::size_t i) -> const std::string* {
    return i < f->attributes.size() ? &f->attributes[i].value : nullptr;
  };
  if (io::isHdf4(f->type)) {
    const std::string* d = attr(end ? 9 : 7);
    const std::string* t = attr(end ? 10 : 8);
    if (d == nullptr || t == nullptr) return 1;
    date = *d;
    time = *t;
    return 0;
  }
  const std::size_t index = f->type == PrdctType::Amsr2L3 ? (end ? 13 : 12) : (end ? 10 : 9);
  const std::string* text = attr(index);
  if (text == nullptr) return 1;
  const auto t = text->find('T');
  date = text->substr(0, t);
  time = t == std::string::npos ? std::string() : text->substr(t + 1);
  time.erase(std::remove_if(time.begin(), time.end(), [](char c) { return c == 'T' || c == 'Z'; }), time.end());
  return 0;
}

int ComPrdctMngmnt::ComGetObsDateTime(int slot, std::string& date, std::string& time) const {
  return obsDateTime(slot, false, date, time);
}

int ComPrdctMngmnt::ComGetObsEndDateTime(int slot, std::string& date, std::string& time) const {
  return obsDateTime(slot, true, date, time);
}

int ComPrdctMngmnt::ComGetScanTimes(int slot, int begin, int end, std::vector<io::ScanTimeRecord>& records) {
  records.clear();
  GridRecord* f = first(slot);
  if (f == nullptr || !f->reader) return 1;
  if (f->reader->open() != 0) return -4;
  const int rc = f->reader->readScanTime(begin, end, records, settings_.dataDirectory + "leapsec.dat");
  f->reader->close();
  return rc;
}

int ComPrdctMngmnt::ComGetPrdctName(int slot, std::string& name) const {
  const GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  name = f->displayName;
  return 0;
}

bool ComPrdctMngmnt::ComIsLevel2(int slot) const {
  const GridRecord* f = first(slot);
  return f != nullptr && catalogue::isLevel2(f->displayName);
}

bool ComPrdctMngmnt::ComIsLevel3(int slot) const {
  const GridRecord* f = first(slot);
  return f != nullptr && catalogue::isLevel3(f->displayName);
}

bool ComPrdctMngmnt::ComIsAmsr2Level3(int slot) const {
  const GridRecord* f = first(slot);
  return f != nullptr && catalogue::isAmsr2Level3(f->displayName);
}

int ComPrdctMngmnt::ComGetChnlMask(int slot, catalogue::ChannelMask& mask) const {
  const GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  mask = catalogue::channelMask(f->type, f->attributes);
  return 0;
}

int ComPrdctMngmnt::ComGetTitle(int slot, int chnl, std::string& text, bool withUnit) const {
  const GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  text = catalogue::title(f->type, f->attributes, chnl, withUnit);
  return 0;
}

int ComPrdctMngmnt::ComGetMetaValue(int slot, const std::string& name, std::string& value) const {
  const GridRecord* f = first(slot);
  if (f == nullptr) return -1;
  return catalogue::metaValue(f->type, f->attributes, name, value);
}

int ComPrdctMngmnt::ComGetGranuleID(int slot, std::string& value) const {
  return ComGetMetaValue(slot, "GranuleID", value);
}
int ComPrdctMngmnt::ComGetObsStartTime(int slot, std::string& value) const {
  return ComGetMetaValue(slot, "ObservationStartDateTime", value);
}
int ComPrdctMngmnt::ComGetObsEndTime(int slot, std::string& value) const {
  return ComGetMetaValue(slot, "ObservationEndDateTime", value);
}

char ComPrdctMngmnt::ComGetResMark(int slot) const {
  const GridRecord* f = first(slot);
  return f == nullptr ? '\0' : catalogue::resolutionMark(f->type, f->attributes);
}

int ComPrdctMngmnt::ComGetValueRange(int slot, catalogue::ValueRange& range) const {
  const GridRecord* f = first(slot);
  if (f == nullptr) return 1;
  if (f->displayName.empty()) return 2;
  return catalogue::valueRange(f->type, f->attributes, range);
}

// ---------------------------------------------------------------------------------------
// Gap filling

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
    Job job{s, {}};
    for (GridRecord* r = f; r != nullptr; r = r->next.get()) {
      if (r->loaded && !r->meshed.load(std::memory_order_acquire)) job.records.push_back(r);
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
      if (!io::isLevel3(r->type) && !fillGaps(*r)) break;
      r->cells.clear();
      r->meshed.store(true, std::memory_order_release);
    }
  }
  if (!stopped() && events != nullptr) events->meshData(kMeshDone, slotCount);
  workerDone_.store(true, std::memory_order_release);
}

bool ComPrdctMngmnt::fillGaps(GridRecord& r) {
  for (int row = 0; row < kGridRows; ++row) {
    const float lat = static_cast<float>(-90.0 + 0.1 * row);
    int run = 0;
    bool afterFilled = false;
    for (int w = -20; w <= 3620; ++w) {
      if (stop_.load(std::memory_order_relaxed)) return false;
      const int col = w < 0 ? w + 3601 : (w >= 3600 ? w - 3600 : w);
      const bool empty = r.grid[gridIndex(row, col)] == kEmptyValue;
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
  const int centreRow = row - 900;
  const int centreCol = col - 1800;
  const float latRad = lat * kDegToRad;
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
        const std::uint32_t index = r.cells.order[k];
        const ObsPoint& p = r.points[index];
        const float pLat = static_cast<float>(p.lat * 1e-6) * kDegToRad;
        const float dLon = (static_cast<float>(p.lon * 1e-6) - lon) * kDegToRad;
        // Rounding may push the cosine just past 1; the angle is then 0, not undefined.
        const float c = std::clamp(std::cos(dLon) * std::cos(pLat) * cosLat + std::sin(pLat) * sinLat, -1.0f, 1.0f);
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
  const float value = found > 0 ? r.points[nearest[0].index].value : r.grid[gridIndex(row, col)];
  if (value == kEmptyValue) return true;
  if (stop_.load(std::memory_order_relaxed)) return false;
  r.grid[gridIndex(row, col)] = value;
  return true;
}

}  // namespace kivo::model
