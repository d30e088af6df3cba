#pragma once

// The ZIP container of KMZ archives: local headers, CRC-32, the central directory and the end
// record are written here; zlib only deflates (raw deflate, no zlib header). The archive is
// written beside its final name and appears there only when its directory is complete, so an
// archive that fails (an unreadable source, a full disk, the limits of plain ZIP) leaves
// nothing behind.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/export_codes.h"
#include "export/output_file.h"

namespace kivo::out {

// The limits of plain ZIP (without the ZIP64 extension): sizes and offsets are 32-bit fields,
// whose all-ones value marks a ZIP64 record, and the entry count is a 16-bit field.
inline constexpr std::uint64_t kZipMaxBytes = 0xFFFFFFFEull;
inline constexpr std::uint32_t kZipMaxEntries = 0xFFFF;

struct ZipLimits {
  std::uint64_t maxBytes = kZipMaxBytes;      // the largest entry, offset or archive
  std::uint32_t maxEntries = kZipMaxEntries;  // the most entries
};

// The longest entry name in bytes.
inline constexpr std::size_t kZipMaxNameBytes = 767;

class ComZipFile {
 public:
  explicit ComZipFile(ZipLimits limits = {});
  ~ComZipFile();
  ComZipFile(const ComZipFile&) = delete;
  ComZipFile& operator=(const ComZipFile&) = delete;

  // Room for `capacity` entries: kOutOk, kOutTooLarge beyond the entry limit, kOutBadRequest
  // for a negative capacity, kOutEncodeFailed when the deflate stream could not be set up.
  int ComInitZip(int capacity);
  // Starts the archive that will be `path` (an existing file is replaced on success only).
  int ComOpenZip(const std::string& path);
  // Packs a file under its name (the part after the last '/'), with its modification time.
  int ComAddZipEntry(const std::string& sourcePath);
  // Packs bytes from memory under `name`, modified at `modified`.
  int ComAddZipEntry(const std::string& name, const void* data, std::size_t size, std::time_t modified);
  // Writes the central directory and the end record and puts the archive in place: kOutOk or
  // the first failure of the archive (then nothing is left under the archive's name).
  int ComWriteZipDir();
  // Drops the archive being written.
  void ComAbandonZip();

  int entryCount() const { return static_cast<int>(entries_.size()); }
  // The result of the first failure since ComOpenZip, or kOutOk.
  int failure() const { return failure_; }

  // CRC-32 (reflected polynomial 0xEDB88320) of `size` bytes, continuing `crc`.
  static std::uint32_t ComGetCrc(const void* data, std::size_t size, std::uint32_t crc = 0);
  // DOS date (high 16 bits) and time (low 16 bits) of a time in local time; times before
  // 1980 give 1980-01-01 00:00.
  static std::uint32_t dosDateTime(std::time_t t);

 private:
  struct Entry {
    std::string name;
    std::uint32_t dosTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressed = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    bool utf8 = false;
  };
  // Reads up to `room` bytes into `buffer`: the count, 0 at the end, -1 on a read error.
  using Reader = std::function<long long(unsigned char* buffer, std::size_t room)>;
  int pack(const std::string& name, std::uint64_t declaredSize, std::time_t modified, const Reader& read);
  int fail(int code);
  std::uint64_t directoryBytes() const;

  struct Stream;
  std::unique_ptr<Stream> stream_;
  ZipLimits limits_;
  std::size_t capacity_ = 0;
  OutputFile file_;
  bool open_ = false;
  int failure_ = kOutOk;
  std::uint64_t offset_ = 0;
  std::vector<Entry> entries_;
  std::vector<unsigned char> input_;
  std::vector<unsigned char> output_;
};

}  // namespace kivo::out
