#include "export/value_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "product_model/value_grid.h"

namespace kivo::out {
namespace {

constexpr std::int32_t kCellMicro = 100000;  // one cell, in microdegrees
constexpr int kColumns = 3600;
constexpr int kMaxDecimals = 9;
constexpr std::size_t kBinaryHeaderSize = 512;
constexpr const char* kCredit = "Made with KIVO Meriview from the listed product files";
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kSectionTitles[3] = {"#Red Channel", "#Green Channel", "#Blue Channel"};

struct TitleUnit {
  const char* contains;
  const char* unit;
  const char* scale;
};

constexpr TitleUnit kAmsr2Titles[] = {
    {"Total Precipitable Water", "kg/(m^2)", "0.01"}, {"Cloud Liquid Water", "kg/(m^2)", "0.001"},
    {"Precipitation", "mm/h", "0.1"},                 {"Sea Surface Temperature", "\u2103", "0.01"},
    {"Sea Surface Wind speed", "m/s", "0.01"},        {"Sea Ice Concentration", "%", "0.1"},
    {"Snow Depth", "cm", "0.1"},                      {"Soil Moisture Content", "%", "0.1"},
    {"Brightness Temperature", "K", "0.01"},
};
constexpr TitleUnit kAmsrTitles[] = {
    {"Water Vapor", "kg/(m^2)", "0.1"},           {"Cloud liquid water", "kg/(m^2)", "0.001"},
    {"Precipitation", "mm/h", "0.1"},             {"Sea surface wind speed", "m/s", "0.1"},
    {"Sea surface temperature", "\u2103", "0.1"}, {"Sea ice concentration", "%", "1"},
    {"Soil moisture", "g/(cm^3)", "0.001"},       {"Snow water equivalent", "mm", "1"},
    {"Brightness temperature", "K", "0.1"},
};

bool isOneOf(const std::string& code, std::initializer_list<const char*> codes) {
  return std::any_of(codes.begin(), codes.end(), [&code](const char* c) { return code == c; });
}

void setScale(ExportUnit& u, const char* unit, const char* scale) {
  u.unit = unit;
  u.scale = scale;
  u.scaleValue = std::strtof(scale, nullptr);
}

// A text field of the header quoted when it holds a separator, so that CSV readers keep it whole.
std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Fixed-point text of a value as printf's "%.nf" writes it.
void appendFixed(std::string& out, double value, int decimals) {
  char text[400];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  if (r.ec == std::errc()) out.append(text, r.ptr);
}

std::string fixedText(double value, int decimals) {
  std::string text;
  appendFixed(text, value, decimals);
  return text;
}

// Degrees of a grid position in microdegrees, through single precision.
double degreesOf(std::int32_t micro) { return static_cast<float>(static_cast<double>(micro) / 1e6); }

// The request can be written: a value range, a path and the grids of every colour channel.
int checkRequest(const ValueExportRequest& request) {
  if (!request.rangeKnown || request.path.empty()) return kOutBadRequest;
  const int channels = request.composite ? 3 : 1;
  for (int c = 0; c < channels; ++c) {
    if (request.grids[static_cast<std::size_t>(c)].empty()) return kOutBadRequest;
  }
  return kOutOk;
}

int decimalsOf(const ValueExportSettings& s) { return clampInt(s.decimals, 0, kMaxDecimals); }

// The low 16 bits of a value divided by the scale and truncated toward zero.
std::uint16_t binaryValue(float value, float scale) {
  const float q = value / scale;
  constexpr float kLimit = 9.2e18f;
  std::int64_t whole = 0;
  if (std::isnan(q)) whole = 0;
  else if (q >= kLimit) whole = std::numeric_limits<std::int64_t>::max();
  else if (q <= -kLimit) whole = std::numeric_limits<std::int64_t>::min();
  else whole = static_cast<std::int64_t>(q);
  return static_cast<std::uint16_t>(static_cast<std::uint64_t>(whole) & 0xFFFFu);
}

int writeCsv(const ValueExportRequest& request, bool latLon) {
  if (const int bad = checkRequest(request); bad != kOutOk) return bad;
  const ExportUnit unit = exportUnitOf(request.product.productCode, request.product.title);
  const ExportGrid grid = exportGridOf(request.area);
  const int decimals = decimalsOf(request.settings);
  const int perLine = std::max(1, request.settings.recordsPerLine);
  const int marker = invalidMarker(request);
  const std::string markerText = fixedText(marker, decimals);

  OutputFile file;
  if (const int opened = file.open(request.path); opened != kOutOk) return opened;
  file.write(std::string(kCsvFieldNames) + kLineEnd + headerRecord(request.product, request.area, unit) + kLineEnd);

  try {
    // Longitudes of the columns and, per row, the latitude: formatted once.
    std::vector<std::string> lonTexts;
    if (latLon) {
      lonTexts.reserve(static_cast<std::size_t>(grid.width));
      for (int k = 0; k < grid.width; ++k) {
        lonTexts.push_back(fixedText(degreesOf(grid.column(k) * kCellMicro - 180000000), decimals));
      }
    }
    std::vector<float> cells;
    std::string text;
    text.reserve(static_cast<std::size_t>(grid.width) * (latLon ? 40 : 16) + 64);
    const int channels = request.composite ? 3 : 1;
    for (int c = 0; c < channels; ++c) {
      if (request.composite) file.write(std::string(kSectionTitles[c]) + kLineEnd);
      const int gathered = gatherValues(request.grids[static_cast<std::size_t>(c)], request.range, grid, cells);
      if (gathered != kOutOk) return gathered;
      for (int j = 0; j < grid.height; ++j) {
        text.clear();
        const float* row = cells.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(grid.width);
        std::string latText;
        if (latLon) latText = fixedText(degreesOf(grid.row(j) * kCellMicro - 90000000), decimals);
        for (int k = 0; k < grid.width; ++k) {
          if (k == 0) {
            if (j != 0) text += kLineEnd;
          } else if (latLon && k % perLine == 0) {
            text += kLineEnd;
          } else {
            text += ',';
          }
          if (latLon) {
            text += lonTexts[static_cast<std::size_t>(k)];
            text += ',';
            text += latText;
            text += ',';
          }
          if (std::isnan(row[k])) text += markerText;
          else appendFixed(text, row[k], decimals);
        }
        if (file.write(text) != kOutOk) return file.commit();
      }
      file.write(kLineEnd, 2);
    }
  } catch (const std::bad_alloc&) {
    return kOutNoMemory;
  }
  return file.commit();
}

}  // namespace

const char* const kCsvFieldNames =
    "satellite/sensor,pixel,line,Upper Left Latitude,Upper Left Longitude,Upper Right Latitude,"
    "Upper Right Longitude,Lower Left Latitude,Lower Left Longitude,Lower Right Latitude,Lower Right Longitude,"
    "unit,scale,offset,copyright,file name";

ExportGrid exportGridOf(const ExportArea& area) {
  ExportGrid g;
  const int l1 = area.lon1 / kCellMicro;  // truncated toward zero
  const int l2 = area.lon2 / kCellMicro;
  int span = l2 - l1;  // the width less one
  // An area whose second corner lies west of the first crosses the date line.
  if (span < 0) span = ((span % kColumns) + kColumns) % kColumns;
  g.width = std::min(span + 1, kColumns);
  g.firstColumn = ((l1 + 1800) % kColumns + kColumns) % kColumns;
  const int r1 = clampInt(area.lat1 / kCellMicro, -900, 900) + 900;
  const int r2 = clampInt(area.lat2 / kCellMicro, -900, 900) + 900;
  g.height = std::abs(r1 - r2) + 1;
  g.topRow = std::max(r1, r2);
  return g;
}

ExportUnit exportUnitOf(const std::string& code, const std::string& title) {
  ExportUnit u;
  const auto byTitle = [&u, &title](const auto& table) {
    for (const TitleUnit& t : table) {
      if (title.find(t.contains) != std::string::npos) {
        setScale(u, t.unit, t.scale);
        return;
      }
    }
  };
  if (isOneOf(code, {"AMSREL1A", "AMSR-L1A"})) {
    setScale(u, "", "0.1");
    u.offset = "55.0";
  } else if (code == "AMSR2-L1A") {
    setScale(u, "", "1");
  } else if (isOneOf(code, {"AMSREL1B", "AMSR-L1B", "AMSREL1M", "AMSR-L1M"})) {
    setScale(u, "K", "0.1");
    u.offset = "55.0";
  } else if (isOneOf(code, {"AMSR2-L1B", "AMSR2-L1R"})) {
    setScale(u, "K", "0.01");
    u.unsignedMarker = true;
  } else if (isOneOf(code, {"AMSR2-L2", "AMSR2-L3"})) {
    byTitle(kAmsr2Titles);
    u.unsignedMarker = u.unit == "K";
  } else if (isOneOf(code, {"AMSR-L2Map", "AMSR-L2", "AMSR-L3", "AMSR-E-L2", "AMSR-E-L2Map", "AMSR-E-L3"})) {
    byTitle(kAmsrTitles);
  }
  return u;
}

std::string headerRecord(const ExportProduct& product, const ExportArea& area, const ExportUnit& unit) {
  const std::string& name = product.displayName;
  const char* sensor = name.find("AMSR-E") != std::string::npos  ? "Aqua/AMSR-E"
                       : name.find("AMSR2") != std::string::npos ? "KIVO-S1/AMSR2"
                                                                 : "ADEOS-II/AMSR";
  std::int64_t dLon = static_cast<std::int64_t>(area.lon2) - area.lon1;
  if (area.lon2 < area.lon1) dLon += 360000000;
  const std::int64_t pixel = std::min<std::int64_t>(std::llabs(dLon) / kCellMicro, kColumns);
  const std::int64_t line = std::llabs(static_cast<std::int64_t>(area.lat1) - area.lat2) / kCellMicro + 1;
  const int upper = std::max(area.lat1, area.lat2) / 1000000;
  const int lower = std::min(area.lat1, area.lat2) / 1000000;
  const int left = area.lon1 / 1000000;
  const int right = area.lon2 / 1000000;
  std::string files;
  for (const std::string& f : product.fileNames) {
    if (!files.empty()) files += ' ';
    files += f;
  }
  std::string r = sensor;
  for (const std::int64_t v : {pixel, line, std::int64_t{upper}, std::int64_t{left}, std::int64_t{upper},
                               std::int64_t{right}, std::int64_t{lower}, std::int64_t{left}, std::int64_t{lower},
                               std::int64_t{right}}) {
    r += ',';
    r += std::to_string(v);
  }
  for (const std::string& text : {unit.unit, unit.scale, unit.offset, std::string(kCredit), files}) {
    r += ',';
    r += csvField(text);
  }
  return r;
}

int invalidMarker(const ValueExportRequest& request) {
  const bool unsignedKind = exportUnitOf(request.product.productCode, request.product.title).unsignedMarker;
  return unsignedKind ? request.settings.unsignedMarker : request.settings.signedMarker;
}

int gatherValues(const ChannelGrids& grids, const catalogue::ValueRange& range, const ExportGrid& grid,
                 std::vector<float>& cells) {
  if (grid.width <= 0 || grid.height <= 0 || grid.topRow - grid.height + 1 < 0 || grid.topRow >= model::kGridRows) {
    return kOutBadRequest;
  }
  const std::size_t width = static_cast<std::size_t>(grid.width);
  try {
    cells.assign(width * static_cast<std::size_t>(grid.height), std::numeric_limits<float>::quiet_NaN());
  } catch (const std::bad_alloc&) {
    return kOutNoMemory;
  }
  const float skip = range.invalid2;
  const float lo = range.minimum;
  const float hi = range.maximum;
  // Blocks of columns: the grid is read down its columns and the cells along their rows,
  // both close to sequentially.
  constexpr int kBlock = 32;
  std::array<const float*, kBlock> columns{};
  for (const float* values : grids) {
    if (values == nullptr) continue;
    for (int k0 = 0; k0 < grid.width; k0 += kBlock) {
      const int n = std::min(kBlock, grid.width - k0);
      for (int b = 0; b < n; ++b) columns[static_cast<std::size_t>(b)] = values + model::cellIndex(0, grid.column(k0 + b));
      for (int j = 0; j < grid.height; ++j) {
        const int r = grid.row(j);
        float* out = cells.data() + static_cast<std::size_t>(j) * width + static_cast<std::size_t>(k0);
        for (int b = 0; b < n; ++b) {
          const float v = columns[static_cast<std::size_t>(b)][r];
          if (v != skip && v >= lo && v <= hi) out[b] = v;
        }
      }
    }
  }
  return kOutOk;
}

int writeValuesCsv(const ValueExportRequest& request) { return writeCsv(request, false); }

int writeValuesCsvLatLon(const ValueExportRequest& request) { return writeCsv(request, true); }

int writeValuesBinary(const ValueExportRequest& request) {
  if (const int bad = checkRequest(request); bad != kOutOk) return bad;
  const ExportUnit unit = exportUnitOf(request.product.productCode, request.product.title);
  const ExportGrid grid = exportGridOf(request.area);
  const auto marker = static_cast<std::uint16_t>(static_cast<unsigned>(invalidMarker(request)) & 0xFFFFu);
  const bool little = request.settings.byteOrder == 1;

  // The header record padded with spaces and ended by one line feed; a longer record is cut
  // at a character boundary.
  std::string header = headerRecord(request.product, request.area, unit);
  if (header.size() > kBinaryHeaderSize - 1) {
    std::size_t cut = kBinaryHeaderSize - 1;
    while (cut > 0 && (static_cast<unsigned char>(header[cut]) & 0xC0u) == 0x80u) --cut;
    header.resize(cut);
  }
  header.resize(kBinaryHeaderSize - 1, ' ');
  header += '\n';

  OutputFile file;
  if (const int opened = file.open(request.path); opened != kOutOk) return opened;
  file.write(header);
  try {
    std::vector<float> cells;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(grid.width) * 2);
    const int channels = request.composite ? 3 : 1;
    for (int c = 0; c < channels; ++c) {
      const int gathered = gatherValues(request.grids[static_cast<std::size_t>(c)], request.range, grid, cells);
      if (gathered != kOutOk) return gathered;
      for (int j = 0; j < grid.height; ++j) {
        const float* row = cells.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(grid.width);
        for (int k = 0; k < grid.width; ++k) {
          const std::uint16_t v = std::isnan(row[k]) ? marker : binaryValue(row[k], unit.scaleValue);
          const auto hiByte = static_cast<unsigned char>(v >> 8);
          const auto loByte = static_cast<unsigned char>(v & 0xFFu);
          bytes[2 * static_cast<std::size_t>(k)] = little ? loByte : hiByte;
          bytes[2 * static_cast<std::size_t>(k) + 1] = little ? hiByte : loByte;
        }
        if (file.write(bytes.data(), bytes.size()) != kOutOk) return file.commit();
      }
    }
  } catch (const std::bad_alloc&) {
    return kOutNoMemory;
  }
  return file.commit();
}

}  // namespace kivo::out
