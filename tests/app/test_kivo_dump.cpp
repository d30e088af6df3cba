// kivo-dump run as a program: its output format and exit statuses.

#include <gtest/gtest.h>

#include <cstring>
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

TEST_F(KivoDump, PositionsTimesAndValuesWithPositions) {
  TinyProduct p(dir.file("geo.h5"));
  p.head("AMSR2-L1B", 0);
  p.data("Scan Time", Stored::F64, {2}, std::vector<double>{615254407.0, 615254408.25});
  p.data("Latitude of Observation Point for 89A", Stored::F32, {2, 2}, std::vector<float>{10, 11, 12, 13});
  p.data("Longitude of Observation Point for 89A", Stored::F32, {2, 2}, std::vector<float>{-20, -21, -22, -23.5f});
  p.data("Brightness Temperature (89.0GHz-A,V)", Stored::U16, {2, 2}, std::vector<unsigned short>{25000, 65535, 100, 200},
         0.01f);
  const std::string geo = p.close();

  EXPECT_EQ(runProgram("kivo-dump", {geo, "--latlon", "40070", "--scans", "2", "2"}).lines(),
            (Lines{"count=2", "12.000000 -22.000000", "13.000000 -23.500000"}));
  // The installed leap-second table names the second before 2012-07-01 23:59:60.
  EXPECT_EQ(runProgram("kivo-dump", {geo, "--time"}).lines(),
            (Lines{"count=2", "615254407.000 2012-06-30T23:59:60.000", "615254408.250 2012-07-01T00:00:00.250"}));
  EXPECT_EQ(runProgram("kivo-dump", {geo, "--values", "11170"}).lines(),
            (Lines{"count=4", "250 10.000000 -20.000000", "65535 11.000000 -21.000000", g9(100 * 0.01f) + " 12.000000 -22.000000",
                   g9(200 * 0.01f) + " 13.000000 -23.500000"}));
  EXPECT_EQ(runProgram("kivo-dump", {geo, "--values", "11170", "--int"}).lines(), Lines{"error=-1"});
  EXPECT_EQ(runProgram("kivo-dump", {geo, "--latlon", "40130"}).lines(), Lines{"error=-504"});
  EXPECT_EQ(runProgram("kivo-dump", {geo, "--label", "11170", "--int"}).status, 2);
}

TEST_F(KivoDump, ValueGridOfAChannel) {
  TinyProduct p(dir.file("grid.h5"));
  p.head("AMSR2-L1B", 0);
  p.data("Latitude of Observation Point for 89A", Stored::F32, {1, 3}, std::vector<float>{90.0f, 10.01f, -90.05f});
  p.data("Longitude of Observation Point for 89A", Stored::F32, {1, 3}, std::vector<float>{180.0f, -20.015f, 0.0f});
  p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, 3}, std::vector<unsigned short>{1000, 2000, 3000},
         0.01f);
  const std::string product = p.close();
  const std::string out = dir.file("grid.bin");

  const CommandResult r = runProgram("kivo-dump", {product, "--channel", "20", "--grid-out", out, "--points"});
  ASSERT_EQ(r.status, 0);
  // Microdegrees are truncated: the float -20.015 is -20.01499939...
  EXPECT_EQ(r.lines(), (Lines{"points=2", "meshed=1", "180000000 90000000 10", "-20014999 10010000 20"}));
  const std::string bytes = kivo::test::readBytes(out);
  ASSERT_EQ(bytes.size(), 6485401u * 4u);
  std::vector<float> grid(6485401);
  std::memcpy(grid.data(), bytes.data(), bytes.size());
  EXPECT_EQ(grid[3600u * 1801u + 1800u], 10.0f);  // column 3600, row 1800: the last value
  EXPECT_EQ(grid[1599u * 1801u + 1000u], 20.0f);   // longitude -20.015 is column 1599
  EXPECT_EQ(grid[0], -3.4028235e38f);

  EXPECT_EQ(runProgram("kivo-dump", {product, "--channel", "20", "--grid-out", out}).lines(),
            (Lines{"points=2", "meshed=1"}));
  EXPECT_EQ(runProgram("kivo-dump", {product, "--channel", "1", "--grid-out", out}).lines(), Lines{"error=-4"});
  EXPECT_EQ(runProgram("kivo-dump", {dir.file("none.h5"), "--channel", "1", "--grid-out", out}).lines(),
            Lines{"error=-2"});
  EXPECT_EQ(runProgram("kivo-dump", {product, "--channel", "20"}).status, 2);
  EXPECT_EQ(runProgram("kivo-dump", {product, "--grid-out", out}).status, 2);
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

