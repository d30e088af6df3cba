#include "generator_command_line.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kivo::gen {

bool parseInt(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

GeneratorCommandLine::GeneratorCommandLine(std::string program, std::string usage, int okResult)
    : program_(std::move(program)), usage_(std::move(usage)), okResult_(okResult) {}

void GeneratorCommandLine::flag(std::string name, std::function<void()> set) {
  options_.push_back({std::move(name), std::move(set), {}});
}

void GeneratorCommandLine::option(std::string name, std::function<bool(std::string_view value)> set) {
  options_.push_back({std::move(name), {}, std::move(set)});
}

void GeneratorCommandLine::number(std::string name, int& target) {
  option(std::move(name), [&target](std::string_view value) {
    int number = 0;
    if (!parseInt(value, number)) return false;
    target = number;
    return true;
  });
}

void GeneratorCommandLine::check(std::function<std::string()> problem) { checks_.push_back(std::move(problem)); }

const GeneratorCommandLine::Option* GeneratorCommandLine::find(std::string_view name) const {
  for (const Option& option : options_)
    if (option.name == name) return &option;
  return nullptr;
}

GeneratorCommandLine::Request GeneratorCommandLine::parse(int argc, const char* const* argv) const {
  auto refuse = [](std::string message) { return Request{Request::Action::UsageError, {}, std::move(message)}; };
  if (argc < 2) return refuse("missing arguments\n" + usage_);
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") return {Request::Action::Help, {}, {}};
  if (first == "--samples") {
    if (argc != 3) return refuse("--samples takes exactly one folder");
    return {Request::Action::Samples, argv[2], {}};
  }
  if (first.starts_with("-")) return refuse("the first argument must be the output file or --samples");

  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const Option* option = find(arg);
    if (option != nullptr && option->setFlag) {
      option->setFlag();
      continue;
    }
    // Anything else takes the next argument as its value, even when it looks like an option.
    if (i + 1 >= argc) return refuse("unknown option or missing value: " + arg);
    const std::string value = argv[++i];
    if (option == nullptr) return refuse("unknown option: " + arg);
    if (!option->setValue(value)) return refuse("bad value for " + arg + ": " + value);
  }
  for (const auto& check : checks_) {
    std::string problem = check();
    if (!problem.empty()) return refuse(std::move(problem));
  }
  return {Request::Action::Product, argv[1], {}};
}

int GeneratorCommandLine::usageError(const std::string& message) const {
  std::fprintf(stderr, "%s: %s\n", program_.c_str(), message.c_str());
  return kExitUsage;
}

int GeneratorCommandLine::writeSampleSet(const std::string& dir, const SampleWriter& writeSamples) const {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "%s: cannot create %s: %s\n", program_.c_str(), dir.c_str(), ec.message().c_str());
    return kExitFailed;
  }
  const int failures = writeSamples(dir, [this](const std::string& path, int result) {
    if (result == okResult_) {
      std::printf("%s\n", path.c_str());
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "%s: failed to write %s (result %d)\n", program_.c_str(), path.c_str(), result);
    }
  });
  return failures == 0 ? kExitOk : kExitFailed;
}

int GeneratorCommandLine::run(int argc, const char* const* argv, const ProductWriter& writeProduct,
                              const SampleWriter& writeSamples) const {
  const Request request = parse(argc, argv);
  switch (request.action) {
    case Request::Action::Help:
      std::fputs(usage_.c_str(), stdout);
      return kExitOk;
    case Request::Action::UsageError:
      return usageError(request.message);
    case Request::Action::Samples:
      return writeSampleSet(request.path, writeSamples);
    case Request::Action::Product:
      break;
  }
  const int result = writeProduct(request.path);
  if (result != okResult_) {
    std::fprintf(stderr, "%s: failed to write %s (result %d)\n", program_.c_str(), request.path.c_str(), result);
    return kExitFailed;
  }
  std::printf("%s\n", request.path.c_str());
  return kExitOk;
}

}  // namespace kivo::gen
