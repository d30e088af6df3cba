// Scan times: calendar conversion, validation, the leap-second table and leap-second naming.

#include <gtest/gtest.h>
#include <hdf5.h>

#include <cstdlib>

#include "product_io/product_time.h"
#include "temp_dir.h"
#include "tiny_product.h"

namespace io = kivo::io;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

io::ScanTimeRecord date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  io::ScanTimeRecord r;
  r.year = static_cast<std::int16_t>(y);
  r.month = static_cast<std::int16_t>(mo);
  r.day = static_cast<std::int16_t>(d);
  r.hour = static_cast<std::int16_t>(h);
  r.minute = static_cast<std::int16_t>(mi);
  r.second = static_cast<std::int16_t>(s);
  return r;
}

std::string text(const io::ScanTimeRecord& r) { return io::formatObservationTime(r); }

// Product-scale start counts of three leap seconds: UTC seconds from 1993-01-01 plus the leap
// seconds inserted since then (8, 9 and 10).
constexpr double kStart201207 = 615254408.0;
constexpr double kStart201507 = 709862409.0;
constexpr double kStart201701 = 757382410.0;

TEST(ProductTime, SecondsToDateAndBack) {
  struct Case {
    long long seconds;
    const char* expected;
  };
  const Case cases[] = {
      {0, "1993-01-01T00:00:00.000Z"},
      {86399, "1993-01-01T23:59:59.000Z"},
      {31536000, "1994-01-01T00:00:00.000Z"},
      {(365LL * 7 + 1 + 31 + 28) * 86400, "2000-02-29T00:00:00.000Z"},
      {(365LL * 7 + 1 + 366) * 86400 - 1, "2000-12-31T23:59:59.000Z"},
      {615254400, "2012-07-01T00:00:00.000Z"},
  };
  for (const Case& c : cases) {
    io::ScanTimeRecord r;
    ASSERT_EQ(io::SecToDate(c.seconds, r), 0) << c.seconds;
    EXPECT_EQ(text(r), c.expected);
    long long back = -1;
    ASSERT_EQ(io::DateToSec(r, back), 0);
    EXPECT_EQ(back, c.seconds);
  }
  // Round trip across a few centuries in irregular steps.
  for (long long n = 0; n < 10'000'000'000LL; n += 86'399'997LL) {
    io::ScanTimeRecord r;
    ASSERT_EQ(io::SecToDate(n, r), 0) << n;
    long long back = -1;
    ASSERT_EQ(io::DateToSec(r, back), 0) << n;
    ASSERT_EQ(back, n);
  }
  io::ScanTimeRecord r;
  EXPECT_EQ(io::SecToDate(-1, r), io::kErrNegativeSeconds);
}

TEST(ProductTime, DateValidation) {
  struct Case {
    io::ScanTimeRecord record;
    int expected;
  };
  const Case cases[] = {
      {date(2012, 6, 30, 23, 59, 60), 0},
      {date(2012, 2, 29), 0},
      {date(2013, 2, 29), io::kErrDateDay},
      {date(2012, 2, 30), io::kErrDateDay},
      {date(2012, 4, 31), io::kErrDateDay},
      {date(2012, 6, 30, 12, 0, 60), io::kErrDateSecond},
      {date(2012, 6, 30, 23, 59, 61), io::kErrDateSecond},
      {date(2012, 13, 1), io::kErrDateMonth},
      {date(1992, 12, 31), io::kErrDateYear},
      {date(2012, 1, 1, 24), io::kErrDateHour},
      {date(2012, 1, 1, 0, 60), io::kErrDateMinute},
      {date(2012, 1, 0), io::kErrDateNegative},
      {date(2012, 0, 1), io::kErrDateNegative},
      {date(2012, 1, 1, 0, 0, -1), io::kErrDateNegative},
  };
  for (const Case& c : cases) {
    long long seconds = 0;
    EXPECT_EQ(io::DateToSec(c.record, seconds), c.expected) << text(c.record);
  }
}

