#pragma once

// The user's preferences: one in-memory record of every setting, loaded from and written to
// the settings file "KIVOMeriview.ini", with typed access by numeric setting id.
//
// Several records may exist at once (the main window and every map view own one); they share
// only the file: a record sees another's changes after that one has written and this one has
// read again. Setters change the record only; nothing reaches the file until ComWriteCnf.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivo::app {

enum CnfResult : int {
  kCnfOk = 0,
  kCnfBadId = 1,       // unknown id, an id of another kind, or no place for the output
  kCnfFileFailed = 2,  // the settings file could not be read (defaults used) or written
};

inline constexpr const char* kSettingsFileName = "KIVOMeriview.ini";

// Setting ids (0 and 31 do not exist; 27, 41 and 42 live in memory only).
enum SettingId : int {
  kIdDefFile = 1,
  kIdInputDir = 2,
  kIdInputDirAmsre = 3,
  kIdOutputDir = 4,
  kIdInputDirMovie = 5,
  kIdInputDirMovieAmsre = 6,
  kIdOutputDirMovie = 7,
  kIdNumReadFiles = 8,
  kIdBytOrdrSetting = 9,
  kIdNnObsValMrk = 10,
  kIdNnObsVal = 11,
  kIdOneRcrdOut = 12,
  kIdDecSetting = 13,
  kIdShrIndClr = 14,
  kIdLatLonIndiClr = 15,
  kIdQuaIndiClr = 16,
  kIdBckIndiClr = 17,
  kIdShrIndiFlg = 18,
  kIdLatLonIndiFlg = 19,
  kIdQuaIndiFlg = 20,
  kIdBckIndiFlg = 21,
  kIdExpIndiFlg = 22,
  kIdMapFile = 23,
  kIdFrmRtNum = 24,
  kIdOutTtlIndiFlg = 25,
  kIdExpIndiRevFlg = 26,
  kIdOutTtlIndiPnt = 27,
  kIdAnmOutTtlIndiFlg = 28,
  kIdAnmOutTtlIndiPnt = 29,
  kIdAnmOutFileNameFlg = 30,
  kIdLatLonMode = 32,
  kIdLatWidth = 33,
  kIdLonWidth = 34,
  kIdDrwSherLine = 35,
  kIdMapMode = 36,
  kIdMapFile2 = 37,
  kIdPenWidth = 38,
  kIdPenWidth2 = 39,
  kIdAnmOutFileNamePnt = 40,
  kIdAnmTitle = 41,
  kIdImgTitle = 42,
  kIdBackClrFlg = 43,
  kIdAmsrType = 44,
  kIdClrType = 45,
  kIdMapFile3 = 46,
};
inline constexpr int kSettingIdMax = 46;

class ComPrpCnfInfo {
 public:
  // `programFolder` is the folder of the executable with a trailing '/' (one is added if
  // missing). `settingsPath` names the settings file explicitly; empty means
  // settingsFilePathFor(programFolder). Nothing is read until ComReadCnf: all texts start
  // empty, all numbers and flags 0.
  explicit ComPrpCnfInfo(std::string programFolder, std::string settingsPath = {});

  // Loads every setting from the file; missing keys, sections or a missing file give the
  // defaults. Returns kCnfOk, or kCnfFileFailed when the file exists but cannot be read
  // (too large, not a regular file, I/O error); the record then holds the defaults.
  int ComReadCnf();
  // Writes every setting that has a key, in one replacement of the file. Returns kCnfOk or
  // kCnfFileFailed (the old file is then unchanged; the record keeps its values).
  int ComWriteCnf() const;

  // Texts: ids 1-7, 23, 37, 41, 42, 46.
  int ComGetStr(int id, std::string* text) const;
  int ComSetStr(int id, std::string_view text);
  // Flags: ids 18-22, 25, 26, 28, 30, 32, 35.
  int ComGetFlg(int id, bool* flag) const;
  int ComSetFlg(int id, bool flag);
  // Integers and bytes: ids 8-17, 24, 27, 29, 33, 34, 36, 38-40, 43-45. No range check; a
  // byte setting keeps the low 8 bits of the value (300 is stored as 44).
  int ComGetVal(int id, int* value) const;
  int ComSetVal(int id, int value);

  // The batch folder (key PathBtchFile): read with the others, never written, used by nothing.
  const std::string& PathBtchFile() const { return pathBtchFile_; }

  const std::string& programFolder() const { return programFolder_; }
  const std::string& filePath() const { return filePath_; }

  // "KIVOMeriview.ini" in the program folder, or in $XDG_CONFIG_HOME/KIVOMeriview/ (default
  // ~/.config/KIVOMeriview/) when the program folder is not writable.
  static std::string settingsFilePathFor(const std::string& programFolder);

 private:
  enum class Kind : std::uint8_t { kNone, kText, kFlag, kInteger, kByte };
  static Kind kindOf(int id);
  std::string defaultText(int id) const;

  std::string programFolder_;
  std::string filePath_;
  bool fileInConfigFolder_ = false;  // the folder of the file may have to be created
  std::array<std::string, kSettingIdMax + 1> texts_{};
  std::array<std::int32_t, kSettingIdMax + 1> values_{};  // integers, bytes and flags (0/1)
  std::string pathBtchFile_;
};

}  // namespace kivo::app
