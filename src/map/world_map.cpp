#include "map/world_map.h"

#include <QPainterPath>
#include <QPolygon>

#include <cmath>
#include <cstdio>
#include <vector>

namespace kivo::map {
namespace {

// Projects one end of a map-layer line: as the view projects, without the Mercator limit.
bool projectEnd(const ViewParams& v, std::int32_t lon, std::int32_t lat, int& x, int& y) {
  return projectForView(v, lon, lat, x, y, false, true, false) == kProjOk;
}

// Moves the end that lies in the other hemisphere onto the equator along the segment.
void clipToEquator(std::int32_t& lon1, std::int32_t& lat1, std::int32_t lon2, std::int32_t lat2) {
  if (lon1 != lon2) {
    const double k = (static_cast<double>(lat1) - lat2) / (static_cast<double>(lon1) - lon2);
    if (k != 0) lon1 = truncInt(lon1 - lat1 / k);
  }
  lat1 = 0;
}

// Draws a sequence of segments as polylines, skipping those wholly outside the window.
class LineBatch {
 public:
  LineBatch(QPainter& p, int halfW, int halfH) : p_(p), halfW_(halfW + 4), halfH_(halfH + 4) {}
  ~LineBatch() { flush(); }
  void segment(int x1, int y1, int x2, int y2) {
    if ((x1 < -halfW_ && x2 < -halfW_) || (x1 > halfW_ && x2 > halfW_) || (y1 < -halfH_ && y2 < -halfH_) ||
        (y1 > halfH_ && y2 > halfH_)) {
      flush();
      return;
    }
    if (line_.isEmpty() || line_.last() != QPoint(x1, y1)) {
      flush();
      line_ << QPoint(x1, y1);
    }
    line_ << QPoint(x2, y2);
  }
  void flush() {
    if (line_.size() >= 2) p_.drawPolyline(line_);
    line_.clear();
  }

