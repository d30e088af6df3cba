#pragma once

// The six map projections. Positions are int32 microdegrees; results are integer pixel
// offsets from the centre of the drawing area, x to the right and y upward.

#include <atomic>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

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

inline constexpr double kPi = 3.14159265358979;
inline constexpr double kMicroToRad = 1.7453292519943278e-8;
inline constexpr double kDegToRad = 0.017453292519943278;
inline constexpr double kE2 = 0.08182 * 0.08182;
inline constexpr double kPlaneScale = 160.0;
inline constexpr double kMercatorScale = 114.59155902616476;
inline constexpr double kQuarterPi = 0.7853981633974475;

// Map units (microdegrees or plane units) per pixel at magnification s.
inline double unitsPerPixel(double s) { return 500000.0 / s; }

// Truncation toward zero of a float64 into int32, saturating; a non-number gives 0.
std::int32_t truncInt(double v);

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

// Projects a position as a view draws it: the projection, the centre subtraction and, for
// the equirectangular and Mercator views, the longitude wrap. `showAll` and `normalise` as
// the polar routines take them; `mercatorLimit` drops latitudes at or beyond 85 degrees.
int projectForView(const ViewParams& view, std::int32_t lon, std::int32_t lat, int& x, int& y, bool showAll = false,
                   bool normalise = true, bool mercatorLimit = true);

// The longitude wrap of the equirectangular and Mercator views.
int wrapX(int x, double K);

// A screen offset of a selection corner back to a geographic position.
GeoPoint screenToGeo(const ViewParams& view, int x, int y);

// Geographic position under every screen pixel, filled by a worker after each redraw.
class ScreenPositionTable {
 public:
  static constexpr std::int32_t kEmpty = std::numeric_limits<std::int32_t>::min();
  ScreenPositionTable() = default;
  ~ScreenPositionTable() { stop(); }
  ScreenPositionTable(const ScreenPositionTable&) = delete;
  ScreenPositionTable& operator=(const ScreenPositionTable&) = delete;

  // Starts refilling for a view over a drawing area of areaW x areaH pixels on a display
  // of displayW x displayH pixels (a running fill is stopped first). `hdfOutputMode` makes
  // the polar views project with show-all and without normalisation.
  void start(const ViewParams& view, int areaW, int areaH, int displayW, int displayH, bool hdfOutputMode = false);
  void stop();
  // Waits for a running fill to complete and publishes it.
  void wait();
  // Fills synchronously on the calling thread (for tools and benchmarks).
  void fillNow(const ViewParams& view, int areaW, int areaH, int displayW, int displayH, bool hdfOutputMode = false);
  // Position under screen offset (x, y); false while no complete table is available or the
  // pixel shows no map.
  bool lookup(int x, int y, GeoPoint& position);
  bool ready();

 private:
  struct Table {
    int displayW = 0, displayH = 0;
    std::vector<GeoPoint> entries;
  };
  static void reset(Table& table, int displayW, int displayH);  // every entry empty
  static void fill(const ViewParams& view, int areaW, int areaH, bool hdfOutputMode, const std::atomic<bool>& stop,
                   Table& table);
  void adopt();

  Table table_;    // the published table (user-interface thread only)
  Table pending_;  // filled by the worker until it reports completion
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  bool havePublished_ = false;
};

}  // namespace kivo::map
