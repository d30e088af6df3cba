#pragma once

// Helpers shared by the geolocation source files.

#include <cstddef>
#include <vector>

#include "product_io/amsr2_io.h"
#include "product_io/coregistration.h"
#include "product_io/lat_lon.h"

namespace kivo::io::detail {

// Longest line (or parameter text) of a support file or attribute that is looked at.
inline constexpr std::size_t kMaxLineLength = 255;

// Co-registered positions of one band from the 89 GHz A positions (`pixels` per scan): one
// position per pixel pair.
int coregisterBand(const std::vector<LatLon>& a89, int pixels, double a1, double a2, std::vector<LatLon>& out);
// The mean footprint of the six co-registered bands.
int meanOfBands(const std::vector<LatLon> (&bands)[kCoRegBands], std::vector<LatLon>& out);

// The cells of a Level 3 product's grid position file; the result is the cell count.
int readGridPositions(ProductHandle handle, std::vector<LatLon>& out);

}  // namespace kivo::io::detail
