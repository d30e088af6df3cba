// The value exports: the cells of an area, the header and unit table, and the CSV, binary and
// GeoTIFF files as other readers see them (Python's csv module, gdalinfo and GDAL's Python
// bindings); failures leave no file behind.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "export/geotiff_export.h"
#include "export/value_export.h"
#include "product_model/value_grid.h"
#include "run_command.h"
#include "temp_dir.h"

namespace out = kivo::out;
namespace model = kivo::model;
using kivo::test::readBytes;
using kivo::test::shellQuote;
using kivo::test::TempDir;
using kivo::test::writeBytes;

namespace {

constexpr std::int32_t deg(double d) { return static_cast<std::int32_t>(d * 1000000.0 + (d < 0 ? -0.5 : 0.5)); }
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// --- sources ----------------------------------------------------------------------------------

// A value grid with a distinct valid value in every cell: 20 + column % 400 + (row % 100) / 100.
std::vector<float> patternGrid() {
  std::vector<float> g(model::kGridCells);
  for (int c = 0; c < model::kGridCols; ++c) {
    for (int r = 0; r < model::kGridRows; ++r) g[model::cellIndex(r, c)] = 20.0f + static_cast<float>(c % 400) + static_cast<float>(r % 100) / 100.0f;
  }
  return g;
}
float patternValue(int row, int col) { return 20.0f + static_cast<float>(col % 400) + static_cast<float>(row % 100) / 100.0f; }

// Cells of the tests' area (10.0..10.4 E, 1.0..0.9 N: rows 910 and 909, columns 1900..1904)
// that no export may take: empty, an invalid code of either kind, beyond every range, NaN.
struct BadCell {
  int row, col;
  float value;
};
const BadCell kBadCells[] = {{910, 1901, model::kEmptyValue}, {910, 1902, 65535.0f}, {909, 1900, -32768.0f},
                             {909, 1903, 5000.0f},            {909, 1904, kNaN}};

// File A: the pattern with the bad cells. File B, shown after it: empty but for two cells, one
// valid (it wins) and one invalid (A's value stays).
struct Sources {
  std::vector<float> a = patternGrid();
  std::vector<float> b = std::vector<float>(model::kGridCells, model::kEmptyValue);
  Sources() {
    for (const BadCell& bad : kBadCells) a[model::cellIndex(bad.row, bad.col)] = bad.value;
    b[model::cellIndex(910, 1900)] = 123.0f;
    b[model::cellIndex(910, 1903)] = 65535.0f;
  }
};
const Sources& sources() {
  static const Sources s;
  return s;
}

// What the CSV and binary files should hold at a cell of the sources; NaN for the marker.
float expectedValue(int row, int col) {
  if (row == 910 && col == 1900) return 123.0f;
  for (const BadCell& bad : kBadCells) {
    if (bad.row == row && bad.col == col) return kNaN;
  }
  return patternValue(row, col);
}

const out::ExportArea kArea{deg(10.0), deg(1.0), deg(10.4), deg(0.9)};  // 5 x 2 cells

enum class Kind { kUnsigned, kSigned };

out::ValueExportRequest makeRequest(const std::string& path, const out::ExportArea& area, Kind kind) {
  out::ValueExportRequest r;
  r.path = path;
  r.area = area;
  if (kind == Kind::kUnsigned) {
    r.product = {"AMSR2 Level 1B", "AMSR2-L1B", "Brightness Temperature (89.0GHz-A,H)", {"x,1.h5", "b.h5"}};
    r.range = {65531, 65535, 500, 10};
  } else {
    r.product = {"AMSR2 Level 2", "AMSR2-L2", "Sea Surface Temperature", {"x,1.h5", "b.h5"}};
    r.range = {-32767, -32768, 1000, -40000};  // the second invalid code lies inside the range
  }
  r.rangeKnown = true;
  r.grids[0] = {sources().a.data(), sources().b.data()};
  return r;
}

void makeComposite(out::ValueExportRequest& r) {
  r.composite = true;
  r.grids[1] = {sources().b.data()};  // green: only B's one valid cell
  r.grids[2] = r.grids[0];
}

std::string fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

// --- other readers ----------------------------------------------------------------------------

QJsonDocument runJson(const std::string& command) {
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return {};
  std::string text;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  ::pclose(pipe);
  return QJsonDocument::fromJson(QByteArray::fromStdString(text));
}

std::string script() { return "/usr/bin/python3 " + shellQuote(KIVO_EXPORT_SCRIPT); }

// The rows of a CSV file as Python's csv module reads them.
std::vector<std::vector<std::string>> csvRows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  for (const QJsonValue& row : runJson(script() + " csv " + shellQuote(path)).array()) {
    std::vector<std::string> fields;
    for (const QJsonValue& f : row.toArray()) fields.push_back(f.toString().toStdString());
    rows.push_back(std::move(fields));
  }
  return rows;
}

