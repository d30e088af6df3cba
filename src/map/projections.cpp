#include "map/projections.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace kivo::map {

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

namespace {

const ComOtptObsImg kPrj;

// --- forward: position to screen offset ------------------------------------------------

int projectEqr(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y, const ProjectOptions&) {
  const double K = unitsPerPixel(v.s);
  x = wrapX(truncInt((static_cast<double>(lon) - v.cx) / K), K);
  y = truncInt((static_cast<double>(lat) - v.cy) / K);
  return kProjOk;
}

int projectMercator(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y, const ProjectOptions& o) {
  if (o.mercatorLimit && (lat <= -85000000 || lat >= 85000000)) return kProjHidden;
  const double K = unitsPerPixel(v.s);
  GeoPoint p{lon, lat};
  kPrj.ComPrjMercator(&p, v.s);
  x = wrapX(truncInt((static_cast<double>(lon) - v.cx) / K), K);
  y = truncInt(p.y - v.cy / K);
  return kProjOk;
}

int projectPolar(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y, const ProjectOptions& o) {
  GeoPoint p{lon, lat};
  const int rc = v.projection == kProjPolarNorth ? kPrj.ComPrjPolarNx(&p, v.s, o.showAll, v.stdLon, o.normalise)
                                                 : kPrj.ComPrjPolarSx(&p, v.s, o.showAll, v.stdLon, o.normalise);
  if (rc != kProjOk) return rc;
  const double K = unitsPerPixel(v.s);
  x = truncInt(p.x - v.cx / K);
  y = truncInt(p.y - v.cy / K);
  return kProjOk;
}

int projectBoth(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y, const ProjectOptions&) {
  GeoPoint p{lon, lat};
  const int rc = kPrj.ComPrjPolarBoth(&p, v.stdLon, false, 0);
  if (rc != kProjOk) return rc;
  x = p.x;
  y = p.y;
  return kProjOk;
}

int projectOrtho(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y, const ProjectOptions& o) {
  GeoPoint p{lon, lat};
  const int rc = kPrj.ComPrjOrtho(&p, o.showAll, v.cx, v.cy, v.s);
  if (rc != kProjOk) return rc;
  x = p.x;
  y = p.y;
  return kProjOk;
}

// --- inverse: map units of a selection corner to a position ------------------------------

GeoPoint inverseUnchanged(const ViewParams&, GeoPoint p) { return p; }

GeoPoint inverseMercator(const ViewParams& v, GeoPoint p) {
  kPrj.ComInvMercator(&p, v.s);
  return p;
}

GeoPoint inversePolar(const ViewParams& v, GeoPoint p) {
  if (v.projection == kProjPolarNorth) {
    kPrj.ComInvPolarN(&p);
  } else {
    kPrj.ComInvPolarS(&p);
  }
  return p;
}

// --- the centre that shows a position in the middle --------------------------------------

GeoPoint centreGeographic(const ViewParams&, std::int32_t lon, std::int32_t lat) { return {lon, lat}; }

GeoPoint centreMercator(const ViewParams& v, std::int32_t lon, std::int32_t lat) {
  GeoPoint p{0, lat};
  kPrj.ComPrjMercator(&p, v.s);
  return {lon, truncInt(p.y * unitsPerPixel(v.s))};
}

GeoPoint centrePolar(const ViewParams& v, std::int32_t lon, std::int32_t lat) {
  if (lon == 0 && lat == 0) return {0, 0};  // the pole in the middle
  GeoPoint p{lon, lat};
  if (v.projection == kProjPolarNorth) {
    kPrj.ComPrjPolarN(&p, v.s, true, v.stdLon);
  } else {
    kPrj.ComPrjPolarS(&p, v.s, true, v.stdLon);
  }
  const double K = unitsPerPixel(v.s);
  return {truncInt(p.x * K), truncInt(p.y * K)};
}

GeoPoint centreNone(const ViewParams&, std::int32_t, std::int32_t) { return {0, 0}; }

// --- outlines: the background shape of the map -------------------------------------------

void outlineEqr(QPainter& p, const ViewParams& v) {
  const double K = unitsPerPixel(v.s);
  const int cyPx = truncInt(-v.cy / K);
  const int lat = truncInt(90000000.0 / K);
  p.drawRect(QRect(QPoint(truncInt(-180000000.0 / K), cyPx - lat), QPoint(truncInt(180000000.0 / K), cyPx + lat)));
}

void outlineMercator(QPainter& p, const ViewParams& v) {
  const double K = unitsPerPixel(v.s);
  GeoPoint top{0, 85000000}, bottom{0, -85000000};
  kPrj.ComPrjMercator(&top, v.s);
  kPrj.ComPrjMercator(&bottom, v.s);
  p.drawRect(QRect(QPoint(truncInt(-180000000.0 / K), truncInt(bottom.y - v.cy / K)),
                   QPoint(truncInt(180000000.0 / K), truncInt(top.y - v.cy / K))));
}

void outlinePolar(QPainter& p, const ViewParams& v) {
  const double K = unitsPerPixel(v.s);
  const double r = kPlaneScale * v.s;
  p.drawEllipse(QPointF(-v.cx / K, -v.cy / K), r, r);
}

void outlineBoth(QPainter& p, const ViewParams&) {
  p.drawEllipse(QRect(QPoint(-360, -160), QPoint(-40, 160)));
  p.drawEllipse(QRect(QPoint(40, -160), QPoint(360, 160)));
}

void outlineOrtho(QPainter& p, const ViewParams& v) {
  const double r = kPlaneScale * v.s;
  p.drawEllipse(QPointF(0, 0), r, r);
}

constexpr GeoPoint kCentre180{180000000, 0};
constexpr GeoPoint kCentrePole{0, 0};

const std::array<ProjectionInfo, kProjectionCount> kProjections = {{
    {kProjEqr, "EQR", "Equidistant Geographic", true, false, true, kCentre180, 740, 420, projectEqr, inverseUnchanged,
     centreGeographic, outlineEqr},
    {kProjPolarNorth, "PN", "Northern Hemisphere", false, true, false, kCentrePole, 340, 360, projectPolar, inversePolar,
     centrePolar, outlinePolar},
    {kProjPolarSouth, "PS", "Southern Hemisphere", false, true, false, kCentrePole, 340, 360, projectPolar, inversePolar,
     centrePolar, outlinePolar},
    {kProjPolarBoth, "PNS", "Both", false, false, false, kCentrePole, 740, 360, projectBoth, inverseUnchanged, centreNone,
     outlineBoth},
    {kProjOrtho, "ORTHO", "Orthographic", false, false, true, kCentre180, 340, 360, projectOrtho, inverseUnchanged,
     centreGeographic, outlineOrtho},
    {kProjMercator, "MER", "Mercator Geographic", true, false, true, kCentre180, 720, 720, projectMercator,
     inverseMercator, centreMercator, outlineMercator},
}};

}  // namespace

