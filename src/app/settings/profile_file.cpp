#include "app/settings/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace kivo::app {
namespace {

// A legitimate settings file has a few dozen lines; the cap keeps the per-line bookkeeping
// of a hostile file small.
constexpr std::size_t kMaxLines = 65536;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

bool hasAny(std::string_view s, std::string_view chars) { return s.find_first_of(chars) != std::string_view::npos; }

bool validSection(std::string_view s) {
  return !s.empty() && trim(s).size() == s.size() && !hasAny(s, std::string_view("[]\r\n\0", 5));
}

bool validKey(std::string_view s) {
  return !s.empty() && trim(s).size() == s.size() && s.front() != '[' && s.front() != ';' &&
         !hasAny(s, std::string_view("=\r\n\0", 4));
}

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;
  std::size_t equals = 0;      // offset of '=' (keys)
  std::size_t valueBegin = 0;  // trimmed value [valueBegin, valueEnd) (keys)
  std::size_t valueEnd = 0;
};

ParsedLine parseLine(std::string_view content, bool firstLine) {
  ParsedLine p;
  if (content.size() > kProfileMaxLineBytes) return p;
  std::size_t start = (firstLine && content.starts_with(kBom)) ? kBom.size() : 0;
  while (start < content.size() && isBlank(content[start])) ++start;
  const std::string_view body = trim(content.substr(start));
  if (body.empty() || body.front() == ';') return p;
  if (body.front() == '[') {
    const std::size_t close = body.rfind(']');
    if (close == std::string_view::npos) return p;
    p.kind = LineKind::kSection;
    p.name = trim(body.substr(1, close - 1));
    return p;
  }
  const std::size_t eq = content.find('=', start);
  if (eq == std::string_view::npos) return p;
  p.name = trim(content.substr(start, eq - start));
  if (p.name.empty()) return p;
  p.kind = LineKind::kKey;
  p.equals = eq;
  std::size_t b = eq + 1;
  std::size_t e = content.size();
  while (b < e && isBlank(content[b])) ++b;
  while (e > b && isBlank(content[e - 1])) --e;
  p.valueBegin = b;
  p.valueEnd = e;
  return p;
}

bool isBlankLine(std::string_view content) { return trim(content).empty(); }

// Quotes around a value are dropped and a value ends at a NUL, as the platform's reader does.
std::string cleanValue(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  const std::size_t nul = v.find('\0');
  if (nul != std::string_view::npos) v = v.substr(0, nul);
  return std::string(cutUtf8(v, kProfileMaxValueBytes));
}

std::string cutDefault(std::string_view v) {
  const std::size_t nul = v.find('\0');
  if (nul != std::string_view::npos) v = v.substr(0, nul);
  return std::string(cutUtf8(v, kProfileMaxValueBytes));
}

struct FileDescriptor {
  int fd = -1;
  explicit FileDescriptor(int f) : fd(f) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  int release() {
    const int f = fd;
    fd = -1;
    return f;
  }
};

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

std::string_view cutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t n = maxBytes;
  // text[n] is the first byte dropped; if it continues a sequence, drop that sequence too.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

int ProfileFile::load(const std::string& path) {
  lines_.clear();
  // O_NONBLOCK keeps a FIFO at the path from blocking the open.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? kProfileNotFound : kProfileReadFailed;
  struct stat st {};
  if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return kProfileReadFailed;
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > kProfileMaxFileBytes) return kProfileTooLarge;

  // Read at most one byte more than allowed, whatever fstat said: the file may be growing.
  constexpr std::size_t kCap = kProfileMaxFileBytes + 1;
  std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (bytes.size() >= kCap) break;
      bytes.resize(std::min(kCap, bytes.size() * 2));
    }
    const ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return kProfileReadFailed;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > kProfileMaxFileBytes) return kProfileTooLarge;
  bytes.resize(got);

  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (lines_.size() >= kMaxLines) {
      lines_.clear();
      return kProfileTooLarge;
    }
    const std::size_t nl = bytes.find('\n', pos);
    if (nl == std::string::npos) {
      lines_.push_back({bytes.substr(pos), ""});
      break;
    }
    std::size_t end = nl;
    const bool crlf = end > pos && bytes[end - 1] == '\r';
    if (crlf) --end;
    lines_.push_back({bytes.substr(pos, end - pos), crlf ? "\r\n" : "\n"});
    pos = nl + 1;
  }
  return kProfileOk;
}

std::string ProfileFile::getString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
  if (!validSection(section) || !validKey(key)) return cutDefault(defaultValue);
  bool inSection = false;
  bool seenSection = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const ParsedLine p = parseLine(lines_[i].content, i == 0);
    if (p.kind == LineKind::kSection) {
      if (inSection) break;  // only the first section of the name counts
      inSection = !seenSection && equalsIgnoreCase(p.name, section);
      seenSection = seenSection || inSection;
    } else if (inSection && p.kind == LineKind::kKey && equalsIgnoreCase(p.name, key)) {
      return cleanValue(std::string_view(lines_[i].content).substr(p.valueBegin, p.valueEnd - p.valueBegin));
    }
  }
  return cutDefault(defaultValue);
}

