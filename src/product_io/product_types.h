#pragma once

// The seventeen product types, with what every layer asks of them: the product-name value
// that identifies a type, its display name, file format, sensor and processing level.

#include <iosfwd>
#include <string_view>

namespace kivo::io {

enum class PrdctType : int {
  AmsrEL1A = 0,
  AmsrEL1B = 1,
  AmsrEL1M = 2,
  AmsrEL2 = 3,
  AmsrEL2Map = 4,
  AmsrEL3 = 5,
  Amsr2L1A = 6,
  Amsr2L1B = 7,
  Amsr2L1R = 8,
  Amsr2L2 = 9,
  Amsr2L3 = 10,
  AmsrL1A = 11,
  AmsrL1B = 12,
  AmsrL1M = 13,
  AmsrL2 = 14,
  AmsrL2Map = 15,
  AmsrL3 = 16,
  None = 17,  // a product name that matched no entry
};
inline constexpr int kPrdctTypeCount = 17;

enum FileFormat : int { kFormatNone = -1, kFormatHdf5 = 0, kFormatHdf4 = 1 };
enum class Sensor { AmsrE, Amsr2, Amsr, None };
enum class Level { L1A, L1B, L1M, L1R, L2, L2Map, L3, None };

struct PrdctTypeInfo {
  PrdctType type;
  const char* nameValue;    // the "ProductName" (HDF4: "ShortName") value it begins with
  const char* displayName;  // "" for PrdctType::None
  FileFormat format;
  Sensor sensor;
  Level level;
  // Index (0-based, file order) of the root attribute that carries an HDF4 Level 3
  // projection, or -1.
  int projectionAttribute;
};

// The row of a type; PrdctType::None for anything out of range.
const PrdctTypeInfo& prdctInfo(PrdctType type);
// The type of an index 0..17 (anything else is PrdctType::None).
PrdctType prdctTypeOf(int index);
inline int indexOf(PrdctType type) { return static_cast<int>(type); }

inline bool isHdf4(PrdctType t) { return prdctInfo(t).format == kFormatHdf4; }
inline bool isAmsr2(PrdctType t) { return prdctInfo(t).sensor == Sensor::Amsr2; }
inline Level levelOf(PrdctType t) { return prdctInfo(t).level; }
inline bool isLevel1A(PrdctType t) { return levelOf(t) == Level::L1A; }
inline bool isLevel1M(PrdctType t) { return levelOf(t) == Level::L1M; }
// Level 2 swath products (not the Level 2 Map products).
inline bool isLevel2(PrdctType t) { return levelOf(t) == Level::L2; }
inline bool isLevel2Map(PrdctType t) { return levelOf(t) == Level::L2Map; }
inline bool isLevel3(PrdctType t) { return levelOf(t) == Level::L3; }

// The longest product-name value that begins `value` wins ("AMSR-E-L2Map..." is a Level 2
// Map product, not a Level 2 product whose name value it also begins with).
PrdctType prdctTypeFromProductName(std::string_view value);
PrdctType prdctTypeFromDisplayName(std::string_view displayName);

// The index and display name, for messages and test output.
std::ostream& operator<<(std::ostream& out, PrdctType type);

}  // namespace kivo::io
