#pragma once

namespace kivo::io {

// One observation position.
struct LatLon {
  float lat = 0.0f;  // degrees north
  float lon = 0.0f;  // degrees east
};

}  // namespace kivo::io
