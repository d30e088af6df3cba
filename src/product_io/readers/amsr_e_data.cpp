#include "product_io/readers/amsr_e_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "product_io/allocation.h"
#include "product_io/angles.h"
#include "product_io/coregistration.h"
#include "product_io/trace.h"

// The HDF4 headers define macros with common names; they stay in this file.
#include <mfhdf.h>

namespace kivo::io {
namespace {

constexpr int kFail = -1;
constexpr int kScanCountAttribute = 28;
constexpr long long kMaxElements = 64LL * 1024 * 1024;   // largest data set read
constexpr int32 kMaxAttributeBytes = 16 * 1024 * 1024;  // largest attribute read
constexpr float kNoPosition = -9999.0f;

// Projection constants of the polar stereographic grids.
constexpr double kEccentricity2 = 0.08182 * 0.08182;

// Level 1A and 1B data sets have fixed pixel counts per scan.
bool isLevel1FixedType(PrdctType t) { return isLevel1A(t) || levelOf(t) == Level::L1B; }
bool is89Code(AccessLabel c) { return c == 31 || c == 33 || c == 35 || c == 37; }

// Pixels per scan of the fixed-size Level 1 types: {low frequency, 89 GHz}.
void fixedPixels(PrdctType type, int& low, int& high) {
  if (type == PrdctType::AmsrEL1A) {
    low = 243;
    high = 486;
  } else if (type == PrdctType::AmsrL1A) {
    low = 290;
    high = 580;
  } else {
    low = 196;
    high = 392;
  }
}

// One data set selected by reference number; ends its access when done.
class Sds {
 public:
  Sds(int32 sd, int32 ref) {
    const int32 index = SDreftoindex(sd, ref);
    if (index >= 0) id_ = SDselect(sd, index);
    if (id_ >= 0) {
      char name[H4_MAX_NC_NAME + 1] = {};
      int32 nattrs = 0;
      if (SDgetinfo(id_, name, &rank_, dims_, &type_, &nattrs) == FAIL) rank_ = 0;
    }
  }
  ~Sds() {
    if (id_ >= 0) SDendaccess(id_);
  }
  Sds(const Sds&) = delete;
  Sds& operator=(const Sds&) = delete;
  bool ok() const { return id_ >= 0 && rank_ >= 1 && rank_ <= 3; }
  int32 rank() const { return rank_; }
  const int32* dims() const { return dims_; }
  long long elements() const {
    long long n = 1;
    for (int i = 0; i < rank_; ++i) n *= dims_[i];
    return n;
  }
  // Reads the whole data set as 16-bit integers; elements that are not read stay -1.
  bool readInt16(std::vector<std::int16_t>& out) const {
    if (!ok() || (type_ != DFNT_INT16 && type_ != DFNT_UINT16)) return false;
    const long long n = elements();
    if (n <= 0 || n > kMaxElements) return false;
    if (!tryAllocate([&] { out.assign(static_cast<std::size_t>(n), -1); })) return false;
    int32 start[3] = {0, 0, 0};
    int32 edges[3] = {dims_[0], rank_ > 1 ? dims_[1] : 1, rank_ > 2 ? dims_[2] : 1};
    return SDreaddata(id_, start, nullptr, edges, out.data()) != FAIL;
  }