// Every band's value at a pixel as GDAL's Python bindings read it.
std::vector<double> rasterValues(const std::string& path, int column, int row) {
  std::vector<double> values;
  const QJsonObject o =
      runJson(script() + " raster " + shellQuote(path) + " " + std::to_string(column) + " " + std::to_string(row)).object();
  for (const QJsonValue& v : o["values"].toArray()) values.push_back(v.toDouble());
  return values;
}

QJsonObject gdalinfo(const std::string& path) { return runJson("gdalinfo -json " + shellQuote(path)).object(); }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// --- the cells of an area -------------------------------------------------------------------

TEST(ExportArea, CellsAndHeaderCounts) {
  struct Case {
    const char* name;
    out::ExportArea area;
    int firstColumn, width, height, topRow, pixel, line;
  };
  const Case cases[] = {
      {"globe", out::kWholeGlobe, 0, 3600, 1801, 1800, 3600, 1801},
      {"10E to 20E: 101 cells, 100 pixels", {deg(10), deg(40), deg(20), deg(30)}, 1900, 101, 101, 1300, 100, 101},
      {"across the date line", {deg(170), deg(10), deg(-170), deg(-10)}, 3500, 201, 201, 1000, 200, 201},
      {"across it, east of 180 degrees", {deg(170), deg(10), deg(190), deg(-10)}, 3500, 201, 201, 1000, 200, 201},
      {"west of zero truncates toward zero", {deg(-0.05), deg(0.25), deg(0.25), deg(0.05)}, 1800, 3, 3, 902, 3, 3},
      {"latitudes beyond the poles", {deg(-180), deg(95), deg(-179.9), deg(89.9)}, 0, 2, 2, 1800, 1, 52},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const out::ExportGrid g = out::exportGridOf(c.area);
    EXPECT_EQ(g.firstColumn, c.firstColumn);
    EXPECT_EQ(g.width, c.width);
    EXPECT_EQ(g.height, c.height);
    EXPECT_EQ(g.topRow, c.topRow);
    const std::vector<std::string> header = split(out::headerRecord({}, c.area, {}), ',');
    ASSERT_GE(header.size(), 3u);
    EXPECT_EQ(header[1], std::to_string(c.pixel));
    EXPECT_EQ(header[2], std::to_string(c.line));
  }
}

