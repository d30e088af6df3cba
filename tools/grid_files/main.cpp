// kivo-make-grid-files DIR: writes the Level 3 grid position files of the installation (cell
// centres as little-endian float32 latitude/longitude pairs, row-major): the global
// equirectangular grids at 0.1 and 0.25 degrees and the north and south polar stereographic
// grids at 10 and 25 km.

#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "grids.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kivo-make-grid-files DIR\n");
    return 2;
  }
  static_assert(std::endian::native == std::endian::little, "grid files are written in native order");
  const std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  struct Grid {
    const char* projection;
    const char* prefix;
  };
  const Grid grids[] = {{"EQR", "EQR_"}, {"PS-N", "POLARSTEREO_NORTH_"}, {"PS-S", "POLARSTEREO_SOUTH_"}};
  for (const Grid& g : grids) {
    for (int km : {10, 25}) {
      std::vector<float> latLon;
      if (!kivo::gen::gridPositions(g.projection, km, latLon)) {
        std::fprintf(stderr, "kivo-make-grid-files: no grid %s %d km\n", g.projection, km);
        return 1;
      }
      const std::filesystem::path path = dir / (std::string(g.prefix) + std::to_string(km) + "km.dat");
      const std::filesystem::path tmp = path.string() + ".tmp";
      std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(latLon.data()), static_cast<std::streamsize>(latLon.size() * sizeof(float)));
      out.close();
      if (!out) {
        std::fprintf(stderr, "kivo-make-grid-files: cannot write %s\n", tmp.c_str());
        return 1;
      }
      std::filesystem::rename(tmp, path, ec);
      if (ec) {
        std::fprintf(stderr, "kivo-make-grid-files: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
