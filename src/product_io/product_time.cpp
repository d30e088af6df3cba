#include "product_io/product_time.h"

#include <hdf5.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "product_io/allocation.h"
#include "product_io/io_internal.h"
#include "product_io/trace.h"

namespace kivo::io {
namespace {

constexpr long long kDay1993 = 727564;  // day number of 1993-01-01, with 0001-01-01 = 1
constexpr double kLeapEpsilon = 2.220446049250313e-16;
constexpr std::size_t kMaxLineLength = 255;

bool isLeapYear(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int monthLength(long long year, int month) {
  static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && isLeapYear(year)) return 29;
  return kLengths[month - 1];
}

// Strict decimal parsing of one token.
bool parseLong(const std::string& token, long& value) {
  if (token.empty()) return false;
  char* end = nullptr;
  value = std::strtol(token.c_str(), &end, 10);
  return *end == '\0';
}
bool parseDouble(const std::string& token, double& value) {
  if (token.empty()) return false;
  char* end = nullptr;
  value = std::strtod(token.c_str(), &end);
  return *end == '\0' && std::isfinite(value);
}

}  // namespace

std::string leapFilePath(const std::string& leapFile) {
  const char* env = std::getenv("AMSR2_LEAP_DATA");
  if (env != nullptr && *env != '\0') return env;
  if (!leapFile.empty()) return leapFile;
  return "leapsec.dat";
}

int loadLeapTable(const std::string& path, std::vector<LeapEntry>& table) {
  table.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return kErrLeapFile;
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (header) {
      header = false;
      continue;
    }
    if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
    std::istringstream fields(line);
    std::string tokens[6];
    int n = 0;
    while (n < 6 && fields >> tokens[n]) ++n;
    LeapEntry e;
    long year = 0;
    long month = 0;
    // Lines that do not hold six numbers (blank lines, notes) are skipped.
    if (n < 6 || !parseLong(tokens[0], year) || !parseLong(tokens[1], month) || !parseDouble(tokens[2], e.offset) ||
        !parseDouble(tokens[3], e.aux1) || !parseDouble(tokens[4], e.aux2) || !parseDouble(tokens[5], e.startCount) ||
        year < 1 || year > 9999 || month < 1 || month > 12) {
      continue;
    }
    if (static_cast<int>(table.size()) >= kMaxLeapEntries) break;
    e.year = static_cast<std::int32_t>(year);
    e.month = static_cast<std::int32_t>(month);
    e.day = 1;
    trace("%d/%d/%d\n", e.year, e.month, e.day);
    trace("%lf %lf %lf\n", e.offset, e.aux1, e.aux2);
    trace("%lf\n", e.startCount);
    table.push_back(e);
  }
  return static_cast<int>(table.size());
}

double offsetByMonth(const std::vector<LeapEntry>& table, int year, int month) {
  const long long wanted = static_cast<long long>(year) * 12 + month;
  double offset = 0.0;
  for (const LeapEntry& e : table) {
    if (static_cast<long long>(e.year) * 12 + e.month <= wanted) offset = e.offset;
  }
  return offset;
}

double offsetByCount(const std::vector<LeapEntry>& table, double count) {
  double offset = 0.0;
  for (const LeapEntry& e : table) {
    if (count >= e.startCount) offset = e.offset;
  }
  return offset;
}

int validateDate(const ScanTimeRecord& r) {
  if (r.month < 1 || r.day < 1 || r.hour < 0 || r.minute < 0 || r.second < 0) {
    trace("SecToDate Error : Result[MinusValue]\n");
    return kErrDateNegative;
  }
  if (r.year < 1993) {
    trace("SecToDate Error : Result[date->year]\n");
    return kErrDateYear;
  }
  if (r.month > 12) {
    trace("SecToDate Error : Result[date->month]\n");
    return kErrDateMonth;
  }
  if (r.day > monthLength(r.year, r.month)) {
    if (!isLeapYear(r.year)) {
      trace("SecToDate Error : Result[date->day]\n");
    } else if (r.month == 2) {
      trace("SecToDate Error : Result[date->day(LeapYear : Feb)]\n");
    } else {
      trace("SecToDate Error : Result[date->day(LeapYear : other)]\n");
    }
    return kErrDateDay;
  }
  if (r.hour > 23) {
    trace("SecToDate Error : Result[date->hour]\n");
    return kErrDateHour;
  }
  if (r.minute > 59) {
    trace("SecToDate Error : Result[date->minute]\n");
    return kErrDateMinute;
  }
  if (r.hour == 23 && r.minute == 59) {
    if (r.second > 60) {
      trace("SecToDate Error : Result[date->minute(LeapSecond)]\n");
      return kErrDateSecond;
    }
  } else if (r.second > 59) {
    trace("SecToDate Error : Result[date->minute]\n");
    return kErrDateSecond;
  }
  return 0;
}

