#pragma once

// The rules of the table editors' fields, without widgets: count values, the colour bar
// title, the order of the points, and the texts the fields show.

#include <string>
#include <vector>

#include "app/messages.h"
#include "colour/colour_table.h"

namespace kivo::app {

inline constexpr MsgCode kMsgTitleTooLong = 29;  // "半角250文字までの値を入力してください"
inline constexpr MsgCode kMsgBadCount = 30;      // "-9999から10000までの実数を入力してください"
inline constexpr MsgCode kMsgCountOrder = 35;    // "カウント値は昇順あるいは降順にしてください"

inline constexpr double kCountMin = -9999.0;
inline constexpr double kCountMax = 10000.0;
inline constexpr std::size_t kCountTextMax = 260;   // characters
inline constexpr std::size_t kTitleHalfWidthMax = 250;

// A count field's text: at most 260 characters, digits with an optional leading minus sign and
// at most one decimal point, between -9999 and 10000. 0 with the value, or message 30.
MsgCode checkCountText(const std::string& utf8, float& value);

// The title's length in half-width units: 1 for an ASCII character, 2 for any other.
std::size_t halfWidthLength(const std::string& utf8);
// 0, or message 29 when the title is longer than 250 half-width units.
MsgCode checkTitle(const std::string& utf8);

// True when the values never fall or never rise (equal neighbours are allowed).
bool monotonic(const std::vector<float>& values);
// The count values of channel c at the used slots 0, step, ... 8.
std::vector<float> usedCountValues(const colour::ComClrTblMng& table, int c);

// "%.3f", as the count fields and the colour bar show a count value.
std::string countText(float value);

// The editors' "No of Point" list index (0..3) of a point count, and back.
int pointChoiceOf(int points);
int pointsOfChoice(int choice);

}  // namespace kivo::app
