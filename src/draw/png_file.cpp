#include "draw/png_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kivo::draw {
namespace {

constexpr std::size_t kIdatBytes = std::size_t{64} << 10;

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
  out.push_back(static_cast<unsigned char>(v >> 24));
  out.push_back(static_cast<unsigned char>(v >> 16));
  out.push_back(static_cast<unsigned char>(v >> 8));
  out.push_back(static_cast<unsigned char>(v));
}

// A file written through a descriptor; removed again unless the writing completed.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) error_ = std::strerror(errno);
  }
  ~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (fd_ >= 0 && !kept_) ::unlink(path_.c_str());
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool ok() const { return fd_ >= 0 && error_.empty(); }
  const std::string& error() const { return error_; }

  void write(const unsigned char* data, std::size_t size) {
    while (ok() && size > 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = n < 0 ? std::strerror(errno) : "nothing written";
        return;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  }
  // One chunk: length, type, data and the CRC of type and data.
  void chunk(const char type[4], const unsigned char* data, std::size_t size) {
    std::vector<unsigned char> head;
    put32(head, static_cast<std::uint32_t>(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = ::crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0) crc = ::crc32(crc, data, static_cast<uInt>(size));
    write(head.data(), head.size());
    write(data, size);
    std::vector<unsigned char> tail;
    put32(tail, static_cast<std::uint32_t>(crc));
    write(tail.data(), tail.size());
  }
  bool finish() {
    if (!ok()) return false;
    if (::close(fd_) != 0) {
      error_ = std::strerror(errno);
      ::unlink(path_.c_str());
      fd_ = -1;
      return false;
    }
    fd_ = -1;
    kept_ = true;
    return true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
  std::string error_;
};

struct Deflater {
  z_stream z{};
  bool open = false;
  explicit Deflater(int level) { open = ::deflateInit(&z, level) == Z_OK; }
  ~Deflater() {
    if (open) ::deflateEnd(&z);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
};

}  // namespace

int writePngFile(const QImage& source, const std::string& path, std::string& error, int level) {
  error.clear();
  if (source.isNull()) {
    error = "no image";
    return kPngFailed;
  }
  const bool alpha = source.hasAlphaChannel();
  const QImage image = source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const int width = image.width();
  const int height = image.height();
  const std::size_t channels = alpha ? 4 : 3;
  if (level < 0 || level > 9) level = kPngDefaultLevel;

  Deflater deflater(level);
  if (!deflater.open) {
    error = "zlib cannot start";
    return kPngFailed;
  }
  OutputFile file(path);
  if (!file.ok()) {
    error = file.error();
    return kPngFailed;
  }
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  file.write(kSignature, sizeof kSignature);
  std::vector<unsigned char> header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, static_cast<unsigned char>(alpha ? 6 : 2), 0, 0, 0});
  file.chunk("IHDR", header.data(), header.size());
  if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
    std::vector<unsigned char> phys;
    put32(phys, static_cast<std::uint32_t>(image.dotsPerMeterX()));
    put32(phys, static_cast<std::uint32_t>(image.dotsPerMeterY()));
    phys.push_back(1);  // unit: metre
    file.chunk("pHYs", phys.data(), phys.size());
  }

  // Rows in PNG order: filter type 0, then red, green, blue (and alpha) of every pixel.
  std::vector<unsigned char> row(1 + static_cast<std::size_t>(width) * channels);
  std::vector<unsigned char> idat(kIdatBytes);
  z_stream& z = deflater.z;
  z.next_out = idat.data();
  z.avail_out = static_cast<uInt>(idat.size());
  const auto drain = [&](int flush) {
    for (;;) {
      const int rc = ::deflate(&z, flush);
      if (rc == Z_STREAM_ERROR || (rc == Z_BUF_ERROR && flush == Z_FINISH && z.avail_out > 0)) return false;
      if (z.avail_out == 0 || (flush == Z_FINISH && rc == Z_STREAM_END)) {
        const std::size_t used = idat.size() - z.avail_out;
        if (used > 0) file.chunk("IDAT", idat.data(), used);
        z.next_out = idat.data();
        z.avail_out = static_cast<uInt>(idat.size());
        if (rc == Z_STREAM_END) return true;
        continue;
      }
      if (flush != Z_FINISH && z.avail_in == 0) return true;
    }
  };
  bool deflated = true;
  for (int y = 0; y < height && deflated && file.ok(); ++y) {
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    unsigned char* out = row.data();
    *out++ = 0;
    for (int x = 0; x < width; ++x) {
      const QRgb p = pixels[x];
      *out++ = static_cast<unsigned char>(qRed(p));
      *out++ = static_cast<unsigned char>(qGreen(p));
      *out++ = static_cast<unsigned char>(qBlue(p));
      if (alpha) *out++ = static_cast<unsigned char>(qAlpha(p));
    }
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(row.size());
    deflated = drain(Z_NO_FLUSH);
  }
  if (deflated && file.ok()) deflated = drain(Z_FINISH);
  if (!deflated) {
    error = "zlib failed";
    return kPngFailed;
  }
  file.chunk("IEND", nullptr, 0);
  if (!file.finish()) {
    error = file.error();
    return kPngFailed;
  }
  return kPngOk;
}

}  // namespace kivo::draw
