#include "export/avi_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace kivo::out {
namespace {

constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();

// Offsets in the header that the close fills in.
constexpr std::uint64_t kAvihTotalFrames = 48;
constexpr std::uint64_t kStrhLength = 140;
constexpr std::uint64_t kIndxEntriesInUse = 224;
constexpr std::uint64_t kIndxEntries = 244;
constexpr std::uint64_t kIndxEntryBytes = 16;
constexpr std::uint64_t kChunkHeader = 8;
constexpr std::uint64_t kIxHeader = 32;   // "ix00", size and the 24-byte index header
constexpr std::uint64_t kIxEntry = 8;
constexpr std::uint64_t kIdx1Entry = 16;
constexpr std::uint64_t kDmlhBytes = 248;
constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAviifKeyFrame = 0x10;
constexpr std::uint8_t kIndexOfIndexes = 0x00;
constexpr std::uint8_t kIndexOfChunks = 0x01;

// Offset of the odml list: right after the super index's entries.
constexpr std::uint64_t kOdmlList = kIndxEntries + kIndxEntryBytes * kAviMaxRiffs;
constexpr std::uint64_t kDmlhTotalFrames = kOdmlList + 20;
// The first "movi" list follows the header.
constexpr std::uint64_t kFirstMovi = kOdmlList + 12 + kChunkHeader + kDmlhBytes;

class Bytes {
 public:
  void fourcc(const char* c) { bytes_.insert(bytes_.end(), c, c + 4); }
  void u8(std::uint8_t v) { bytes_.push_back(v); }
  void u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
  }
  void u64(std::uint64_t v) {
    u32(static_cast<std::uint32_t>(v));
    u32(static_cast<std::uint32_t>(v >> 32));
  }
  void zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  std::size_t size() const { return bytes_.size(); }
  const std::uint8_t* data() const { return bytes_.data(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::uint32_t clamp32(std::uint64_t v) { return v > kMax32 ? kMax32 : static_cast<std::uint32_t>(v); }

}  // namespace

ComAviFile::~ComAviFile() { ComAbandonAvi(); }

int ComAviFile::fail(int code) {
  if (result_ == kOutOk) result_ = code;
  return result_;
}

int ComAviFile::writeAll(const void* data, std::size_t size) {
  if (result_ != kOutOk) return result_;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(outputResultOfErrno(errno));
    }
    if (n == 0) return fail(kOutDiskFull);
    p += n;
    size -= static_cast<std::size_t>(n);
    pos_ += static_cast<std::uint64_t>(n);
  }
  return kOutOk;
}

int ComAviFile::patch(std::uint64_t offset, std::uint32_t value) {
  if (result_ != kOutOk) return result_;
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  std::size_t done = 0;
  while (done < sizeof bytes) {
    const ssize_t n = ::pwrite(fd_, bytes + done, sizeof bytes - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(outputResultOfErrno(errno));
    }
    if (n == 0) return fail(kOutDiskFull);
    done += static_cast<std::size_t>(n);
  }
  return kOutOk;
}

std::uint64_t ComAviFile::riffBytesWith(std::uint64_t frames) const {
  const bool first = riffs_.empty();
  const std::uint64_t head = moviStart_ + 12 - riffStart_;
  return head + frames * (kChunkHeader + frameBytes_) + kIxHeader + kIxEntry * frames +
         (first ? kChunkHeader + kIdx1Entry * frames : 0);
}