// Every generated sample product lists its attributes and delivers values with positions.
TEST(KivoDumpSample, EveryGeneratedProduct) {
  const std::filesystem::path dir = KIVO_SAMPLE_DIR;
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no sample products in " << KIVO_SAMPLE_DIR;
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string path = entry.path().string();
    const std::string name = entry.path().filename().string();
    const bool hdf4 = entry.path().extension() == ".00";
    if (!hdf4 && entry.path().extension() != ".h5") continue;
    SCOPED_TRACE(name);
    const CommandResult head = runProgram("kivo-dump", {path});
    ASSERT_EQ(head.status, 0);
    const Lines lines = head.lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], hdf4 ? "format=1" : "format=0");
    EXPECT_NE(lines[1], "type=17");
    if (name.find("L2Map") != std::string::npos) {
      EXPECT_TRUE(lines[1] == "type=4" || lines[1] == "type=15") << lines[1];
    }
    // The main channel of each level: 89 GHz A horizontal, the first geophysical layer, or
    // the Level 3 grid (whose positions come from the installed grid files); HDF4 products
    // by their data set codes.
    std::string label = "11180";
    if (name.find("_L1SGCNAR_") != std::string::npos) label = "10180";
    if (name.find("_L1SGRTBR_") != std::string::npos) label = "12180";
    if (name.find("_L2SG") != std::string::npos) label = name[32] == 'H' ? "22030" : "21030";
    if (name.find("_L3SG") != std::string::npos) label = name.find("L3SGT") != std::string::npos ? "31010" : "31310";
    if (hdf4) {
      label = "33";
      if (name.find("_L2_") != std::string::npos) label = "3";
      if (name.find("_L2Map_") != std::string::npos || name.find("_L3_") != std::string::npos) label = "2";
    }
    std::vector<std::string> args = {path, "--values", label};
    if (label == "10180") args.push_back("--int");  // Level 1A counts are integers
    const CommandResult values = runProgram("kivo-dump", args);
    ASSERT_EQ(values.status, 0) << label << ": " << values.output.substr(0, 80);
    const std::string first = values.output.substr(0, values.output.find('\n'));
    const int count = std::stoi(first.substr(6));
    EXPECT_GT(count, 1000);
    ++checked;
  }
  EXPECT_GE(checked, 29 + 16);
}

}  // namespace

namespace {

// kivo-render as a program: a picture of the requested size, and clear failures.
TEST(KivoRender, PicturesAndFailures) {
  TempDir dir;
  TinyProduct p(dir.file("r.h5"));
  p.head("AMSR2-L1B", 0);
  p.data("Latitude of Observation Point for 89A", Stored::F32, {1, 2}, std::vector<float>{10.0f, 20.0f});
  p.data("Longitude of Observation Point for 89A", Stored::F32, {1, 2}, std::vector<float>{20.0f, 30.0f});
  p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, 2}, std::vector<unsigned short>{20000, 25000}, 0.01f);
  const std::string product = p.close();
  const std::string out = dir.file("out.png");
  for (const char* projection : {"EQR", "PN", "PS", "PNS", "ORTHO", "MER"}) {
    std::filesystem::remove(out);
    const CommandResult r =
        runProgram("kivo-render", {product, "--channel", "20", "--projection", projection, "--size", "320", "240", "-o", out});
    EXPECT_EQ(r.status, 0) << projection;
    const std::string png = kivo::test::readBytes(out);
    ASSERT_GT(png.size(), 24u) << projection;
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height of the PNG header, big-endian.
    const auto be32 = [&](std::size_t at) {
      return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
             (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
             (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
             static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_EQ(be32(16), 320u);
    EXPECT_EQ(be32(20), 240u);
  }
  EXPECT_EQ(runProgram("kivo-render", {product, "--channel", "20", "--zoom", "8", "--grid-mode", "--centre", "20", "10",
                                       "-o", out})
                .status,
            0);
  EXPECT_EQ(runProgram("kivo-render", {product, "--channel", "1", "-o", out}).status, 1);       // no such channel
  EXPECT_EQ(runProgram("kivo-render", {dir.file("none.h5"), "--channel", "20", "-o", out}).status, 1);
  EXPECT_EQ(runProgram("kivo-render", {product, "--channel", "20", "-o", dir.file("no/folder/x.png")}).status, 1);
  EXPECT_EQ(runProgram("kivo-render", {product, "--channel", "20"}).status, 2);                 // no output
  EXPECT_EQ(runProgram("kivo-render", {product, "--channel", "20", "--projection", "XYZ", "-o", out}).status, 2);
  EXPECT_EQ(runProgram("kivo-render", {product, "--channel", "20", "--zoom", "0.5", "-o", out}).status, 2);
}

}  // namespace
