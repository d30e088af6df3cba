#include "product_io/grid_position_files.h"

#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "product_io/allocation.h"
#include "product_io/geolocation_internal.h"
#include "product_io/io_internal.h"
#include "product_io/trace.h"

namespace kivo::io {
namespace {

// Largest grid position file read (a 0.05-degree global grid would be 26 M cells).
constexpr long long kMaxGridCells = 32LL * 1024 * 1024;
constexpr std::size_t kMaxDataDirectory = 1023;

std::mutex& directoryMutex() {
  static std::mutex m;
  return m;
}
std::string& directoryStore() {
  static std::string d;
  return d;
}

std::string joinData(const std::string& name) {
  const std::string dir = dataDirectory();
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

void setDataDirectory(const std::string& directory) {
  std::lock_guard lock(directoryMutex());
  directoryStore() = directory.substr(0, kMaxDataDirectory);
}

std::string dataDirectory() {
  std::lock_guard lock(directoryMutex());
  return directoryStore();
}

std::string mappingFilePath() { return joinData("geophysical_file"); }

int findGeophysicalMapping(const std::string& geophysicalName, GeophysicalMapping& mapping) {
  std::ifstream in(mappingFilePath(), std::ios::binary);
  if (!in) return kErrMappingFile;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > detail::kMaxLineLength) line.resize(detail::kMaxLineLength);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = line.find(',', start);
      fields.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    if (fields[0] != geophysicalName) continue;
    if (fields.size() < 6) return kErrMappingFile;
    mapping.name = fields[0];
    char* endp = nullptr;
    const std::string scale = trimmed(fields[1]);
    mapping.scale = std::strtod(scale.c_str(), &endp);
    mapping.unit = trimmed(fields[2]);
    for (int i = 0; i < 3; ++i) {
      mapping.gridToken[i] = trimmed(fields[3 + static_cast<std::size_t>(i)]);
      if (mapping.gridToken[i].size() > 4) mapping.gridToken[i].resize(4);
    }
    return 0;
  }
  return kErrMappingFile;
}

int gridFilePath(ProductHandle handle, std::string& path) {
  const hid_t file = static_cast<hid_t>(handle);
  std::string projection;
  int rc = detail::readRootAttribute(file, "Projection", projection, kErrProjection);
  if (rc < 0) return rc;
  int which = -1;
  const char* prefix = "";
  if (projection == "EQR") {
    which = 0;
    prefix = "EQR_";
  } else if (projection == "PS-N") {
    which = 1;
    prefix = "POLARSTEREO_NORTH_";
  } else if (projection == "PS-S") {
    which = 2;
    prefix = "POLARSTEREO_SOUTH_";
  } else {
    return kErrBadProjection;
  }
  std::string geophysicalName;
  rc = detail::readRootAttribute(file, "GeophysicalName", geophysicalName, kErrGeophysicalName);
  if (rc < 0) return rc;
  GeophysicalMapping mapping;
  rc = findGeophysicalMapping(geophysicalName, mapping);
  if (rc < 0) return rc;
  const std::string& token = mapping.gridToken[which];
  if (token.empty() || token == "-") return kErrMappingFile;
  std::string granule;
  rc = detail::readRootAttribute(file, "GranuleID", granule, kErrGranuleId);
  if (rc < 0) return rc;
  std::string name = prefix;
  if (token != "EQR") name += token + "_";
  name += (granule.size() > 32 && granule[32] == 'L') ? "25km.dat" : "10km.dat";
  trace("L3 Geophysical_latlon file=%s\n", name.c_str());
  path = joinData(name);
  return 0;
}

long long gridFileCells(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return kErrGridFile;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size < 8) return kErrGridFile;
  return static_cast<long long>(size / 8);
}

namespace detail {

int readGridPositions(ProductHandle handle, std::vector<LatLon>& out) {
  std::string path;
  int rc = gridFilePath(handle, path);
  if (rc < 0) return rc;
  const long long cells = gridFileCells(path);
  if (cells < 0) return static_cast<int>(cells);
  if (cells > kMaxGridCells) return kErrNoMemory;
  std::ifstream in(path, std::ios::binary);
  if (!in) return kErrGridFile;
  std::vector<float> records;
  if (!tryAllocate([&] {
        records.resize(static_cast<std::size_t>(cells) * 2);
        out.assign(static_cast<std::size_t>(cells), LatLon{});
      })) {
    return kErrNoMemory;
  }
  in.read(reinterpret_cast<char*>(records.data()), static_cast<std::streamsize>(records.size() * sizeof(float)));
  const auto got = static_cast<std::size_t>(in.gcount()) / 8;
  // Records are little-endian float32 pairs, which is the native order here.
  static_assert(std::endian::native == std::endian::little);
  for (std::size_t i = 0; i < got; ++i) {
    out[i].lat = records[2 * i];
    const float lon = records[2 * i + 1];
    out[i].lon = lon <= 180.0f ? lon : lon - 360.0f;
  }
  out.resize(got);
  return static_cast<int>(got);
}

}  // namespace detail
}  // namespace kivo::io