int SecToDate(long long n, ScanTimeRecord& r) {
  if (n < 0) {
    trace("SecToDate Error : Argument[MinusValue(total_sec)]\n");
    return kErrNegativeSeconds;
  }
  r.second = static_cast<std::int16_t>(n % 60);
  r.minute = static_cast<std::int16_t>((n / 60) % 60);
  r.hour = static_cast<std::int16_t>((n / 3600) % 24);
  long long q = n / 86400 + kDay1993;
  long long year = 1;
  // Whole 400-year cycles first (146097 days each), so far dates cost no long walk.
  if (q > 146097) {
    const long long cycles = (q - 1) / 146097;
    q -= cycles * 146097;
    year += cycles * 400;
  }
  while (q > 365) {
    q -= isLeapYear(year) ? 366 : 365;
    ++year;
  }
  int r0 = 0;
  while (r0 < 12 && q > monthLength(year, r0 + 1)) {
    q -= monthLength(year, r0 + 1);
    ++r0;
  }
  long long month = 0;
  long long day = 0;
  if (r0 == 0 && q == 0) {
    year -= 1;
    month = 12;
    day = 31;
  } else if (r0 == 12) {
    year += 1;
    month = 1;
    day = q - 31;
  } else {
    month = r0 + 1;
    day = q;
  }
  if (year > 32767) {
    trace("SecToDate Error : Result[date->year]\n");
    return kErrDateYear;
  }
  r.year = static_cast<std::int16_t>(year);
  r.month = static_cast<std::int16_t>(month);
  r.day = static_cast<std::int16_t>(day);
  return validateDate(r);
}

int DateToSec(const ScanTimeRecord& r, long long& seconds) {
  const int rc = validateDate(r);
  if (rc < 0) return rc;
  long long m = r.month;
  long long y = r.year;
  if (r.month <= 2) {
    m += 12;
    y -= 1;
  }
  const long long days = 365 * y + y / 4 + y / 400 + (979 * m - 1033) / 32 + r.day - y / 100 - 727929;
  seconds = days * 86400 + 3600LL * r.hour + 60LL * r.minute + r.second;
  return 0;
}

