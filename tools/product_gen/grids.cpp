#include "grids.h"

#include <cmath>
#include <numbers>

namespace kivo::gen {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

const PolarGridExtent* polarGrid(const std::string& projection) {
  if (projection == "PS-N") return &kPolarNorth;
  if (projection == "PS-S") return &kPolarSouth;
  return nullptr;
}

// Snyder's t(phi) for the north aspect.
double isometricT(double phi) {
  const double es = kHughesE * std::sin(phi);
  return std::tan(std::numbers::pi / 4.0 - phi / 2.0) / std::pow((1.0 - es) / (1.0 + es), kHughesE / 2.0);
}

// Radius per unit t: a * m_c / t_c at the true-scale latitude.
double radiusFactor() {
  const double phiC = kPolarTrueScaleLatDeg * kDeg;
  const double sc = std::sin(phiC);
  const double mc = std::cos(phiC) / std::sqrt(1.0 - kHughesE * kHughesE * sc * sc);
  return kHughesAKm * mc / isometricT(phiC);
}

}  // namespace

double wrapLongitude(double lonDeg) {
  double l = std::fmod(lonDeg, 360.0);
  if (l > 180.0) l -= 360.0;
  if (l <= -180.0) l += 360.0;
  return l;
}

bool gridShape(const std::string& projection, int km, int& rows, int& cols) {
  if (km != 10 && km != 25) return false;
  const bool fine = km == 10;
  if (projection == "EQR") {
    rows = fine ? 1800 : 720;
    cols = fine ? 3600 : 1440;
  } else if (projection == "PS-N") {
    rows = fine ? 1120 : 448;
    cols = fine ? 760 : 304;
  } else if (projection == "PS-S") {
    rows = fine ? 830 : 332;
    cols = fine ? 790 : 316;
  } else {
    return false;
  }
  return true;
}

bool polarStereoForward(const PolarGridExtent& grid, double latDeg, double lonDeg, double& xKm, double& yKm) {
  // The south aspect is the north one applied to (-lat, -lon) with the axes negated.
  const double sign = grid.north ? 1.0 : -1.0;
  const double phi = sign * latDeg * kDeg;
  if (phi <= -std::numbers::pi / 2.0) return false;
  const double rho = radiusFactor() * isometricT(phi);
  const double dl = (lonDeg - grid.centralMeridianDeg) * kDeg;
  xKm = rho * std::sin(dl);
  yKm = -sign * rho * std::cos(dl);
  return true;
}

void polarStereoInverse(const PolarGridExtent& grid, double xKm, double yKm, double& latDeg, double& lonDeg) {
  const double sign = grid.north ? 1.0 : -1.0;
  const double rho = std::hypot(xKm, yKm);
  const double t = rho / radiusFactor();
  // Fixed-point iteration of Snyder's equation 7-9; converges to double precision.
  double phi = std::numbers::pi / 2.0 - 2.0 * std::atan(t);
  for (int i = 0; i < 60; ++i) {
    const double es = kHughesE * std::sin(phi);
    const double next =
        std::numbers::pi / 2.0 - 2.0 * std::atan(t * std::pow((1.0 - es) / (1.0 + es), kHughesE / 2.0));
    const bool done = std::fabs(next - phi) < 1e-15;
    phi = next;
    if (done) break;
  }
  latDeg = sign * phi / kDeg;
  const double dl = rho == 0.0 ? 0.0 : std::atan2(xKm, -sign * yKm);
  lonDeg = wrapLongitude(grid.centralMeridianDeg + dl / kDeg);
}

bool gridCellLatLon(const std::string& projection, int km, int row, int col, double& lat, double& lon) {
  int rows = 0, cols = 0;
  if (!gridShape(projection, km, rows, cols) || row < 0 || col < 0 || row >= rows || col >= cols) return false;
  if (projection == "EQR") {
    const double res = km == 10 ? 0.1 : 0.25;
    lat = 90.0 - (row + 0.5) * res;
    lon = -180.0 + (col + 0.5) * res;
    return true;
  }
  const PolarGridExtent& g = *polarGrid(projection);
  polarStereoInverse(g, g.xLeft + (col + 0.5) * km, g.yTop - (row + 0.5) * km, lat, lon);
  return true;
}

bool gridLatLonToCell(const std::string& projection, int km, double lat, double lon, double& row, double& col) {
  int rows = 0, cols = 0;
  if (!gridShape(projection, km, rows, cols)) return false;
  if (projection == "EQR") {
    const double res = km == 10 ? 0.1 : 0.25;
    double l = wrapLongitude(lon);
    if (l == 180.0) l = -180.0;  // the grid runs from -180 to 180; 180 is its left edge
    row = (90.0 - lat) / res - 0.5;
    col = (l + 180.0) / res - 0.5;
    return true;
  }
  const PolarGridExtent& g = *polarGrid(projection);
  if (g.north ? lat < 0.0 : lat > 0.0) return false;
  double x = 0.0, y = 0.0;
  if (!polarStereoForward(g, lat, lon, x, y)) return false;
  col = (x - g.xLeft) / km - 0.5;
  row = (g.yTop - y) / km - 0.5;
  return true;
}

bool gridPositions(const std::string& projection, int km, std::vector<float>& latLon) {
  int rows = 0, cols = 0;
  if (!gridShape(projection, km, rows, cols)) return false;
  latLon.assign(static_cast<size_t>(rows) * cols * 2, 0.0f);
  size_t k = 0;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      double lat = 0.0, lon = 0.0;
      gridCellLatLon(projection, km, r, c, lat, lon);
      latLon[k++] = static_cast<float>(lat);
      latLon[k++] = static_cast<float>(lon);
    }
  }
  return true;
}

}  // namespace kivo::gen
