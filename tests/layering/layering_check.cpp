// kivo-layering-check: checks the includes of the source tree against the library order.
//
//   kivo-layering-check WIDGETS_HEADERS SRC_DIR
//
// The folders directly under SRC_DIR are libraries, from lowest to highest:
//   product_io < product_model < draw < colour < map < export < app
// A file in one library may include project headers only from its own library or a lower
// one, and Qt Widgets only under app/ or in a folder named ui/ inside another library.
// WIDGETS_HEADERS lists the Qt Widgets header names, one a line ('#' starts a comment).
// Every violation is printed as "file:line: what".
//
// Exit status: 0 no violation, 1 violations, 2 usage error or unreadable input.

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Folders absent from a tree are simply not there yet; their place in the order stands.
constexpr std::array<std::string_view, 7> kLibraries = {"product_io", "product_model", "draw", "colour",
                                                        "map",        "export",        "app"};
constexpr std::string_view kUserInterfaceLibrary = "app";
constexpr std::string_view kUserInterfaceFolder = "ui";

std::optional<std::size_t> libraryRank(std::string_view name) {
  const auto it = std::find(kLibraries.begin(), kLibraries.end(), name);
  if (it == kLibraries.end()) return std::nullopt;
  return static_cast<std::size_t>(it - kLibraries.begin());
}

std::string libraryOrder() {
  std::string text;
  for (const std::string_view name : kLibraries) text += (text.empty() ? "" : " < ") + std::string(name);
  return text;
}

bool isSourceFile(const fs::path& path) {
  static const std::set<std::string> extensions = {".h",   ".hh", ".hpp", ".hxx", ".c",   ".cc",
                                                   ".cpp", ".cxx", ".inl", ".ipp", ".tpp"};
  return extensions.count(path.extension().string()) != 0;
}

bool readWidgetsHeaders(const fs::path& list, std::set<std::string>& headers) {
  std::ifstream in(list);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    headers.insert(line);
  }
  return !headers.empty();
}

bool isWidgetsHeader(const std::string& name, const std::set<std::string>& headers) {
  return name == "QtWidgets" || name.starts_with("QtWidgets/") || headers.count(name) != 0;
}

// The first folder of path below root, or "" when path is not below root.
std::string topFolder(const fs::path& path, const fs::path& root) {
  const fs::path relative = path.lexically_relative(root);
  if (relative.empty() || *relative.begin() == "..") return {};
  return relative.begin()->string();
}

bool mayIncludeWidgets(const fs::path& relative) {
  std::vector<std::string> folders;
  for (const auto& part : relative.parent_path()) folders.push_back(part.string());
  if (folders.empty()) return false;
  if (folders.front() == kUserInterfaceLibrary) return true;
  return std::find(folders.begin() + 1, folders.end(), kUserInterfaceFolder) != folders.end();
}

// Where an include lands: a quoted name is looked up beside the including file first, as the
// compiler does, then below the source root; a name in angle brackets only below the root.
fs::path resolveInclude(const std::string& name, bool quoted, const fs::path& file, const fs::path& root) {
  if (quoted) {
    const fs::path beside = (file.parent_path() / name).lexically_normal();
    if (name.starts_with("./") || name.starts_with("../")) return beside;
    std::error_code ec;
    if (fs::exists(beside, ec)) return beside;
  }
  return (root / name).lexically_normal();
}

struct Violation {
  std::string where;
  std::string what;
};

void checkFile(const fs::path& file, const fs::path& root, const std::set<std::string>& widgetsHeaders,
               std::vector<Violation>& violations) {
  const fs::path relative = file.lexically_relative(root);
  const std::string library = topFolder(file, root);
  const std::optional<std::size_t> rank = libraryRank(library);
  const bool widgetsAllowed = mayIncludeWidgets(relative);

  static const std::regex includeLine(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::ifstream in(file);
  if (!in) {
    violations.push_back({file.string(), "cannot be read"});
    return;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::smatch match;
    if (!std::regex_search(line, match, includeLine)) continue;
    const bool quoted = match[1] == "\"";
    const std::string name = match[2];
    const std::string shown = quoted ? "\"" + name + "\"" : "<" + name + ">";
    const std::string where = file.string() + ":" + std::to_string(number);

    if (!widgetsAllowed && isWidgetsHeader(name, widgetsHeaders))
      violations.push_back({where, "Qt Widgets header " + shown + " outside " + std::string(kUserInterfaceLibrary) +
                                       "/ and " + std::string(kUserInterfaceFolder) + "/ folders"});

    if (!rank) continue;
    const std::string target = topFolder(resolveInclude(name, quoted, file, root), root);
    const std::optional<std::size_t> targetRank = libraryRank(target);
    if (targetRank && *targetRank > *rank)
      violations.push_back({where, library + " includes " + shown + " from " + target + ", a higher library"});
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: kivo-layering-check WIDGETS_HEADERS SRC_DIR\n", stderr);
    return 2;
  }
  std::set<std::string> widgetsHeaders;
  if (!readWidgetsHeaders(argv[1], widgetsHeaders)) {
    std::fprintf(stderr, "kivo-layering-check: no Qt Widgets header names in %s\n", argv[1]);
    return 2;
  }
  std::error_code ec;
  fs::path root = fs::absolute(argv[2], ec).lexically_normal();
  if (!root.has_filename()) root = root.parent_path();
  if (ec || !fs::is_directory(root, ec)) {
    std::fprintf(stderr, "kivo-layering-check: %s is not a folder\n", argv[2]);
    return 2;
  }

  std::vector<Violation> violations;
  std::vector<fs::path> folders, files;
  try {
    for (const auto& entry : fs::directory_iterator(root))
      if (entry.is_directory()) folders.push_back(entry.path());
    for (const auto& entry : fs::recursive_directory_iterator(root))
      if (entry.is_regular_file() && isSourceFile(entry.path())) files.push_back(entry.path());
  } catch (const fs::filesystem_error& error) {
    std::fprintf(stderr, "kivo-layering-check: %s\n", error.what());
    return 2;
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());

  // A new library must be given its place before its includes can be checked.
  for (const fs::path& folder : folders)
    if (!libraryRank(folder.filename().string()))
      violations.push_back({folder.string(), "folder is not in the library order " + libraryOrder()});
  for (const fs::path& file : files) checkFile(file, root, widgetsHeaders, violations);

  for (const Violation& v : violations) std::printf("%s: %s\n", v.where.c_str(), v.what.c_str());
  std::fprintf(stderr, "kivo-layering-check: %zu files, %zu violations\n", files.size(), violations.size());
  return violations.empty() ? 0 : 1;
}
