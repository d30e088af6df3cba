#include "export/image_export.h"

#include <QBuffer>
#include <QClipboard>
#include <QFont>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "colour/colour_bar.h"
#include "draw/surface.h"
#include "map/view_state.h"

namespace kivo::out {
namespace {

constexpr std::int64_t k360 = 360000000;
constexpr std::int32_t k180 = 180000000;

std::string lowered(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The extension of the file name (after the last '.' of the part after the last '/').
std::string nameExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot + 1);
}

// Opaque black becomes transparent white; every other pixel stays, opaque.
QImage blackTransparent(const QImage& frame) {
  QImage out = frame.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb rgb = line[x] & 0x00FFFFFFu;
      line[x] = rgb == 0 ? 0x00FFFFFFu : (0xFF000000u | rgb);
    }
  }
  return out;
}

// The face of titles: the Gothic face the system is designed with, or another Japanese Gothic.
QFont titleFont() {
  QFont font;
  font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic")});
  font.setPixelSize(kTitlePixelHeight);
  return font;
}

std::FILE* g_trace = stdout;

}  // namespace

void setImageTrace(std::FILE* stream) { g_trace = stream; }

int imageFormatOfName(const std::string& path) {
  const std::string ext = nameExtension(path);
  if (ext == "jpg") return kImgJpeg;
  if (ext == "bmp") return kImgBmp;
  if (ext == "tiff") return kImgTiff;
  if (ext == "png") return kImgPng;
  // Names that say TIFF or JPEG get that, whatever their letter case.
  const std::string lower = lowered(ext);
  if (lower == "tif" || lower == "tiff") return kImgTiff;
  if (lower == "jpg" || lower == "jpeg") return kImgJpeg;
  return kImgTransparentPng;
}

int encodeImage(const QImage& source, int fmt, int width, int height, QByteArray& bytes) {
  bytes.clear();
  if (source.isNull() || width <= 0 || height <= 0 || fmt < kImgJpeg || fmt > kImgTransparentPng) return kOutBadRequest;
  const QImage frame = source.copy(0, 0, width, height);
  if (frame.isNull()) return kOutNoMemory;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  bool written = false;
  if (fmt == kImgTransparentPng) {
    QImageWriter writer(&buffer, "png");
    written = writer.write(blackTransparent(frame));
  } else {
    static constexpr const char* kFormats[] = {"", "jpeg", "bmp", "tiff", "png"};
    QImageWriter writer(&buffer, kFormats[fmt]);
    if (fmt == kImgJpeg) writer.setQuality(80);
    if (fmt == kImgTiff) writer.setCompression(1);  // LZW
    written = writer.write(frame.convertToFormat(QImage::Format_RGB888));
  }
  if (!written || bytes.isEmpty()) {
    bytes.clear();
    return kOutEncodeFailed;
  }
  return kOutOk;
}

int ComOutImgFile(const QImage& source, int fmt, const std::string& path, int width, int height) {
  int result = kOutOk;
  OutputFile file;
  if (source.isNull() || path.empty()) {
    result = kOutBadRequest;
  } else {
    result = file.open(path);
  }
  QByteArray bytes;
  if (result == kOutOk) result = encodeImage(source, fmt, width, height, bytes);
  if (result == kOutOk) {
    file.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    result = file.commit();
  }
  if (g_trace != nullptr && result == kOutOk) {
    std::fputs("成功\n", g_trace);
  } else if (g_trace != nullptr) {
    std::fprintf(g_trace, "失敗(0x%x)\n", static_cast<unsigned>(result));
  }
  return result;
}

