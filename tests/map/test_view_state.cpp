// The map view's state and rules: zoom limits, history, moves, recentring, panning, the
// rubber band, the colour bar drag, selections through the screen positions, the "Select
// Area" fields, and the status and value texts.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "colour/colour_table.h"
#include "map/display_manager.h"
#include "map/screen_position_table.h"
#include "map/view_state.h"
#include "product_model/value_grid.h"
#include "temp_dir.h"
#include "tiny_product.h"

using namespace kivo::map;

namespace {

constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0); }
constexpr int kW = 800;
constexpr int kH = 550;

// A view of a projection at magnification s centred on (cx, cy).
ViewState viewAt(int projection, double s, std::int32_t cx, std::int32_t cy, bool hdfOutput = false) {
  ViewState v;
  v.setProduct(projection, false, hdfOutput);
  v.applyMapChange(projection, cx, cy, s);
  return v;
}

TEST(ViewStateZoom, LimitsAndMessages) {
  ViewState v;
  for (int i = 0; i < 8; ++i) EXPECT_EQ(v.ComZoom(kZoomIn), 0);
  EXPECT_EQ(v.magnification(), 256.0);
  EXPECT_EQ(v.ComZoom(kZoomIn), kMsgZoomInLimit);
  EXPECT_EQ(v.magnification(), 256.0);

  // Back to magnification 1 the map is centred vertically again.
  v = viewAt(kProjEqr, 2.0, deg(180), deg(40));
  EXPECT_EQ(v.ComZoom(kZoomOut), 0);
  EXPECT_EQ(v.params().cy, 0);
  EXPECT_EQ(v.ComZoom(kZoomOut), kMsgZoomOutLimit);
  EXPECT_EQ(v.magnification(), 1.0);
  EXPECT_EQ(v.ComZoom(kZoomBy, 0.0), kMsgZoomOutLimit);
  EXPECT_EQ(v.ComZoom(kZoomBy, std::nan("")), kMsgZoomOutLimit);
  EXPECT_EQ(v.magnification(), 1.0);

  ViewState both = viewAt(kProjPolarBoth, 1.0, 0, 0);
  EXPECT_EQ(both.ComZoom(kZoomIn), 0);
  EXPECT_EQ(both.magnification(), 1.0);
}

TEST(ViewStateZoom, AutomaticAdjustmentFitsTheMap) {
  struct Case {
    int projection, w, h;
    double s;
    int message;
  };
  const Case cases[] = {
      {kProjEqr, kW, kH, 800.0 / 740.0, 0},          // width decides
      {kProjPolarNorth, kW, kH, 550.0 / 360.0, 0},   // height decides
      {kProjMercator, 1440, 1440, 2.0, 0},
      {kProjEqr, 300, 200, 1.0, kMsgZoomOutLimit},   // smaller than the map at magnification 1
      {kProjPolarBoth, 2000, 2000, 1.0, 0},          // the two-hemisphere view does not zoom
  };
  for (const Case& c : cases) {
    ViewState v = viewAt(c.projection, 4.0, deg(10), deg(10));
    v.ComPushHistory();
    EXPECT_EQ(v.automaticAdjustment(c.w, c.h), c.message) << c.projection;
    EXPECT_DOUBLE_EQ(v.magnification(), c.s) << c.projection;
    EXPECT_EQ(v.params().cx, projectionInfo(c.projection).initialCentre.x) << c.projection;
    EXPECT_EQ(v.historyCount(), 1) << "no history of its own";
  }
}

TEST(ViewStateHistory, KeepsTheLast300) {
  ViewState v;
  for (int i = 0; i <= 300; ++i) {
    v.applyMapChange(i % 2 == 0 ? kProjEqr : kProjMercator, i * 100000, -i * 1000, 1.0 + i % 4);
    v.ComPushHistory();
  }
  EXPECT_EQ(v.historyCount(), kHistoryCapacity);
  v.applyMapChange(kProjOrtho, 0, 0, 8.0);
  for (int i = 300; i >= 1; --i) {
    ASSERT_TRUE(v.back()) << i;
    EXPECT_EQ(v.params().cx, i * 100000);
    EXPECT_EQ(v.params().cy, -i * 1000);
    EXPECT_EQ(v.magnification(), 1.0 + i % 4);
    EXPECT_EQ(v.projection(), i % 2 == 0 ? kProjEqr : kProjMercator);
  }
  EXPECT_FALSE(v.backAvailable());
  EXPECT_FALSE(v.back());
  EXPECT_EQ(v.params().cx, 100000);  // the first push was dropped
}

