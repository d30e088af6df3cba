#include "export/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace kivo::out {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr int kNameAttempts = 64;

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

int outputResultOfErrno(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kOutDiskFull;
    case EISDIR:
      return kOutPathIsFolder;
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOENT:
    case ENOTDIR:
      return kOutFolderUnusable;
    case ENOMEM:
      return kOutNoMemory;
    default:
      return kOutWriteFailed;
  }
}

OutputFile::~OutputFile() { discard(); }

int OutputFile::fail(int code) {
  if (result_ == kOutOk) result_ = code;
  return result_;
}

int OutputFile::open(const std::string& path) {
  discard();
  result_ = kOutOk;
  if (path.empty() || path.back() == '/') return fail(path.empty() ? kOutBadRequest : kOutPathIsFolder);
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return fail(kOutPathIsFolder);
  const std::string folder = folderOf(path);
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return fail(kOutFolderUnusable);

  // A name of our own in the same folder, so that the rename stays on one file system.
  std::mt19937_64 random(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                         static_cast<std::uint64_t>(::getpid()));
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "/.kivo-%016llx.part", static_cast<unsigned long long>(random()));
    std::string candidate = (folder == "/" ? std::string() : folder) + name;
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      fd_ = fd;
      temporary_ = std::move(candidate);
      final_ = path;
      buffer_.resize(kBufferSize);
      used_ = 0;
      return kOutOk;
    }
    if (errno != EEXIST) return fail(outputResultOfErrno(errno));
  }
  return fail(kOutWriteFailed);
}

int OutputFile::flush() {
  const char* p = buffer_.data();
  std::size_t left = used_;
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(outputResultOfErrno(errno));
    }
    if (n == 0) return fail(kOutDiskFull);
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  used_ = 0;
  return kOutOk;
}

int OutputFile::write(const void* data, std::size_t size) {
  if (result_ != kOutOk) return result_;
  if (fd_ < 0) return fail(kOutBadRequest);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const std::size_t room = buffer_.size() - used_;
    const std::size_t n = size < room ? size : room;
    std::memcpy(buffer_.data() + used_, p, n);
    used_ += n;
    p += n;
    size -= n;
    if (used_ == buffer_.size() && flush() != kOutOk) return result_;
  }
  return kOutOk;
}

int OutputFile::commit() {
  if (fd_ < 0) return fail(kOutBadRequest);
  if (result_ == kOutOk) flush();
  // A full disk may show only when the data reach it.
  if (result_ == kOutOk && ::fsync(fd_) != 0 && errno != EINVAL) fail(outputResultOfErrno(errno));
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && result_ == kOutOk && errno != EINTR) fail(outputResultOfErrno(errno));
  if (result_ == kOutOk && ::rename(temporary_.c_str(), final_.c_str()) != 0) fail(outputResultOfErrno(errno));
  if (result_ != kOutOk) {
    ::unlink(temporary_.c_str());
  }
  temporary_.clear();
  std::vector<char>().swap(buffer_);
  return result_;
}

void OutputFile::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
  std::vector<char>().swap(buffer_);
  used_ = 0;
}

}  // namespace kivo::out