 private:
  int32 id_ = -1;
  int32 rank_ = 0;
  int32 dims_[H4_MAX_VAR_DIMS] = {};
  int32 type_ = 0;
};

// Reads root attribute `index` as text; numeric attributes are written out as numbers.
bool readAttributeText(int32 sd, int32 index, std::string& text, std::string* name, int32* count) {
  char attrName[H4_MAX_NC_NAME + 1] = {};
  int32 type = 0;
  int32 n = 0;
  if (SDattrinfo(sd, index, attrName, &type, &n) == FAIL) return false;
  const int32 size = DFKNTsize(type);
  if (size <= 0 || n < 0 || static_cast<long long>(n) * size > kMaxAttributeBytes) return false;
  std::vector<char> raw(static_cast<std::size_t>(n) * static_cast<std::size_t>(size) + 1, '\0');
  if (n > 0 && SDreadattr(sd, index, raw.data()) == FAIL) return false;
  if (name != nullptr) *name = attrName;
  if (count != nullptr) *count = n;
  if (type == DFNT_CHAR8 || type == DFNT_UCHAR8) {
    text.assign(raw.data(), strnlen(raw.data(), static_cast<std::size_t>(n)));
    return true;
  }
  text.clear();
  for (int32 i = 0; i < n; ++i) {
    const char* p = raw.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(size);
    char number[64] = {};
    switch (type) {
      case DFNT_INT8: std::snprintf(number, sizeof number, "%d", *reinterpret_cast<const int8*>(p)); break;
      case DFNT_UINT8: std::snprintf(number, sizeof number, "%u", *reinterpret_cast<const uint8*>(p)); break;
      case DFNT_INT16: std::snprintf(number, sizeof number, "%d", *reinterpret_cast<const int16*>(p)); break;
      case DFNT_UINT16: std::snprintf(number, sizeof number, "%u", *reinterpret_cast<const uint16*>(p)); break;
      case DFNT_INT32: std::snprintf(number, sizeof number, "%d", static_cast<int>(*reinterpret_cast<const int32*>(p))); break;
      case DFNT_UINT32: std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(*reinterpret_cast<const uint32*>(p))); break;
      case DFNT_FLOAT32: std::snprintf(number, sizeof number, "%.9g", static_cast<double>(*reinterpret_cast<const float32*>(p))); break;
      case DFNT_FLOAT64: std::snprintf(number, sizeof number, "%.17g", *reinterpret_cast<const float64*>(p)); break;
      default: return false;
    }
    if (i > 0) text += ' ';
    text += number;
  }
  return true;
}

// Positions read from a latitude and a longitude data set stored in hundredths of a degree.
bool readPositionSets(int32 sd, int32 latRef, int32 lonRef, std::vector<LatLon>& out, int32& scans, int32& pixels) {
  const Sds lat(sd, latRef);
  const Sds lon(sd, lonRef);
  std::vector<std::int16_t> la, lo;
  if (!lat.readInt16(la) || !lon.readInt16(lo) || la.size() != lo.size()) return false;
  scans = lat.dims()[0];
  pixels = lat.rank() > 1 ? lat.dims()[1] : 1;
  out.resize(la.size());
  for (std::size_t i = 0; i < la.size(); ++i) {
    out[i].lat = static_cast<float>(la[i] * 0.01);
    out[i].lon = static_cast<float>(lo[i] * 0.01);
  }
  return true;
}

int bandOfCode(AccessLabel code) {
  switch (code) {
    case 7: case 9: return 0;
    case 11: case 13: return 1;
    case 15: case 17: return 2;
    case 19: case 21: return 3;
    case 23: case 25: return 4;
    case 27: case 29: return 5;
    default: return -1;
  }
}

// Forward projection onto the look-up table plane; false for the other hemisphere.
bool polarForward(bool north, double lonMicro, double latMicro, int& x, int& y) {
  const double rho0 = north ? -135.0 : 0.0;
  double lam = lonMicro / 1e6 + rho0;
  while (lam > 360.0) lam -= 720.0;
  while (lam <= -360.0) lam += 720.0;
  const double phiDeg = latMicro / 1e6;
  if (north ? (phiDeg < 0.0 || phiDeg > 90.0) : (phiDeg < -90.0 || phiDeg > 0.0)) return false;
  const double lamRad = lam * 1e6 * angles::kMicroToRad14;
  const double psi = std::atan((1.0 - kEccentricity2) * std::tan(latMicro * angles::kMicroToRad14));
  constexpr double k = 2.0 * 160.0;
  if (north) {
    const double r = k * std::cos(psi) / (1.0 + std::sin(psi));
    x = static_cast<int>(std::trunc(r * std::sin(-lamRad)));
    y = static_cast<int>(std::trunc(r * std::cos(-lamRad)));
  } else {
    const double r = k * std::cos(-psi) / (1.0 + std::sin(-psi));
    x = static_cast<int>(std::trunc(r * std::sin(lamRad)));
    y = static_cast<int>(std::trunc(r * std::cos(lamRad)));
  }
  return true;
}

// Checks the file's data-descriptor blocks before the HDF4 library sees the file: every
// block must lie in the file and every element it describes too. The library copes badly
// with truncated or garbled files (it may keep memory it allocated for them), so such files
// are refused here.
bool descriptorsFitTheFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const long long size = static_cast<long long>(in.tellg());
  if (size < 16) return false;
  const auto u16 = [](const unsigned char* p) { return static_cast<unsigned>(p[0]) << 8 | p[1]; };
  const auto u32 = [](const unsigned char* p) {
    return static_cast<unsigned long long>(p[0]) << 24 | static_cast<unsigned long long>(p[1]) << 16 |
           static_cast<unsigned long long>(p[2]) << 8 | p[3];
  };
  unsigned char magic[4];
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(magic), 4) || magic[0] != 0x0E || magic[1] != 0x03 || magic[2] != 0x13 ||
      magic[3] != 0x01) {
    return false;
  }
  unsigned long long offset = 4;
  for (int blocks = 0; offset != 0; ++blocks) {
    if (blocks > 100000 || static_cast<long long>(offset) + 6 > size) return false;
    unsigned char header[6];
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char*>(header), 6)) return false;
    const unsigned count = u16(header);
    const unsigned long long next = u32(header + 2);
    if (count == 0 || static_cast<long long>(offset + 6 + 12ULL * count) > size) return false;
    std::vector<unsigned char> dds(12 * static_cast<std::size_t>(count));
    if (!in.read(reinterpret_cast<char*>(dds.data()), static_cast<std::streamsize>(dds.size()))) return false;
    for (unsigned i = 0; i < count; ++i) {
      const unsigned char* dd = &dds[12 * static_cast<std::size_t>(i)];
      const unsigned tag = u16(dd);
      const unsigned long long at = u32(dd + 4);
      const unsigned long long length = u32(dd + 8);
      // Empty descriptors and special (linked or external) elements carry no plain data here.
      if (tag == 1 /* DFTAG_NULL */ || (tag & 0x4000) != 0 || length == 0 || at == 0xFFFFFFFFULL) continue;
      if (static_cast<long long>(at + length) > size) return false;
    }
    offset = next;
  }
  return true;
}

}  // namespace

