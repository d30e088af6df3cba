#include "app/tool_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/commands.h"

namespace kivo::app {
namespace {

const QColor kInk(30, 30, 30);
const QColor kSea(40, 90, 190);
const QColor kLand(60, 160, 70);
const QColor kWarm(210, 60, 40);

// A 16 x 16 icon drawn by `paint` on a transparent pixmap.
template <typename Paint>
QIcon drawn(Paint paint) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  paint(p);
  p.end();
  return QIcon(pixmap);
}

void letters(QPainter& p, const QString& text, int size = 7) {
  QFont f;
  f.setPixelSize(size);
  f.setBold(true);
  p.setFont(f);
  p.setPen(kInk);
  p.drawText(QRect(0, 8, 16, 8), Qt::AlignCenter, text);
}

void folder(QPainter& p) {
  p.setPen(QPen(QColor(150, 110, 20), 1));
  p.setBrush(QColor(240, 200, 80));
  p.drawRect(QRectF(1.5, 3.5, 13, 6));
  p.drawRect(QRectF(1.5, 2.5, 5, 2));
}

void page(QPainter& p, const QColor& fill) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(fill);
  p.drawRect(QRectF(2.5, 1.5, 11, 8));
}

void arrow(QPainter& p, double angleDegrees) {
  p.save();
  p.translate(8, 8);
  p.rotate(angleDegrees);
  p.setPen(Qt::NoPen);
  p.setBrush(kSea);
  QPainterPath path;
  path.moveTo(6, 0);
  path.lineTo(0, -5);
  path.lineTo(0, -2);
  path.lineTo(-6, -2);
  path.lineTo(-6, 2);
  path.lineTo(0, 2);
  path.lineTo(0, 5);
  path.closeSubpath();
  p.drawPath(path);
  p.restore();
}

void magnifier(QPainter& p, const QString& sign) {
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(QColor(220, 235, 255));
  p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
  p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
  if (sign.isEmpty()) return;
  p.setPen(QPen(kInk, 1.2));
  p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
  if (sign == "+") p.drawLine(QPointF(6.5, 4.5), QPointF(6.5, 8.5));
}

void globe(QPainter& p, bool grid) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kSea);
  p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
  if (!grid) return;
  p.setPen(QPen(QColor(230, 230, 230), 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(8, 8), 3, 6.5);
  p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
}

}  // namespace