TEST(ExportHeader, UnitTableAndRecord) {
  struct Case {
    const char* code;
    const char* title;
    const char* unit;
    const char* scale;
    const char* offset;
    bool unsignedMarker;
  };
  const Case cases[] = {
      {"AMSR2-L1B", "Brightness Temperature (6.9GHz,V)", "K", "0.01", "0", true},
      {"AMSR2-L1A", "", "", "1", "0", false},
      {"AMSREL1A", "", "", "0.1", "55.0", false},
      {"AMSR-L1M", "", "K", "0.1", "55.0", false},
      {"AMSR2-L2", "Sea Surface Temperature", "\u2103", "0.01", "0", false},
      {"AMSR2-L3", "Brightness Temperature (36.5GHz) H", "K", "0.01", "0", true},
      {"AMSR2-L2", "Something New", "", "1", "0", false},
      {"AMSR-E-L2", "Sea ice concentration", "%", "1", "0", false},
      {"AMSR2-L1Bx", "Brightness Temperature", "", "1", "0", false},  // codes match exactly
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + c.title);
    const out::ExportUnit u = out::exportUnitOf(c.code, c.title);
    EXPECT_EQ(u.unit, c.unit);
    EXPECT_EQ(u.scale, c.scale);
    EXPECT_EQ(u.offset, c.offset);
    EXPECT_EQ(u.unsignedMarker, c.unsignedMarker);
  }

  const out::ExportProduct product{"AMSR-E Level 2", "AMSR-E-L2", "Water Vapor", {"a.00", "b.00"}};
  const std::vector<std::string> f =
      split(out::headerRecord(product, {deg(-20.5), deg(-10.5), deg(30.5), deg(40.5)}, out::exportUnitOf("AMSR-E-L2", "Water Vapor")), ',');
  ASSERT_EQ(f.size(), 16u);
  const std::vector<std::string> expected = {"Aqua/AMSR-E", "510", "511", "40", "-20", "40", "30", "-10",
                                             "-20",         "-10", "30",  "kg/(m^2)", "0.1", "0"};
  EXPECT_EQ(std::vector<std::string>(f.begin(), f.begin() + 14), expected);
  EXPECT_EQ(f[15], "a.00 b.00");
  EXPECT_EQ(split(out::headerRecord({"AMSR Level 1B", "", "", {}}, kArea, {}), ',')[0], "ADEOS-II/AMSR");
  EXPECT_EQ(split(out::headerRecord({"AMSR2 Level 1R", "", "", {}}, kArea, {}), ',')[0], "KIVO-S1/AMSR2");
}

// --- CSV ---------------------------------------------------------------------------------------

