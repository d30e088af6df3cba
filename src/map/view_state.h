#pragma once

// The state of a map view and the rules that change it: projection, centre, magnification,
// standard longitude, mouse mode, the history of "Back to Previous", zoom, moves, recentring,
// panning, the rubber band, the colour bar drag and the selected area; and the texts of the
// status line and of the value under the cursor. Operations that the user must be told about
// return a message number (0 for none); the view shows it.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "map/projections.h"

namespace kivo::map {

enum MouseMode : int { kMouseZoom = 0, kMouseSelect = 1, kMousePan = 2 };
enum ZoomKind : int { kZoomIn = 1, kZoomBy = 2, kZoomOut = 3 };
enum RecentreKind : int { kRecentreClick = 0, kRecentreZoomDrag = 1 };
enum MoveDirection : int { kMoveRight = 0, kMoveLeft = 1, kMoveUp = 2, kMoveDown = 3 };

// Message numbers the view shows for the outcomes below.
inline constexpr int kMsgZoomInLimit = 5;
inline constexpr int kMsgZoomOutLimit = 6;
inline constexpr int kMsgNotANumber = 7;
inline constexpr int kMsgUpperLatitude = 8;
inline constexpr int kMsgLowerLatitude = 9;
inline constexpr int kMsgLatitudeOrder = 10;
inline constexpr int kMsgLeftLongitude = 11;
inline constexpr int kMsgRightLongitude = 12;
inline constexpr int kMsgBadSelection = 13;
inline constexpr int kMsgTextTooLong = 28;

inline constexpr int kHistoryCapacity = 300;
inline constexpr double kMinMagnification = 1.0;
inline constexpr double kMaxMagnification = 256.0;
// A button release within this many pixels of its press is a click.
inline constexpr int kClickTolerance = 10;

struct HistoryEntry {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  double s = 1.0;
  int projection = kProjEqr;
};

// The selected area (two corners, longitude and latitude in microdegrees).
struct SelectedArea {
  GeoPoint upperLeft{0, 0};
  GeoPoint lowerRight{0, 0};
  bool valid = false;
};

// The colour bar's layout: horizontal with its upper-left corner at (x, y) relative to the
// window centre (y upward), or vertical at the right edge.
struct ColourBarLayout {
  bool vertical = false;
  int x = -250;
  int y = 0;
  bool placed = false;  // set at the first paint, which puts the bar near the bottom
};

// A device pixel of the view's client area (x to the right, y downward from the top-left).
struct DevicePoint {
  int x = 0;
  int y = 0;
};

// The view state as the batch command CHANGEMAP repeats it.
struct MapChange {
  double magnification = 1.0;
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  int width = 0;   // the view's frame size
  int height = 0;
  std::string projectionName;
};

// What a button release in ZOOM or SELECT mode did.
struct BandOutcome {
  enum Kind { kClick, kSelectShown, kZoomed } kind = kClick;
  int message = 0;
};

// Geographic position under a screen offset (x right, y up from the centre); false when the
// pixel shows no map or the positions are not known yet.
using PositionLookup = std::function<bool(int x, int y, GeoPoint& position)>;

class ViewState {
 public:
  // The initial view: equirectangular at magnification 1, centred on 180 degrees.
  ViewState();

  // A product is put on the view with its projection (a fixed one for products that carry
  // their own) and the HDF output mode: the projection's initial centre at magnification 1.
  void setProduct(int projection, bool fixedProjection, bool hdfOutput);

  const ViewParams& params() const { return view_; }
  int projection() const { return view_.projection; }
  double magnification() const { return view_.s; }
  int mouseMode() const { return mouseMode_; }
  bool fixedProjection() const { return fixed_; }
  bool hdfOutput() const { return hdfOutput_; }

  // --- history ------------------------------------------------------------------------
  void ComPushHistory();
  // Restores the last entry: false when there is none.
  bool back();
  bool backAvailable() const { return !history_.empty(); }
  int historyCount() const { return static_cast<int>(history_.size()); }

  // --- zoom, reset, moves ------------------------------------------------------------
  // Kind 1 doubles, kind 2 multiplies by `value`, kind 3 halves; clamped to 1..256 with
  // message 6 or 5. The two-hemisphere view does not zoom.
  int ComZoom(int kind, double value = 0.0);
  // Pushes history; the projection's initial centre at magnification 1; selection cleared.
  void reset();
  // Without history: the initial centre, then the zoom that fits the map into w x h pixels.
  int automaticAdjustment(int w, int h);
  // Pushes history and moves the centre one step (30 degrees / s) where the projection allows.
  void move(MoveDirection direction);

  // --- projection, standard longitude, mouse mode --------------------------------------
  bool projectionEnabled(int code) const { return !fixed_ || code == fixedCode_; }
  // Pushes history and changes the projection (refused when it is not enabled).
  void setProjection(int code);
  bool standardLongitudeEnabled() const;
  void setStandardLongitude(int degrees);
  bool mouseModeEnabled(int mode) const;
  // ZOOM and PAN also clear the selection; a mode that is not enabled is refused.
  void setMouseMode(int mode);

