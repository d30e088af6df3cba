#include "app/program_folder.h"

#include <unistd.h>

#include <vector>

namespace kivo::app {

std::string programFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  const std::string exe(buffer.data(), static_cast<std::size_t>(n));
  const auto slash = exe.rfind('/');
  return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::string dataFolder() { return programFolder() + "data/"; }

}  // namespace kivo::app