TEST(CsvExport, ValuesAsPythonReadsThem) {
  struct Case {
    const char* name;
    Kind kind;
    int decimals;
    bool composite;
    const char* marker;
  };
  const Case cases[] = {
      {"unsigned, three decimals", Kind::kUnsigned, 3, false, "65535.000"},
      {"signed, three decimals", Kind::kSigned, 3, false, "-9999.000"},
      {"no decimals: integers without a point", Kind::kUnsigned, 0, false, "65535"},
      {"composite sections", Kind::kSigned, 1, true, "-9999.0"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("values.csv");
    out::ValueExportRequest r = makeRequest(path, kArea, c.kind);
    r.settings.decimals = c.decimals;
    if (c.composite) makeComposite(r);
    ASSERT_EQ(out::writeValuesCsv(r), out::kOutOk);

    const std::string raw = readBytes(path);
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
    for (std::size_t at = raw.find('\n'); at != std::string::npos; at = raw.find('\n', at + 1)) {
      ASSERT_TRUE(at > 0 && raw[at - 1] == '\r') << "a line ends without CR at byte " << at;
    }

    const auto rows = csvRows(path);
    const int channels = c.composite ? 3 : 1;
    ASSERT_EQ(rows.size(), 2u + static_cast<std::size_t>(channels) * (c.composite ? 3u : 2u));
    EXPECT_EQ(rows[0], split(out::kCsvFieldNames, ','));
    ASSERT_EQ(rows[1].size(), 16u);
    EXPECT_EQ(rows[1][1], "4");
    EXPECT_EQ(rows[1][2], "2");
    EXPECT_EQ(rows[1][15], "x,1.h5 b.h5");  // a separator inside a file name stays in its field
    std::size_t at = 2;
    for (int ch = 0; ch < channels; ++ch) {
      if (c.composite) {
        const char* titles[] = {"#Red Channel", "#Green Channel", "#Blue Channel"};
        EXPECT_EQ(rows[at++], std::vector<std::string>{titles[ch]});
      }
      for (int j = 0; j < 2; ++j, ++at) {
        ASSERT_EQ(rows[at].size(), 5u);
        for (int k = 0; k < 5; ++k) {
          const int row = 910 - j;
          const int col = 1900 + k;
          float v = expectedValue(row, col);
          if (ch == 1) v = (row == 910 && col == 1900) ? 123.0f : kNaN;  // green is file B alone
          EXPECT_EQ(rows[at][static_cast<std::size_t>(k)], std::isnan(v) ? c.marker : fixed(v, c.decimals))
              << "cell " << j << "," << k;
        }
      }
    }
  }
}

TEST(CsvExport, LatLonRecordsPerLine) {
  TempDir dir;
  for (const int perLine : {1, 2, 5, 256}) {
    SCOPED_TRACE("records per line " + std::to_string(perLine));
    const std::string path = dir.file("latlon.csv");
    out::ValueExportRequest r = makeRequest(path, kArea, Kind::kUnsigned);
    r.settings.recordsPerLine = perLine;
    ASSERT_EQ(out::writeValuesCsvLatLon(r), out::kOutOk);
    const auto rows = csvRows(path);
    const int linesPerRow = (5 + std::min(perLine, 5) - 1) / std::min(perLine, 5);
    ASSERT_EQ(rows.size(), 2u + 2u * static_cast<std::size_t>(linesPerRow));
    std::size_t line = 2;
    for (int j = 0; j < 2; ++j) {
      int k = 0;
      for (int l = 0; l < linesPerRow; ++l, ++line) {
        const std::vector<std::string>& fields = rows[line];
        ASSERT_EQ(fields.size() % 3, 0u);
        for (std::size_t t = 0; t < fields.size(); t += 3, ++k) {
          EXPECT_EQ(fields[t], fixed(10.0 + 0.1 * k, 3));
          EXPECT_EQ(fields[t + 1], j == 0 ? "1.000" : "0.900");
          const float v = expectedValue(910 - j, 1900 + k);
          EXPECT_EQ(fields[t + 2], std::isnan(v) ? "65535.000" : fixed(v, 3));
        }
      }
      EXPECT_EQ(k, 5) << "every cell of grid row " << j << " once";
    }
  }
}

// --- binary ------------------------------------------------------------------------------------

TEST(BinaryExport, HeaderAndValuesInBothByteOrders) {
  struct Case {
    const char* name;
    Kind kind;
    int byteOrder;
    bool composite;
    std::uint16_t marker;
  };
  const Case cases[] = {
      {"unsigned, big-endian", Kind::kUnsigned, 0, false, 0xFFFF},
      {"unsigned, little-endian", Kind::kUnsigned, 1, false, 0xFFFF},
      {"signed, little-endian, composite", Kind::kSigned, 1, true, static_cast<std::uint16_t>(-9999)},
  };
  TempDir dir;
  // 300.5 K of AMSR2 Level 1B (scale 0.01) is 30050; a negative value truncates toward zero.
  std::vector<float> special(model::kGridCells, model::kEmptyValue);
  special[model::cellIndex(910, 1901)] = 300.5f;
  special[model::cellIndex(910, 1902)] = -1.5f;  // invalid for Level 1B, -150 for the signed product
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("values.bin");
    out::ValueExportRequest r = makeRequest(path, kArea, c.kind);
    r.grids[0].push_back(special.data());
    r.settings.byteOrder = c.byteOrder;
    if (c.composite) makeComposite(r);
    ASSERT_EQ(out::writeValuesBinary(r), out::kOutOk);

    const std::string bytes = readBytes(path);
    const int channels = c.composite ? 3 : 1;
    ASSERT_EQ(bytes.size(), 512u + 2u * 10u * static_cast<std::size_t>(channels));
    const std::string record = out::headerRecord(r.product, kArea, out::exportUnitOf(r.product.productCode, r.product.title));
    EXPECT_EQ(bytes.substr(0, record.size()), record);
    EXPECT_EQ(bytes.substr(record.size(), 511 - record.size()), std::string(511 - record.size(), ' '));
    EXPECT_EQ(bytes[511], '\n');

    const auto word = [&](std::size_t index) {
      const auto b0 = static_cast<unsigned char>(bytes[512 + 2 * index]);
      const auto b1 = static_cast<unsigned char>(bytes[512 + 2 * index + 1]);
      return static_cast<std::uint16_t>(c.byteOrder == 1 ? (b1 << 8 | b0) : (b0 << 8 | b1));
    };
    EXPECT_EQ(word(1), 30050);
    EXPECT_EQ(word(2), c.kind == Kind::kSigned ? static_cast<std::uint16_t>(-150) : c.marker);
    EXPECT_EQ(word(0), 12300);  // file B's 123 K
    EXPECT_EQ(word(5 + 3), c.marker);  // 5000: beyond every range
    EXPECT_EQ(word(5 + 1), static_cast<std::uint16_t>(static_cast<int>(patternValue(909, 1901) / 0.01f)));
    if (c.composite) {
      EXPECT_EQ(word(10), 12300);       // green: file B alone
      EXPECT_EQ(word(11), c.marker);
      EXPECT_EQ(word(20 + 1), 30050);  // blue as red
    }
  }
}

