#pragma once

// The six map projections. Positions are int32 microdegrees; results are integer pixel
// offsets from the centre of the drawing area, x to the right and y upward.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "product_io/angles.h"

class QPainter;

namespace kivo::map {

struct GeoPoint {
  std::int32_t x;  // longitude in microdegrees, or the horizontal pixel offset once projected
  std::int32_t y;  // latitude in microdegrees, or the vertical pixel offset once projected
};

enum ProjectionCode : int {
  kProjEqr = 0,
  kProjPolarNorth = 1,
  kProjPolarSouth = 2,
  kProjPolarBoth = 3,
  kProjOrtho = 4,
  kProjMercator = 5,
};

inline constexpr int kProjOk = 0;
inline constexpr int kProjMissing = 1;
inline constexpr int kProjHidden = 2;

inline constexpr double kPi = angles::kPi14;
inline constexpr double kMicroToRad = angles::kMicroToRad14;
inline constexpr double kDegToRad = angles::kDegToRad14;
inline constexpr double kE2 = 0.08182 * 0.08182;
inline constexpr double kPlaneScale = 160.0;
inline constexpr double kMercatorScale = 114.59155902616476;  // 360 / kPi
inline constexpr double kQuarterPi = angles::kQuarterPi14;

// Map units (microdegrees or plane units) per pixel at magnification s.
inline double unitsPerPixel(double s) { return 500000.0 / s; }

// Truncation toward zero of a float64 into int32, saturating; a non-number gives 0. Inline:
// drawing calls it for every point.
inline std::int32_t truncInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

// The projection routines (the projection half of the image-output class).
class ComOtptObsImg {
 public:
  int ComPrjPolarN(GeoPoint* p, double s, bool showAll, int stdLon) const { return ComPrjPolarNx(p, s, showAll, stdLon, true); }
  int ComPrjPolarS(GeoPoint* p, double s, bool showAll, int stdLon) const { return ComPrjPolarSx(p, s, showAll, stdLon, true); }
  int ComPrjPolarNx(GeoPoint* p, double s, bool showAll, int stdLon, bool normalise) const;
  int ComPrjPolarSx(GeoPoint* p, double s, bool showAll, int stdLon, bool normalise) const;
  int ComPrjPolarBoth(GeoPoint* p, int stdLon, bool force, int hemisphere) const;
  int ComPrjOrtho(GeoPoint* p, bool showAll, std::int32_t lon0, std::int32_t lat0, double s) const;
  // Replaces the latitude by the Mercator ordinate in pixels; the longitude stays.
  int ComPrjMercator(GeoPoint* p, double s) const;
  // Replaces a map-unit ordinate by the latitude in microdegrees.
  int ComInvMercator(GeoPoint* p, double s) const;
  // Approximate geographic position of a map-unit point of a polar view (selection corners).
  int ComInvPolarN(GeoPoint* p) const;
  int ComInvPolarS(GeoPoint* p) const;
  int ComGetPolarRadius(double s) const { return truncInt(kPlaneScale * s); }
};

// What a view shows: projection, centre, magnification and standard longitude.
struct ViewParams {
  int projection = kProjEqr;
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  double s = 1.0;
  int stdLon = 0;  // whole degrees
};

// How a position is projected for a view. `showAll` and `normalise` as the polar routines
// take them; `mercatorLimit` drops latitudes at or beyond 85 degrees.
struct ProjectOptions {
  bool showAll = false;
  bool normalise = true;
  bool mercatorLimit = true;
};

// Everything the system knows of one projection, a row per projection code.
struct ProjectionInfo {
  int code;
  const char* shortName;  // in command lines: "EQR", "PN", "PS", "PNS", "ORTHO", "MER"
  const char* menuName;   // "Equidistant Geographic", ...
  bool wraps;             // the view repeats every 360 degrees of longitude around its centre
  bool polar;             // a single polar stereographic hemisphere
  bool framed;            // the map layer draws a frame line along the outline
  GeoPoint initialCentre; // the view centre after a reset or a change to this projection
  int fitWidth, fitHeight;  // the map's size in pixels at magnification 1
  // Position to screen offset: the projection, the centre subtraction and the wrap.
  int (*project)(const ViewParams& view, std::int32_t lon, std::int32_t lat, int& x, int& y,
                 const ProjectOptions& options);
  // Map units of a selection corner (x * K + cx, y * K + cy) back to a position.
  GeoPoint (*inverse)(const ViewParams& view, GeoPoint mapUnits);
  // The view centre (cx, cy) that puts longitude/latitude (microdegrees) in the middle.
  GeoPoint (*centreOn)(const ViewParams& view, std::int32_t lon, std::int32_t lat);
  // Adds the map's outline (background shape) to the painter's current pen and brush.
  void (*outline)(QPainter& painter, const ViewParams& view);
};

inline constexpr int kProjectionCount = 6;
// The row of a projection code; codes outside 0..5 give the equirectangular row.
const ProjectionInfo& projectionInfo(int code);
// The code of a short name ("EQR", ...), or -1.
int projectionByName(std::string_view shortName);

// Projects a position as a view draws it.
int projectForView(const ViewParams& view, std::int32_t lon, std::int32_t lat, int& x, int& y, bool showAll = false,
                   bool normalise = true, bool mercatorLimit = true);

// The longitude wrap of the equirectangular and Mercator views.
int wrapX(int x, double K);

// projectForView for many positions of one view: the equirectangular view keeps its scale
// and wrap bounds instead of working them out again for every position. Same results.
class ViewProjector {
 public:
  explicit ViewProjector(const ViewParams& view, ProjectOptions options = {});
  int project(std::int32_t lon, std::int32_t lat, int& x, int& y) const {
    if (!fastEqr_) return projectForView(view_, lon, lat, x, y, options_.showAll, options_.normalise, options_.mercatorLimit);
    int px = truncInt((static_cast<double>(lon) - view_.cx) / K_);
    if (px < left_) {
      px = truncInt(px + span_);
    } else if (px > right_) {
      px = truncInt(px - span_);
    }
    x = px;
    y = truncInt((static_cast<double>(lat) - view_.cy) / K_);
    return kProjOk;
  }

 private:
  ViewParams view_;
  ProjectOptions options_;
  bool fastEqr_ = false;
  double K_ = 1.0;
  int left_ = 0, right_ = 0;
  double span_ = 0.0;
};

// A screen offset of a selection corner back to a geographic position.
GeoPoint screenToGeo(const ViewParams& view, int x, int y);

// The view of `projection` at magnification `s` and standard longitude `stdLon` centred on
// longitude/latitude in degrees. The two-hemisphere view has no centre of its own, and the
// polar views keep the pole in the middle when asked for (0, 0).
ViewParams viewCentredOn(int projection, double lonDegrees, double latDegrees, double s, int stdLon);

}  // namespace kivo::map
