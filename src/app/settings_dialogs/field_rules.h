#pragma once

// The rules of the settings dialogs' text fields: integers typed by the user, title lengths,
// frame rates and coastline file names.

#include <QString>

#include <string>

namespace kivo::app::prefs {

// A text longer than this is never accepted by a number field.
inline constexpr int kMaxFieldChars = 260;
// Titles: at most this many characters and half-width units.
inline constexpr int kMaxTitleUnits = 250;

enum class FieldCheck { kOk, kNotNumber, kOutOfRange };

// A number field holds an integer when every character is one of "-0123456789" and a minus
// sign stands, if at all, only first. Empty text and a lone "-" are 0; a value too large for
// a 32-bit integer, or a text longer than kMaxFieldChars, lies outside every range. On kOk
// `value` receives the integer.
FieldCheck checkNumberField(const QString& text, int min, int max, int* value);

// Half-width units of a text: 1 for an ASCII character, 2 for any other.
int halfWidthUnits(const QString& text);
// At most kMaxTitleUnits characters and half-width units.
bool titleFits(const QString& text);

// The integer the C library's text-to-integer conversion reads: leading white space skipped,
// an optional sign, then digits up to the first non-digit; 0 when there is none. Values
// beyond the 32-bit range are clamped to it.
int leadingInteger(const QString& text);

// Whether the text after the last "." (the whole text when there is none) is exactly "b".
bool hasMapFileExtension(const QString& path);
// Whether the file can be opened for reading.
bool readableFile(const QString& path);

// A UTF-8 text cut to at most `bytes` bytes without splitting a character.
std::string truncatedUtf8(const std::string& text, std::size_t bytes);

}  // namespace kivo::app::prefs
