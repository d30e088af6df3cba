#include "map/projections.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kivo::map {

std::int32_t truncInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

namespace {

// Longitude difference from the standard longitude, kept within +-360 degrees.
double polarDelta(std::int32_t lon, int stdLon, bool normalise) {
  double d = static_cast<double>(lon) - static_cast<double>(stdLon) * 1000000.0;
  if (normalise) {
    if (d < -360000000.0) d += 360000000.0;
    if (d > 360000000.0) d -= 360000000.0;
  }
  return d;
}

}  // namespace

int ComOtptObsImg::ComPrjPolarNx(GeoPoint* p, double s, bool showAll, int stdLon, bool normalise) const {
  if (p == nullptr) return kProjMissing;
  const double dl = polarDelta(p->x, stdLon, normalise);
  if (!showAll && (p->y < 0 || p->y > 90000000)) return kProjHidden;
  const double psi = std::atan(std::tan(p->y * kMicroToRad) * (1.0 - kE2));
  const double rho = std::cos(psi) / (std::sin(psi) + 1.0) * kPlaneScale * s;
  const double a = -dl * kMicroToRad;
  p->x = truncInt(std::sin(a) * rho);
  p->y = truncInt(std::cos(a) * rho);
  return kProjOk;
}

int ComOtptObsImg::ComPrjPolarSx(GeoPoint* p, double s, bool showAll, int stdLon, bool normalise) const {
  if (p == nullptr) return kProjMissing;
  const double dl = polarDelta(p->x, stdLon, normalise);
  if (!showAll && (p->y < -90000000 || p->y > 0)) return kProjHidden;
  const double psi = -std::atan(std::tan(p->y * kMicroToRad) * (1.0 - kE2));
  const double rho = std::cos(psi) / (std::sin(psi) + 1.0) * kPlaneScale * s;
  const double a = dl * kMicroToRad;
  p->x = truncInt(std::sin(a) * rho);
  p->y = truncInt(std::cos(a) * rho);
  return kProjOk;
}

int ComOtptObsImg::ComPrjPolarBoth(GeoPoint* p, int stdLon, bool force, int hemisphere) const {
  if (p == nullptr) return kProjMissing;
  bool south = false;
  if (force) {
    south = hemisphere == 0;
  } else {
    const int d = p->y / 1000000;
    if (d >= -90 && d < 0) {
      south = true;
    } else if (d > 0 && d <= 90) {
      south = false;
    } else {
      return kProjHidden;
    }
  }
  if (south) {
    ComPrjPolarS(p, 1.0, true, stdLon);
    p->x += 200;
  } else {
    ComPrjPolarN(p, 1.0, true, stdLon);
    p->x -= 200;
  }
  return kProjOk;
}

int ComOtptObsImg::ComPrjOrtho(GeoPoint* p, bool showAll, std::int32_t lon0, std::int32_t lat0, double s) const {
  if (p == nullptr) return kProjMissing;
  // The difference is formed in microdegrees without normalisation.
  const double dl = (static_cast<double>(p->x) - static_cast<double>(lon0)) * kMicroToRad;
  const double phi = p->y * kMicroToRad;
  const double phi0 = lat0 * kMicroToRad;
  if (!showAll) {
    const double cosC = std::cos(phi) * std::cos(phi0) * std::cos(dl) + std::sin(phi) * std::sin(phi0);
    if (cosC < 0) return kProjHidden;
  }
  const double r = kPlaneScale * s;
  p->x = truncInt(std::sin(dl) * r * std::cos(phi));
  p->y = truncInt((std::cos(phi0) * std::sin(phi) - std::sin(phi0) * std::cos(phi) * std::cos(dl)) * r);
  return kProjOk;
}

int ComOtptObsImg::ComPrjMercator(GeoPoint* p, double s) const {
  if (p == nullptr) return kProjMissing;
  p->y = truncInt(std::log(std::tan(p->y * kMicroToRad * 0.5 + kQuarterPi)) * s * kMercatorScale);
  return kProjOk;
}

int ComOtptObsImg::ComInvMercator(GeoPoint* p, double s) const {
  if (p == nullptr) return kProjMissing;
  const double K = unitsPerPixel(s);
  p->y = truncInt((std::atan(std::exp(p->y / K / (s * kMercatorScale))) - kQuarterPi) * 2.0 / kMicroToRad);
  return kProjOk;
}

