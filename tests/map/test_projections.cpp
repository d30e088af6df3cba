// The map projections: the documented positions, round trips of the inverses, and the
// screen-position table.

#include <gtest/gtest.h>

#include <cmath>

#include "map/projections.h"
#include "map/screen_position_table.h"

using namespace kivo::map;

namespace {

constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0); }

struct ViewCase {
  const char* what;
  ViewParams view;
  double lon, lat;
  int result;
  int x, y;
};

TEST(Projections, DocumentedPositions) {
  const ViewParams eqr180{kProjEqr, deg(180), 0, 1.0, 0};
  const ViewParams north{kProjPolarNorth, 0, 0, 1.0, 0};
  const ViewParams north2{kProjPolarNorth, 0, 0, 2.0, 90};
  const ViewParams both{kProjPolarBoth, 0, 0, 1.0, 0};
  const ViewParams ortho{kProjOrtho, deg(180), 0, 1.0, 0};
  const ViewParams mer{kProjMercator, 0, 0, 1.0, 0};
  const ViewCase cases[] = {
      // At magnification 1 a pixel is half a degree; the view shows the 360 degrees around cx.
      {"EQR: 180 E is the centre", eqr180, 180, 0, kProjOk, 0, 0},
      {"EQR: 0 wraps to the left edge", eqr180, 0, 0, kProjOk, -360, 0},
      {"EQR: 90 W", eqr180, -90, 45, kProjOk, 180, 90},
      {"north: the pole", north, 0, 90, kProjOk, 0, 0},
      {"north: the equator below the standard longitude", north, 0, 0, kProjOk, 0, 160},
      {"north: 90 E lies to the left", north, 90, 0, kProjOk, -160, 0},
      {"north: southern latitudes are hidden", north, 0, -10, kProjHidden, 0, 0},
      {"north at 2x, standard longitude 90", north2, 90, 0, kProjOk, 0, 320},
      {"both: 0.5 N is not drawn", both, 0, 0.5, kProjHidden, 0, 0},
      {"both: 1 N is in the north disc", both, 0, 1.0, kProjOk, -200, 157},
      {"both: the south pole is in the right disc", both, 0, -90, kProjOk, 200, 0},
      {"ortho: 0 on the equator is on the far side", ortho, 0, 0, kProjHidden, 0, 0},
      {"ortho: 90 E on the equator is on the rim", ortho, 90, 0, kProjOk, -160, 0},
      {"ortho: the centre", ortho, 180, 0, kProjOk, 0, 0},
      {"mercator: 85 N is not drawn", mer, 0, 85, kProjHidden, 0, 0},
      {"mercator: 84.9 N", mer, 10, 84.9, kProjOk, 20, 356},
  };
  for (const ViewCase& c : cases) {
    SCOPED_TRACE(c.what);
    int x = 99999, y = 99999;
    ASSERT_EQ(projectForView(c.view, deg(c.lon), deg(c.lat), x, y), c.result);
    if (c.result == kProjOk) {
      EXPECT_EQ(x, c.x);
      EXPECT_EQ(y, c.y);
    }
  }
  const ComOtptObsImg prj;
  EXPECT_EQ(prj.ComGetPolarRadius(2.5), 400);
  GeoPoint south{0, deg(-10)};
  EXPECT_EQ(prj.ComPrjPolarS(&south, 1.0, false, 0), kProjOk);
  GeoPoint hidden{0, deg(10)};
  EXPECT_EQ(prj.ComPrjPolarS(&hidden, 1.0, false, 0), kProjHidden);
  GeoPoint shown{0, deg(-10)};
  EXPECT_EQ(prj.ComPrjPolarN(&shown, 1.0, true, 0), kProjOk);  // show-all
  EXPECT_EQ(prj.ComPrjPolarN(nullptr, 1.0, true, 0), kProjMissing);
  // The equator is a circle of 160 s pixels in both polar views.
  for (double lon : {-135.0, -30.0, 0.0, 77.0, 179.0}) {
    GeoPoint n{deg(lon), 0};
    GeoPoint s{deg(lon), 0};
    prj.ComPrjPolarN(&n, 3.0, false, 45);
    prj.ComPrjPolarS(&s, 3.0, false, 45);
    EXPECT_NEAR(std::hypot(n.x, n.y), 480.0, 1.5);
    EXPECT_NEAR(std::hypot(s.x, s.y), 480.0, 1.5);
  }
}

