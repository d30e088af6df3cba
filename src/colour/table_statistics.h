#pragma once

// Statistics of the shown product that the colour tables are built from: per colour channel
// the minimum and maximum, mean and standard deviation of every valid observation.

#include <vector>

#include "colour/colour_table.h"
#include "product_model/product_object.h"

namespace kivo::colour {

// One colour channel's observations: a channel loaded in some slots of a product object.
struct ChannelSource {
  const model::ComPrdctMngmnt* object = nullptr;
  std::vector<int> slots;
  int chnl = -1;
};

class TableStatistics {
 public:
  // One source colours all three channels; three sources colour a composite channel by channel.
  void ComCalcMaxMin(const std::vector<ChannelSource>& sources);
  void ComCalcSigma(const std::vector<ChannelSource>& sources);
  // When a product is put on a view: minimum and maximum, the automatic table, then mean and
  // standard deviation.
  void ComInitClrTbl(ComClrTblMng& table, const std::vector<ChannelSource>& sources);
  void ComSetAutoClrTbl(ComClrTblMng& table) const;
  int ComGetMaxMin(int c, float* maximum, float* minimum) const;
  int ComGet3Sigma(int c, float* plus, float* minus) const;  // mean + 3 sd, mean - 3 sd

 private:
  float min_[kChannels] = {kLargestFloat, kLargestFloat, kLargestFloat};
  float max_[kChannels] = {-kLargestFloat, -kLargestFloat, -kLargestFloat};
  float mean_[kChannels] = {0, 0, 0};
  float sd_[kChannels] = {0, 0, 0};
};

// The editors' "Get Max / Min" and "Get 3-sigma": the first and last point of every channel.
void applyMaxMin(ComClrTblMng& table, const TableStatistics& statistics);
void apply3Sigma(ComClrTblMng& table, const TableStatistics& statistics);

}  // namespace kivo::colour
