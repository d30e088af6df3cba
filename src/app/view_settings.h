#pragma once

// What the map views draw with, taken from the settings store.

#include <string>

#include "colour/colour_bar.h"
#include "app/settings/settings_store.h"
#include "export/movie_output.h"
#include "map/view_painter.h"
#include "map/world_map.h"

namespace kivo::app {

map::MapLayerSettings mapLayerSettings(const ComPrpCnfInfo& settings);
colour::ColourBarSettings colourBarSettings(const ComPrpCnfInfo& settings);
bool coastlineInFront(const ComPrpCnfInfo& settings);  // DrwSherLine
std::string mapFile(const ComPrpCnfInfo& settings, int id);
// What an animation is made with.
out::MovieSettings movieSettings(const ComPrpCnfInfo& settings);
// Everything a view paints with.
map::ViewPaintSettings viewPaintSettings(const ComPrpCnfInfo& settings);

}  // namespace kivo::app
