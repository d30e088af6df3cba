#pragma once

// Runs one of the project's command-line programs and captures what it prints.

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace kivo::test {

struct CommandResult {
  int status = -1;     // exit status, or -1 when the program did not exit normally
  std::string output;  // standard output
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::string::size_type start = 0;
    while (start < output.size()) {
      const auto nl = output.find('\n', start);
      if (nl == std::string::npos) {
        out.push_back(output.substr(start));
        break;
      }
      out.push_back(output.substr(start, nl - start));
      start = nl + 1;
    }
    return out;
  }
};

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

// Runs `program` from the build's program folder with `args`; standard error is discarded.
inline CommandResult runProgram(const std::string& program, const std::vector<std::string>& args) {
  std::string command = shellQuote(std::string(KIVO_BIN_DIR) + "/" + program);
  for (const auto& a : args) {
    command += ' ';
    command += shellQuote(a);
  }
  command += " 2>/dev/null";
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  return result;
}

}  // namespace kivo::test
