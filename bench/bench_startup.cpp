// Whole programs, start to exit, as a batch of products would run them: kivo-render drawing
// the 89 GHz A horizontal channel of a full-size Level 1B product (800 x 550, EQR, PNG), and
// kivo-meriview running a batch command file that opens the same channel and saves it as a
// PNG. Each is started 5 times after one warm-up run; the reported time is the median wall
// time of the 5, with the fastest and slowest beside it.
//
//   bench_startup [PRODUCT.h5] [benchmark flags]

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_main.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 5;
constexpr int kNotStarted = -1;

// A private folder for the outputs of one benchmark program, removed at the end.
struct WorkFolder {
  fs::path path;
  WorkFolder() {
    std::string pattern = (fs::temp_directory_path() / "kivo_bench_startup_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~WorkFolder() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
};

WorkFolder& workFolder() {
  static WorkFolder folder;
  return folder;
}

// Runs a program to its end with its output discarded and the offscreen platform unless
// the environment names another; the exit status, or kNotStarted.
int runProgram(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<std::string> arguments{program};
  arguments.insert(arguments.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = env;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) environment.emplace_back("QT_QPA_PLATFORM=offscreen");
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return kNotStarted;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return kNotStarted;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

struct Timed {
  int status = kNotStarted;
  double seconds = 0;
};

Timed timedRun(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env) {
  const auto start = std::chrono::steady_clock::now();
  Timed t;
  t.status = runProgram(program, args, env);
  t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return t;
}

// One warm-up run, then kRuns timed ones; reports their median as the iteration's time.
// `skip(status)` names statuses that mean the program cannot do this yet.
template <typename Skip>
void measure(benchmark::State& state, const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& env, const fs::path& output, Skip skip) {
  for (auto _ : state) {
    if (::access(program.c_str(), X_OK) != 0) {
      state.SkipWithError((program + " is not built").c_str());
      return;
    }
    const Timed warm = timedRun(program, args, env);
    if (skip(warm.status)) {
      state.SkipWithError((program + " cannot run this yet (exit status " + std::to_string(warm.status) + ")").c_str());
      return;
    }
    std::array<double, kRuns> seconds{};
    for (double& s : seconds) {
      std::error_code ignored;
      fs::remove(output, ignored);
      const Timed t = timedRun(program, args, env);
      if (t.status != 0 || !fs::exists(output)) {
        state.SkipWithError((program + " failed (exit status " + std::to_string(t.status) + ")").c_str());
        return;
      }
      s = t.seconds;
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[kRuns / 2];
    state.SetIterationTime(median);
    state.counters["median_ms"] = median * 1e3;
    state.counters["min_ms"] = seconds.front() * 1e3;
    state.counters["max_ms"] = seconds.back() * 1e3;
  }
}

const std::string kBinDir = KIVO_BIN_DIR;

void BM_KivoRender(benchmark::State& state) {
  const fs::path out = workFolder().path / "render.png";
  measure(state, kBinDir + "/kivo-render",
          {kivo::bench::productPath(), "--channel", "20", "--projection", "EQR", "--size", "800", "550", "-o", out.string()},
          {}, out, [](int status) { return status == kNotStarted; });
}
BENCHMARK(BM_KivoRender)->Name("Startup/kivo-render_89AH_EQR_800x550_PNG")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// kivo-meriview --batch with a command file that opens the product's 89 GHz A horizontal
// channel from a file list and saves the view as a PNG.
void BM_MeriviewBatch(benchmark::State& state) {
  const fs::path dir = workFolder().path;
  const fs::path list = dir / "KIVOFileList_bench.txt";
  const fs::path commands = dir / "bench.out";
  const fs::path out = dir / "out.png";
  {
    std::ofstream f(list, std::ios::binary);
    f << fs::absolute(kivo::bench::productPath()).string() << "\r\r\n";
  }
  {
    std::ofstream f(commands, std::ios::binary);
    f << "VIEWHDF /T AMSR2 /L L1B /S 89AH /I " << list.string() << " /V OFF\r\n"
      << "OUTIMG /F PNG /O " << out.string() << "\r\n";
  }
  // The settings of the run go to a file of its own, so the program's folder stays as it was.
  const std::vector<std::string> env{"KIVO_SETTINGS=" + (dir / "bench.ini").string(), "KIVO_MESSAGES=stderr"};
  // Status 2 is a usage error: a program that does not know --batch yet.
  measure(state, kBinDir + "/kivo-meriview", {"--batch", commands.string()}, env, out,
          [](int status) { return status == kNotStarted || status == 2; });
}
BENCHMARK(BM_MeriviewBatch)->Name("Startup/kivo-meriview_batch_VIEWHDF_OUTIMG_PNG")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
