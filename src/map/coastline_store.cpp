#include "map/coastline_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "product_io/allocation.h"

namespace kivo::map {

namespace {

// The whole content of a regular file, read with as few calls as possible. Other kinds of
// file are refused before they are read (opening without blocking, so that a FIFO does not
// hang the caller), and so are files larger than `limit`.
struct FileBytes {
  std::unique_ptr<unsigned char[]> data;
  std::uint64_t size = 0;
};

bool readRegularFile(const std::string& path, std::uint64_t limit, FileBytes& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return false;
  const auto expected = static_cast<std::uint64_t>(info.st_size);
  if (expected > limit) return false;
  if (!tryAllocate([&] { out.data = std::make_unique_for_overwrite<unsigned char[]>(expected > 0 ? expected : 1); })) {
    return false;
  }
  // A file that shrinks meanwhile is taken as far as it goes; growth beyond the size seen is
  // ignored.
  std::uint64_t got = 0;
  while (got < expected) {
    const ssize_t n = ::read(fd, out.data.get() + got, static_cast<std::size_t>(expected - got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::uint64_t>(n);
  }
  out.size = got;
  return true;
}

constexpr std::size_t kShortHeaderBytes = 32;  // GSHHS 1.x
constexpr std::size_t kLongHeaderBytes = 44;   // GSHHG 2.x: + area_full, container, ancestor
constexpr int kNativeVersion = 6;              // version of files pre-converted to little-endian
constexpr int kFirstLongHeaderVersion = 7;
constexpr std::uint64_t kPointBytes = 8;

std::int32_t decode(const unsigned char* p, bool bigEndian) {
  const std::uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
  const std::uint32_t v = bigEndian ? (b0 << 24) | (b1 << 16) | (b2 << 8) | b3
                                    : (b3 << 24) | (b2 << 16) | (b1 << 8) | b0;
  return static_cast<std::int32_t>(v);
}

int versionOf(std::int32_t flag) { return static_cast<int>((static_cast<std::uint32_t>(flag) >> 8) & 0xFFu); }

struct Layout {
  bool bigEndian = true;
  std::size_t headerBytes = kShortHeaderBytes;
  int version = 0;
};

// The byte order and header size follow from the version byte of the first header: 6 when
// read little-endian means a pre-converted file, otherwise the file is big-endian and a
// version of 7 or more means GSHHG 2.x headers.
Layout layoutOf(const unsigned char* firstHeader) {
  Layout layout;
  const int littleVersion = versionOf(decode(firstHeader + 8, false));
  if (littleVersion == kNativeVersion) {
    layout.bigEndian = false;
    layout.version = littleVersion;
    return layout;
  }
  layout.version = versionOf(decode(firstHeader + 8, true));
  if (layout.version >= kFirstLongHeaderVersion) layout.headerBytes = kLongHeaderBytes;
  return layout;
}

struct Header {
  std::int32_t id = 0;
  std::int32_t n = 0;
};

Header decodeHeader(const unsigned char* p, const Layout& layout) {
  Header h;
  h.id = decode(p, layout.bigEndian);
  h.n = decode(p + 4, layout.bigEndian);
  return h;
}

// What the counting pass found.
struct FileCount {
  Layout layout;
  std::int32_t maxId = -1;
  std::uint64_t records = 0;
  std::uint64_t totalPoints = 0;
};

// Walks the headers with the layout of the first. A file that ends inside a polygon's points
// keeps the points it holds; the walk stops there. Returns false for a refused file.
bool countRecords(const FileBytes& file, FileCount& count) {
  const std::uint64_t fileBytes = file.size;
  if (fileBytes < kShortHeaderBytes) return false;
  count.layout = layoutOf(file.data.get());
  const Layout& layout = count.layout;

  std::uint64_t pos = 0;
  while (fileBytes - pos >= layout.headerBytes) {
    const Header h = decodeHeader(file.data.get() + pos, layout);
    pos += layout.headerBytes;
    if (h.id < 0 || h.id > kMaxPolygonId) return false;
    if (h.n < 0) return false;
    const std::uint64_t stored = std::min(static_cast<std::uint64_t>(h.n), (fileBytes - pos) / kPointBytes);
    count.maxId = std::max(count.maxId, h.id);
    count.totalPoints += stored;
    ++count.records;
    if (stored < static_cast<std::uint64_t>(h.n)) break;
    pos += stored * kPointBytes;
  }
  return count.records > 0;
}

// Takes the points of the counted records, a polygon cut off by the end of the file with the
// points it holds.
void readRecords(const FileBytes& file, const FileCount& count, std::vector<std::int32_t>& counts,
                 std::vector<std::uint32_t>& offsets, std::vector<CoastPoint>& points) {
  const Layout& layout = count.layout;
  std::uint64_t pos = 0;
  std::size_t used = 0;
  for (std::uint64_t r = 0; r < count.records; ++r) {
    if (file.size - pos < layout.headerBytes) break;
    const Header h = decodeHeader(file.data.get() + pos, layout);
    pos += layout.headerBytes;
    if (h.id < 0 || h.id > count.maxId || h.n < 0) break;
    const auto id = static_cast<std::size_t>(h.id);
    offsets[id] = static_cast<std::uint32_t>(used);
    const std::size_t wanted = std::min(static_cast<std::size_t>(h.n), points.size() - used);
    const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, (file.size - pos) / kPointBytes));
    const unsigned char* p = file.data.get() + pos;
    for (std::size_t k = 0; k < held; ++k, p += kPointBytes) {
      points[used++] = CoastPoint{decode(p, layout.bigEndian), decode(p + 4, layout.bigEndian)};
    }
    counts[id] = static_cast<std::int32_t>(held);
    pos += held * kPointBytes;
    if (held < static_cast<std::size_t>(h.n)) break;
  }
  points.resize(used);
}

}  // namespace

int CoastlineStore::loadMapFile(int s, const std::string& path) {
  if (s < 1 || s > kSlotCount) return kMapLoadFailed;
  CoastlineSlot& target = slots_[s - 1];
  target = CoastlineSlot{};

  FileBytes file;
  if (!readRegularFile(path, kMaxMapFileBytes, file)) return kMapLoadFailed;

  FileCount count;
  if (!countRecords(file, count)) return kMapLoadFailed;

  CoastlineSlot loaded;
  const auto polygons = static_cast<std::size_t>(count.maxId) + 1;
  if (!tryAllocate([&] {
        loaded.counts_.assign(polygons, 0);
        loaded.offsets_.assign(polygons, 0);
        loaded.points_.resize(static_cast<std::size_t>(count.totalPoints));
      })) {
    return kMapLoadFailed;
  }
  readRecords(file, count, loaded.counts_, loaded.offsets_, loaded.points_);
  target = std::move(loaded);
  return kMapLoadOk;
}

void CoastlineStore::freeMapFile(int s) {
  if (s < 1 || s > kSlotCount) return;
  slots_[s - 1] = CoastlineSlot{};
}

const CoastlineSlot& CoastlineStore::slot(int s) const {
  static const CoastlineSlot kEmpty;
  if (s < 1 || s > kSlotCount) return kEmpty;
  return slots_[s - 1];
}

}  // namespace kivo::map