TEST(Projections, InversesComeBack) {
  const ComOtptObsImg prj;
  for (double s : {1.0, 4.0, 37.5}) {
    for (double lat : {-84.0, -30.0, 0.0, 12.5, 60.0, 84.9}) {
      GeoPoint p{0, deg(lat)};
      prj.ComPrjMercator(&p, s);
      GeoPoint back{0, truncInt(p.y * unitsPerPixel(s))};
      prj.ComInvMercator(&back, s);
      EXPECT_NEAR(back.y / 1e6, lat, 1.0 / s) << s << " " << lat;
    }
  }
  // The approximate polar inverse treats the plane as 90 units from pole to equator.
  GeoPoint q{deg(30), deg(40)};  // 50 units from the pole
  ASSERT_EQ(prj.ComInvPolarN(&q), kProjOk);
  EXPECT_EQ(q.y, deg(40));
  EXPECT_NEAR(q.x / 1e6, -std::asin(0.6) / kDegToRad, 1e-5);
  GeoPoint r{deg(30), deg(-40)};
  ASSERT_EQ(prj.ComInvPolarS(&r), kProjOk);
  EXPECT_EQ(r.y, deg(-40));
  GeoPoint far{deg(80), deg(80)};
  EXPECT_EQ(prj.ComInvPolarN(&far), kProjHidden);
  GeoPoint pole{0, 0};
  ASSERT_EQ(prj.ComInvPolarN(&pole), kProjOk);
  EXPECT_EQ(pole.y, deg(90));

  // Selection corners: EQR back to the position, longitudes wrapped into +-180.
  const ViewParams eqr{kProjEqr, deg(170), deg(10), 2.0, 0};
  const GeoPoint corner = screenToGeo(eqr, 60, -20);
  EXPECT_EQ(corner.x, deg(-175));
  EXPECT_EQ(corner.y, deg(5));
}

TEST(Projections, ScreenPositionTable) {
  const ViewParams view{kProjEqr, 0, 0, 1.0, 0};
  ScreenPositionTable table;
  EXPECT_FALSE(table.ready());
  table.fillNow(view, 800, 550, 800, 550);
  GeoPoint p{};
  ASSERT_TRUE(table.lookup(0, 0, p));
  int x = 0, y = 0;
  ASSERT_EQ(projectForView(view, p.x, p.y, x, y), kProjOk);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  // Every filled pixel holds a position that projects into it; beyond the poles and beyond
  // the 360 degrees of longitude around the centre nothing.
  for (int sx = -399; sx <= 399; sx += 37) {
    for (int sy = -260; sy <= 260; sy += 29) {
      GeoPoint q{};
      if (!table.lookup(sx, sy, q)) {
        EXPECT_TRUE(std::abs(sy) > 180 || std::abs(sx) > 360) << sx << " " << sy;
        continue;
      }
      ASSERT_EQ(projectForView(view, q.x, q.y, x, y), kProjOk);
      EXPECT_EQ(x, sx);
      EXPECT_EQ(y, sy);
    }
  }
  EXPECT_FALSE(table.lookup(0, 200, p));  // above the north pole

  // The worker: a stopped fill is never published half done, so a table stays available.
  table.start(ViewParams{kProjOrtho, 0, 0, 1.0, 0}, 800, 550, 800, 550);
  table.stop();
  EXPECT_TRUE(table.ready());
  // A complete fill replaces it.
  table.start(ViewParams{kProjOrtho, deg(90), 0, 1.0, 0}, 800, 550, 800, 550);
  table.wait();
  ASSERT_TRUE(table.lookup(0, 0, p));
  EXPECT_NEAR(p.x / 1e6, 90.0, 0.5);
}

}  // namespace
