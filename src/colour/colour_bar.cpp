#include "colour/colour_bar.h"

#include <QLinearGradient>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <vector>

namespace kivo::colour {
namespace {

struct UsedSlot {
  float value;
  Colour colour;
};

// The used slots in drawing order and the relative position of each on the strip.
std::vector<UsedSlot> usedSlots(const ComClrTblMng& t, bool reversed) {
  std::vector<UsedSlot> used;
  for (int k = 0; k < kCapacity; k += t.step()) {
    UsedSlot s{};
    t.ComGetCntVal(0, k, &s.value);
    std::uint8_t r = 0, g = 0, b = 0;
    t.ComGetClrPrm(0, k, &r);
    t.ComGetClrPrm(1, k, &g);
    t.ComGetClrPrm(2, k, &b);
    s.colour = rgb(r, g, b);
    used.push_back(s);
  }
  if (reversed) std::reverse(used.begin(), used.end());
  return used;
}

QString label(float v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(v));
  return QString::fromUtf8(text);
}

// A gradient of the used slots' colours at their relative positions; false when the positions
// are not usable (all count values equal).
bool fillGradient(QLinearGradient& gradient, const std::vector<UsedSlot>& used, float c0, float c8, bool reversed) {
  const float span = c8 - c0;
  if (!(std::fabs(span) > 0) || !std::isfinite(span)) return false;
  for (const UsedSlot& s : used) {
    const float pos = reversed ? (c8 - s.value) / span : (s.value - c0) / span;
    if (!std::isfinite(pos)) return false;
    gradient.setColorAt(std::clamp(static_cast<double>(pos), 0.0, 1.0), draw::toQColor(s.colour));
  }
  return true;
}

}  // namespace

int ComDspClrBar::ComSetClrBar(const ColourBarSettings& settings, const ComClrTblMng* table) {
  if (table == nullptr) return 1;
  settings_ = settings;
  table_ = table;
  graph_ = table->ComGetGrphType();
  return 0;
}

int ComDspClrBar::ComDrawClrBar(draw::Surface* surface, int x, int y, bool vertical, const std::string& caption) const {
  if (surface == nullptr || table_ == nullptr) return 1;
  if (!settings_.show) return 0;
  const ComClrTblMng& t = *table_;
  const std::vector<UsedSlot> used = usedSlots(t, settings_.reversed);
  float c0 = 0, c8 = 0;
  t.ComGetCntVal(0, 0, &c0);
  t.ComGetCntVal(0, 8, &c8);
  const int n = t.ComGetPntNum();
  QPainter& p = surface->painter();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  const QString text = QString::fromStdString(caption);
  const Colour black = rgb(0, 0, 0);
  const Colour white = rgb(255, 255, 255);
  if (!vertical) {
    surface->fillRect(x, y, 511, 71, white);
    const int s = t.step() * 55;
    // Strip.
    if (graph_ == kLineGraph) {
      QLinearGradient gradient(QPointF(x + 11, 0), QPointF(x + 11 + 439, 0));
      if (fillGradient(gradient, used, c0, c8, settings_.reversed)) p.fillRect(QRect(x + 11, y - 20, 439, 9), gradient);
    } else if (n > 1) {
      const int block = 440 / (n - 1);
      for (int i = 0; i < n - 1; ++i) {
        const int width = i == n - 2 ? block - 1 : block;
        surface->fillRect(x + 11 + i * block, y - 11, width, 10, used[static_cast<std::size_t>(i)].colour);
      }
    }
    p.setPen(QPen(draw::toQColor(black), 1));
    // The strip's frame is a closed line through its four corners.
    const QPoint frame[5] = {QPoint(x + 10, y - 10), QPoint(x + 10, y - 20), QPoint(x + 450, y - 20),
                             QPoint(x + 450, y - 10), QPoint(x + 10, y - 10)};
    p.drawPolyline(frame, 5);
    // Each label starts at its tick, so that the first one stays on the white background.
    for (std::size_t k = 0; k < used.size(); ++k) {
      const int tx = x + 10 + static_cast<int>(k) * s;
      p.drawLine(tx, y - 20, tx, y - 30);
      surface->text(tx, y - 32, label(used[k].value), Qt::AlignLeft | Qt::AlignTop, 12, black);
    }
    surface->textInRect(x + 10, y - 54, 460, 13, text, Qt::AlignRight | Qt::AlignVCenter, 12, black);
  } else {
    const int r = surface->width() / 2;
    const int left = r - 110;
    const int top = 210;
    surface->fillRect(left, top, 101, 421, white);
    const int s = t.step() * 47;
    if (graph_ == kLineGraph) {
      QLinearGradient gradient(QPointF(0, top - 386), QPointF(0, top - 10));
      if (fillGradient(gradient, used, c0, c8, settings_.reversed)) p.fillRect(QRect(left + 15, top - 386, 10, 376), gradient);
    } else if (n > 1) {
      const int block = 376 / (n - 1);
      for (int i = 0; i < n - 1; ++i) {
        const int height = i == n - 2 ? block - 1 : block;
        surface->fillRect(left + 15, top - 386 + (i + 1) * block, 10, height, used[static_cast<std::size_t>(i)].colour);
      }
    }
    p.setPen(QPen(draw::toQColor(black), 1));
    p.drawRect(QRect(left + 15, top - 386, 10, 376));
    for (std::size_t k = 0; k < used.size(); ++k) {
      const int ty = top - 386 + static_cast<int>(k) * s;
      p.drawLine(left + 25, ty, left + 35, ty);
      surface->text(left + 35, ty, label(used[k].value), Qt::AlignLeft | Qt::AlignVCenter, 12, black);
    }
    // The caption runs downward along the bar.
    p.save();
    p.resetTransform();
    QFont font;
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(draw::toQColor(black));
    p.translate(surface->deviceX(left + 75), surface->deviceY(top));
    p.rotate(90);
    p.drawText(QRect(0, 0, 400, 12), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    p.restore();
  }
  p.restore();
  return 0;
}

}  // namespace kivo::colour