map::ViewParams viewOfSelection(const map::ViewParams& view, const map::SelectionOutline& selection, int w, int h) {
  map::ViewParams v = map::paintedView(view);
  const map::ProjectionInfo& info = map::projectionInfo(v.projection);
  if (v.projection == map::kProjPolarBoth || w <= 0 || h <= 0) return v;
  const double K = map::unitsPerPixel(v.s);
  const map::GeoPoint& a = selection.upperLeft;
  const map::GeoPoint& b = selection.lowerRight;
  double width = 0.0;
  double height = 0.0;
  if (info.wraps) {
    // Equirectangular and Mercator: the longitudes (across the edge of the map when the
    // second lies west of the first), the latitudes through the projection's ordinate.
    std::int64_t span = static_cast<std::int64_t>(b.x) - a.x;
    if (span < 0) span += k360;
    std::int64_t middle = a.x + span / 2;
    if (middle > k180) middle -= k360;
    int xa = 0, ya = 0, xb = 0, yb = 0;
    map::projectForView(v, a.x, a.y, xa, ya, true, true, false);
    map::projectForView(v, b.x, b.y, xb, yb, true, true, false);
    width = static_cast<double>(span) / K;
    height = std::abs(ya - yb);
    v.cx = static_cast<std::int32_t>(middle);
    v.cy = map::truncInt(v.cy + (ya + yb) / 2.0 * K);
  } else if (info.polar) {
    // The polar views zoom into the rectangle the corners span on their plane.
    int xa = 0, ya = 0, xb = 0, yb = 0;
    if (map::projectForView(v, a.x, a.y, xa, ya, true) != map::kProjOk ||
        map::projectForView(v, b.x, b.y, xb, yb, true) != map::kProjOk) {
      return v;
    }
    width = std::abs(xa - xb);
    height = std::abs(ya - yb);
    v.cx = map::truncInt(v.cx + (xa + xb) / 2.0 * K);
    v.cy = map::truncInt(v.cy + (ya + yb) / 2.0 * K);
  } else {
    int xa = 0, ya = 0, xb = 0, yb = 0;
    if (map::projectForView(v, a.x, a.y, xa, ya) != map::kProjOk ||
        map::projectForView(v, b.x, b.y, xb, yb) != map::kProjOk) {
      return v;
    }
    width = std::abs(xa - xb);
    height = std::abs(ya - yb);
    const auto middleLat = static_cast<std::int32_t>((static_cast<std::int64_t>(a.y) + b.y) / 2);
    const map::GeoPoint centre = info.centreOn(v, static_cast<std::int32_t>((static_cast<std::int64_t>(a.x) + b.x) / 2), middleLat);
    v.cx = centre.x;
    v.cy = centre.y;
  }
  const double fx = width > 0 ? w / width : map::kMaxMagnification;
  const double fy = height > 0 ? h / height : map::kMaxMagnification;
  v.s = std::clamp(v.s * std::max(1.0, std::min(fx, fy)), map::kMinMagnification, map::kMaxMagnification);
  if (v.s == map::kMinMagnification) v.cy = 0;
  return map::paintedView(v);
}

QImage renderMapPicture(const MapPictureRequest& request) {
  if (request.width <= 0 || request.height <= 0) return {};
  map::ViewPaintRequest paint = request.paint;
  paint.table = nullptr;  // the picture's colour bar goes on the canvas
  paint.selection = nullptr;
  if (request.selection) paint.view = viewOfSelection(paint.view, *request.selection, request.width, request.height);
  draw::Surface surface(request.width, request.height);
  map::paintView(surface, paint, request.settings);
  return surface.image();
}

