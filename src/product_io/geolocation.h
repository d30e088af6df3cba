#pragma once

// Positions of observations: the 89 GHz horn positions stored in products, the low-frequency
// footprints co-registered from pairs of 89 GHz A positions, and Level 3 grid cell positions
// from the installation's grid position files.

#include <string>
#include <vector>

#include "product_io/amsr2_io.h"

namespace kivo::io {

struct LatLon {
  float lat = 0.0f;  // degrees north
  float lon = 0.0f;  // degrees east
};

// The library's data directory (grid files and the geophysical mapping file); at most 1023
// characters are kept.
void setDataDirectory(const std::string& directory);
std::string dataDirectory();

// Positions of a geolocation label (40010..40160), scans outer and pixels inner; the result
// is the number of positions. Scan ranges as for getData (grid files ignore them).
int getLatLon(ProductHandle handle, std::vector<LatLon>& positions, int begin, int end, AccessLabel label);

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

// One line of the geophysical mapping file.
struct GeophysicalMapping {
  std::string name;
  double scale = 1.0;
  std::string unit;
  std::string gridToken[3];  // EQR, PS-N, PS-S; "-" means no grid
};
// The mapping file's path: data directory + "geophysical_file", or the bare name.
std::string mappingFilePath();
// First line for the quantity (0), or -109.
int findGeophysicalMapping(const std::string& geophysicalName, GeophysicalMapping& mapping);

// Full path of the grid position file of a Level 3 product (0, or -222 / -109 / an
// attribute error).
int gridFilePath(ProductHandle handle, std::string& path);
// Cell count of a grid position file (file size / 8), or -100.
long long gridFileCells(const std::string& path);

}  // namespace kivo::io
