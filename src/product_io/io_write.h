#pragma once

// The writing half of the product I/O library: creating an AMSR2 product, creating its
// labelled datasets with fill values and "SCALE FACTOR"/"UNIT" attributes, writing values
// converted back through the scale factor, positions and scan-quality records, and writing
// root attributes as text.

#include <cstdint>
#include <vector>

#include "product_io/amsr2_io.h"
#include "product_io/lat_lon.h"

namespace kivo::io {

// Access modes of createProduct.
inline constexpr int kOutputUpdate = 1;  // open an existing file for update
inline constexpr int kOutputCreate = 2;  // create, truncating an existing file

// What a new dataset of each stored type holds until values are written.
inline constexpr std::int16_t kFillI16 = -32766;
inline constexpr std::uint16_t kFillU16 = 65533;
inline constexpr float kFillFloat = -9997.0f;
inline constexpr std::uint8_t kFillU8 = 253;
inline constexpr std::int8_t kFillI8 = static_cast<std::int8_t>(-3);  // the byte 253

// What a value converted back is stored as when the stored integer type cannot hold it.
inline constexpr std::int16_t kOverflowI16 = -32768;
inline constexpr std::uint16_t kOverflowU16 = 65535;
inline constexpr std::uint8_t kOverflowU8 = 255;
inline constexpr std::int8_t kOverflowI8 = -128;

// Creates (mode 2) or opens for update (mode 1) a product; the handle (> 0), -501 when the
// file cannot be created or opened, -238 for another mode.
ProductHandle createProduct(const char* path, int mode);
// Flushes and closes an output; 0 or -502.
int closeOutput(ProductHandle handle);

// Creates the dataset of a label with the given extents (dims[0] only: rank 1; dims[0] and
// dims[1]: rank 2; all three: rank 3; the rank must be the label's). Geolocation labels of
// stored positions create their latitude and longitude pair. A dataset that exists already
// is left as it is (0).
int setDimSize(ProductHandle handle, AccessLabel label, const DimSize& dims);

// Root attributes, written as one-element arrays of variable-length strings.
// By name: opens the attribute or creates it.
int setMetaDataName(ProductHandle handle, const char* name, const char* text);
// By index, 1-based in file order as getMetaData reads it (index <= 0: -214).
int setMetaData(ProductHandle handle, int index, const char* text);

// Dataset attributes "UNIT" (fixed-length string of the text's length + 1) and
// "SCALE FACTOR" (32-bit float), created or replaced.
int setUnit(std::int64_t dataset, const char* text);
int setScaleFactor(std::int64_t dataset, float value);

// Writes a labelled dataset for a scan range (1-based, inclusive, after the overlap scans;
// kAllScans, kAllScans for every row). Values are converted back through the dataset's
// "SCALE FACTOR"; values that are invalid for the stored type are stored unchanged, and an
// integer that the stored type cannot hold is stored as its overflow code above. Level 2 and
// Level 3 geophysical labels are written layer by layer; the bit-expanded quality labels
// take int32 entries of one bit each. The buffer holds at least the selection's elements.
int setData(ProductHandle handle, const std::vector<std::int32_t>& buffer, int begin, int end, AccessLabel label);
int setData(ProductHandle handle, const std::vector<std::uint8_t>& buffer, int begin, int end, AccessLabel label);
int setData(ProductHandle handle, const std::vector<float>& buffer, int begin, int end, AccessLabel label);
int setData(ProductHandle handle, const std::vector<double>& buffer, int begin, int end, AccessLabel label);

// The inverses of getLatLon (labels of stored positions only) and getScanQuality.
int setLatLon(ProductHandle handle, const std::vector<LatLon>& positions, int begin, int end, AccessLabel label);
int setScanQuality(ProductHandle handle, const std::vector<std::uint8_t>& bytes, int begin, int end,
                   AccessLabel label);

}  // namespace kivo::io
