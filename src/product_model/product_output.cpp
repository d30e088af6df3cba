#include "product_model/product_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "product_io/allocation.h"
#include "product_io/io_write.h"
#include "product_io/readers/amsr2_data.h"
#include "product_io/trace.h"
#include "product_model/product_object.h"
#include "product_model/product_object_internal.h"

// Saving an area of an AMSR2 product as a new product: the scans with an observation in the
// area are copied dataset by dataset through one adapter per element type, and the root
// attributes of the source are copied and then brought up to date.

namespace kivo::model {
namespace {

using io::AMSR_data;
using io::DimSize;

constexpr double kMicro = 1e6;
constexpr int kRecordBytes = 512;           // one "Scan Data Quality" record per scan
constexpr int kSelectionBlockScans = 512;   // positions are read this many scans at a time
constexpr double kMaxProductSizeMByte = 99999.9;

// --- copy lists ------------------------------------------------------------------------------

enum class RawKind { Skip, Double, Float, Int, Byte, LatLon, ScanQuality, Layers };

struct CopyEntry {
  AccessLabel label;
  RawKind kind;
  std::vector<AccessLabel> layers;  // RawKind::Layers: the layer labels copied into `label`
};
using CopyList = std::vector<CopyEntry>;

void addRange(CopyList& list, AccessLabel first, AccessLabel last, RawKind kind) {
  for (AccessLabel l = first; l <= last; l += 10) list.push_back({l, kind, {}});
}

CopyList level1BList() {
  using enum RawKind;
  CopyList l{{10010, Double, {}}, {10020, Double, {}}, {10030, Float, {}}, {10040, Float, {}}};
  addRange(l, 11050, 11200, Float);
  addRange(l, 11210, 11230, Skip);  // composites of the channels above
  addRange(l, 10240, 10270, Int);
  l.push_back({10290, Int, {}});
  l.push_back({40070, LatLon, {}});
  l.push_back({40080, LatLon, {}});
  addRange(l, 10300, 10330, Float);
  addRange(l, 10340, 10350, Float);
  l.push_back({10420, Byte, {}});
  addRange(l, 10430, 10440, Float);
  l.push_back({10450, Byte, {}});
  l.push_back({10460, ScanQuality, {}});
  addRange(l, 10470, 10480, Byte);
  addRange(l, 10490, 10500, Byte);
  l.push_back({10510, Float, {}});
  return l;
}

CopyList level1RList() {
  using enum RawKind;
  CopyList l{{10010, Double, {}}, {10020, Double, {}}, {10030, Float, {}}, {10040, Float, {}}};
  addRange(l, 12050, 12180, Float);
  addRange(l, 12200, 12290, Float);
  // Every resampled channel of the two finest resolutions, the 89 GHz ones included.
  addRange(l, 12310, 12380, Float);
  addRange(l, 12400, 12430, Float);
  addRange(l, 11170, 11200, Float);
  addRange(l, 11220, 11230, Skip);
  l.push_back({40070, LatLon, {}});
  l.push_back({40080, LatLon, {}});
  l.push_back({12510, Float, {}});
  addRange(l, 10300, 10330, Float);
  addRange(l, 12560, 12570, Float);
  l.push_back({10460, ScanQuality, {}});
  addRange(l, 10470, 10480, Byte);
  return l;
}

CopyList level2List(char resolutionMark) {
  using enum RawKind;
  if (resolutionMark == 'H') {
    return {{10010, Double, {}},
            {10020, Double, {}},
            {22060, Layers, {22030, 22040, 22050}},
            {22100, Layers, {22070, 22080, 22090}},
            {40070, LatLon, {}},
            {40080, LatLon, {}},
            {22110, Byte, {}},
            {22120, Byte, {}}};
  }
  return {{10010, Double, {}},
          {10020, Double, {}},
          {21060, Layers, {21030, 21040, 21050}},
          {40130, LatLon, {}},
          {21070, Byte, {}}};
}

// The copy list of a product type (empty for types that cannot be saved) and the geolocation
// label whose positions select the scans.
bool copyListOf(PrdctType type, char resolutionMark, CopyList& list, AccessLabel& geo) {
  switch (type) {
    case PrdctType::Amsr2L1B:
      list = level1BList();
      geo = io::kLabelLatLon89A;
      return true;
    case PrdctType::Amsr2L1R:
      list = level1RList();
      geo = io::kLabelLatLon89A;
      return true;
    case PrdctType::Amsr2L2:
      list = level2List(resolutionMark);
      geo = resolutionMark == 'H' ? io::kLabelLatLonL2_89A : io::kLabelLatLonL2;
      return true;
    default:
      return false;
  }
}

// --- adapters ----------------------------------------------------------------------------------

// Analyses the scan-quality records that are copied.
class IComRawAnalyzeCallback {
 public:
  virtual ~IComRawAnalyzeCallback() = default;
  virtual void analyze(const std::uint8_t* record) = 0;
};

// Packet counters of the copied scans, from the 32-bit little-endian word at byte 8 of each
// record: bit 0 marks a missing scan, each of the 16 low bits a missing (set) or good (clear)
// packet.
class ComRawCallback final : public IComRawAnalyzeCallback {
 public:
  void analyze(const std::uint8_t* record) override {
    const std::uint32_t w = static_cast<std::uint32_t>(record[8]) | static_cast<std::uint32_t>(record[9]) << 8 |
                            static_cast<std::uint32_t>(record[10]) << 16 | static_cast<std::uint32_t>(record[11]) << 24;
    if ((w & 1u) != 0) ++missingScans;
    for (int b = 0; b < 16; ++b) {
      if ((w >> b) & 1u) {
        ++missingPackets;
      } else {
        ++goodPackets;
      }
    }
    computed = true;
  }
  long long goodPackets = 0;
  long long missingPackets = 0;
  long long missingScans = 0;
  bool computed = false;
};

// A scan range: source scans counted after the overlap scans, output scans from 1; both
// kAllScans for a dataset copied whole.
struct ScanRange {
  int begin;
  int end;
};

// One adapter per element type: copy reads a scan range of a label from the source into the
// adapter's buffer, then writes the buffer to a scan range of the output.
class IComRaw {
 public:
  virtual ~IComRaw() = default;
  int copy(AMSR_data& source, AMSR_data& output, AccessLabel label, ScanRange from, ScanRange to) {
    const int rc = read(source, label, from);
    if (rc < 0) return rc;
    if (rc == 0) return io::kErrEmptySelection;
    return write(output, label, to);
  }
  virtual int read(AMSR_data& source, AccessLabel label, ScanRange scans) = 0;
  virtual int write(AMSR_data& output, AccessLabel label, ScanRange scans) = 0;
  // Makes room for `bytes` of copied data, zeroed; false when memory ran out.
  virtual bool reserve(std::size_t bytes) = 0;
};

template <typename T, int (AMSR_data::*Read)(AccessLabel, int, int, std::vector<T>&),
          int (AMSR_data::*Write)(AccessLabel, int, int, const std::vector<T>&)>
class ComRawValues final : public IComRaw {
 public:
  int read(AMSR_data& source, AccessLabel label, ScanRange s) override {
    return (source.*Read)(label, s.begin, s.end, buffer_);
  }
  int write(AMSR_data& output, AccessLabel label, ScanRange s) override {
    return (output.*Write)(label, s.begin, s.end, buffer_);
  }
  bool reserve(std::size_t bytes) override {
    return tryAllocate([&] { buffer_.assign((bytes + sizeof(T) - 1) / sizeof(T), T{}); });
  }

