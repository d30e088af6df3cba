// The leap-second table converter: start counts on the product scale and refusal of bad lists.

#include <gtest/gtest.h>

#include <sstream>

#include "leapsec_convert.h"

namespace {

std::string convert(const std::string& list, int& entries, std::string& problem) {
  std::istringstream in(list);
  std::ostringstream out;
  entries = kivo::tools::convertLeapSecondsList(in, out, problem);
  return out.str();
}

TEST(LeapSecondList, EntriesOnTheProductScale) {
  const std::string list =
      "#\tcomment lines and the expiry line are ignored\n"
      "#@\t3960057600\n"
      "2918937600      27      # 1 Jul 1992\n"
      "2950473600      28      # 1 Jul 1993\n"
      "3550089600      35      # 1 Jul 2012\r\n"
      "3644697600      36      # 1 Jul 2015\n"
      "3692217600      37      # 1 Jan 2017\n";
  int entries = 0;
  std::string problem;
  const std::string table = convert(list, entries, problem);
  ASSERT_EQ(entries, 5) << problem;
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);  // header
  std::vector<std::string> rows;
  while (std::getline(lines, line)) rows.push_back(line);
  const std::vector<std::string> expected = {
      "1992 7 27.0 41317.0 0.0 -15897600.0\r", "1993 7 28.0 41317.0 0.0 15638401.0\r",
      "2012 7 35.0 41317.0 0.0 615254408.0\r", "2015 7 36.0 41317.0 0.0 709862409.0\r",
      "2017 1 37.0 41317.0 0.0 757382410.0\r"};
  // The offsets themselves count the leap seconds, so lines left out between 1993 and 2012
  // do not shift the later start counts.
  EXPECT_EQ(rows, expected);
}

TEST(LeapSecondList, RefusesMalformedLists) {
  const char* bad[] = {
      "",                                   // no entries
      "# only comments\n",
      "3550089600 35\nthirty 36\n",         // not a number
      "3550089600\n",                       // no offset
      "3550089601 35\n",                    // not midnight
      "3550176000 35\n",                    // 2 Jul 2012, not the first of a month
      "3644697600 36\n3550089600 35\n",     // out of order
  };
  for (const char* list : bad) {
    int entries = 0;
    std::string problem;
    convert(list, entries, problem);
    EXPECT_EQ(entries, -1) << list;
    EXPECT_FALSE(problem.empty());
  }
}

}  // namespace