void hdf4PolarGridPositions(bool north, int rows, int cols, std::vector<LatLon>& positions) {
  constexpr int kSide = 1000;
  constexpr int kOffset = 600;
  struct Cell {
    std::int32_t lat = -1, lon = -1;
  };
  std::vector<Cell> table(static_cast<std::size_t>(kSide) * kSide);
  const auto cellAt = [&](int x, int y) -> Cell* {
    const int cx = x + kOffset;
    const int cy = y + kOffset;
    if (cx < 0 || cy < 0 || cx >= kSide || cy >= kSide) return nullptr;
    return &table[static_cast<std::size_t>(cy) * kSide + static_cast<std::size_t>(cx)];
  };
  for (int i = 0; i <= 900; ++i) {
    const std::int32_t lat = (north ? 1 : -1) * i * 100000;
    for (int j = 0; j <= 3600; ++j) {
      const std::int32_t lon = -180000000 + j * 100000;
      int x = 0, y = 0;
      if (!polarForward(north, lon, lat, x, y)) continue;
      if (Cell* c = cellAt(x, y)) *c = Cell{lat, lon};
    }
  }
  int x0 = 0, y0 = 0;
  if (north) {
    polarForward(true, 168.35e6, 30.98e6, x0, y0);
  } else {
    polarForward(false, -42.24e6, -39.23e6, x0, y0);
  }
  positions.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), LatLon{kNoPosition, kNoPosition});
  int dy = 0;
  for (int l = 0; l < rows; ++l) {
    int dx = 0;
    for (int m = 0; m < cols; ++m) {
      if (const Cell* c = cellAt(x0 + m + dx, y0 - l + dy)) {
        LatLon& p = positions[static_cast<std::size_t>(l) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(m)];
        p.lat = static_cast<float>(c->lat / 1e6);
        p.lon = static_cast<float>(c->lon / 1e6);
      }
      if ((x0 + m + 1) % 3 == 0) --dx;
      if ((x0 + m + 1) % 50 == 0) --dx;
    }
    if ((y0 - l - 1) % 3 == 0) ++dy;
    if ((y0 - l - 1) % 50 == 0) ++dy;
  }
}

