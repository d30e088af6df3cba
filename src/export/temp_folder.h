#pragma once

// The private folder of the running program for the fixed-name temporary files of outputs
// ("kivo_temp.bmp", "kivo_temp.kmz", ...): created once, mode 0700, under the user's temporary
// folder, removed when the program ends. A fixed name directly in a shared folder would
// invite symlink attacks.

#include <string>

namespace kivo::out {

// The folder with a trailing '/'; empty when it cannot be made.
const std::string& privateTempFolder();

// A temporary file of the private folder that is removed when the object goes, whether the
// output succeeded or not.
class TempFile {
 public:
  explicit TempFile(const std::string& name);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }
  bool valid() const { return !path_.empty(); }

 private:
  std::string path_;
};

}  // namespace kivo::out