 private:
  std::vector<T> buffer_;
};

using ComRawDouble = ComRawValues<double, &AMSR_data::readDouble, &AMSR_data::writeDouble>;
using ComRawFloat = ComRawValues<float, &AMSR_data::readFloat, &AMSR_data::writeFloat>;
using ComRawInt = ComRawValues<std::int32_t, &AMSR_data::readInt, &AMSR_data::writeInt>;
using ComRawUChar = ComRawValues<std::uint8_t, &AMSR_data::readByte, &AMSR_data::writeByte>;

class ComRawLatLon final : public IComRaw {
 public:
  int read(AMSR_data& source, AccessLabel label, ScanRange s) override {
    return source.readPositions(label, s.begin, s.end, buffer_);
  }
  int write(AMSR_data& output, AccessLabel label, ScanRange s) override {
    return output.writePositions(label, s.begin, s.end, buffer_);
  }
  bool reserve(std::size_t bytes) override {
    return tryAllocate([&] { buffer_.assign((bytes + sizeof(io::LatLon) - 1) / sizeof(io::LatLon), io::LatLon{}); });
  }

 private:
  std::vector<io::LatLon> buffer_;
};

class ComRawScanDataQuality final : public IComRaw {
 public:
  explicit ComRawScanDataQuality(IComRawAnalyzeCallback& callback) : callback_(callback) {}
  int read(AMSR_data& source, AccessLabel, ScanRange s) override {
    const int rc = source.readScanQuality(s.begin, s.end, buffer_);
    if (rc < 0) return rc;
    for (std::size_t i = 0; i + kRecordBytes <= buffer_.size(); i += kRecordBytes) callback_.analyze(&buffer_[i]);
    return rc;
  }
  int write(AMSR_data& output, AccessLabel, ScanRange s) override {
    return output.writeScanQuality(s.begin, s.end, buffer_);
  }
  bool reserve(std::size_t bytes) override { return tryAllocate([&] { buffer_.assign(bytes, 0); }); }

