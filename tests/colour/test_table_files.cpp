// The colour table and look-up table files: what the writers produce and the reading rules.

#include <gtest/gtest.h>

#include <filesystem>

#include "colour/table_files.h"
#include "temp_dir.h"

using namespace kivo::colour;
using kivo::test::readBytes;
using kivo::test::TempDir;
using kivo::test::writeBytes;

namespace {

float value(const ComClrTblMng& t, int c, int k) {
  float v = 0;
  t.ComGetCntVal(c, k, &v);
  return v;
}
int intensity(const ComClrTblMng& t, int c, int k) {
  std::uint8_t i = 0;
  t.ComGetClrPrm(c, k, &i);
  return i;
}

class TableFiles : public ::testing::Test {
 protected:
  ComClrTblMng fivePoints() {
    ComClrTblMng t;
    t.ComSetPntNum(5);
    t.ComSetGrphType(kBarGraph);
    t.ComSetLogMode(1);
    for (int k = 0; k < kCapacity; k += 2) {
      for (int c = 0; c < kChannels; ++c) {
        t.ComSetCntVal(c, k, 100.0f + static_cast<float>(k) * (c + 1));
        t.ComSetClrPrm(c, k, static_cast<std::uint8_t>(k * 10 + c));
      }
    }
    return t;
  }
  TempDir dir;
};

TEST_F(TableFiles, ColourTableAsWrittenAndReadBack) {
  const ComClrTblMng t = fivePoints();
  ASSERT_EQ(writeColourTableFile(dir.file("t.clt"), t, "Brightness Temperature [K]", true), kFileOk);
  EXPECT_EQ(readBytes(dir.file("t.clt")),
            "// KIVO-S1 Meriview COLOR TABLE DEFINE\r\n"
            "N = 5\r\n"
            "GRAPH_MODE = 1\r\n"
            "LOG_MODE = ON\r\n"
            "REVERS_MODE = ON\r\n"
            "TITLE_NAME = Brightness Temperature [K]\r\n"
            "VAL = 100.000\tCOLOR =   0,  1,  2\r\n"
            "VAL = 102.000\tCOLOR =  20, 21, 22\r\n"
            "VAL = 104.000\tCOLOR =  40, 41, 42\r\n"
            "VAL = 106.000\tCOLOR =  60, 61, 62\r\n"
            "VAL = 108.000\tCOLOR =  80, 81, 82\r\n");
  EXPECT_EQ(readBytes(dir.file("t.clt")).find("\r\n"), 38u);  // a 40-byte first line

  ComClrTblMng back;
  TableFileExtras extras;
  ASSERT_EQ(readColourTableFile(dir.file("t.clt"), back, extras), kFileOk);
  EXPECT_EQ(back.ComGetPntNum(), 5);
  EXPECT_EQ(back.ComGetGrphType(), kBarGraph);
  EXPECT_EQ(back.ComGetLogMode(), 1);
  EXPECT_TRUE(extras.reverse);
  EXPECT_EQ(extras.title, "Brightness Temperature [K]");
  EXPECT_EQ(extras.pointChoice, 2);
  // Points at 0, 2, 4, 6, 8; the slots between hold copies of the slot before them; a colour
  // table gives the red values to every channel.
  for (int k = 0; k < kCapacity; ++k) {
    const int point = k / 2 * 2;
    EXPECT_FLOAT_EQ(value(back, 2, k), 100.0f + static_cast<float>(point)) << k;
    EXPECT_EQ(intensity(back, 1, k), point * 10 + 1) << k;
  }
}

TEST_F(TableFiles, LookupTableAsWrittenAndReadBack) {
  const ComClrTblMng t = fivePoints();
  ASSERT_EQ(writeLookupTableFile(dir.file("t.lut"), t), kFileOk);
  const std::string text = readBytes(dir.file("t.lut"));
  EXPECT_EQ(text.find("\r\n"), 33u);  // a 35-byte first line
  EXPECT_NE(text.find("N = 5\r\nGRAPH_MODE = 1\r\nLOG_MODE = ON\r\nVAL_R = 100.000\tCOLOR_R =   0\r\n"), std::string::npos);
  EXPECT_NE(text.find("VAL_B = 124.000\tCOLOR_B =  82\r\n"), std::string::npos);
  EXPECT_EQ(text.find("TITLE_NAME"), std::string::npos);
  ComClrTblMng back;
  TableFileExtras extras;
  ASSERT_EQ(readLookupTableFile(dir.file("t.lut"), back, extras), kFileOk);
  for (int c = 0; c < kChannels; ++c) {
    for (int k = 0; k < kCapacity; ++k) {
      const int point = k / 2 * 2;
      EXPECT_FLOAT_EQ(value(back, c, k), 100.0f + static_cast<float>(point * (c + 1))) << c << " " << k;
      EXPECT_EQ(intensity(back, c, k), point * 10 + c);
    }
  }
}

TEST_F(TableFiles, ReadingRules) {
  // N = 3 with three point lines fills slots 0-3, 4-7 and 8; "10" selects Line Graph.
  writeBytes(dir.file("three.clt"),
             "N = 3\nGRAPH_MODE = 10\nVAL = 1.5\tCOLOR = 1,2,3\nVAL = 2.5\tCOLOR =  4, 5, 6\nVAL = 3.5\tCOLOR = 7,8,9\n"
             "VAL = 9\tCOLOR = 9,9,9\nTITLE_NAME = no line end");
  ComClrTblMng t;
  t.ComSetGrphType(kBarGraph);
  TableFileExtras extras;
  ASSERT_EQ(readColourTableFile(dir.file("three.clt"), t, extras), kFileOk);
  EXPECT_EQ(t.ComGetGrphType(), kLineGraph);
  EXPECT_FLOAT_EQ(value(t, 0, 3), 1.5f);
  EXPECT_FLOAT_EQ(value(t, 1, 4), 2.5f);
  EXPECT_FLOAT_EQ(value(t, 2, 8), 3.5f);  // the fourth point line has no slot left
  EXPECT_EQ(intensity(t, 2, 7), 6);
  EXPECT_EQ(extras.title, "no line end");
  EXPECT_FALSE(extras.reverseRead);

  // Ten red lines under N = 9: the tenth is ignored; bad numbers give 0, an invalid N keeps N,
  // intensities keep their low 8 bits, an overlong line is read in pieces.
  std::string lut = "N = 7\n";
  for (int i = 0; i < 10; ++i) lut += "VAL_R = " + std::to_string(i) + "\tCOLOR_R = " + std::to_string(300 + i) + "\n";
  lut += "VAL_G = abc\tCOLOR_G = x\n" + std::string(1000, 'z') + "\nVAL_B = 5\tCOLOR_B = 7\n";
  writeBytes(dir.file("ten.lut"), lut);
  ComClrTblMng l;
  l.ComSetCntVal(1, 1, 42.0f);
  ASSERT_EQ(readLookupTableFile(dir.file("ten.lut"), l, extras), kFileOk);
  EXPECT_EQ(l.ComGetPntNum(), 9);
  EXPECT_FLOAT_EQ(value(l, 0, 8), 8.0f);
  EXPECT_EQ(intensity(l, 0, 8), 308 & 0xFF);
  EXPECT_FLOAT_EQ(value(l, 1, 0), 0.0f);
  EXPECT_FLOAT_EQ(value(l, 1, 1), 42.0f);  // untouched
  EXPECT_FLOAT_EQ(value(l, 2, 0), 5.0f);

  // A missing file leaves the table as it was.
  EXPECT_EQ(readColourTableFile(dir.file("missing.clt"), l, extras), kFileCannotOpen);
  EXPECT_FLOAT_EQ(value(l, 0, 8), 8.0f);
  EXPECT_EQ(writeColourTableFile(dir.file("no/such/folder/x.clt"), l, "", false), kFileWriteFailed);
}

// The sample tables shipped with the installation read back as sensible tables.
TEST(SampleTables, EveryShippedTableReads) {
  int tables = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(KIVO_DATA_DIR) + "/Sample_Table")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".clt" && ext != ".lut") continue;
    SCOPED_TRACE(entry.path().string());
    ComClrTblMng t;
    TableFileExtras extras;
    const int rc = ext == ".clt" ? readColourTableFile(entry.path().string(), t, extras)
                                 : readLookupTableFile(entry.path().string(), t, extras);
    ASSERT_EQ(rc, kFileOk);
    EXPECT_GE(extras.pointChoice, 0);
    if (ext == ".clt") {
      EXPECT_FALSE(extras.title.empty());
    }
    for (int c = 0; c < kChannels; ++c) {
      EXPECT_GT(value(t, c, 8), value(t, c, 0));  // ascending count values
      EXPECT_GT(t.runCount(c), 1);
    }
    ++tables;
  }
  EXPECT_GE(tables, 20);
}

}  // namespace
