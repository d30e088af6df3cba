// A coarse, deterministic model of the Earth as a microwave radiometer sees it: a land
// mask from hand-drawn continent outlines, sea ice, brightness temperatures by frequency
// and polarisation, and the Level 2/3 geophysical quantities.
#pragma once

#include <cstdint>

namespace kivo::gen::model {

enum class Surface : std::uint8_t { Ocean = 0, Land = 1, IceSheet = 2 };

// Surface class of the 0.1-degree cell holding (lat, lon).
Surface surfaceAt(double latDeg, double lonDeg);

// Fractions of land (ice-free) and ice sheet within a footprint of the given radius,
// sampled at the centre and four points on its rim.
struct SurfaceFraction {
  float land = 0.0f;
  float ice = 0.0f;
  float total() const { return land + ice; }
};
SurfaceFraction surfaceFraction(double latDeg, double lonDeg, double radiusKm);

// Everything the value models need about one position that does not depend on the channel.
struct Environment {
  double lat = 0.0, lon = 0.0;
  double vapour = 0.0;    // 0..1, humid tropics high
  double pattern = 0.0;   // smooth large-scale variation, -1..1
  double pattern2 = 0.0;  // a second, finer one, -1..1
  double rain = 0.0;      // mm/h
  double seaIce = 0.0;    // sea-ice concentration of the ocean part, 0..1
  SurfaceFraction surface;
};
Environment environment(double latDeg, double lonDeg, double footprintKm);
// Same as environment() but reusing the channel-independent fields of `base`.
Environment withFootprint(const Environment& base, double footprintKm);

// The seven AMSR2 frequencies: 6.9, 7.3, 10.7, 18.7, 23.8, 36.5, 89.0 GHz.
inline constexpr int kFrequencies = 7;
extern const double kFrequencyGHz[kFrequencies];
extern const double kFootprintKm[kFrequencies];

// Brightness temperature in kelvin for frequency index f (0..6), polarisation pol (0 V, 1 H).
double brightnessTemperature(int f, int pol, const Environment& env);

enum class Quantity { TPW, CLW, PRC, SST, SSW, SIC, SND, SMC };
// Geophysical value of `layer` (0-based) at the position, or false where the quantity has no
// retrieval there (land for ocean quantities, ocean for land quantities, sea ice, ice sheets).
bool geophysical(Quantity q, int layer, const Environment& env, double& value);
// A plausible standard deviation of the quantity over a month (same unit as the value).
double geophysicalSpread(Quantity q, const Environment& env);

// Deterministic noise in [-1, 1) from a hash of three indices.
double noise(std::uint64_t a, std::uint64_t b, std::uint64_t c);

}  // namespace kivo::gen::model