TEST(ViewStateMoves, PerProjection) {
  struct Case {
    const char* what;
    int projection;
    double s;
    std::int32_t cx, cy;
    MoveDirection direction;
    std::int32_t toCx, toCy;
  };
  const Case cases[] = {
      {"EQR up at 1 shows the whole height already", kProjEqr, 1, deg(180), 0, kMoveUp, deg(180), 0},
      {"EQR up at 2 adds 15 degrees", kProjEqr, 2, deg(180), 0, kMoveUp, deg(180), deg(15)},
      {"EQR up stops at the pole", kProjEqr, 2, deg(180), deg(85), kMoveUp, deg(180), deg(90)},
      {"EQR down at 4", kProjEqr, 4, deg(180), 0, kMoveDown, deg(180), -deg(7.5)},
      {"EQR right wraps", kProjEqr, 1, deg(170), 0, kMoveRight, -deg(160), 0},
      {"EQR left", kProjEqr, 1, deg(180), 0, kMoveLeft, deg(150), 0},
      {"ORTHO up at 1", kProjOrtho, 1, deg(180), 0, kMoveUp, deg(180), deg(30)},
      {"ORTHO down from the pole region", kProjOrtho, 1, 0, -deg(89.99), kMoveDown, 0, -deg(90)},
      {"Mercator up at 1", kProjMercator, 1, deg(180), 0, kMoveUp, deg(180), 0},
      {"Mercator up at 2", kProjMercator, 2, deg(180), deg(170), kMoveUp, deg(180), deg(180)},
      {"north at 1 does not move", kProjPolarNorth, 1, 0, 0, kMoveRight, 0, 0},
      {"north right at 2", kProjPolarNorth, 2, deg(70), 0, kMoveRight, deg(80), 0},
      {"south down at 4", kProjPolarSouth, 4, 0, -deg(5), kMoveDown, 0, -deg(12.5)},
      {"both never moves", kProjPolarBoth, 1, 0, 0, kMoveLeft, 0, 0},
  };
  for (const Case& c : cases) {
    ViewState v = viewAt(c.projection, c.s, c.cx, c.cy);
    v.move(c.direction);
    EXPECT_EQ(v.params().cx, c.toCx) << c.what;
    EXPECT_EQ(v.params().cy, c.toCy) << c.what;
    EXPECT_EQ(v.historyCount(), 1) << c.what;
  }
}

TEST(ViewStateProjection, ChangeRulesAndEnabling) {
  ViewState v;
  v.setProduct(kProjEqr, false, false);
  v.setMouseMode(kMouseSelect);
  v.setSelection(SelectedArea{{deg(10), deg(20)}, {deg(30), deg(10)}, true});
  v.ComZoom(kZoomIn);
  v.setProjection(kProjMercator);
  EXPECT_EQ(v.mouseMode(), kMouseSelect);  // Mercator keeps the mode
  EXPECT_EQ(v.magnification(), 1.0);
  EXPECT_EQ(v.params().cx, deg(180));
  EXPECT_FALSE(v.selection().valid);

  EXPECT_FALSE(v.standardLongitudeEnabled());
  v.setStandardLongitude(90);
  EXPECT_EQ(v.params().stdLon, 0);
  v.setProjection(kProjPolarNorth);
  EXPECT_EQ(v.mouseMode(), kMouseZoom);
  EXPECT_EQ(v.params().cx, 0);
  EXPECT_EQ(v.params().cy, 0);
  EXPECT_FALSE(v.mouseModeEnabled(kMouseSelect));  // polar SELECT only in HDF output mode
  v.setStandardLongitude(90);
  EXPECT_EQ(v.params().stdLon, 90);
  v.setProjection(kProjPolarSouth);
  EXPECT_EQ(v.params().stdLon, 0);
  EXPECT_EQ(v.historyCount(), 4);  // Mercator, north, 90 degrees, south
  ASSERT_TRUE(v.back());
  EXPECT_EQ(v.projection(), kProjPolarNorth);

  v.setProjection(kProjOrtho);
  EXPECT_FALSE(v.mouseModeEnabled(kMouseSelect));
  v.setMouseMode(kMouseSelect);
  EXPECT_EQ(v.mouseMode(), kMouseZoom);
  v.setMouseMode(kMousePan);
  EXPECT_EQ(v.mouseMode(), kMousePan);

  ViewState hdf;
  hdf.setProduct(kProjPolarSouth, false, true);
  EXPECT_TRUE(hdf.mouseModeEnabled(kMouseSelect));
  hdf.setMouseMode(kMouseSelect);
  hdf.setSelection(SelectedArea{{0, -deg(60)}, {deg(10), -deg(70)}, true});
  hdf.setMouseMode(kMouseZoom);  // ZOOM and PAN clear the selection
  EXPECT_FALSE(hdf.selection().valid);

  // A product that carries its projection offers no other.
  ViewState fixed;
  fixed.setProduct(kProjPolarSouth, true, false);
  EXPECT_FALSE(fixed.projectionEnabled(kProjEqr));
  EXPECT_TRUE(fixed.projectionEnabled(kProjPolarSouth));
  fixed.setProjection(kProjEqr);
  EXPECT_EQ(fixed.projection(), kProjPolarSouth);
  EXPECT_EQ(fixed.historyCount(), 0);

  const MapChange record = viewAt(kProjMercator, 4, deg(139.25), deg(35.5)).mapChange(816, 590);
  EXPECT_EQ(record.projectionName, "MER");
  EXPECT_EQ(record.magnification, 4.0);
  EXPECT_EQ(record.cx, deg(139.25));
  EXPECT_EQ(record.cy, deg(35.5));
  EXPECT_EQ(record.width, 816);
  EXPECT_EQ(record.height, 590);
}