int AMSR_E_data::open() {
  close();
  if (!descriptorsFitTheFile(path_)) {
    trace("File open error@openV\n");
    trace("SDstart error @openSD\n");
    return 3;
  }
  int flags = 0;
  fileId_ = Hopen(path_.c_str(), DFACC_READ, 0);
  if (fileId_ == FAIL || Vstart(fileId_) == FAIL) {
    trace("File open error@openV\n");
    if (fileId_ != FAIL) Hclose(fileId_);
    fileId_ = -1;
    flags |= 1;
  }
  sdId_ = SDstart(path_.c_str(), DFACC_READ);
  if (sdId_ == FAIL) {
    trace("SDstart error @openSD\n");
    sdId_ = -1;
    flags |= 2;
  }
  if (flags != 0) close();
  return flags;
}

int AMSR_E_data::close() {
  if (sdId_ >= 0) SDend(sdId_);
  sdId_ = -1;
  if (fileId_ >= 0) {
    Vend(fileId_);
    Hclose(fileId_);
  }
  fileId_ = -1;
  return 0;
}

int AMSR_E_data::attributeCount() {
  if (sdId_ < 0) return 0;
  int32 datasets = 0, attributes = 0;
  if (SDfileinfo(sdId_, &datasets, &attributes) == FAIL) return 0;
  return attributes;
}

int AMSR_E_data::attributeByIndex(int index, std::string& value) {
  value.clear();
  if (sdId_ < 0 || index < 0 || index >= attributeCount()) return kFail;
  return readAttributeText(sdId_, index, value, nullptr, nullptr) ? static_cast<int>(value.size()) : kFail;
}

int AMSR_E_data::attributeName(int index, std::string& name, int& valueSize) {
  name.clear();
  valueSize = 0;
  if (sdId_ < 0 || index < 0 || index >= attributeCount()) return kFail;
  char attrName[H4_MAX_NC_NAME + 1] = {};
  int32 type = 0, count = 0;
  if (SDattrinfo(sdId_, index, attrName, &type, &count) == FAIL) return kFail;
  std::string n = attrName;
  if (!n.empty() && n.back() == '\n') n.pop_back();
  n.erase(std::remove(n.begin(), n.end(), ' '), n.end());
  name = n;
  valueSize = count;
  return 0;
}

int AMSR_E_data::findAttribute(const std::string& name, std::string& value) {
  value.clear();
  const int32 index = sdId_ >= 0 ? SDfindattr(sdId_, name.c_str()) : FAIL;
  if (index == FAIL) {
    trace("SDfindattr error@getATTRIBUTE_NAME_AMSR\n");
    return kFail;
  }
  return readAttributeText(sdId_, index, value, nullptr, nullptr) ? 0 : kFail;
}

int AMSR_E_data::dimensions(AccessLabel code, DimSize& dims, PrdctType prdctType) {
  dims = DimSize{};
  if (sdId_ < 0) return 0;
  if (isLevel1FixedType(prdctType)) {
    int low = 0, high = 0;
    fixedPixels(prdctType, low, high);
    std::string scans;
    if (attributeByIndex(kScanCountAttribute, scans) < 0) return 0;
    char* end = nullptr;
    const long n = std::strtol(scans.c_str(), &end, 10);
    // Only a plain scan count is accepted, not a longer text that merely begins with digits.
    while (end != nullptr && (*end == ' ' || *end == '\r' || *end == '\n')) ++end;
    if (end == scans.c_str() || (end != nullptr && *end != '\0') || n <= 0 || n > 1000000) return 0;
    dims.dims[0] = static_cast<std::int32_t>(n);
    dims.dims[1] = is89Code(code) ? high : low;
    return 2;
  }
  const Sds sds(sdId_, code);
  if (!sds.ok()) return 0;
  bool any = false;
  for (int i = 0; i < sds.rank(); ++i) any |= sds.dims()[i] != 0;
  for (int i = 0; i < sds.rank(); ++i) {
    dims.dims[i] = (any && sds.dims()[i] == 0) ? 1 : sds.dims()[i];
  }
  return 2;
}

