#include "coastline_convert.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>

namespace kivo::tools {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr double kEarthRadiusKm = 6371.0088;  // mean radius
constexpr double kPi = 3.14159265358979323846;
constexpr int kSourceWvs = 1;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

// One decimal number at the front of `s`; advances past it.
bool takeNumber(std::string_view& s, double& value) {
  std::size_t i = 0;
  while (i < s.size() && isSeparator(s[i])) ++i;
  if (i < s.size() && s[i] == '+') ++i;
  const char* begin = s.data() + i;
  const char* end = s.data() + s.size();
  const auto [next, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc{} || next == begin) return false;
  if (next != end && !isSeparator(*next)) return false;
  s.remove_prefix(static_cast<std::size_t>(next - s.data()));
  return std::isfinite(value);
}

// The level a segment header names ("> Shore Bin # 0, Level 2"), or 1.
int headerLevel(std::string_view header) {
  const auto at = header.find("Level");
  if (at == std::string_view::npos) return 1;
  std::string_view rest = header.substr(at + 5);
  while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
  int level = 0;
  const auto [next, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), level);
  (void)next;
  return ec == std::errc{} && level >= 1 && level <= 255 ? level : 1;
}

std::int32_t toMicrodegrees(double degrees) { return static_cast<std::int32_t>(std::llround(degrees * 1e6)); }

class SegmentReader {
 public:
  SegmentReader(std::vector<ShorePolygon>& polygons, std::string& problem, const SegmentLimits& limits)
      : polygons_(polygons), problem_(problem), limits_(limits) {
    polygons_.clear();
  }

  int line(std::string_view text) {
    ++lineNumber_;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    if (text.size() > limits_.maxLineBytes) return fail(kCoastTooLarge, "line too long");
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    if (text.empty() || text.front() == '#') return kCoastOk;
    if (text.front() == '>') return startPolygon(headerLevel(text));
    double lon = 0, lat = 0;
    if (!takeNumber(text, lon) || !takeNumber(text, lat)) return fail(kCoastMalformed, "not a longitude/latitude pair");
    if (lon < -360.0 || lon > 360.0 || lat < -90.0 || lat > 90.0) return fail(kCoastMalformed, "coordinates out of range");
    if (lon > 180.0) lon -= 360.0;
    if (lon < -180.0) lon += 360.0;
    if (points_ >= limits_.maxPoints) return fail(kCoastTooLarge, "too many points");
    if (!open_) {
      const int rc = startPolygon(1);
      if (rc != kCoastOk) return rc;
    }
    polygons_.back().points.push_back(ShorePoint{toMicrodegrees(lon), toMicrodegrees(lat)});
    ++points_;
    return kCoastOk;
  }

  int finish() {
    dropEmptyLast();
    if (points_ == 0) {
      problem_ = "no shoreline points";
      return kCoastEmpty;
    }
    return kCoastOk;
  }

  int fail(int code, const char* what) {
    problem_ = "line " + std::to_string(lineNumber_) + ": " + what;
    return code;
  }

 private:
  int startPolygon(int level) {
    dropEmptyLast();
    if (polygons_.size() >= limits_.maxPolygons) return fail(kCoastTooLarge, "too many segments");
    polygons_.push_back(ShorePolygon{level, {}});
    open_ = true;
    return kCoastOk;
  }
  void dropEmptyLast() {
    if (!polygons_.empty() && polygons_.back().points.empty()) polygons_.pop_back();
  }

  std::vector<ShorePolygon>& polygons_;
  std::string& problem_;
  const SegmentLimits& limits_;
  std::size_t lineNumber_ = 0;
  std::size_t points_ = 0;
  bool open_ = false;
};

void putInt32(std::string& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                         static_cast<char>(v)};
  out.append(bytes, 4);
}

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

// A private folder removed with everything in it.
class PrivateDir {
 public:
  PrivateDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kivo-gmt-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) != nullptr) path_ = name.data();
  }
  ~PrivateDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  PrivateDir(const PrivateDir&) = delete;
  PrivateDir& operator=(const PrivateDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct PipeCloser {
  void operator()(std::FILE* f) const { ::pclose(f); }
};

}  // namespace