namespace {

// Opens "Scan Time" for the scan range: the dataset, its scale factor and the rows.
struct ScanTimeSelection {
  detail::CheckedDataset ds;
  float scale = 1.0f;
  detail::RowRange rows;
};

int selectScanTime(ProductHandle handle, int begin, int end, ScanTimeSelection& sel) {
  const hid_t file = static_cast<hid_t>(handle);
  const LabelDef* row = nullptr;
  std::string name;
  int rc = findLabelDef(handle, kLabelScanTime, row, name);
  if (rc < 0) return rc;
  DimSize dims;
  rc = getDimSize(handle, kLabelScanTime, dims);
  if (rc < 0) {
    trace("getScanTime ERROR - 2[%s]\n", name.c_str());
    return rc;
  }
  rc = detail::openChecked(file, name, *row, sel.ds);
  if (rc < 0) {
    trace("getScanTime ERROR - 1[%s]\n", name.c_str());
    return rc;
  }
  rc = detail::getScaleFactor(sel.ds.dataset.get(), sel.scale);
  if (rc < 0) return rc;
  rc = detail::selectRows(file, begin, end, sel.ds.dims[0], true, sel.rows);
  if (rc < 0) return rc;
  const hsize_t start[1] = {sel.rows.first};
  const hsize_t count[1] = {sel.rows.count};
  if (H5Sselect_hyperslab(sel.ds.space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0) {
    return kErrScanSelection;
  }
  return 0;
}

}  // namespace

int getScanTime(ProductHandle handle, int begin, int end, std::vector<ScanTimeRecord>& records,
                const std::string& leapFile) {
  records.clear();
  int rc = detail::checkReadArguments(handle, begin, end, kLabelScanTime);
  if (rc < 0) return rc;
  ScanTimeSelection sel;
  rc = selectScanTime(handle, begin, end, sel);
  if (rc < 0) return rc;
  const hsize_t count[1] = {sel.rows.count};
  H5Space memSpace(H5Screate_simple(1, count, nullptr));
  if (!memSpace) return kErrMemSpace;
  std::vector<double> counts;
  std::vector<ScanTimeRecord> out;
  if (!tryAllocate([&] {
        counts.resize(sel.rows.count);
        out.resize(sel.rows.count);
      })) {
    return kErrNoMemory;
  }
  if (H5Dread(sel.ds.dataset.get(), H5T_NATIVE_DOUBLE, memSpace.get(), sel.ds.space.get(), H5P_DEFAULT,
              counts.data()) < 0) {
    return kErrRead;
  }
  std::vector<LeapEntry> table;
  rc = loadLeapTable(leapFilePath(leapFile), table);
  if (rc < 0) return rc;
  const double e0 = offsetByMonth(table, 1993, 1);
  const double s = sel.scale;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    const double m = s * counts[i];
    if (!std::isfinite(m) || std::fabs(m) > 1e15) return kErrNegativeSeconds;
    const double w = std::trunc(m);
    const double shifted = m - offsetByCount(table, w) + e0;
    const double u = std::floor(shifted);
    const double f = shifted - u;
    ScanTimeRecord& r = out[i];
    rc = SecToDate(static_cast<long long>(u), r);
    if (rc < 0) return rc;
    r.millisecond = static_cast<std::int32_t>(std::floor(f * 1000.0 + 0.5));
    r.seconds = m;
    // The second before an entry's start is the leap second 23:59:60 of the month before.
    for (const LeapEntry& e : table) {
      if (std::fabs(e.startCount - 1.0 - m) < kLeapEpsilon && r.year == e.year && r.month == e.month && r.day == 1 &&
          r.hour == 0 && r.minute == 0 && r.second == 0) {
        if (r.month == 1) {
          r.year = static_cast<std::int16_t>(r.year - 1);
          r.month = 12;
          r.day = 31;
        } else {
          r.month = 6;
          r.day = 30;
        }
        r.hour = 23;
        r.minute = 59;
        r.second = 60;
        trace("Change year=%d   %d  %d %d %d %d\n", r.year, r.month, r.day, r.hour, r.minute, r.second);
        break;
      }
    }
  }
  records = std::move(out);
  return static_cast<int>(records.size());
}

int setScanTime(ProductHandle handle, const std::vector<ScanTimeRecord>& records, int begin, int end,
                const std::string& leapFile) {
  if (records.empty()) return kErrNullRecords;
  int rc = detail::checkReadArguments(handle, begin, end, kLabelScanTime);
  if (rc < 0) return rc;
  ScanTimeSelection sel;
  rc = selectScanTime(handle, begin, end, sel);
  if (rc < 0) return rc;
  if (records.size() < sel.rows.count) return kErrBadDims;
  for (std::size_t i = 0; i < sel.rows.count; ++i) {
    rc = validateDate(records[i]);
    if (rc < 0) return rc;
  }
  if (sel.scale == 0.0f || !std::isfinite(sel.scale)) return kErrAttrRead;
  std::vector<LeapEntry> table;
  rc = loadLeapTable(leapFilePath(leapFile), table);
  if (rc < 0) return rc;
  const double e0 = offsetByMonth(table, 1993, 1);
  std::vector<double> values;
  if (!tryAllocate([&] { values.resize(sel.rows.count); })) return kErrNoMemory;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const ScanTimeRecord& r = records[i];
    long long utc = 0;
    rc = DateToSec(r, utc);
    if (rc < 0) return rc;
    const double e = offsetByMonth(table, r.year, r.month);
    values[i] = (static_cast<double>(utc) + e - e0 + r.millisecond / 1000.0) / static_cast<double>(sel.scale);
  }
  const hsize_t count[1] = {sel.rows.count};
  H5Space memSpace(H5Screate_simple(1, count, nullptr));
  if (!memSpace) return kErrMemSpace;
  const herr_t written = H5Dwrite(sel.ds.dataset.get(), H5T_NATIVE_DOUBLE, memSpace.get(), sel.ds.space.get(),
                                  H5P_DEFAULT, values.data());
  return written < 0 ? kErrWrite : 0;
}

std::string formatObservationTime(const ScanTimeRecord& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", r.year, r.month, r.day, r.hour, r.minute,
                r.second, r.millisecond);
  return text;
}

}  // namespace kivo::io
