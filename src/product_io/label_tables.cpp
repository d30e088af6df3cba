#include "product_io/label_tables.h"

#include <array>
#include <string_view>

namespace kivo::io {
namespace {

// Permitted output types of a row.
enum Permit : unsigned {
  kNone = 0,
  kInt = 1u << 0,
  kFloat = 1u << 1,
  kDouble = 1u << 2,
  kByte = 1u << 3,
};

constexpr int kL1Scans = 2018;
constexpr int kL2Scans = 1978;

class TableBuilder {
 public:
  explicit TableBuilder(TableId id) { table_.id = id; }

  TableBuilder& add(AccessLabel label, std::string name, StoredType stored, unsigned permit,
                    std::array<int, 3> dims, float scale, const char* unit) {
    int rank = dims[2] != 0 ? 3 : (dims[1] != 0 ? 2 : 1);
    auto index = static_cast<std::int32_t>(table_.names.size());
    if (table_.id == TableId::Geolocation) {
      index = 0;
    } else {
      table_.names.push_back(std::move(name));
    }
    table_.rows.push_back(LabelDef{index, stored, (permit & kInt) ? 1 : 0, (permit & kFloat) ? 1 : 0,
                                   (permit & kDouble) ? 1 : 0, (permit & kByte) ? 1 : 0, rank,
                                   dims[0], dims[1], dims[2], label, scale, unit});
    return *this;
  }

  LabelTable take() { return std::move(table_); }

