// kivo-dump run as a program: its output format and exit statuses.

#include <gtest/gtest.h>

#include <filesystem>

#include "run_command.h"
#include "temp_dir.h"
#include "tiny_product.h"

using kivo::test::CommandResult;
using kivo::test::runProgram;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;
using Lines = std::vector<std::string>;

namespace {

std::string g9(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}

class KivoDump : public ::testing::Test {
 protected:
  void SetUp() override {
    TinyProduct p(dir.file("l1b.h5"));
    p.head("AMSR2-L1B", 1, "GW1AM2_201207031905_234A_L1SGBTBR_2220220");
    // 4 stored rows (1 overlap scan at each end) of 3 pixels.
    p.data("Brightness Temperature (6.9GHz,V)", Stored::U16, {4, 3},
           std::vector<unsigned short>{100, 200, 300, 65535, 25050, 12, 7, 8, 9, 10, 11, 12}, 0.01f);
    std::vector<unsigned char> quality(2 * 512, 0);
    quality[0] = 0xab;
    quality[512 + 511] = 0x01;
    p.data("Scan Data Quality", Stored::U8, {2, 512}, quality);
    p.data("Scan Time", Stored::F64, {4}, std::vector<double>{1e8, 1e8 + 1.5, 1e8 + 3.0, 1e8 + 4.5});
    p.data("Land_Ocean Flag 6 to 36", Stored::U8, {2, 4, 2}, kivo::test::iota<unsigned char>(16, 10));
    p.data("Observation Supplement", Stored::U8, {4, 2}, std::vector<unsigned char>{0, 1, 2, 3, 252, 253, 254, 255});
    p.data("Brightness Temperature (V)", Stored::U16, {1, 2}, std::vector<unsigned short>{65534, 150}, 0.01f);
    path = p.close();
  }
  CommandResult dump(std::vector<std::string> args) {
    args.insert(args.begin(), path);
    return runProgram("kivo-dump", args);
  }
  TempDir dir;
  std::string path;
};

TEST_F(KivoDump, AttributesInFileOrder) {
  const CommandResult r = dump({});
  ASSERT_EQ(r.status, 0);
  const Lines lines = r.lines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "format=0");
  EXPECT_EQ(lines[1], "type=7");
  EXPECT_EQ(lines[2], "name=AMSR2 Level 1B");
  EXPECT_EQ(lines[3], "1\tProductName\tAMSR2-L1B");
  EXPECT_EQ(lines[4], "2\tGeophysicalName\tBrightness Temperature");
  EXPECT_EQ(lines[5], "3\tGranuleID\tGW1AM2_201207031905_234A_L1SGBTBR_2220220");
  EXPECT_EQ(lines[6], "4\tOverlapScans\t1");
}

TEST_F(KivoDump, LabelValuesInEveryOutputType) {
  struct Case {
    std::vector<std::string> args;
    Lines expected;
  };
  // Scaled values as the reader computes them: stored count times the float scale factor.
  const auto f = [](int v) { return g9(static_cast<double>(static_cast<float>(v) * 0.01f)); };
  const std::vector<Case> cases = {
      {{"--label", "11050"},
       {"rank=2 dims=4,3,0", "count=12", f(100), f(200), f(300), "65535", "250.5", f(12), f(7), f(8), f(9), f(10),
        f(11), f(12)}},
      {{"--label", "11050", "--scans", "1", "1"}, {"rank=2 dims=4,3,0", "count=3", "65535", "250.5", f(12)}},
      // Scan 1 of both bands of a rank-3 dataset.
      {{"--label", "10340", "--scans", "1", "1", "--type", "int"}, {"rank=3 dims=2,4,2", "count=4", "12", "13", "20", "21"}},
      {{"--label", "10010", "--scans", "2", "2", "--type", "double"}, {"rank=1 dims=4,0,0", "count=1", "100000003"}},
      {{"--label", "10420", "--type", "byte"},
       {"rank=2 dims=4,2,0", "count=8", "0", "1", "2", "3", "252", "253", "254", "255"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandResult r = dump(c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines(), c.expected);
  }
}

TEST_F(KivoDump, QualityRecordsAsHexadecimal) {
  const CommandResult r = dump({"--quality"});
  ASSERT_EQ(r.status, 0);
  const Lines lines = r.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "count=2");
  EXPECT_EQ(lines[1], "ab" + std::string(1022, '0'));
  EXPECT_EQ(lines[2], std::string(1022, '0') + "01");
}

TEST_F(KivoDump, FailuresAndUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int status;
    Lines expected;  // empty: output not checked
  };
  const std::vector<Case> cases = {
      {{"--label", "99999"}, 1, {"error=-217"}},
      {{"--label", "11050", "--scans", "3", "2"}, 1, {"rank=2 dims=4,3,0", "error=-211"}},
      {{"--grid", "11050"}, 1, {"rank=2 dims=4,3,0", "error=-219"}},
      {{"--label", "11050", "--type", "int"}, 1, {"rank=2 dims=4,3,0", "error=-239"}},
      {{"--label"}, 2, {}},
      {{"--label", "abc"}, 2, {}},
      {{"--type", "short", "--label", "11050"}, 2, {}},
      {{"--unknown"}, 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandResult r = dump(c.args);
    EXPECT_EQ(r.status, c.status);
    if (!c.expected.empty()) {
      EXPECT_EQ(r.lines(), c.expected);
    }
  }
  EXPECT_EQ(runProgram("kivo-dump", {}).status, 2);

  kivo::test::writeBytes(dir.file("notes.txt"), "not a product\n");
  const CommandResult text = runProgram("kivo-dump", {dir.file("notes.txt")});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.lines(), Lines{"format=-1"});
  EXPECT_EQ(runProgram("kivo-dump", {dir.file("notes.txt"), "--label", "11050"}).lines(), Lines{"error=-501"});
}

// The full-size Level 1B sample made at set-up.
TEST(KivoDumpSample, FullSizeLevel1B) {
  const std::string sample = std::string(KIVO_SAMPLE_DIR) + "/GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";
  if (!std::filesystem::exists(sample)) GTEST_SKIP() << "no sample products in " << KIVO_SAMPLE_DIR;
  const CommandResult head = runProgram("kivo-dump", {sample});
  ASSERT_EQ(head.status, 0);
  const Lines lines = head.lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "format=0");
  EXPECT_EQ(lines[1], "type=7");
  EXPECT_EQ(lines[3], "1\tProductName\tAMSR2-L1B");

  const CommandResult scan = runProgram("kivo-dump", {sample, "--label", "11180", "--scans", "1", "1"});
  ASSERT_EQ(scan.status, 0);
  const Lines values = scan.lines();
  ASSERT_EQ(values.size(), 2u + 486u);
  EXPECT_EQ(values[0], "rank=2 dims=2018,486,0");
  EXPECT_EQ(values[1], "count=486");
  for (std::size_t i = 2; i < values.size(); ++i) {
    const double t = std::stod(values[i]);
    EXPECT_TRUE(t > 100.0 && t < 320.0) << values[i];
  }
}

}  // namespace
