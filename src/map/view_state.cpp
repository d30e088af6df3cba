#include "map/view_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "product_model/value_grid.h"

namespace kivo::map {
namespace {

constexpr std::int64_t k180 = 180000000;
constexpr std::int64_t k360 = 360000000;
constexpr std::int64_t k90 = 90000000;
constexpr std::int64_t kPolarLimit = 80000000;      // centre of the polar views
constexpr std::int64_t kMercatorLimit = 180000000;  // Mercator ordinate of the centre
constexpr std::int64_t kMoveStep = 30000000;
constexpr std::int64_t kSnap = 50000;
constexpr std::int64_t kMinArea = 5;  // microdegrees

// Folds a longitude into -180..180 degrees.
std::int32_t wrapLon(std::int64_t lon) {
  while (lon > k180) lon -= k360;
  while (lon < -k180) lon += k360;
  return static_cast<std::int32_t>(lon);
}

std::int32_t clampTo(std::int64_t v, std::int64_t limit) {
  return static_cast<std::int32_t>(std::clamp(v, -limit, limit));
}

// Clamps to +-limit; message 8 at the upper bound, 9 at the lower one.
std::int32_t clampLatitude(std::int64_t v, std::int64_t limit, int& message) {
  if (v > limit) {
    message = kMsgUpperLatitude;
    return static_cast<std::int32_t>(limit);
  }
  if (v < -limit) {
    message = kMsgLowerLatitude;
    return static_cast<std::int32_t>(-limit);
  }
  return static_cast<std::int32_t>(v);
}

std::int64_t trunc64(double v) { return std::isfinite(v) ? static_cast<std::int64_t>(v) : 0; }

std::string formatted(const char* format, double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, v);
  return buffer;
}

std::string degrees(std::int32_t micro) { return formatted("%0.3f", micro / 1000000.0); }

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

ViewState::ViewState() { initialCentre(); }

void ViewState::initialCentre() {
  const GeoPoint c = projectionInfo(view_.projection).initialCentre;
  view_.cx = c.x;
  view_.cy = c.y;
}

void ViewState::setProduct(int projection, bool fixedProjection, bool hdfOutput) {
  view_.projection = projectionInfo(projection).code;
  view_.s = 1.0;
  view_.stdLon = 0;
  initialCentre();
  fixed_ = fixedProjection;
  fixedCode_ = view_.projection;
  hdfOutput_ = hdfOutput;
  history_.clear();
  selection_ = SelectedArea{};
  if (!mouseModeEnabled(mouseMode_)) mouseMode_ = kMouseZoom;
}

void ViewState::ComPushHistory() {
  if (history_.size() >= static_cast<std::size_t>(kHistoryCapacity)) history_.erase(history_.begin());
  history_.push_back(HistoryEntry{view_.cx, view_.cy, view_.s, view_.projection});
}

bool ViewState::back() {
  if (history_.empty()) return false;
  const HistoryEntry e = history_.back();
  history_.pop_back();
  view_.cx = e.cx;
  view_.cy = e.cy;
  view_.s = e.s;
  view_.projection = e.projection;
  // The restored projection may not offer the mode the view is in.
  if (!mouseModeEnabled(mouseMode_)) mouseMode_ = kMouseZoom;
  return true;
}

int ViewState::ComZoom(int kind, double value) {
  if (view_.projection == kProjPolarBoth) return 0;
  switch (kind) {
    case kZoomIn: view_.s *= 2.0; break;
    case kZoomBy: view_.s *= value; break;
    case kZoomOut: view_.s *= 0.5; break;
    default: return 0;
  }
  int message = 0;
  if (!(view_.s >= kMinMagnification)) {  // also a factor that is not a number
    view_.s = kMinMagnification;
    message = kMsgZoomOutLimit;
  } else if (view_.s > kMaxMagnification) {
    view_.s = kMaxMagnification;
    message = kMsgZoomInLimit;
  }
  if (view_.s == kMinMagnification) view_.cy = 0;
  return message;
}

void ViewState::reset() {
  ComPushHistory();
  initialCentre();
  view_.s = 1.0;
  clearSelection();
}

int ViewState::automaticAdjustment(int w, int h) {
  initialCentre();
  view_.s = 1.0;
  clearSelection();
  const ProjectionInfo& info = projectionInfo(view_.projection);
  const double factor = std::min(static_cast<double>(w) / info.fitWidth, static_cast<double>(h) / info.fitHeight);
  return ComZoom(kZoomBy, factor);
}

void ViewState::move(MoveDirection direction) {
  ComPushHistory();
  const std::int64_t step = truncInt(static_cast<double>(kMoveStep) / view_.s);
  const bool horizontal = direction == kMoveRight || direction == kMoveLeft;
  const bool forward = direction == kMoveRight || direction == kMoveUp;
  const int p = view_.projection;
  if (p == kProjPolarBoth) return;
  if (polar()) {
    if (view_.s == 1.0) return;
    std::int32_t& c = horizontal ? view_.cx : view_.cy;
    if (forward && c < kPolarLimit) c = static_cast<std::int32_t>(std::min<std::int64_t>(c + step, kPolarLimit));
    if (!forward && c > -kPolarLimit) c = static_cast<std::int32_t>(std::max<std::int64_t>(c - step, -kPolarLimit));
    return;
  }
  if (horizontal) {
    view_.cx = wrapLon(static_cast<std::int64_t>(view_.cx) + (forward ? step : -step));
    return;
  }
  if (p != kProjOrtho && view_.s == 1.0) return;  // the whole height is shown already
  // The centre stops at the map's edge.
  const std::int64_t limit = p == kProjMercator ? kMercatorLimit : k90;
  const std::int64_t moved = static_cast<std::int64_t>(view_.cy) + (forward ? step : -step);
  view_.cy = clampTo(moved, limit);
}

void ViewState::setProjection(int code) {
  if (code < 0 || code >= kProjectionCount || !projectionEnabled(code)) return;
  ComPushHistory();
  if (code != view_.projection) {
    view_.s = 1.0;
    view_.projection = code;
    initialCentre();
    if (code != kProjMercator) mouseMode_ = kMouseZoom;
    if (code == kProjPolarNorth || code == kProjPolarSouth || code == kProjPolarBoth) view_.stdLon = 0;
  }
  clearSelection();
}

bool ViewState::standardLongitudeEnabled() const {
  return view_.projection == kProjPolarNorth || view_.projection == kProjPolarSouth ||
         view_.projection == kProjPolarBoth;
}

void ViewState::setStandardLongitude(int degrees) {
  if (!standardLongitudeEnabled()) return;
  ComPushHistory();
  view_.stdLon = degrees;
}

bool ViewState::mouseModeEnabled(int mode) const {
  if (mode == kMouseZoom || mode == kMousePan) return true;
  if (mode != kMouseSelect) return false;
  if (projectionInfo(view_.projection).wraps) return true;  // EQR and Mercator
  return polar() && hdfOutput_;
}

void ViewState::setMouseMode(int mode) {
  if (!mouseModeEnabled(mode)) return;
  mouseMode_ = mode;
  if (mode != kMouseSelect) clearSelection();
}

int ViewState::ComRecentre(DevicePoint p, int kind, int w, int h) {
  const int dx = p.x - w / 2;
  const int dy = p.y - h / 2;  // downward
  const double K = unitsPerPixel(view_.s);
  if (polar()) {
    if (view_.s != 1.0 || kind == kRecentreZoomDrag) {
      const double f = 80000000.0 / ComOtptObsImg().ComGetPolarRadius(view_.s);
      view_.cx = clampTo(view_.cx + trunc64(f * dx), kPolarLimit);
      view_.cy = clampTo(view_.cy - trunc64(dy * f), kPolarLimit);
    } else {
      view_.cx = 0;
      view_.cy = 0;
    }
    return 0;
  }
  if (view_.projection == kProjPolarBoth) {
    view_.cx = 0;
    view_.cy = 0;
    return 0;
  }
  const bool mercator = view_.projection == kProjMercator;
  const std::int64_t limit = mercator ? kMercatorLimit : k90;
  std::int64_t cx = static_cast<std::int64_t>(view_.cx) + trunc64(K * dx);
  std::int64_t cy = view_.cy;
  int message = 0;
  if (kind == kRecentreZoomDrag) {
    // A rectangle beside the map does not take the centre off it.
    cy = clampTo(cy + trunc64(-K * dy), limit);
  } else if (truncInt(180000000.0 / K) < h && view_.projection != kProjOrtho) {
    cy = 0;  // the whole height of the map is shown
  } else {
    cy = clampLatitude(cy - trunc64(dy * K), limit, message);
  }
  cx -= cx % kSnap;
  cy -= cy % kSnap;
  view_.cx = wrapLon(cx);
  view_.cy = static_cast<std::int32_t>(cy);
  return message;
}

void ViewState::panPress(DevicePoint p) {
  ComPushHistory();
  panning_ = true;
  panPress_ = p;
  panCx_ = view_.cx;
  panCy_ = view_.cy;
}

void ViewState::panMove(DevicePoint p) {
  if (!panning_) return;
  const double K = unitsPerPixel(view_.s);
  const std::int64_t cx = panCx_ + trunc64(K * (panPress_.x - p.x));
  const std::int64_t cy = panCy_ - trunc64(K * (panPress_.y - p.y));
  if (polar()) {
    if (view_.s == 1.0) return;
    view_.cx = clampTo(cx, kPolarLimit);
    view_.cy = clampTo(cy, kPolarLimit);
  } else if (view_.projection == kProjPolarBoth) {
    view_.cx = 0;
    view_.cy = 0;
  } else {
    view_.cx = wrapLon(cx);
    view_.cy = clampTo(cy, view_.projection == kProjMercator ? kMercatorLimit : k90);
  }
}

void ViewState::panRelease() {
  if (!panning_) return;
  panning_ = false;
  if (polar()) {
    view_.cx = clampTo(view_.cx, kPolarLimit);
    view_.cy = clampTo(view_.cy, kPolarLimit);
    return;
  }
  view_.cx = wrapLon(view_.cx);
  if (view_.projection == kProjMercator && view_.s != 1.0) {
    view_.cy = clampTo(view_.cy, kMercatorLimit);
  } else if (view_.projection == kProjOrtho || (view_.projection == kProjEqr && view_.s != 1.0)) {
    view_.cy = clampTo(view_.cy, k90);
  }
}

BandOutcome ViewState::rubberBandRelease(DevicePoint press, DevicePoint release, int w, int h) {
  const int dx = std::abs(release.x - press.x);
  const int dy = std::abs(release.y - press.y);
  if (dx <= kClickTolerance && dy <= kClickTolerance) {
    ComPushHistory();
    return BandOutcome{BandOutcome::kClick, ComRecentre(release, kRecentreClick, w, h)};
  }
  if (mouseMode_ == kMouseSelect) return BandOutcome{BandOutcome::kSelectShown, 0};
  ComPushHistory();
  const double fx = dx < kClickTolerance + 1 ? w / 10.0 : static_cast<double>(w) / dx;
  const double fy = dy > kClickTolerance ? static_cast<double>(h) / dy : static_cast<double>(h);
  ComRecentre(DevicePoint{(press.x + release.x) / 2, (press.y + release.y) / 2}, kRecentreZoomDrag, w, h);
  return BandOutcome{BandOutcome::kZoomed, ComZoom(kZoomBy, std::max(1.0, std::min(fx, fy)))};
}

void ViewState::placeColourBar(int h) {
  bar_.x = -250;
  bar_.y = 70 - h / 2;
  bar_.placed = true;
}

bool ViewState::colourBarHit(DevicePoint p, int w, int h) const {
  if (bar_.vertical) return false;
  const GeoPoint o = offsetOf(p, w, h);
  return o.x >= bar_.x && o.x <= bar_.x + 500 && o.y >= bar_.y - 60 && o.y <= bar_.y;
}

bool ViewState::colourBarDrag(DevicePoint press, DevicePoint release) {
  if (std::abs(release.x - press.x) <= kClickTolerance && std::abs(release.y - press.y) <= kClickTolerance) return false;
  bar_.x += release.x - press.x;
  bar_.y += press.y - release.y;
  return true;
}

void ViewState::selectFromScreen(DevicePoint press, DevicePoint release, int w, int h, const PositionLookup& lookup) {
  const int left = std::min(press.x, release.x);
  const int right = std::max(press.x, release.x);
  const int top = std::min(press.y, release.y);
  const int bottom = std::max(press.y, release.y);
  const int halfW = w / 2;
  const int halfH = h / 2;
  const double s = view_.s;
  const double K = unitsPerPixel(s);
  // A point beside the map is moved onto it (vertically to its edge, horizontally by a whole
  // turn of the repeating map), then kept within the drawing area.
  const auto pulledIn = [&](GeoPoint o) {
    if (view_.projection == kProjEqr) {
      o.y = std::clamp(o.y, truncInt((-90000000.0 - view_.cy) / K), truncInt((90000000.0 - view_.cy) / K));
    } else if (view_.projection == kProjMercator) {
      o.y = std::clamp(o.y, truncInt(-336.0 * s - view_.cy / K), truncInt(336.0 * s - view_.cy / K));
    }
    if (projectionInfo(view_.projection).wraps) {
      if (o.x > 360.0 * s) o.x -= truncInt(720.0 * s);
      if (o.x < -360.0 * s) o.x += truncInt(720.0 * s);
    }
    o.x = std::clamp(o.x, -halfW, halfW);
    o.y = std::clamp(o.y, -halfH, halfH);
    return o;
  };
  const auto resolve = [&](int x, int y, GeoPoint& geo) {
    const GeoPoint o = offsetOf(DevicePoint{x, y}, w, h);
    if (lookup(o.x, o.y, geo)) return true;
    const GeoPoint in = pulledIn(o);
    return lookup(in.x, in.y, geo);
  };

  SelectedArea area;
  if (!resolve(left, top, area.upperLeft) || !resolve(right, bottom, area.lowerRight)) {
    clearSelection();
    return;
  }
  if (polar() && mouseMode_ == kMouseSelect) {
    // Every corner of the rectangle must show the hemisphere's map. Positions in the plane have
    // no meaningful extent in degrees; the rectangle on the screen must not be empty.
    GeoPoint upperRight{}, lowerLeft{}, plane{};
    bool onMap = left < right && top < bottom && resolve(right, top, upperRight) && resolve(left, bottom, lowerLeft);
    for (const GeoPoint& corner : {area.upperLeft, upperRight, lowerLeft, area.lowerRight}) {
      onMap = onMap && ComGetPlanePos(corner, plane) == 0;
    }
    area.valid = onMap;
    if (onMap) {
      selection_ = area;
    } else {
      clearSelection();
    }
    return;
  }
  std::int64_t width = static_cast<std::int64_t>(area.lowerRight.x) - area.upperLeft.x;
  if (width < 0) width = projectionInfo(view_.projection).wraps ? width + k360 : -width;  // across the wrap
  const std::int64_t height = std::abs(static_cast<std::int64_t>(area.upperLeft.y) - area.lowerRight.y);
  area.valid = width >= kMinArea && height >= kMinArea;
  if (area.valid) {
    selection_ = area;
  } else {
    clearSelection();
  }
}

int ViewState::ComGetPlanePos(GeoPoint position, GeoPoint& plane) const {
  if (!polar()) {
    plane = position;
    return 0;
  }
  const bool north = view_.projection == kProjPolarNorth;
  GeoPoint p = position;
  const ComOtptObsImg prj;
  if (north) {
    prj.ComPrjPolarN(&p, view_.s, true, view_.stdLon);
  } else {
    prj.ComPrjPolarS(&p, view_.s, true, view_.stdLon);
  }
  const double K = unitsPerPixel(view_.s);
  plane = GeoPoint{truncInt(p.x * K), truncInt(p.y * K)};
  const bool onMap = north ? position.y >= 0 : position.y <= 0;
  return onMap ? 0 : kProjHidden;
}

MapChange ViewState::mapChange(int width, int height) const {
  return MapChange{view_.s, view_.cx, view_.cy, width, height, projectionInfo(view_.projection).shortName};
}

void ViewState::applyMapChange(int projection, std::int32_t cx, std::int32_t cy, double s) {
  if (projection >= 0 && projection < kProjectionCount && projectionEnabled(projection)) view_.projection = projection;
  view_.s = std::isfinite(s) ? std::clamp(s, kMinMagnification, kMaxMagnification) : kMinMagnification;
  view_.cx = cx;
  view_.cy = cy;
  clearSelection();
  if (!mouseModeEnabled(mouseMode_)) mouseMode_ = kMouseZoom;
}

// --- texts --------------------------------------------------------------------------------

std::string withoutFraction(const std::string& time) { return time.substr(0, time.find('.')); }

std::string shortChannelName(const std::string& name) {
  std::string text = name;
  replaceAll(text, "original-89.0GHz", "original-89GHz");
  return text;
}

std::string level3Label(const std::string& granuleId, bool amsr2) {
  const std::size_t at = amsr2 ? 29 : 15;
  return granuleId.size() > at ? granuleId.substr(at, 3) : std::string();
}

std::string statusLine(const ProductTexts& t, const GeoPoint* position) {
  std::string line;
  if (!t.composite) {
    line = t.displayName + " " + t.title;
  } else {
    std::array<std::string, 3> labels = t.labels;
    if (t.level == 1) {
      for (std::string& label : labels) {
        replaceAll(label, "original-", "org-");
        replaceAll(label, "89.0GHz", "89GHz");
      }
    }
    line = (t.level == 1 ? "CHANNEL(" : "(") + labels[0] + "," + labels[1] + "," + labels[2] + ")";
  }
  line += " [" + t.startDate + " " + t.startTime + " - " + t.endDate + " " + t.endTime + "] ";
  if (position == nullptr) return line + "lat=--- lon=---";
  return line + "lat=" + degrees(position->y) + " lon=" + degrees(position->x);
}

void gridCellOf(GeoPoint position, int& column, int& row) {
  column = position.x / 100000 + 1800;
  if (column < 0) column += 3600;
  if (column > 3600) column -= 3600;
  row = position.y / 100000 + 900;
}

std::string valueText(bool composite, const GeoPoint* position, const GridValue& grid) {
  if (position == nullptr) return composite ? "value(R,G,B)= ---, ---, ---" : "value= ---";
  int column = 0, row = 0;
  gridCellOf(*position, column, row);
  const auto text = [&](int c) {
    const float v = grid(c, column, row);
    return v == model::kEmptyValue ? std::string("---") : formatted("%0.3f", v);
  };
  if (!composite) return "value= " + text(0);
  if (grid(0, column, row) == model::kEmptyValue) return "value(R,G,B)= ---, ---, ---";
  return "value(R,G,B)= " + text(0) + ", " + text(1) + ", " + text(2);
}

// --- "Select Area" --------------------------------------------------------------------------

namespace {

// Digits with an optional leading minus sign and at most one decimal point.
bool isDecimal(const std::string& text) {
  std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  int digits = 0, points = 0;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && points == 0) {
      ++points;
    } else {
      return false;
    }
  }
  return digits > 0;
}

