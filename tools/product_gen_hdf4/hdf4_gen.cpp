#include "hdf4_gen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <span>
#include <system_error>
#include <vector>

#include "earth_model.h"
#include "grids.h"
#include "orbit.h"

// The HDF4 headers define macros with common names (MIN, MAX, TRUE, ...); they stay here.
#include <mfhdf.h>

namespace kivo::gen {
namespace {

namespace model = kivo::gen::model;
namespace orbit = kivo::gen::orbit;

constexpr double kDeg = std::numbers::pi / 180.0;

// ---------------------------------------------------------------------------------------
// Sensors, levels and quantities

struct SensorInfo {
  const char* sensorName;    // "SensorShortName"
  const char* platformName;  // "PlatformShortName"
  const char* fileTag;       // file name prefix
  const char* granulePrefix; // first five characters of the granule identifier
  const char* shortNames[6]; // by Hdf4Level
  int orbitOfDay;            // orbit number of the first pass on the product day
  double coRegA1[6];         // 6, 10, 18, 23, 36, 50 GHz: along the scan
  double coRegA2[6];         // across the scan
};

const SensorInfo kAmsrE = {"AMSR-E",
                           "Aqua",
                           "AMSR-E",
                           "P1AME",
                           {"AMSREL1A", "AMSREL1B", "AMSREL1M", "AMSR-E-L2", "AMSR-E-L2Map", "AMSR-E_L3"},
                           5960,
                           {0.23741, 0.19562, 0.31408, 0.27115, 0.15873, 0.40226},
                           {0.11304, 0.09127, 0.05286, 0.06411, 0.03159, 0.08342}};
const SensorInfo kAmsr = {"AMSR",
                          "ADEOS-II",
                          "AMSR",
                          "P1AMR",
                          {"AMSR-L1A", "AMSR-L1B", "AMSR-L1M", "AMSR-L2", "AMSR-L2Map", "AMSR_L3"},
                          2510,
                          {0.21466, 0.18235, 0.29517, 0.25883, 0.14702, 0.38159},
                          {0.10428, 0.08714, 0.04907, 0.05836, 0.02861, 0.07763}};

const SensorInfo& sensorInfo(Hdf4Sensor s) { return s == Hdf4Sensor::AmsrE ? kAmsrE : kAmsr; }
int levelIndex(Hdf4Level l) { return static_cast<int>(l); }
bool isLevel1(Hdf4Level l) { return l == Hdf4Level::L1A || l == Hdf4Level::L1B || l == Hdf4Level::L1M; }
bool isGrid(Hdf4Level l) { return l == Hdf4Level::L2Map || l == Hdf4Level::L3; }
const char* levelText(Hdf4Level l) {
  static const char* const kText[] = {"1A", "1B", "1M", "2", "2Map", "3"};
  return kText[levelIndex(l)];
}

// A Level 2/3 quantity: how the model value becomes the stored 16-bit number.
struct QuantityInfo {
  const char* code;
  const char* name;  // "GeophysicalName"; the viewer derives titles and units from it
  const char* unit;
  const char* scale;      // stored value x scale = value in unit
  double storedPerUnit;   // stored = round(model value x storedPerUnit)
  int footprint;          // earth model frequency index whose footprint the retrieval sees
  bool brightness;        // brightness temperature of model frequency `footprint`, V
  model::Quantity quantity;
};

const QuantityInfo kQuantities[] = {
    {"WV0", "Water Vapor", "kg/m2", "0.1", 10.0, 4, false, model::Quantity::TPW},
    {"CLW", "Cloud Liquid Water", "kg/m2", "0.001", 1000.0, 5, false, model::Quantity::CLW},
    {"AP0", "Precipitation", "mm/h", "0.1", 10.0, 6, false, model::Quantity::PRC},
    {"SSW", "Sea Surface Wind Speed", "m/s", "0.1", 10.0, 2, false, model::Quantity::SSW},
    {"SST", "Sea Surface Temperature", "degC", "0.1", 10.0, 0, false, model::Quantity::SST},
    {"IC0", "Sea Ice Concentration", "%", "1", 1.0, 5, false, model::Quantity::SIC},
    // The model's soil moisture is in percent by volume, stored in thousandths of g/cm3.
    {"SM0", "Soil Moisture", "g/cm3", "0.001", 10.0, 2, false, model::Quantity::SMC},
    // The model's snow depth in cm, taken as 2 mm of water per cm.
    {"SWE", "Snow Water Equivalence", "mm", "1", 2.0, 5, false, model::Quantity::SND},
    {"TB0", "Brightness temperature (6.9GHz V)", "K", "0.1", 10.0, 0, true, model::Quantity::TPW},
    {"TB1", "Brightness temperature (10.65GHz V)", "K", "0.1", 10.0, 2, true, model::Quantity::TPW},
    {"TB2", "Brightness temperature (18.7GHz V)", "K", "0.1", 10.0, 3, true, model::Quantity::TPW},
    {"TB3", "Brightness temperature (23.8GHz V)", "K", "0.1", 10.0, 4, true, model::Quantity::TPW},
    {"TB4", "Brightness temperature (36.5GHz V)", "K", "0.1", 10.0, 5, true, model::Quantity::TPW},
    {"TB5", "Brightness temperature (89.0GHz V)", "K", "0.1", 10.0, 6, true, model::Quantity::TPW},
};

const QuantityInfo* findQuantity(const std::string& code) {
  for (const QuantityInfo& q : kQuantities) {
    if (code == q.code) return &q;
  }
  return nullptr;
}

// The stored value of a quantity at a position, or kHdf4Invalid where it is not retrieved.
int storedQuantity(const QuantityInfo& q, const model::Environment& env) {
  double value = 0.0;
  if (q.brightness) {
    value = model::brightnessTemperature(q.footprint, 0, env);
  } else if (!model::geophysical(q.quantity, 0, env, value)) {
    return kHdf4Invalid;
  }
  // The viewer takes every negative stored value for an invalid code, so the smallest valid
  // value is 0 (this only touches sea surface temperatures below 0 degrees).
  const double stored = std::clamp(std::round(value * q.storedPerUnit), 0.0, 32767.0);
  return static_cast<int>(stored);
}

// ---------------------------------------------------------------------------------------
// Time and geometry of the product

constexpr int kYear = 2003, kMonth = 6, kDay = 1;

double productDayUtc() { return static_cast<double>(orbit::daysFromCivil(kYear, kMonth, kDay) - orbit::daysFromCivil(1993, 1, 1)) * orbit::kUtcDay; }

// The swath products hold the second ascending half orbit of the day: the daily coverage
// puts the first ascending node 20 minutes after midnight, and an ascending half orbit
// starts a quarter period before its node.
constexpr int kPassOfDay = 1;
double halfOrbitStartUtc() { return productDayUtc() + 1200.0 + (kPassOfDay - 0.25) * orbit::kPeriodSec; }

std::string yymmdd() {
  char text[8];
  std::snprintf(text, sizeof text, "%02d%02d%02d", kYear % 100, kMonth, kDay);
  return text;
}

void splitUtc(double utc, std::string& date, std::string& time) {
  const std::string t = orbit::formatUtc(utc);  // YYYY-MM-DDThh:mm:ss.sssZ
  date = t.substr(0, 10);
  time = t.substr(11, 12);
}

std::string formatDouble(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

double wrap360(double lon) {
  double l = std::fmod(lon, 360.0);
  if (l < 0.0) l += 360.0;
  return l;
}

struct Vec3 {
  double x, y, z;
};
Vec3 unitVector(double latDeg, double lonDeg) {
  const double la = latDeg * kDeg, lo = lonDeg * kDeg;
  return {std::cos(la) * std::cos(lo), std::cos(la) * std::sin(lo), std::sin(la)};
}
Vec3 crossProduct(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dotProduct(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The low-frequency footprint a1 of the way along and a2 across from 89 GHz position p1 towards
// p2: the placement the co-registration parameters describe to the reader.
void coregistered(double lat1, double lon1, double lat2, double lon2, double a1, double a2, double& lat, double& lon) {
  const Vec3 v1 = unitVector(lat1, lon1), v2 = unitVector(lat2, lon2);
  const Vec3 c = crossProduct(v1, v2);
  const double cn = std::sqrt(dotProduct(c, c));
  if (cn < 1e-12) {
    lat = lat1;
    lon = lon1;
    return;
  }
  const Vec3 ez{c.x / cn, c.y / cn, c.z / cn};
  const Vec3 ey = crossProduct(ez, v1);
  const double theta = std::acos(std::clamp(dotProduct(v1, v2), -1.0, 1.0));
  const double ca1 = std::cos(a1 * theta), sa1 = std::sin(a1 * theta);
  const double ca2 = std::cos(a2 * theta), sa2 = std::sin(a2 * theta);
  const Vec3 v{ca2 * (ca1 * v1.x + sa1 * ey.x) + sa2 * ez.x, ca2 * (ca1 * v1.y + sa1 * ey.y) + sa2 * ez.y,
               ca2 * (ca1 * v1.z + sa1 * ey.z) + sa2 * ez.z};
  lat = std::atan2(v.z, std::hypot(v.x, v.y)) / kDeg;
  lon = std::atan2(v.y, v.x) / kDeg;
}

// Viewing geometry of the half orbit resampled to `high` 89 GHz pixels per scan.
struct SwathGeometry {
  int scans = 0, high = 0;
  std::vector<float> latA, lonA, latB, lonB;  // scans x high
  std::vector<double> count, argLat, utc, subLat, subLon;
  double nodeUtc = 0.0, nodeLon = 0.0;
  std::size_t at(int s, int j) const { return static_cast<std::size_t>(s) * static_cast<std::size_t>(high) + static_cast<std::size_t>(j); }
};

void resampleRow(const float* lat, const float* lon, int high, float* outLat, float* outLon) {
  constexpr int n = orbit::kHighPixels;
  for (int j = 0; j < high; ++j) {
    const double t = high > 1 ? static_cast<double>(j) * (n - 1) / (high - 1) : 0.0;
    const int i0 = std::min(n - 2, static_cast<int>(t));
    const double f = t - i0;
    const double dLon = wrapLongitude(static_cast<double>(lon[i0 + 1]) - lon[i0]);
    outLat[j] = static_cast<float>(lat[i0] + f * (static_cast<double>(lat[i0 + 1]) - lat[i0]));
    outLon[j] = static_cast<float>(wrapLongitude(lon[i0] + f * dLon));
  }
}

bool swathGeometry(int scans, int high, SwathGeometry& g) {
  orbit::Swath sw;
  if (!orbit::computeSwath(halfOrbitStartUtc(), scans, 0, true, sw)) return false;
  g = SwathGeometry{};
  g.scans = scans;
  g.high = high;
  const std::size_t n = static_cast<std::size_t>(scans) * static_cast<std::size_t>(high);
  g.latA.resize(n);
  g.lonA.resize(n);
  g.latB.resize(n);
  g.lonB.resize(n);
  for (int s = 0; s < scans; ++s) {
    const std::size_t in = static_cast<std::size_t>(s) * orbit::kHighPixels;
    resampleRow(&sw.latA[in], &sw.lonA[in], high, &g.latA[g.at(s, 0)], &g.lonA[g.at(s, 0)]);
    resampleRow(&sw.latB[in], &sw.lonB[in], high, &g.latB[g.at(s, 0)], &g.lonB[g.at(s, 0)]);
  }
  g.count = sw.count;
  g.argLat = sw.argLatDeg;
  g.utc = sw.utc;
  g.subLat = sw.subLat;
  g.subLon = sw.subLon;
  g.nodeUtc = sw.nodeUtc;
  g.nodeLon = sw.nodeLon;
  return true;
}

bool isFixedInvalidPixel(int scan, int pixel) {
  return scan == kHdf4InvalidScan && pixel >= kHdf4InvalidFirstPixel &&
         pixel < kHdf4InvalidFirstPixel + kHdf4InvalidPixelCount;
}

std::span<const Hdf4Cell> invalidCells(const std::string& projection) {
  if (projection == "PN") return kHdf4InvalidCellsPN;
  if (projection == "PS") return kHdf4InvalidCellsPS;
  return kHdf4InvalidCellsE0;
}

// Centre of grid cell (row, col): the equirectangular rows run north from -90 and the
// columns east from 0 through 180 and on from -179.75.
bool cellPosition(const std::string& projection, int row, int col, double& lat, double& lon) {
  if (projection == "E0") {
    lat = -90.0 + 0.25 * row;
    lon = wrapLongitude(0.25 * col);
    return true;
  }
  return gridCellLatLon(projection == "PN" ? "PS-N" : "PS-S", 25, row, col, lat, lon);
}

bool positionCell(const std::string& projection, double lat, double lon, int rows, int cols, int& row, int& col) {
  double r = 0.0, c = 0.0;
  if (projection == "E0") {
    r = (lat + 90.0) / 0.25;
    c = wrap360(lon) / 0.25;
  } else if (!gridLatLonToCell(projection == "PN" ? "PS-N" : "PS-S", 25, lat, lon, r, c)) {
    return false;
  }
  row = static_cast<int>(std::lround(r));
  col = static_cast<int>(std::lround(c));
  if (projection == "E0") col %= cols;
  return row >= 0 && row < rows && col >= 0 && col < cols;
}

std::int16_t toI16(double v) { return static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0)); }

// ---------------------------------------------------------------------------------------
// HDF4 scientific data set writing

constexpr int32 kType16 = DFNT_INT16;

// One open data set; its access ends with the object.
class Sds {
 public:
  Sds() = default;
  ~Sds() { end(); }
  Sds(const Sds&) = delete;
  Sds& operator=(const Sds&) = delete;
  void reset(int32 id, std::vector<int32> dims) {
    end();
    id_ = id;
    dims_ = std::move(dims);
  }
  int32 id() const { return id_; }
  const std::vector<int32>& dims() const { return dims_; }
  long long elements() const {
    long long n = 1;
    for (int32 d : dims_) n *= d;
    return n;
  }
  bool end() {
    const int32 id = id_;
    id_ = FAIL;
    return id == FAIL || SDendaccess(id) != FAIL;
  }

 private:
  int32 id_ = FAIL;
  std::vector<int32> dims_;
};

// The file of scientific data sets. Reference numbers come from one counter of the file:
// creating a data set takes the next number, and so does the first write of its data (the
// data element). Ref 1 is the library's version descriptor, so the first data set gets 2.
// The file keeps the counter in step and checks it against what the library hands out.
class SdFile {
 public:
  explicit SdFile(const std::string& path) : id_(SDstart(path.c_str(), DFACC_CREATE)) {}
  ~SdFile() {
    if (id_ != FAIL) SDend(id_);
  }
  SdFile(const SdFile&) = delete;
  SdFile& operator=(const SdFile&) = delete;
  bool ok() const { return id_ != FAIL; }
  // Writes the file out; false when the library cannot.
  bool close() {
    const int32 id = id_;
    id_ = FAIL;
    return id != FAIL && SDend(id) != FAIL;
  }

  bool setText(const std::string& name, const std::string& value) {
    const std::string v = value.empty() ? std::string(" ") : value;
    return SDsetattr(id_, name.c_str(), DFNT_CHAR8, static_cast<int32>(v.size()), v.c_str()) != FAIL;
  }

  // Creates data set `name` so that it gets reference number `ref`, with reserved one-element
  // data sets taking up any numbers below it. Reports on stderr and returns kHdf4RefMismatch
  // when the number cannot be had.
  int createAt(int ref, const std::string& name, int32 type, std::vector<int32> dims,
               const std::vector<std::string>& dimNames, Sds& out) {
    while (nextRef_ < ref) {
      Sds filler;
      const int rc = createNext("Reserved " + std::to_string(nextRef_), kType16, {1}, {"Reserved"}, filler);
      if (rc != kHdf4Ok) return rc;
    }
    if (nextRef_ > ref) {
      std::fprintf(stderr, "kivo-gen-hdf4: data set \"%s\" cannot get reference %d: numbers up to %d are taken\n",
                   name.c_str(), ref, nextRef_ - 1);
      return kHdf4RefMismatch;
    }
    return createNext(name, type, std::move(dims), dimNames, out);
  }

  // Writes the whole data set in one go (the only write a data set gets).
  int write(Sds& sds, const void* data) {
    std::vector<int32> start(sds.dims().size(), 0);
    std::vector<int32> edges = sds.dims();
    if (SDwritedata(sds.id(), start.data(), nullptr, edges.data(), const_cast<void*>(data)) == FAIL) return kHdf4WriteFailed;
    ++nextRef_;
    return kHdf4Ok;
  }

 private:
  int createNext(const std::string& name, int32 type, std::vector<int32> dims, const std::vector<std::string>& dimNames,
                 Sds& out) {
    const int32 id = SDcreate(id_, name.c_str(), type, static_cast<int32>(dims.size()), dims.data());
    if (id == FAIL) return kHdf4WriteFailed;
    out.reset(id, std::move(dims));
    const int32 got = SDidtoref(id);
    if (got != nextRef_) {
      std::fprintf(stderr, "kivo-gen-hdf4: data set \"%s\" got reference %d, expected %d\n", name.c_str(),
                   static_cast<int>(got), nextRef_);
      return kHdf4RefMismatch;
    }
    ++nextRef_;
    for (std::size_t i = 0; i < dimNames.size() && i < out.dims().size(); ++i) {
      if (SDsetdimname(SDgetdimid(id, static_cast<intn>(i)), dimNames[i].c_str()) == FAIL) return kHdf4WriteFailed;
    }
    if (type == kType16) {
      int16 fill = kHdf4Invalid;
      if (SDsetfillvalue(id, &fill) == FAIL) return kHdf4WriteFailed;
    }
    return kHdf4Ok;
  }

  int32 id_;
  int nextRef_ = 2;
};

struct SdsText {
  const char* name;
  std::string value;
};

bool setSdsText(const Sds& sds, const std::vector<SdsText>& attrs) {
  for (const SdsText& a : attrs) {
    if (SDsetattr(sds.id(), a.name, DFNT_CHAR8, static_cast<int32>(a.value.size()), a.value.c_str()) == FAIL) return false;
  }
  return true;
}

// Creates, fills and ends one data set at its reference number.
template <typename T>
int writeDataset(SdFile& file, int ref, const std::string& name, int32 type, std::vector<int32> dims,
                 const std::vector<std::string>& dimNames, const std::vector<T>& data, const std::vector<SdsText>& attrs) {
  Sds sds;
  int rc = file.createAt(ref, name, type, std::move(dims), dimNames, sds);
  if (rc != kHdf4Ok) return rc;
  if (static_cast<long long>(data.size()) != sds.elements()) return kHdf4WriteFailed;
  if (!setSdsText(sds, attrs)) return kHdf4WriteFailed;
  rc = file.write(sds, data.data());
  if (rc != kHdf4Ok) return rc;
  return sds.end() ? kHdf4Ok : kHdf4WriteFailed;
}

// ---------------------------------------------------------------------------------------
// Root attributes

using Attributes = std::vector<std::pair<std::string, std::string>>;

std::string coRegText(const double (&values)[6]) {
  static const char* const kTokens[6] = {"6G-", "10G-", "18G-", "23G-", "36G-", "50G-"};
  std::string text;
  for (int b = 0; b < 6; ++b) {
    if (b > 0) text += ',';
    text += kTokens[b] + formatDouble("%.5f", values[b]);
  }
  return text;
}

struct Span {
  std::string beginDate, beginTime, endDate, endTime;
  double north = 90.0, south = -90.0, east = 180.0, west = -180.0;
};

Span swathSpan(const SwathGeometry& g) {
  Span s;
  splitUtc(g.utc.front(), s.beginDate, s.beginTime);
  splitUtc(g.utc.back() + orbit::kScanSec, s.endDate, s.endTime);
  const auto [mn, mx] = std::minmax_element(g.latA.begin(), g.latA.end());
  s.south = *mn;
  s.north = *mx;
  return s;
}

Span daySpan(const std::string& projection) {
  Span s;
  splitUtc(productDayUtc(), s.beginDate, s.beginTime);
  splitUtc(productDayUtc() + orbit::kUtcDay - 0.001, s.endDate, s.endTime);
  if (projection == "PN") s.south = 30.98;
  if (projection == "PS") s.north = -39.23;
  return s;
}

int orbitNumber(const Hdf4Options& o) { return sensorInfo(o.sensor).orbitOfDay + kPassOfDay; }

// Level 1 order; index 3 is the projection text, 7 to 10 the observation start and end
// (date, time, date, time) and 28 the scan count.
Attributes level1Attributes(const Hdf4Options& o, const SwathGeometry& g) {
  const SensorInfo& si = sensorInfo(o.sensor);
  const Span span = swathSpan(g);
  std::string nodeDate, nodeTime;
  splitUtc(g.nodeUtc, nodeDate, nodeTime);
  const std::string orbitText = std::to_string(orbitNumber(o));
  return {
      {"ShortName", hdf4ShortName(o)},
      {"PlatformShortName", si.platformName},
      {"SensorShortName", si.sensorName},
      {"MapProjection", "Swath"},
      {"Local Granule ID", hdf4GranuleId(o)},
      {"ProcessingLevel", std::string("Level ") + levelText(o.level)},
      {"VersionID", "01"},
      {"RangeBeginningDate", span.beginDate},
      {"RangeBeginningTime", span.beginTime},
      {"RangeEndingDate", span.endDate},
      {"RangeEndingTime", span.endTime},
      {"ProcessingCenter", "KIVO synthetic sample"},
      {"ProductionDateTime", "2003-06-02T00:00:00.000Z"},
      {"StartOrbitNumber", orbitText},
      {"StopOrbitNumber", orbitText},
      {"OrbitDirection", "Ascending"},
      {"EquatorCrossingDate", nodeDate},
      {"EquatorCrossingTime", nodeTime},
      {"EquatorCrossingLongitude", formatDouble("%.2f", g.nodeLon)},
      {"NorthBoundingCoordinate", formatDouble("%.2f", span.north)},
      {"SouthBoundingCoordinate", formatDouble("%.2f", span.south)},
      {"EastBoundingCoordinate", formatDouble("%.2f", span.east)},
      {"WestBoundingCoordinate", formatDouble("%.2f", span.west)},
      {"CoRegistration ParameterA1", coRegText(si.coRegA1)},
      {"CoRegistration ParameterA2", coRegText(si.coRegA2)},
      {"NumberOfLowResolutionPixels", std::to_string(hdf4LowPixels(o.sensor, o.level))},
      {"NumberOfHighResolutionPixels", std::to_string(hdf4HighPixels(o.sensor, o.level))},
      {"ScanPeriod", "1.5"},
      {"NumberOfScans", std::to_string(g.scans)},
      {"ParameterName", o.level == Hdf4Level::L1A ? "Observation Count" : "Brightness Temperature"},
  };
}

// Level 2 order; index 1 names the quantity, 4 is the projection text and 7 to 10 the
// observation start and end.
Attributes level2Attributes(const Hdf4Options& o, const SwathGeometry& g, const QuantityInfo& q) {
  const SensorInfo& si = sensorInfo(o.sensor);
  const Span span = swathSpan(g);
  std::string nodeDate, nodeTime;
  splitUtc(g.nodeUtc, nodeDate, nodeTime);
  const std::string orbitText = std::to_string(orbitNumber(o));
  return {
      {"ShortName", hdf4ShortName(o)},
      {"GeophysicalName", q.name},
      {"PlatformShortName", si.platformName},
      {"SensorShortName", si.sensorName},
      {"MapProjection", "Swath"},
      {"Local Granule ID", hdf4GranuleId(o)},
      {"ProcessingLevel", "Level 2"},
      {"RangeBeginningDate", span.beginDate},
      {"RangeBeginningTime", span.beginTime},
      {"RangeEndingDate", span.endDate},
      {"RangeEndingTime", span.endTime},
      {"GeophysicalUnit", q.unit},
      {"ScaleFactor", q.scale},
      {"InvalidValue", std::to_string(kHdf4Invalid)},
      {"VersionID", "01"},
      {"ProcessingCenter", "KIVO synthetic sample"},
      {"ProductionDateTime", "2003-06-02T00:00:00.000Z"},
      {"StartOrbitNumber", orbitText},
      {"StopOrbitNumber", orbitText},
      {"OrbitDirection", "Ascending"},
      {"EquatorCrossingDate", nodeDate},
      {"EquatorCrossingTime", nodeTime},
      {"EquatorCrossingLongitude", formatDouble("%.2f", g.nodeLon)},
      {"NorthBoundingCoordinate", formatDouble("%.2f", span.north)},
      {"SouthBoundingCoordinate", formatDouble("%.2f", span.south)},
      {"CoRegistration ParameterA1", coRegText(si.coRegA1)},
      {"CoRegistration ParameterA2", coRegText(si.coRegA2)},
      {"NumberOfPixels", std::to_string(hdf4LowPixels(o.sensor, o.level))},
      {"NumberOfScans", std::to_string(g.scans)},
  };
}

// Level 2 Map and 3 order; index 1 names the quantity, 4 ends with the projection code and
// 7 to 10 are the observation start and end.
Attributes gridAttributes(const Hdf4Options& o, const QuantityInfo& q, const Span& span, int rows, int cols) {
  const SensorInfo& si = sensorInfo(o.sensor);
  const bool map = o.level == Hdf4Level::L2Map;
  const char* projection = o.projection == "PN"   ? "Polar Stereographic North 25 km PN"
                           : o.projection == "PS" ? "Polar Stereographic South 25 km PS"
                                                  : "Equirectangular 0.25 deg E0";
  const std::string orbitText = std::to_string(orbitNumber(o));
  return {
      {"ShortName", hdf4ShortName(o)},
      {"GeophysicalName", q.name},
      {"PlatformShortName", si.platformName},
      {"SensorShortName", si.sensorName},
      {"MapProjection", projection},
      {"Local Granule ID", hdf4GranuleId(o)},
      {"ProcessingLevel", map ? "Level 2 Map" : "Level 3"},
      {"RangeBeginningDate", span.beginDate},
      {"RangeBeginningTime", span.beginTime},
      {"RangeEndingDate", span.endDate},
      {"RangeEndingTime", span.endTime},
      {"GeophysicalUnit", q.unit},
      {"ScaleFactor", q.scale},
      {"InvalidValue", std::to_string(kHdf4Invalid)},
      {"GridResolution", o.projection == "E0" ? "0.25 deg" : "25 km"},
      {"NumberOfRows", std::to_string(rows)},
      {"NumberOfColumns", std::to_string(cols)},
      {"VersionID", "01"},
      {"ProcessingCenter", "KIVO synthetic sample"},
      {"ProductionDateTime", "2003-06-02T00:00:00.000Z"},
      {"StartOrbitNumber", map ? orbitText : std::to_string(sensorInfo(o.sensor).orbitOfDay)},
      {"StopOrbitNumber", map ? orbitText : std::to_string(sensorInfo(o.sensor).orbitOfDay + 14)},
      {"OrbitDirection", "Ascending"},
      {"NorthBoundingCoordinate", formatDouble("%.2f", span.north)},
      {"SouthBoundingCoordinate", formatDouble("%.2f", span.south)},
      {"EastBoundingCoordinate", formatDouble("%.2f", span.east)},
      {"WestBoundingCoordinate", formatDouble("%.2f", span.west)},
      {"TemporalCoverage", map ? "Half orbit" : "Daily"},
      {"NumberOfInputGranules", map ? "1" : "15"},
  };
}

bool writeAttributes(SdFile& file, const Attributes& attrs) {
  for (const auto& [name, value] : attrs) {
    if (!file.setText(name, value)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Level 1

struct L1Channel {
  int ref;
  const char* name;  // frequency and polarisation, e.g. "6.9GHz,V"
  int band;          // co-registration band 0..5; 6 for 89 GHz A, 7 for 89 GHz B
  int freq;          // earth model frequency index; -1 for 50.3 GHz, -2 for 52.8 GHz
  int pol;           // 0 V, 1 H
};

constexpr L1Channel kL1Channels[] = {
    {7, "6.9GHz,V", 0, 0, 0},      {9, "6.9GHz,H", 0, 0, 1},      {11, "10.65GHz,V", 1, 2, 0},
    {13, "10.65GHz,H", 1, 2, 1},   {15, "18.7GHz,V", 2, 3, 0},    {17, "18.7GHz,H", 2, 3, 1},
    {19, "23.8GHz,V", 3, 4, 0},    {21, "23.8GHz,H", 3, 4, 1},    {23, "36.5GHz,V", 4, 5, 0},
    {25, "36.5GHz,H", 4, 5, 1},    {27, "50.3GHz,V", 5, -1, 0},   {29, "52.8GHz,V", 5, -2, 0},
    {31, "89.0GHz-A,V", 6, 6, 0},  {33, "89.0GHz-A,H", 6, 6, 1},  {35, "89.0GHz-B,V", 7, 6, 0},
    {37, "89.0GHz-B,H", 7, 6, 1},
};

constexpr int kL1LatRef = 55, kL1LonRef = 57;

double channelTb(const L1Channel& ch, const model::Environment& env) {
  if (ch.freq >= 0) return model::brightnessTemperature(ch.freq, ch.pol, env);
  // The oxygen band sees mostly the atmosphere: a warm constant with part of the 36.5 GHz
  // surface signal.
  const double tb36 = model::brightnessTemperature(5, 0, env);
  return ch.freq == -1 ? 0.40 * tb36 + 0.60 * 247.0 : 0.12 * tb36 + 0.88 * 251.0;
}

int writeLevel1(SdFile& file, const Hdf4Options& o, const SwathGeometry& g) {
  const SensorInfo& si = sensorInfo(o.sensor);
  const int scans = g.scans, high = g.high, low = hdf4LowPixels(o.sensor, o.level);
  const bool counts = o.level == Hdf4Level::L1A;
  const bool level1M = o.level == Hdf4Level::L1M;
  const std::vector<std::string> lowDims = {"Scans", "Low Resolution Pixels"};
  const std::vector<std::string> highDims = {"Scans", "High Resolution Pixels"};
  const std::vector<std::string> scanDim = {"Scans"};
  const std::size_t lowCount = static_cast<std::size_t>(scans) * static_cast<std::size_t>(low);
  auto lowAt = [low](int s, int k) { return static_cast<std::size_t>(s) * static_cast<std::size_t>(low) + static_cast<std::size_t>(k); };

  int rc = writeDataset(file, 2, "Scan Time", DFNT_FLOAT64, {scans}, scanDim, g.count,
                        {{"UNIT", "sec (since 1993-01-01, leap seconds included)"}});
  if (rc == kHdf4Ok)
    rc = writeDataset(file, 4, "Position in Orbit", DFNT_FLOAT64, {scans}, scanDim, g.argLat, {{"UNIT", "deg"}});
  if (rc != kHdf4Ok) return rc;

  // Footprint positions of each co-registration band.
  std::vector<double> bandLat[6], bandLon[6];
  for (int b = 0; b < 6; ++b) {
    bandLat[b].resize(lowCount);
    bandLon[b].resize(lowCount);
    for (int s = 0; s < scans; ++s) {
      for (int k = 0; k < low; ++k) {
        const std::size_t p1 = g.at(s, 2 * k), p2 = g.at(s, 2 * k + 1);
        coregistered(g.latA[p1], g.lonA[p1], g.latA[p2], g.lonA[p2], si.coRegA1[b], si.coRegA2[b], bandLat[b][lowAt(s, k)],
                     bandLon[b][lowAt(s, k)]);
      }
    }
  }

  std::vector<std::int16_t> values;
  for (std::size_t c = 0; c < std::size(kL1Channels); ++c) {
    const L1Channel& ch = kL1Channels[c];
    const bool is89 = ch.band >= 6;
    if (level1M && ch.band == 7) continue;  // Level 1M keeps one 89 GHz horn
    const int pixels = is89 ? high : low;
    const int footprint = ch.freq >= 0 ? ch.freq : 5;
    values.assign(static_cast<std::size_t>(scans) * static_cast<std::size_t>(pixels), 0);
    // Count conversion of the channel: a cold-sky offset and a gain per kelvin.
    const double offset = 180.0 + 9.0 * static_cast<double>(c), gain = 9.5 + 0.1 * static_cast<double>(c);
    for (int s = 0; s < scans; ++s) {
      for (int k = 0; k < pixels; ++k) {
        const std::size_t i = static_cast<std::size_t>(s) * static_cast<std::size_t>(pixels) + static_cast<std::size_t>(k);
        if (isFixedInvalidPixel(s, k)) {
          values[i] = kHdf4Invalid;
          continue;
        }
        double lat = 0.0, lon = 0.0;
        if (ch.band == 6) {
          lat = g.latA[g.at(s, k)];
          lon = g.lonA[g.at(s, k)];
        } else if (ch.band == 7) {
          lat = g.latB[g.at(s, k)];
          lon = g.lonB[g.at(s, k)];
        } else {
          lat = bandLat[ch.band][i];
          lon = bandLon[ch.band][i];
        }
        const model::Environment env = model::environment(lat, lon, model::kFootprintKm[footprint]);
        const double tb = channelTb(ch, env) + 0.3 * model::noise(static_cast<std::uint64_t>(s), static_cast<std::uint64_t>(k), c);
        values[i] = toI16(counts ? offset + gain * tb : 10.0 * tb);
      }
    }
    const std::string name = std::string(counts ? "Observation Count (" : "Brightness Temperature (") + ch.name + ")";
    rc = writeDataset(file, ch.ref, name, kType16, {scans, pixels}, is89 ? highDims : lowDims, values,
                      {{"UNIT", counts ? "count" : "K"}, {"SCALE FACTOR", counts ? "1" : "0.1"}});
    if (rc != kHdf4Ok) return rc;
  }

  // Viewing angles, surface flags and the scan quality between the channels and the positions.
  int ref = level1M ? 35 : 39;
  auto lowSet = [&](const char* name, const char* unit, auto value) {
    std::vector<std::int16_t> v(lowCount);
    for (int s = 0; s < scans; ++s) {
      for (int k = 0; k < low; ++k) v[lowAt(s, k)] = toI16(value(s, k));
    }
    const int r = writeDataset(file, ref, name, kType16, {scans, low}, lowDims, v, {{"UNIT", unit}});
    ref += 2;
    return r;
  };
  rc = lowSet("Earth Incidence", "0.01 deg", [&](int s, int k) {
    return 5500.0 + 15.0 * model::noise(static_cast<std::uint64_t>(s), static_cast<std::uint64_t>(k), 101);
  });
  if (rc == kHdf4Ok) {
    rc = lowSet("Earth Azimuth", "0.01 deg", [&](int s, int k) {
      const std::size_t i = lowAt(s, k);
      return 100.0 * orbit::bearingDeg(bandLat[4][i], bandLon[4][i], g.subLat[static_cast<std::size_t>(s)], g.subLon[static_cast<std::size_t>(s)]);
    });
  }
  if (rc == kHdf4Ok) {
    rc = lowSet("Land/Ocean Flag for Low", "%", [&](int s, int k) {
      const std::size_t i = lowAt(s, k);
      return 100.0 * model::surfaceFraction(bandLat[0][i], bandLon[0][i], model::kFootprintKm[0]).total();
    });
  }
  if (rc == kHdf4Ok) {
    std::vector<std::int16_t> quality(static_cast<std::size_t>(scans), 0);
    if (scans > kHdf4InvalidScan) quality[kHdf4InvalidScan] = 1;
    rc = writeDataset(file, ref, "Scan Quality", kType16, {scans}, scanDim, quality, {{"UNIT", "flag"}});
    ref += 2;
  }
  if (rc == kHdf4Ok) {
    std::vector<std::int16_t> v(static_cast<std::size_t>(scans) * static_cast<std::size_t>(high));
    for (int s = 0; s < scans; ++s) {
      for (int j = 0; j < high; ++j) {
        v[g.at(s, j)] = toI16(100.0 * model::surfaceFraction(g.latA[g.at(s, j)], g.lonA[g.at(s, j)], model::kFootprintKm[6]).total());
      }
    }
    rc = writeDataset(file, ref, "Land/Ocean Flag for 89", kType16, {scans, high}, highDims, v, {{"UNIT", "%"}});
    ref += 2;
  }
  if (rc == kHdf4Ok) {
    std::vector<double> elevation(lowCount), azimuth(lowCount);
    for (int s = 0; s < scans; ++s) {
      for (int k = 0; k < low; ++k) {
        const std::size_t i = lowAt(s, k);
        orbit::sunAngles(g.utc[static_cast<std::size_t>(s)], bandLat[4][i], bandLon[4][i], elevation[i], azimuth[i]);
      }
    }
    rc = lowSet("Sun Elevation", "0.01 deg", [&](int s, int k) { return 100.0 * elevation[lowAt(s, k)]; });
    if (rc == kHdf4Ok) rc = lowSet("Sun Azimuth", "0.01 deg", [&](int s, int k) { return 100.0 * azimuth[lowAt(s, k)]; });
  }
  if (rc != kHdf4Ok) return rc;

  std::vector<std::int16_t> lat(g.latA.size()), lon(g.lonA.size());
  for (std::size_t i = 0; i < lat.size(); ++i) {
    lat[i] = toI16(100.0 * g.latA[i]);
    lon[i] = toI16(100.0 * g.lonA[i]);
  }
  rc = writeDataset(file, kL1LatRef, "Latitude", kType16, {scans, high}, highDims, lat, {{"UNIT", "0.01 deg"}});
  if (rc == kHdf4Ok) rc = writeDataset(file, kL1LonRef, "Longitude", kType16, {scans, high}, highDims, lon, {{"UNIT", "0.01 deg"}});
  return rc;
}

// ---------------------------------------------------------------------------------------
// Level 2

int writeLevel2(SdFile& file, const Hdf4Options& o, const SwathGeometry& g, const QuantityInfo& q) {
  const int scans = g.scans, pixels = hdf4LowPixels(o.sensor, o.level);
  const std::vector<std::string> dims = {"Scans", "Pixels"};
  const std::size_t n = static_cast<std::size_t>(scans) * static_cast<std::size_t>(pixels);
  std::vector<std::int16_t> data(n), quality(n), lat(n), lon(n);
  for (int s = 0; s < scans; ++s) {
    for (int k = 0; k < pixels; ++k) {
      const std::size_t i = static_cast<std::size_t>(s) * static_cast<std::size_t>(pixels) + static_cast<std::size_t>(k);
      // The geometry has two positions per pixel; a pixel sits at the first of its pair.
      const std::size_t p = g.at(s, 2 * k);
      lat[i] = toI16(100.0 * g.latA[p]);
      lon[i] = toI16(100.0 * g.lonA[p]);
      if (isFixedInvalidPixel(s, k)) {
        data[i] = kHdf4Invalid;
        quality[i] = 2;
        continue;
      }
      const model::Environment env = model::environment(g.latA[p], g.lonA[p], model::kFootprintKm[q.footprint]);
      data[i] = static_cast<std::int16_t>(storedQuantity(q, env));
      quality[i] = data[i] == kHdf4Invalid ? 1 : 0;
    }
  }
  int rc = writeDataset(file, 3, std::string("Geophysical Data (") + q.code + ")", kType16, {scans, pixels}, dims, data,
                        {{"UNIT", q.unit}, {"SCALE FACTOR", q.scale}});
  if (rc == kHdf4Ok)
    rc = writeDataset(file, 5, "Quality Flag", kType16, {scans, pixels}, dims, quality,
                      {{"UNIT", "0 retrieved, 1 no retrieval, 2 no observation"}});
  if (rc == kHdf4Ok) rc = writeDataset(file, 7, "Latitude", kType16, {scans, pixels}, dims, lat, {{"UNIT", "0.01 deg"}});
  if (rc == kHdf4Ok) rc = writeDataset(file, 9, "Longitude", kType16, {scans, pixels}, dims, lon, {{"UNIT", "0.01 deg"}});
  if (rc == kHdf4Ok)
    rc = writeDataset(file, 11, "Scan Time", DFNT_FLOAT64, {scans}, {"Scans"}, g.count,
                      {{"UNIT", "sec (since 1993-01-01, leap seconds included)"}});
  return rc;
}

// ---------------------------------------------------------------------------------------
// Level 2 Map and Level 3

// Cells of the grid the half orbit's footprints fall in.
std::vector<std::uint8_t> swathCoverage(const std::string& projection, int rows, int cols, int scans) {
  std::vector<std::uint8_t> covered(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), 0);
  orbit::Swath sw;
  if (!orbit::computeSwath(halfOrbitStartUtc(), scans, 0, true, sw)) return covered;
  for (std::size_t i = 0; i < sw.latA.size(); ++i) {
    int r = 0, c = 0;
    if (positionCell(projection, sw.latA[i], sw.lonA[i], rows, cols, r, c))
      covered[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)] = 1;
  }
  return covered;
}

int writeGridProduct(SdFile& file, const Hdf4Options& o, const QuantityInfo& q, int rows, int cols,
                     std::vector<std::int16_t>& grid) {
  const bool map = o.level == Hdf4Level::L2Map;
  std::vector<std::uint8_t> covered;
  if (map) covered = swathCoverage(o.projection, rows, cols, o.scans);
  const orbit::DailyCoverage daily(productDayUtc(), true);
  grid.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), kHdf4Invalid);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const std::size_t i = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
      double lat = 0.0, lon = 0.0;
      if (!cellPosition(o.projection, r, c, lat, lon)) continue;
      if (map ? covered[i] == 0 : !daily.at(lat, lon).covered) continue;
      grid[i] = static_cast<std::int16_t>(storedQuantity(q, model::environment(lat, lon, model::kFootprintKm[q.footprint])));
    }
  }
  for (const Hdf4Cell& cell : invalidCells(o.projection)) {
    grid[static_cast<std::size_t>(cell.row) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(cell.col)] = kHdf4Invalid;
  }
  return writeDataset(file, 2, std::string("Geophysical Data (") + q.code + ")", kType16, {rows, cols}, {"Rows", "Columns"},
                      grid, {{"UNIT", q.unit}, {"SCALE FACTOR", q.scale}});
}

