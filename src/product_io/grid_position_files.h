#pragma once

// The installation's support files for positions: the library's data directory, the
// geophysical mapping file and the Level 3 grid position files named through it.

#include <string>

#include "product_io/amsr2_io.h"

namespace kivo::io {

// The library's data directory (grid files and the geophysical mapping file); at most 1023
// characters are kept.
void setDataDirectory(const std::string& directory);
std::string dataDirectory();

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
