#include "app/settings/settings_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/settings/profile_file.h"

namespace kivo::app {
namespace {

constexpr const char* kDir = "DIR";
constexpr const char* kMap = "MAP";
constexpr const char* kGeneric = "GENERIC";

struct TextKey {
  int id;
  const char* section;
  const char* key;
};

// Read in this order, PathBtchFile between the DIR and the MAP keys.
constexpr TextKey kDirTexts[] = {
    {kIdDefFile, kDir, "DEF_FILE"},
    {kIdInputDir, kDir, "INPUT_DIR"},
    {kIdInputDirAmsre, kDir, "INPUT_DIR_AMSR-E"},
    {kIdOutputDir, kDir, "OUTPUT_DIR"},
    {kIdInputDirMovie, kDir, "INPUT_DIR_MOVIE"},
    {kIdInputDirMovieAmsre, kDir, "INPUT_DIR_MOVIE_AMSR-E"},
    {kIdOutputDirMovie, kDir, "OUTPUT_DIR_MOVIE"},
};
constexpr TextKey kMapTexts[] = {
    {kIdMapFile, kMap, "MAP_FILE"},
    {kIdMapFile2, kMap, "MAP_FILE2"},
    {kIdMapFile3, kMap, "MAP_FILE3"},
};

// Written in this order. Earlier versions wrote the folders 3-7 only under the keys
// InpFldrNameAmsre ... AnmOutFldrName, which nothing reads, so a chosen folder was lost at the
// next start. Those keys are still written, for files shared with such versions, and the
// folders are written under the keys they are read from as well.
constexpr TextKey kWrittenTexts[] = {
    {kIdDefFile, kDir, "DEF_FILE"},
    {kIdInputDir, kDir, "INPUT_DIR"},
    {kIdInputDirAmsre, kDir, "InpFldrNameAmsre"},
    {kIdOutputDir, kDir, "OutFldrName"},
    {kIdInputDirMovie, kDir, "AnmInpFldrName"},
    {kIdInputDirMovieAmsre, kDir, "AnmInpFldrNameAmsre"},
    {kIdOutputDirMovie, kDir, "AnmOutFldrName"},
    {kIdInputDirAmsre, kDir, "INPUT_DIR_AMSR-E"},
    {kIdOutputDir, kDir, "OUTPUT_DIR"},
    {kIdInputDirMovie, kDir, "INPUT_DIR_MOVIE"},
    {kIdInputDirMovieAmsre, kDir, "INPUT_DIR_MOVIE_AMSR-E"},
    {kIdOutputDirMovie, kDir, "OUTPUT_DIR_MOVIE"},
    {kIdMapFile, kMap, "MAP_FILE"},
    {kIdMapFile2, kMap, "MAP_FILE2"},
    {kIdMapFile3, kMap, "MAP_FILE3"},
};

constexpr const char* kBatchKey = "PathBtchFile";

struct FlagKey {
  int id;
  const char* key;
  bool byDefault;
};

constexpr FlagKey kFlags[] = {
    {kIdShrIndiFlg, "ShrIndiFlg", true},          {kIdLatLonIndiFlg, "LatLonIndiFlg", true},
    {kIdQuaIndiFlg, "QuaIndiFlg", true},          {kIdBckIndiFlg, "BckIndiFlg", true},
    {kIdExpIndiFlg, "ExpIndiFlg", true},          {kIdOutTtlIndiFlg, "OutTtlIndiFlg", true},
    {kIdExpIndiRevFlg, "ExpIndiRevFlg", false},   {kIdAnmOutTtlIndiFlg, "AnmOutTtlIndiFlg", true},
    {kIdAnmOutFileNameFlg, "AnmOutFileNameFlg", false}, {kIdLatLonMode, "LatLonMode", false},
    {kIdDrwSherLine, "DrwSherLine", true},
};

struct NumberKey {
  int id;
  const char* key;
  int radix;  // 10: decimal, written "%d"; 16: colour, written "%08X"
  std::int32_t min;
  std::int32_t max;
  std::int32_t fallback;
  // The text handed to the profile reader for a missing key. For the colours it carries a
  // "0x" prefix, which the number rule never accepts, so a missing colour takes the fallback.
  const char* profileDefault;
};

// In the order they are written.
constexpr NumberKey kNumbers[] = {
    {kIdNumReadFiles, "NumReadFiles", 10, 1, 30, 10, "10"},
    {kIdBytOrdrSetting, "BytOrdrSetting", 10, 0, 1, 1, "1"},
    {kIdNnObsValMrk, "NnObsValMrk", 10, -32768, 32767, -9999, "-9999"},
    {kIdNnObsVal, "NnObsVal", 10, 0, 65535, 65535, "65535"},
    {kIdDecSetting, "DecSetting", 10, 0, 3, 3, "3"},
    {kIdOneRcrdOut, "OneRcrdOut", 10, 1, 256, 1, "1"},
    {kIdFrmRtNum, "FrmRtNum", 10, 1, 30, 10, "10"},
    {kIdShrIndClr, "ShrIndClr", 16, 0, 0xFFFFFF, 0x00FFFFFF, "0x00FFFFFF"},
    {kIdLatLonIndiClr, "LatLonIndiClr", 16, 0, 0xFFFFFF, 0x00959595, "0x00959595"},
    {kIdQuaIndiClr, "QuaIndiClr", 16, 0, 0xFFFFFF, 0x000000FF, "0x00FF0000"},
    {kIdBckIndiClr, "BckIndiClr", 16, 0, 0xFFFFFF, 0x00A90000, "0x000000A9"},
    {kIdLatWidth, "LatWidth", 10, 1, 90, 30, "30"},
    {kIdLonWidth, "LonWidth", 10, 1, 90, 30, "30"},
    {kIdMapMode, "MapMode", 10, 0, 1, 0, "0"},
    {kIdPenWidth, "PenWidth", 10, 0, 2, 0, "0"},
    {kIdPenWidth2, "PenWidth2", 10, 0, 2, 0, "0"},
    {kIdAnmOutFileNamePnt, "AnmOutFileNamePnt", 10, 0, 1, 1, "1"},
    {kIdAnmOutTtlIndiPnt, "AnmOutTtlIndiPnt", 10, 0, 2, 0, "0"},
    {kIdBackClrFlg, "BackClrFlg", 10, 0, 1, 0, "0"},
    {kIdAmsrType, "AmsrType", 10, 0, 1, 0, "0"},
    {kIdClrType, "ClrType", 10, 0, 1, 0, "0"},
};

// Accepts an optional leading '-' followed by digits of the radix (either case), nothing else.
// A value beyond 32 bits saturates as strtol does; anything outside min..max, and any text
// refused, takes the fallback. A lone "-" converts to 0, as strtol makes of it.
std::int32_t readNumber(std::string_view text, int radix, std::int32_t min, std::int32_t max,
                        std::int32_t fallback) {
  if (text.empty()) return fallback;
  std::int64_t magnitude = 0;
  const bool negative = text.front() == '-';
  for (std::size_t i = negative ? 1 : 0; i < text.size(); ++i) {
    const char c = text[i];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (radix == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (radix == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return fallback;  // a second '-', a blank, '+', 'x', ...
    if (magnitude <= INT64_C(0x100000000)) magnitude = magnitude * radix + digit;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  const std::int64_t clamped = value > INT32_MAX ? INT32_MAX : (value < INT32_MIN ? INT32_MIN : value);
  if (clamped < min || clamped > max) return fallback;
  return static_cast<std::int32_t>(clamped);
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  const passwd* pw = ::getpwuid(::getuid());
  return (pw && pw->pw_dir) ? pw->pw_dir : "";
}

std::string withTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

ComPrpCnfInfo::ComPrpCnfInfo(std::string programFolder, std::string settingsPath)
    : programFolder_(withTrailingSlash(std::move(programFolder))), filePath_(std::move(settingsPath)) {
  if (filePath_.empty()) {
    filePath_ = settingsFilePathFor(programFolder_);
    fileInConfigFolder_ = filePath_ != programFolder_ + kSettingsFileName;
  }
}

std::string ComPrpCnfInfo::settingsFilePathFor(const std::string& programFolder) {
  const std::string folder = withTrailingSlash(programFolder);
  if (::access(folder.c_str(), W_OK) == 0) return folder + kSettingsFileName;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // Only an absolute XDG_CONFIG_HOME counts; otherwise the default applies.
  const std::string config = (xdg && xdg[0] == '/') ? std::string(xdg) : homeFolder() + "/.config";
  return withTrailingSlash(config) + "KIVOMeriview/" + kSettingsFileName;
}

ComPrpCnfInfo::Kind ComPrpCnfInfo::kindOf(int id) {
  switch (id) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 23: case 37: case 41: case 42: case 46:
      return Kind::kText;
    case 18: case 19: case 20: case 21: case 22: case 25: case 26: case 28: case 30: case 32: case 35:
      return Kind::kFlag;
    case 8: case 10: case 11: case 12: case 14: case 15: case 16: case 17:
      return Kind::kInteger;
    case 9: case 13: case 24: case 27: case 29: case 33: case 34: case 36: case 38: case 39: case 40:
    case 43: case 44: case 45:
      return Kind::kByte;
    default:
      return Kind::kNone;
  }
}

std::string ComPrpCnfInfo::defaultText(int id) const {
  switch (id) {
    case kIdDefFile: return programFolder_.substr(0, programFolder_.size() - 1);
    case kIdInputDir: case kIdInputDirMovie: return programFolder_ + "Data/AMSR2";
    case kIdInputDirAmsre: case kIdInputDirMovieAmsre: return programFolder_ + "Data/AMSR_AMSR-E";
    case kIdOutputDir: case kIdOutputDirMovie: return programFolder_ + "Output";
    case kIdMapFile: return programFolder_ + "Map/gshhs_c.b";
    case kIdMapFile2: case kIdMapFile3: return programFolder_ + "Map/gshhs_i.b";
    default: return {};
  }
}

int ComPrpCnfInfo::ComReadCnf() {
  values_[kIdOutTtlIndiPnt] = 0;
  values_[kIdAnmOutTtlIndiFlg] = 1;
  values_[kIdAnmOutFileNameFlg] = 1;
  values_[kIdAnmOutTtlIndiPnt] = 0;

  ProfileFile file;
  const int loaded = file.load(filePath_);  // on failure the file reads as empty

  for (const TextKey& t : kDirTexts) texts_[t.id] = file.getString(t.section, t.key, defaultText(t.id));
  pathBtchFile_ = file.getString(kDir, kBatchKey, programFolder_ + "Batch");
  for (const TextKey& t : kMapTexts) texts_[t.id] = file.getString(t.section, t.key, defaultText(t.id));

  for (const FlagKey& f : kFlags) {
    values_[f.id] = file.getString(kGeneric, f.key, f.byDefault ? "TRUE" : "FALSE") == "TRUE" ? 1 : 0;
  }
  for (const NumberKey& n : kNumbers) {
    const std::string text = file.getString(kGeneric, n.key, n.profileDefault);
    values_[n.id] = readNumber(text, n.radix, n.min, n.max, n.fallback);
  }
  return (loaded == kProfileOk || loaded == kProfileNotFound) ? kCnfOk : kCnfFileFailed;
}

int ComPrpCnfInfo::ComWriteCnf() const {
  if (fileInConfigFolder_) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(filePath_).parent_path(), ec);
  }
  ProfileFile file;
  const int loaded = file.load(filePath_);
  // Never replace a file that could not be read: its contents would be lost.
  if (loaded != kProfileOk && loaded != kProfileNotFound) return kCnfFileFailed;

  for (const TextKey& t : kWrittenTexts) file.setString(t.section, t.key, texts_[t.id]);
  for (const FlagKey& f : kFlags) file.setString(kGeneric, f.key, values_[f.id] == 1 ? "TRUE" : "FALSE");
  for (const NumberKey& n : kNumbers) {
    char buffer[16];
    if (n.radix == 16) {
      std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(values_[n.id]));
    } else {
      std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(values_[n.id]));
    }
    file.setString(kGeneric, n.key, buffer);
  }
  return file.save(filePath_) == kProfileOk ? kCnfOk : kCnfFileFailed;
}

