#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "product_io/access_labels.h"
#include "product_io/product_types.h"

namespace kivo::io {

// How a label's dataset is stored.
enum StoredType : std::int32_t {
  kStoredI16 = 1,
  kStoredU16 = 2,
  kStoredF32 = 3,
  kStoredF64 = 4,
  kStoredI8 = 5,
  kStoredU8 = 6,
};

// What getData delivers.
enum OutputType : std::int32_t {
  kOutInt32 = 1,
  kOutUInt8 = 2,
  kOutFloat32 = 3,
  kOutFloat64 = 4,
};

// One row of a definition table.
struct LabelDef {
  std::int32_t nameIndex;
  std::int32_t storedType;
  std::int32_t permitInt;
  std::int32_t permitFloat;
  std::int32_t permitDouble;
  std::int32_t permitByte;
  std::int32_t rank;
  std::int32_t dim0;
  std::int32_t dim1;
  std::int32_t dim2;
  AccessLabel label;
  float scaleFactor;
  const char* unit;
};

// The nine definition tables, in the order of the fallback search.
enum class TableId : int {
  L1A = 0,
  L1B,
  L1R,
  L2,
  L3Daily10,
  L3Daily25,
  L3Monthly10,
  L3Monthly25,
  Geolocation,
};
inline constexpr int kTableCount = 9;

struct LabelTable {
  TableId id;
  std::vector<LabelDef> rows;
  std::vector<std::string> names;  // dataset names by name index; empty for the geolocation table
};

const LabelTable& labelTable(TableId id);

// First row of `table` with `label`, or nullptr.
const LabelDef* findInTable(const LabelTable& table, AccessLabel label);

// Dataset name of a row of `table` (empty when the table has no names).
std::string datasetName(const LabelTable& table, const LabelDef& row);

// Members of a composite label in concatenation order; a plain label is its own only member.
std::vector<AccessLabel> compositeMembers(AccessLabel label);
bool isComposite(AccessLabel label);

// Layer labels: the all-layers label of the family and the 0-based layer, or -1 for the
// all-layers label itself. Returns false for labels outside the layered families.
struct LayerInfo {
  AccessLabel allLayers;
  int layer;  // 0..2, or -1 for every layer the file holds
};
bool layerInfo(AccessLabel label, LayerInfo& info);
bool isLevel2GeophysicalLabel(AccessLabel label);

// Quality labels whose int32 reads expand every stored element into one entry per bit.
bool isBitExpandedLabel(AccessLabel label);

// How the positions of a geolocation label are obtained.
enum class PositionSource {
  Stored,            // its own latitude and longitude datasets
  CoRegistered,      // one low-frequency band, co-registered from pairs of 89 GHz A positions
  CoRegisteredMean,  // the mean of the six co-registered low-frequency bands
  Even89A,           // the first 89 GHz A position of every pair
  GridFile,          // the cells of the installation's grid position file
};

// One row per geolocation label.
struct GeolocationRule {
  AccessLabel label;
  PositionSource source;
  int band;                      // co-registration band 0..5 of CoRegistered rows, else -1
  const char* latitudeDataset;   // the stored positions read ("" for the grid file)
  const char* longitudeDataset;
};

// The rule of a geolocation label, or nullptr for any other label.
const GeolocationRule* geolocationRule(AccessLabel label);
bool isGeolocationLabel(AccessLabel label);
// Labels computed from pairs of 89 GHz A positions: one position per pair, so half the
// 89 GHz A pixel count per scan.
bool derivesFrom89A(AccessLabel geoLabel);

// The geolocation label whose positions belong to a data label (0 for none); in a Level 1R
// product the original 89 GHz labels use the Level 1R 89 GHz positions.
AccessLabel geolocationLabelOf(AccessLabel dataLabel, PrdctType prdctType);

// Latitude dataset that a geolocation label's dimensions are taken from ("" for the grid
// label; the 89 GHz A dataset for labels that are not geolocation labels).
const char* geolocationLatitudeDataset(AccessLabel label);
const char* geolocationLongitudeDataset(AccessLabel label);

}  // namespace kivo::io
