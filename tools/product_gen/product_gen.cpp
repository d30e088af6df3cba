#include "product_gen.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <numbers>
#include <system_error>
#include <thread>
#include <type_traits>

#include "earth_model.h"
#include "grids.h"
#include "h5_writer.h"
#include "orbit.h"

namespace kivo::gen {
namespace {

using Dims = std::vector<unsigned long long>;
using model::Environment;

constexpr double kDeg = std::numbers::pi / 180.0;
constexpr int kLowPixels = 243;
constexpr int kHighPixels = orbit::kHighPixels;
constexpr int kMaxLevel1Rows = 2018;
constexpr int kMaxLevel2Scans = 1978;
constexpr int k89 = 6;  // frequency index of 89 GHz

const char* const kFrequencyText[model::kFrequencies] = {"6.9GHz",  "7.3GHz",  "10.7GHz", "18.7GHz",
                                                          "23.8GHz", "36.5GHz", "89.0GHz"};
const char* const kPolarisationText[2] = {"V", "H"};

// The sixteen Level 1 channels: six low-frequency bands V and H, then 89 GHz A V/H and B V/H.
std::string level1Channel(int k) {
  if (k < 12) return std::string(kFrequencyText[k / 2]) + "," + kPolarisationText[k % 2];
  return std::string("89.0GHz-") + (k < 14 ? "A" : "B") + "," + kPolarisationText[k % 2];
}

// Co-registration of the six low-frequency bands on pairs of 89 GHz A-horn pixels: A1 moves
// along the scan from pixel 2k towards 2k + 1 (in units of their distance), A2 across it.
const char* const kBandToken[6] = {"6G-", "7G-", "10G-", "18G-", "23G-", "36G-"};
constexpr double kCoRegA1[6] = {0.61250, 0.60940, 0.57810, 0.48440, 0.51560, 0.40630};
constexpr double kCoRegA2[6] = {-0.90630, -0.89060, -0.64060, -0.33590, -0.42190, -0.16410};

std::string coRegistrationText(const double (&values)[6]) {
  std::string text;
  for (int b = 0; b < 6; ++b) {
    char item[32];
    std::snprintf(item, sizeof item, "%s%.5f", kBandToken[b], values[b]);
    if (b > 0) text += ',';
    text += item;
  }
  return text;
}

// Position of a low-frequency footprint from the 89A pixels p1 and p2 and a band's parameters:
// rotate p1 by a1 times their separation towards p2, then by a2 times it across the scan.
void coregister(double lat1, double lon1, double lat2, double lon2, double a1, double a2, double& lat,
                double& lon) {
  const double c1 = std::cos(lat1 * kDeg), c2 = std::cos(lat2 * kDeg);
  const double p1[3] = {c1 * std::cos(lon1 * kDeg), c1 * std::sin(lon1 * kDeg), std::sin(lat1 * kDeg)};
  const double p2[3] = {c2 * std::cos(lon2 * kDeg), c2 * std::sin(lon2 * kDeg), std::sin(lat2 * kDeg)};
  double ez[3] = {p1[1] * p2[2] - p1[2] * p2[1], p1[2] * p2[0] - p1[0] * p2[2], p1[0] * p2[1] - p1[1] * p2[0]};
  const double norm = std::sqrt(ez[0] * ez[0] + ez[1] * ez[1] + ez[2] * ez[2]);
  if (norm < 1e-6) {
    lat = lat1;
    lon = lon1;
    return;
  }
  for (double& e : ez) e /= norm;
  const double ey[3] = {ez[1] * p1[2] - ez[2] * p1[1], ez[2] * p1[0] - ez[0] * p1[2], ez[0] * p1[1] - ez[1] * p1[0]};
  const double theta = std::acos(std::clamp(p1[0] * p2[0] + p1[1] * p2[1] + p1[2] * p2[2], -1.0, 1.0));
  const double ca = std::cos(a1 * theta), sa = std::sin(a1 * theta);
  const double cb = std::cos(a2 * theta), sb = std::sin(a2 * theta);
  double v[3];
  for (int i = 0; i < 3; ++i) v[i] = cb * (ca * p1[i] + sa * ey[i]) + sb * ez[i];
  lon = std::atan2(v[1], v[0]) / kDeg;
  lat = std::asin(std::clamp(v[2], -1.0, 1.0)) / kDeg;
}

struct QuantityInfo {
  const char* code;
  model::Quantity quantity;
  const char* name;  // "GeophysicalName"
  const char* unit;
  double footprintKm;  // footprint of the channels the retrieval mainly relies on
};

const QuantityInfo kQuantities[] = {
    {"TPW", model::Quantity::TPW, "Total Precipitable Water", "kg/(m^2)", 12.0},
    {"CLW", model::Quantity::CLW, "Cloud Liquid Water", "kg/(m^2)", 12.0},
    {"PRC", model::Quantity::PRC, "Precipitation", "mm/h", 6.0},
    {"SST", model::Quantity::SST, "Sea Surface Temperature", "degC", 30.0},
    {"SSW", model::Quantity::SSW, "Sea Surface Wind speed", "m/s", 20.0},
    {"SIC", model::Quantity::SIC, "Sea Ice Concentration", "%", 12.0},
    {"SND", model::Quantity::SND, "Snow Depth", "cm", 12.0},
    {"SMC", model::Quantity::SMC, "Soil Moisture Content", "%", 30.0},
};

const QuantityInfo* findQuantity(const std::string& code) {
  for (const auto& q : kQuantities)
    if (code == q.code) return &q;
  return nullptr;
}

// Frequency index of a Level 3 brightness-temperature code ("T06" .. "T89"), or -1.
int brightnessFrequency(const std::string& code) {
  const char* const codes[model::kFrequencies] = {"T06", "T07", "T10", "T18", "T23", "T36", "T89"};
  for (int f = 0; f < model::kFrequencies; ++f)
    if (code == codes[f]) return f;
  return -1;
}

// Stored values. Valid values stay clear of the invalid codes of their types.
std::uint16_t kelvinCode(double kelvin) {
  return static_cast<std::uint16_t>(std::clamp<long>(std::lround(kelvin / 0.01), 0, 65530));
}
std::int16_t scaledCode(double value, double scale) {
  return static_cast<std::int16_t>(std::clamp<long>(std::lround(value / scale), -32765, 32767));
}
std::uint8_t percentCode(float fraction) {
  return static_cast<std::uint8_t>(std::clamp<long>(std::lround(100.0 * fraction), 0, 100));
}
// Radiometer counts of a 12-bit receiver: cold sky near -1966, a 300 K hot load near 1750.
std::int16_t countCode(double kelvin) {
  return static_cast<std::int16_t>(std::clamp<long>(std::lround(-2000.0 + 12.5 * kelvin), -2048, 2047));
}

// Small measurement noise, deterministic per sample.
double sampleNoise(int row, int pixel, int channel, double kelvin) {
  return kelvin * model::noise(static_cast<std::uint64_t>(row), static_cast<std::uint64_t>(pixel),
                               static_cast<std::uint64_t>(channel));
}

// Terrain height of the model: low land, high ice sheets, sea level elsewhere.
double terrainHeight(const Environment& env) {
  return env.surface.land * (250.0 + 600.0 * (0.5 + 0.5 * env.pattern) + 200.0 * env.pattern2) +
         env.surface.ice * (1800.0 + 900.0 * (0.5 + 0.5 * env.pattern));
}

// Runs fn(begin, end) over slices of [0, rows) on the machine's cores; each slice writes only
// its own rows. False when a slice failed.
template <typename Fn>
bool forRows(int rows, const Fn& fn) {
  std::atomic<bool> failed{false};
  auto run = [&](int begin, int end) {
    try {
      fn(begin, end);
    } catch (...) {
      failed = true;
    }
  };
  const unsigned n = rows < 64 ? 1u : std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  auto slice = [&](unsigned t) { return static_cast<int>(static_cast<long long>(rows) * t / n); };
  std::vector<std::thread> workers;
  unsigned started = 1;
  for (; started < n; ++started) {
    try {
      workers.emplace_back(run, slice(started), slice(started + 1));
    } catch (const std::system_error&) {
      break;  // no more threads: the caller runs the remaining slices
    }
  }
  run(slice(0), slice(1));
  for (unsigned t = started; t < n; ++t) run(slice(t), slice(t + 1));
  for (auto& w : workers) w.join();
  return !failed;
}

template <typename T>
constexpr Stored storedTypeOf() {
  if constexpr (std::is_same_v<T, std::int16_t>) return Stored::I16;
  else if constexpr (std::is_same_v<T, std::uint16_t>) return Stored::U16;
  else if constexpr (std::is_same_v<T, float>) return Stored::F32;
  else if constexpr (std::is_same_v<T, double>) return Stored::F64;
  else if constexpr (std::is_same_v<T, std::int8_t>) return Stored::I8;
  else {
    static_assert(std::is_same_v<T, std::uint8_t>, "no stored type for this element type");
    return Stored::U8;
  }
}

// The product file being written; remembers whether every write succeeded.
class ProductFile {
 public:
  explicit ProductFile(int gzip) : gzip_(gzip) {}