int writeContent(SdFile& file, const Hdf4Options& o) {
  if (isGrid(o.level)) {
    const QuantityInfo& q = *findQuantity(o.code);
    int rows = 0, cols = 0;
    hdf4GridShape(o.projection, rows, cols);
    Span span = daySpan(o.projection);
    if (o.level == Hdf4Level::L2Map) {
      const double begin = halfOrbitStartUtc();
      splitUtc(begin, span.beginDate, span.beginTime);
      splitUtc(begin + o.scans * orbit::kScanSec, span.endDate, span.endTime);
    }
    if (!writeAttributes(file, gridAttributes(o, q, span, rows, cols))) return kHdf4WriteFailed;
    std::vector<std::int16_t> grid;
    return writeGridProduct(file, o, q, rows, cols, grid);
  }
  SwathGeometry g;
  const int high = isLevel1(o.level) ? hdf4HighPixels(o.sensor, o.level) : 2 * hdf4LowPixels(o.sensor, o.level);
  if (!swathGeometry(o.scans, high, g)) return kHdf4BadOptions;
  if (o.level == Hdf4Level::L2) {
    const QuantityInfo& q = *findQuantity(o.code);
    if (!writeAttributes(file, level2Attributes(o, g, q))) return kHdf4WriteFailed;
    return writeLevel2(file, o, g, q);
  }
  if (!writeAttributes(file, level1Attributes(o, g))) return kHdf4WriteFailed;
  return writeLevel1(file, o, g);
}

}  // namespace

