#pragma once

// A drawing surface: a 32-bit image with the map view's logical mapping (origin at the
// centre of the drawing area, y upward, one unit per pixel).

#include <QImage>
#include <QPainter>

#include <cstdint>

#include "draw/colour_value.h"

namespace kivo::draw {

// 0x00BBGGRR to the image's 0xAARRGGBB.
inline QRgb toQRgb(Colour c) { return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)); }
inline QColor toQColor(Colour c) { return QColor::fromRgb(toQRgb(c)); }

class Surface {
 public:
  Surface(int width, int height);
  int width() const { return image_.width(); }
  int height() const { return image_.height(); }
  QImage& image() { return image_; }
  const QImage& image() const { return image_; }

  // Device pixel of a logical point.
  int deviceX(int x) const { return x + width() / 2; }
  int deviceY(int y) const { return height() / 2 - y; }

  void clear(Colour c) { image_.fill(toQRgb(c)); }
  // Writes one pixel straight into the image; points outside it are ignored.
  void setPixel(int x, int y, Colour c) {
    const int dx = deviceX(x);
    const int dy = deviceY(y);
    if (dx < 0 || dy < 0 || dx >= width() || dy >= height()) return;
    reinterpret_cast<QRgb*>(image_.scanLine(dy))[dx] = toQRgb(c);
  }
  Colour pixel(int x, int y) const;
  // Fills the logical rectangle of `w` x `h` units whose upper-left unit is (x, y).
  void fillRect(int x, int y, int w, int h, Colour c);

  // Text with its reference point at logical (x, y), aligned by Qt alignment flags relative
  // to that point; `pixelHeight` is the font height. Text is never drawn mirrored.
  void text(int x, int y, const QString& text, int alignment, int pixelHeight, Colour c);
  // Text inside the logical rectangle whose upper-left corner is (x, y).
  void textInRect(int x, int y, int w, int h, const QString& text, int alignment, int pixelHeight, Colour c);

  // A painter with the logical mapping applied; the surface keeps it for its lifetime.
  QPainter& painter();
  void endPainting();

 private:
  QImage image_;
  QPainter painter_;
};

}  // namespace kivo::draw