  bool create(const std::string& path) { return writer_.create(path, true); }

  void attr(const std::string& name, const std::string& value) { ok_ = ok_ && writer_.addRootString(name, value); }

  // Chunks span whole rows of everything after rowAxis (the scan or grid-row axis) and one
  // element of every axis before it.
  template <typename T>
  void data(const std::string& name, const Dims& dims, const std::vector<T>& values, float scale,
            const std::string& unit, size_t rowAxis = 0) {
    if (!ok_) return;
    unsigned long long count = 1;
    for (auto d : dims) count *= d;
    if (count != values.size()) {
      ok_ = false;
      return;
    }
    DatasetOptions opt;
    opt.chunk.assign(dims.size(), 1);
    unsigned long long rowBytes = sizeof(T);
    for (size_t i = rowAxis + 1; i < dims.size(); ++i) {
      opt.chunk[i] = dims[i];
      rowBytes *= dims[i];
    }
    opt.chunk[rowAxis] = std::clamp<unsigned long long>((512ull << 10) / rowBytes, 32, 256);
    opt.gzip = gzip_;
    opt.scale = scale;
    opt.unit = unit;
    ok_ = writer_.addDataset(name, storedTypeOf<T>(), dims, values.data(), opt);
  }

  void fail() { ok_ = false; }
  bool finish() {
    const bool closed = writer_.close();
    return ok_ && closed;
  }

