#include "colour/table_statistics.h"

#include <algorithm>
#include <cmath>

namespace kivo::colour {
namespace {

// Calls f(value) for every valid observation of the source: positions on the globe and
// values outside the product type's invalid interval.
template <typename F>
void forEachValid(const ChannelSource& source, F&& f) {
  if (source.object == nullptr) return;
  for (int slot : source.slots) {
    const model::ObsPoint* points = nullptr;
    int count = 0;
    if (source.object->ComGetPointArray(slot, points, count, source.chnl) != 0) continue;
    catalogue::ValueRange range;
    const bool hasRange = source.object->ComGetValueRange(slot, range) == 0;
    const float lower = std::min(range.invalid1, range.invalid2);
    const float upper = std::max(range.invalid1, range.invalid2);
    for (int i = 0; i < count; ++i) {
      const model::ObsPoint& p = points[i];
      if (p.lon < -180000000 || p.lon > 180000000 || p.lat < -90000000 || p.lat > 90000000) continue;
      if (hasRange && lower <= p.value && p.value <= upper) continue;
      f(p.value);
    }
  }
}

}  // namespace

void TableStatistics::ComCalcMaxMin(const std::vector<ChannelSource>& sources) {
  const std::size_t channels = sources.size() >= kChannels ? kChannels : 1;
  for (std::size_t c = 0; c < channels; ++c) {
    float mn = kLargestFloat;
    float mx = -kLargestFloat;
    forEachValid(sources[c], [&](float v) {
      mn = std::min(mn, v);
      mx = std::max(mx, v);
    });
    min_[c] = mn;
    max_[c] = mx;
  }
  if (channels == 1) {
    for (int c = 1; c < kChannels; ++c) {
      min_[c] = min_[0];
      max_[c] = max_[0];
    }
  }
}

void TableStatistics::ComCalcSigma(const std::vector<ChannelSource>& sources) {
  const std::size_t channels = sources.size() >= kChannels ? kChannels : 1;
  for (std::size_t c = 0; c < channels; ++c) {
    double sum = 0.0, squares = 0.0;
    long long n = 0;
    forEachValid(sources[c], [&](float v) {
      sum += v;
      squares += static_cast<double>(v) * v;
      ++n;
    });
    const double mean = n > 0 ? sum / static_cast<double>(n) : 0.0;
    const double variance = n > 0 ? (squares - static_cast<double>(n) * mean * mean) / static_cast<double>(n) : 0.0;
    mean_[c] = static_cast<float>(mean);
    // Rounding can leave a tiny negative variance for constant values.
    sd_[c] = static_cast<float>(std::sqrt(std::max(variance, 0.0)));
  }
  if (channels == 1) {
    for (int c = 1; c < kChannels; ++c) {
      mean_[c] = mean_[0];
      sd_[c] = sd_[0];
    }
  }
}

void TableStatistics::ComInitClrTbl(ComClrTblMng& table, const std::vector<ChannelSource>& sources) {
  if (sources.empty()) return;
  ComCalcMaxMin(sources);
  ComSetAutoClrTbl(table);
  ComCalcSigma(sources);
}

void TableStatistics::ComSetAutoClrTbl(ComClrTblMng& table) const { table.setAutomatic(min_, max_); }

int TableStatistics::ComGetMaxMin(int c, float* maximum, float* minimum) const {
  if (c < 0 || c >= kChannels || maximum == nullptr || minimum == nullptr) return 1;
  *maximum = max_[c];
  *minimum = min_[c];
  return 0;
}

int TableStatistics::ComGet3Sigma(int c, float* plus, float* minus) const {
  if (c < 0 || c >= kChannels || plus == nullptr || minus == nullptr) return 1;
  *plus = mean_[c] + 3.0f * sd_[c];
  *minus = mean_[c] - 3.0f * sd_[c];
  return 0;
}

void applyMaxMin(ComClrTblMng& table, const TableStatistics& statistics) {
  for (int c = 0; c < kChannels; ++c) {
    float mx = 0, mn = 0;
    statistics.ComGetMaxMin(c, &mx, &mn);
    table.ComSetCntVal(c, 0, mn);
    table.ComSetCntVal(c, 8, mx);
  }
}

void apply3Sigma(ComClrTblMng& table, const TableStatistics& statistics) {
  for (int c = 0; c < kChannels; ++c) {
    float plus = 0, minus = 0;
    statistics.ComGet3Sigma(c, &plus, &minus);
    table.ComSetCntVal(c, 0, minus);
    table.ComSetCntVal(c, 8, plus);
  }
}

}  // namespace kivo::colour
