#include "product_io/coregistration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "product_io/allocation.h"
#include "product_io/angles.h"
#include "product_io/geolocation_internal.h"
#include "product_io/io_internal.h"

namespace kivo::io {

const char* const kAmsr2BandTokens[kCoRegBands] = {"6G-", "7G-", "10G-", "18G-", "23G-", "36G-"};
const char* const kHdf4BandTokens[kCoRegBands] = {"6G-", "10G-", "18G-", "23G-", "36G-", "50G-"};

namespace {

constexpr double kEpsilon = 2.220446049250313e-16;
// Positions at or below this value are fill values, not positions.
constexpr float kInvalidPosition = -9991.0f;

struct Vec3 {
  double x, y, z;
};
Vec3 cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

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
    lat = v.z > 0 ? angles::kPi / 2 : -angles::kPi / 2;
  } else {
    lat = std::atan(std::sin(lon) * v.z / v.y);
  }
  return true;
}

}  // namespace

unsigned parseCoRegParameter(const std::string& text, const char* const tokens[kCoRegBands],
                             double values[kCoRegBands]) {
  const std::string t = text.substr(0, detail::kMaxLineLength);
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
  const double rad = angles::kDegToRad;
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
  out.lat = static_cast<float>(lat * 180.0 / angles::kPi);
  out.lon = static_cast<float>(lon * 180.0 / angles::kPi);
  return 0;
}

// The single-precision form of the HDF4 products: float degrees-to-radians, a coarser guard,
// no invalid-value rule.
int coregisterHdf4(const LatLon& p1, const LatLon& p2, float a1, float a2, LatLon& out) {
  if (std::fabs(p1.lat) > 90.0f || std::fabs(p2.lat) > 90.0f) return -1;
  if (std::fabs(p1.lon) > 180.0f || std::fabs(p2.lon) > 180.0f) return -1;
  const float rad = angles::kDegToRadF;
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

namespace detail {

int coregisterBand(const std::vector<LatLon>& a89, int pixels, double a1, double a2, std::vector<LatLon>& out) {
  const std::size_t scans = pixels > 0 ? a89.size() / static_cast<std::size_t>(pixels) : 0;
  const int outPixels = pixels / 2;
  if (!tryAllocate([&] { out.assign(scans * static_cast<std::size_t>(outPixels), LatLon{}); })) return kErrNoMemory;
  for (std::size_t s = 0; s < scans; ++s) {
    const LatLon* in = &a89[s * static_cast<std::size_t>(pixels)];
    for (int j = 0; j + 1 < pixels; j += 2) {
      const int rc = coregister(in[j], in[j + 1], a1, a2, out[s * static_cast<std::size_t>(outPixels) + j / 2]);
      if (rc < 0) return rc;
    }
  }
  return 0;
}

// Western longitudes continue past 180 when the bands straddle the date line, so the mean
// stays there.
int meanOfBands(const std::vector<LatLon> (&bands)[kCoRegBands], std::vector<LatLon>& out) {
  if (!tryAllocate([&] { out.resize(bands[0].size()); })) return kErrNoMemory;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const bool west0 = bands[0][i].lon < 0.0f;
    bool signsDiffer = false;
    for (int b = 1; b < kCoRegBands; ++b) signsDiffer |= (bands[b][i].lon < 0.0f) != west0;
    double lat = 0.0;
    double lon = 0.0;
    for (int b = 0; b < kCoRegBands; ++b) {
      lat += bands[b][i].lat;
      double l = bands[b][i].lon;
      if (signsDiffer && l > kInvalidPosition && l < -90.0) l += 360.0;
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

}  // namespace detail
}  // namespace kivo::io
