#include "product_io/geolocation.h"

#include <hdf5.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>

#include "product_io/io_internal.h"
#include "product_io/trace.h"

namespace kivo::io {

const char* const kAmsr2BandTokens[kCoRegBands] = {"6G-", "7G-", "10G-", "18G-", "23G-", "36G-"};
const char* const kHdf4BandTokens[kCoRegBands] = {"6G-", "10G-", "18G-", "23G-", "36G-", "50G-"};

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kEpsilon = 2.220446049250313e-16;
constexpr float kInvalidPosition = -9991.0f;
// Largest grid position file read (a 0.05-degree global grid would be 26 M cells).
constexpr long long kMaxGridCells = 32LL * 1024 * 1024;
constexpr std::size_t kMaxDataDirectory = 1023;
constexpr std::size_t kMaxLineLength = 255;

std::mutex& directoryMutex() {
  static std::mutex m;
  return m;
}
std::string& directoryStore() {
  static std::string d;
  return d;
}

struct Vec3 {
  double x, y, z;
};
Vec3 cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

// Reads the latitude and longitude datasets of a stored-position label for a scan range;
// `pixels` receives the pixel count per scan.
int readDirect(ProductHandle handle, AccessLabel label, int begin, int end, std::vector<LatLon>& out, int& pixels) {
  const hid_t file = static_cast<hid_t>(handle);
  const LabelDef* row = findInTable(labelTable(TableId::Geolocation), label);
  if (row == nullptr) return kErrUndefinedLabel;
  const char* names[2] = {geolocationLatitudeDataset(label), geolocationLongitudeDataset(label)};
  std::size_t count = 0;
  for (int which = 0; which < 2; ++which) {
    detail::CheckedDataset ds;
    int rc = detail::openChecked(file, names[which], *row, ds);
    if (rc < 0) return rc;
    float scale = 1.0f;
    rc = detail::getScaleFactor(ds.dataset.get(), scale);
    if (rc < 0) return rc;
    detail::RowRange rows;
    rc = detail::selectRows(file, begin, end, ds.dims[0], true, rows);
    if (rc < 0) return rc;
    hsize_t start[2] = {rows.first, 0};
    hsize_t extent[2] = {rows.count, ds.rank == 2 ? ds.dims[1] : 1};
    if (H5Sselect_hyperslab(ds.space.get(), H5S_SELECT_SET, start, nullptr, extent, nullptr) < 0) {
      return kErrScanSelection;
    }
    const hsize_t n = extent[0] * extent[1];
    if (n * sizeof(LatLon) > detail::kMaxRequestBytes) return kErrNoMemory;
    if (which == 0) {
      count = static_cast<std::size_t>(n);
      pixels = static_cast<int>(extent[1]);
      try {
        out.assign(count, LatLon{});
      } catch (const std::bad_alloc&) {
        return kErrNoMemory;
      }
    } else if (n != count) {
      return kErrBadDims;  // latitude and longitude datasets of different shapes
    }
    // A memory space of the selection's own shape keeps HDF5 on its fast whole-chunk path.
    H5Space mem(H5Screate_simple(2, extent, nullptr));
    if (!mem) return kErrMemSpace;
    std::vector<float> values;
    try {
      values.resize(count);
    } catch (const std::bad_alloc&) {
      return kErrNoMemory;
    }
    if (H5Dread(ds.dataset.get(), H5T_NATIVE_FLOAT, mem.get(), ds.space.get(), H5P_DEFAULT, values.data()) < 0) {
      return kErrRead;
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (which == 0) {
        out[i].lat = values[i] * scale;
      } else {
        out[i].lon = values[i] * scale;
      }
    }
  }
  return static_cast<int>(count);
}

int bandOf(AccessLabel label) { return (label - 40010) / 10; }

// Co-registered positions of one band from the 89 GHz A positions.
int coregisterBand(const std::vector<LatLon>& a89, int pixels, double a1, double a2, std::vector<LatLon>& out) {
  const std::size_t scans = pixels > 0 ? a89.size() / static_cast<std::size_t>(pixels) : 0;
  const int outPixels = pixels / 2;
  try {
    out.assign(scans * static_cast<std::size_t>(outPixels), LatLon{});
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  for (std::size_t s = 0; s < scans; ++s) {
    const LatLon* in = &a89[s * static_cast<std::size_t>(pixels)];
    for (int j = 0; j + 1 < pixels; j += 2) {
      const int rc = coregister(in[j], in[j + 1], a1, a2, out[s * static_cast<std::size_t>(outPixels) + j / 2]);
      if (rc < 0) return rc;
    }
  }
  return 0;
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
  try {
    records.resize(static_cast<std::size_t>(cells) * 2);
    out.assign(static_cast<std::size_t>(cells), LatLon{});
  } catch (const std::bad_alloc&) {
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

}  // namespace

void setDataDirectory(const std::string& directory) {
  std::lock_guard lock(directoryMutex());
  directoryStore() = directory.substr(0, kMaxDataDirectory);
}

std::string dataDirectory() {
  std::lock_guard lock(directoryMutex());
  return directoryStore();
}

unsigned parseCoRegParameter(const std::string& text, const char* const tokens[kCoRegBands],
                             double values[kCoRegBands]) {
  const std::string t = text.substr(0, kMaxLineLength);
  unsigned found = 0;
  for (int b = 0; b < kCoRegBands; ++b) {
    values[b] = 0.0;
    const std::size_t len = std::strlen(tokens[b]);
    // Tokens count only at the start of an item, so "6G-" is not found inside "36G-".
    std::size_t itemStart = 0;
    while (itemStart <= t.size()) {
      std::size_t p = itemStart;
      while (p < t.size() && t[p] == ' ') ++p;
      if (t.compare(p, len, tokens[b]) == 0) {
        const std::size_t comma = t.find(',', p + len);
        const std::string number = t.substr(p + len, comma == std::string::npos ? std::string::npos : comma - p - len);
        char* endp = nullptr;
        const double v = std::strtod(number.c_str(), &endp);
        if (endp != number.c_str() && std::isfinite(v)) {
          values[b] = v;
          found |= 1u << b;
        }
        break;
      }
      const std::size_t comma = t.find(',', itemStart);
      if (comma == std::string::npos) break;
      itemStart = comma + 1;
    }
  }
  return found;
}

int readCoRegParams(ProductHandle handle, CoRegParams& params) {
  const hid_t file = static_cast<hid_t>(handle);
  struct Attr {
    const char* name;
    const char* alternative;
    AttrErrorPair pair;
    double* values;
  } attrs[2] = {{"CoRegistrationParameterA1", "CoRegistration ParameterA1", kErrCoRegA1, params.a1},
                {"CoRegistrationParameterA2", "CoRegistration ParameterA2", kErrCoRegA2, params.a2}};
  for (const Attr& a : attrs) {
    std::string text;
    int rc = getMetaDataByName(file, a.name, text);
    if (rc == kErrAttrNotFound) rc = getMetaDataByName(file, a.alternative, text);
    if (rc < 0) return mapAttrError(rc, a.pair);
    parseCoRegParameter(text, kAmsr2BandTokens, a.values);
  }
  return 0;
}

namespace {

// The position a1 of the angle from v1 towards v2 along their great circle and a2 across it,
// as (latitude, longitude) in radians; `epsilon` guards the division of the latitude formula.
// False when the two positions coincide (or are opposite).
bool rotateTowards(const Vec3& v1, const Vec3& v2, double a1, double a2, double epsilon, double& lat, double& lon) {
  const Vec3 c = cross(v1, v2);
  const double cn = norm(c);
  if (cn < 1e-6) return false;
  const Vec3 ez{c.x / cn, c.y / cn, c.z / cn};
  const Vec3 ey = cross(ez, v1);
  // Rounding may push the cosine just past 1; the angle is then 0, not undefined.
  const double cosTheta = std::clamp(dot(v1, v2) / (norm(v1) * norm(v2)), -1.0, 1.0);
  const double theta = std::acos(cosTheta);
  const double ca1 = std::cos(a1 * theta), sa1 = std::sin(a1 * theta);
  const double ca2 = std::cos(a2 * theta), sa2 = std::sin(a2 * theta);
  const Vec3 v{ca2 * (ca1 * v1.x + sa1 * ey.x) + sa2 * ez.x, ca2 * (ca1 * v1.y + sa1 * ey.y) + sa2 * ez.y,
               ca2 * (ca1 * v1.z + sa1 * ey.z) + sa2 * ez.z};
  lon = std::atan2(v.y, v.x);
  if (std::fabs(v.x) >= epsilon) {
    lat = std::atan(std::cos(lon) * v.z / v.x);
  } else if (std::fabs(v.y) < epsilon) {
    lat = v.z > 0 ? kPi / 2 : -kPi / 2;
  } else {
    lat = std::atan(std::sin(lon) * v.z / v.y);
  }
  return true;
}

}  // namespace

int coregister(const LatLon& p1, const LatLon& p2, double a1, double a2, LatLon& out) {
  for (float v : {p1.lat, p1.lon, p2.lat, p2.lon}) {
    if (v <= kInvalidPosition) {
      out.lat = v;
      out.lon = v;
      return 0;
    }
  }
  if (std::fabs(p1.lat) > 90.0f || std::fabs(p2.lat) > 90.0f) return kErrLatitudeRange;
  if (std::fabs(p1.lon) > 180.0f || std::fabs(p2.lon) > 180.0f) return kErrLongitudeRange;
  const double rad = kPi / 180.0;
  const auto unit = [rad](const LatLon& p) {
    const double la = p.lat * rad;
    const double lo = p.lon * rad;
    return Vec3{std::cos(la) * std::cos(lo), std::cos(la) * std::sin(lo), std::sin(la)};
  };
  double lat = 0.0, lon = 0.0;
  if (!rotateTowards(unit(p1), unit(p2), a1, a2, kEpsilon, lat, lon)) {
    out = p1;
    return 0;
  }
  out.lat = static_cast<float>(lat * 180.0 / kPi);
  out.lon = static_cast<float>(lon * 180.0 / kPi);
  return 0;
}

// The single-precision form of the HDF4 products: float degrees-to-radians, a coarser guard,
// no invalid-value rule.
int coregisterHdf4(const LatLon& p1, const LatLon& p2, float a1, float a2, LatLon& out) {
  if (std::fabs(p1.lat) > 90.0f || std::fabs(p2.lat) > 90.0f) return -1;
  if (std::fabs(p1.lon) > 180.0f || std::fabs(p2.lon) > 180.0f) return -1;
  const float rad = 0.0174532924216f;
  const auto unit = [rad](const LatLon& p) {
    const float la = p.lat * rad;
    const float lo = p.lon * rad;
    return Vec3{std::cos(la) * std::cos(lo), std::cos(la) * std::sin(lo), std::sin(la)};
  };
  double lat = 0.0, lon = 0.0;
  if (!rotateTowards(unit(p1), unit(p2), a1, a2, 1e-6, lat, lon)) {
    out = p1;
    return 0;
  }
  const double deg = 57.295779835;
  out.lat = static_cast<float>(lat * deg);
  out.lon = static_cast<float>(lon * deg);
  return 0;
}

std::string mappingFilePath() { return joinData("geophysical_file"); }

int findGeophysicalMapping(const std::string& geophysicalName, GeophysicalMapping& mapping) {
  std::ifstream in(mappingFilePath(), std::ios::binary);
  if (!in) return kErrMappingFile;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
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

namespace {

// The mean footprint of the six bands; western longitudes continue past 180 when the bands
// straddle the date line, so the mean stays there.
int meanOfBands(const std::vector<LatLon> (&bands)[kCoRegBands], std::vector<LatLon>& out) {
  try {
    out.resize(bands[0].size());
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    const bool west0 = bands[0][i].lon < 0.0f;
    bool signsDiffer = false;
    for (int b = 1; b < kCoRegBands; ++b) signsDiffer |= (bands[b][i].lon < 0.0f) != west0;
    double lat = 0.0;
    double lon = 0.0;
    for (int b = 0; b < kCoRegBands; ++b) {
      lat += bands[b][i].lat;
      double l = bands[b][i].lon;
      if (signsDiffer && l > -9991.0 && l < -90.0) l += 360.0;
      lon += l;
    }
    lat /= kCoRegBands;
    lon /= kCoRegBands;
    if (lon > 180.0) lon -= 360.0;
    out[i].lat = static_cast<float>(lat);
    out[i].lon = static_cast<float>(lon);
  }
  return 0;
}

}  // namespace

int getLatLon(ProductHandle handle, std::vector<LatLon>& positions, int begin, int end, AccessLabel label) {
  positions.clear();
  int rc = detail::checkReadArguments(handle, begin, end, label);
  if (rc < 0) return rc;
  if (!isGeolocationLabel(label)) return kErrDerivedLabel;
  std::vector<LatLon> out;
  int pixels = 0;
  switch (label) {
    case 40070: case 40080: case 40100: case 40110: case 40130: case 40140: case 40150:
      rc = readDirect(handle, label, begin, end, out, pixels);
      break;
    case 40010: case 40020: case 40030: case 40040: case 40050: case 40060: case 40090: {
      // Low-frequency footprints: co-registered from the 89 GHz A positions.
      std::vector<LatLon> a89;
      rc = readDirect(handle, 40070, begin, end, a89, pixels);
      if (rc < 0) break;
      CoRegParams params;
      rc = readCoRegParams(handle, params);
      if (rc < 0) break;
      if (label != 40090) {
        const int band = bandOf(label);
        rc = coregisterBand(a89, pixels, params.a1[band], params.a2[band], out);
      } else {
        std::vector<LatLon> bands[kCoRegBands];
        for (int b = 0; b < kCoRegBands && rc >= 0; ++b) {
          rc = coregisterBand(a89, pixels, params.a1[b], params.a2[b], bands[b]);
        }
        if (rc >= 0) rc = meanOfBands(bands, out);
      }
      if (rc >= 0) rc = static_cast<int>(out.size());
      break;
    }
    case 40120: {
      std::vector<LatLon> a89;
      rc = readDirect(handle, 40070, begin, end, a89, pixels);
      if (rc < 0) break;
      const std::size_t scans = pixels > 0 ? a89.size() / static_cast<std::size_t>(pixels) : 0;
      const int outPixels = pixels / 2;
      out.resize(scans * static_cast<std::size_t>(outPixels));
      for (std::size_t s = 0; s < scans; ++s) {
        for (int j = 0; j + 1 < pixels; j += 2) {
          out[s * static_cast<std::size_t>(outPixels) + j / 2] = a89[s * static_cast<std::size_t>(pixels) + j];
        }
      }
      rc = static_cast<int>(out.size());
      break;
    }
    case 40160:
      rc = readGridPositions(handle, out);
      break;
    default:
      rc = kErrDerivedLabel;
      break;
  }
  if (rc < 0) return rc;
  positions = std::move(out);
  return static_cast<int>(positions.size());
}

}  // namespace kivo::io
