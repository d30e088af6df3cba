#pragma once

// The product catalogue: recognising a product file, naming it, the channels it offers,
// the access label read for a channel, value ranges, titles and units. Every rule works on
// a file's path and its root attributes (name and value, in file order).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "product_io/product_types.h"

namespace kivo::catalogue {

using AccessLabel = std::int32_t;

using io::PrdctType;
using io::FileFormat;
using io::kFormatNone;
using io::kFormatHdf5;
using io::kFormatHdf4;
using io::kPrdctTypeCount;
using io::prdctTypeFromProductName;
using io::prdctTypeFromDisplayName;
inline constexpr int kChnlCount = 100;

// Projection codes of Level 3 products.
enum ProductProjection : int { kProjEqr = 0, kProjPolarNorth = 1, kProjPolarSouth = 2 };

struct RootAttribute {
  std::string name;
  std::string value;
};
using RootAttributes = std::vector<RootAttribute>;

// File format by the first four bytes of the file.
int ComGetFileFormat(const std::string& path);

// Product types: the product-name value matched as a prefix, and the display name.
inline const char* prdctNameValue(PrdctType type) { return io::prdctInfo(type).nameValue; }
inline const char* prdctDisplayName(PrdctType type) { return io::prdctInfo(type).displayName; }

// Product type and projection, built attribute by attribute in file order.
class ProductIdentifier {
 public:
  void apply(int index, std::string_view name, std::string_view value);
  PrdctType type() const { return type_; }
  std::string displayName() const { return prdctDisplayName(type_); }
  int projection() const { return projection_; }
  bool projectionKnown() const { return projectionKnown_; }

 private:
  PrdctType type_ = PrdctType::None;
  int projection_ = -1;
  bool projectionKnown_ = false;
};
ProductIdentifier identifyProduct(const RootAttributes& attributes);

// Level questions asked of a display name, answered by the type table.
bool isLevel2(std::string_view displayName);
bool isLevel3(std::string_view displayName);
bool isAmsr2Level3(std::string_view displayName);

// Channel names (UTF-8), "" for unused entries or indexes outside 0..99.
const char* channelName(int chnl);

// Value of the root attribute whose name equals `name` ignoring case ("" when absent); for
// HDF4 types "GranuleID" is looked up as "LocalGranuleID". The result is the text length.
int metaValue(PrdctType type, const RootAttributes& attributes, std::string_view name, std::string& value);

// The resolution mark: the GranuleID character nine places from the end, or 0.
char resolutionMark(PrdctType type, const RootAttributes& attributes);

using ChannelMask = std::array<std::uint8_t, kChnlCount>;
ChannelMask channelMask(PrdctType type, const RootAttributes& attributes);

// The access label (AMSR2) or reader code (HDF4) read for a channel; 0 = none.
AccessLabel channelLabel(PrdctType type, const RootAttributes& attributes, int chnl);

// Geolocation label of a data label (AMSR2), 0 when it has none.
AccessLabel geolocationLabel(AccessLabel dataLabel, PrdctType type);

struct ValueRange {
  float invalid1 = 0;  // every value between the two markers, inclusive, is no data
  float invalid2 = 0;
  float maximum = 0;
  float minimum = 0;
};
// 0, or 2 when the type has no row.
int valueRange(PrdctType type, const RootAttributes& attributes, ValueRange& range);

// Title of a product for a channel, with the unit suffix when asked.
std::string title(PrdctType type, const RootAttributes& attributes, int chnl, bool withUnit);

// Appends the unit suffix of the type to a title.
void ComGetUnit(PrdctType type, std::string& text);

}  // namespace kivo::catalogue