 private:
  IComRawAnalyzeCallback& callback_;
  std::vector<std::uint8_t> buffer_;
};

std::unique_ptr<IComRaw> makeAdapter(RawKind kind, IComRawAnalyzeCallback& callback) {
  switch (kind) {
    case RawKind::Double: return std::make_unique<ComRawDouble>();
    case RawKind::Float:
    case RawKind::Layers: return std::make_unique<ComRawFloat>();
    case RawKind::Int: return std::make_unique<ComRawInt>();
    case RawKind::Byte: return std::make_unique<ComRawUChar>();
    case RawKind::LatLon: return std::make_unique<ComRawLatLon>();
    case RawKind::ScanQuality: return std::make_unique<ComRawScanDataQuality>(callback);
    case RawKind::Skip: break;
  }
  return nullptr;
}

// Bytes of one element in the adapter's buffer.
std::size_t elementBytes(RawKind kind) {
  switch (kind) {
    case RawKind::Double: return sizeof(double);
    case RawKind::Float:
    case RawKind::Layers: return sizeof(float);
    case RawKind::Int: return sizeof(std::int32_t);
    case RawKind::LatLon: return sizeof(io::LatLon);
    default: return 1;
  }
}

// --- scan selection ------------------------------------------------------------------------------

// Source scans 1..N (after the overlap scans) that have a position in the area.
struct ScanSelection {
  std::vector<std::uint8_t> member;  // index f - 1
  int count = 0;
  // Runs of consecutive members.
  std::vector<ScanRange> runs() const {
    std::vector<ScanRange> out;
    const int n = static_cast<int>(member.size());
    for (int f = 1; f <= n; ++f) {
      if (member[static_cast<std::size_t>(f - 1)] == 0) continue;
      if (!out.empty() && out.back().end == f - 1) {
        out.back().end = f;
      } else {
        out.push_back({f, f});
      }
    }
    return out;
  }
};

// Reads the positions of scans 1..scans block by block and keeps every scan with a position in
// the area.
int selectScans(AMSR_data& source, AccessLabel geo, int scans, int pixels, const HdfOutputArea& area,
                ScanSelection& sel) {
  if (!tryAllocate([&] { sel.member.assign(static_cast<std::size_t>(scans), 0); })) return io::kErrNoMemory;
  std::vector<io::LatLon> positions;
  for (int begin = 1; begin <= scans; begin += kSelectionBlockScans) {
    const int end = std::min(scans, begin + kSelectionBlockScans - 1);
    const int rc = source.readPositions(geo, begin, end, positions);
    if (rc < 0) return rc;
    const auto perScan = static_cast<std::size_t>(pixels);
    if (positions.size() != static_cast<std::size_t>(end - begin + 1) * perScan) return io::kErrBadDims;
    for (int f = begin; f <= end; ++f) {
      const io::LatLon* p = positions.data() + static_cast<std::size_t>(f - begin) * perScan;
      const auto inside = [&area](const io::LatLon& q) {
        return area.contains(static_cast<double>(q.lon) * kMicro, static_cast<double>(q.lat) * kMicro);
      };
      if (std::any_of(p, p + perScan, inside)) {
        sel.member[static_cast<std::size_t>(f - 1)] = 1;
        ++sel.count;
      }
    }
  }
  return 0;
}

// --- the output file ---------------------------------------------------------------------------

// The output is written under a temporary name beside its final name and renamed over it only
// when it is complete, so that a failed output leaves nothing under the final name.
class TemporaryOutput {
 public:
  ~TemporaryOutput() {
    if (!path_.empty() && !committed_) ::unlink(path_.c_str());
  }
  bool create(const std::string& finalPath) {
    final_ = finalPath;
    const std::filesystem::path p(finalPath);
    const std::string folder = p.has_parent_path() ? p.parent_path().string() + "/" : std::string();
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
      const std::string candidate = folder + "." + p.filename().string() + ".kivo-" + suffix;
      // Created new with the usual permissions; the HDF5 library then writes into it.
      const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        ::close(fd);
        path_ = candidate;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }
  const std::string& path() const { return path_; }
  // Puts the complete file on the disk and gives it its final name.
  bool commit() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || std::rename(path_.c_str(), final_.c_str()) != 0) return false;
    committed_ = true;
    return true;
  }

