#pragma once

// Positions of observations: the 89 GHz horn positions stored in products, the low-frequency
// footprints co-registered from pairs of 89 GHz A positions, and Level 3 grid cell positions
// from the installation's grid position files.

#include <vector>

#include "product_io/amsr2_io.h"
#include "product_io/coregistration.h"
#include "product_io/grid_position_files.h"
#include "product_io/lat_lon.h"

namespace kivo::io {

// Positions of a geolocation label (kFirstGeolocationLabel..kLastGeolocationLabel), scans
// outer and pixels inner; the result is the number of positions. Scan ranges as for getData
// (grid files ignore them).
int getLatLon(ProductHandle handle, std::vector<LatLon>& positions, int begin, int end, AccessLabel label);

}  // namespace kivo::io
