#pragma once

// The colour bar (legend) of a view: the strip of the colour table, ticks at its points, the
// count values and a caption, laid out horizontally at a position or vertically at the right.

#include <string>

#include "colour/colour_table.h"
#include "draw/surface.h"

namespace kivo::colour {

struct ColourBarSettings {
  bool show = true;      // the legend is shown at all
  bool reversed = false; // "Flipped Color Bar": slot 8 first
};

class ComDspClrBar {
 public:
  // 1 when the table is missing.
  int ComSetClrBar(const ColourBarSettings& settings, const ComClrTblMng* table);
  // Draws the horizontal layout with its upper-left corner at (x, y), or the vertical one at
  // the right edge: 0, 1 for a missing surface or table.
  int ComDrawClrBar(draw::Surface* surface, int x, int y, bool vertical, const std::string& caption) const;

 private:
  ColourBarSettings settings_;
  const ComClrTblMng* table_ = nullptr;
  int graph_ = kLineGraph;
};

}  // namespace kivo::colour
