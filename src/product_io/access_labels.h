#pragma once

// Names of the access labels that code refers to. The definition tables, the composite and
// layer families and the channel-to-label tables list labels as data and keep them as numbers.

#include <cstdint>

namespace kivo::io {

using AccessLabel = std::int32_t;

// Swath products.
inline constexpr AccessLabel kLabelScanTime = 10010;
inline constexpr AccessLabel kLabelScanDataQuality = 10460;
inline constexpr AccessLabel kLabelL1BTb89AH = 11180;       // Brightness Temperature (89.0GHz-A,H)
inline constexpr AccessLabel kLabelL1BTbLowVH = 11210;      // Brightness Temperature (6.9GHz-36.5GHz, V&H)

// Level 3 grids.
inline constexpr AccessLabel kLabelL3TbV = 31010;
inline constexpr AccessLabel kLabelL3TbH = 31020;
inline constexpr AccessLabel kLabelL3TbVH = 31030;
inline constexpr AccessLabel kLabelL3Geophysical = 31310;     // first layer; 31340 holds every layer
inline constexpr AccessLabel kLabelL3GeophysicalAll = 31340;
inline constexpr AccessLabel kLabelL3StdDevV = 34140;
inline constexpr AccessLabel kLabelL3StdDevH = 34150;
inline constexpr AccessLabel kLabelL3StdDevVH = 34160;
inline constexpr AccessLabel kLabelL3StdDev = 34510;          // first layer; 34540 holds every layer
inline constexpr AccessLabel kLabelL3StdDevAll = 34540;

// Geolocation labels: the positions that belong to the data labels.
inline constexpr AccessLabel kLabelLatLon6G = 40010;  // 6G..36G: one low-frequency band each
inline constexpr AccessLabel kLabelLatLon7G = 40020;
inline constexpr AccessLabel kLabelLatLon10G = 40030;
inline constexpr AccessLabel kLabelLatLon18G = 40040;
inline constexpr AccessLabel kLabelLatLon23G = 40050;
inline constexpr AccessLabel kLabelLatLon36G = 40060;
inline constexpr AccessLabel kLabelLatLon89A = 40070;
inline constexpr AccessLabel kLabelLatLon89B = 40080;
inline constexpr AccessLabel kLabelLatLonLowMean = 40090;  // the mean of the six low-frequency bands
inline constexpr AccessLabel kLabelLatLonL1R89A = 40100;   // Level 1R original 89 GHz A channels
inline constexpr AccessLabel kLabelLatLonL1R89B = 40110;   // Level 1R original 89 GHz B channels
inline constexpr AccessLabel kLabelLatLonL1R = 40120;      // Level 1R resampled channels
inline constexpr AccessLabel kLabelLatLonL2 = 40130;       // Level 2 low-resolution quantities
inline constexpr AccessLabel kLabelLatLonL2_89A = 40140;
inline constexpr AccessLabel kLabelLatLonL2_89B = 40150;
inline constexpr AccessLabel kLabelLatLonGrid = 40160;     // Level 3 grid cells
inline constexpr AccessLabel kFirstGeolocationLabel = kLabelLatLon6G;
inline constexpr AccessLabel kLastGeolocationLabel = kLabelLatLonGrid;

}  // namespace kivo::io
