#include "product_io/product_types.h"

#include <array>
#include <ostream>

namespace kivo::io {
namespace {

using P = PrdctType;
using S = Sensor;
using L = Level;

constexpr std::array<PrdctTypeInfo, kPrdctTypeCount + 1> kTypes = {{
    {P::AmsrEL1A, "AMSREL1A", "AMSR-E Level 1A", kFormatHdf4, S::AmsrE, L::L1A, 3},
    {P::AmsrEL1B, "AMSREL1B", "AMSR-E Level 1B", kFormatHdf4, S::AmsrE, L::L1B, 3},
    {P::AmsrEL1M, "AMSREL1M", "AMSR-E Level 1M", kFormatHdf4, S::AmsrE, L::L1M, 3},
    {P::AmsrEL2, "AMSR-E-L2", "AMSR-E Level 2", kFormatHdf4, S::AmsrE, L::L2, 4},
    {P::AmsrEL2Map, "AMSR-E-L2Map", "AMSR-E Level 2 Map", kFormatHdf4, S::AmsrE, L::L2Map, 4},
    {P::AmsrEL3, "AMSR-E_L3", "AMSR-E Level 3", kFormatHdf4, S::AmsrE, L::L3, 4},
    {P::Amsr2L1A, "AMSR2-L1A", "AMSR2 Level 1A", kFormatHdf5, S::Amsr2, L::L1A, 3},
    {P::Amsr2L1B, "AMSR2-L1B", "AMSR2 Level 1B", kFormatHdf5, S::Amsr2, L::L1B, 3},
    {P::Amsr2L1R, "AMSR2-L1R", "AMSR2 Level 1R", kFormatHdf5, S::Amsr2, L::L1R, 3},
    {P::Amsr2L2, "AMSR2-L2", "AMSR2 Level 2", kFormatHdf5, S::Amsr2, L::L2, 6},
    {P::Amsr2L3, "AMSR2-L3", "AMSR2 Level 3", kFormatHdf5, S::Amsr2, L::L3, -1},
    {P::AmsrL1A, "AMSR-L1A", "AMSR Level 1A", kFormatHdf4, S::Amsr, L::L1A, 3},
    {P::AmsrL1B, "AMSR-L1B", "AMSR Level 1B", kFormatHdf4, S::Amsr, L::L1B, 3},
    {P::AmsrL1M, "AMSR-L1M", "AMSR Level 1M", kFormatHdf4, S::Amsr, L::L1M, 3},
    {P::AmsrL2, "AMSR-L2", "AMSR Level 2", kFormatHdf4, S::Amsr, L::L2, 4},
    {P::AmsrL2Map, "AMSR-L2Map", "AMSR Level 2 Map", kFormatHdf4, S::Amsr, L::L2Map, 4},
    {P::AmsrL3, "AMSR_L3", "AMSR Level 3", kFormatHdf4, S::Amsr, L::L3, 4},
    // Before a product name has been seen, attribute 4 is taken as a projection, as for
    // the HDF4 Level 2 and 3 types.
    {P::None, "", "", kFormatNone, S::None, L::None, 4},
}};

static_assert([] {
  for (int i = 0; i <= kPrdctTypeCount; ++i) {
    if (static_cast<int>(kTypes[static_cast<std::size_t>(i)].type) != i) return false;
  }
  return true;
}());

}  // namespace

const PrdctTypeInfo& prdctInfo(PrdctType type) {
  const int i = static_cast<int>(type);
  return kTypes[static_cast<std::size_t>(i >= 0 && i < kPrdctTypeCount ? i : kPrdctTypeCount)];
}

PrdctType prdctTypeOf(int index) {
  return index >= 0 && index < kPrdctTypeCount ? static_cast<PrdctType>(index) : P::None;
}

PrdctType prdctTypeFromProductName(std::string_view value) {
  PrdctType best = P::None;
  std::size_t bestLength = 0;
  for (int t = 0; t < kPrdctTypeCount; ++t) {
    const std::string_view name = kTypes[static_cast<std::size_t>(t)].nameValue;
    if (value.rfind(name, 0) == 0 && name.size() > bestLength) {
      best = kTypes[static_cast<std::size_t>(t)].type;
      bestLength = name.size();
    }
  }
  return best;
}

PrdctType prdctTypeFromDisplayName(std::string_view displayName) {
  if (displayName.empty()) return P::None;
  for (int t = 0; t < kPrdctTypeCount; ++t) {
    if (displayName == kTypes[static_cast<std::size_t>(t)].displayName) return kTypes[static_cast<std::size_t>(t)].type;
  }
  return P::None;
}

std::ostream& operator<<(std::ostream& out, PrdctType type) {
  return out << static_cast<int>(type) << " (" << (type == P::None ? "no match" : prdctInfo(type).displayName) << ")";
}

}  // namespace kivo::io
