#include "app/batch/batch_language.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "product_model/catalogue.h"

namespace kivo::app {
namespace {

bool sameIgnoringCase(const std::string& a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

// Batch names of the channel indices 0-99.
constexpr std::array<const char*, 100> kChannelCodes = [] {
  std::array<const char*, 100> codes{};
  for (auto& c : codes) c = "";
  const char* named[] = {"",      "6V",     "6H",     "7V",     "7H",     "10V",    "10H",    "18V",    "18H",
                         "23V",   "23H",    "36V",    "36H",    "50V",    "50H",    "52V",    "52H",    "89V",
                         "89H",   "89AV",   "89AH",   "89BV",   "89BH"};
  for (std::size_t i = 0; i < sizeof named / sizeof named[0]; ++i) codes[i] = named[i];
  const char* later[] = {"V",      "H",      "6-6V",   "6-6H",   "6-7V",   "6-7H",   "6-10V",  "6-10H",
                         "6-18V",  "6-18H",  "6-23V",  "6-23H",  "6-36V",  "6-36H",  "6-89V",  "6-89H",
                         "10-10V", "10-10H", "10-18V", "10-18H", "10-23V", "10-23H", "10-36V", "10-36H",
                         "10-89V", "10-89H", "23-18V", "23-18H", "23-23V", "23-23H", "23-36V", "23-36H",
                         "23-89V", "23-89H", "36-36V", "36-36H", "36-89V", "36-89H", "89-89AV", "89-89AH",
                         "89-89BV", "89-89BH", "1",    "2",      "3",      "89A-1",  "89A-2",  "89A-3",
                         "89B-1",  "89B-2",  "89B-3"};
  for (std::size_t i = 0; i < sizeof later / sizeof later[0]; ++i) codes[25 + i] = later[i];
  return codes;
}();

struct LevelCode {
  const char* code;
  const char* word;
};
constexpr LevelCode kLevels[] = {{"L1A", "Level 1A"}, {"L1B", "Level 1B"}, {"L1BMap", "Level 1M"}, {"L1R", "Level 1R"},
                                 {"L2", "Level 2"},   {"L2Map", "Level 2 Map"}, {"L3", "Level 3"}};

constexpr const char* kProjections[] = {"EQR", "PN", "PS", "PNS", "ORTHO", "MER"};

// Every option word of the language. Values read up to a slash end where one of these begins:
// paths here are written with '/', so a value runs on through slashes that start no option.
const std::set<std::string> kOptionWords = {"T", "L", "S", "RGB", "M", "C", "I", "V", "R", "F", "O", "G", "Z", "W"};

bool startsOption(const std::string& s, std::size_t slash) {
  std::size_t end = slash + 1;
  while (end < s.size() && s[end] != ' ') ++end;
  std::string word = s.substr(slash + 1, end - slash - 1);
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return kOptionWords.count(word) != 0;
}

// Reads the options of one line from left to right.
class OptionReader {
 public:
  explicit OptionReader(const std::string& text) : s_(text) {}

  // The next option word followed by a space (unknown words are skipped); false at the end.
  bool next(std::string& option) {
    while (p_ < s_.size()) {
      if (s_[p_] == ' ') {
        ++p_;
        continue;
      }
      const std::size_t space = s_.find(' ', p_);
      if (space == std::string::npos) {
        p_ = s_.size();  // a last word without a space after it is no option
        return false;
      }
      option = s_.substr(p_, space - p_);
      p_ = space + 1;
      return true;
    }
    return false;
  }
  // Up to the next space, or to the end of the line.
  std::string word() {
    const std::size_t space = std::min(s_.find(' ', p_), s_.size());
    std::string value = s_.substr(p_, space - p_);
    p_ = space;
    return value;
  }
  // The next word, past the space that ends the current one (for options of several words).
  std::string nextWord() {
    skipSpace();
    return word();
  }
  // Up to the space before the next option word, or to the end of the line.
  std::string upToSlash() {
    std::size_t from = p_;
    while (true) {
      const std::size_t slash = s_.find('/', from);
      if (slash == std::string::npos) break;
      if ((slash == p_ || s_[slash - 1] == ' ') && startsOption(s_, slash)) {
        std::string value = slash > p_ ? s_.substr(p_, slash - 1 - p_) : std::string();
        p_ = slash;
        return value;
      }
      from = slash + 1;
    }
    std::string value = s_.substr(p_);
    p_ = s_.size();
    return value;
  }
  // Past the one space that ends a word.
  void skipSpace() {
    if (p_ < s_.size() && s_[p_] == ' ') ++p_;
  }
  bool atSlash() const { return p_ < s_.size() && s_[p_] == '/'; }

 private:
  const std::string& s_;
  std::size_t p_ = 0;
};

// Marks options as given; a second mark of the same option fails the line.
class Given {
 public:
  bool mark(const std::string& option) { return marked_.insert(option).second; }
  bool has(const std::string& option) const { return marked_.count(option) != 0; }

 private:
  std::set<std::string> marked_;
};

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool beginsNumber(const std::string& text) {
  return !text.empty() && std::strchr("-0123456789.", text[0]) != nullptr;
}

// A decimal number times 1,000,000 truncated toward zero; false when it does not fit.
bool microdegreesOf(double value, int& out) {
  const double scaled = value * 1000000.0;
  if (!(std::fabs(scaled) < 2147483647.0)) return false;
  out = static_cast<int>(scaled);
  return true;
}

// /R: four numbers separated by single spaces, in the order second-corner latitude,
// first-corner longitude, first-corner latitude, second-corner longitude; each kept in single
// precision before it is scaled.
bool parseArea(const std::string& text, BtchArea& area) {
  int values[4] = {0, 0, 0, 0};
  std::size_t from = 0;
  for (int k = 0; k < 4; ++k) {
    const std::size_t space = text.find(' ', from);
    const bool last = space == std::string::npos;
    if (last != (k == 3)) return false;
    const std::string piece = text.substr(from, last ? std::string::npos : space - from);
    if (!beginsNumber(piece)) return false;
    const float single = static_cast<float>(std::strtod(piece.c_str(), nullptr));
    const float scaled = single * 1000000.0f;
    if (!(std::fabs(scaled) < 2147483520.0f)) return false;
    values[k] = static_cast<int>(scaled);
    from = space + 1;
  }
  area.lat2 = values[0];
  area.lon1 = values[1];
  area.lat1 = values[2];
  area.lon2 = values[3];
  return true;
}

// A whole number that begins with a digit; false when it does not or does not fit.
bool wholeNumber(const std::string& text, long& value) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  value = std::strtol(text.c_str(), nullptr, 10);
  return errno == 0 && value <= INT_MAX;
}

// The VIEWHDF options; OUTHDF lines carry them too, among their own.
int readOpenOptions(const std::string& arguments, BtchOpnRec& r) {
  OptionReader in(arguments);
  Given given;
  std::string option;
  bool channelsGiven = false;
  bool level3 = false;
  while (in.next(option)) {
    const std::string o = upper(option);
    if (o == "/T") {
      if (!given.mark(o)) return kBtchSyntax;
      r.productWord = in.word();
    } else if (o == "/L") {
      if (!given.mark(o)) return kBtchSyntax;
      const std::string code = in.upToSlash();
      r.levelWord = levelWordOfCode(code);
      if (r.levelWord.empty()) return kBtchSyntax;
      level3 = code == "L3";
    } else if (o == "/S") {
      if (channelsGiven) return kBtchSyntax;
      channelsGiven = true;
      r.composite = 0;
      r.channels[0] = in.atSlash() ? std::string() : in.word();
    } else if (o == "/RGB") {
      if (channelsGiven) return kBtchSyntax;
      channelsGiven = true;
      r.composite = 1;
      if (!level3) {
        for (int k = 0; k < 3; ++k) {
          if (k > 0) in.skipSpace();
          if (in.atSlash()) break;
          r.channels[k] = in.word();
        }
      }
    } else if (o == "/M") {
      if (!given.mark(o)) return kBtchSyntax;
      r.projectionName = in.word();
    } else if (o == "/C") {
      if (!given.mark(o)) return kBtchSyntax;
      r.tableName = in.upToSlash();
      r.tableGiven = true;
    } else if (o == "/I") {
      if (!given.mark(o)) return kBtchSyntax;
      r.fileListName = in.upToSlash();
    } else if (o == "/V") {
      if (!given.mark(o)) return kBtchSyntax;
      const std::string v = in.word();
      if (sameIgnoringCase(v, "ON")) r.view = true;
      else if (sameIgnoringCase(v, "OFF")) r.view = false;
      else return kBtchSyntax;
    }
  }
  if (!given.has("/T") || !given.has("/L") || !given.has("/I") || !channelsGiven) return kBtchSyntax;
  return kBtchDone;
}

// The options of the value outputs: /R area, /O path (required) and, where `withLatLon` is
// given, the /G flag.
int readValueOutput(const std::string& arguments, BtchArea& area, bool& areaGiven, std::string& path,
                    bool* withLatLon) {
  OptionReader in(arguments);
  Given given;
  std::string option;
  while (in.next(option)) {
    const std::string o = upper(option);
    if (o == "/R") {
      if (!given.mark(o) || !parseArea(in.upToSlash(), area)) return kBtchSyntax;
      areaGiven = true;
    } else if (o == "/G" && withLatLon != nullptr) {
      if (!given.mark(o)) return kBtchSyntax;
      *withLatLon = true;
    } else if (o == "/O") {
      if (!given.mark(o)) return kBtchSyntax;
      path = in.word();
    }
  }
  return given.has("/O") && !path.empty() ? kBtchDone : kBtchSyntax;
}

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string areaText(const BtchArea& a) {
  return "/R " + format("%.03f", a.lat2 / 1e6) + " " + format("%.03f", a.lon1 / 1e6) + " " +
         format("%.03f", a.lat1 / 1e6) + " " + format("%.03f", a.lon2 / 1e6);
}

// "/S code " or "/RGB r g b ".
std::string channelsText(int composite, const std::string (&channels)[3]) {
  if (composite == 0) return "/S " + channelCodeOfName(channels[0]) + " ";
  return "/RGB " + channelCodeOfName(channels[0]) + " " + channelCodeOfName(channels[1]) + " " +
         channelCodeOfName(channels[2]) + " ";
}

// The VIEWHDF arguments of an open record; empty when its level has no code.
std::string openArguments(const BtchOpnRec& r) {
  const std::string level = levelCodeOfWord(r.levelWord);
  if (level.empty()) return {};
  std::string line = "/T " + r.productWord + " /L " + level + " " + channelsText(r.composite, r.channels);
  if (!r.projectionName.empty()) line += "/M " + r.projectionName;
  if (r.tableGiven) line += " /C " + r.tableName;
  line += " /I " + r.fileListName;
  line += std::string(" /V ") + (r.view ? "ON" : "OFF");
  return line;
}

}  // namespace

BtchSplit splitCommandLine(const std::string& line) {
  const std::size_t space = line.find(' ');
  if (space == std::string::npos) return {std::string(), line};
  return {line.substr(0, space), line.substr(space + 1)};
}

int kindOfKeyword(const std::string& keyword) {
  static const std::pair<const char*, int> kKeywords[] = {
      {"VIEWHDF", kBtchViewHdf}, {"OUTHDF", kBtchOutHdf}, {"OUTIMG", kBtchOutImg},      {"OUTMOV", kBtchOutMov},
      {"OUTBIN", kBtchOutBin},   {"OUTCSV", kBtchOutCsv}, {"CHANGEMAP", kBtchChangeMap}};
  for (const auto& [word, kind] : kKeywords) {
    if (sameIgnoringCase(keyword, word)) return kind;
  }
  return kBtchUnknown;
}

std::string channelCodeOf(int index) {
  if (index < 0 || index >= static_cast<int>(kChannelCodes.size())) return {};
  return kChannelCodes[static_cast<std::size_t>(index)];
}

int channelIndexOfCode(const std::string& code) {
  for (std::size_t i = 0; i < kChannelCodes.size(); ++i) {
    if (sameIgnoringCase(code, kChannelCodes[i])) return static_cast<int>(i);
  }
  return -1;
}

std::string channelNameOfCode(const std::string& code) {
  const int index = channelIndexOfCode(code);
  if (index < 0 || index >= catalogue::kChnlCount) return {};
  return catalogue::channelName(index);
}

std::string channelCodeOfName(const std::string& name) {
  if (name.empty()) return {};
  for (int i = 0; i < catalogue::kChnlCount && i < static_cast<int>(kChannelCodes.size()); ++i) {
    if (name == catalogue::channelName(i)) return kChannelCodes[static_cast<std::size_t>(i)];
  }
  return {};
}

std::string levelWordOfCode(const std::string& code) {
  for (const LevelCode& l : kLevels) {
    if (code == l.code) return l.word;
  }
  return {};
}

std::string levelCodeOfWord(const std::string& word) {
  for (const LevelCode& l : kLevels) {
    if (word == l.word) return l.code;
  }
  return {};
}

int familyOfProductWord(const std::string& word) { return sameIgnoringCase(word, "AMSR2") ? 0 : 1; }

int projectionOfName(const std::string& name) {
  for (int i = 0; i < 6; ++i) {
    if (name == kProjections[i]) return i;
  }
  return -1;
}

std::string projectionNameOf(int projection) {
  return projection >= 0 && projection < 6 ? kProjections[projection] : "";
}

void channelsToNames(std::string (&channels)[3]) {
  for (std::string& c : channels) {
    if (!c.empty()) c = channelNameOfCode(c);
  }
}

int parseViewHdf(const std::string& arguments, BtchOpnRec& request) {
  request = BtchOpnRec{};
  return readOpenOptions(arguments, request);
}

int parseOutImg(const std::string& arguments, BtchImgRec& r) {
  r = BtchImgRec{};
  OptionReader in(arguments);
  Given given;
  std::string option;
  while (in.next(option)) {
    const std::string o = upper(option);
    if (o == "/R") {
      if (!given.mark(o) || !parseArea(in.upToSlash(), r.area)) return kBtchSyntax;
      r.areaGiven = true;
    } else if (o == "/F") {
      if (!given.mark(o)) return kBtchSyntax;
      const std::string f = upper(in.word());
      if (f == "JPEG") r.format = 1;
      else if (f == "BMP") r.format = 2;
      else if (f == "TIFF") r.format = 3;
      else if (f == "PNG") r.format = 4;
      else return kBtchSyntax;
    } else if (o == "/O") {
      if (!given.mark(o)) return kBtchSyntax;
      r.path = in.word();
    }
  }
  if (!given.has("/F") || r.path.empty()) return kBtchSyntax;
  const std::size_t dot = r.path.rfind('.');
  const std::string ext = dot == std::string::npos ? r.path : r.path.substr(dot + 1);
  static const char* kExtensions[] = {"", "jpg", "bmp", "tif", "png"};
  const bool kept = sameIgnoringCase(ext, kExtensions[r.format]) || (r.format == 1 && sameIgnoringCase(ext, "jpeg"));
  if (!kept) r.path += std::string(".") + kExtensions[r.format];
  return kBtchDone;
}

int parseOutMov(const std::string& arguments, BtchMovRec& r) {
  r = BtchMovRec{};
  OptionReader in(arguments);
  Given given;
  std::string option;
  while (in.next(option)) {
    const std::string o = upper(option);
    if (o != "/T" && o != "/L" && o != "/F" && o != "/S" && o != "/C" && o != "/I" && o != "/O") continue;
    if (!given.mark(o)) return kBtchSyntax;
    if (o == "/T") {
      r.productWord = in.word();
    } else if (o == "/L") {
      r.levelWord = levelWordOfCode(in.upToSlash());
      if (r.levelWord.empty()) return kBtchSyntax;
    } else if (o == "/F") {
      const std::string f = upper(in.word());
      if (f == "AVI") r.format = 0;
      else if (f == "KML") r.format = 1;
      else if (f == "KMZ") r.format = 2;
      else return kBtchSyntax;
    } else if (o == "/S") {
      r.channels[0] = in.atSlash() ? std::string() : in.word();
    } else if (o == "/C") {
      r.tableName = in.word();
      r.tableGiven = true;
    } else if (o == "/I") {
      r.fileListName = in.upToSlash();
    } else if (o == "/O") {
      r.path = in.word();
    }
  }
  for (const char* required : {"/T", "/L", "/F", "/S", "/I", "/O"}) {
    if (!given.has(required)) return kBtchSyntax;
  }
  return kBtchDone;
}

int parseOutCsv(const std::string& arguments, BtchCsvRec& r) {
  r = BtchCsvRec{};
  return readValueOutput(arguments, r.area, r.areaGiven, r.path, &r.withLatLon);
}

int parseOutBin(const std::string& arguments, BtchBinRec& r) {
  r = BtchBinRec{};
  return readValueOutput(arguments, r.area, r.areaGiven, r.path, nullptr);
}

int parseChangeMap(const std::string& arguments, BtchMapRec& r) {
  r = BtchMapRec{};
  OptionReader in(arguments);
  Given given;
  std::string option;
  while (in.next(option)) {
    const std::string o = upper(option);
    if (o == "/Z") {
      if (!given.mark(o)) return kBtchSyntax;
      long z = 0;
      if (!wholeNumber(in.word(), z)) return kBtchSyntax;
      r.magnification = static_cast<double>(z);
    } else if (o == "/C") {
      if (!given.mark(o)) return kBtchSyntax;
      const std::string lat = in.word();
      const std::string lon = in.nextWord();
      if (!beginsNumber(lat) || !beginsNumber(lon)) return kBtchSyntax;
      if (!microdegreesOf(std::strtod(lat.c_str(), nullptr), r.centreLat) ||
          !microdegreesOf(std::strtod(lon.c_str(), nullptr), r.centreLon)) {
        return kBtchSyntax;
      }
    } else if (o == "/W") {
      if (!given.mark(o)) return kBtchSyntax;
      long w = 0, h = 0;
      if (!wholeNumber(in.word(), w) || !wholeNumber(in.nextWord(), h)) return kBtchSyntax;
      r.windowSizeGiven = true;
      r.width = static_cast<int>(w);
      r.height = static_cast<int>(h);
    } else if (o == "/M") {
      if (!given.mark(o)) return kBtchSyntax;
      r.projectionName = in.word();
      if (projectionOfName(r.projectionName) < 0) return kBtchSyntax;
    }
  }
  return given.has("/Z") && given.has("/C") && given.has("/M") ? kBtchDone : kBtchSyntax;
}

int parseOutHdf(const std::string& arguments, BtchHdfRec& r) {
  r = BtchHdfRec{};
  if (readOpenOptions(arguments, r.open) != kBtchDone) return kBtchSyntax;
  OptionReader in(arguments);
  Given given;
  std::string option;
  while (in.next(option)) {
    const std::string o = upper(option);
    if (o == "/R") {
      if (!given.mark(o) || !parseArea(in.upToSlash(), r.area)) return kBtchSyntax;
      r.areaGiven = true;
    } else if (o == "/O") {
      if (!given.mark(o)) return kBtchSyntax;
      r.path = in.word();
    } else if (o == "/I" || o == "/L" || o == "/C") {
      in.upToSlash();  // values that may hold spaces are not read as words
    }
  }
  return given.has("/O") && !r.path.empty() ? kBtchDone : kBtchSyntax;
}

int parseCommandLine(const std::string& line, BtchRequest& request) {
  request = BtchRequest{};
  const BtchSplit split = splitCommandLine(line);
  request.kind = kindOfKeyword(split.keyword);
  switch (request.kind) {
    case kBtchViewHdf: return parseViewHdf(split.arguments, request.open);
    case kBtchOutImg: return parseOutImg(split.arguments, request.image);
    case kBtchOutMov: return parseOutMov(split.arguments, request.movie);
    case kBtchOutCsv: return parseOutCsv(split.arguments, request.csv);
    case kBtchOutBin: return parseOutBin(split.arguments, request.binary);
    case kBtchChangeMap: return parseChangeMap(split.arguments, request.map);
    case kBtchOutHdf: return parseOutHdf(split.arguments, request.hdf);
    default: return kBtchSyntax;
  }
}

std::string historyLine(const BtchOpnRec& record) {
  const std::string arguments = openArguments(record);
  return arguments.empty() ? std::string() : "VIEWHDF " + arguments;
}

std::string historyLine(const BtchImgRec& r) {
  static const char* kFormats[] = {"JPEG", "BMP", "TIFF", "PNG"};
  const char* name = r.format >= 0 && r.format < 4 ? kFormats[r.format] : "";
  std::string line = "OUTIMG ";
  if (r.areaGiven) line += areaText(r.area);
  line += std::string(" /F ") + name + " /O " + r.path;
  return line;
}

std::string historyLine(const BtchMovRec& r) {
  const std::string level = levelCodeOfWord(r.levelWord);
  if (level.empty()) return {};
  static const char* kFormats[] = {"AVI", "KML", "KMZ"};
  const char* name = r.format >= 0 && r.format < 3 ? kFormats[r.format] : "";
  std::string line = "OUTMOV /T " + r.productWord + " /L " + level + " /F " + name + " " +
                     channelsText(r.composite, r.channels) + " ";
  if (r.tableGiven) line += " /C " + r.tableName;
  line += " /I " + r.fileListName + " /O " + r.path;
  return line;
}

std::string historyLine(const BtchCsvRec& r) {
  std::string line = "OUTCSV ";
  if (r.areaGiven) line += areaText(r.area);
  line += " ";
  if (r.withLatLon) line += "/G ";
  return line + "/O " + r.path;
}

std::string historyLine(const BtchBinRec& r) {
  std::string line = "OUTBIN ";
  if (r.areaGiven) line += areaText(r.area);
  return line + " /O " + r.path;
}

std::string historyLine(const BtchMapRec& r) {
  std::string line = "CHANGEMAP /Z " + format("%.0f", r.magnification) + " /C " + format("%0.3f", r.centreLat / 1e6) +
                     " " + format("%0.3f", r.centreLon / 1e6) + " ";
  if (r.windowSizeGiven) line += "/W " + std::to_string(r.width) + " " + std::to_string(r.height) + " ";
  return line + "/M " + r.projectionName;
}

std::string historyLine(const BtchHdfRec& r) {
  const std::string arguments = openArguments(r.open);
  if (arguments.empty()) return {};
  std::string line = "OUTHDF " + arguments + " ";
  if (r.areaGiven) line += areaText(r.area);
  return line + " /O " + r.path;
}

std::string errorLine(const std::string& text) { return "ERROR " + text; }

}  // namespace kivo::app