int parseSegmentText(std::string_view text, std::vector<ShorePolygon>& polygons, std::string& problem,
                     const SegmentLimits& limits) {
  try {
    SegmentReader reader(polygons, problem, limits);
    while (!text.empty()) {
      const auto nl = text.find('\n');
      const std::string_view one = text.substr(0, nl);
      text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
      const int rc = reader.line(one);
      if (rc != kCoastOk) return rc;
    }
    return reader.finish();
  } catch (const std::bad_alloc&) {
    problem = "out of memory";
    return kCoastTooLarge;
  }
}

int parseSegmentStream(std::FILE* in, std::vector<ShorePolygon>& polygons, std::string& problem,
                       const SegmentLimits& limits) {
  try {
    SegmentReader reader(polygons, problem, limits);
    // Room for the longest line allowed (at most 1 MiB), CR, LF and the terminating zero.
    const std::size_t room = std::min<std::size_t>(limits.maxLineBytes, 1u << 20) + 3;
    std::vector<char> buffer(room);
    while (std::fgets(buffer.data(), static_cast<int>(room), in) != nullptr) {
      const std::string_view one(buffer.data(), std::strlen(buffer.data()));
      // A piece that fills the buffer without reaching the end of its line is too long; the
      // reader then sees more than the allowed length and says so.
      const bool cut = one.size() == room - 1 && one.back() != '\n';
      const int rc = reader.line(one);
      if (cut && rc == kCoastOk) return reader.fail(kCoastTooLarge, "line too long");
      if (rc != kCoastOk) return rc;
    }
    if (std::ferror(in)) {
      problem = "read error";
      return kCoastCannotRead;
    }
    return reader.finish();
  } catch (const std::bad_alloc&) {
    problem = "out of memory";
    return kCoastTooLarge;
  }
}

GshhsHeader makeHeader(std::int32_t id, const ShorePolygon& polygon) {
  GshhsHeader h;
  h.id = id;
  h.n = static_cast<std::int32_t>(polygon.points.size());
  if (!polygon.points.empty()) {
    h.west = h.east = polygon.points.front().lon;
    h.south = h.north = polygon.points.front().lat;
  }
  for (const ShorePoint& p : polygon.points) {
    h.west = std::min(h.west, p.lon);
    h.east = std::max(h.east, p.lon);
    h.south = std::min(h.south, p.lat);
    h.north = std::max(h.north, p.lat);
  }
  const int greenwich = h.west < 0 && h.east > 0 ? 1 : 0;
  h.flag = static_cast<std::int32_t>((static_cast<std::uint32_t>(polygon.level) & 0xFFu) |
                                     (static_cast<std::uint32_t>(kGshhsVersion) << 8) |
                                     (static_cast<std::uint32_t>(greenwich) << 16) |
                                     (static_cast<std::uint32_t>(kSourceWvs) << 24));

  // Spherical area of the closed ring: R^2/2 * |sum (lon[i+1] - lon[i-1]) * sin(lat[i])|.
  const std::size_t n = polygon.points.size();
  if (n >= 3) {
    const double toRad = kPi / 180e6;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const ShorePoint& prev = polygon.points[(i + n - 1) % n];
      const ShorePoint& next = polygon.points[(i + 1) % n];
      sum += (static_cast<double>(next.lon) - prev.lon) * toRad * std::sin(polygon.points[i].lat * toRad);
    }
    const double tenthsKm2 = std::fabs(sum) * kEarthRadiusKm * kEarthRadiusKm / 2.0 * 10.0;
    h.area = static_cast<std::int32_t>(std::min<double>(std::llround(tenthsKm2), std::numeric_limits<std::int32_t>::max()));
  }
  return h;
}

std::string encodeGshhs(const std::vector<ShorePolygon>& polygons) {
  std::size_t bytes = 0;
  for (const ShorePolygon& p : polygons) bytes += kGshhsHeaderBytes + 8 * p.points.size();
  std::string out;
  out.reserve(bytes);
  std::int32_t id = 0;
  for (const ShorePolygon& p : polygons) {
    const GshhsHeader h = makeHeader(id++, p);
    for (std::int32_t v : {h.id, h.n, h.flag, h.west, h.east, h.south, h.north, h.area}) putInt32(out, v);
    for (const ShorePoint& q : p.points) {
      putInt32(out, q.lon);
      putInt32(out, q.lat);
    }
  }
  return out;
}