 private:
  QPainter& p_;
  int halfW_, halfH_;
  QPolygon line_;
};

QPen penOf(colour::Colour c, int width) {
  QPen pen(draw::toQColor(c));
  pen.setWidth(width);  // 0 is the one-pixel line
  pen.setCapStyle(Qt::FlatCap);
  return pen;
}

}  // namespace

bool ComWorldMap::coastSegment(const ViewParams& v, std::int32_t lon1, std::int32_t lat1, std::int32_t lon2,
                               std::int32_t lat2, int& x1, int& y1, int& x2, int& y2) {
  if (v.projection == kProjPolarNorth && ((lat1 < 0) != (lat2 < 0))) {
    if (lat1 < 0) {
      clipToEquator(lon1, lat1, lon2, lat2);
    } else {
      clipToEquator(lon2, lat2, lon1, lat1);
    }
  } else if (v.projection == kProjPolarSouth && ((lat1 > 0) != (lat2 > 0))) {
    if (lat1 > 0) {
      clipToEquator(lon1, lat1, lon2, lat2);
    } else {
      clipToEquator(lon2, lat2, lon1, lat1);
    }
  }
  if (!projectEnd(v, lon1, lat1, x1, y1) || !projectEnd(v, lon2, lat2, x2, y2)) return false;
  // Segments cut by the wrap would run across the whole map.
  if (std::abs(static_cast<double>(x1) - x2) > 340000000.0 / unitsPerPixel(v.s)) return false;
  if ((v.projection == kProjEqr || v.projection == kProjOrtho) && x1 == x2 && y1 == y2) return false;
  return true;
}

int ComWorldMap::ComDrawCoast(int slot, draw::Surface* surface, const ViewParams& v, bool background,
                              const MapLayerSettings& settings) const {
  if (surface == nullptr) return 1;
  QPainter& p = surface->painter();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  if (background && settings.background) {
    p.setPen(Qt::NoPen);
    p.setBrush(draw::toQColor(settings.backgroundColour));
    projectionInfo(v.projection).outline(p, v);
  }
  const CoastlineSlot& coast = store_.slot(slot);
  if (settings.coast && !coast.empty()) {
    p.setPen(penOf(settings.coastColour, settings.coastPenWidth * 2));
    p.setBrush(Qt::NoBrush);
    LineBatch batch(p, surface->width() / 2, surface->height() / 2);
    for (int id = 0; id < coast.polygonCount(); ++id) {
      const int n = coast.pointCount(id);
      const CoastPoint* pts = coast.points(id);
      if (n < 2 || pts == nullptr) continue;
      for (int k = 0; k + 1 < n; ++k) {
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (coastSegment(v, pts[k].lon, pts[k].lat, pts[k + 1].lon, pts[k + 1].lat, x1, y1, x2, y2)) {
          batch.segment(x1, y1, x2, y2);
        } else {
          batch.flush();
        }
      }
      batch.flush();
    }
  }
  p.restore();
  return 0;
}

int ComWorldMap::ComDrawGrid(draw::Surface* surface, const ViewParams& v, const MapLayerSettings& settings) const {
  if (surface == nullptr) return 1;
  const double K = unitsPerPixel(v.s);
  const int halfW = surface->width() / 2;
  const int halfH = surface->height() / 2;
  QPainter& p = surface->painter();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setBrush(Qt::NoBrush);
  // Frame.
  p.setPen(penOf(settings.latLonColour, 2));
  if (projectionInfo(v.projection).framed) projectionInfo(v.projection).outline(p, v);

  const auto segmentEnds = [&](std::int32_t lon1, std::int32_t lat1, std::int32_t lon2, std::int32_t lat2, int& x1, int& y1,
                               int& x2, int& y2) {
    if (!projectEnd(v, lon1, lat1, x1, y1) || !projectEnd(v, lon2, lat2, x2, y2)) return false;
    return std::abs(static_cast<double>(x1) - x2) <= 340000000.0 / K;
  };
  // The rectangular maps label their lines along the edges.
  const bool wraps = projectionInfo(v.projection).wraps;
  const auto inWindow = [&](int x, int y) { return -halfW <= x && x <= halfW && -halfH <= y && y <= halfH; };
  char text[16];

  if (settings.latLon) {
    const colour::Colour c = settings.latLonColour;
    p.setPen(penOf(c, settings.latLonPenWidth * 2));
    int latStep = 20, lonStep = 20;
    if (settings.latLonMode) {
      latStep = std::max(settings.latWidth, 1);
      lonStep = std::max(settings.lonWidth, 1);
    } else if (v.s >= 32) {
      latStep = lonStep = 2;
    } else if (v.s >= 16) {
      latStep = lonStep = 5;
    } else if (v.s >= 8) {
      latStep = lonStep = 10;
    }
    // Latitude lines.
    for (int L = -90; L <= 90; L += latStep) {
      if (v.projection == kProjPolarNorth && (L < 1 || L > 84)) continue;
      if (v.projection == kProjPolarSouth && (L < -84 || L > -1)) continue;
      if (v.projection == kProjPolarBoth && (L == 0 || L == 85 || L == -85)) continue;
      int drawn = L;
      std::int32_t lat = L * 1000000;
      if (v.projection == kProjMercator && (L >= 85 || L <= -85)) {
        lat = L > 0 ? 85000000 : -85000000;
        drawn = L > 0 ? 85 : -85;
      }
      LineBatch batch(p, halfW, halfH);
      bool labelled = false;
      int labelX = 0, labelY = 0;
      bool labelInside = false;
      for (int lon = -180; lon < 180; ++lon) {
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (!segmentEnds(lon * 1000000, lat, (lon + 1) * 1000000, lat, x1, y1, x2, y2)) {
          batch.flush();
          continue;
        }
        batch.segment(x1, y1, x2, y2);
        if (wraps) {
          // The western end: the leftmost segment start.
          if (!labelled || x1 < labelX) {
            labelX = x1;
            labelY = y1;
            labelled = true;
          }
        } else if (!labelled && inWindow(x1, y1)) {
          labelX = x1;
          labelY = y1;
          labelled = labelInside = true;
        }
      }
      batch.flush();
      if (labelled) {
        std::snprintf(text, sizeof text, "%d", drawn);
        if (wraps) {
          if (labelX >= -halfW) {
            surface->text(labelX - 2, labelY, text, Qt::AlignRight | Qt::AlignVCenter, 13, c);
          } else if (labelY >= -halfH && labelY <= halfH) {
            surface->text(-halfW + 2, labelY, text, Qt::AlignLeft | Qt::AlignVCenter, 13, c);
          }
        } else if (labelInside) {
          const int align = (labelX < 0 ? Qt::AlignRight : Qt::AlignLeft) | (labelY < 0 ? Qt::AlignTop : Qt::AlignBottom);
          surface->text(labelX, labelY, text, align, 13, c);
        }
      }
    }
    // Longitude lines.
    for (int M = -180; M < 180; M += lonStep) {
      struct Part {
        int from, to;
      };
      std::vector<Part> parts;
      if (v.projection == kProjPolarNorth) {
        parts = {{0, 85}};
      } else if (v.projection == kProjPolarSouth) {
        parts = {{-85, 0}};
      } else if (v.projection == kProjPolarBoth) {
        parts = {{1, 85}, {-85, -1}};
      } else {
        parts = {{-90, 90}};
      }
      const std::int32_t lon = M * 1000000;
      for (const Part& part : parts) {
        LineBatch batch(p, halfW, halfH);
        bool labelled = false;
        int lx = 0, ly = 0;
        for (int lat = part.from; lat < part.to; ++lat) {
          int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
          if (!segmentEnds(lon, lat * 1000000, lon, (lat + 1) * 1000000, x1, y1, x2, y2)) {
            batch.flush();
            continue;
          }
          batch.segment(x1, y1, x2, y2);
          if (!labelled && inWindow(x2, y2)) {
            lx = x2;
            ly = y2;
            labelled = true;
          }
        }
        batch.flush();
        if (!labelled) continue;
        std::snprintf(text, sizeof text, "%d", M);
        if (wraps) {
          // Centred on the line below the map, kept inside the window.
          int x = 0, yBottom = 0;
          projectEnd(v, lon, v.projection == kProjMercator ? -85000000 : -90000000, x, yBottom);
          const int y = std::clamp(yBottom - 2, -halfH + 14, halfH);
          if (x >= -halfW && x <= halfW) surface->text(x, y, text, Qt::AlignHCenter | Qt::AlignTop, 13, c);
        } else {
          surface->text(lx, ly, text, (lx < 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, 13, c);
        }
      }
    }
  }
  // Equator.
  if (settings.equator) {
    p.setPen(penOf(settings.equatorColour, 2));
    LineBatch batch(p, halfW, halfH);
    for (int lon = -180; lon < 180; ++lon) {
      int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
      if (segmentEnds(lon * 1000000, 0, (lon + 1) * 1000000, 0, x1, y1, x2, y2)) {
        batch.segment(x1, y1, x2, y2);
      } else {
        batch.flush();
      }
    }
  }
  p.restore();
  return 0;
}

}  // namespace kivo::map