namespace {

int invPolar(GeoPoint* p, bool north) {
  if (p == nullptr) return kProjMissing;
  const int a = p->x / 1000000;
  const int b = p->y / 1000000;
  const double c = std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b);
  if (c > 90.0) return kProjHidden;
  // At the pole itself the direction is undefined; the pole is the answer.
  const double alpha = c > 0 ? std::asin(a / c) / kDegToRad : 0.0;
  double lon = 0.0;
  double lat = 0.0;
  if (north) {
    lon = b > 0 ? -alpha : alpha - 180.0;
    lat = 90.0 - c;
  } else {
    lon = b > 0 ? alpha : 180.0 - alpha;
    lat = -(90.0 - c);
  }
  if (c == 0) lon = 0.0;
  p->x = truncInt(lon * 1000000.0);
  p->y = truncInt(lat * 1000000.0);
  return kProjOk;
}

}  // namespace

int ComOtptObsImg::ComInvPolarN(GeoPoint* p) const { return invPolar(p, true); }
int ComOtptObsImg::ComInvPolarS(GeoPoint* p) const { return invPolar(p, false); }

int wrapX(int x, double K) {
  if (x < truncInt(-180000000.0 / K)) return truncInt(x + 360000000.0 / K);
  if (x > truncInt(180000000.0 / K)) return truncInt(x - 360000000.0 / K);
  return x;
}

int projectForView(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y, bool showAll, bool normalise,
                   bool mercatorLimit) {
  static const ComOtptObsImg prj;
  const double K = unitsPerPixel(v.s);
  GeoPoint p{lon, lat};
  switch (v.projection) {
    case kProjEqr:
      x = wrapX(truncInt((static_cast<double>(lon) - v.cx) / K), K);
      y = truncInt((static_cast<double>(lat) - v.cy) / K);
      return kProjOk;
    case kProjMercator:
      if (mercatorLimit && (lat <= -85000000 || lat >= 85000000)) return kProjHidden;
      prj.ComPrjMercator(&p, v.s);
      x = wrapX(truncInt((static_cast<double>(lon) - v.cx) / K), K);
      y = truncInt(p.y - v.cy / K);
      return kProjOk;
    case kProjPolarNorth:
    case kProjPolarSouth: {
      const int rc = v.projection == kProjPolarNorth ? prj.ComPrjPolarNx(&p, v.s, showAll, v.stdLon, normalise)
                                                      : prj.ComPrjPolarSx(&p, v.s, showAll, v.stdLon, normalise);
      if (rc != kProjOk) return rc;
      x = truncInt(p.x - v.cx / K);
      y = truncInt(p.y - v.cy / K);
      return kProjOk;
    }
    case kProjPolarBoth: {
      const int rc = prj.ComPrjPolarBoth(&p, v.stdLon, false, 0);
      if (rc != kProjOk) return rc;
      x = p.x;
      y = p.y;
      return kProjOk;
    }
    case kProjOrtho: {
      const int rc = prj.ComPrjOrtho(&p, showAll, v.cx, v.cy, v.s);
      if (rc != kProjOk) return rc;
      x = p.x;
      y = p.y;
      return kProjOk;
    }
    default:
      return kProjHidden;
  }
}

GeoPoint screenToGeo(const ViewParams& v, int x, int y) {
  static const ComOtptObsImg prj;
  const double K = unitsPerPixel(v.s);
  GeoPoint p{truncInt(x * K + v.cx), truncInt(y * K + v.cy)};
  switch (v.projection) {
    case kProjMercator:
      prj.ComInvMercator(&p, v.s);
      break;
    case kProjPolarNorth:
      prj.ComInvPolarN(&p);
      break;
    case kProjPolarSouth:
      prj.ComInvPolarS(&p);
      break;
    default:
      break;
  }
  if (p.x > 180000000) p.x -= 360000000;
  if (p.x < -180000000) p.x += 360000000;
  return p;
}

// ---------------------------------------------------------------------------------------