 private:
  H5Writer writer_;
  int gzip_;
  bool ok_ = true;
};

// ---------------------------------------------------------------------------------------------
// Options and identifiers

bool isLevel1(Level level) { return level == Level::L1A || level == Level::L1B || level == Level::L1R; }

int storedOverlap(const ProductOptions& o) { return isLevel1(o.level) ? o.overlap : 0; }

struct Period {
  double startUtc = 0.0;  // Level 1/2: first scan after the overlap; Level 3: start of the day or month
  double endUtc = 0.0;
  int days = 1;           // Level 3
};

bool level3Period(const ProductOptions& o, Period& p) {
  double utc = 0.0;
  if (!orbit::parseUtc(o.startTime, utc)) return false;
  const long long epoch = orbit::daysFromCivil(1993, 1, 1);
  const long long day = static_cast<long long>(std::floor(utc / orbit::kUtcDay));
  if (!o.monthly) {
    p.startUtc = static_cast<double>(day) * orbit::kUtcDay;
    p.days = 1;
  } else {
    int y = 0, m = 0, d = 0;
    orbit::civilFromDays(day + epoch, y, m, d);
    const long long first = orbit::daysFromCivil(y, m, 1);
    const long long next = m == 12 ? orbit::daysFromCivil(y + 1, 1, 1) : orbit::daysFromCivil(y, m + 1, 1);
    p.startUtc = static_cast<double>(first - epoch) * orbit::kUtcDay;
    p.days = static_cast<int>(next - first);
  }
  p.endUtc = p.startUtc + p.days * orbit::kUtcDay - 0.001;
  return true;
}

// "YYYY-MM-DDThh:mm:ss.sssZ" -> "YYYYMMDDhhmm".
std::string compactTime(double utc) {
  const std::string t = orbit::formatUtc(utc);
  return t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2) + t.substr(11, 2) + t.substr(14, 2);
}

const char* productName(Level level) {
  switch (level) {
    case Level::L1A: return "AMSR2-L1A";
    case Level::L1B: return "AMSR2-L1B";
    case Level::L1R: return "AMSR2-L1R";
    case Level::L2: return "AMSR2-L2";
    case Level::L3: return "AMSR2-L3";
  }
  return "";
}

std::string geophysicalName(const ProductOptions& o) {
  switch (o.level) {
    case Level::L1A: return "Observation Count";
    case Level::L1B:
    case Level::L1R: return "Brightness Temperature";
    case Level::L2: return findQuantity(o.quantity)->name;
    case Level::L3:
      // The name is also the key of the grid-position mapping, so it carries no frequency.
      return brightnessFrequency(o.quantity) >= 0 ? "Brightness Temperature" : findQuantity(o.quantity)->name;
  }
  return "";
}

// ---------------------------------------------------------------------------------------------
// Datasets shared by the swath levels

void addScanDatasets(ProductFile& f, const orbit::Swath& sw) {
  const unsigned long long rows = static_cast<unsigned long long>(sw.rows);
  f.data("Scan Time", {rows}, sw.count, 1.0f, "sec");
  f.data("Position in Orbit", {rows}, sw.argLatDeg, 1.0f, "");
}

void addNavigation(ProductFile& f, const orbit::Swath& sw) {
  const unsigned long long rows = static_cast<unsigned long long>(sw.rows);
  std::vector<float> nav(sw.nav.begin(), sw.nav.end());
  f.data("Navigation Data", {rows, 6}, nav, 1.0f, "m,m/s");
  // Roll, pitch and yaw wander by a few hundredths of a degree around the nominal attitude.
  std::vector<float> attitude(rows * 3);
  for (size_t r = 0; r < rows; ++r)
    for (int a = 0; a < 3; ++a)
      attitude[r * 3 + a] = static_cast<float>(0.02 * std::sin(0.004 * static_cast<double>(r) + 1.7 * a) +
                                               0.003 * model::noise(r, static_cast<std::uint64_t>(a), 7));
  f.data("Attitude Data", {rows, 3}, attitude, 1.0f, "deg");
}

void addGeolocation(ProductFile& f, const orbit::Swath& sw, const std::string& suffixA, const std::string& suffixB) {
  const Dims dims{static_cast<unsigned long long>(sw.rows), kHighPixels};
  f.data("Latitude of Observation Point" + suffixA, dims, sw.latA, 1.0f, "deg");
  f.data("Longitude of Observation Point" + suffixA, dims, sw.lonA, 1.0f, "deg");
  f.data("Latitude of Observation Point" + suffixB, dims, sw.latB, 1.0f, "deg");
  f.data("Longitude of Observation Point" + suffixB, dims, sw.lonB, 1.0f, "deg");
}

// Sun and viewing angles at the low-resolution pixels (the even 89A pixels).
void addViewingAngles(ProductFile& f, const orbit::Swath& sw) {
  const int rows = sw.rows;
  const size_t n = static_cast<size_t>(rows) * kLowPixels;
  std::vector<std::int16_t> sunAz(n), sunEl(n), incidence(n), earthAz(n);
  const bool ok = forRows(rows, [&](int begin, int end) {
    for (int r = begin; r < end; ++r) {
      for (int k = 0; k < kLowPixels; ++k) {
        const size_t i = static_cast<size_t>(r) * kLowPixels + k;
        const size_t a = static_cast<size_t>(r) * kHighPixels + 2 * k;
        const double lat = sw.latA[a], lon = sw.lonA[a];
        double el = 0.0, az = 0.0;
        orbit::sunAngles(sw.utc[r], lat, lon, el, az);
        sunEl[i] = scaledCode(el, 0.01);
        sunAz[i] = scaledCode(az, 0.01);
        const double x = (k - 121) / 121.0;
        incidence[i] = scaledCode(55.0 - 0.15 * x * x + 0.01 * model::noise(r, k, 11), 0.01);
        earthAz[i] = scaledCode(orbit::bearingDeg(lat, lon, sw.subLat[r], sw.subLon[r]), 0.01);
      }
    }
  });
  if (!ok) return f.fail();
  const Dims dims{static_cast<unsigned long long>(rows), kLowPixels};
  f.data("Sun Azimuth", dims, sunAz, 0.01f, "deg");
  f.data("Sun Elevation", dims, sunEl, 0.01f, "deg");
  f.data("Earth Incidence", dims, incidence, 0.01f, "deg");
  f.data("Earth Azimuth", dims, earthAz, 0.01f, "deg");
}

// Scan quality and the pixel quality of Level 1: zero (good) except where the invalid
// brightness temperatures are placed.
void addLevel1Quality(ProductFile& f, int rows) {
  const unsigned long long R = static_cast<unsigned long long>(rows);
  std::vector<std::uint8_t> scan(R * 512, 0), low(R * kHighPixels, 0), high(R * kHighPixels, 0);
  if (rows > kOutOfRangeRow) {
    scan[static_cast<size_t>(kMissingRow) * 512] = 1;
    scan[static_cast<size_t>(kOutOfRangeRow) * 512] = 2;
    for (int p = kMissingFirstPixel; p < kMissingFirstPixel + kMissingPixelCount; ++p) {
      high[static_cast<size_t>(kMissingRow) * kHighPixels + p] = 1;
      low[static_cast<size_t>(kMissingRow) * kHighPixels + 2 * p] = 1;  // two entries per low-resolution pixel
      low[static_cast<size_t>(kMissingRow) * kHighPixels + 2 * p + 1] = 1;
    }
    high[static_cast<size_t>(kOutOfRangeRow) * kHighPixels + kOutOfRangePixel] = 2;
    low[static_cast<size_t>(kOutOfRangeRow) * kHighPixels + 2 * kOutOfRangePixel] = 2;
    low[static_cast<size_t>(kOutOfRangeRow) * kHighPixels + 2 * kOutOfRangePixel + 1] = 2;
  }
  f.data("Scan Data Quality", {R, 512}, scan, 1.0f, "");
  f.data("Pixel Data Quality 6 to 36", {R, kHighPixels}, low, 1.0f, "");
  f.data("Pixel Data Quality 89", {R, kHighPixels}, high, 1.0f, "");
}

// Calibration and housekeeping records of Level 1A and 1B: steady values with a little noise.
void addEngineering(ProductFile& f, int rows) {
  const unsigned long long R = static_cast<unsigned long long>(rows);
  auto loadCounts = [&](const char* name, int channels, int samples, double kelvin) {
    std::vector<std::int16_t> v(static_cast<size_t>(channels) * R * samples);
    size_t i = 0;
    for (int c = 0; c < channels; ++c)
      for (int r = 0; r < rows; ++r)
        for (int s = 0; s < samples; ++s, ++i)
          v[i] = static_cast<std::int16_t>(countCode(kelvin + 0.4 * std::sin(0.003 * r + c)) +
                                           std::lround(3.0 * model::noise(r, s, 100 + c)));
    f.data(name, {static_cast<unsigned long long>(channels), R, static_cast<unsigned long long>(samples)}, v, 1.0f,
           "Count", 1);
  };
  loadCounts("Hot Load Count 6 to 36", 12, 16, 300.0);
  loadCounts("Hot Load Count 89", 4, 32, 300.0);
  loadCounts("Cold Sky Mirror Count 6 to 36", 12, 16, 2.7);
  loadCounts("Cold Sky Mirror Count 89", 4, 32, 2.7);

  auto steady = [&](int width, auto valueAt) {
    using T = decltype(valueAt(0, 0));
    std::vector<T> v(R * width);
    for (int r = 0; r < rows; ++r)
      for (int j = 0; j < width; ++j) v[static_cast<size_t>(r) * width + j] = valueAt(r, j);
    return v;
  };
  f.data("Rx Offset_Gain Count", {R, 32},
         steady(32, [](int, int j) { return static_cast<std::uint16_t>(1024 + 32 * j); }), 1.0f, "Count");
  f.data("Observation Supplement", {R, 54},
         steady(54, [](int, int j) { return static_cast<std::uint8_t>(j * 4); }), 1.0f, "");
  f.data("SPC Temperature Count", {R, 20}, steady(20, [rows](int r, int j) {
           return static_cast<std::uint16_t>(30000 + 150 * j + std::lround(20.0 * std::sin(6.283 * r / rows)));
         }),
         1.0f, "Count");
  f.data("SPS Temperature Count", {R, 32}, steady(32, [rows](int r, int j) {
           return static_cast<std::uint16_t>(28000 + 100 * j + std::lround(15.0 * std::cos(6.283 * r / rows)));
         }),
         1.0f, "Count");
  f.data("PCD Data", {R, 64}, steady(64, [](int, int j) { return static_cast<std::uint8_t>(j * 3); }), 1.0f, "");
  f.data("Interpolation Flag 6 to 36", {12, R, 16}, std::vector<std::uint8_t>(12 * R * 16, 0), 1.0f, "", 1);
  f.data("Interpolation Flag 89", {4, R, 32}, std::vector<std::uint8_t>(4 * R * 32, 0), 1.0f, "", 1);
  std::vector<float> spill(2 * 200 * kLowPixels);
  for (size_t i = 0; i < spill.size(); ++i)
    spill[i] = static_cast<float>(1.0 + 0.25 * (i / (200 * kLowPixels)) +
                                  0.05 * std::sin(static_cast<double>(i % kLowPixels) / 40.0));
  f.data("Spill Over", {2, 200, kLowPixels}, spill, 1.0f, "mV", 1);
}

// Puts the missing and out-of-range codes into an unsigned brightness-temperature dataset.
void placeInvalidCodes(std::vector<std::uint16_t>& v, int rows, int width) {
  if (rows <= kOutOfRangeRow) return;
  for (int p = kMissingFirstPixel; p < kMissingFirstPixel + kMissingPixelCount; ++p)
    v[static_cast<size_t>(kMissingRow) * width + p] = static_cast<std::uint16_t>(kMissingCode);
  v[static_cast<size_t>(kOutOfRangeRow) * width + kOutOfRangePixel] = static_cast<std::uint16_t>(kOutOfRangeCode);
}

// Brightness temperatures of both 89 GHz horns at their own positions, with land percentages.
struct Horns {
  std::vector<float> tb[4];              // A V, A H, B V, B H; rows x 486
  std::vector<std::uint8_t> land;        // [2][rows][486]
};

void fillHornRow(const orbit::Swath& sw, int r, Horns& h) {
  const size_t n = static_cast<size_t>(sw.rows) * kHighPixels;
  for (int horn = 0; horn < 2; ++horn) {
    const auto& lat = horn == 0 ? sw.latA : sw.latB;
    const auto& lon = horn == 0 ? sw.lonA : sw.lonB;
    for (int j = 0; j < kHighPixels; ++j) {
      const size_t i = static_cast<size_t>(r) * kHighPixels + j;
      const Environment env = model::environment(lat[i], lon[i], model::kFootprintKm[k89]);
      for (int pol = 0; pol < 2; ++pol)
        h.tb[2 * horn + pol][i] = static_cast<float>(model::brightnessTemperature(k89, pol, env) +
                                                     sampleNoise(r, j, 12 + 2 * horn + pol, 0.4));
      h.land[horn * n + i] = percentCode(env.surface.total());
    }
  }
}

Horns newHorns(int rows) {
  Horns h;
  const size_t n = static_cast<size_t>(rows) * kHighPixels;
  for (auto& t : h.tb) t.resize(n);
  h.land.resize(2 * n);
  return h;
}

std::vector<std::uint16_t> kelvinCodes(const std::vector<float>& tb, int rows, int width) {
  std::vector<std::uint16_t> v(tb.size());
  std::transform(tb.begin(), tb.end(), v.begin(), [](float k) { return kelvinCode(k); });
  placeInvalidCodes(v, rows, width);
  return v;
}

// Level 1A counts or Level 1B brightness temperatures of the sixteen channels, and the land
// percentages of every band's footprints at their co-registered positions.
void addLevel1Channels(ProductFile& f, const orbit::Swath& sw, bool counts) {
  const int rows = sw.rows;
  const size_t nLow = static_cast<size_t>(rows) * kLowPixels;
  std::vector<float> low[12];
  for (auto& t : low) t.resize(nLow);
  std::vector<std::uint8_t> landLow(6 * nLow);
  Horns horns = newHorns(rows);
  const bool ok = forRows(rows, [&](int begin, int end) {
    for (int r = begin; r < end; ++r) {
      fillHornRow(sw, r, horns);
      for (int k = 0; k < kLowPixels; ++k) {
        const size_t i = static_cast<size_t>(r) * kLowPixels + k;
        const size_t a = static_cast<size_t>(r) * kHighPixels + 2 * k;
        for (int b = 0; b < 6; ++b) {
          double lat = 0.0, lon = 0.0;
          coregister(sw.latA[a], sw.lonA[a], sw.latA[a + 1], sw.lonA[a + 1], kCoRegA1[b], kCoRegA2[b], lat, lon);
          const Environment env = model::environment(lat, lon, model::kFootprintKm[b]);
          for (int pol = 0; pol < 2; ++pol)
            low[2 * b + pol][i] = static_cast<float>(model::brightnessTemperature(b, pol, env) +
                                                     sampleNoise(r, k, 2 * b + pol, 0.3));
          landLow[b * nLow + i] = percentCode(env.surface.total());
        }
      }
    }
  });
  if (!ok) return f.fail();
  const unsigned long long R = static_cast<unsigned long long>(rows);
  for (int k = 0; k < 16; ++k) {
    const bool high = k >= 12;
    const std::vector<float>& tb = high ? horns.tb[k - 12] : low[k];
    const Dims dims{R, static_cast<unsigned long long>(high ? kHighPixels : kLowPixels)};
    if (counts) {
      std::vector<std::int16_t> v(tb.size());
      std::transform(tb.begin(), tb.end(), v.begin(), [](float t) { return countCode(t); });
      f.data("Observation Count (" + level1Channel(k) + ")", dims, v, 1.0f, "Count");
    } else {
      f.data("Brightness Temperature (" + level1Channel(k) + ")", dims,
             kelvinCodes(tb, rows, high ? kHighPixels : kLowPixels), 0.01f, "K");
    }
  }
  f.data("Land_Ocean Flag 6 to 36", {6, R, kLowPixels}, landLow, 1.0f, "%", 1);
  f.data("Land_Ocean Flag 89", {2, R, kHighPixels}, horns.land, 1.0f, "%", 1);
}

// Level 1R: every channel resampled to the footprints of 6.9, 10.7, 23.8 and 36.5 GHz at the
// even 89A pixels, the original 89 GHz samples, terrain height and land percentages.
struct Resolution {
  const char* name;
  double footprintKm;
  int firstFrequency;
};
const Resolution kResolutions[4] = {{"res06", 30.0, 0}, {"res10", 20.0, 2}, {"res23", 12.0, 3}, {"res36", 6.0, 5}};

void addLevel1R(ProductFile& f, const orbit::Swath& sw) {
  const int rows = sw.rows;
  const size_t nLow = static_cast<size_t>(rows) * kLowPixels;
  std::vector<std::vector<std::uint16_t>> resampled;  // in dataset order
  for (const auto& res : kResolutions)
    for (int fi = res.firstFrequency; fi < model::kFrequencies; ++fi)
      for (int pol = 0; pol < 2; ++pol) resampled.emplace_back(nLow);
  std::vector<std::int16_t> height(nLow);
  std::vector<std::uint8_t> landLow(4 * nLow);
  Horns horns = newHorns(rows);
  const bool ok = forRows(rows, [&](int begin, int end) {
    for (int r = begin; r < end; ++r) {
      fillHornRow(sw, r, horns);
      for (int k = 0; k < kLowPixels; ++k) {
        const size_t i = static_cast<size_t>(r) * kLowPixels + k;
        const size_t a = static_cast<size_t>(r) * kHighPixels + 2 * k;
        const Environment base = model::environment(sw.latA[a], sw.lonA[a], kResolutions[0].footprintKm);
        height[i] = scaledCode(terrainHeight(base), 1.0);
        size_t d = 0;
        for (int ri = 0; ri < 4; ++ri) {
          const Resolution& res = kResolutions[ri];
          const Environment env = ri == 0 ? base : model::withFootprint(base, res.footprintKm);
          landLow[ri * nLow + i] = percentCode(env.surface.total());
          for (int fi = res.firstFrequency; fi < model::kFrequencies; ++fi)
            for (int pol = 0; pol < 2; ++pol, ++d)
              resampled[d][i] = kelvinCode(model::brightnessTemperature(fi, pol, env) +
                                           sampleNoise(r, k, 40 + static_cast<int>(d), 0.2));
        }
      }
    }
  });
  if (!ok) return f.fail();
  const unsigned long long R = static_cast<unsigned long long>(rows);
  size_t d = 0;
  for (const auto& res : kResolutions)
    for (int fi = res.firstFrequency; fi < model::kFrequencies; ++fi)
      for (int pol = 0; pol < 2; ++pol, ++d) {
        placeInvalidCodes(resampled[d], rows, kLowPixels);
        f.data(std::string("Brightness Temperature (") + res.name + "," + kFrequencyText[fi] + "," +
                   kPolarisationText[pol] + ")",
               {R, kLowPixels}, resampled[d], 0.01f, "K");
      }
  const char* const original[4] = {"89GHz-A,V", "89GHz-A,H", "89GHz-B,V", "89GHz-B,H"};
  for (int c = 0; c < 4; ++c)
    f.data(std::string("Brightness Temperature (original,") + original[c] + ")", {R, kHighPixels},
           kelvinCodes(horns.tb[c], rows, kHighPixels), 0.01f, "K");
  f.data("Area Mean Height", {R, kLowPixels}, height, 1.0f, "m");
  f.data("Land_Ocean Flag 6 to 36", {4, R, kLowPixels}, landLow, 1.0f, "%", 1);
  f.data("Land_Ocean Flag 89", {2, R, kHighPixels}, horns.land, 1.0f, "%", 1);
}

// Level 2 geophysical values [scan][pixel][layer] at the given positions, with pixel quality
// (bit 0: no retrieval).
void addLevel2Layers(ProductFile& f, const ProductOptions& o, int rows, int width, const std::vector<float>& lat,
                     const std::vector<float>& lon, int stride, double footprintKm, float scale,
                     const std::string& dataName, const std::string& qualityName) {
  const QuantityInfo& q = *findQuantity(o.quantity);
  const int layers = o.layers;
  const size_t n = static_cast<size_t>(rows) * width;
  std::vector<std::int16_t> values(n * layers);
  std::vector<std::uint8_t> quality(n);
  const bool ok = forRows(rows, [&](int begin, int end) {
    for (int r = begin; r < end; ++r) {
      for (int p = 0; p < width; ++p) {
        const size_t i = static_cast<size_t>(r) * width + p;
        const size_t src = static_cast<size_t>(r) * kHighPixels + static_cast<size_t>(p) * stride;
        const Environment env = model::environment(lat[src], lon[src], footprintKm);
        bool retrieved = false;
        for (int l = 0; l < layers; ++l) {
          double value = 0.0;
          const bool has = model::geophysical(q.quantity, l, env, value);
          retrieved = retrieved || has;
          values[i * layers + l] = has ? scaledCode(value, scale) : static_cast<std::int16_t>(kI16NoRetrieval);
        }
        quality[i] = retrieved ? 0 : 1;
      }
    }
  });
  if (!ok) return f.fail();
  const unsigned long long R = static_cast<unsigned long long>(rows), W = static_cast<unsigned long long>(width);
  f.data(dataName, {R, W, static_cast<unsigned long long>(layers)}, values, scale, q.unit);
  f.data(qualityName, {R, W}, quality, 1.0f, "");
}

void addLevel2(ProductFile& f, const orbit::Swath& sw, const ProductOptions& o) {
  addScanDatasets(f, sw);
  if (o.resolutionMark == 'H') {
    addLevel2Layers(f, o, sw.rows, kHighPixels, sw.latA, sw.lonA, 1, model::kFootprintKm[k89], 0.1f,
                    "Geophysical Data for 89A", "Pixel Data Quality for 89A");
    addLevel2Layers(f, o, sw.rows, kHighPixels, sw.latB, sw.lonB, 1, model::kFootprintKm[k89], 0.1f,
                    "Geophysical Data for 89B", "Pixel Data Quality for 89B");
    addGeolocation(f, sw, " for 89A", " for 89B");
    return;
  }
  const QuantityInfo& q = *findQuantity(o.quantity);
  addLevel2Layers(f, o, sw.rows, kLowPixels, sw.latA, sw.lonA, 2, q.footprintKm, 0.01f, "Geophysical Data",
                  "Pixel Data Quality");
  // The low-resolution pixels lie at the even 89A pixels.
  const size_t n = static_cast<size_t>(sw.rows) * kLowPixels;
  std::vector<float> lat(n), lon(n);
  for (size_t i = 0; i < n; ++i) {
    lat[i] = sw.latA[2 * i];
    lon[i] = sw.lonA[2 * i];
  }
  const Dims dims{static_cast<unsigned long long>(sw.rows), kLowPixels};
  f.data("Latitude of Observation Point", dims, lat, 1.0f, "deg");
  f.data("Longitude of Observation Point", dims, lon, 1.0f, "deg");
}

// ---------------------------------------------------------------------------------------------
// Level 3

// Observation statistics of a monthly grid cell: days with at least one pass and footprints
// averaged in the month.
void monthlyCounts(const orbit::Coverage& c, int days, int km, std::int16_t& averaged, std::int16_t& total) {
  const double perDay = std::min(1.0, c.passesPerDay);
  averaged = static_cast<std::int16_t>(std::clamp<long>(std::lround(days * perDay), 1, days));
  const double footprintsPerPass = 1.5 * (km / 10.0) * (km / 10.0);
  total = static_cast<std::int16_t>(std::clamp<long>(std::lround(days * c.passesPerDay * footprintsPerPass), 1, 32767));
}

void addLevel3(ProductFile& f, const ProductOptions& o, const Period& period) {
  int rows = 0, cols = 0;
  gridShape(o.projection, o.gridKm, rows, cols);
  const size_t n = static_cast<size_t>(rows) * cols;
  const int frequency = brightnessFrequency(o.quantity);
  const bool bt = frequency >= 0;
  const QuantityInfo* q = bt ? nullptr : findQuantity(o.quantity);
  const int layers = bt ? 2 : o.layers;  // brightness temperatures: V and H
  const double footprintKm = bt ? model::kFootprintKm[frequency] : q->footprintKm;
  const orbit::DailyCoverage coverage(period.startUtc, o.ascending);
  const float geoScale = 0.1f;

  // Per cell and layer (V/H or geophysical layer).
  std::vector<std::int16_t> geo, spread, averaged, total;
  std::vector<std::uint16_t> tb[2];
  std::vector<std::int16_t> minutes;
  if (bt) {
    tb[0].resize(n);
    tb[1].resize(n);
  } else {
    geo.resize(n * layers);
  }
  if (o.monthly) {
    spread.resize(n * layers);
    averaged.resize(n * layers);
    total.resize(n * layers);
  } else {
    minutes.resize(n);
  }
  // Brightness-temperature statistics are planes (V, then H); geophysical ones interleave
  // their layers per cell like the geophysical data.
  auto slot = [&](size_t i, int l) { return bt ? static_cast<size_t>(l) * n + i : i * layers + l; };
  const bool ok = forRows(rows, [&](int begin, int end) {
    for (int r = begin; r < end; ++r) {
      for (int c = 0; c < cols; ++c) {
        const size_t i = static_cast<size_t>(r) * cols + c;
        double lat = 0.0, lon = 0.0;
        gridCellLatLon(o.projection, o.gridKm, r, c, lat, lon);
        const orbit::Coverage cov = coverage.at(lat, lon);
        const bool seen = o.monthly ? cov.passesPerDay > 0.0 : cov.covered;
        if (!o.monthly) minutes[i] = seen ? scaledCode(cov.minuteOfDay, 1.0) : static_cast<std::int16_t>(kI16NoRetrieval);
        if (!seen) {
          for (int l = 0; l < layers; ++l) {
            const size_t li = slot(i, l);
            if (bt) tb[l][i] = static_cast<std::uint16_t>(kU16NoData);
            else geo[li] = static_cast<std::int16_t>(kI16NoRetrieval);
            if (o.monthly) {
              spread[li] = static_cast<std::int16_t>(kI16NoRetrieval);
              averaged[li] = 0;
              total[li] = 0;
            }
          }
          continue;
        }
        const Environment env = model::environment(lat, lon, footprintKm);
        std::int16_t avg = 0, tot = 0;
        if (o.monthly) monthlyCounts(cov, period.days, o.gridKm, avg, tot);
        for (int l = 0; l < layers; ++l) {
          const size_t li = slot(i, l);
          double value = 0.0;
          bool has = true;
          double sd = 0.0;
          if (bt) {
            // A monthly mean is smoother than one day's pass.
            value = model::brightnessTemperature(frequency, l, env) + sampleNoise(r, c, l, o.monthly ? 0.1 : 0.3);
            sd = 0.8 + 2.5 * std::fabs(env.pattern2) + 30.0 * env.seaIce * (1.0 - env.seaIce) +
                 1.5 * env.surface.land;
            tb[l][i] = kelvinCode(value);
          } else {
            has = model::geophysical(q->quantity, l, env, value);
            sd = model::geophysicalSpread(q->quantity, env);
            geo[li] = has ? scaledCode(value, geoScale) : static_cast<std::int16_t>(kI16NoRetrieval);
          }
          if (o.monthly) {
            spread[li] = has ? scaledCode(sd, 0.01) : static_cast<std::int16_t>(kI16NoRetrieval);
            averaged[li] = has ? avg : 0;
            total[li] = has ? tot : 0;
          }
        }
      }
    }
  });
  if (!ok) return f.fail();

  const unsigned long long R = static_cast<unsigned long long>(rows), C = static_cast<unsigned long long>(cols);
  if (bt) {
    for (auto& t : tb) {
      if (kL3InvalidRow < rows && kL3MissingCol < cols) {
        t[static_cast<size_t>(kL3InvalidRow) * cols + kL3OutOfRangeCol] = static_cast<std::uint16_t>(kOutOfRangeCode);
        t[static_cast<size_t>(kL3InvalidRow) * cols + kL3MissingCol] = static_cast<std::uint16_t>(kMissingCode);
      }
    }
    f.data("Brightness Temperature (V)", {R, C}, tb[0], 0.01f, "K");
    f.data("Brightness Temperature (H)", {R, C}, tb[1], 0.01f, "K");
    if (o.monthly) {
      // The statistics are held as a V plane followed by an H plane.
      f.data("Standard Deviation (V)", {R, C}, std::vector<std::int16_t>(spread.begin(), spread.begin() + n), 0.01f, "K");
      f.data("Standard Deviation (H)", {R, C}, std::vector<std::int16_t>(spread.begin() + n, spread.end()), 0.01f, "K");
      f.data("Average Number (V)", {R, C}, std::vector<std::int16_t>(averaged.begin(), averaged.begin() + n), 1.0f, "");
      f.data("Average Number (H)", {R, C}, std::vector<std::int16_t>(averaged.begin() + n, averaged.end()), 1.0f, "");
      f.data("Total Number (V)", {R, C}, std::vector<std::int16_t>(total.begin(), total.begin() + n), 1.0f, "");
      f.data("Total Number (H)", {R, C}, std::vector<std::int16_t>(total.begin() + n, total.end()), 1.0f, "");
    }
  } else {
    const Dims dims{R, C, static_cast<unsigned long long>(layers)};
    f.data("Geophysical Data", dims, geo, geoScale, q->unit);
    if (o.monthly) {
      f.data("Standard Deviation", dims, spread, 0.01f, q->unit);
      f.data("Average Number", dims, averaged, 1.0f, "");
      f.data("Total Number", dims, total, 1.0f, "");
    }
  }
  if (!o.monthly) f.data("Time Information", {R, C}, minutes, 1.0f, "min");
}

}  // namespace

