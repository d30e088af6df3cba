// Level 3 grid geometry: the global equirectangular grid and the ellipsoidal polar
// stereographic grids (true scale at 70 degrees, Hughes ellipsoid).
#pragma once

#include <string>
#include <vector>

namespace kivo::gen {

// Hughes ellipsoid used by the polar stereographic grids.
inline constexpr double kHughesAKm = 6378.273;
inline constexpr double kHughesE = 0.081816153;
inline constexpr double kPolarTrueScaleLatDeg = 70.0;

// Grid extents of the polar grids in projection kilometres (row 0 at the top edge yTop).
struct PolarGridExtent {
  bool north;
  double centralMeridianDeg;
  double xLeft, xRight, yTop, yBottom;
};
inline constexpr PolarGridExtent kPolarNorth{true, -45.0, -3850.0, 3750.0, 5850.0, -5350.0};
inline constexpr PolarGridExtent kPolarSouth{false, 0.0, -3950.0, 3950.0, 4350.0, -3950.0};

// Rows and columns of a grid ("EQR", "PS-N", "PS-S"; 10 or 25 km). False for anything else.
bool gridShape(const std::string& projection, int km, int& rows, int& cols);

// Latitude and longitude (degrees, longitude in (-180, 180]) of the centre of cell (row, col).
bool gridCellLatLon(const std::string& projection, int km, int row, int col, double& lat, double& lon);

// Inverse of gridCellLatLon: the fractional cell coordinates of a position (cell centres at
// whole numbers). False for a projection it cannot handle or a point of the other hemisphere.
bool gridLatLonToCell(const std::string& projection, int km, double lat, double lon, double& row, double& col);

// Ellipsoidal polar stereographic projection (Snyder's formulas) in kilometres. The north
// projection is defined for latitudes above -90, the south one for latitudes below 90.
bool polarStereoForward(const PolarGridExtent& grid, double latDeg, double lonDeg, double& xKm, double& yKm);
void polarStereoInverse(const PolarGridExtent& grid, double xKm, double yKm, double& latDeg, double& lonDeg);

// Positions of every cell, row-major, as interleaved float latitude and longitude: the
// record layout of a grid position file.
bool gridPositions(const std::string& projection, int km, std::vector<float>& latLon);

// Wraps a longitude into (-180, 180].
double wrapLongitude(double lonDeg);

}  // namespace kivo::gen