int AMSR_E_data::readFloatWithPositions(AccessLabel code, std::vector<float>& values, std::vector<LatLon>& positions,
                                        PrdctType prdctType) {
  values.clear();
  positions.clear();
  if (sdId_ < 0) return kFail;
  const bool level3 = code == 2;
  const bool level2 = code == 3;
  std::string granule;
  double scale = isLevel1A(prdctType) ? 1.0 : 0.1;
  if (level3 || level2) {
    if (findAttribute("Local Granule ID", granule) < 0) return kFail;
    const std::size_t at = level3 ? 15 : 18;
    const std::string product = granule.size() >= at + 3 ? granule.substr(at, 3) : std::string();
    if (product == "CLW" || product == "SM0") scale = 0.001;
    if (product == "IC0" || product == "SWE") scale = 1.0;
  }
  const Sds data(sdId_, code);
  std::vector<std::int16_t> stored;
  if (!data.readInt16(stored)) return kFail;
  std::vector<float> out(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const std::int16_t v = stored[i];
    out[i] = v < 0 ? static_cast<float>(v) : static_cast<float>(v * scale);
  }
  const int32 rows = data.dims()[0];
  const int32 cols = data.rank() > 1 ? data.dims()[1] : 1;

  std::vector<LatLon> pos;
  if (level3) {
    const std::string projection = granule.size() >= 26 ? granule.substr(24, 2) : std::string();
    if (projection == "E0") {
      pos.resize(out.size());
      for (int32 r = 0; r < rows; ++r) {
        for (int32 c = 0; c < cols; ++c) {
          float lon = 0.25f * static_cast<float>(c);
          if (lon >= 180.01f) lon = -179.75f + 0.25f * static_cast<float>(c - 721);
          pos[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)] =
              LatLon{-90.0f + 0.25f * static_cast<float>(r), lon};
        }
      }
    } else if (projection == "PN" || projection == "PS") {
      hdf4PolarGridPositions(projection == "PN", rows, cols, pos);
    } else {
      return kFail;
    }
  } else {
    const bool ownIndex = level2 || is89Code(code);
    int32 scans = 0, pixels = 0;
    if (!readPositionSets(sdId_, level2 ? 7 : 55, level2 ? 9 : 57, pos, scans, pixels)) return kFail;
    if (ownIndex) {
      if (pos.size() != out.size()) return kFail;
    } else {
      const int band = bandOfCode(code);
      if (band < 0 || scans != rows || 2 * static_cast<long long>(cols) > pixels) return kFail;
      double a1[kCoRegBands] = {}, a2[kCoRegBands] = {};
      const char* names[2][2] = {{"CoRegistration ParameterA1", "CoRegistrationParameterA1"},
                                 {"CoRegistration ParameterA2", "CoRegistrationParameterA2"}};
      double* params[2] = {a1, a2};
      for (int p = 0; p < 2; ++p) {
        std::string text;
        if (findAttribute(names[p][0], text) < 0 && findAttribute(names[p][1], text) < 0) return kFail;
        if ((parseCoRegParameter(text, kHdf4BandTokens, params[p]) & (1u << band)) == 0) return kFail;
      }
      std::vector<LatLon> low(out.size());
      for (int32 s = 0; s < rows; ++s) {
        const LatLon* in = &pos[static_cast<std::size_t>(s) * static_cast<std::size_t>(pixels)];
        for (int32 k = 0; k < cols; ++k) {
          LatLon& o = low[static_cast<std::size_t>(s) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(k)];
          if (coregisterHdf4(in[2 * k], in[2 * k + 1], static_cast<float>(a1[band]), static_cast<float>(a2[band]), o) < 0) {
            o = LatLon{kNoPosition, kNoPosition};
          }
        }
      }
      pos = std::move(low);
    }
  }
  values = std::move(out);
  positions = std::move(pos);
  return static_cast<int>(values.size());
}

}  // namespace kivo::io