void ScreenPositionTable::fill(const ViewParams& v, int areaW, int areaH, bool hdfOutputMode,
                               const std::atomic<bool>& stop, Table& table) {
  const int w = areaW / 2;
  const int h = areaH / 2;
  const int halfW = table.displayW / 2;
  const int halfH = table.displayH / 2;
  const std::int32_t t = (v.projection == kProjPolarNorth || v.projection == kProjPolarSouth)
                             ? truncInt(300000.0 / v.s)
                             : truncInt(500000.0 / v.s);
  const std::int32_t stepSample = t > 0 ? t : 1;
  const bool polar = v.projection == kProjPolarNorth || v.projection == kProjPolarSouth;
  const bool showAll = polar && hdfOutputMode;
  const bool normalise = !(polar && hdfOutputMode);
  const auto project = [&](std::int32_t lon, std::int32_t lat, int& x, int& y) {
    if (v.projection == kProjMercator && (lat < -84999999 || lat > 84999999)) return false;
    return projectForView(v, lon, lat, x, y, showAll, normalise, false) == kProjOk;
  };
  const auto store = [&](int x, int y, std::int32_t lon, std::int32_t lat) {
    const int ix = x + halfW;
    const int iy = y + halfH;
    if (ix < 0 || iy < 0 || ix > table.displayW || iy > table.displayH) return;
    table.entries[static_cast<std::size_t>(iy) * static_cast<std::size_t>(table.displayW + 1) +
                  static_cast<std::size_t>(ix)] = GeoPoint{lon, lat};
  };
  for (std::int32_t latC = -90000000; latC <= 90000000; latC += 100000) {
    for (std::int32_t lonC = -180000000; lonC <= 180000000; lonC += 100000) {
      if (stop.load(std::memory_order_relaxed)) return;
      int x = 0, y = 0;
      if (!project(lonC, latC, x, y) || x < -w || x > w || y < -h || y > h) continue;
      for (std::int32_t lat = latC; lat <= latC + 100000; lat += stepSample) {
        for (std::int32_t lon = lonC; lon <= lonC + 100000; lon += stepSample) {
          int sx = 0, sy = 0;
          if (project(lon, lat, sx, sy) && sx >= -w && sx <= w && sy >= -h && sy <= h) store(sx, sy, lon, lat);
        }
      }
    }
  }
}

void ScreenPositionTable::reset(Table& table, int displayW, int displayH) {
  table.displayW = displayW;
  table.displayH = displayH;
  table.entries.assign(static_cast<std::size_t>(displayW + 1) * static_cast<std::size_t>(displayH + 1),
                       GeoPoint{kEmpty, kEmpty});
}

void ScreenPositionTable::start(const ViewParams& view, int areaW, int areaH, int displayW, int displayH,
                                bool hdfOutputMode) {
  stop();
  reset(pending_, displayW, displayH);
  stop_.store(false, std::memory_order_release);
  done_.store(false, std::memory_order_release);
  worker_ = std::thread([this, view, areaW, areaH, hdfOutputMode] {
    fill(view, areaW, areaH, hdfOutputMode, stop_, pending_);
    // Only a complete table is handed over.
    if (!stop_.load(std::memory_order_acquire)) done_.store(true, std::memory_order_release);
  });
}

void ScreenPositionTable::stop() {
  if (worker_.joinable()) {
    stop_.store(true, std::memory_order_release);
    worker_.join();
  }
  adopt();
}

void ScreenPositionTable::wait() {
  if (worker_.joinable()) worker_.join();
  adopt();
}

void ScreenPositionTable::adopt() {
  if (done_.load(std::memory_order_acquire)) {
    if (worker_.joinable()) worker_.join();
    std::swap(table_, pending_);
    havePublished_ = true;
    done_.store(false, std::memory_order_release);
  }
}

void ScreenPositionTable::fillNow(const ViewParams& view, int areaW, int areaH, int displayW, int displayH,
                                  bool hdfOutputMode) {
  stop();
  reset(table_, displayW, displayH);
  const std::atomic<bool> never{false};
  fill(view, areaW, areaH, hdfOutputMode, never, table_);
  havePublished_ = true;
}

bool ScreenPositionTable::ready() {
  adopt();
  return havePublished_;
}

bool ScreenPositionTable::lookup(int x, int y, GeoPoint& position) {
  adopt();
  if (!havePublished_) return false;
  const int ix = x + table_.displayW / 2;
  const int iy = y + table_.displayH / 2;
  if (ix < 0 || iy < 0 || ix > table_.displayW || iy > table_.displayH) return false;
  position = table_.entries[static_cast<std::size_t>(iy) * static_cast<std::size_t>(table_.displayW + 1) +
                            static_cast<std::size_t>(ix)];
  return position.x != kEmpty;
}

}  // namespace kivo::map