int ComAviFile::ComOpenAvi(const std::string& path, const AviFormat& format, std::uint64_t riffLimit) {
  ComAbandonAvi();
  result_ = kOutOk;
  if (path.empty() || format.width <= 0 || format.height <= 0 || format.rate <= 0) return fail(kOutBadRequest);
  const std::uint64_t bytes = static_cast<std::uint64_t>(format.width) * static_cast<std::uint64_t>(format.height) * 4;
  // Every size of a RIFF list is a 32-bit field.
  if (bytes >= kMax32 || riffLimit > kMax32 || format.width > 0x7FFF || format.height > 0x7FFF) {
    return fail(kOutBadRequest);
  }
  format_ = format;
  frameBytes_ = static_cast<std::size_t>(bytes);
  limit_ = riffLimit;
  riffs_.clear();
  chunkOffsets_.clear();
  totalFrames_ = 0;
  firstRiffFrames_ = 0;
  riffStart_ = 0;
  moviStart_ = kFirstMovi;
  if (riffBytesWith(1) > limit_) return fail(kOutBadRequest);

  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return fail(outputResultOfErrno(errno));
  fd_ = fd;
  path_ = path;
  pos_ = 0;

  const auto w = static_cast<std::uint32_t>(format.width);
  const auto h = static_cast<std::uint32_t>(format.height);
  const auto rate = static_cast<std::uint32_t>(format.rate);
  Bytes b;
  b.fourcc("RIFF");
  b.u32(0);  // filled in when the list is finished
  b.fourcc("AVI ");
  b.fourcc("LIST");
  b.u32(static_cast<std::uint32_t>(kFirstMovi - 20));
  b.fourcc("hdrl");
  // Main header.
  b.fourcc("avih");
  b.u32(56);
  b.u32(1000000u / rate);                              // microseconds per frame
  b.u32(clamp32(bytes * rate));                        // maximum bytes per second
  b.u32(0);                                            // padding granularity
  b.u32(kAvifHasIndex);
  b.u32(0);                                            // total frames (of the first RIFF list)
  b.u32(0);                                            // initial frames
  b.u32(1);                                            // streams
  b.u32(clamp32(bytes + kChunkHeader));                // suggested buffer size
  b.u32(w);
  b.u32(h);
  b.zeros(16);
  // Stream list: header, format, super index.
  b.fourcc("LIST");
  b.u32(static_cast<std::uint32_t>(kOdmlList - 96));
  b.fourcc("strl");
  b.fourcc("strh");
  b.u32(56);
  b.fourcc("vids");
  b.fourcc("DIB ");
  b.u32(0);                                            // flags
  b.u16(0);                                            // priority
  b.u16(0);                                            // language
  b.u32(0);                                            // initial frames
  b.u32(1);                                            // scale
  b.u32(rate);                                         // rate: frames per second
  b.u32(0);                                            // start
  b.u32(0);                                            // length in frames
  b.u32(static_cast<std::uint32_t>(bytes));            // suggested buffer size
  b.u32(kMax32);                                       // quality: the default
  b.u32(0);                                            // sample size (frames vary in principle)
  b.u16(0);                                            // frame rectangle
  b.u16(0);
  b.u16(static_cast<std::uint16_t>(w));
  b.u16(static_cast<std::uint16_t>(h));
  b.fourcc("strf");
  b.u32(40);
  b.u32(40);                                           // BITMAPINFOHEADER
  b.u32(w);
  b.u32(h);                                            // positive: rows bottom-up
  b.u16(1);                                            // planes
  b.u16(32);                                           // bits per pixel
  b.u32(0);                                            // BI_RGB
  b.u32(static_cast<std::uint32_t>(bytes));
  b.u32(0);
  b.u32(0);
  b.u32(0);
  b.u32(0);
  b.fourcc("indx");
  b.u32(static_cast<std::uint32_t>(24 + kIndxEntryBytes * kAviMaxRiffs));
  b.u16(4);                                            // longs per entry
  b.u8(0);                                             // sub type
  b.u8(kIndexOfIndexes);
  b.u32(0);                                            // entries in use
  b.fourcc("00db");
  b.zeros(12);
  b.zeros(static_cast<std::size_t>(kIndxEntryBytes * kAviMaxRiffs));
  // OpenDML header: the total frame count of all RIFF lists.
  b.fourcc("LIST");
  b.u32(static_cast<std::uint32_t>(4 + kChunkHeader + kDmlhBytes));
  b.fourcc("odml");
  b.fourcc("dmlh");
  b.u32(static_cast<std::uint32_t>(kDmlhBytes));
  b.zeros(static_cast<std::size_t>(kDmlhBytes));
  // The frames' list.
  b.fourcc("LIST");
  b.u32(0);
  b.fourcc("movi");
  if (writeAll(b.data(), b.size()) != kOutOk) return result_;
  inRiff_ = true;
  return kOutOk;
}

int ComAviFile::startRiff() {
  riffStart_ = pos_;
  moviStart_ = pos_ + 12;
  chunkOffsets_.clear();
  Bytes b;
  b.fourcc("RIFF");
  b.u32(0);
  b.fourcc("AVIX");
  b.fourcc("LIST");
  b.u32(0);
  b.fourcc("movi");
  if (writeAll(b.data(), b.size()) != kOutOk) return result_;
  inRiff_ = true;
  return kOutOk;
}

