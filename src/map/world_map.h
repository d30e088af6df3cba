#pragma once

// The map layer of a view: the background in the map's shape, the coastlines, the frame,
// latitude/longitude lines with degree labels, and the equator.

#include "map/coastline_store.h"
#include "colour/colour_table.h"
#include "map/projections.h"
#include "draw/surface.h"

namespace kivo::map {

// The settings the map layer draws with (colours 0x00BBGGRR; pen widths are the choice
// index of the settings, drawn 2 units per step).
struct MapLayerSettings {
  bool coast = true;
  colour::Colour coastColour = 0x00FFFFFF;
  int coastPenWidth = 0;
  bool background = true;
  colour::Colour backgroundColour = 0x00A90000;
  bool latLon = true;
  colour::Colour latLonColour = 0x00959595;
  int latLonPenWidth = 0;
  bool latLonMode = false;  // spacing from latWidth / lonWidth instead of the magnification
  int latWidth = 30;
  int lonWidth = 30;
  bool equator = true;
  colour::Colour equatorColour = 0x000000FF;
  int mapMode = 0;  // 1: slot 2 from magnification 8
};

class ComWorldMap {
 public:
  int ComLoadMapFile(int slot, const std::string& path) { return store_.loadMapFile(slot, path); }
  void ComFreeMapFile(int slot) { store_.freeMapFile(slot); }
  const CoastlineStore& store() const { return store_; }

  // The slot a view of magnification s draws: 2 in automatic mode from 8 on, else 1.
  static int slotFor(const MapLayerSettings& settings, double s) { return settings.mapMode == 1 && s >= 8.0 ? 2 : 1; }

  // Background (when asked and enabled) and coastline of a slot.
  int ComDrawCoast(int slot, draw::Surface* surface, const ViewParams& view, bool background,
                   const MapLayerSettings& settings) const;
  // Frame, latitude/longitude lines with labels, and the equator.
  int ComDrawGrid(draw::Surface* surface, const ViewParams& view, const MapLayerSettings& settings) const;

  // One coastline segment's screen ends as the coastline is drawn (exposed for tests): false
  // when the segment is not drawn.
  static bool coastSegment(const ViewParams& view, std::int32_t lon1, std::int32_t lat1, std::int32_t lon2,
                           std::int32_t lat2, int& x1, int& y1, int& x2, int& y2);

 private:
  CoastlineStore store_;
};

}  // namespace kivo::map
