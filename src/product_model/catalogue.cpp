#include "product_model/catalogue.h"

#include "product_io/label_tables.h"

#include <cfloat>
#include <cstdio>

namespace kivo::catalogue {
namespace {

using P = PrdctType;

const std::array<std::string, kChnlCount> kChannelNames = [] {
  std::array<std::string, kChnlCount> n{};
  const char* fixed[] = {"",           "6.9GHz-V",   "6.9GHz-H",    "7.3GHz-V",    "7.3GHz-H",    "10.65GHz-V",
                         "10.65GHz-H", "18.7GHz-V",  "18.7GHz-H",   "23.8GHz-V",   "23.8GHz-H",   "36.5GHz-V",
                         "36.5GHz-H",  "50.3GHz-V",  "50.3GHz-H",   "52.8GHz-V",   "52.8GHz-H",   "89.0GHz-V",
                         "89.0GHz-H",  "89.0GHz-A-V", "89.0GHz-A-H", "89.0GHz-B-V", "89.0GHz-B-H"};
  int i = 0;
  for (const char* s : fixed) n[i++] = s;
  n[25] = "Brightness Temperature(V)";
  n[26] = "Brightness Temperature(H)";
  struct Res {
    const char* name;
    std::vector<const char*> freqs;
  };
  const Res resolutions[] = {
      {"res06", {"6.9GHz", "7.3GHz", "10.7GHz", "18.7GHz", "23.8GHz", "36.5GHz", "89.0GHz"}},
      {"res10", {"10.7GHz", "18.7GHz", "23.8GHz", "36.5GHz", "89.0GHz"}},
      {"res23", {"18.7GHz", "23.8GHz", "36.5GHz", "89.0GHz"}},
      {"res36", {"36.5GHz", "89.0GHz"}},
  };
  i = 27;
  for (const Res& r : resolutions) {
    for (const char* f : r.freqs) {
      n[i++] = std::string(r.name) + "-" + f + "-V";
      n[i++] = std::string(r.name) + "-" + f + "-H";
    }
  }
  for (const char* s : {"original-89.0GHz-A-V", "original-89.0GHz-A-H", "original-89.0GHz-B-V",
                        "original-89.0GHz-B-H", "Geophysical Data 1stData", "Geophysical Data 2ndData",
                        "Geophysical Data 3rdData", "Geophysical Data for 89A 1stData",
                        "Geophysical Data for 89A 2ndData", "Geophysical Data for 89A 3rdData",
                        "Geophysical Data for 89B 1stData", "Geophysical Data for 89B 2ndData",
                        "Geophysical Data for 89B 3rdData"}) {
    n[i++] = s;
  }
  return n;
}();

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::string granuleId(PrdctType type, const RootAttributes& attributes) {
  std::string g;
  metaValue(type, attributes, "GranuleID", g);
  return g;
}

std::string geophysicalName(const RootAttributes& attributes) {
  std::string g;
  metaValue(P::None, attributes, "GeophysicalName", g);
  return g;
}

bool isAmsr2Level3Bt(const RootAttributes& attributes) {
  return contains(geophysicalName(attributes), "Brightness Temperature");
}

void setRange(ChannelMask& mask, int first, int last) {
  for (int i = first; i <= last; ++i) mask[static_cast<std::size_t>(i)] = 1;
}

// Maximum and minimum of an HDF4 Level 2/3 quantity code.
void hdf4QuantityRange(PrdctType type, std::string_view code, float& maximum, float& minimum) {
  const bool amsrE = io::prdctInfo(type).sensor == io::Sensor::AmsrE;
  minimum = 0;
  if (code == "WV0") maximum = 70;
  else if (code == "CLW") maximum = 1;
  else if (code == "AP0") maximum = 100;
  else if (code == "SSW") maximum = 30;
  else if (code == "SST") { maximum = 35; minimum = -2; }
  else if (code == "IC0") maximum = 100;
  else if (code == "SM0") maximum = FLT_MAX;
  else if (code == "SWE") maximum = amsrE ? 10000 : 1000;
  else maximum = amsrE ? 350 : FLT_MAX;
}

std::string_view substringAt(std::string_view text, std::size_t pos, std::size_t count) {
  if (pos >= text.size()) return {};
  return text.substr(pos, count);
}

}  // namespace

int ComGetFileFormat(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return kFormatNone;
  unsigned char sig[4] = {0, 0, 0, 0};
  const std::size_t n = std::fread(sig, 1, 4, f);
  std::fclose(f);
  if (n != 4) return kFormatNone;
  if (sig[0] == 0x89 && sig[1] == 0x48 && sig[2] == 0x44 && sig[3] == 0x46) return kFormatHdf5;
  if (sig[0] == 0x0E && sig[1] == 0x03 && sig[2] == 0x13 && sig[3] == 0x01) return kFormatHdf4;
  return kFormatNone;
}

void ProductIdentifier::apply(int index, std::string_view name, std::string_view value) {
  if (name == "ProductName" || name == "ShortName" || name == "Short Name") type_ = prdctTypeFromProductName(value);
  if (equalsIgnoreCase(name, "Projection")) {
    if (equalsIgnoreCase(value, "EQR")) projection_ = kProjEqr;
    else if (equalsIgnoreCase(value, "PS-N")) projection_ = kProjPolarNorth;
    else if (equalsIgnoreCase(value, "PS-S")) projection_ = kProjPolarSouth;
    projectionKnown_ = true;
  }
  if (index == io::prdctInfo(type_).projectionAttribute) {
    projection_ = kProjEqr;
    projectionKnown_ = false;
    if (io::isLevel3(type_) && io::isHdf4(type_)) {
      const std::string_view tail = value.size() >= 2 ? value.substr(value.size() - 2) : value;
      if (tail == "E0") projection_ = kProjEqr;
      else if (tail == "PN") projection_ = kProjPolarNorth;
      else if (tail == "PS") projection_ = kProjPolarSouth;
      projectionKnown_ = true;
    }
  }
}

ProductIdentifier identifyProduct(const RootAttributes& attributes) {
  ProductIdentifier id;
  for (std::size_t i = 0; i < attributes.size(); ++i) id.apply(static_cast<int>(i), attributes[i].name, attributes[i].value);
  return id;
}

bool isLevel2(std::string_view d) { return io::isLevel2(prdctTypeFromDisplayName(d)); }
bool isLevel3(std::string_view d) { return io::isLevel3(prdctTypeFromDisplayName(d)); }
bool isAmsr2Level3(std::string_view d) { return prdctTypeFromDisplayName(d) == P::Amsr2L3; }

const char* channelName(int chnl) {
  return (chnl >= 0 && chnl < kChnlCount) ? kChannelNames[static_cast<std::size_t>(chnl)].c_str() : "";
}

int metaValue(PrdctType type, const RootAttributes& attributes, std::string_view name, std::string& value) {
  value.clear();
  const std::string_view wanted = (io::isHdf4(type) && name == "GranuleID") ? std::string_view("LocalGranuleID") : name;
  for (const RootAttribute& a : attributes) {
    if (equalsIgnoreCase(a.name, wanted)) {
      value = a.value;
      return static_cast<int>(value.size());
    }
  }
  return 0;
}

char resolutionMark(PrdctType type, const RootAttributes& attributes) {
  const std::string g = granuleId(type, attributes);
  return g.size() > 8 ? g[g.size() - 9] : 0;
}

ChannelMask channelMask(PrdctType type, const RootAttributes& attributes) {
  ChannelMask mask{};
  switch (type) {
    case P::AmsrEL1A: case P::AmsrEL1B: case P::AmsrL1A: case P::AmsrL1B:
      setRange(mask, 1, 2); setRange(mask, 5, 12); mask[13] = 1; mask[15] = 1; setRange(mask, 19, 22);
      break;
    case P::AmsrEL1M: case P::AmsrL1M:
      setRange(mask, 1, 2); setRange(mask, 5, 12); mask[13] = 1; mask[15] = 1; mask[17] = 1; mask[18] = 1;
      break;
    case P::AmsrEL2: case P::AmsrL2:
      break;
    case P::AmsrEL2Map: case P::AmsrEL3: case P::AmsrL2Map: case P::AmsrL3:
      mask[0] = 1;
      break;
    case P::Amsr2L1A: case P::Amsr2L1B:
      setRange(mask, 1, 12); setRange(mask, 19, 22);
      break;
    case P::Amsr2L1R:
      setRange(mask, 27, 66);
      break;
    case P::Amsr2L2: {
      const char mark = resolutionMark(type, attributes);
      if (mark == 'L') { mask[67] = 1; mask[68] = 1; }
      if (mark == 'H') { mask[70] = 1; mask[71] = 1; mask[73] = 1; mask[74] = 1; }
      break;
    }
    case P::Amsr2L3:
      if (isAmsr2Level3Bt(attributes)) { mask[25] = 1; mask[26] = 1; }
      else mask[0] = 1;
      break;
    default:
      break;
  }
  return mask;
}

AccessLabel channelLabel(PrdctType type, const RootAttributes& attributes, int chnl) {
  if (chnl < 0 || chnl >= kChnlCount) return 0;
  switch (type) {
    case P::AmsrEL1A: case P::AmsrEL1B: case P::AmsrEL1M: case P::AmsrL1A: case P::AmsrL1B: case P::AmsrL1M: {
      const bool level1M = io::isLevel1M(type);
      switch (chnl) {
        case 1: return 7;   case 2: return 9;   case 5: return 11;  case 6: return 13;
        case 7: return 15;  case 8: return 17;  case 9: return 19;  case 10: return 21;
        case 11: return 23; case 12: return 25; case 13: return 27; case 15: return 29;
        case 17: return level1M ? 31 : 0;
        case 18: return level1M ? 33 : 0;
        case 19: return level1M ? 0 : 31;
        case 20: return level1M ? 0 : 33;
        case 21: return 35; case 22: return 37;
        default: return 0;
      }
    }
    case P::AmsrEL2: case P::AmsrL2:
      return 3;
    case P::AmsrEL2Map: case P::AmsrEL3: case P::AmsrL2Map: case P::AmsrL3:
      return 2;
    case P::Amsr2L1A:
      if (chnl >= 1 && chnl <= 12) return 10050 + 10 * (chnl - 1);
      if (chnl >= 19 && chnl <= 22) return 10170 + 10 * (chnl - 19);
      return 0;
    case P::Amsr2L1B:
      if (chnl >= 1 && chnl <= 12) return 11050 + 10 * (chnl - 1);
      if (chnl >= 19 && chnl <= 22) return 11170 + 10 * (chnl - 19);
      return 0;
    case P::Amsr2L1R:
      if (chnl >= 27 && chnl <= 40) return 12050 + 10 * (chnl - 27);
      if (chnl >= 41 && chnl <= 50) return 12200 + 10 * (chnl - 41);
      if (chnl >= 51 && chnl <= 58) return 12310 + 10 * (chnl - 51);
      if (chnl >= 59 && chnl <= 62) return 12400 + 10 * (chnl - 59);
      if (chnl >= 63 && chnl <= 66) return 11170 + 10 * (chnl - 63);
      return 0;
    case P::Amsr2L2:
      if (resolutionMark(type, attributes) == 'H') {
        switch (chnl) {
          case 0: case 70: return 22030;
          case 71: return 22040; case 72: return 22050;
          case 73: return 22070; case 74: return 22080; case 75: return 22090;
          default: return 0;
        }
      }
      switch (chnl) {
        case 0: case 67: return 21030;
        case 68: return 21040; case 69: return 21050;
        default: return 0;
      }
    case P::Amsr2L3:
      if (isAmsr2Level3Bt(attributes)) {
        if (chnl == 25) return 31010;
        if (chnl == 26) return 31020;
      }
      return chnl == 0 ? 31310 : 0;
    default:
      return 0;
  }
}

AccessLabel geolocationLabel(AccessLabel l, PrdctType type) { return kivo::io::geolocationLabelOf(l, type); }

int valueRange(PrdctType type, const RootAttributes& attributes, ValueRange& r) {
  switch (type) {
    case P::AmsrEL1A: r = {-32768, -9999, FLT_MAX, -9000}; return 0;
    case P::AmsrEL1B: case P::AmsrEL1M: case P::AmsrL1B: r = {-32768, -9999, FLT_MAX, 0}; return 0;
    case P::Amsr2L1A: r = {-32767, -32768, 2047, -2048}; return 0;
    case P::Amsr2L1B: case P::Amsr2L1R: r = {65531, 65535, 500, 10}; return 0;
    case P::AmsrL1A: r = {-32768, -9999, FLT_MAX, -9998}; return 0;
    case P::AmsrL1M: r = {-32768, -9999, FLT_MAX, 1}; return 0;
    case P::AmsrEL2: case P::AmsrEL2Map: case P::AmsrEL3: case P::AmsrL2: case P::AmsrL2Map: case P::AmsrL3: {
      std::string g;
      metaValue(type, attributes, "GranuleID", g);
      const std::size_t at = io::isLevel3(type) ? 15 : 18;
      r.invalid1 = -8888;
      r.invalid2 = -9999;
      hdf4QuantityRange(type, substringAt(g, at, 3), r.maximum, r.minimum);
      return 0;
    }
    case P::Amsr2L2: case P::Amsr2L3: {
      const std::string g = granuleId(type, attributes);
      const std::string_view code = substringAt(g, 29, 3);
      if (code == "T06" || code == "T07" || code == "T10" || code == "T18" || code == "T23" || code == "T36" ||
          code == "T89") {
        r = {65531, 65535, 500, 10};
        return 0;
      }
      float f = 1.0f;
      if (code == "CLW") f = 0.01f;
      else if (code == "TPW" || code == "SSW" || code == "SST") f = 0.1f;
      r = {-32767, -32768, 3276.7f * f, -3276.0f * f};
      return 0;
    }
    default:
      return 2;
  }
}

void ComGetUnit(PrdctType type, std::string& text) {
  struct Rule {
    const char* contains;
    const char* suffix;
  };
  static constexpr Rule kHdf4Rules[] = {
      {"Water Vapor", " [kg/m2]"},       {"Cloud Liquid Water", " [kg/m2]"},
      {"Precipitation", " [mm/h]"},      {"Sea Surface Wind", " [m/s]"},
      {"Sea Surface Temperature", " [\u2103]"}, {"Ice Concentration", " [%]"},
      {"Soil Moisture", " [g/cm3]"},     {"Snow Water Equivalence", " [mm]"},
      {"Brightness temperature", " [K]"},
  };
  static constexpr Rule kAmsr2Rules[] = {
      {"Total Precipitable Water", " [kg/m2]"}, {"Cloud Liquid Water", " [kg/m2]"},
      {"Precipitation", " [mm/h]"},             {"Sea Surface Temperature", " [\u2103]"},
      {"Sea Surface Wind speed", " [m/s]"},     {"Sea Ice Concentration", " [%]"},
      {"Snow Depth", " [cm]"},                  {"Soil Moisture Content", " [%]"},
      {"Brightness Temperature", " [K]"},
  };
  auto applyRules = [&text](const auto& rules) {
    for (const Rule& rule : rules) {
      if (contains(text, rule.contains)) {
        text += rule.suffix;
        return;
      }
    }
  };
  const io::Level level = io::levelOf(type);
  const bool geophysical = level == io::Level::L2 || level == io::Level::L2Map || level == io::Level::L3;
  const bool brightness = level == io::Level::L1B || level == io::Level::L1M || level == io::Level::L1R;
  if (geophysical && io::isHdf4(type)) applyRules(kHdf4Rules);
  else if (geophysical && io::isAmsr2(type)) applyRules(kAmsr2Rules);
  else if (brightness) text += " [K]";
}

std::string title(PrdctType type, const RootAttributes& attributes, int chnl, bool withUnit) {
  std::string t;
  if (io::isHdf4(type) && (io::isLevel1A(type) || io::levelOf(type) == io::Level::L1B || io::isLevel1M(type))) {
    t = io::isLevel1A(type) ? "Observation Count" : "Birghtness Temperature";
    if (chnl > 0) t += std::string(" (") + channelName(chnl) + ")";
  } else {
    if (attributes.size() > 1) t = attributes[1].value;
    if (chnl == 25 || chnl == 26) {
      const char* pol = chnl == 25 ? "V" : "H";
      const std::size_t close = t.rfind(')');
      if (close != std::string::npos) {
        t.insert(close, std::string(" ") + pol);
      } else {
        // A title without a closing parenthesis still names the polarisation.
        t += std::string(" (") + pol + ")";
      }
    } else if (chnl > 0) {
      t += std::string(" (") + channelName(chnl) + ")";
    }
  }
  if (withUnit) ComGetUnit(type, t);
  return t;
}

}  // namespace kivo::catalogue