int hdf4LowPixels(Hdf4Sensor sensor, Hdf4Level level) {
  const bool amsrE = sensor == Hdf4Sensor::AmsrE;
  switch (level) {
    case Hdf4Level::L1A:
    case Hdf4Level::L2:
      return amsrE ? 243 : 290;
    case Hdf4Level::L1B:
    case Hdf4Level::L1M:
      return 196;
    default:
      return 0;
  }
}

int hdf4HighPixels(Hdf4Sensor sensor, Hdf4Level level) {
  return isLevel1(level) ? 2 * hdf4LowPixels(sensor, level) : 0;
}

bool hdf4GridShape(const std::string& projection, int& rows, int& cols) {
  if (projection == "E0") {
    rows = 720;
    cols = 1440;
  } else if (projection == "PN") {
    rows = 448;
    cols = 304;
  } else if (projection == "PS") {
    rows = 332;
    cols = 316;
  } else {
    return false;
  }
  return true;
}

std::string hdf4OptionsProblem(const Hdf4Options& o) {
  if (o.sensor != Hdf4Sensor::Amsr && o.sensor != Hdf4Sensor::AmsrE) return "unknown sensor";
  if (levelIndex(o.level) < 0 || levelIndex(o.level) > levelIndex(Hdf4Level::L3)) return "unknown level";
  if (o.level != Hdf4Level::L3 && (o.scans < 1 || o.scans > kHdf4MaxScans))
    return "scans must be 1.." + std::to_string(kHdf4MaxScans);
  if (isLevel1(o.level)) return {};
  const QuantityInfo* q = findQuantity(o.code);
  if (q == nullptr) return "unknown product code: " + o.code;
  if (o.level == Hdf4Level::L2) {
    if (q->brightness) return "Level 2 has no brightness temperature product";
    return {};
  }
  int rows = 0, cols = 0;
  if (!hdf4GridShape(o.projection, rows, cols)) return "projection must be E0, PN or PS";
  return {};
}

