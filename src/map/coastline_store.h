#pragma once

// The coastline data of the map layer: two slots of GSHHS shoreline polygons, loaded from
// binary shoreline files and read by the drawing code without copying.
//
// Accepted files:
//  - GSHHS with 32-byte headers (id, n, flag, west, east, south, north, area), big-endian,
//    any format version below 7 in bits 8-15 of the flag;
//  - the same layout pre-converted to little-endian, recognised by version 6 in the flag of
//    the first header read little-endian;
//  - GSHHG 2.x files (format version 7 and above), big-endian, whose headers are 44 bytes
//    (the above plus area_full, container, ancestor).
// Each header is followed by n (longitude, latitude) int32 pairs in microdegrees. Only the
// id and n of a header are used; the points are kept exactly as stored.
//
// The format version of the first header decides the byte order and header size for the
// whole file; later headers are read the same way whatever their version byte says.
// A file is refused (result 1) when its first header is incomplete, a polygon id is negative
// or above kMaxPolygonId, or a point count is negative, and when the file is not a regular
// file or is larger than kMaxMapFileBytes. A file cut off inside a polygon's points keeps
// every point it holds, that polygon's too; bytes after the last complete record that do not
// make a whole header are ignored. Nothing is allocated before the whole file has been
// checked, and no more points than the file can hold.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo::map {

// One shoreline point in microdegrees, as stored (longitude 0..360 or -180..180).
struct CoastPoint {
  std::int32_t lon = 0;
  std::int32_t lat = 0;
  friend bool operator==(const CoastPoint&, const CoastPoint&) = default;
};

inline constexpr int kMapLoadOk = 0;
inline constexpr int kMapLoadFailed = 1;  // slot number other than 1 or 2, unreadable or refused file

// The highest polygon id accepted; the per-polygon arrays are sized by the highest id.
inline constexpr std::int32_t kMaxPolygonId = 9'999'999;
// The largest file accepted (the full-resolution GSHHG set is about 150 MB).
inline constexpr std::uint64_t kMaxMapFileBytes = std::uint64_t{1} << 30;

// The polygons of one slot, indexed by polygon id. Ids that the file does not carry have no
// points. When a file repeats an id, the last record with that id is the one kept.
class CoastlineSlot {
 public:
  int polygonCount() const { return static_cast<int>(counts_.size()); }
  // Number of points of polygon `id`; 0 for ids outside 0 .. polygonCount() - 1.
  std::int32_t pointCount(int id) const {
    return id >= 0 && id < polygonCount() ? counts_[static_cast<std::size_t>(id)] : 0;
  }
  // The points of polygon `id` (pointCount(id) of them); nullptr when it has none.
  const CoastPoint* points(int id) const {
    return pointCount(id) > 0 ? points_.data() + offsets_[static_cast<std::size_t>(id)] : nullptr;
  }
  // All points in file order.
  const std::vector<CoastPoint>& allPoints() const { return points_; }
  std::size_t totalPoints() const { return points_.size(); }
  bool empty() const { return counts_.empty(); }

 private:
  friend class CoastlineStore;
  std::vector<std::int32_t> counts_;   // points of each polygon id
  std::vector<std::uint32_t> offsets_;  // start of each polygon id in points_
  std::vector<CoastPoint> points_;     // all polygons concatenated in file order
};

class CoastlineStore {
 public:
  static constexpr int kSlotCount = 2;

  // Loads a shoreline file into slot 1 or 2, replacing what the slot held. Returns
  // kMapLoadOk, or kMapLoadFailed for another slot number (nothing changes) or for a file
  // that cannot be opened or is refused (the slot is left empty).
  int loadMapFile(int slot, const std::string& path);
  // Releases the arrays of slot 1 or 2; other slot numbers are ignored.
  void freeMapFile(int slot);

  // Read access for drawing. Another slot number reads as an empty slot.
  const CoastlineSlot& slot(int slot) const;
  int polygonCount(int s) const { return slot(s).polygonCount(); }
  std::int32_t pointCount(int s, int id) const { return slot(s).pointCount(id); }
  const CoastPoint* points(int s, int id) const { return slot(s).points(id); }

 private:
  CoastlineSlot slots_[kSlotCount];
};

}  // namespace kivo::map
