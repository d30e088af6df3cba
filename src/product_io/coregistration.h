#pragma once

// Co-registration: the low-frequency footprints of AMSR2 and AMSR/AMSR-E products computed
// from pairs of 89 GHz A positions and the per-band parameters the products carry.

#include <string>

#include "product_io/amsr2_io.h"
#include "product_io/lat_lon.h"

namespace kivo::io {

// Co-registration parameters of the six low-frequency bands.
inline constexpr int kCoRegBands = 6;
struct CoRegParams {
  double a1[kCoRegBands] = {};
  double a2[kCoRegBands] = {};
};
// Band tokens in parameter order.
extern const char* const kAmsr2BandTokens[kCoRegBands];  // "6G-" .. "36G-"
extern const char* const kHdf4BandTokens[kCoRegBands];   // "6G-" .. "50G-"

// Reads the numbers that follow each token in a comma-separated parameter text; a token
// that is missing leaves its value at 0 and clears its bit in the returned mask.
unsigned parseCoRegParameter(const std::string& text, const char* const tokens[kCoRegBands],
                             double values[kCoRegBands]);
// Both parameter attributes of an AMSR2 product (attribute errors mapped).
int readCoRegParams(ProductHandle handle, CoRegParams& params);

// The position a fraction (a1 along, a2 across) of the way from p1 towards p2 (AMSR2 form):
// 0, or -227 / -228 for positions out of range. Invalid inputs (<= -9991) pass through.
int coregister(const LatLon& p1, const LatLon& p2, double a1, double a2, LatLon& out);
// The same computation in the single-precision form of the HDF4 products; -1 out of range.
int coregisterHdf4(const LatLon& p1, const LatLon& p2, float a1, float a2, LatLon& out);

}  // namespace kivo::io
