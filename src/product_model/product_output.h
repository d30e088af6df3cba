#pragma once

// The area an AMSR2 product is cut to when it is saved as a new, smaller HDF5 product
// (ComPrdctMngmnt::ComOutputHdf).

#include <cstdint>
#include <functional>

namespace kivo::model {

// Results of ComOutputHdf.
inline constexpr int kHdfOutputDone = 0;
inline constexpr int kHdfOutputFailed = -1;   // a bad slot, a product without a copy list, or a failed step
inline constexpr int kHdfOutputNoScans = -2;  // no scan has an observation in the area

// A scan is kept when one of its positions lies in the area.
struct HdfOutputArea {
  // Box mode: the latitude/longitude box of the two corners (microdegrees, either order). A
  // first corner at a longitude >= 0 with a second corner at a longitude < 0 spans the date
  // line: [lon1, 180] and [-180, lon2].
  std::int32_t lon1 = 0;
  std::int32_t lat1 = 0;
  std::int32_t lon2 = 0;
  std::int32_t lat2 = 0;

  // Map-area mode, when set: projects a position (microdegrees) to map coordinates, false when
  // it does not lie on the map; the position is in the area when its map coordinates lie in
  // the rectangle of the two map corners (either order, edges included).
  std::function<bool(std::int32_t lon, std::int32_t lat, std::int64_t& x, std::int64_t& y)> project;
  std::int64_t mapX1 = 0;
  std::int64_t mapY1 = 0;
  std::int64_t mapX2 = 0;
  std::int64_t mapY2 = 0;

  // Whether a position (longitude, latitude in microdegrees) lies in the area; positions off
  // the globe never do.
  bool contains(double lon, double lat) const;
};

}  // namespace kivo::model