// ---------------------------------------------------------------------------------------------

// The observation start and end times sit where readers look for them by position: at
// indexes 9 and 10 (0-based) in swath products and 12 and 13 in Level 3 products.
std::vector<std::string> rootAttributeOrder(Level level) {
  std::vector<std::string> names = {"ProductName",      "GeophysicalName", "GranuleID",
                                    "OverlapScans",     "NumberOfScans",   "PlatformShortName",
                                    "SensorShortName",  "StartOrbitNumber", "StopOrbitNumber"};
  if (level == Level::L3) {
    names.insert(names.end(), {"OrbitDirection", "Projection", "ProductionDateTime", "ObservationStartDateTime",
                               "ObservationEndDateTime"});
  } else {
    names.insert(names.end(), {"ObservationStartDateTime", "ObservationEndDateTime", "OrbitDirection",
                               "CoRegistrationParameterA1", "CoRegistrationParameterA2", "ProductionDateTime"});
  }
  return names;
}

std::string optionsProblem(const ProductOptions& o) {
  double utc = 0.0;
  if (!orbit::parseUtc(o.startTime, utc)) return "start time \"" + o.startTime + "\" is not YYYY-MM-DDThh:mm:ss[.sss]";
  if (o.orbit < 0 || o.orbit > 99999) return "orbit number must be 0..99999";
  if (o.gzip < 0 || o.gzip > 9) return "gzip level must be 0..9";
  switch (o.level) {
    case Level::L1A:
    case Level::L1B:
    case Level::L1R:
      if (o.scans < 1) return "number of scans must be at least 1";
      if (o.overlap < 0) return "overlap scans must not be negative";
      if (o.scans + 2LL * o.overlap > kMaxLevel1Rows)
        return "scans plus twice the overlap must not exceed " + std::to_string(kMaxLevel1Rows);
      return "";
    case Level::L2:
      if (o.scans < 1 || o.scans > kMaxLevel2Scans)
        return "number of scans must be 1.." + std::to_string(kMaxLevel2Scans);
      if (o.resolutionMark != 'L' && o.resolutionMark != 'H') return "resolution mark must be L or H";
      if (!findQuantity(o.quantity)) return "Level 2 quantity \"" + o.quantity + "\" is not one of TPW CLW PRC SST SSW SIC SND SMC";
      if (o.layers < 1 || o.layers > 3) return "layers must be 1..3";
      return "";
    case Level::L3: {
      int rows = 0, cols = 0;
      if (o.gridKm != 10 && o.gridKm != 25) return "grid resolution must be 10 or 25 km";
      if (!gridShape(o.projection, o.gridKm, rows, cols)) return "projection must be EQR, PS-N or PS-S";
      if (!findQuantity(o.quantity) && brightnessFrequency(o.quantity) < 0)
        return "Level 3 quantity \"" + o.quantity + "\" is not one of T06 T07 T10 T18 T23 T36 T89 TPW CLW PRC SST SSW SIC SND SMC";
      if (o.layers < 1 || o.layers > 3) return "layers must be 1..3";
      return "";
    }
  }
  return "unknown level";
}

