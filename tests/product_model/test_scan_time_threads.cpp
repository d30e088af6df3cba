// Scan times converted on one thread while another thread registers products in a second
// product object (each object used by one thread only). The conversion must take its
// leap-second table from its own object and share no unguarded state with the registration,
// which sets the library's data directory; run under ThreadSanitizer.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "product_model/product_object.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace model = kivo::model;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

constexpr int kRounds = 150;

// An AMSR2 Level 1B product whose two scans are the leap second before 2012-07-01 and the
// second after it.
std::string timesProduct(const std::string& path) {
  TinyProduct p(path);
  p.head("AMSR2-L1B", 0);
  p.data("Scan Time", Stored::F64, {2}, std::vector<double>{615254407.0, 615254408.0});
  return p.close();
}

TEST(ScanTimeThreads, ConversionWhileAnotherObjectRegistersProducts) {
  ASSERT_EQ(std::getenv("AMSR2_LEAP_DATA"), nullptr) << "the test needs the installed leap-second table";
  TempDir dir;
  const std::string converted = timesProduct(dir.file("converted.h5"));
  const std::string registered = timesProduct(dir.file("registered.h5"));

  model::ComPrdctMngmnt converter({std::string(KIVO_DATA_DIR) + "/", nullptr, 0});
  // The registering object's data directory holds no leap-second table, so a conversion that
  // found its table through the library's data directory would fail.
  model::ComPrdctMngmnt registrar({dir.file("empty") + "/", nullptr, 0});
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  ASSERT_EQ(converter.ComOpenPrdctFile(converted, slot, name, projection, known), 0);

  std::atomic<bool> registering{false};
  std::atomic<int> registrations{0};
  std::thread other([&] {
    registering.store(true);
    for (int i = 0; i < kRounds; ++i) {
      int s = -1, p = -1;
      bool k = false;
      std::string n;
      if (registrar.ComOpenPrdctFile(registered, s, n, p, k) == 0) {
        registrations.fetch_add(1);
        registrar.ComClosePrdct(s, true);
      }
    }
  });
  while (!registering.load()) std::this_thread::yield();

  int wrong = 0;
  for (int i = 0; i < kRounds; ++i) {
    std::vector<kivo::io::ScanTimeRecord> times;
    if (converter.ComGetScanTimes(slot, 1, 2, times) != 2 ||
        kivo::io::formatObservationTime(times[0]) != "2012-06-30T23:59:60.000Z" ||
        kivo::io::formatObservationTime(times[1]) != "2012-07-01T00:00:00.000Z") {
      ++wrong;
    }
  }
  other.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(registrations.load(), kRounds);
  EXPECT_EQ(std::getenv("AMSR2_LEAP_DATA"), nullptr);
}

}  // namespace
