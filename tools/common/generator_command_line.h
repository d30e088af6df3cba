// The command line shared by the sample product generators:
//
//   PROGRAM --samples DIR
//   PROGRAM OUT [--name value | --flag]...
//   PROGRAM --help | -h
//
// Each generator declares its own options and texts; reading the arguments, the messages for
// bad usage and the exit statuses are the same for all of them.

#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::gen {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a product could not be written
inline constexpr int kExitUsage = 2;

// A whole decimal number filling all of text; false for empty text, other characters or
// a value outside int.
bool parseInt(std::string_view text, int& value);

class GeneratorCommandLine {
 public:
  // Told each written path and the generator's result for it.
  using FileReport = std::function<void(const std::string& path, int result)>;
  // Writes one product; returns the generator's result.
  using ProductWriter = std::function<int(const std::string& path)>;
  // Writes the sample set into an existing folder, reporting every file; returns the failures.
  using SampleWriter = std::function<int(const std::string& dir, const FileReport& onFile)>;

  // What the arguments ask for.
  struct Request {
    enum class Action { Help, Samples, Product, UsageError };
    Action action = Action::UsageError;
    std::string path;     // the sample folder or the output file
    std::string message;  // why the arguments are refused (UsageError)
  };

  // program prefixes every message; usage is printed for --help and missing arguments;
  // okResult is the generators' result for a written file.
  GeneratorCommandLine(std::string program, std::string usage, int okResult);

  // An option without a value.
  void flag(std::string name, std::function<void()> set);
  // An option with a value; set returns false when the value is not acceptable.
  void option(std::string name, std::function<bool(std::string_view value)> set);
  // An option with a whole-number value, stored in target only when it is one.
  void number(std::string name, int& target);
  // Looks at the options once all are read; returns what is wrong with them, or "" when
  // nothing is. Checks run in the order they were added; the first problem is reported.
  void check(std::function<std::string()> problem);

  // Reads the arguments into the declared options.
  Request parse(int argc, const char* const* argv) const;

  // Parses and acts: prints the usage, writes the sample set or the one product (printing
  // each written path on stdout and each failure on stderr) and returns the exit status.
  int run(int argc, const char* const* argv, const ProductWriter& writeProduct,
          const SampleWriter& writeSamples) const;

 private:
  struct Option {
    std::string name;
    std::function<void()> setFlag;                  // set for a flag
    std::function<bool(std::string_view)> setValue;  // set for an option with a value
  };

  const Option* find(std::string_view name) const;
  int usageError(const std::string& message) const;
  int writeSampleSet(const std::string& dir, const SampleWriter& writeSamples) const;

  std::string program_;
  std::string usage_;
  int okResult_;
  std::vector<Option> options_;
  std::vector<std::function<std::string()>> checks_;
};

}  // namespace kivo::gen