QImage ComMakeMapImage(const MapPictureRequest& request) {
  const int cw = request.width;
  const int ch = request.height;
  if (cw <= 0 || ch <= 0) return {};
  const int W = canvasWidth(cw);
  const int H = canvasHeight(ch);
  draw::Surface canvas(W, H);
  canvas.clear(draw::rgb(255, 255, 255));
  const QImage mapPicture = renderMapPicture(request);
  {
    QPainter p(&canvas.image());
    p.drawImage((W - cw) / 2, kMapTop, mapPicture);
    if (request.title.shown && !request.title.text.empty()) {
      p.setFont(titleFont());
      p.setPen(Qt::black);
      const int big = H;  // room below the top for any font's line
      const QString text = QString::fromStdString(request.title.text);
      switch (request.title.position) {
        case 1:
          p.drawText(QRect(0, kTitleTop, W, big), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
          break;
        case 2:
          p.drawText(QRect(0, kTitleTop, W - kTitleMargin, big), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                     text);
          break;
        default:
          p.drawText(QRect(kTitleMargin, kTitleTop, W, big), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
          break;
      }
    }
  }
  if (request.settings.colourBar.show && !request.paint.composite && request.paint.table != nullptr) {
    // Horizontal, 500 x 70, left edge at W / 2 - 250 and bottom edge at H.
    colour::ComDspClrBar bar;
    bar.ComSetClrBar(request.settings.colourBar, request.paint.table);
    bar.ComDrawClrBar(&canvas, -250, H / 2 - (H - 70), false, request.paint.colourBar.caption);
    canvas.endPainting();
  }
  return canvas.image();
}

int ComOutMapImg(const MapPictureRequest& request, const std::string& path, int fmt) {
  const QImage picture = ComMakeMapImage(request);
  if (picture.isNull()) return kOutBadRequest;
  return ComOutImgFile(picture, fmt, path, picture.width(), picture.height());
}

QImage selectedAreaPicture(const MapPictureRequest& request) {
  if (!request.selection || request.width <= 0 || request.height <= 0) return {};
  const map::SelectionOutline& area = *request.selection;
  const map::ViewParams& view = request.paint.view;
  const map::ProjectionInfo& info = map::projectionInfo(view.projection);
  std::int64_t span = static_cast<std::int64_t>(area.lowerRight.x) - area.upperLeft.x;
  if (info.wraps && span < 0) span += k360;  // across the edge of the map
  std::int64_t middleLon = area.upperLeft.x + span / 2;
  if (middleLon > k180) middleLon -= k360;
  const auto middleLat = static_cast<std::int32_t>((static_cast<std::int64_t>(area.upperLeft.y) + area.lowerRight.y) / 2);

  // Centred on the selection at the view's scale.
  MapPictureRequest centred = request;
  centred.selection.reset();
  const map::GeoPoint centre = info.centreOn(view, static_cast<std::int32_t>(middleLon), middleLat);
  centred.paint.view.cx = centre.x;
  centred.paint.view.cy = centre.y;
  const QImage picture = renderMapPicture(centred);

  const map::ViewParams painted = map::paintedView(centred.paint.view);
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  if (map::projectForView(painted, area.upperLeft.x, area.upperLeft.y, x1, y1, true, true, false) != map::kProjOk ||
      map::projectForView(painted, area.lowerRight.x, area.lowerRight.y, x2, y2, true, true, false) != map::kProjOk) {
    return {};
  }
  const int w = picture.width();
  const int h = picture.height();
  const QRect rect = QRect(QPoint(std::min(x1, x2) + w / 2, h / 2 - std::max(y1, y2)),
                           QPoint(std::max(x1, x2) + w / 2, h / 2 - std::min(y1, y2)))
                         .intersected(picture.rect());
  return rect.isEmpty() ? QImage() : picture.copy(rect);
}

int ComCpyClpBrd(const QImage& source, int part, const QPoint* corner1, const QPoint* corner2) {
  QImage copy;
  if (part == 1) {
    if (corner1 == nullptr || corner2 == nullptr) return 1;
    const QRect rect = QRect(QPoint(std::min(corner1->x(), corner2->x()), std::min(corner1->y(), corner2->y())),
                             QPoint(std::max(corner1->x(), corner2->x()) - 1, std::max(corner1->y(), corner2->y()) - 1));
    copy = source.copy(rect);
  } else {
    copy = source;
  }
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr || copy.isNull()) return 1;
  clipboard->setImage(copy);
  return 0;
}

}  // namespace kivo::out
