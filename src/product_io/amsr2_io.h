#pragma once

// The product I/O library for AMSR2 HDF5 products: datasets addressed by access labels,
// scale factors applied, invalid values passed through, root attributes read as text.

#include <cstdint>
#include <string>
#include <vector>

#include "product_io/io_errors.h"
#include "product_io/label_tables.h"

namespace kivo::io {

// An HDF5 file identifier; 0 means no file.
using ProductHandle = std::int64_t;

// Scan range value meaning "the whole dataset, overlap scans included" (as begin and end).
inline constexpr int kAllScans = -9999;

struct DimSize {
  std::int32_t dims[3] = {0, 0, 0};
};

// Opens a product read-only; returns the handle (> 0) or -501.
ProductHandle openProduct(const char* path);
int closeProduct(ProductHandle handle);

// Rank (1..3) of the label's dataset, with its extents adjusted for derived labels.
int getDimSize(ProductHandle handle, AccessLabel label, DimSize& dims);

// Root attributes as text. The result is the text length.
int getMetaDataByName(ProductHandle handle, const char* name, std::string& text);
int getMetaData(ProductHandle handle, int index, std::string& text);  // index 1-based, file order
// Reads a string attribute given its HDF5 attribute identifier.
int getAttribute(std::int64_t attribute, std::string& text);

// Number of root attributes (0 on failure) and the name of one (index 1-based, file order).
int getMetaDataCount(ProductHandle handle);
int getMetaDataName(ProductHandle handle, int index, std::string& name);

// Reads a labelled dataset converted to the element type of `buffer`; the buffer is resized
// to the delivered element count, which is also the result. Scans are 1-based, inclusive and
// counted after the overlap scans; kAllScans, kAllScans reads every row.
int getData(ProductHandle handle, std::vector<std::int32_t>& buffer, int begin, int end, AccessLabel label);
int getData(ProductHandle handle, std::vector<std::uint8_t>& buffer, int begin, int end, AccessLabel label);
int getData(ProductHandle handle, std::vector<float>& buffer, int begin, int end, AccessLabel label);
int getData(ProductHandle handle, std::vector<double>& buffer, int begin, int end, AccessLabel label);

// Level 3 whole-grid read as float32.
int getGridData(ProductHandle handle, std::vector<float>& buffer, AccessLabel label);

// "Scan Data Quality" as 512 raw bytes per scan; the result is the number of scans.
int getScanQuality(ProductHandle handle, std::vector<std::uint8_t>& buffer, int begin, int end, AccessLabel label);

// The definition row and dataset name of a label for this product (0, or -217 / an
// attribute error).
int findLabelDef(ProductHandle handle, AccessLabel label, const LabelDef*& row, std::string& name);

// Overlap scans of the product ("OverlapScans", then "OverLapScans"; 0 for Level 3).
int getOverlapScans(ProductHandle handle);

}  // namespace kivo::io