// --- GeoTIFF and the date line in every format -------------------------------------------------

TEST(GeoTiffExport, GdalSeesGridNodataAndMetadata) {
  TempDir dir;
  for (const Kind kind : {Kind::kUnsigned, Kind::kSigned}) {
    const bool composite = kind == Kind::kSigned;
    SCOPED_TRACE(composite ? "signed composite" : "unsigned");
    const std::string path = dir.file("values.tif");
    out::ValueExportRequest r = makeRequest(path, kArea, kind);
    if (composite) makeComposite(r);
    ASSERT_EQ(out::writeValuesGeoTiff(r), out::kOutOk);
    const QJsonObject info = gdalinfo(path);
    ASSERT_FALSE(info.isEmpty());
    EXPECT_EQ(info["driverShortName"].toString(), "GTiff");
    EXPECT_EQ(info["size"].toArray(), (QJsonArray{5, 2}));
    const QJsonArray t = info["geoTransform"].toArray();
    ASSERT_EQ(t.size(), 6);
    EXPECT_NEAR(t[0].toDouble(), 9.95, 1e-9);
    EXPECT_NEAR(t[1].toDouble(), 0.1, 1e-12);
    EXPECT_NEAR(t[3].toDouble(), 1.05, 1e-9);
    EXPECT_NEAR(t[5].toDouble(), -0.1, 1e-12);
    EXPECT_NE(info["coordinateSystem"].toObject()["wkt"].toString().indexOf("ID[\"EPSG\",4326]"), -1);
    const QJsonArray bands = info["bands"].toArray();
    ASSERT_EQ(bands.size(), composite ? 3 : 1);
    const double marker = composite ? -9999 : 65535;
    for (const QJsonValue& b : bands) {
      EXPECT_EQ(b.toObject()["type"].toString(), "Float32");
      EXPECT_EQ(b.toObject()["noDataValue"].toDouble(), marker);
      EXPECT_EQ(b.toObject()["unit"].toString(), composite ? "\u2103" : "K");
    }
    const QJsonObject metadata = info["metadata"].toObject()[""].toObject();
    EXPECT_EQ(metadata["TITLE"].toString().toStdString(), r.product.title);
    EXPECT_EQ(metadata["UNIT"].toString(), composite ? "\u2103" : "K");

    // An invalid cell is nodata; file B's value won over A's.
    EXPECT_EQ(rasterValues(path, 2, 0).front(), marker);
    const std::vector<double> first = rasterValues(path, 0, 0);
    ASSERT_EQ(first.size(), bands.size());
    EXPECT_EQ(first.front(), 123.0);
  }
}

TEST(ValueExports, AreaAcrossTheDateLineInEveryFormat) {
  TempDir dir;
  // 179.5 E eastward to 179.5 W: grid columns 3595..3599 and 0..5; 1.0 N to 0.0.
  const out::ExportArea area{deg(179.5), deg(1.0), deg(-179.5), deg(0.0)};
  const int col[11] = {3595, 3596, 3597, 3598, 3599, 0, 1, 2, 3, 4, 5};
  const std::string csv = dir.file("dateline.csv");
  const std::string bin = dir.file("dateline.bin");
  const std::string tif = dir.file("dateline.tif");
  ASSERT_EQ(out::writeValuesCsv(makeRequest(csv, area, Kind::kUnsigned)), out::kOutOk);
  ASSERT_EQ(out::writeValuesBinary(makeRequest(bin, area, Kind::kUnsigned)), out::kOutOk);
  ASSERT_EQ(out::writeValuesGeoTiff(makeRequest(tif, area, Kind::kUnsigned)), out::kOutOk);

  const auto rows = csvRows(csv);
  ASSERT_EQ(rows.size(), 2u + 11u);
  EXPECT_EQ(rows[1][1], "10");
  const std::string bytes = readBytes(bin);
  ASSERT_EQ(bytes.size(), 512u + 2u * 11u * 11u);
  for (int j : {0, 3, 10}) {
    ASSERT_EQ(rows[2 + static_cast<std::size_t>(j)].size(), 11u);
    for (int k = 0; k < 11; ++k) {
      const float v = patternValue(910 - j, col[k]);
      EXPECT_EQ(rows[2 + static_cast<std::size_t>(j)][static_cast<std::size_t>(k)], fixed(v, 3)) << j << "," << k;
      const std::size_t at = 512 + 2 * static_cast<std::size_t>(j * 11 + k);
      const int stored = static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
      EXPECT_EQ(stored, static_cast<int>(v / 0.01f)) << j << "," << k;
    }
  }

  const QJsonObject info = gdalinfo(tif);
  EXPECT_EQ(info["size"].toArray(), (QJsonArray{11, 11}));
  const QJsonArray t = info["geoTransform"].toArray();
  ASSERT_EQ(t.size(), 6);
  EXPECT_NEAR(t[0].toDouble(), 179.45, 1e-9);  // east of 180 degrees the longitudes go on
  EXPECT_NEAR(t[3].toDouble(), 1.05, 1e-9);
  // The value GDAL reads east of the date line is the one the CSV file holds there.
  const std::vector<double> v = rasterValues(tif, 7, 3);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(fixed(v[0], 3), rows[2 + 3][7]);
}