  // --- mouse --------------------------------------------------------------------------
  // Centres the view on device pixel p of a w x h client area (a click or the middle of a
  // zoom drag): message 8 or 9 when the latitude had to be clamped.
  int ComRecentre(DevicePoint p, int kind, int w, int h);
  // PAN: the press pushes history; the map follows the pointer; the release clamps.
  void panPress(DevicePoint p);
  void panMove(DevicePoint p);
  void panRelease();
  // The release of a rubber band from `press` to `release` in ZOOM or SELECT mode: a click
  // recentres, SELECT keeps the rectangle, ZOOM recentres on its middle and zooms into it.
  BandOutcome rubberBandRelease(DevicePoint press, DevicePoint release, int w, int h);

  // --- colour bar ---------------------------------------------------------------------
  const ColourBarLayout& colourBar() const { return bar_; }
  void setColourBarVertical(bool vertical) { bar_.vertical = vertical; }
  // Puts the horizontal bar near the bottom of a drawing area of height h (first paint).
  void placeColourBar(int h);
  // A press at device pixel p of a w x h area lies on the horizontal bar.
  bool colourBarHit(DevicePoint p, int w, int h) const;
  // The end of a bar drag: the bar moves when the pointer moved more than 10 pixels.
  bool colourBarDrag(DevicePoint press, DevicePoint release);

  // --- selection ----------------------------------------------------------------------
  const SelectedArea& selection() const { return selection_; }
  void setSelection(const SelectedArea& area) { selection_ = area; }
  void clearSelection() { selection_.valid = false; }
  // After a button release (not PAN): the two points through the screen positions, pulled
  // onto the map when they lie beside it; the selection is kept when it is at least 5
  // microdegrees wide and high. In SELECT mode in the polar views all four corners of a
  // rectangle that is not empty must lie on the hemisphere's map instead.
  void selectFromScreen(DevicePoint press, DevicePoint release, int w, int h, const PositionLookup& lookup);
  // The projected plane position (map units, y up) of a position in the polar views: 0, or
  // 2 when it lies off the hemisphere's map (the position is then still given). The other
  // views give the position itself.
  int ComGetPlanePos(GeoPoint position, GeoPoint& plane) const;

  // The CHANGEMAP record of the state for a frame of width x height.
  MapChange mapChange(int width, int height) const;
  // A batch map change: projection, centre and magnification (clamped to 1..256).
  void applyMapChange(int projection, std::int32_t cx, std::int32_t cy, double s);

  // The screen offset (x right, y up) of device pixel p of a w x h area.
  static GeoPoint offsetOf(DevicePoint p, int w, int h) { return GeoPoint{p.x - w / 2, h / 2 - p.y}; }

 private:
  void initialCentre();
  bool polar() const { return projectionInfo(view_.projection).polar; }

  ViewParams view_;
  int mouseMode_ = kMouseZoom;
  bool fixed_ = false;
  int fixedCode_ = kProjEqr;
  bool hdfOutput_ = false;
  std::vector<HistoryEntry> history_;  // oldest first, at most kHistoryCapacity
  ColourBarLayout bar_;
  SelectedArea selection_;
  DevicePoint panPress_;
  std::int32_t panCx_ = 0;
  std::int32_t panCy_ = 0;
  bool panning_ = false;
};

// --- texts of the status bar ------------------------------------------------------------

// What the status line says about the shown product.
struct ProductTexts {
  std::string displayName;
  std::string title;
  std::string startDate, startTime, endDate, endTime;
  bool composite = false;
  int level = 1;                      // 1, 2 or 3 (the composite forms differ)
  std::array<std::string, 3> labels;  // composite: channel names, or Level 3 quantity codes
};

// An observation time without its fractional seconds ("01:02:03.45" -> "01:02:03").
std::string withoutFraction(const std::string& time);
// "original-89.0GHz" shortened to "original-89GHz".
std::string shortChannelName(const std::string& name);
// A Level 3 composite label: three characters of the granule identifier from position 29
// (AMSR2 Level 3) or 15 (other Level 3).
std::string level3Label(const std::string& granuleId, bool amsr2);

// Status pane 0: the product and the position under the cursor; `position` null when it is
// not known ("lat=--- lon=---").
std::string statusLine(const ProductTexts& texts, const GeoPoint* position);

// Value of colour channel c at grid (column, row); the empty value when it has none.
using GridValue = std::function<float(int c, int column, int row)>;
// The grid cell of a position (column, row) as the value read-out takes it.
void gridCellOf(GeoPoint position, int& column, int& row);
// Status pane 1: the value under the cursor; `position` null when it is not known.
std::string valueText(bool composite, const GeoPoint* position, const GridValue& grid);

// --- the "Select Area" dialog -------------------------------------------------------------

// The four fields in their order: upper-left latitude, upper-left longitude, lower-right
// latitude, lower-right longitude.
using AreaFields = std::array<std::string, 4>;
// The fields filled from a selection ("%0.3f" degrees).
AreaFields areaFieldsOf(const SelectedArea& area);
struct AreaCheck {
  int message = 0;  // 0: accepted
  int field = -1;   // the failing field (emptied and focused by the dialog), -1 for none
  SelectedArea area;
};
// Checks the fields in order (length, number, range), then the order of the latitudes, and
// gives the area to select.
AreaCheck checkSelectArea(const AreaFields& fields, const ViewState& state);

}  // namespace kivo::map