const ProjectionInfo& projectionInfo(int code) {
  return kProjections[static_cast<std::size_t>(code >= 0 && code < kProjectionCount ? code : kProjEqr)];
}

int projectionByName(std::string_view shortName) {
  for (const ProjectionInfo& p : kProjections) {
    if (shortName == p.shortName) return p.code;
  }
  return -1;
}

int projectForView(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y, bool showAll, bool normalise,
                   bool mercatorLimit) {
  if (v.projection < 0 || v.projection >= kProjectionCount) return kProjHidden;
  return kProjections[static_cast<std::size_t>(v.projection)].project(v, lon, lat, x, y,
                                                                      ProjectOptions{showAll, normalise, mercatorLimit});
}

ViewProjector::ViewProjector(const ViewParams& view, ProjectOptions options)
    : view_(view), options_(options), fastEqr_(view.projection == kProjEqr), K_(unitsPerPixel(view.s)) {
  left_ = truncInt(-180000000.0 / K_);
  right_ = truncInt(180000000.0 / K_);
  span_ = 360000000.0 / K_;
}

GeoPoint screenToGeo(const ViewParams& v, int x, int y) {
  const double K = unitsPerPixel(v.s);
  GeoPoint p = projectionInfo(v.projection).inverse(v, GeoPoint{truncInt(x * K + v.cx), truncInt(y * K + v.cy)});
  if (p.x > 180000000) p.x -= 360000000;
  if (p.x < -180000000) p.x += 360000000;
  return p;
}

ViewParams viewCentredOn(int projection, double lonDegrees, double latDegrees, double s, int stdLon) {
  ViewParams v;
  v.projection = projectionInfo(projection).code;
  v.s = s;
  v.stdLon = stdLon;
  const auto micro = [](double d) { return static_cast<std::int32_t>(std::lround(d * 1e6)); };
  const GeoPoint c = projectionInfo(projection).centreOn(v, micro(lonDegrees), micro(latDegrees));
  v.cx = c.x;
  v.cy = c.y;
  return v;
}

}  // namespace kivo::map