 private:
  LabelTable table_;
};

// Channel order of every Level 1 family.
constexpr std::array<std::string_view, 16> kLevel1Channels = {
    "6.9GHz,V",  "6.9GHz,H",  "7.3GHz,V",  "7.3GHz,H",    "10.7GHz,V",   "10.7GHz,H",
    "18.7GHz,V", "18.7GHz,H", "23.8GHz,V", "23.8GHz,H",   "36.5GHz,V",   "36.5GHz,H",
    "89.0GHz-A,V", "89.0GHz-A,H", "89.0GHz-B,V", "89.0GHz-B,H"};

std::string paren(std::string_view prefix, std::string_view inner) {
  std::string s(prefix);
  s += " (";
  s += inner;
  s += ')';
  return s;
}

void addLevel1Head(TableBuilder& b) {
  b.add(10010, "Scan Time", kStoredF64, kDouble, {kL1Scans, 0, 0}, 1.0f, "sec")
      .add(10020, "Position in Orbit", kStoredF64, kDouble, {kL1Scans, 0, 0}, 1.0f, "")
      .add(10030, "Navigation Data", kStoredF32, kFloat, {kL1Scans, 6, 0}, 1.0f, "m,m/s")
      .add(10040, "Attitude Data", kStoredF32, kFloat, {kL1Scans, 3, 0}, 1.0f, "deg");
}

void addAngles(TableBuilder& b) {
  b.add(10300, "Sun Azimuth", kStoredI16, kFloat, {kL1Scans, 243, 0}, 0.01f, "deg")
      .add(10310, "Sun Elevation", kStoredI16, kFloat, {kL1Scans, 243, 0}, 0.01f, "deg")
      .add(10320, "Earth Incidence", kStoredI16, kFloat, {kL1Scans, 243, 0}, 0.01f, "deg")
      .add(10330, "Earth Azimuth", kStoredI16, kFloat, {kL1Scans, 243, 0}, 0.01f, "deg");
}

void addQuality(TableBuilder& b) {
  b.add(10460, "Scan Data Quality", kStoredU8, kNone, {kL1Scans, 512, 0}, 1.0f, "")
      .add(10470, "Pixel Data Quality 6 to 36", kStoredU8, kInt | kByte, {kL1Scans, 486, 0}, 1.0f, "")
      .add(10480, "Pixel Data Quality 89", kStoredU8, kInt | kByte, {kL1Scans, 486, 0}, 1.0f, "");
}

// Rows shared by Level 1A and 1B after the channel datasets.
void addLevel1Engineering(TableBuilder& b) {
  b.add(10240, "Hot Load Count 6 to 36", kStoredI16, kInt, {12, kL1Scans, 16}, 1.0f, "Count")
      .add(10250, "Hot Load Count 89", kStoredI16, kInt, {4, kL1Scans, 32}, 1.0f, "Count")
      .add(10260, "Cold Sky Mirror Count 6 to 36", kStoredI16, kInt, {12, kL1Scans, 16}, 1.0f, "Count")
      .add(10270, "Cold Sky Mirror Count 89", kStoredI16, kInt, {4, kL1Scans, 32}, 1.0f, "Count")
      .add(10290, "Rx Offset_Gain Count", kStoredU16, kInt, {kL1Scans, 32, 0}, 1.0f, "Count");
  addAngles(b);
  b.add(10340, "Land_Ocean Flag 6 to 36", kStoredU8, kInt | kFloat, {6, kL1Scans, 243}, 1.0f, "%")
      .add(10350, "Land_Ocean Flag 89", kStoredU8, kInt | kFloat, {2, kL1Scans, 486}, 1.0f, "%")
      .add(10420, "Observation Supplement", kStoredU8, kByte, {kL1Scans, 54, 0}, 1.0f, "")
      .add(10430, "SPC Temperature Count", kStoredU16, kFloat, {kL1Scans, 20, 0}, 1.0f, "Count")
      .add(10440, "SPS Temperature Count", kStoredU16, kFloat, {kL1Scans, 32, 0}, 1.0f, "Count")
      .add(10450, "PCD Data", kStoredU8, kByte, {kL1Scans, 64, 0}, 1.0f, "");
  addQuality(b);
  b.add(10490, "Interpolation Flag 6 to 36", kStoredU8, kByte, {12, kL1Scans, 16}, 1.0f, "")
      .add(10500, "Interpolation Flag 89", kStoredU8, kByte, {4, kL1Scans, 32}, 1.0f, "")
      .add(10510, "Spill Over", kStoredF32, kFloat, {2, 200, 243}, 1.0f, "mV");
}

LabelTable buildLevel1A() {
  TableBuilder b(TableId::L1A);
  addLevel1Head(b);
  for (int k = 0; k < 16; ++k) {
    // The 89 GHz horns deliver 486 pixels per scan, like their positions.
    b.add(10050 + 10 * k, paren("Observation Count", kLevel1Channels[k]), kStoredI16, kInt,
          {kL1Scans, k < 12 ? 243 : 486, 0}, 1.0f, "Count");
  }
  b.add(10210, "Observation Count (6.9GHz-36.5GHz, V&H)", kStoredI16, kInt, {kL1Scans, 243, 0}, 1.0f, "Count")
      .add(10220, "Observation Count (89GHz-A, V&H)", kStoredI16, kInt, {kL1Scans, 486, 0}, 1.0f, "Count")
      .add(10230, "Observation Count (89GHz-B, V&H)", kStoredI16, kInt, {kL1Scans, 486, 0}, 1.0f, "Count");
  addLevel1Engineering(b);
  return b.take();
}

LabelTable buildLevel1B() {
  TableBuilder b(TableId::L1B);
  addLevel1Head(b);
  for (int k = 0; k < 16; ++k) {
    b.add(11050 + 10 * k, paren("Brightness Temperature", kLevel1Channels[k]), kStoredU16, kFloat,
          {kL1Scans, k < 12 ? 243 : 486, 0}, 0.01f, "K");
  }
  b.add(11210, "Brightness Temperature (6.9GHz-36.5GHz, V&H)", kStoredU16, kFloat, {kL1Scans, 243, 0}, 0.01f, "K")
      .add(11220, "Brightness Temperature (89GHz-A, V&H)", kStoredU16, kFloat, {kL1Scans, 486, 0}, 0.01f, "K")
      .add(11230, "Brightness Temperature (89GHz-B, V&H)", kStoredU16, kFloat, {kL1Scans, 486, 0}, 0.01f, "K");
  addLevel1Engineering(b);
  return b.take();
}

LabelTable buildLevel1R() {
  TableBuilder b(TableId::L1R);
  addLevel1Head(b);
  struct Resolution {
    const char* name;
    AccessLabel first;
    std::array<const char*, 7> freqs;
    int count;
  };
  const std::array<Resolution, 4> resolutions = {{
      {"res06", 12050, {"6.9GHz", "7.3GHz", "10.7GHz", "18.7GHz", "23.8GHz", "36.5GHz", "89.0GHz"}, 7},
      {"res10", 12200, {"10.7GHz", "18.7GHz", "23.8GHz", "36.5GHz", "89.0GHz"}, 5},
      {"res23", 12310, {"18.7GHz", "23.8GHz", "36.5GHz", "89.0GHz"}, 4},
      {"res36", 12400, {"36.5GHz", "89.0GHz"}, 2},
  }};
  for (const auto& r : resolutions) {
    AccessLabel label = r.first;
    for (int f = 0; f < r.count; ++f) {
      for (const char* pol : {"V", "H"}) {
        b.add(label, std::string("Brightness Temperature (") + r.name + "," + r.freqs[f] + "," + pol + ")",
              kStoredU16, kFloat, {kL1Scans, 243, 0}, 0.01f, "K");
        label += 10;
      }
    }
    b.add(label, std::string("Brightness Temperature (") + r.name + ",all)", kStoredU16, kFloat,
          {kL1Scans, 243, 0}, 0.01f, "K");
  }
  const std::array<const char*, 4> original = {"89GHz-A,V", "89GHz-A,H", "89GHz-B,V", "89GHz-B,H"};
  for (int k = 0; k < 4; ++k) {
    b.add(11170 + 10 * k, std::string("Brightness Temperature (original,") + original[k] + ")", kStoredU16,
          kFloat, {kL1Scans, 486, 0}, 0.01f, "K");
  }
  b.add(11220, "Brightness Temperature (original,89GHz-A,V&H)", kStoredU16, kFloat, {kL1Scans, 486, 0}, 0.01f, "K")
      .add(11230, "Brightness Temperature (original,89GHz-B,V&H)", kStoredU16, kFloat, {kL1Scans, 486, 0}, 0.01f, "K")
      .add(12510, "Area Mean Height", kStoredI16, kFloat, {kL1Scans, 243, 0}, 1.0f, "m");
  addAngles(b);
  b.add(12560, "Land_Ocean Flag 6 to 36", kStoredU8, kInt | kFloat, {4, kL1Scans, 243}, 1.0f, "%")
      .add(12570, "Land_Ocean Flag 89", kStoredU8, kInt | kFloat, {2, kL1Scans, 486}, 1.0f, "%");
  addQuality(b);
  return b.take();
}

LabelTable buildLevel2() {
  TableBuilder b(TableId::L2);
  b.add(10010, "Scan Time", kStoredF64, kDouble, {kL2Scans, 0, 0}, 1.0f, "sec")
      .add(10020, "Position in Orbit", kStoredF64, kDouble, {kL2Scans, 0, 0}, 1.0f, "");
  for (AccessLabel label : {21030, 21040, 21050}) {
    b.add(label, "Geophysical Data", kStoredI16, kFloat, {kL2Scans, 243, 0}, 0.01f, "");
  }
  b.add(21060, "Geophysical Data", kStoredI16, kFloat, {kL2Scans, 243, 3}, 0.01f, "")
      .add(21070, "Pixel Data Quality", kStoredU8, kInt | kByte, {kL2Scans, 243, 0}, 1.0f, "");
  for (AccessLabel label : {22030, 22040, 22050}) {
    b.add(label, "Geophysical Data for 89A", kStoredI16, kFloat, {kL2Scans, 486, 0}, 0.1f, "");
  }
  b.add(22060, "Geophysical Data for 89A", kStoredI16, kFloat, {kL2Scans, 486, 3}, 0.1f, "");
  for (AccessLabel label : {22070, 22080, 22090}) {
    b.add(label, "Geophysical Data for 89B", kStoredI16, kFloat, {kL2Scans, 486, 0}, 0.1f, "");
  }
  b.add(22100, "Geophysical Data for 89B", kStoredI16, kFloat, {kL2Scans, 486, 3}, 0.1f, "")
      .add(22110, "Pixel Data Quality for 89A", kStoredU8, kInt | kByte, {kL2Scans, 486, 0}, 1.0f, "")
      .add(22120, "Pixel Data Quality for 89B", kStoredU8, kInt | kByte, {kL2Scans, 486, 0}, 1.0f, "");
  return b.take();
}

struct GridSize {
  int rows;
  int cols;
};

// A Level 3 table: one row per grid for every label, the global grid first, then the
// polar grids, and for geophysical labels the fourth grid.
LabelTable buildLevel3(TableId id, bool monthly, bool km10) {
  const std::array<GridSize, 4> grids =
      km10 ? std::array<GridSize, 4>{{{1800, 3600}, {1120, 760}, {830, 790}, {1432, 1078}}}
           : std::array<GridSize, 4>{{{720, 1440}, {448, 304}, {332, 316}, {573, 431}}};
  TableBuilder b(id);
  auto plain = [&](AccessLabel label, const char* name, StoredType st, unsigned permit, float scale,
                   const char* unit) {
    for (int g = 0; g < 3; ++g) b.add(label, name, st, permit, {grids[g].rows, grids[g].cols, 0}, scale, unit);
  };
  // A geophysical family: three layer labels and the all-layers label.
  auto layered = [&](AccessLabel first, const char* name, unsigned permit, float scale) {
    for (int layer = 0; layer < 4; ++layer) {
      for (int g = 0; g < 4; ++g) {
        b.add(first + 10 * layer, name, kStoredI16, permit,
              {grids[g].rows, grids[g].cols, layer == 3 ? 3 : 0}, scale, "");
      }
    }
  };
  plain(31010, "Brightness Temperature (V)", kStoredU16, kFloat, 0.01f, "K");
  plain(31020, "Brightness Temperature (H)", kStoredU16, kFloat, 0.01f, "K");
  plain(31030, "Brightness Temperature (V&H)", kStoredU16, kFloat, 0.01f, "K");
  if (!monthly) plain(31040, "Time Information", kStoredI16, kInt, 1.0f, "min");
  layered(31310, "Geophysical Data", kFloat, 0.1f);
  if (monthly) {
    plain(34140, "Standard Deviation (V)", kStoredI16, kFloat, 0.01f, "K");
    plain(34150, "Standard Deviation (H)", kStoredI16, kFloat, 0.01f, "K");
    plain(34160, "Standard Deviation (V&H)", kStoredI16, kFloat, 0.01f, "K");
    plain(34170, "Average Number (V)", kStoredI16, kInt, 1.0f, "");
    plain(34180, "Average Number (H)", kStoredI16, kInt, 1.0f, "");
    plain(34190, "Average Number (V&H)", kStoredI16, kInt, 1.0f, "");
    plain(34200, "Total Number (V)", kStoredI16, kInt, 1.0f, "");
    plain(34210, "Total Number (H)", kStoredI16, kInt, 1.0f, "");
    plain(34220, "Total Number (V&H)", kStoredI16, kInt, 1.0f, "");
    layered(34510, "Standard Deviation", kFloat, 0.01f);
    layered(34550, "Average Number", kInt, 1.0f);
    layered(34590, "Total Number", kInt, 1.0f);
  }
  return b.take();
}

LabelTable buildGeolocation() {
  TableBuilder b(TableId::Geolocation);
  for (AccessLabel label = kFirstGeolocationLabel; label <= kLastGeolocationLabel; label += 10) {
    b.add(label, "", kStoredF32, kFloat, {kL1Scans, 486, 0}, 1.0f, "deg");
  }
  return b.take();
}

struct Tables {
  std::array<LabelTable, kTableCount> all;
  Tables()
      : all{buildLevel1A(),
            buildLevel1B(),
            buildLevel1R(),
            buildLevel2(),
            buildLevel3(TableId::L3Daily10, false, true),
            buildLevel3(TableId::L3Daily25, false, false),
            buildLevel3(TableId::L3Monthly10, true, true),
            buildLevel3(TableId::L3Monthly25, true, false),
            buildGeolocation()} {}
};

const Tables& tables() {
  static const Tables t;
  return t;
}

std::vector<AccessLabel> labelRange(AccessLabel first, AccessLabel last) {
  std::vector<AccessLabel> out;
  for (AccessLabel l = first; l <= last; l += 10) out.push_back(l);
  return out;
}

}  // namespace

const LabelTable& labelTable(TableId id) { return tables().all[static_cast<int>(id)]; }

const LabelDef* findInTable(const LabelTable& table, AccessLabel label) {
  for (const auto& row : table.rows) {
    if (row.label == label) return &row;
  }
  return nullptr;
}

std::string datasetName(const LabelTable& table, const LabelDef& row) {
  if (row.nameIndex < 0 || static_cast<std::size_t>(row.nameIndex) >= table.names.size()) return {};
  return table.names[static_cast<std::size_t>(row.nameIndex)];
}

std::vector<AccessLabel> compositeMembers(AccessLabel label) {
  switch (label) {
    case 10210: return labelRange(10050, 10160);
    case 10220: return {10170, 10180};
    case 10230: return {10190, 10200};
    case 11210: return labelRange(11050, 11160);
    case 11220: return {11170, 11180};
    case 11230: return {11190, 11200};
    case 12190: return labelRange(12050, 12180);
    case 12300: return labelRange(12200, 12290);
    case 12390: return labelRange(12310, 12380);
    case 12440: return labelRange(12400, 12430);
    case 31030: return {31010, 31020};
    case 34160: return {34140, 34150};
    case 34190: return {34170, 34180};
    case 34220: return {34200, 34210};
    default: return {label};
  }
}

bool isComposite(AccessLabel label) { return compositeMembers(label).size() > 1; }

bool layerInfo(AccessLabel label, LayerInfo& info) {
  // Each family: first layer label; layers 1..3 follow in steps of 10, then the all-layers label.
  static constexpr std::array<AccessLabel, 7> kFamilies = {21030, 22030, 22070, 31310, 34510, 34550, 34590};
  for (AccessLabel first : kFamilies) {
    if (label >= first && label <= first + 30 && (label - first) % 10 == 0) {
      info.allLayers = first + 30;
      info.layer = label == first + 30 ? -1 : (label - first) / 10;
      return true;
    }
  }
  return false;
}

bool isLevel2GeophysicalLabel(AccessLabel label) {
  return (label >= 21030 && label <= 21060) || (label >= 22030 && label <= 22100);
}

bool isBitExpandedLabel(AccessLabel label) {
  return label == 10470 || label == 10480 || label == 21070 || label == 22110 || label == 22120;
}

namespace {

constexpr const char* kLat89A = "Latitude of Observation Point for 89A";
constexpr const char* kLon89A = "Longitude of Observation Point for 89A";
constexpr const char* kLat89B = "Latitude of Observation Point for 89B";
constexpr const char* kLon89B = "Longitude of Observation Point for 89B";

using enum PositionSource;
constexpr std::array<GeolocationRule, 16> kGeolocationRules = {{
    {kLabelLatLon6G, CoRegistered, 0, kLat89A, kLon89A},
    {kLabelLatLon7G, CoRegistered, 1, kLat89A, kLon89A},
    {kLabelLatLon10G, CoRegistered, 2, kLat89A, kLon89A},
    {kLabelLatLon18G, CoRegistered, 3, kLat89A, kLon89A},
    {kLabelLatLon23G, CoRegistered, 4, kLat89A, kLon89A},
    {kLabelLatLon36G, CoRegistered, 5, kLat89A, kLon89A},
    {kLabelLatLon89A, Stored, -1, kLat89A, kLon89A},
    {kLabelLatLon89B, Stored, -1, kLat89B, kLon89B},
    {kLabelLatLonLowMean, CoRegisteredMean, -1, kLat89A, kLon89A},
    {kLabelLatLonL1R89A, Stored, -1, kLat89A, kLon89A},
    {kLabelLatLonL1R89B, Stored, -1, kLat89B, kLon89B},
    {kLabelLatLonL1R, Even89A, -1, kLat89A, kLon89A},
    {kLabelLatLonL2, Stored, -1, "Latitude of Observation Point", "Longitude of Observation Point"},
    {kLabelLatLonL2_89A, Stored, -1, kLat89A, kLon89A},
    {kLabelLatLonL2_89B, Stored, -1, kLat89B, kLon89B},
    {kLabelLatLonGrid, GridFile, -1, "", ""},
}};

}  // namespace

const GeolocationRule* geolocationRule(AccessLabel label) {
  for (const GeolocationRule& rule : kGeolocationRules) {
    if (rule.label == label) return &rule;
  }
  return nullptr;
}

bool isGeolocationLabel(AccessLabel label) { return geolocationRule(label) != nullptr; }

bool derivesFrom89A(AccessLabel geoLabel) {
  const GeolocationRule* rule = geolocationRule(geoLabel);
  if (rule == nullptr) return false;
  return rule->source == CoRegistered || rule->source == CoRegisteredMean || rule->source == Even89A;
}

AccessLabel geolocationLabelOf(AccessLabel l, PrdctType type) {
  if (type == PrdctType::Amsr2L1R) {
    if (l == 11170 || l == 11180) return kLabelLatLonL1R89A;
    if (l == 11190 || l == 11200) return kLabelLatLonL1R89B;
  }
  // The low-frequency pairs of Level 1A (10050..) and 1B (11050..): one band per V/H pair.
  for (AccessLabel base : {10050, 11050}) {
    if (l >= base && l <= base + 110 && (l - base) % 10 == 0) return kLabelLatLon6G + 10 * ((l - base) / 20);
  }
  switch (l) {
    case 10170: case 10180: case 10220: case 11170: case 11180: case 11220: return kLabelLatLon89A;
    case 10190: case 10200: case 10230: case 11190: case 11200: case 11230: return kLabelLatLon89B;
    case 10210: case 10240: case 10260: case 10470: case 10490: case 11210: return kLabelLatLonLowMean;
    default: break;
  }
  const bool level1r = (l >= 12050 && l <= 12180) || (l >= 12200 && l <= 12290) ||
                       (l >= 12310 && l <= 12380) || (l >= 12400 && l <= 12430);
  if (level1r && l % 10 == 0) return kLabelLatLonL1R;
  if (l >= 21030 && l <= 21050) return kLabelLatLonL2;
  if (l >= 22030 && l <= 22050) return kLabelLatLonL2_89A;
  if (l >= 22070 && l <= 22090) return kLabelLatLonL2_89B;
  if (l >= 31000 && l <= 34999) return kLabelLatLonGrid;
  return 0;
}

const char* geolocationLatitudeDataset(AccessLabel label) {
  const GeolocationRule* rule = geolocationRule(label);
  return rule != nullptr ? rule->latitudeDataset : kLat89A;
}

const char* geolocationLongitudeDataset(AccessLabel label) {
  const GeolocationRule* rule = geolocationRule(label);
  return rule != nullptr ? rule->longitudeDataset : kLon89A;
}

}  // namespace kivo::io