 private:
  std::string final_;
  std::string path_;
  bool committed_ = false;
};

std::string utcNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm t{};
  gmtime_r(&seconds, &t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(millis));
  return text;
}

std::string counterText(long long value, bool computed) { return computed ? std::to_string(value) : "-"; }

// Copies every root attribute of the source as text, in file order.
int copyRootAttributes(io::AMSR2_data& source, io::AMSR2_data& output) {
  const int count = source.attributeCount();
  for (int i = 1; i <= count; ++i) {
    std::string name, value;
    if (io::getMetaDataName(source.handle(), i, name) < 0 || name.empty()) continue;
    // An attribute that is not text cannot be copied as text; the others still are.
    if (io::getMetaData(source.handle(), i, value) < 0) continue;
    const int rc = output.setAttributeByName(name, value);
    if (rc < 0) return rc;
  }
  return 0;
}

// The outline of the output's positions: first and last pixels of scans 1, n/3, 2n/3 and n.
int gringPoints(io::AMSR2_data& output, AccessLabel geo, int scans, std::string& lat, std::string& lon) {
  const int marks[4] = {1, std::max(1, scans / 3), std::max(1, 2 * scans / 3), scans};
  io::LatLon first[4], last[4];
  std::vector<io::LatLon> positions;
  for (int i = 0; i < 4; ++i) {
    const int rc = output.readPositions(geo, marks[i], marks[i], positions);
    if (rc < 0) return rc;
    if (positions.empty()) return io::kErrEmptySelection;
    first[i] = positions.front();
    last[i] = positions.back();
  }
  const io::LatLon ring[8] = {first[0], last[0], last[1], last[2], last[3], first[3], first[2], first[1]};
  char latText[256], lonText[256];
  std::snprintf(latText, sizeof latText, "%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f", ring[0].lat, ring[1].lat,
                ring[2].lat, ring[3].lat, ring[4].lat, ring[5].lat, ring[6].lat, ring[7].lat);
  std::snprintf(lonText, sizeof lonText, "%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f", ring[0].lon, ring[1].lon,
                ring[2].lon, ring[3].lon, ring[4].lon, ring[5].lon, ring[6].lon, ring[7].lon);
  lat = latText;
  lon = lonText;
  return 0;
}

// The axis along which a dataset's rows are scans.
int scanAxisOf(AccessLabel label, int rank) {
  io::LayerInfo layer{};
  const bool layered = io::layerInfo(label, layer) && layer.layer < 0;
  return rank == 3 && !layered ? 1 : 0;
}

struct CopyContext {
  io::AMSR2_data& source;
  io::AMSR2_data& output;
  int sourceRows;  // rows of the geolocation datasets, overlap scans included
  const ScanSelection& selection;
  const std::vector<ScanRange>& runs;
  IComRawAnalyzeCallback& callback;
};

