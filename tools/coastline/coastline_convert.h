#pragma once

// Makes the installation's GSHHS shoreline files (Map/gshhs_c.b, Map/gshhs_i.b) from the text
// segments that GMT prints for its GSHHG shorelines (`gmt coast -Rd -D<res> -W -M`).
//
// Every ">" segment becomes one polygon record: a 32-byte big-endian header (id, n, flag,
// west, east, south, north, area) followed by n (longitude, latitude) int32 pairs in
// microdegrees, longitudes in -180..180. The flag carries the level in bits 0-7, format
// version 3 in bits 8-15, the Greenwich-crossing bit 16 and source bit 24 (1: WVS). GMT cuts
// its shorelines at the edges of its storage bins, so a record is a piece of a shoreline,
// which draws the same as the whole line.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::tools {

inline constexpr int kCoastOk = 0;
inline constexpr int kCoastCannotRead = 1;    // input file or gmt could not be started
inline constexpr int kCoastMalformed = 2;     // a line that is neither header, comment nor point
inline constexpr int kCoastTooLarge = 3;      // beyond SegmentLimits, or a line too long
inline constexpr int kCoastEmpty = 4;         // no point at all
inline constexpr int kCoastWriteFailed = 5;
inline constexpr int kCoastGmtFailed = 6;     // gmt ran but did not succeed

inline constexpr int kGshhsVersion = 3;
inline constexpr std::size_t kGshhsHeaderBytes = 32;

struct ShorePoint {
  std::int32_t lon = 0;  // microdegrees, -180..180
  std::int32_t lat = 0;  // microdegrees, -90..90
  friend bool operator==(const ShorePoint&, const ShorePoint&) = default;
};

struct ShorePolygon {
  int level = 1;  // 1 land, 2 lake, 3 island in lake, 4 pond in island
  std::vector<ShorePoint> points;
};

struct SegmentLimits {
  std::size_t maxPoints = 30'000'000;   // the full-resolution set has about 11 million
  std::size_t maxPolygons = 10'000'000; // the loader's bound on polygon ids
  std::size_t maxLineBytes = 4096;
};

// Segment text: lines "> ... Level N ..." start a polygon (level 1 when the header names
// none), "lon lat [more columns]" lines add a point (separated by blanks, tabs or commas),
// "#" lines and empty lines are skipped; CR LF is accepted. Points before the first header
// form a polygon of their own; polygons without points are dropped. Longitudes -360..360 are
// brought into -180..180 (180 stays 180), latitudes must lie in -90..90.
// On failure `problem` names the line.
int parseSegmentText(std::string_view text, std::vector<ShorePolygon>& polygons, std::string& problem,
                     const SegmentLimits& limits = {});
int parseSegmentStream(std::FILE* in, std::vector<ShorePolygon>& polygons, std::string& problem,
                       const SegmentLimits& limits = {});

struct GshhsHeader {
  std::int32_t id = 0;
  std::int32_t n = 0;
  std::int32_t flag = 0;
  std::int32_t west = 0, east = 0, south = 0, north = 0;  // microdegrees
  std::int32_t area = 0;  // 0.1 km^2, of the piece closed by a chord from its last to its first point
};

GshhsHeader makeHeader(std::int32_t id, const ShorePolygon& polygon);
// The whole file as bytes; ids run from 0 in the order of `polygons`.
std::string encodeGshhs(const std::vector<ShorePolygon>& polygons);
// Writes the file through a temporary file beside `path` that is renamed once complete.
int writeGshhsFile(const std::string& path, const std::vector<ShorePolygon>& polygons, std::string& problem);

// Runs `gmt coast` for resolution c, l, i, h or f (in a private temporary folder, so that GMT's
// history file lands nowhere else) and parses what it prints.
int readGmtShorelines(const std::string& gmt, char resolution, std::vector<ShorePolygon>& polygons,
                      std::string& problem);

// The converter's two jobs: segment text file -> GSHHS file, gmt -> GSHHS file.
int convertTextFile(const std::string& textPath, const std::string& outPath, std::string& problem,
                    std::vector<ShorePolygon>* written = nullptr);
int convertFromGmt(const std::string& gmt, char resolution, const std::string& outPath, std::string& problem,
                   std::vector<ShorePolygon>* written = nullptr);

}  // namespace kivo::tools