std::string hdf4ShortName(const Hdf4Options& o) {
  if (!hdf4OptionsProblem(o).empty()) return {};
  return sensorInfo(o.sensor).shortNames[levelIndex(o.level)];
}

std::string hdf4GranuleId(const Hdf4Options& o) {
  if (!hdf4OptionsProblem(o).empty()) return {};
  const SensorInfo& si = sensorInfo(o.sensor);
  const std::string date = si.granulePrefix + yymmdd();  // characters 0..10
  char orbitText[8];
  std::snprintf(orbitText, sizeof orbitText, "%03d", orbitNumber(o) % 1000);
  switch (o.level) {
    case Hdf4Level::L1A:
    case Hdf4Level::L1B:
    case Hdf4Level::L1M:
      return date + orbitText + "MA_L" + levelText(o.level) + "00000000";
    case Hdf4Level::L2:  // product code at 18..20
      return date + orbitText + "MA_L" + o.code + "00000000";
    case Hdf4Level::L2Map:  // product code at 15..17, projection at 24..25
      return date + "A_2M" + o.code + "_25KM_" + o.projection + "00";
    case Hdf4Level::L3:
      return date + "D_L3" + o.code + "_25KM_" + o.projection + "00";
  }
  return {};
}

int writeHdf4Product(const std::string& path, const Hdf4Options& options) {
  if (!hdf4OptionsProblem(options).empty()) return kHdf4BadOptions;
  int rc = kHdf4Ok;
  {
    SdFile file(path);
    if (!file.ok()) return kHdf4CreateFailed;
    rc = writeContent(file, options);
    if (rc == kHdf4Ok && !file.close()) rc = kHdf4WriteFailed;
  }
  if (rc != kHdf4Ok) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  return rc;
}

