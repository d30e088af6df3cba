#include "map/view_painter.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace kivo::map {
namespace {

constexpr std::int32_t kPolarCentreLimit = 80000000;

// The selection as screen offsets: corners of EQR and Mercator views through the view's
// geometry, with a rectangle that crosses the wrap drawn as two pieces at the map's edges;
// other views through their projection of the corners.
void drawSelection(draw::Surface& surface, const ViewParams& v, const SelectionOutline& sel) {
  QPainter& p = surface.painter();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setBrush(Qt::NoBrush);
  QPen pen(draw::toQColor(kSelectionColour));
  pen.setWidth(1);
  p.setPen(pen);
  const ProjectionInfo& info = projectionInfo(v.projection);
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  if (info.wraps) {
    const double K = unitsPerPixel(v.s);
    if (v.projection == kProjMercator) {
      GeoPoint top{0, sel.upperLeft.y}, bottom{0, sel.lowerRight.y};
      ComOtptObsImg().ComPrjMercator(&top, v.s);
      ComOtptObsImg().ComPrjMercator(&bottom, v.s);
      y1 = truncInt(top.y - v.cy / K);
      y2 = truncInt(bottom.y - v.cy / K);
    } else {
      y1 = truncInt((static_cast<double>(sel.upperLeft.y) - v.cy) / K);
      y2 = truncInt((static_cast<double>(sel.lowerRight.y) - v.cy) / K);
    }
    x1 = wrapX(truncInt((static_cast<double>(sel.upperLeft.x) - v.cx) / K), K);
    x2 = wrapX(truncInt((static_cast<double>(sel.lowerRight.x) - v.cx) / K), K);
    if (x1 <= x2) {
      p.drawRect(QRect(QPoint(x1, y2), QPoint(x2, y1)));
    } else {
      // The area runs across the edge of the 360 degrees shown: one piece at each end.
      const int left = truncInt(-180000000.0 / K);
      const int right = truncInt(180000000.0 / K);
      p.drawPolyline(QPolygon({QPoint(right, y1), QPoint(x1, y1), QPoint(x1, y2), QPoint(right, y2)}));
      p.drawPolyline(QPolygon({QPoint(left, y1), QPoint(x2, y1), QPoint(x2, y2), QPoint(left, y2)}));
    }
  } else if (projectForView(v, sel.upperLeft.x, sel.upperLeft.y, x1, y1, true) == kProjOk &&
             projectForView(v, sel.lowerRight.x, sel.lowerRight.y, x2, y2, true) == kProjOk) {
    p.drawRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))));
  }
  p.restore();
}

}  // namespace

ViewParams paintedView(const ViewParams& view) {
  ViewParams v = view;
  if (projectionInfo(v.projection).polar) {
    v.cx = std::clamp(v.cx, -kPolarCentreLimit, kPolarCentreLimit);
    v.cy = std::clamp(v.cy, -kPolarCentreLimit, kPolarCentreLimit);
  } else if (v.projection == kProjPolarBoth) {
    v.cx = 0;
    v.cy = 0;
  }
  return v;
}

int paintView(draw::Surface& surface, const ViewPaintRequest& r, const ViewPaintSettings& settings) {
  const ViewParams v = paintedView(r.view);
  surface.endPainting();
  surface.clear(0);
  const int mapSlot = ComWorldMap::slotFor(settings.layer, v.s);
  // Behind the product the coastline is needed only when it is not drawn again in front.
  MapLayerSettings behind = settings.layer;
  behind.coast = settings.layer.coast && !settings.coastInFront;
  if (r.world != nullptr) r.world->ComDrawCoast(mapSlot, &surface, v, true, behind);
  surface.endPainting();

  int message = 0;
  if (r.product != nullptr) {
    message = r.oneFile >= 0 ? r.product->ComDrawPrdctFile(surface, v, r.oneFile) : r.product->ComDrawPrdct(surface, v);
  }
  if (r.world != nullptr) {
    if (settings.coastInFront) r.world->ComDrawCoast(mapSlot, &surface, v, false, settings.layer);
    r.world->ComDrawGrid(&surface, v, settings.layer);
  }
  if (r.table != nullptr && !r.composite) {
    colour::ComDspClrBar bar;
    bar.ComSetClrBar(settings.colourBar, r.table);
    bar.ComDrawClrBar(&surface, r.colourBar.x, r.colourBar.y, r.colourBar.vertical, r.colourBar.caption);
  }
  if (r.selection != nullptr) drawSelection(surface, v, *r.selection);
  surface.endPainting();
  return message;
}

}  // namespace kivo::map
