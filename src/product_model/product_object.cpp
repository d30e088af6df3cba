#include "product_model/product_object.h"

#include <algorithm>

#include "product_io/readers/reader_factory.h"
#include "product_model/product_object_internal.h"

// The slot registry: registering and releasing files, their root attributes, and what the
// catalogue says of a slot.

namespace kivo::model {
namespace {

constexpr std::size_t kMaxAttributeValue = 59999;  // a value longer than this is cut

}  // namespace

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
  slots_[static_cast<std::size_t>(slot)].reset();  // the records let go of their grids
  --slotCount_;
}

void ComPrdctMngmnt::resetRecord(GridRecord& r) {
  LargeVector<ObsPoint>().swap(r.points);
  r.releaseGrid();
  r.cells.clear();
  LargeVector<std::uint32_t>().swap(r.pointCells);
  r.pointCount = 0;
  r.readCount = 0;
  r.loaded = false;
  r.channel = -1;
  r.label = 0;
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
    r.format = static_cast<io::FileFormat>(catalogue::ComGetFileFormat(path));
    r.reader = io::makeReader(r.format, path);
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

}  // namespace kivo::model