// Copies one entry of the copy list.
int copyEntry(const CopyEntry& entry, CopyContext& c) {
  DimSize dims;
  int rank = 0;
  int rc = c.source.dimensionsRank(entry.label, dims, rank);
  // A dataset the source does not have is left out of the output.
  if (rc == io::kErrDatasetOpen) return 0;
  if (rc != 0) return rc < 0 ? rc : -1;
  const int axis = scanAxisOf(entry.label, rank);
  // A dataset whose rows are not scans (the spill-over table) is copied whole.
  const bool whole = dims.dims[axis] != c.sourceRows;
  DimSize out = dims;
  if (!whole) out.dims[axis] = c.selection.count;
  if ((rc = c.output.createDataset(entry.label, out)) < 0) return rc;

  std::unique_ptr<IComRaw> adapter = makeAdapter(entry.kind, c.callback);
  if (!adapter) return 0;
  std::vector<AccessLabel> labels{entry.label};
  std::size_t perScan = elementBytes(entry.kind);
  if (entry.kind == RawKind::Layers) {
    // Every layer the source holds, one layer label at a time.
    labels.clear();
    for (std::size_t l = 0; l < entry.layers.size() && static_cast<std::int32_t>(l) < dims.dims[2]; ++l) {
      labels.push_back(entry.layers[l]);
    }
    perScan *= static_cast<std::size_t>(dims.dims[1]);
  } else if (entry.kind == RawKind::LatLon || entry.kind == RawKind::ScanQuality) {
    perScan = entry.kind == RawKind::LatLon ? static_cast<std::size_t>(dims.dims[1]) * sizeof(io::LatLon)
                                            : static_cast<std::size_t>(kRecordBytes);
  } else {
    for (int i = 0; i < rank; ++i) {
      if (i != axis) perScan *= static_cast<std::size_t>(dims.dims[i]);
    }
  }

  for (AccessLabel label : labels) {
    if (whole) {
      if (!adapter->reserve(perScan * static_cast<std::size_t>(std::max(dims.dims[axis], 1)))) return io::kErrNoMemory;
      if ((rc = adapter->copy(c.source, c.output, label, {io::kAllScans, io::kAllScans},
                              {io::kAllScans, io::kAllScans})) < 0) {
        return rc;
      }
      continue;
    }
    int next = 1;
    for (const ScanRange& run : c.runs) {
      const int length = run.end - run.begin + 1;
      if (!adapter->reserve(perScan * static_cast<std::size_t>(length))) {
        io::trace("DEBUG: NULL Pointer %u AccessLabel=%u Dipth=%d 0=%d 1=%d 2=%d\n", static_cast<unsigned>(perScan),
                  static_cast<unsigned>(label), rank, dims.dims[0], dims.dims[1], dims.dims[2]);
        return io::kErrNoMemory;
      }
      if ((rc = adapter->copy(c.source, c.output, label, run, {next, next + length - 1})) < 0) return rc;
      next += length;
    }
  }
  return 0;
}

// The root attributes that change with the cut.
int updateRootAttributes(io::AMSR2_data& output, AccessLabel geo, int scans, const ComRawCallback& counters,
                         const std::string& leapFile) {
  int rc = 0;
  const auto set = [&](const char* name, const std::string& value) {
    if (rc >= 0) rc = output.setAttributeByName(name, value);
  };
  set("ProductionDateTime", utcNow());
  set("NumberOfScans", std::to_string(scans));
  if (rc < 0) return rc;
  std::vector<io::ScanTimeRecord> first, last;
  if ((rc = output.readScanTime(1, 1, first, leapFile)) < 0) return rc;
  if ((rc = output.readScanTime(scans, scans, last, leapFile)) < 0) return rc;
  if (first.empty() || last.empty()) return io::kErrEmptySelection;
  rc = 0;
  set("ObservationStartDateTime", io::formatObservationTime(first.front()));
  set("ObservationEndDateTime", io::formatObservationTime(last.front()));
  if (rc < 0) return rc;
  std::string lat, lon;
  if ((rc = gringPoints(output, geo, scans, lat, lon)) < 0) return rc;
  set("GringPointLatitude", lat);
  set("GringPointLongitude", lon);
  set("NumberOfGoodPackets", counterText(counters.goodPackets, counters.computed));
  set("NumberMissingPackets", counterText(counters.missingPackets, counters.computed));
  set("NumberOfMissingScans", counterText(counters.missingScans, counters.computed));
  return rc;
}

