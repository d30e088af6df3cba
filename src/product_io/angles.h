#pragma once

// Angle constants shared by every layer. The map projections and the HDF4 polar grids are
// defined with pi written to fourteen decimals; their constants are kept to the digit so that
// positions come out exactly as those definitions give them.

namespace kivo::angles {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kDegToRad = kPi / 180.0;
// Single precision, for the gap filling's distance test.
inline constexpr float kDegToRadF = 0.017453292f;

// Pi to fourteen decimals and the conversions built on it.
inline constexpr double kPi14 = 3.14159265358979;
inline constexpr double kDegToRad14 = 0.017453292519943278;     // kPi14 / 180
inline constexpr double kMicroToRad14 = 1.7453292519943278e-8;  // kPi14 / 180 / 1,000,000
inline constexpr double kQuarterPi14 = 0.7853981633974475;      // kPi14 / 4

}  // namespace kivo::angles