int ProfileFile::setString(std::string_view section, std::string_view key, std::string_view value) {
  if (!validSection(section) || !validKey(key)) return kProfileBadName;
  const std::size_t stop = value.find_first_of(std::string_view("\r\n\0", 3));
  if (stop != std::string_view::npos) value = value.substr(0, stop);
  value = cutUtf8(value, kProfileMaxValueBytes);

  std::size_t header = lines_.size();
  std::size_t sectionEnd = lines_.size();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const ParsedLine p = parseLine(lines_[i].content, i == 0);
    if (p.kind == LineKind::kSection) {
      if (header < lines_.size()) {
        sectionEnd = i;
        break;
      }
      if (equalsIgnoreCase(p.name, section)) header = i;
    } else if (header < lines_.size() && p.kind == LineKind::kKey && equalsIgnoreCase(p.name, key)) {
      // Keep the line up to its value (the blanks after '=' only when there was a value).
      Line& line = lines_[i];
      const std::size_t keep = p.valueBegin < p.valueEnd ? p.valueBegin : p.equals + 1;
      line.content.resize(keep);
      line.content.append(value);
      line.end = kCrLf;
      return kProfileOk;
    }
  }

  const std::string keyLine = std::string(key) + "=" + std::string(value);
  if (header < lines_.size()) {
    // Append after the last non-blank line of the section, so blank separators stay below.
    std::size_t at = header + 1;
    for (std::size_t i = header + 1; i < sectionEnd; ++i) {
      if (!isBlankLine(lines_[i].content)) at = i + 1;
    }
    if (lines_[at - 1].end.empty()) lines_[at - 1].end = kCrLf;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{keyLine, std::string(kCrLf)});
    return kProfileOk;
  }

  if (!lines_.empty()) {
    if (lines_.back().end.empty()) lines_.back().end = kCrLf;
    if (!isBlankLine(lines_.back().content)) lines_.push_back({"", std::string(kCrLf)});
  }
  lines_.push_back({"[" + std::string(section) + "]", std::string(kCrLf)});
  lines_.push_back({keyLine, std::string(kCrLf)});
  return kProfileOk;
}

std::string ProfileFile::text() const {
  std::string out;
  std::size_t size = 0;
  for (const Line& l : lines_) size += l.content.size() + l.end.size();
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.content;
    out += l.end;
  }
  return out;
}

int ProfileFile::save(const std::string& path) const {
  if (path.empty()) return kProfileWriteFailed;
  std::string target = path;
  struct stat st {};
  bool exists = false;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      // Replace the file the link points to, not the link.
      std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
      if (!resolved) return kProfileWriteFailed;
      target = resolved.get();
      if (::stat(target.c_str(), &st) != 0) return kProfileWriteFailed;
    }
    exists = true;
  } else if (errno != ENOENT) {
    return kProfileWriteFailed;
  }
  if (exists) {
    // A read-only file stays untouched even for a user whom the folder would let replace it.
    if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
      return kProfileWriteFailed;
    }
  }

  const std::filesystem::path targetPath(target);
  std::string folder = targetPath.parent_path().string();
  if (folder.empty()) folder = ".";
  const std::string base = targetPath.filename().string();

  std::string temp;
  FileDescriptor out(-1);
  for (int attempt = 0; attempt < 100 && out.fd < 0; ++attempt) {
    temp = folder + "/." + base + ".tmp" + std::to_string(::getpid()) + "_" +
           std::to_string(g_tempCounter.fetch_add(1, std::memory_order_relaxed));
    out.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (out.fd < 0 && errno != EEXIST) return kProfileWriteFailed;
  }
  if (out.fd < 0) return kProfileWriteFailed;
  if (exists) (void)::fchmod(out.fd, st.st_mode & 07777);

  bool ok = writeAll(out.fd, text()) && ::fsync(out.fd) == 0;
  ok = (::close(out.release()) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return kProfileWriteFailed;
  }
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd >= 0) (void)::fsync(dir.fd);
  return kProfileOk;
}

std::string readProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const std::string& path) {
  ProfileFile file;
  (void)file.load(path);  // an unreadable file reads as an empty one
  return file.getString(section, key, defaultValue);
}

int writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& path) {
  ProfileFile file;
  const int loaded = file.load(path);
  if (loaded != kProfileOk && loaded != kProfileNotFound) return loaded;
  const int set = file.setString(section, key, value);
  if (set != kProfileOk) return set;
  return file.save(path);
}

}  // namespace kivo::app