// "ProductSize_MByte" of the closed output, written in an update of the file.
int writeProductSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  const double mbytes = std::min(static_cast<double>(st.st_size) / (1024.0 * 1024.0), kMaxProductSizeMByte);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", mbytes);
  io::AMSR2_data output(path);
  int rc = output.openForWriting(io::kOutputUpdate);
  if (rc < 0) return rc;
  rc = output.setAttributeByName("ProductSize_MByte", text);
  const int closed = output.closeOutput();
  return rc < 0 ? rc : closed;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

bool HdfOutputArea::contains(double lon, double lat) const {
  if (!(lat >= -90 * kMicro && lat <= 90 * kMicro && lon >= -180 * kMicro && lon <= 180 * kMicro)) return false;
  if (project) {
    std::int64_t x = 0, y = 0;
    if (!project(static_cast<std::int32_t>(lon), static_cast<std::int32_t>(lat), x, y)) return false;
    return x >= std::min(mapX1, mapX2) && x <= std::max(mapX1, mapX2) && y >= std::min(mapY1, mapY2) &&
           y <= std::max(mapY1, mapY2);
  }
  if (lat < std::min(lat1, lat2) || lat > std::max(lat1, lat2)) return false;
  if (lon1 >= 0 && lon2 < 0) return (lon >= lon1 && lon <= 180 * kMicro) || (lon >= -180 * kMicro && lon <= lon2);
  return lon >= std::min(lon1, lon2) && lon <= std::max(lon1, lon2);
}

int ComPrdctMngmnt::ComOutputHdf(int slot, const std::string& path, const HdfOutputArea& area) {
  const GridRecord* f = first(slot);
  if (f == nullptr || path.empty()) return kHdfOutputFailed;
  CopyList list;
  AccessLabel geo = 0;
  if (!copyListOf(f->type, ComGetResMark(slot), list, geo)) return kHdfOutputFailed;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return kHdfOutputFailed;
  // Never replace a product this object holds: its slot reads the file again later.
  for (int s = 0; s < kSlotCount; ++s) {
    const GridRecord* other = first(s);
    if (other != nullptr && sameFile(other->path, path)) return kHdfOutputFailed;
  }

  io::AMSR_data::setDataDirectory(settings_.dataDirectory);
  const std::string leapFile = settings_.dataDirectory + "leapsec.dat";
  io::AMSR2_data source(f->path);
  if (source.open() != 0) return kHdfOutputFailed;
  const int overlap = std::max(0, io::getOverlapScans(source.handle()));
  DimSize geoDims;
  int rank = 0;
  if (source.dimensionsRank(geo, geoDims, rank) != 0 || rank != 2 || geoDims.dims[1] <= 0) return kHdfOutputFailed;
  const int rows = geoDims.dims[0];
  const int scans = rows - overlap;  // the scans after the leading overlap scans, as the reads count them
  if (scans <= 0) return kHdfOutputNoScans;

  ScanSelection selection;
  if (selectScans(source, geo, scans, geoDims.dims[1], area, selection) < 0) return kHdfOutputFailed;
  if (selection.count == 0) return kHdfOutputNoScans;
  const std::vector<ScanRange> runs = selection.runs();

  TemporaryOutput file;
  if (!file.create(path)) return kHdfOutputFailed;
  {
    io::AMSR2_data output(file.path());
    if (output.openForWriting(io::kOutputCreate) != 0) return kHdfOutputFailed;
    if (copyRootAttributes(source, output) < 0 || output.setAttributeByName("OverlapScans", "0") < 0) {
      return kHdfOutputFailed;
    }
    ComRawCallback counters;
    CopyContext context{source, output, rows, selection, runs, counters};
    for (const CopyEntry& entry : list) {
      if (entry.kind == RawKind::Skip) continue;
      if (copyEntry(entry, context) < 0) return kHdfOutputFailed;
    }
    if (updateRootAttributes(output, geo, selection.count, counters, leapFile) < 0) return kHdfOutputFailed;
    if (output.closeOutput() != 0) return kHdfOutputFailed;
  }
  source.close();
  if (writeProductSize(file.path()) != 0 || !file.commit()) return kHdfOutputFailed;
  return kHdfOutputDone;
}

}  // namespace kivo::model