std::string granuleId(const ProductOptions& o) {
  if (!optionsProblem(o).empty()) return "";
  const char direction = o.ascending ? 'A' : 'D';
  if (o.level == Level::L3) {
    Period p;
    level3Period(o, p);
    std::string date = compactTime(p.startUtc).substr(0, 8);
    if (o.monthly) date.replace(6, 2, "00");
    const char* grid = o.projection == "EQR" ? "EQ" : (o.projection == "PS-N" ? "PN" : "PS");
    return "GW1AM2_" + date + (o.monthly ? "_01M_" : "_01D_") + grid + "M" + direction + "_L3SG" + o.quantity +
           (o.gridKm == 10 ? "H" : "L") + "A2220220";
  }
  double utc = 0.0;
  orbit::parseUtc(o.startTime, utc);
  char path[8];
  std::snprintf(path, sizeof path, "%03d", o.orbit % 1000);
  std::string product;
  switch (o.level) {
    case Level::L1A: product = "L1SGCNAR_"; break;
    case Level::L1B: product = "L1SGBTBR_"; break;
    case Level::L1R: product = "L1SGRTBR_"; break;
    default: product = "L2SG" + o.quantity + o.resolutionMark + "A"; break;
  }
  return "GW1AM2_" + compactTime(utc) + "_" + path + direction + "_" + product + "2220220";
}

