#pragma once

// Scan times of AMSR2 products: counts of seconds since 1993-01-01T00:00:00 that include
// leap seconds, converted to and from UTC calendar records through a leap-second table.

#include <cstdint>
#include <string>
#include <vector>

#include "product_io/amsr2_io.h"

namespace kivo::io {

struct ScanTimeRecord {
  double seconds = 0.0;  // the count as read and scaled
  std::int16_t year = 0;
  std::int16_t month = 0;
  std::int16_t day = 0;
  std::int16_t hour = 0;
  std::int16_t minute = 0;
  std::int16_t second = 0;  // 60 during a leap second
  std::int32_t millisecond = 0;
};

struct LeapEntry {
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 1;
  double offset = 0.0;      // TAI - UTC in seconds from this month on
  double aux1 = 0.0;        // read and not used
  double aux2 = 0.0;        // read and not used
  double startCount = 0.0;  // product-scale count from which the entry applies
};

// Most entries a leap-second table holds; further lines are ignored.
inline constexpr int kMaxLeapEntries = 1000;

// The leap-second file used for a conversion given `leapFile`: $AMSR2_LEAP_DATA when set
// and not empty, else `leapFile` when not empty, else "leapsec.dat". The environment is only
// read, never written, so conversions may run on any thread.
std::string leapFilePath(const std::string& leapFile);
// Loads the table from `path`; the result is the entry count or -103.
int loadLeapTable(const std::string& path, std::vector<LeapEntry>& table);

// TAI - UTC for a month, and for a product-scale count (0 before the first entry).
double offsetByMonth(const std::vector<LeapEntry>& table, int year, int month);
double offsetByCount(const std::vector<LeapEntry>& table, double count);

// Calendar fields year..second of `record` from whole UTC seconds since 1993-01-01, and back.
int SecToDate(long long seconds, ScanTimeRecord& record);
int DateToSec(const ScanTimeRecord& record, long long& seconds);
// Checks year..second of a record (0 or -201..-208).
int validateDate(const ScanTimeRecord& record);

// Scan times of the selected scans (overlap scans as for getData), converted with the
// leap-second table leapFilePath(leapFile); the result is the count.
int getScanTime(ProductHandle handle, int begin, int end, std::vector<ScanTimeRecord>& records,
                const std::string& leapFile);
// Writes "Scan Time" of the selected scans from the records (the file must be writable).
int setScanTime(ProductHandle handle, const std::vector<ScanTimeRecord>& records, int begin, int end,
                const std::string& leapFile);

// "YYYY-MM-DDThh:mm:ss.sssZ" of a record, as observation times are written in metadata.
std::string formatObservationTime(const ScanTimeRecord& record);

}  // namespace kivo::io