int ComAviFile::finishRiff() {
  inRiff_ = false;
  const auto n = static_cast<std::uint32_t>(chunkOffsets_.size());
  // The standard index closes the movi list.
  RiffIndex index;
  index.ixOffset = pos_;
  index.ixSize = static_cast<std::uint32_t>(kIxHeader + kIxEntry * n);
  index.frames = n;
  Bytes ix;
  ix.fourcc("ix00");
  ix.u32(index.ixSize - static_cast<std::uint32_t>(kChunkHeader));
  ix.u16(2);                                           // longs per entry
  ix.u8(0);
  ix.u8(kIndexOfChunks);
  ix.u32(n);
  ix.fourcc("00db");
  ix.u64(moviStart_);                                  // base offset
  ix.u32(0);
  for (std::uint32_t rel : chunkOffsets_) {
    ix.u32(rel + static_cast<std::uint32_t>(kChunkHeader));  // to the frame's data; key frame
    ix.u32(static_cast<std::uint32_t>(frameBytes_));
  }
  if (writeAll(ix.data(), ix.size()) != kOutOk) return result_;
  if (patch(moviStart_ + 4, static_cast<std::uint32_t>(pos_ - moviStart_ - kChunkHeader)) != kOutOk) return result_;
  if (riffs_.empty()) {
    // The classic index of the first RIFF list, its offsets from the "movi" tag.
    Bytes idx1;
    idx1.fourcc("idx1");
    idx1.u32(static_cast<std::uint32_t>(kIdx1Entry * n));
    for (std::uint32_t rel : chunkOffsets_) {
      idx1.fourcc("00db");
      idx1.u32(kAviifKeyFrame);
      idx1.u32(rel - 8);
      idx1.u32(static_cast<std::uint32_t>(frameBytes_));
    }
    if (writeAll(idx1.data(), idx1.size()) != kOutOk) return result_;
    firstRiffFrames_ = n;
  }
  if (patch(riffStart_ + 4, static_cast<std::uint32_t>(pos_ - riffStart_ - kChunkHeader)) != kOutOk) return result_;
  riffs_.push_back(index);
  chunkOffsets_.clear();
  return kOutOk;
}

int ComAviFile::ComAddFrame(const void* bottomUpRows, std::size_t size) {
  if (result_ != kOutOk) return result_;
  if (fd_ < 0 || !inRiff_ || bottomUpRows == nullptr || size != frameBytes_) return kOutBadRequest;
  if (riffBytesWith(chunkOffsets_.size() + 1) > limit_) {
    if (riffs_.size() + 1 >= static_cast<std::size_t>(kAviMaxRiffs)) return fail(kOutTooLarge);
    if (finishRiff() != kOutOk || startRiff() != kOutOk) return result_;
    if (riffBytesWith(1) > limit_) return fail(kOutTooLarge);
  }
  const auto rel = static_cast<std::uint32_t>(pos_ - moviStart_);
  Bytes head;
  head.fourcc("00db");
  head.u32(static_cast<std::uint32_t>(frameBytes_));
  if (writeAll(head.data(), head.size()) != kOutOk || writeAll(bottomUpRows, size) != kOutOk) return result_;
  chunkOffsets_.push_back(rel);
  ++totalFrames_;
  return kOutOk;
}

int ComAviFile::ComCloseAvi() {
  if (fd_ < 0) return result_ == kOutOk ? kOutBadRequest : result_;
  if (result_ == kOutOk && inRiff_) finishRiff();
  if (result_ == kOutOk) {
    // The super index: one entry per RIFF list.
    Bytes entries;
    for (const RiffIndex& r : riffs_) {
      entries.u64(r.ixOffset);
      entries.u32(r.ixSize);
      entries.u32(r.frames);
    }
    std::size_t done = 0;
    while (result_ == kOutOk && done < entries.size()) {
      const ssize_t n = ::pwrite(fd_, entries.data() + done, entries.size() - done,
                                 static_cast<off_t>(kIndxEntries + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        fail(n < 0 ? outputResultOfErrno(errno) : kOutDiskFull);
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    patch(kIndxEntriesInUse, static_cast<std::uint32_t>(riffs_.size()));
    patch(kAvihTotalFrames, firstRiffFrames_);
    patch(kStrhLength, clamp32(totalFrames_));
    patch(kDmlhTotalFrames, clamp32(totalFrames_));
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && result_ == kOutOk && errno != EINTR) fail(outputResultOfErrno(errno));
  if (result_ != kOutOk) ::unlink(path_.c_str());
  path_.clear();
  return result_;
}

void ComAviFile::ComAbandonAvi() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
    ::unlink(path_.c_str());
  }
  path_.clear();
  inRiff_ = false;
}

}  // namespace kivo::out
