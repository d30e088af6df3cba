#pragma once

// The colour table of a view: up to nine points per channel, each a count value with an
// intensity, mapped linearly ("Line Graph") or in steps ("Bar Graph"). One shared point list
// colours a single channel (colour table); three lists colour a red/green/blue composite
// channel by channel (look-up table).

#include <array>
#include <cstdint>
#include <string>

#include "draw/colour_value.h"

namespace kivo::colour {

inline constexpr int kCapacity = 9;  // point slots per channel
inline constexpr int kChannels = 3;  // red, green, blue
inline constexpr int kLineGraph = 1;
inline constexpr int kBarGraph = 2;
inline constexpr int kModeColourTable = 0;
inline constexpr int kModeLookupTable = 1;
inline constexpr float kLargestFloat = 3.4028235e38f;

using draw::Colour;
using draw::rgb;

class ComClrTblMng {
 public:
  ComClrTblMng() = default;

  int ComSetPntNum(int n);  // 2, 3, 5 or 9; 1 otherwise
  int ComGetPntNum() const { return points_; }
  int ComSetGrphType(int type);  // 1 or 2; 1 otherwise
  int ComGetGrphType() const { return graph_; }
  void ComSetLogMode(int mode) { log_ = mode; }
  int ComGetLogMode() const { return log_; }

  // Count value of slot k of channel c; setting it recomputes the channel's runs.
  int ComSetCntVal(int c, int k, float value);
  int ComGetCntVal(int c, int k, float* out) const;
  int ComSetClrPrm(int c, int k, std::uint8_t intensity);
  int ComGetClrPrm(int c, int k, std::uint8_t* out) const;

  // The colour of value x: mode 0 colour table (channel 0 decides), 1 look-up table (channel
  // c alone, its intensity in its own byte). 1 when the value has no colour or an argument
  // is rejected.
  int ComGetColor(int mode, int c, float x, Colour* out) const;

  void ComSetTblName(const std::string& name) { name_ = name; }
  const std::string& ComGetTblName() const { return name_; }

  // Slots that take part in the mapping are 0, step, 2 step, ... 8.
  int step() const { return (kCapacity - 1) / (points_ - 1); }
  int runCount(int c) const { return (c >= 0 && c < kChannels) ? runs_[static_cast<std::size_t>(c)] : 0; }

  // The automatic table: nine points evenly from minimum to maximum of each channel with the
  // default blue-to-red ramp.
  void setAutomatic(const float minimum[kChannels], const float maximum[kChannels]);

 private:
  void recomputeRuns(int c);
  // Intensity of channel j for value x in the segment (lo, hi); false when it has no colour.
  bool intensity(int j, float x, int lo, int hi, std::uint8_t& out) const;

  int points_ = 9;
  std::array<std::array<float, kCapacity>, kChannels> values_{};
  std::array<int, kChannels> runs_{};
  std::array<std::array<std::uint8_t, kCapacity>, kChannels> intensities_{};
  int graph_ = kLineGraph;
  int log_ = 0;
  std::string name_;
};

// The default ramp of the automatic table, per channel and slot.
extern const std::uint8_t kAutomaticRamp[kChannels][kCapacity];

// Editor computations.
// "Interpolation": sets N from the editor's choice (0..3 -> 2, 3, 5, 9 points), then
// recomputes slots 1..7 of every channel from slots 0 and 8, either the count values or the
// intensities, linearly or logarithmically.
int interpolateTable(ComClrTblMng& table, int pointChoice, bool countValues, bool logarithmic);

}  // namespace kivo::colour