TEST(ViewStateMouse, RecentreClampsAndSnaps) {
  struct Case {
    const char* what;
    int projection;
    double s;
    std::int32_t cx, cy;
    DevicePoint click;
    std::int32_t toCx, toCy;
    int message;
  };
  const Case cases[] = {
      {"EQR lower than the window keeps the equator in the middle", kProjEqr, 1, deg(180), deg(20), {400, 0}, deg(180), 0, 0},
      {"EQR clamps at the upper edge", kProjEqr, 4, deg(180), deg(80), {400, 0}, deg(180), deg(90), kMsgUpperLatitude},
      {"EQR clamps at the lower edge", kProjEqr, 4, deg(180), -deg(80), {400, 549}, deg(180), -deg(90), kMsgLowerLatitude},
      {"EQR snaps to 0.05 degrees", kProjEqr, 4, deg(180), deg(80), {399, 550}, 179850000, 45600000, 0},
      {"negative centres snap toward zero", kProjEqr, 4, -deg(100), 0, {399, 275}, -100100000, 0, 0},
      {"EQR wraps", kProjEqr, 1, deg(180), 0, {500, 275}, -deg(130), 0, 0},
      {"ORTHO always moves vertically", kProjOrtho, 1, deg(180), 0, {400, 0}, deg(180), deg(90), kMsgUpperLatitude},
      {"Mercator clamps its ordinate", kProjMercator, 2, deg(180), deg(170), {400, 0}, deg(180), deg(180), kMsgUpperLatitude},
      {"north at 1 returns to the pole", kProjPolarNorth, 1, deg(10), deg(10), {500, 225}, 0, 0, 0},
      {"north at 2 by the polar radius", kProjPolarNorth, 2, 0, 0, {500, 225}, deg(25), deg(12.5), 0},
      {"north clamps at 80", kProjPolarNorth, 2, deg(70), 0, {600, 275}, deg(80), 0, 0},
      {"both has no centre", kProjPolarBoth, 1, 0, 0, {700, 100}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ViewState v = viewAt(c.projection, c.s, c.cx, c.cy);
    EXPECT_EQ(v.ComRecentre(c.click, kRecentreClick, kW, kH), c.message) << c.what;
    EXPECT_EQ(v.params().cx, c.toCx) << c.what;
    EXPECT_EQ(v.params().cy, c.toCy) << c.what;
  }
}

TEST(ViewStateMouse, RubberBandClickOrZoom) {
  // 10 x 10 pixels is a click: recentred, not zoomed.
  ViewState v = viewAt(kProjEqr, 1, deg(180), 0);
  BandOutcome out = v.rubberBandRelease({400, 275}, {410, 285}, kW, kH);
  EXPECT_EQ(out.kind, BandOutcome::kClick);
  EXPECT_EQ(v.magnification(), 1.0);
  EXPECT_EQ(v.params().cx, -deg(175));
  EXPECT_EQ(v.historyCount(), 1);

  // 11 x 11 zooms into the rectangle around its middle.
  v = viewAt(kProjEqr, 1, deg(180), 0);
  out = v.rubberBandRelease({400, 275}, {411, 286}, kW, kH);
  EXPECT_EQ(out.kind, BandOutcome::kZoomed);
  EXPECT_DOUBLE_EQ(v.magnification(), 550.0 / 11.0);
  EXPECT_EQ(v.params().cx, -deg(177.5));
  EXPECT_EQ(v.params().cy, -deg(2.5));
  EXPECT_EQ(v.historyCount(), 1);

  // A tall narrow band: the width counts as a tenth of the window.
  v = viewAt(kProjEqr, 1, deg(180), 0);
  v.rubberBandRelease({400, 200}, {405, 300}, kW, kH);
  EXPECT_DOUBLE_EQ(v.magnification(), 5.5);

  // Zooming past 256 stops there with message 5.
  v = viewAt(kProjEqr, 100, deg(180), 0);
  EXPECT_EQ(v.rubberBandRelease({100, 100}, {700, 500}, kW, kH).message, 0);
  EXPECT_EQ(v.rubberBandRelease({300, 200}, {320, 220}, kW, kH).message, kMsgZoomInLimit);
  EXPECT_EQ(v.magnification(), 256.0);

  // In SELECT mode the rectangle stays; nothing changes.
  v = viewAt(kProjEqr, 1, deg(180), 0);
  v.setMouseMode(kMouseSelect);
  EXPECT_EQ(v.rubberBandRelease({400, 275}, {411, 286}, kW, kH).kind, BandOutcome::kSelectShown);
  EXPECT_EQ(v.magnification(), 1.0);
  EXPECT_EQ(v.historyCount(), 0);
}

TEST(ViewStateMouse, PanFollowsThePointer) {
  ViewState v = viewAt(kProjEqr, 2, deg(180), 0);
  v.panPress({400, 275});
  v.panMove({300, 375});  // dragged left and down: the centre moves east and north
  EXPECT_EQ(v.params().cx, -deg(155));
  EXPECT_EQ(v.params().cy, deg(25));
  v.panMove({400, 2000});
  EXPECT_EQ(v.params().cy, deg(90));
  v.panRelease();
  EXPECT_EQ(v.historyCount(), 1);
  ASSERT_TRUE(v.back());
  EXPECT_EQ(v.params().cx, deg(180));

  ViewState mer = viewAt(kProjMercator, 2, deg(180), 0);
  mer.panPress({400, 275});
  mer.panMove({400, 5000});
  EXPECT_EQ(mer.params().cy, deg(180));

  ViewState north = viewAt(kProjPolarNorth, 1, 0, 0);
  north.panPress({400, 275});
  north.panMove({300, 375});
  EXPECT_EQ(north.params().cx, 0);  // no panning at magnification 1
  north.applyMapChange(kProjPolarNorth, 0, 0, 2.0);
  north.panPress({400, 275});
  north.panMove({0, 0});
  EXPECT_EQ(north.params().cx, deg(80));
  EXPECT_EQ(north.params().cy, -deg(68.75));

  ViewState both = viewAt(kProjPolarBoth, 1, 0, 0);
  both.panPress({400, 275});
  both.panMove({0, 0});
  EXPECT_EQ(both.params().cx, 0);
}

TEST(ViewStateColourBar, HitAndDrag) {
  ViewState v;
  v.placeColourBar(kH);
  EXPECT_EQ(v.colourBar().x, -250);
  EXPECT_EQ(v.colourBar().y, 70 - kH / 2);
  // The bar covers x -250..250 and y -265..-205 around the centre: device 150..650, 480..540.
  EXPECT_TRUE(v.colourBarHit({150, 480}, kW, kH));
  EXPECT_TRUE(v.colourBarHit({650, 540}, kW, kH));
  EXPECT_FALSE(v.colourBarHit({149, 500}, kW, kH));
  EXPECT_FALSE(v.colourBarHit({400, 479}, kW, kH));

  EXPECT_FALSE(v.colourBarDrag({200, 500}, {205, 505}));
  EXPECT_EQ(v.colourBar().x, -250);
  EXPECT_TRUE(v.colourBarDrag({200, 500}, {211, 500}));
  EXPECT_EQ(v.colourBar().x, -239);
  EXPECT_TRUE(v.colourBarDrag({200, 500}, {200, 489}));
  EXPECT_EQ(v.colourBar().y, 70 - kH / 2 + 11);

  v.setColourBarVertical(true);
  EXPECT_FALSE(v.colourBarHit({300, 500}, kW, kH));
}

// Selections through a real screen-position table of an 800 x 550 view.
class ViewStateSelection : public ::testing::Test {
 protected:
  PositionLookup lookupIn(ScreenPositionTable& table) {
    return [&table](int x, int y, GeoPoint& p) { return table.lookup(x, y, p); };
  }
};

TEST_F(ViewStateSelection, PointsBesideTheMapArePulledIn) {
  ViewState v = viewAt(kProjEqr, 1, deg(180), 0);
  ScreenPositionTable table;
  table.fillNow(v.params(), kW, kH, kW, kH);
  // From above the map (offset -300, 275) to offset (-100, 75).
  v.selectFromScreen({100, 0}, {300, 200}, kW, kH, lookupIn(table));
  ASSERT_TRUE(v.selection().valid);
  EXPECT_NEAR(v.selection().upperLeft.y, deg(90), deg(0.5));
  EXPECT_NEAR(v.selection().upperLeft.x, deg(30), deg(0.5));
  EXPECT_NEAR(v.selection().lowerRight.x, deg(130), deg(0.5));
  EXPECT_NEAR(v.selection().lowerRight.y, deg(37.5), deg(0.5));

  // Left of the map's western edge (longitude 0) the repeating map continues at 350 E.
  v.selectFromScreen({20, 200}, {100, 250}, kW, kH, lookupIn(table));
  ASSERT_TRUE(v.selection().valid);
  EXPECT_NEAR(v.selection().upperLeft.x, -deg(10), deg(0.5));

  // A click without movement selects nothing.
  v.selectFromScreen({300, 200}, {300, 200}, kW, kH, lookupIn(table));
  EXPECT_FALSE(v.selection().valid);

  // While the table is being rebuilt nothing resolves.
  ScreenPositionTable empty;
  v.selectFromScreen({100, 0}, {300, 200}, kW, kH, lookupIn(empty));
  EXPECT_FALSE(v.selection().valid);
}

TEST_F(ViewStateSelection, PolarSelectNeedsEveryCornerOnTheMap) {
  ViewState v = viewAt(kProjPolarNorth, 1, 0, 0, true);
  v.setMouseMode(kMouseSelect);
  ScreenPositionTable table;
  table.fillNow(v.params(), kW, kH, kW, kH, true);  // HDF output mode: the other hemisphere resolves too
  v.selectFromScreen({375, 250}, {425, 300}, kW, kH, lookupIn(table));
  ASSERT_TRUE(v.selection().valid);
  EXPECT_GT(v.selection().upperLeft.y, deg(60));
  // One corner beyond the equator circle.
  v.selectFromScreen({200, 100}, {450, 325}, kW, kH, lookupIn(table));
  EXPECT_FALSE(v.selection().valid);

  GeoPoint plane{};
  EXPECT_EQ(v.ComGetPlanePos({0, deg(90)}, plane), 0);
  EXPECT_EQ(plane.x, 0);
  EXPECT_EQ(plane.y, 0);
  EXPECT_EQ(v.ComGetPlanePos({0, -deg(10)}, plane), kProjHidden);
}

TEST(SelectAreaFields, CheckedInOrder) {
  struct Case {
    AreaFields fields;
    int message, field;
  };
  const std::string longText(261, '1');
  const Case cases[] = {
      {{"10.7", "100", "10.2", "120"}, 0, -1},
      {{"10.2", "100", "10.7", "120"}, 0, -1},  // equal whole degrees
      {{"10.2", "100", "11.7", "120"}, kMsgLatitudeOrder, -1},
      {{"-0.5", "-180", "0.3", "180"}, 0, -1},
      {{longText, "x", "0", "0"}, kMsgTextTooLong, 0},
      {{std::string(260, '1'), "0", "0", "0"}, kMsgUpperLatitude, 0},
      {{"abc", "0", "0", "0"}, kMsgNotANumber, 0},
      {{"0", "1.2.3", "0", "0"}, kMsgNotANumber, 1},
      {{"0", "0", "-", "0"}, kMsgNotANumber, 2},
      {{"0", "0", "0", "+5"}, kMsgNotANumber, 3},
      {{"", "0", "0", "0"}, kMsgNotANumber, 0},
      {{"90.001", "0", "0", "0"}, kMsgUpperLatitude, 0},
      {{"0", "-180.5", "0", "0"}, kMsgLeftLongitude, 1},
      {{"0", "0", "-90.01", "0"}, kMsgLowerLatitude, 2},
      {{"0", "0", "0", "181"}, kMsgRightLongitude, 3},
  };
  const ViewState eqr;
  for (const Case& c : cases) {
    const AreaCheck check = checkSelectArea(c.fields, eqr);
    EXPECT_EQ(check.message, c.message) << c.fields[0] << " " << c.fields[1] << " " << c.fields[2] << " " << c.fields[3];
    EXPECT_EQ(check.field, c.field) << c.fields[0];
    EXPECT_EQ(check.area.valid, c.message == 0);
  }
  const AreaCheck ok = checkSelectArea({"10.7", "100.25", "10.2", "-120"}, eqr);
  EXPECT_EQ(ok.area.upperLeft.x, deg(100.25));
  EXPECT_EQ(ok.area.upperLeft.y, deg(10.7));
  EXPECT_EQ(ok.area.lowerRight.x, -deg(120));
  EXPECT_EQ(ok.area.lowerRight.y, deg(10.2));
  EXPECT_EQ(areaFieldsOf(ok.area), (AreaFields{"10.700", "100.250", "10.200", "-120.000"}));

  // In the polar views the order is that of the plane: under the standard longitude 60 N
  // lies above 80 N.
  ViewState north;
  north.setProduct(kProjPolarNorth, false, true);
  EXPECT_EQ(checkSelectArea({"60", "0", "80", "0"}, north).message, 0);
  EXPECT_EQ(checkSelectArea({"80", "0", "60", "0"}, north).message, kMsgLatitudeOrder);
}

TEST(ViewTexts, StatusLine) {
  ProductTexts t;
  t.displayName = "AMSR2 Level 1B";
  t.title = "Brightness Temperature (89.0GHz-A,H)";
  t.startDate = "2012-07-03";
  t.startTime = withoutFraction("00:12:34.567");
  t.endDate = "2012-07-03";
  t.endTime = withoutFraction("01:02:03");
  const GeoPoint at{deg(139.25), -deg(35.5)};
  EXPECT_EQ(statusLine(t, &at),
            "AMSR2 Level 1B Brightness Temperature (89.0GHz-A,H) [2012-07-03 00:12:34 - 2012-07-03 01:02:03] "
            "lat=-35.500 lon=139.250");
  EXPECT_EQ(statusLine(t, nullptr),
            "AMSR2 Level 1B Brightness Temperature (89.0GHz-A,H) [2012-07-03 00:12:34 - 2012-07-03 01:02:03] "
            "lat=--- lon=---");

  t.composite = true;
  t.labels = {shortChannelName("original-89.0GHz-A-V"), "89.0GHz-A-H", "36.5GHz-V"};
  EXPECT_EQ(t.labels[0], "original-89GHz-A-V");
  EXPECT_EQ(statusLine(t, nullptr),
            "CHANNEL(org-89GHz-A-V,89GHz-A-H,36.5GHz-V) [2012-07-03 00:12:34 - 2012-07-03 01:02:03] lat=--- lon=---");
  t.level = 3;
  t.labels = {level3Label("GW1AM2_20120703_01D_EQMA_L3SGT36LA2220220", true),
              level3Label("GW1AM2_20120703_01D_EQMA_L3SGT89LA2220220", true),
              level3Label("0123456789ABCDESSTxyz", false)};
  const GeoPoint west{-deg(0.05), deg(0.25)};
  EXPECT_EQ(statusLine(t, &west), "(T36,T89,SST) [2012-07-03 00:12:34 - 2012-07-03 01:02:03] lat=0.250 lon=-0.050");
  EXPECT_EQ(level3Label("too short", true), "");
}

TEST(ViewTexts, ValueUnderTheCursor) {
  const GridValue grid = [](int c, int column, int row) {
    if (column == 2000 && row == 1000) return c == 1 ? kivo::model::kEmptyValue : 50.0f + static_cast<float>(c);
    if (column == 1600 && row == 800) return -2.5f;
    return kivo::model::kEmptyValue;
  };
  const GeoPoint cell{deg(20.05), deg(10.05)};  // column 2000, row 1000
  const GeoPoint west{-deg(20.05), -deg(10.05)};  // truncated toward zero: column 1600, row 800
  const GeoPoint nothing{deg(1), deg(1)};
  EXPECT_EQ(valueText(false, &cell, grid), "value= 50.000");
  EXPECT_EQ(valueText(false, &west, grid), "value= -2.500");
  EXPECT_EQ(valueText(false, &nothing, grid), "value= ---");
  EXPECT_EQ(valueText(false, nullptr, grid), "value= ---");
  EXPECT_EQ(valueText(true, &cell, grid), "value(R,G,B)= 50.000, ---, 52.000");
  EXPECT_EQ(valueText(true, &nothing, grid), "value(R,G,B)= ---, ---, ---");
  EXPECT_EQ(valueText(true, nullptr, grid), "value(R,G,B)= ---, ---, ---");
  int column = 0, row = 0;
  gridCellOf({deg(180), deg(90)}, column, row);
  EXPECT_EQ(column, 3600);
  EXPECT_EQ(row, 1800);
  gridCellOf({-deg(180), -deg(90)}, column, row);
  EXPECT_EQ(column, 0);
  EXPECT_EQ(row, 0);
}

// A composite whose colours come from different files (Level 3 composites): each colour's
// file list is its own, and the colours of one pixel combine across the files.
TEST(DisplayManagerSlots, CompositeTakesEachColourFromItsFile) {
  kivo::test::TempDir dir;
  const auto product = [&](const std::string& name, float lat, float lon) {
    kivo::test::TinyProduct p(dir.file(name));
    p.head("AMSR2-L1B", 0);
    for (const char* band : {"89A", "89B"}) {
      p.data(std::string("Latitude of Observation Point for ") + band, kivo::test::Stored::F32, {1, 1}, std::vector<float>{lat});
      p.data(std::string("Longitude of Observation Point for ") + band, kivo::test::Stored::F32, {1, 1}, std::vector<float>{lon});
    }
    for (const char* c : {"Brightness Temperature (89.0GHz-A,V)", "Brightness Temperature (89.0GHz-A,H)",
                          "Brightness Temperature (89.0GHz-B,V)"}) {
      p.data(c, kivo::test::Stored::U16, {1, 1}, std::vector<unsigned short>{10000}, 0.01f);
    }
    return p.close();
  };
  using kivo::model::ComPrdctMngmnt;
  const kivo::model::ProductObjectSettings settings{dir.file(""), nullptr, 0};
  ComPrdctMngmnt objects[3] = {ComPrdctMngmnt(settings), ComPrdctMngmnt(settings), ComPrdctMngmnt(settings)};
  const std::string red = product("red.h5", 10.0f, 20.0f);
  const std::string green = product("green.h5", 10.0f, 20.0f);
  ChannelSlots slots;
  const std::string files[3] = {red, green, green};
  for (int c = 0; c < 3; ++c) {
    int slot = -1, projection = -1;
    bool known = false;
    std::string name;
    ASSERT_EQ(objects[c].ComOpenPrdctFile(files[c], slot, name, projection, known), 0);
    ASSERT_EQ(objects[c].ComLoadChnl(slot, 20), 0);
    slots[static_cast<std::size_t>(c)] = {slot};
  }
  kivo::colour::ComClrTblMng table;
  ComPrdctDspMngmnt manager;
  ChannelChoice channels;
  channels.composite = true;
  channels.chnl[0] = channels.chnl[1] = channels.chnl[2] = 20;
  const std::array<const kivo::model::ComPrdctMngmnt*, 3> refs{&objects[0], &objects[1], &objects[2]};
  EXPECT_EQ(manager.ComSetDspPrdct(ChannelSlots{slots[0], {}, {}}, channels, &table, refs), 1);
  ASSERT_EQ(manager.ComSetDspPrdct(slots, channels, &table, refs), 0);
  table.ComSetPntNum(2);
  for (int c = 0; c < 3; ++c) {
    for (int k = 0; k < 9; ++k) {
      table.ComSetCntVal(c, k, k < 8 ? 0.0f : 100.0f);
      table.ComSetClrPrm(c, k, k < 8 ? 0 : 255);
    }
  }
  kivo::draw::Surface surface(200, 100);
  surface.clear(0);
  ASSERT_EQ(manager.ComDrawPrdct(surface, ViewParams{}), 0);
  EXPECT_EQ(surface.pixel(40, 20), kivo::colour::rgb(255, 255, 255));
}

}  // namespace