QIcon toolIcon(int id) {
  switch (id) {
    case cmd::kOpenAmsr2:
      return drawn([](QPainter& p) { folder(p); letters(p, "2"); });
    case cmd::kOpenAmsrE:
      return drawn([](QPainter& p) { folder(p); letters(p, "E"); });
    case cmd::kOpenAmsr2Output:
      return drawn([](QPainter& p) { folder(p); letters(p, "H"); });
    case cmd::kAnimationAmsr2:
    case cmd::kAnimationAmsrE:
      return drawn([id](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(80, 80, 80));
        p.drawRect(QRectF(1.5, 1.5, 13, 8));
        p.setBrush(Qt::white);
        for (int x = 3; x < 14; x += 3) p.drawRect(QRectF(x, 2.5, 1, 1));
        letters(p, id == cmd::kAnimationAmsr2 ? "2" : "E");
      });
    case cmd::kBatch:
      return drawn([](QPainter& p) {
        page(p, Qt::white);
        p.setPen(QPen(kInk, 1));
        for (int y = 4; y < 10; y += 2) p.drawLine(4, y, 11, y);
        letters(p, "B");
      });
    case cmd::kSaveImage:
      return drawn([](QPainter& p) {
        page(p, QColor(200, 230, 255));
        p.setPen(Qt::NoPen);
        p.setBrush(kLand);
        p.drawEllipse(QPointF(6, 7), 2.5, 1.5);
        letters(p, "IMG", 6);
      });
    case cmd::kSaveKml:
      return drawn([](QPainter& p) { globe(p, false); letters(p, "K"); });
    case cmd::kSaveBinary:
      return drawn([](QPainter& p) { page(p, Qt::white); letters(p, "01"); });
    case cmd::kSaveCsv:
      return drawn([](QPainter& p) { page(p, Qt::white); letters(p, "CSV", 6); });
    case cmd::kSaveCsvLatLon:
      return drawn([](QPainter& p) { page(p, QColor(255, 240, 200)); letters(p, "CSV", 6); });
    case cmd::kSaveHdf:
      return drawn([](QPainter& p) { page(p, QColor(230, 255, 230)); letters(p, "HDF", 6); });
    case cmd::kProjEqr:
      return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(kSea);
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.setPen(QPen(QColor(230, 230, 230), 0.8));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(8, 3.5), QPointF(8, 12.5));
      });
    case cmd::kProjMercator:
      return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(kSea);
        p.drawRect(QRectF(3.5, 1.5, 9, 13));
        p.setPen(QPen(QColor(230, 230, 230), 0.8));
        for (double y : {3.0, 5.5, 8.0, 10.5, 13.0}) p.drawLine(QPointF(3.5, y), QPointF(12.5, y));
      });
    case cmd::kProjNorth:
    case cmd::kProjSouth:
      return drawn([id](QPainter& p) {
        globe(p, false);
        p.setPen(QPen(Qt::white, 1));
        p.drawEllipse(QPointF(8, 8), 3, 3);
        QFont f;
        f.setPixelSize(7);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, id == cmd::kProjNorth ? "N" : "S");
      });
    case cmd::kProjOrtho:
      return drawn([](QPainter& p) { globe(p, true); });
    case cmd::kBackToolBar:
      return drawn([](QPainter& p) {
        p.setPen(QPen(kSea, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kSea);
        p.drawPolygon(QPolygonF({QPointF(8, 0.5), QPointF(8, 5.5), QPointF(4.5, 3)}));
      });
    case cmd::kMoveUp:
      return drawn([](QPainter& p) { arrow(p, -90); });
    case cmd::kMoveDown:
      return drawn([](QPainter& p) { arrow(p, 90); });
    case cmd::kMoveLeft:
      return drawn([](QPainter& p) { arrow(p, 180); });
    case cmd::kMoveRight:
      return drawn([](QPainter& p) { arrow(p, 0); });
    case cmd::kZoomIn:
      return drawn([](QPainter& p) { magnifier(p, "+"); });
    case cmd::kZoomOut:
      return drawn([](QPainter& p) { magnifier(p, "-"); });
    case cmd::kModeZoom:
      return drawn([](QPainter& p) { magnifier(p, ""); });
    case cmd::kModePan:
      return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(250, 220, 180));
        p.drawRoundedRect(QRectF(3.5, 6.5, 9, 8), 2, 2);
        for (double x : {4.0, 6.5, 9.0, 11.5}) p.drawRoundedRect(QRectF(x - 0.5, 2.5, 2, 5), 1, 1);
      });
    case cmd::kModeSelect:
      return drawn([](QPainter& p) {
        QPen pen(kWarm, 1, Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2.5, 3.5, 11, 9));
      });
    case cmd::kSelectArea:
      return drawn([](QPainter& p) {
        p.setPen(QPen(kWarm, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2.5, 1.5, 11, 7));
        letters(p, "12", 7);
      });
    case cmd::kReset:
      return drawn([](QPainter& p) {
        globe(p, true);
        p.setPen(QPen(kWarm, 1.5));
        p.drawLine(QPointF(2, 2), QPointF(5, 2));
        p.drawLine(QPointF(2, 2), QPointF(2, 5));
      });
    case cmd::kAutoAdjust:
      return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(kSea);
        p.drawRect(QRectF(4.5, 5.5, 7, 5));
        p.setPen(QPen(kWarm, 1.5));
        p.drawLine(QPointF(1, 1), QPointF(4, 4));
        p.drawLine(QPointF(15, 15), QPointF(12, 12));
        p.drawLine(QPointF(15, 1), QPointF(12, 4));
        p.drawLine(QPointF(1, 15), QPointF(4, 12));
      });
    case cmd::kBatchHistory:
      return drawn([](QPainter& p) {
        page(p, QColor(255, 255, 220));
        p.setPen(QPen(kInk, 1));
        for (int y = 3; y < 10; y += 2) p.drawLine(4, y, 11, y);
        letters(p, "H");
      });
    default:
      return QIcon();
  }
}

QImage applicationIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(QPen(QColor(20, 40, 80), 2));
  p.setBrush(kSea);
  p.drawEllipse(QPointF(32, 32), 29, 29);
  p.setPen(QPen(QColor(220, 230, 240), 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(32, 32), 13, 29);
  p.drawLine(QPointF(3, 32), QPointF(61, 32));
  // A swath of warm observations across the globe.
  QPainterPath swath;
  swath.moveTo(18, 6);
  swath.cubicTo(30, 20, 34, 40, 44, 58);
  swath.lineTo(52, 54);
  swath.cubicTo(42, 36, 38, 18, 28, 4);
  swath.closeSubpath();
  p.setPen(Qt::NoPen);
  QLinearGradient g(18, 6, 48, 56);
  g.setColorAt(0, QColor(250, 90, 40, 230));
  g.setColorAt(1, QColor(250, 220, 60, 230));
  p.setBrush(g);
  p.drawPath(swath);
  p.end();
  return image;
}

QIcon applicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(QPixmap::fromImage(applicationIconImage(size)));
  return icon;
}

}  // namespace kivo::app