int ComPrpCnfInfo::ComGetStr(int id, std::string* text) const {
  if (!text || kindOf(id) != Kind::kText) return kCnfBadId;
  *text = texts_[id];
  return kCnfOk;
}

int ComPrpCnfInfo::ComSetStr(int id, std::string_view text) {
  if (kindOf(id) != Kind::kText) return kCnfBadId;
  texts_[id] = std::string(text);
  return kCnfOk;
}

int ComPrpCnfInfo::ComGetFlg(int id, bool* flag) const {
  if (!flag || kindOf(id) != Kind::kFlag) return kCnfBadId;
  *flag = values_[id] != 0;
  return kCnfOk;
}

int ComPrpCnfInfo::ComSetFlg(int id, bool flag) {
  if (kindOf(id) != Kind::kFlag) return kCnfBadId;
  values_[id] = flag ? 1 : 0;
  return kCnfOk;
}

int ComPrpCnfInfo::ComGetVal(int id, int* value) const {
  if (!value) return kCnfBadId;
  const Kind kind = kindOf(id);
  if (kind != Kind::kInteger && kind != Kind::kByte) return kCnfBadId;
  *value = values_[id];
  return kCnfOk;
}

int ComPrpCnfInfo::ComSetVal(int id, int value) {
  const Kind kind = kindOf(id);
  if (kind == Kind::kInteger) {
    values_[id] = value;
  } else if (kind == Kind::kByte) {
    values_[id] = static_cast<std::uint8_t>(value);
  } else {
    return kCnfBadId;
  }
  return kCnfOk;
}

}  // namespace kivo::app
