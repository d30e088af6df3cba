// kivo-make-leapsec [LIST] OUTPUT: writes the leap-second table from the system's list
// (default /usr/share/zoneinfo/leap-seconds.list).

#include <cstdio>
#include <fstream>
#include <string>

#include "leapsec_convert.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: kivo-make-leapsec [leap-seconds.list] leapsec.dat\n");
    return 2;
  }
  const std::string input = argc == 3 ? argv[1] : "/usr/share/zoneinfo/leap-seconds.list";
  const std::string output = argv[argc - 1];
  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kivo-make-leapsec: cannot read %s\n", input.c_str());
    return 1;
  }
  std::ofstream out(output + ".tmp", std::ios::binary | std::ios::trunc);
  std::string problem;
  const int entries = out ? kivo::tools::convertLeapSecondsList(in, out, problem) : -1;
  out.close();
  if (entries < 0 || !out) {
    std::fprintf(stderr, "kivo-make-leapsec: %s: %s\n", input.c_str(), problem.empty() ? "write failed" : problem.c_str());
    std::remove((output + ".tmp").c_str());
    return 1;
  }
  if (std::rename((output + ".tmp").c_str(), output.c_str()) != 0) {
    std::fprintf(stderr, "kivo-make-leapsec: cannot write %s\n", output.c_str());
    return 1;
  }
  std::printf("%s: %d entries\n", output.c_str(), entries);
  return 0;
}