TEST(ProductTime, InstalledLeapTableHoldsTheRecentLeapSeconds) {
  std::vector<io::LeapEntry> table;
  ASSERT_GE(io::loadLeapTable(std::string(KIVO_DATA_DIR) + "/leapsec.dat", table), 28);
  struct Want {
    int year, month;
    double offset, startCount;
  };
  for (const Want& w : {Want{2012, 7, 35, kStart201207}, Want{2015, 7, 36, kStart201507}, Want{2017, 1, 37, kStart201701}}) {
    bool found = false;
    for (const io::LeapEntry& e : table) {
      if (e.year != w.year || e.month != w.month) continue;
      found = true;
      EXPECT_EQ(e.day, 1);
      EXPECT_EQ(e.offset, w.offset);
      EXPECT_EQ(e.startCount, w.startCount);
    }
    EXPECT_TRUE(found) << w.year << "-" << w.month;
  }
  EXPECT_EQ(io::offsetByMonth(table, 1993, 1), 27.0);
  EXPECT_EQ(io::offsetByMonth(table, 2012, 6), 34.0);
  EXPECT_EQ(io::offsetByCount(table, kStart201207 - 1), 34.0);
  EXPECT_EQ(io::offsetByCount(table, kStart201207), 35.0);
}

TEST(ProductTime, LeapTableFileRules) {
  TempDir dir;
  std::vector<io::LeapEntry> table;
  EXPECT_EQ(io::loadLeapTable(dir.file("missing.dat"), table), io::kErrLeapFile);

  const std::string longLine = "2015 7 36.0 41317.0 0.0 709862409.0" + std::string(400, ' ') + "garbage";
  kivo::test::writeBytes(dir.file("leap.dat"),
                         "2000 1 99 0 0 0\r\n"  // the header line is skipped whatever it holds
                         "2012 7 35.0 41317.0 0.0 615254408.0\r\n"
                         "\r\n"
                         "not a line of numbers\n"
                         "2013 13 1 1 1 1\n" +
                             longLine + "\n2017 1 37.0 41317.0 0.0 7.5738241e8");
  ASSERT_EQ(io::loadLeapTable(dir.file("leap.dat"), table), 3);
  EXPECT_EQ(table[0].year, 2012);
  EXPECT_EQ(table[1].startCount, kStart201507);
  EXPECT_EQ(table[2].startCount, kStart201701);
  // Before the first entry no offset applies.
  EXPECT_EQ(io::offsetByMonth(table, 2000, 1), 0.0);
  EXPECT_EQ(io::offsetByCount(table, 0.0), 0.0);
}

TEST(ProductTime, LeapFileChoice) {
  // A non-empty AMSR2_LEAP_DATA overrides the caller's file; an empty path falls back to the
  // bare name.
  struct Case {
    const char* environment;  // nullptr: not set
    const char* passed;
    const char* expected;
  };
  const Case cases[] = {
      {nullptr, "/opt/kivo/data/leapsec.dat", "/opt/kivo/data/leapsec.dat"},
      {"", "/opt/kivo/data/leapsec.dat", "/opt/kivo/data/leapsec.dat"},
      {"/home/me/leap.dat", "/opt/kivo/data/leapsec.dat", "/home/me/leap.dat"},
      {"/home/me/leap.dat", "", "/home/me/leap.dat"},
      {nullptr, "", "leapsec.dat"},
  };
  for (const Case& c : cases) {
    if (c.environment == nullptr) {
      ::unsetenv("AMSR2_LEAP_DATA");
    } else {
      ::setenv("AMSR2_LEAP_DATA", c.environment, 1);
    }
    EXPECT_EQ(io::leapFilePath(c.passed), c.expected) << (c.environment ? c.environment : "(unset)") << " " << c.passed;
  }
  ::unsetenv("AMSR2_LEAP_DATA");
}

class ScanTimes : public ::testing::Test {
 protected:
  void TearDown() override { ::unsetenv("AMSR2_LEAP_DATA"); }

  // An AMSR2 Level 1B product with one overlap scan at each end and these counts.
  std::string product(const std::vector<double>& counts) {
    TinyProduct p(dir.file("times.h5"));
    p.head("AMSR2-L1B", 1);
    p.data("Scan Time", Stored::F64, {counts.size()}, counts);
    return p.close();
  }