int writeProduct(const std::string& path, const ProductOptions& o) {
  if (!optionsProblem(o).empty()) return kGenBadOptions;
  auto discard = [&path] {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  };
  try {
    const bool level3 = o.level == Level::L3;
    Period period;
    orbit::Swath sw;
    if (level3) {
      level3Period(o, period);
    } else {
      orbit::parseUtc(o.startTime, period.startUtc);
      if (!orbit::computeSwath(period.startUtc, o.scans, storedOverlap(o), o.ascending, sw)) return kGenBadOptions;
      period.endUtc = sw.utc[static_cast<size_t>(storedOverlap(o) + o.scans - 1)];
    }

    ProductFile f(o.gzip);
    if (!f.create(path)) return kGenCreateFailed;
    const int stopOrbit = level3 ? o.orbit + static_cast<int>(std::lround(period.days * orbit::kUtcDay / orbit::kPeriodSec)) - 1
                                 : o.orbit;
    std::map<std::string, std::string> values = {
        {"ProductName", productName(o.level)},
        {"GeophysicalName", geophysicalName(o)},
        {"GranuleID", granuleId(o)},
        {"OverlapScans", std::to_string(storedOverlap(o))},
        {"NumberOfScans", std::to_string(level3 ? 0 : o.scans)},
        {"ObservationStartDateTime", orbit::formatUtc(period.startUtc)},
        {"ObservationEndDateTime", orbit::formatUtc(period.endUtc)},
        {"PlatformShortName", "GCOM-W1"},
        {"SensorShortName", "AMSR2"},
        {"StartOrbitNumber", std::to_string(o.orbit)},
        {"StopOrbitNumber", std::to_string(std::max(o.orbit, stopOrbit))},
        {"OrbitDirection", o.ascending ? "Ascending" : "Descending"},
        {"Projection", o.projection},
        {"CoRegistrationParameterA1", coRegistrationText(kCoRegA1)},
        {"CoRegistrationParameterA2", coRegistrationText(kCoRegA2)},
        // Fixed relative to the observation so that equal options give equal files.
        {"ProductionDateTime", orbit::formatUtc(period.endUtc + (level3 ? orbit::kUtcDay : 3.0 * 3600.0))},
    };
    for (const std::string& name : rootAttributeOrder(o.level)) f.attr(name, values[name]);

    switch (o.level) {
      case Level::L1A:
      case Level::L1B:
        addScanDatasets(f, sw);
        addNavigation(f, sw);
        addLevel1Channels(f, sw, o.level == Level::L1A);
        addEngineering(f, sw.rows);
        addGeolocation(f, sw, " for 89A", " for 89B");
        addViewingAngles(f, sw);
        addLevel1Quality(f, sw.rows);
        break;
      case Level::L1R:
        addScanDatasets(f, sw);
        addNavigation(f, sw);
        addLevel1R(f, sw);
        addGeolocation(f, sw, " for 89A", " for 89B");
        addViewingAngles(f, sw);
        addLevel1Quality(f, sw.rows);
        break;
      case Level::L2: addLevel2(f, sw, o); break;
      case Level::L3: addLevel3(f, o, period); break;
    }
    if (!f.finish()) {
      discard();
      return kGenWriteFailed;
    }
    return kGenOk;
  } catch (const std::exception&) {
    discard();
    return kGenWriteFailed;
  }
}