std::string hdf4FileName(const Hdf4Options& o) {
  std::string name = std::string(sensorInfo(o.sensor).fileTag) + "_L" + levelText(o.level);
  if (!isLevel1(o.level)) name += "_" + o.code;
  if (isGrid(o.level)) name += "_" + o.projection;
  return name + ".00";
}

std::vector<Hdf4Options> hdf4SampleSetOptions() {
  // Level 1 products hold a fifth of the half orbit to stay well below 10 MB each.
  constexpr int kLevel1Scans = 400;
  constexpr int kHalfOrbitScans = 2000;
  std::vector<Hdf4Options> set;
  for (const Hdf4Sensor sensor : {Hdf4Sensor::AmsrE, Hdf4Sensor::Amsr}) {
    const std::string l2 = sensor == Hdf4Sensor::AmsrE ? "SST" : "WV0";
    set.push_back({sensor, Hdf4Level::L1A, kLevel1Scans, "SST", "E0"});
    set.push_back({sensor, Hdf4Level::L1B, kLevel1Scans, "SST", "E0"});
    set.push_back({sensor, Hdf4Level::L1M, kLevel1Scans, "SST", "E0"});
    set.push_back({sensor, Hdf4Level::L2, kHalfOrbitScans, l2, "E0"});
    set.push_back({sensor, Hdf4Level::L2Map, kHalfOrbitScans, l2, "E0"});
    set.push_back({sensor, Hdf4Level::L3, kHalfOrbitScans, "SST", "E0"});
    set.push_back({sensor, Hdf4Level::L3, kHalfOrbitScans, "IC0", "PN"});
    set.push_back({sensor, Hdf4Level::L3, kHalfOrbitScans, "IC0", "PS"});
  }
  return set;
}

int writeHdf4SampleSet(const std::string& dir, const std::function<void(const std::string& path, int result)>& onFile) {
  int failures = 0;
  for (const Hdf4Options& o : hdf4SampleSetOptions()) {
    const std::string path = (std::filesystem::path(dir) / hdf4FileName(o)).string();
    const int rc = writeHdf4Product(path, o);
    if (rc != kHdf4Ok) ++failures;
    if (onFile) onFile(path, rc);
  }
  return failures;
}

}  // namespace kivo::gen
