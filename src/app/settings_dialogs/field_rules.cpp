#include "app/settings_dialogs/field_rules.h"

#include <QFile>
#include <QFileInfo>

#include <climits>

namespace kivo::app::prefs {

FieldCheck checkNumberField(const QString& text, int min, int max, int* value) {
  if (text.size() > kMaxFieldChars) return FieldCheck::kOutOfRange;
  bool negative = false;
  long long v = 0;
  bool tooLarge = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('-')) {
      if (i != 0) return FieldCheck::kNotNumber;
      negative = true;
      continue;
    }
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return FieldCheck::kNotNumber;
    if (!tooLarge) {
      v = v * 10 + (c.unicode() - u'0');
      if (v > static_cast<long long>(INT_MAX) + 1) tooLarge = true;
    }
  }
  if (negative) v = -v;
  if (tooLarge || v > INT_MAX || v < INT_MIN || v < min || v > max) return FieldCheck::kOutOfRange;
  if (value != nullptr) *value = static_cast<int>(v);
  return FieldCheck::kOk;
}

int halfWidthUnits(const QString& text) {
  int units = 0;
  for (const char32_t c : text.toUcs4()) units += c < 0x80 ? 1 : 2;
  return units;
}

bool titleFits(const QString& text) {
  return text.toUcs4().size() <= kMaxTitleUnits && halfWidthUnits(text) <= kMaxTitleUnits;
}

int leadingInteger(const QString& text) {
  qsizetype i = 0;
  const auto space = [](QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\v') ||
           c == QLatin1Char('\f') || c == QLatin1Char('\r');
  };
  while (i < text.size() && space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  long long v = 0;
  for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
    if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (text[i].unicode() - u'0');
  }
  if (negative) v = -v;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

bool hasMapFileExtension(const QString& path) {
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  return (dot < 0 ? path : path.mid(dot + 1)) == QLatin1String("b");
}

bool readableFile(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
  QFile file(path);
  return file.open(QIODevice::ReadOnly);
}

std::string truncatedUtf8(const std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  // Step back over continuation bytes so that no character is cut.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace kivo::app::prefs