std::vector<ProductOptions> sampleSetOptions() {
  std::vector<ProductOptions> set;
  for (Level level : {Level::L1A, Level::L1B, Level::L1R}) {
    ProductOptions o;
    o.level = level;
    set.push_back(o);
  }
  for (const auto& [mark, quantity] : {std::pair{'L', "SST"}, std::pair{'H', "PRC"}}) {
    ProductOptions o;
    o.level = Level::L2;
    o.overlap = 0;
    o.resolutionMark = mark;
    o.quantity = quantity;
    set.push_back(o);
  }
  for (bool monthly : {false, true})
    for (int km : {10, 25})
      for (const char* projection : {"EQR", "PS-N", "PS-S"})
        for (bool brightness : {true, false}) {
          ProductOptions o;
          o.level = Level::L3;
          o.overlap = 0;
          o.monthly = monthly;
          o.gridKm = km;
          o.projection = projection;
          o.quantity = brightness ? "T36" : (o.projection == "EQR" ? "SST" : "SIC");
          set.push_back(o);
        }
  return set;
}

int writeSampleSet(const std::string& dir, const std::function<void(const std::string& path, int result)>& onFile) {
  int failures = 0;
  for (const ProductOptions& o : sampleSetOptions()) {
    const std::string path = (std::filesystem::path(dir) / (granuleId(o) + ".h5")).string();
    const int result = writeProduct(path, o);
    if (result != kGenOk) ++failures;
    if (onFile) onFile(path, result);
  }
  return failures;
}

}  // namespace kivo::gen
