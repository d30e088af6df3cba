#pragma once

// An output file that appears under its final name only when it is complete: the bytes go to a
// temporary file in the same folder, which is renamed over the final name on commit. A failed
// or abandoned output leaves neither a partial file nor the temporary one.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::out {

// Results of the writers of this library.
enum OutputResult : int {
  kOutOk = 0,
  kOutBadRequest = 1,       // nothing to write, or a request that cannot be met
  kOutPathIsFolder = 2,     // the path names a folder
  kOutFolderUnusable = 3,   // the folder is missing or cannot be written
  kOutDiskFull = 4,         // no space left on the disk (or the quota is used up)
  kOutNoMemory = 5,         // the data could not be gathered in memory
  kOutWriteFailed = 6,      // any other write failure
  kOutEncodeFailed = 7,     // the encoder refused the data
};

// The result of a failed system call's errno.
int outputResultOfErrno(int error);

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file beside `path`: kOutOk or the reason it cannot be written.
  int open(const std::string& path);
  // Buffered writes; the first failure is kept and returned by every later call.
  int write(const void* data, std::size_t size);
  int write(std::string_view text) { return write(text.data(), text.size()); }
  // Writes what is buffered, flushes it to the disk and renames the file to its final name;
  // on any failure the temporary file is removed. The first failure of the output, or kOutOk.
  int commit();
  // Removes the temporary file (nothing appears under the final name).
  void discard();

 private:
  int fail(int code);
  int flush();

  int fd_ = -1;
  int result_ = kOutOk;
  std::string final_;
  std::string temporary_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace kivo::out