  TempDir dir;
  const std::string leapFile = std::string(KIVO_DATA_DIR) + "/leapsec.dat";
};

TEST_F(ScanTimes, LeapSecondsAndMilliseconds) {
  // Stored rows: overlap, then the leap second, the start of July, a fraction, overlap.
  const std::string path = product({kStart201207 - 2, kStart201207 - 1, kStart201207, kStart201207 + 5.9996, 0});
  const io::ProductHandle h = io::openProduct(path.c_str());
  ASSERT_GT(h, 0);
  std::vector<io::ScanTimeRecord> records;
  ASSERT_EQ(io::getScanTime(h, 1, 3, records, leapFile), 3);
  EXPECT_EQ(text(records[0]), "2012-06-30T23:59:60.000Z");
  EXPECT_EQ(records[0].seconds, kStart201207 - 1);
  EXPECT_EQ(text(records[1]), "2012-07-01T00:00:00.000Z");
  EXPECT_EQ(text(records[2]), "2012-07-01T00:00:05.1000Z");  // no carry into the seconds

  ASSERT_EQ(io::getScanTime(h, io::kAllScans, io::kAllScans, records, leapFile), 5);
  EXPECT_EQ(text(records[0]), "2012-06-30T23:59:59.000Z");
  EXPECT_EQ(text(records[4]), "1993-01-01T00:00:00.000Z");

  EXPECT_EQ(io::getScanTime(h, 3, 2, records, leapFile), io::kErrEndBeforeBegin);
  EXPECT_EQ(io::getScanTime(0, 1, 1, records, leapFile), io::kErrNullHandle);
  EXPECT_EQ(io::getScanTime(h, 1, 1, records, dir.file("none.dat")), io::kErrLeapFile);
  // The user's AMSR2_LEAP_DATA wins over the file the caller passes.
  ::setenv("AMSR2_LEAP_DATA", dir.file("none.dat").c_str(), 1);
  EXPECT_EQ(io::getScanTime(h, 1, 1, records, leapFile), io::kErrLeapFile);
  EXPECT_TRUE(records.empty());
  io::closeProduct(h);
}

TEST_F(ScanTimes, NegativeCountsFail) {
  const io::ProductHandle h = io::openProduct(product({0, -5, 0}).c_str());
  ASSERT_GT(h, 0);
  std::vector<io::ScanTimeRecord> records;
  EXPECT_EQ(io::getScanTime(h, 1, 1, records, leapFile), io::kErrNegativeSeconds);
  EXPECT_TRUE(records.empty());
  io::closeProduct(h);
}

TEST_F(ScanTimes, WrittenTimesReadBack) {
  const std::string path = product({0, 0, 0, 0});
  const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
  ASSERT_GE(file, 0);
  std::vector<io::ScanTimeRecord> records = {date(2012, 6, 30, 23, 59, 59), date(2012, 7, 1, 0, 0, 1)};
  records[1].millisecond = 250;
  ASSERT_EQ(io::setScanTime(file, records, 1, 2, leapFile), 0);
  std::vector<io::ScanTimeRecord> back;
  ASSERT_EQ(io::getScanTime(file, 1, 2, back, leapFile), 2);
  EXPECT_EQ(text(back[0]), "2012-06-30T23:59:59.000Z");
  EXPECT_EQ(back[0].seconds, kStart201207 - 2);
  EXPECT_EQ(text(back[1]), "2012-07-01T00:00:01.250Z");
  EXPECT_EQ(back[1].seconds, kStart201207 + 1.25);

  records[0] = date(2013, 2, 29);
  EXPECT_EQ(io::setScanTime(file, records, 1, 2, leapFile), io::kErrDateDay);
  EXPECT_EQ(io::setScanTime(file, {}, 1, 2, leapFile), io::kErrNullRecords);
  H5Fclose(file);

  // A product opened for reading cannot be written.
  const io::ProductHandle readOnly = io::openProduct(path.c_str());
  records[0] = date(2013, 2, 28);
  EXPECT_EQ(io::setScanTime(readOnly, records, 1, 2, leapFile), io::kErrWrite);
  io::closeProduct(readOnly);
}

}  // namespace
