#pragma once

// The one painter of a map view: every window, image, overlay and movie frame of a view is
// painted by paintView, so that they all show the same picture.

#include <string>

#include "colour/colour_bar.h"
#include "colour/colour_table.h"
#include "draw/surface.h"
#include "map/display_manager.h"
#include "map/projections.h"
#include "map/world_map.h"

namespace kivo::map {

// The settings a view paints with.
struct ViewPaintSettings {
  MapLayerSettings layer;
  bool coastInFront = true;  // the coastline drawn again over the product
  colour::ColourBarSettings colourBar;
};

// The colour bar of a view: horizontal with its upper-left corner at (x, y) in view units,
// or vertical at the right edge.
struct ColourBarPlacement {
  bool vertical = false;
  int x = -250;
  int y = 0;
  std::string caption;

  // Where a view first puts its horizontal bar on a drawing area of `height` pixels.
  static ColourBarPlacement initial(int height) { return ColourBarPlacement{false, -250, 70 - height / 2, {}}; }
};

// A selected area: two corners as geographic positions (microdegrees).
struct SelectionOutline {
  GeoPoint upperLeft{0, 0};
  GeoPoint lowerRight{0, 0};
};

// What one paint of a view draws.
struct ViewPaintRequest {
  ViewParams view;
  const ComWorldMap* world = nullptr;     // the coastline slots; none draws no coastline
  ComPrdctDspMngmnt* product = nullptr;   // none draws the map alone
  const colour::ComClrTblMng* table = nullptr;  // the colour bar's table; none draws no bar
  bool composite = false;                 // a red/green/blue composite shows no colour bar
  int oneFile = -1;                       // >= 0: only this file of the product (metadata list open)
  ColourBarPlacement colourBar;
  const SelectionOutline* selection = nullptr;  // drawn when given (a valid selection in SELECT mode)
};

inline constexpr colour::Colour kSelectionColour = 0x0000FFFF;  // yellow

// The view as its paint shows it: the polar views keep their centre within the map and the
// two-hemisphere view has no centre.
ViewParams paintedView(const ViewParams& view);

// Paints a whole view onto the surface, in order: black, the map background and the coastline
// behind the product, the product, the coastline in front (when the settings ask for it),
// the latitude/longitude lines with the equator and frame, the colour bar and the selection.
// The result is the product's message number, or 0.
int paintView(draw::Surface& surface, const ViewPaintRequest& request, const ViewPaintSettings& settings);

}  // namespace kivo::map
