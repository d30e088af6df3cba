#include "draw/surface.h"

#include <algorithm>

namespace kivo::draw {

Surface::Surface(int width, int height) : image_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
  image_.fill(Qt::black);
}

Colour Surface::pixel(int x, int y) const {
  const int dx = deviceX(x);
  const int dy = deviceY(y);
  if (dx < 0 || dy < 0 || dx >= width() || dy >= height()) return 0;
  const QRgb p = image_.pixel(dx, dy);
  return rgb(static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)), static_cast<std::uint8_t>(qBlue(p)));
}

void Surface::fillRect(int x, int y, int w, int h, Colour c) {
  if (w <= 0 || h <= 0) return;
  const int x0 = std::max(deviceX(x), 0);
  const int y0 = std::max(deviceY(y), 0);
  const int x1 = std::min(deviceX(x) + w, width());
  const int y1 = std::min(deviceY(y) + h, height());
  const QRgb value = toQRgb(c);
  for (int dy = y0; dy < y1; ++dy) {
    QRgb* line = reinterpret_cast<QRgb*>(image_.scanLine(dy));
    std::fill(line + x0, line + std::max(x0, x1), value);
  }
}

namespace {

QFont fontOfHeight(int pixelHeight) {
  QFont font;
  font.setPixelSize(std::max(pixelHeight, 1));
  return font;
}

}  // namespace

void Surface::text(int x, int y, const QString& text, int alignment, int pixelHeight, Colour c) {
  QPainter& p = painter();
  p.save();
  p.resetTransform();
  p.setFont(fontOfHeight(pixelHeight));
  p.setPen(toQColor(c));
  // A large box around the reference point, aligned inside it.
  const int big = 4000;
  QRect box(deviceX(x) - big, deviceY(y) - big, 2 * big, 2 * big);
  if (alignment & Qt::AlignLeft) box.setLeft(deviceX(x));
  if (alignment & Qt::AlignRight) box.setRight(deviceX(x));
  if (alignment & Qt::AlignTop) box.setTop(deviceY(y));
  if (alignment & Qt::AlignBottom) box.setBottom(deviceY(y));
  p.drawText(box, alignment, text);
  p.restore();
}

void Surface::textInRect(int x, int y, int w, int h, const QString& text, int alignment, int pixelHeight, Colour c) {
  QPainter& p = painter();
  p.save();
  p.resetTransform();
  p.setFont(fontOfHeight(pixelHeight));
  p.setPen(toQColor(c));
  p.drawText(QRect(deviceX(x), deviceY(y), w, h), alignment | Qt::TextSingleLine, text);
  p.restore();
}

QPainter& Surface::painter() {
  if (!painter_.isActive()) {
    painter_.begin(&image_);
    // Logical units: origin at the centre, y upward.
    painter_.setTransform(QTransform(1, 0, 0, -1, width() / 2, height() / 2));
  }
  return painter_;
}

void Surface::endPainting() {
  if (painter_.isActive()) painter_.end();
}

}  // namespace kivo::draw
