#pragma once

// A reader and writer of private-profile (ini) files: "[NAME]" section lines and
// "key=value" lines.
//
// Reading: section and key names are compared ignoring ASCII case; the first section of a
// name and the first key of a name within it win; a missing file, section or key yields
// the caller's default. Blanks around names and values are trimmed, a value enclosed in a
// matching pair of single or double quotes loses the quotes, and a value is cut to
// kProfileMaxValueBytes. LF and CR LF line ends are both accepted; a UTF-8 byte-order mark
// is skipped.
//
// Writing: a key's value is replaced in place; every other line of the file (comments,
// unknown keys, blank lines, their line ends) is kept byte for byte. A missing key is
// appended at the end of its section, a missing section at the end of the file. Lines
// written end in CR LF. The file is replaced through a temporary file in the same folder,
// so a failed write leaves the old file as it was.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::app {

enum ProfileResult : int {
  kProfileOk = 0,
  kProfileNotFound = 1,     // the file does not exist (reading then sees an empty file)
  kProfileTooLarge = 2,     // the file is larger than kProfileMaxFileBytes
  kProfileReadFailed = 3,   // the file exists but cannot be read, or is not a regular file
  kProfileWriteFailed = 4,  // the new file could not be written; the old one is unchanged
  kProfileBadName = 5,      // a section or key name that cannot be stored in the file
};

inline constexpr std::size_t kProfileMaxValueBytes = 259;
inline constexpr std::size_t kProfileMaxFileBytes = 1024 * 1024;
// Longer lines are kept when the file is rewritten but never match a section or key.
inline constexpr std::size_t kProfileMaxLineBytes = 8192;

// One profile file held in memory: load it, read and change keys, save it in one go.
class ProfileFile {
 public:
  // Replaces the contents with the file at `path`. On any result other than kProfileOk the
  // contents are empty.
  int load(const std::string& path);
  void clear() { lines_.clear(); }

  // The value of `key` in `section`, or `defaultValue` (both cut to kProfileMaxValueBytes).
  std::string getString(std::string_view section, std::string_view key, std::string_view defaultValue) const;

  // Sets `key` in `section`. The value is cut at its first CR, LF or NUL and to
  // kProfileMaxValueBytes (at a UTF-8 character boundary). Returns kProfileOk or
  // kProfileBadName.
  int setString(std::string_view section, std::string_view key, std::string_view value);

  // Writes the contents to `path` through a temporary file that replaces the old one.
  // Refuses (kProfileWriteFailed) when the existing file is read-only or not a regular file.
  int save(const std::string& path) const;

  // The file's bytes as save() would write them.
  std::string text() const;

 private:
  struct Line {
    std::string content;  // without its line end
    std::string end;      // "\r\n", "\n" or "" (last line of a file without a final line end)
  };
  std::vector<Line> lines_;
};

// One-shot helpers with the semantics of the platform's profile functions: each opens,
// reads (and writes) and closes the file within the call.
std::string readProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const std::string& path);
int writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& path);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 sequence.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace kivo::app
