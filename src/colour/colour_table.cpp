#include "colour/colour_table.h"

#include <cmath>

namespace kivo::colour {

const std::uint8_t kAutomaticRamp[kChannels][kCapacity] = {
    {0, 0, 0, 0, 0, 128, 255, 255, 255},
    {0, 128, 255, 255, 255, 255, 255, 128, 0},
    {255, 255, 255, 128, 0, 0, 0, 0, 0},
};

namespace {

bool validSlot(int c, int k) { return c >= 0 && c < kChannels && k >= 0 && k < kCapacity; }

// Truncates toward zero and keeps the low 8 bits; a non-number or an unbounded result gives 0.
std::uint8_t lowByte(float v) {
  if (!std::isfinite(v)) return 0;
  const double t = std::trunc(static_cast<double>(v));
  if (std::fabs(t) >= 9.0e18) return 0;
  return static_cast<std::uint8_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(t)) & 0xFFu);
}

}  // namespace

int ComClrTblMng::ComSetPntNum(int n) {
  if (n != 2 && n != 3 && n != 5 && n != 9) return 1;
  points_ = n;
  return 0;
}

int ComClrTblMng::ComSetGrphType(int type) {
  if (type != kLineGraph && type != kBarGraph) return 1;
  graph_ = type;
  return 0;
}

int ComClrTblMng::ComSetCntVal(int c, int k, float value) {
  if (!validSlot(c, k)) return 1;
  values_[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)] = value;
  recomputeRuns(c);
  return 0;
}

int ComClrTblMng::ComGetCntVal(int c, int k, float* out) const {
  if (out == nullptr || !validSlot(c, k)) return 1;
  *out = values_[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
  return 0;
}

int ComClrTblMng::ComSetClrPrm(int c, int k, std::uint8_t value) {
  if (!validSlot(c, k)) return 1;
  intensities_[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)] = value;
  return 0;
}

int ComClrTblMng::ComGetClrPrm(int c, int k, std::uint8_t* out) const {
  if (out == nullptr || !validSlot(c, k)) return 1;
  *out = intensities_[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
  return 0;
}

void ComClrTblMng::recomputeRuns(int c) {
  const auto& v = values_[static_cast<std::size_t>(c)];
  int runs = v[0] == kLargestFloat ? 0 : 1;
  float last = v[0];
  for (int k = 1; k < kCapacity; ++k) {
    if (v[static_cast<std::size_t>(k)] != last) {
      ++runs;
      last = v[static_cast<std::size_t>(k)];
    }
  }
  runs_[static_cast<std::size_t>(c)] = runs;
}

bool ComClrTblMng::intensity(int j, float x, int lo, int hi, std::uint8_t& out) const {
  const auto& v = values_[static_cast<std::size_t>(j)];
  const auto& in = intensities_[static_cast<std::size_t>(j)];
  const bool allEqual = runs_[static_cast<std::size_t>(j)] == 1;
  const auto L = static_cast<std::size_t>(lo);
  const auto H = static_cast<std::size_t>(hi);
  if (graph_ == kLineGraph) {
    if (allEqual) {
      out = in[0];
      return true;
    }
    const float t = (x - v[L]) / (v[H] - v[L]);
    out = lowByte(t * static_cast<float>(in[H] - in[L]) + static_cast<float>(in[L]));
    return true;
  }
  if (v[L] < x && x < v[H]) {
    out = in[L];
    return true;
  }
  if (allEqual) {
    out = in[0];
    return true;
  }
  return false;
}

int ComClrTblMng::ComGetColor(int mode, int c, float x, Colour* out) const {
  if (out == nullptr || c < 0 || c >= kChannels || mode < 0 || mode > 1) return 1;
  const auto& v = values_[static_cast<std::size_t>(c)];
  int lo = 0;
  int hi = 0;
  if (!(x < v[0])) {
    bool stopped = false;
    for (int k = 0; k < kCapacity; k += step()) {
      if (x >= v[static_cast<std::size_t>(k)]) {
        lo = k;
      } else {
        hi = k;
        stopped = true;
        break;
      }
    }
    if (!stopped) hi = 0;
  }
  if (mode == kModeColourTable) {
    std::uint8_t rgbValues[kChannels] = {0, 0, 0};
    bool any = false;
    for (int j = 0; j < kChannels; ++j) {
      std::uint8_t value = 0;
      if (intensity(j, x, lo, hi, value)) {
        rgbValues[j] = value;
        any = true;
      }
    }
    if (!any) return 1;
    *out = rgb(rgbValues[0], rgbValues[1], rgbValues[2]);
    return 0;
  }
  std::uint8_t value = 0;
  if (!intensity(c, x, lo, hi, value)) return 1;
  *out = static_cast<Colour>(value) << (8 * c);
  return 0;
}

void ComClrTblMng::setAutomatic(const float minimum[kChannels], const float maximum[kChannels]) {
  points_ = 9;
  for (int c = 0; c < kChannels; ++c) {
    const float mn = minimum[c];
    const float d = (maximum[c] - mn) * 0.125f;
    for (int k = 0; k < kCapacity; ++k) {
      values_[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)] = static_cast<float>(k) * d + mn;
      intensities_[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)] = kAutomaticRamp[c][k];
    }
    recomputeRuns(c);
  }
}

int interpolateTable(ComClrTblMng& table, int pointChoice, bool countValues, bool logarithmic) {
  static constexpr int kChoices[4] = {2, 3, 5, 9};
  if (pointChoice < 0 || pointChoice > 3) return 1;
  table.ComSetPntNum(kChoices[pointChoice]);
  const float ln9 = std::log(9.0f);
  for (int c = 0; c < kChannels; ++c) {
    float a = 0, b = 0;
    if (countValues) {
      table.ComGetCntVal(c, 0, &a);
      table.ComGetCntVal(c, 8, &b);
    } else {
      std::uint8_t ia = 0, ib = 0;
      table.ComGetClrPrm(c, 0, &ia);
      table.ComGetClrPrm(c, 8, &ib);
      a = ia;
      b = ib;
    }
    for (int k = 1; k <= 7; ++k) {
      const float kf = static_cast<float>(k);
      const float v = logarithmic ? a + std::log(kf + 1.0f) * (b - a) / ln9 : a + (b - a) * 0.125f * kf;
      if (countValues) {
        table.ComSetCntVal(c, k, v);
      } else {
        table.ComSetClrPrm(c, k, lowByte(v + 0.9f));
      }
    }
  }
  return 0;
}

}  // namespace kivo::colour