int writeGshhsFile(const std::string& path, const std::vector<ShorePolygon>& polygons, std::string& problem) {
  std::string bytes;
  try {
    bytes = encodeGshhs(polygons);
  } catch (const std::bad_alloc&) {
    problem = "out of memory";
    return kCoastWriteFailed;
  }
  std::string tempName = path + ".XXXXXX";
  std::vector<char> name(tempName.begin(), tempName.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    problem = "cannot create a temporary file beside " + path;
    return kCoastWriteFailed;
  }
  tempName = name.data();
  bool ok = true;
  {
    FilePtr out(::fdopen(fd, "wb"));
    if (!out) {
      ::close(fd);
      ok = false;
    } else {
      ok = std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size() && std::fflush(out.get()) == 0;
      // The file is made readable like any other installed file (mkstemp creates it 0600).
      ok = ::fchmod(::fileno(out.get()), 0644) == 0 && ok;
      ok = std::fclose(out.release()) == 0 && ok;
    }
  }
  if (!ok || std::rename(tempName.c_str(), path.c_str()) != 0) {
    std::remove(tempName.c_str());
    problem = "cannot write " + path;
    return kCoastWriteFailed;
  }
  return kCoastOk;
}

int readGmtShorelines(const std::string& gmt, char resolution, std::vector<ShorePolygon>& polygons,
                      std::string& problem) {
  if (resolution == '\0' || std::strchr("clihf", resolution) == nullptr) {
    problem = std::string("unknown resolution '") + resolution + "'";
    return kCoastCannotRead;
  }
  const PrivateDir work;
  if (work.path().empty()) {
    problem = "cannot create a temporary folder";
    return kCoastCannotRead;
  }
  // gmt runs inside the private folder, so a program named by a relative path is made absolute.
  std::string program = gmt;
  if (program.find('/') != std::string::npos) {
    std::error_code ec;
    program = std::filesystem::absolute(program, ec).string();
  }
  const std::string dir = shellQuote(work.path());
  std::string command = "cd " + dir + " && GMT_TMPDIR=" + dir + " exec " + shellQuote(program) +
                        " coast -Rd -D" + resolution + " -W -M -A0/0/4";
  // Output settings fixed here, so that a gmt.conf of the user cannot change the text.
  for (const char* setting : {"--FORMAT_GEO_OUT=D", "--FORMAT_FLOAT_OUT=%.10lg", "--IO_SEGMENT_MARKER=>",
                              "--IO_COL_SEPARATOR=tab", "--GMT_HISTORY=false"}) {
    command += ' ';
    command += shellQuote(setting);
  }
  std::fflush(nullptr);
  std::unique_ptr<std::FILE, PipeCloser> pipe(::popen(command.c_str(), "r"));
  if (!pipe) {
    problem = "cannot run " + gmt;
    return kCoastCannotRead;
  }
  const int rc = parseSegmentStream(pipe.get(), polygons, problem);
  const int status = ::pclose(pipe.release());
  // When reading stopped at bad text, gmt may have died of the closed pipe: the text is at fault.
  if (rc == kCoastMalformed || rc == kCoastTooLarge) return rc;
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    const bool notFound = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 127;
    problem = gmt + " coast failed" + (notFound ? " (gmt not found)" : "");
    polygons.clear();
    return kCoastGmtFailed;
  }
  return rc;
}

int convertTextFile(const std::string& textPath, const std::string& outPath, std::string& problem,
                    std::vector<ShorePolygon>* written) {
  FilePtr in(std::fopen(textPath.c_str(), "rb"));
  if (!in) {
    problem = "cannot read " + textPath;
    return kCoastCannotRead;
  }
  std::vector<ShorePolygon> polygons;
  int rc = parseSegmentStream(in.get(), polygons, problem);
  if (rc == kCoastOk) rc = writeGshhsFile(outPath, polygons, problem);
  if (rc == kCoastOk && written != nullptr) *written = std::move(polygons);
  return rc;
}

int convertFromGmt(const std::string& gmt, char resolution, const std::string& outPath, std::string& problem,
                   std::vector<ShorePolygon>* written) {
  std::vector<ShorePolygon> polygons;
  int rc = readGmtShorelines(gmt, resolution, polygons, problem);
  if (rc == kCoastOk) rc = writeGshhsFile(outPath, polygons, problem);
  if (rc == kCoastOk && written != nullptr) *written = std::move(polygons);
  return rc;
}

}  // namespace kivo::tools