std::size_t characters(const std::string& utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

AreaFields areaFieldsOf(const SelectedArea& area) {
  return AreaFields{degrees(area.upperLeft.y), degrees(area.upperLeft.x), degrees(area.lowerRight.y),
                    degrees(area.lowerRight.x)};
}

AreaCheck checkSelectArea(const AreaFields& fields, const ViewState& state) {
  static constexpr int kRangeMessage[4] = {kMsgUpperLatitude, kMsgLeftLongitude, kMsgLowerLatitude, kMsgRightLongitude};
  double values[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    const std::string& text = fields[static_cast<std::size_t>(i)];
    if (characters(text) > 260) return AreaCheck{kMsgTextTooLong, i, {}};
    if (!isDecimal(text)) return AreaCheck{kMsgNotANumber, i, {}};
    values[i] = std::strtod(text.c_str(), nullptr);
    const double limit = i % 2 == 0 ? 90.0 : 180.0;
    if (values[i] < -limit || values[i] > limit) return AreaCheck{kRangeMessage[i], i, {}};
  }
  const auto micro = [](double d) { return static_cast<std::int32_t>(std::lround(d * 1000000.0)); };
  AreaCheck check;
  check.area.upperLeft = GeoPoint{micro(values[1]), micro(values[0])};
  check.area.lowerRight = GeoPoint{micro(values[3]), micro(values[2])};
  check.area.valid = true;
  bool reversed = false;
  if (projectionInfo(state.projection()).polar) {
    GeoPoint upper{}, lower{};
    state.ComGetPlanePos(check.area.upperLeft, upper);
    state.ComGetPlanePos(check.area.lowerRight, lower);
    reversed = upper.y < lower.y;
  } else {
    // Only the whole degrees are compared: 10.2 over 10.7 is accepted.
    reversed = std::trunc(values[0]) < std::trunc(values[2]);
  }
  if (reversed) {
    check.message = kMsgLatitudeOrder;
    check.area.valid = false;
  }
  return check;
}

}  // namespace kivo::map
