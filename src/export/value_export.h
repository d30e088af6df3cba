#pragma once

// The values of a shown product for a geographic area as files: CSV of values, CSV of
// longitude, latitude and value, and binary dumps of 16-bit integers behind a 512-byte text
// header. Every export is a regular grid of 0.1-degree cells taken from the products'
// 0.1-degree value grids; the map view fills the request from its product and settings.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "export/output_file.h"
#include "product_model/catalogue.h"

namespace kivo::out {

// The area of an export: two corners in microdegrees. The second corner's longitude may lie
// west of the first one's: the area then crosses the date line.
struct ExportArea {
  std::int32_t lon1 = -180000000;
  std::int32_t lat1 = -90000000;
  std::int32_t lon2 = 180000000;
  std::int32_t lat2 = 90000000;
};
inline constexpr ExportArea kWholeGlobe{};

// The cells of an area: `width` columns from `firstColumn` eastward (taken modulo 3600) and
// `height` rows from `topRow` southward, in value grid rows and columns.
struct ExportGrid {
  int firstColumn = 0;
  int width = 0;
  int height = 0;
  int topRow = 0;
  // Value grid column and row of export cell (row j from the top, column k from the west).
  int column(int k) const { return (firstColumn + k) % 3600; }
  int row(int j) const { return topRow - j; }
};
ExportGrid exportGridOf(const ExportArea& area);

// What the header tells of the product.
struct ExportProduct {
  std::string displayName;             // "AMSR2 Level 1B", ...
  std::string productCode;             // the first file's "ShortName" or "ProductName" value
  std::string title;                   // the first file's title for the first channel, without unit
  std::vector<std::string> fileNames;  // every file of the view, without folder, in display order
};

// Unit, scale and offset of a product, and whether its invalid marker is the unsigned one.
struct ExportUnit {
  std::string unit;
  std::string scale = "1";
  std::string offset = "0";
  float scaleValue = 1.0f;
  bool unsignedMarker = false;
};
ExportUnit exportUnitOf(const std::string& productCode, const std::string& title);

// The header record: sensor, pixel and line counts, the four corners, unit, scale, offset,
// data credit and the file names, joined by commas.
std::string headerRecord(const ExportProduct& product, const ExportArea& area, const ExportUnit& unit);
// The line of field names the CSV files begin with.
extern const char* const kCsvFieldNames;

// The output settings of the view.
struct ValueExportSettings {
  int byteOrder = 1;          // binary: 1 little-endian, anything else big-endian
  int signedMarker = -9999;   // invalid data of signed products
  int unsignedMarker = 65535; // invalid data of unsigned products
  int recordsPerLine = 1;     // CSV with latitude and longitude: cells per line
  int decimals = 3;           // CSV: digits after the decimal point
};

// One value grid (model::kGridCells values, column by column) per product file of a colour
// channel, in display order; a null grid (not filled yet) contributes nothing.
using ChannelGrids = std::vector<const float*>;

struct ValueExportRequest {
  std::string path;
  ExportArea area = kWholeGlobe;
  ExportProduct product;
  catalogue::ValueRange range;  // which values are exported; others keep the invalid marker
  bool rangeKnown = false;      // false: the product type has no value range, nothing is written
  bool composite = false;
  std::array<ChannelGrids, 3> grids;  // red (single channel), green, blue
  ValueExportSettings settings;
};

// The cells of one colour channel, row by row from the top and west to east; NaN marks a
// cell without a valid value. Later files overwrite earlier ones where they hold valid values.
int gatherValues(const ChannelGrids& grids, const catalogue::ValueRange& range, const ExportGrid& grid,
                 std::vector<float>& cells);
// The invalid marker of a request's product.
int invalidMarker(const ValueExportRequest& request);

// The writers: kOutOk or an OutputResult. A failure leaves no file under `path` (an existing
// file stays as it was).
int writeValuesCsv(const ValueExportRequest& request);
int writeValuesCsvLatLon(const ValueExportRequest& request);
int writeValuesBinary(const ValueExportRequest& request);

}  // namespace kivo::out
