#include "colour/table_files.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

namespace kivo::colour {
namespace {

constexpr std::size_t kLineBytes = 259;  // a longer line is read in pieces of this size

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads the next piece of a line (at most kLineBytes bytes); `ended` tells whether the piece
// ended the line.
bool nextPiece(std::FILE* f, std::string& piece, bool& ended) {
  char buffer[kLineBytes + 1];
  if (std::fgets(buffer, sizeof buffer, f) == nullptr) return false;
  piece = buffer;
  ended = !piece.empty() && piece.back() == '\n';
  while (!piece.empty() && (piece.back() == '\n' || piece.back() == '\r')) piece.pop_back();
  return true;
}

bool contains(std::string_view line, std::string_view what) { return line.find(what) != std::string_view::npos; }

// Decimal integer with leading blanks, stopping at the first non-digit; 0 when none.
long leadingInteger(const std::string& line, std::size_t at) {
  if (at >= line.size()) return 0;
  return std::strtol(line.c_str() + at, nullptr, 10);
}

// The C conversion to double of text[from, to); 0 when nothing parses.
float numberBetween(const std::string& line, std::size_t from, std::size_t to) {
  if (from >= line.size() || to <= from) return 0.0f;
  const std::string text = line.substr(from, to - from);
  return static_cast<float>(std::strtod(text.c_str(), nullptr));
}

std::uint8_t lowByte(long v) { return static_cast<std::uint8_t>(static_cast<unsigned long>(v) & 0xFFu); }

int pointChoiceOf(int step) {
  switch (step) {
    case 1: return 3;
    case 2: return 2;
    case 4: return 1;
    default: return 0;
  }
}

// Lines every table file shares; true when the line was one of them.
bool commonLine(const std::string& line, ComClrTblMng& table, TableFileExtras& extras, int& step, bool colourTable,
                bool lineEnded) {
  if (contains(line, "N =")) {
    table.ComSetPntNum(static_cast<int>(leadingInteger(line, 3)));
    step = table.step();
    extras.pointChoice = pointChoiceOf(step);
    return true;
  }
  if (contains(line, "GRAPH_MODE =")) {
    if (contains(line, "0")) {
      table.ComSetGrphType(kLineGraph);
    } else if (contains(line, "1")) {
      table.ComSetGrphType(kBarGraph);
    }
    return true;
  }
  if (contains(line, "LOG_MODE =")) {
    table.ComSetLogMode(contains(line, "ON") ? 1 : 0);
    return true;
  }
  if (colourTable && contains(line, "REVERS_MODE =")) {
    extras.reverse = contains(line, "ON");
    extras.reverseRead = true;
    return true;
  }
  if (contains(line, "TITLE_NAME =")) {
    // The title runs to the line end, also on a last line without one.
    (void)lineEnded;
    extras.title = line.size() > 13 ? line.substr(13) : std::string();
    extras.titleRead = true;
    return true;
  }
  return false;
}

// Writes `text` to path through a temporary file that replaces the old file at the end.
int writeWhole(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  {
    File f(std::fopen(temporary.c_str(), "wb"));
    if (!f) return kFileWriteFailed;
    const bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    const bool closed = std::fclose(f.release()) == 0;
    if (!written || !closed) {
      std::remove(temporary.c_str());
      return kFileWriteFailed;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    return kFileWriteFailed;
  }
  return kFileOk;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

std::string headerLines(const ComClrTblMng& table) {
  std::string text = format("N = %d\r\n", table.ComGetPntNum());
  text += format("GRAPH_MODE = %d\r\n", table.ComGetGrphType() - 1);
  text += table.ComGetLogMode() == 1 ? "LOG_MODE = ON\r\n" : "LOG_MODE = OFF\r\n";
  return text;
}

}  // namespace

int writeColourTableFile(const std::string& path, const ComClrTblMng& table, const std::string& title, bool reverse) {
  std::string text = "// KIVO-S1 Meriview COLOR TABLE DEFINE\r\n";
  text += headerLines(table);
  text += reverse ? "REVERS_MODE = ON\r\n" : "REVERS_MODE = OFF\r\n";
  text += "TITLE_NAME = " + title + "\r\n";
  const int step = table.step();
  for (int i = 0; i < table.ComGetPntNum(); ++i) {
    const int k = i * step;
    float value = 0;
    std::uint8_t r = 0, g = 0, b = 0;
    table.ComGetCntVal(0, k, &value);
    table.ComGetClrPrm(0, k, &r);
    table.ComGetClrPrm(1, k, &g);
    table.ComGetClrPrm(2, k, &b);
    text += format("VAL = %.3f\tCOLOR = %3d,%3d,%3d\r\n", static_cast<double>(value), r, g, b);
  }
  return writeWhole(path, text);
}

int writeLookupTableFile(const std::string& path, const ComClrTblMng& table) {
  std::string text = "// KIVO-S1 Meriview LOOKUP DEFINE\r\n";
  text += headerLines(table);
  const int step = table.step();
  static constexpr const char* kKeys[kChannels] = {"R", "G", "B"};
  for (int c = 0; c < kChannels; ++c) {
    for (int i = 0; i < table.ComGetPntNum(); ++i) {
      float value = 0;
      std::uint8_t intensity = 0;
      table.ComGetCntVal(c, i * step, &value);
      table.ComGetClrPrm(c, i * step, &intensity);
      text += format("VAL_%s = %.3f\tCOLOR_%s = %3d\r\n", kKeys[c], static_cast<double>(value), kKeys[c], intensity);
    }
  }
  return writeWhole(path, text);
}

int readColourTableFile(const std::string& path, ComClrTblMng& table, TableFileExtras& extras) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return kFileCannotOpen;
  int step = 1;
  int point = 0;
  std::string line;
  bool ended = false;
  while (nextPiece(f.get(), line, ended)) {
    if (commonLine(line, table, extras, step, true, ended)) continue;
    if (!contains(line, "VAL =")) continue;
    const std::size_t p = line.find("COLOR =");
    const float value = numberBetween(line, 5, p == std::string::npos ? line.size() : p - 1);
    long r = 0, g = 0, b = 0;
    if (p != std::string::npos) {
      r = leadingInteger(line, p + 8);
      const std::size_t c1 = line.find(',', p + 8);
      if (c1 != std::string::npos) {
        g = leadingInteger(line, c1 + 1);
        const std::size_t c2 = line.find(',', c1 + 1);
        if (c2 != std::string::npos) b = leadingInteger(line, c2 + 1);
      }
    }
    const int first = point * step;
    for (int k = first; k < first + step && k < kCapacity; ++k) {
      for (int c = 0; c < kChannels; ++c) table.ComSetCntVal(c, k, value);
      table.ComSetClrPrm(0, k, lowByte(r));
      table.ComSetClrPrm(1, k, lowByte(g));
      table.ComSetClrPrm(2, k, lowByte(b));
    }
    ++point;
  }
  return kFileOk;
}

int readLookupTableFile(const std::string& path, ComClrTblMng& table, TableFileExtras& extras) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return kFileCannotOpen;
  int step = 1;
  int next[kChannels] = {0, 0, 0};
  static constexpr const char* kValueKeys[kChannels] = {"VAL_R =", "VAL_G =", "VAL_B ="};
  static constexpr const char* kColourKeys[kChannels] = {"COLOR_R =", "COLOR_G =", "COLOR_B ="};
  std::string line;
  bool ended = false;
  while (nextPiece(f.get(), line, ended)) {
    if (commonLine(line, table, extras, step, false, ended)) continue;
    for (int c = 0; c < kChannels; ++c) {
      if (!contains(line, kValueKeys[c])) continue;
      const std::size_t p = line.find(kColourKeys[c]);
      const float value = numberBetween(line, 7, p == std::string::npos ? line.size() : p);
      const long intensity = p == std::string::npos ? 0 : leadingInteger(line, p + 10);
      int& s = next[c];
      if (s < kCapacity) {
        for (int k = s; k < s + step && k < kCapacity; ++k) {
          table.ComSetCntVal(c, k, value);
          table.ComSetClrPrm(c, k, lowByte(intensity));
        }
        s += step;
      }
      break;
    }
  }
  return kFileOk;
}

}  // namespace kivo::colour
