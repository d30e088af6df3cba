#include "app/table_editors/table_fields.h"

#include <cstdio>
#include <cstdlib>

namespace kivo::app {
namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t characters(const std::string& utf8) {
  std::size_t n = 0;
  for (char c : utf8) n += isContinuation(c) ? 0 : 1;
  return n;
}

// Digits with an optional leading minus sign and at most one decimal point.
bool isDecimal(const std::string& text) {
  std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  int digits = 0, points = 0;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && points == 0) {
      ++points;
    } else {
      return false;
    }
  }
  return digits > 0;
}

}  // namespace

MsgCode checkCountText(const std::string& utf8, float& value) {
  if (characters(utf8) > kCountTextMax || !isDecimal(utf8)) return kMsgBadCount;
  const double v = std::strtod(utf8.c_str(), nullptr);
  if (v < kCountMin || v > kCountMax) return kMsgBadCount;
  value = static_cast<float>(v);
  return 0;
}

std::size_t halfWidthLength(const std::string& utf8) {
  std::size_t n = 0;
  for (char c : utf8) {
    if (isContinuation(c)) continue;
    n += static_cast<unsigned char>(c) < 0x80 ? 1 : 2;
  }
  return n;
}

MsgCode checkTitle(const std::string& utf8) { return halfWidthLength(utf8) > kTitleHalfWidthMax ? kMsgTitleTooLong : 0; }

bool monotonic(const std::vector<float>& values) {
  bool rising = true, falling = true;
  for (std::size_t i = 1; i < values.size(); ++i) {
    if (values[i] < values[i - 1]) rising = false;
    if (values[i] > values[i - 1]) falling = false;
  }
  return rising || falling;
}

std::vector<float> usedCountValues(const colour::ComClrTblMng& table, int c) {
  std::vector<float> values;
  for (int k = 0; k < colour::kCapacity; k += table.step()) {
    float v = 0;
    table.ComGetCntVal(c, k, &v);
    values.push_back(v);
  }
  return values;
}

std::string countText(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
  return text;
}

int pointChoiceOf(int points) {
  switch (points) {
    case 2: return 0;
    case 3: return 1;
    case 5: return 2;
    default: return 3;
  }
}

int pointsOfChoice(int choice) {
  static constexpr int kPoints[4] = {2, 3, 5, 9};
  return choice >= 0 && choice < 4 ? kPoints[choice] : 9;
}

}  // namespace kivo::app
