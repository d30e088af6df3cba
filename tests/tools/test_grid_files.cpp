// The installed Level 3 grid position files: sizes, cell centres and the published corners of
// the polar stereographic grids.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "grids.h"

namespace {

struct Record {
  float lat, lon;
};

// Record `index` of a staged grid file.
Record recordAt(const std::string& path, long long index) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(index * 8);
  Record r{0, 0};
  in.read(reinterpret_cast<char*>(&r), sizeof r);
  EXPECT_TRUE(in.good()) << path << " record " << index;
  return r;
}

TEST(GridFiles, SizesAndCornerCells) {
  const std::string dir = std::string(KIVO_BIN_DIR) + "/data/";
  // Polar cell centres lie half a cell inside the grid edges.
  using kivo::gen::kPolarNorth;
  using kivo::gen::kPolarSouth;
  const auto centre = [](const kivo::gen::PolarGridExtent& g, double km, bool firstCell) {
    double lat = 0, lon = 0;
    const double x = firstCell ? g.xLeft + km / 2 : g.xRight - km / 2;
    const double y = firstCell ? g.yTop - km / 2 : g.yBottom + km / 2;
    kivo::gen::polarStereoInverse(g, x, y, lat, lon);
    return Record{static_cast<float>(lat), static_cast<float>(lon)};
  };
  struct Case {
    const char* name;
    long long rows, cols;
    Record first, last;
  };
  const Case cases[] = {
      {"EQR_10km.dat", 1800, 3600, {89.95f, -179.95f}, {-89.95f, 179.95f}},
      {"EQR_25km.dat", 720, 1440, {89.875f, -179.875f}, {-89.875f, 179.875f}},
      {"POLARSTEREO_NORTH_10km.dat", 1120, 760, centre(kPolarNorth, 10, true), centre(kPolarNorth, 10, false)},
      {"POLARSTEREO_NORTH_25km.dat", 448, 304, centre(kPolarNorth, 25, true), centre(kPolarNorth, 25, false)},
      {"POLARSTEREO_SOUTH_10km.dat", 830, 790, centre(kPolarSouth, 10, true), centre(kPolarSouth, 10, false)},
      {"POLARSTEREO_SOUTH_25km.dat", 332, 316, centre(kPolarSouth, 25, true), centre(kPolarSouth, 25, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir + c.name;
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(c.rows * c.cols * 8));
    const Record first = recordAt(path, 0);
    const Record last = recordAt(path, c.rows * c.cols - 1);
    EXPECT_NEAR(first.lat, c.first.lat, 1e-4);
    EXPECT_NEAR(first.lon, c.first.lon, 1e-4);
    EXPECT_NEAR(last.lat, c.last.lat, 1e-4);
    EXPECT_NEAR(last.lon, c.last.lon, 1e-4);
  }
  // The first north cell is within a cell of the grid's published corner.
  EXPECT_NEAR(cases[3].first.lat, 30.98, 0.2);
  EXPECT_NEAR(cases[3].first.lon, 168.35, 0.2);
  // The north pole lies in the cells around x = 0, y = 0 of the north grid.
  const Record nearPole = recordAt(dir + "POLARSTEREO_NORTH_25km.dat", (5850 / 25) * 304 + 3850 / 25);
  EXPECT_GT(nearPole.lat, 89.7f);
}

TEST(GridFiles, PolarGridEdgesMeetThePublishedCorners) {
  using namespace kivo::gen;
  struct Corner {
    const PolarGridExtent& grid;
    double x, y, lat, lon;
  };
  const Corner corners[] = {
      {kPolarNorth, kPolarNorth.xLeft, kPolarNorth.yTop, 30.98, 168.35},
      {kPolarNorth, kPolarNorth.xRight, kPolarNorth.yTop, 31.37, 102.34},
      {kPolarNorth, kPolarNorth.xRight, kPolarNorth.yBottom, 34.35, -9.97},
      {kPolarNorth, kPolarNorth.xLeft, kPolarNorth.yBottom, 33.92, -80.74},
      {kPolarSouth, kPolarSouth.xLeft, kPolarSouth.yTop, -39.23, -42.24},
      {kPolarSouth, kPolarSouth.xRight, kPolarSouth.yTop, -39.23, 42.24},
      {kPolarSouth, kPolarSouth.xRight, kPolarSouth.yBottom, -41.45, 135.0},
      {kPolarSouth, kPolarSouth.xLeft, kPolarSouth.yBottom, -41.45, -135.0},
  };
  for (const Corner& c : corners) {
    double lat = 0, lon = 0;
    polarStereoInverse(c.grid, c.x, c.y, lat, lon);
    EXPECT_NEAR(lat, c.lat, 0.01) << c.x << " " << c.y;
    EXPECT_NEAR(lon, c.lon, 0.01) << c.x << " " << c.y;
    double x = 0, y = 0;
    ASSERT_TRUE(polarStereoForward(c.grid, lat, lon, x, y));
    EXPECT_NEAR(x, c.x, 1e-6);
    EXPECT_NEAR(y, c.y, 1e-6);
  }
}

}  // namespace