// --- failures ----------------------------------------------------------------------------------

using Writer = int (*)(const out::ValueExportRequest&);
struct NamedWriter {
  const char* name;
  Writer write;
};
const NamedWriter kWriters[] = {
    {"csv", out::writeValuesCsv}, {"binary", out::writeValuesBinary}, {"geotiff", out::writeValuesGeoTiff}};

// Runs `work` in a child process and gives its exit status (-1 when it did not exit).
int inChild(const std::function<int()>& work) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(work());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(ValueExportFailures, LeaveNoFileAndSayWhy) {
  for (const NamedWriter& w : kWriters) {
    SCOPED_TRACE(w.name);
    TempDir dir;
    const std::string folder = std::filesystem::path(dir.file("x")).parent_path().string();

    EXPECT_EQ(w.write(makeRequest(dir.file("missing/values.out"), kArea, Kind::kUnsigned)), out::kOutFolderUnusable);
    writeBytes(dir.file("plain"), "a file");
    EXPECT_EQ(w.write(makeRequest(dir.file("plain/values.out"), kArea, Kind::kUnsigned)), out::kOutFolderUnusable);
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_EQ(w.write(makeRequest(dir.file("folder"), kArea, Kind::kUnsigned)), out::kOutPathIsFolder);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("folder")));

    // A folder the writer may not write to (root is turned into nobody for it).
    const std::string locked = dir.file("locked");
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0555);
    EXPECT_EQ(inChild([&] {
                if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 99;
                return w.write(makeRequest(locked + "/values.out", kArea, Kind::kUnsigned));
              }),
              out::kOutFolderUnusable);
    EXPECT_TRUE(std::filesystem::is_empty(locked));

    // A full disk part way through the whole globe: the old file under the name stays as it was.
    const std::string path = dir.file("globe.out");
    writeBytes(path, "the previous export");
    EXPECT_EQ(inChild([&] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{16 * 1024, 16 * 1024};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 99;
                return w.write(makeRequest(path, out::kWholeGlobe, Kind::kUnsigned));
              }),
              out::kOutDiskFull);
    EXPECT_EQ(readBytes(path), "the previous export");
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"folder", "globe.out", "locked", "plain"}));
  }
}

TEST(ValueExportFailures, NothingToWrite) {
  TempDir dir;
  for (const NamedWriter& w : kWriters) {
    SCOPED_TRACE(w.name);
    out::ValueExportRequest noRange = makeRequest(dir.file("a.out"), kArea, Kind::kUnsigned);
    noRange.rangeKnown = false;
    EXPECT_EQ(w.write(noRange), out::kOutBadRequest);
    out::ValueExportRequest noBlue = makeRequest(dir.file("a.out"), kArea, Kind::kUnsigned);
    makeComposite(noBlue);
    noBlue.grids[2].clear();
    EXPECT_EQ(w.write(noBlue), out::kOutBadRequest);
  }
  EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(dir.file("x")).parent_path()));
}

}  // namespace
