#pragma once

// AVI movies of uncompressed frames: one video stream ("vids", handler "DIB ") of 32-bit BI_RGB
// key frames, rows bottom-up, with the classic idx1 index. A RIFF list is limited to a size
// (1 GiB by default, as plain AVI readers expect); a longer movie continues in "AVIX" RIFF lists
// with the OpenDML extension (an "indx" super index in the stream header, one "ix00" standard
// index per RIFF list and the "dmlh" total frame count), so it stays readable whatever its
// length. Every write is checked; a movie that fails is removed, never left half-written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/export_codes.h"
#include "export/output_file.h"

namespace kivo::out {

// The size limit of one RIFF list.
inline constexpr std::uint64_t kAviRiffLimit = std::uint64_t{1} << 30;
// How many RIFF lists the super index has room for (with 1 GiB lists, 256 GiB of movie).
inline constexpr int kAviMaxRiffs = 256;

struct AviFormat {
  int width = 0;   // pixels
  int height = 0;  // pixels; the frames are stored bottom-up
  int rate = 0;    // frames per second (scale 1)
};

class ComAviFile {
 public:
  ComAviFile() = default;
  // A movie that was not closed is removed.
  ~ComAviFile();
  ComAviFile(const ComAviFile&) = delete;
  ComAviFile& operator=(const ComAviFile&) = delete;

  // Creates (or truncates) the movie at `path` and writes its headers: kOutOk, kOutBadRequest
  // for a format or limit that cannot be written (sizes beyond 32-bit fields, a limit that
  // cannot hold the headers and one frame), or the reason the file cannot be written.
  int ComOpenAvi(const std::string& path, const AviFormat& format, std::uint64_t riffLimit = kAviRiffLimit);
  // Appends one key frame of width x height x 4 bytes, rows bottom-up: kOutOk, kOutBadRequest
  // for another size or a movie that is not open, kOutTooLarge when the super index is full,
  // or the write failure. After a failure the movie accepts nothing more.
  int ComAddFrame(const void* bottomUpRows, std::size_t size);
  // Writes the indexes and the final counts and closes the file: kOutOk, or the first failure
  // of the movie (the file is then removed).
  int ComCloseAvi();
  // Closes and removes the movie.
  void ComAbandonAvi();

  int frameCount() const { return static_cast<int>(totalFrames_); }
  // RIFF lists written so far, the one being written included.
  int riffCount() const { return static_cast<int>(riffs_.size()) + (inRiff_ ? 1 : 0); }
  std::size_t frameBytes() const { return frameBytes_; }

 private:
  struct RiffIndex {
    std::uint64_t ixOffset = 0;  // file offset of the "ix00" chunk
    std::uint32_t ixSize = 0;    // its size with its header
    std::uint32_t frames = 0;
  };
  int fail(int code);
  int writeAll(const void* data, std::size_t size);
  int patch(std::uint64_t offset, std::uint32_t value);
  int startRiff();
  int finishRiff();
  // The bytes the current RIFF list would hold with `frames` frames and its indexes.
  std::uint64_t riffBytesWith(std::uint64_t frames) const;

  int fd_ = -1;
  std::string path_;
  int result_ = kOutOk;
  AviFormat format_;
  std::size_t frameBytes_ = 0;
  std::uint64_t limit_ = kAviRiffLimit;
  std::uint64_t pos_ = 0;           // end of the file as written
  std::uint64_t riffStart_ = 0;     // offset of the current "RIFF"
  std::uint64_t moviStart_ = 0;     // offset of the current "LIST" of "movi"
  std::uint32_t firstRiffFrames_ = 0;
  std::uint64_t totalFrames_ = 0;
  std::vector<std::uint32_t> chunkOffsets_;  // frame chunks of the current RIFF list, from its movi list
  std::vector<RiffIndex> riffs_;             // finished RIFF lists
  bool inRiff_ = false;
};

}  // namespace kivo::out
