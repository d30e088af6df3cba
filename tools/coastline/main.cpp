// kivo-make-coastline [--gmt PROGRAM] c|l|i|h|f OUT.b   shorelines of that resolution from gmt
// kivo-make-coastline --from-text SEGMENTS.txt OUT.b   from text as `gmt coast -W -M` prints it

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "coastline_convert.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: kivo-make-coastline [--gmt PROGRAM] c|l|i|h|f OUT.b\n"
               "       kivo-make-coastline --from-text SEGMENTS.txt OUT.b\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string gmt = "gmt";
  if (args.size() == 4 && args[0] == "--gmt") {
    gmt = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() != 2 && !(args.size() == 3 && args[0] == "--from-text")) return usage();

  std::string problem;
  std::vector<kivo::tools::ShorePolygon> polygons;
  std::string source;
  int rc = 0;
  if (args.size() == 3) {
    source = args[1];
    rc = kivo::tools::convertTextFile(args[1], args[2], problem, &polygons);
  } else {
    if (args[0].size() != 1 || std::strchr("clihf", args[0][0]) == nullptr) return usage();
    source = gmt + " coast -D" + args[0];
    rc = kivo::tools::convertFromGmt(gmt, args[0][0], args[1], problem, &polygons);
  }
  if (rc != kivo::tools::kCoastOk) {
    std::fprintf(stderr, "kivo-make-coastline: %s: %s\n", source.c_str(), problem.c_str());
    return 1;
  }
  std::size_t points = 0;
  for (const auto& p : polygons) points += p.points.size();
  std::printf("%s: %zu polygons, %zu points\n", args.back().c_str(), polygons.size(), points);
  return 0;
}
