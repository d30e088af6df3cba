#include "export/zip_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace kivo::out {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint16_t kVersion = 20;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kFlagUtf8Name = 0x0800;
constexpr std::uint32_t kDosArchiveAttribute = 0x20;
constexpr std::size_t kLocalHeaderBytes = 30;
constexpr std::size_t kCentralHeaderBytes = 46;
constexpr std::size_t kEndRecordBytes = 22;
constexpr std::size_t kReadPiece = 256 * 1024;
constexpr std::size_t kDeflateOut = 16 * 1024;

const std::array<std::uint32_t, 256>& crcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void put16(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void put32(unsigned char* p, std::uint64_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

bool hasNonAscii(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return true;
  }
  return false;
}

// A descriptor closed when it goes.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

struct ComZipFile::Stream {
  z_stream z{};
  bool ready = false;
  Stream() {
    ready = deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Stream() {
    if (ready) deflateEnd(&z);
  }
};

ComZipFile::ComZipFile(ZipLimits limits) : stream_(std::make_unique<Stream>()), limits_(limits) {}

ComZipFile::~ComZipFile() = default;

std::uint32_t ComZipFile::ComGetCrc(const void* data, std::size_t size, std::uint32_t crc) {
  const auto& table = crcTable();
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint32_t c = crc ^ 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t ComZipFile::dosDateTime(std::time_t t) {
  std::tm local{};
  if (::localtime_r(&t, &local) == nullptr || local.tm_year < 80) return (1u << 5 | 1u) << 16;
  const std::uint32_t year = static_cast<std::uint32_t>(std::min(local.tm_year - 80, 127));
  const std::uint32_t date = year << 9 | static_cast<std::uint32_t>(local.tm_mon + 1) << 5 |
                             static_cast<std::uint32_t>(local.tm_mday);
  const std::uint32_t time = static_cast<std::uint32_t>(local.tm_hour) << 11 |
                             static_cast<std::uint32_t>(local.tm_min) << 5 |
                             static_cast<std::uint32_t>(std::min(local.tm_sec, 59) / 2);
  return date << 16 | time;
}

int ComZipFile::fail(int code) {
  if (failure_ == kOutOk) failure_ = code;
  return failure_;
}

int ComZipFile::ComInitZip(int capacity) {
  if (capacity < 0) return kOutBadRequest;
  if (static_cast<std::uint64_t>(capacity) > limits_.maxEntries) return kOutTooLarge;
  if (!stream_->ready) return kOutEncodeFailed;
  capacity_ = static_cast<std::size_t>(capacity);
  entries_.clear();
  entries_.reserve(capacity_);
  return kOutOk;
}

int ComZipFile::ComOpenZip(const std::string& path) {
  ComAbandonZip();
  failure_ = kOutOk;
  offset_ = 0;
  entries_.clear();
  if (!stream_->ready) return fail(kOutEncodeFailed);
  if (const int opened = file_.open(path); opened != kOutOk) return fail(opened);
  open_ = true;
  return kOutOk;
}

void ComZipFile::ComAbandonZip() {
  file_.discard();
  open_ = false;
}

std::uint64_t ComZipFile::directoryBytes() const {
  std::uint64_t bytes = 0;
  for (const Entry& e : entries_) bytes += kCentralHeaderBytes + e.name.size();
  return bytes;
}

int ComZipFile::ComAddZipEntry(const std::string& sourcePath) {
  if (!open_ || failure_ != kOutOk) return fail(kOutBadRequest);
  Fd source;
  source.fd = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (source.fd < 0 || ::fstat(source.fd, &info) != 0 || !S_ISREG(info.st_mode)) return fail(kOutSourceUnreadable);
  const std::size_t slash = sourcePath.rfind('/');
  const std::string name = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
  const int fd = source.fd;
  return pack(name, static_cast<std::uint64_t>(info.st_size), info.st_mtime,
              [fd](unsigned char* buffer, std::size_t room) -> long long {
                for (;;) {
                  const ssize_t n = ::read(fd, buffer, room);
                  if (n >= 0) return n;
                  if (errno != EINTR) return -1;
                }
              });
}

int ComZipFile::ComAddZipEntry(const std::string& name, const void* data, std::size_t size, std::time_t modified) {
  if (!open_ || failure_ != kOutOk) return fail(kOutBadRequest);
  std::size_t done = 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  return pack(name, size, modified, [&](unsigned char* buffer, std::size_t room) -> long long {
    const std::size_t n = std::min(room, size - done);
    if (n > 0) std::memcpy(buffer, bytes + done, n);
    done += n;
    return static_cast<long long>(n);
  });
}

int ComZipFile::pack(const std::string& name, std::uint64_t declaredSize, std::time_t modified, const Reader& read) {
  if (entries_.size() >= capacity_) return fail(kOutTooLarge);
  if (name.empty() || name.size() > kZipMaxNameBytes) return fail(kOutBadRequest);
  if (declaredSize > limits_.maxBytes) return fail(kOutTooLarge);

  // The compressed data are gathered first, so that the local header goes out complete.
  Entry entry;
  entry.name = name;
  entry.utf8 = hasNonAscii(name);
  entry.dosTime = dosDateTime(modified);
  entry.offset = offset_;
  z_stream& z = stream_->z;
  if (deflateReset(&z) != Z_OK) return fail(kOutEncodeFailed);
  input_.resize(kReadPiece);
  std::vector<unsigned char> compressed;
  unsigned char out[kDeflateOut];
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  bool finished = false;
  while (!finished) {
    const long long n = read(input_.data(), input_.size());
    if (n < 0) return fail(kOutSourceUnreadable);
    size += static_cast<std::uint64_t>(n);
    if (size > limits_.maxBytes) return fail(kOutTooLarge);
    crc = ComGetCrc(input_.data(), static_cast<std::size_t>(n), crc);
    const int flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = input_.data();
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = out;
      z.avail_out = sizeof out;
      const int rc = deflate(&z, flush);
      if (rc == Z_STREAM_ERROR) return fail(kOutEncodeFailed);
      compressed.insert(compressed.end(), out, out + (sizeof out - z.avail_out));
      if (compressed.size() > limits_.maxBytes) return fail(kOutTooLarge);
      if (rc == Z_STREAM_END) finished = true;
    } while (z.avail_out == 0 || (flush == Z_FINISH && !finished));
  }
  entry.crc = crc;
  entry.size = size;
  entry.compressed = compressed.size();

  // The archive with this entry, its directory and the end record must stay within the
  // limits; otherwise the archive fails rather than being written damaged.
  const std::uint64_t local = kLocalHeaderBytes + name.size() + entry.compressed;
  const std::uint64_t total =
      offset_ + local + directoryBytes() + kCentralHeaderBytes + name.size() + kEndRecordBytes;
  if (total > limits_.maxBytes) return fail(kOutTooLarge);

  unsigned char header[kLocalHeaderBytes];
  put32(header, kLocalSignature);
  put16(header + 4, kVersion);
  put16(header + 6, entry.utf8 ? kFlagUtf8Name : 0);
  put16(header + 8, kMethodDeflate);
  put16(header + 10, entry.dosTime & 0xFFFF);
  put16(header + 12, entry.dosTime >> 16);
  put32(header + 14, entry.crc);
  put32(header + 18, entry.compressed);
  put32(header + 22, entry.size);
  put16(header + 26, static_cast<std::uint32_t>(name.size()));
  put16(header + 28, 0);
  file_.write(header, sizeof header);
  file_.write(name.data(), name.size());
  if (const int written = file_.write(compressed.data(), compressed.size()); written != kOutOk) return fail(written);
  offset_ += local;
  entries_.push_back(std::move(entry));
  return kOutOk;
}

int ComZipFile::ComWriteZipDir() {
  if (!open_) return fail(kOutBadRequest);
  open_ = false;
  if (failure_ != kOutOk) {
    file_.discard();
    return failure_;
  }
  const std::uint64_t directoryOffset = offset_;
  for (const Entry& e : entries_) {
    unsigned char header[kCentralHeaderBytes];
    put32(header, kCentralSignature);
    put16(header + 4, kVersion);
    put16(header + 6, kVersion);
    put16(header + 8, e.utf8 ? kFlagUtf8Name : 0);
    put16(header + 10, kMethodDeflate);
    put16(header + 12, e.dosTime & 0xFFFF);
    put16(header + 14, e.dosTime >> 16);
    put32(header + 16, e.crc);
    put32(header + 20, e.compressed);
    put32(header + 24, e.size);
    put16(header + 28, static_cast<std::uint32_t>(e.name.size()));
    put16(header + 30, 0);
    put16(header + 32, 0);
    put16(header + 34, 0);
    // Text for the document, binary for the images.
    put16(header + 36, e.name.find(".kml") != std::string::npos ? 1 : 0);
    put32(header + 38, kDosArchiveAttribute);
    put32(header + 42, e.offset);
    file_.write(header, sizeof header);
    file_.write(e.name.data(), e.name.size());
  }
  unsigned char end[kEndRecordBytes];
  put32(end, kEndSignature);
  put16(end + 4, 0);
  put16(end + 6, 0);
  put16(end + 8, static_cast<std::uint32_t>(entries_.size()));
  put16(end + 10, static_cast<std::uint32_t>(entries_.size()));
  put32(end + 12, directoryBytes());
  put32(end + 16, directoryOffset);
  put16(end + 20, 0);
  file_.write(end, sizeof end);
  return fail(file_.commit());
}

}  // namespace kivo::out
