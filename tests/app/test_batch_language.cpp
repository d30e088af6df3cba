// The batch language as text: command lines read into requests, records written back as
// history lines, and a history line read back giving the same request.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/batch/batch_language.h"
#include "product_model/catalogue.h"

namespace app = kivo::app;

namespace {

constexpr int deg(double d) { return static_cast<int>(d * 1000000.0); }

struct LineCase {
  const char* line;
  int result;
};

TEST(BatchLanguage, ResultsOfLines) {
  const LineCase cases[] = {
      // Keywords, option words, product word, channel code and ON/OFF ignore case; level codes do not.
      {"viewhdf /t AMSR2 /l L1B /s 89av /i files.txt /v on", 0},
      {"viewhdf /t AMSR2 /l l1b /s 89av /i files.txt /v on", 2},
      {"VIEWHDF /T AMSR2 /L L1B /S 89AH /V ON", 2},                        // no /I
      {"VIEWHDF /T AMSR2 /L L1B /S 89AH /RGB 36V 18V 89AV /I f.txt", 2},  // /S and /RGB
      {"VIEWHDF /T AMSR2 /T AMSR2 /L L1B /S 89AH /I f.txt", 2},           // repeated option
      {"VIEWHDF /T AMSR2 /L L1B /S 89AH /I f.txt /V MAYBE", 2},
      {"VIEWHDF /T AMSR2 /L L1B /I f.txt", 2},  // no channel
      {"VIEWHDF /T AMSR2 /L L1B /S 89AH /Q unknown words /I f.txt", 0},
      {"OUTIMG /F GIF /O a", 2},
      {"OUTIMG /O a.png", 2},
      {"OUTIMG /F PNG /O", 2},
      {"OUTCSV /R 10 120 40 /O a.csv", 2},
      {"OUTCSV /R 10  120 40 150 /O a.csv", 2},
      {"OUTCSV /R x 120 40 150 /O a.csv", 2},
      {"OUTCSV /R 1e30 120 40 150 /O a.csv", 2},
      {"OUTBIN /O a.bin /O b.bin", 2},
      {"CHANGEMAP /Z 4 /C 35.5 139.25 /M XX", 2},
      {"CHANGEMAP /C 35.5 139.25 /M PS", 2},
      {"CHANGEMAP /Z x /C 35.5 139.25 /M PS", 2},
      {"CHANGEMAP /Z 4 /C 1e300 0 /M PS", 2},
      {"CHANGEMAP /Z 99999999999 /C 1 1 /M PS", 2},
      {"OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH /I l.txt /O m", 0},
      {"OUTMOV /T AMSR2 /L L1B /F AVI /RGB 36V 18V 89AV /I l.txt /O m", 2},  // no /RGB for movies
      {"OUTMOV /T AMSR2 /L L1B /F MP4 /S 89AH /I l.txt /O m", 2},
      {"NOSPACES", 2},
      {"", 2},
      {"FOO /T x", 2},
      {"\x01\x02\xff\xfe binary", 2},
  };
  for (const LineCase& c : cases) {
    app::BtchRequest request;
    EXPECT_EQ(app::parseCommandLine(c.line, request), c.result) << c.line;
  }
}

TEST(BatchLanguage, ValuesOfRequests) {
  app::BtchRequest r;
  ASSERT_EQ(app::parseCommandLine("viewhdf /t amsr2 /l L1B /s 89av /i files.txt /v off", r), 0);
  EXPECT_EQ(r.kind, app::kBtchViewHdf);
  EXPECT_EQ(r.open.productWord, "amsr2");
  EXPECT_EQ(r.open.levelWord, "Level 1B");
  EXPECT_EQ(r.open.channels[0], "89av");
  EXPECT_EQ(app::channelNameOfCode(r.open.channels[0]), kivo::catalogue::channelName(19));
  EXPECT_EQ(r.open.fileListName, "files.txt");
  EXPECT_FALSE(r.open.view);

  // Values read up to the next option may hold spaces and the slashes of paths.
  ASSERT_EQ(app::parseCommandLine("OUTHDF /T AMSR2 /L L1B /S 89AH /I /data/my lists/a b.txt /R 10 120 40 150 /O x.h5", r), 0);
  EXPECT_EQ(r.hdf.open.fileListName, "/data/my lists/a b.txt");
  EXPECT_TRUE(r.hdf.areaGiven);
  EXPECT_EQ(r.hdf.area.lat2, deg(10));
  EXPECT_EQ(r.hdf.area.lon1, deg(120));
  EXPECT_EQ(r.hdf.area.lat1, deg(40));
  EXPECT_EQ(r.hdf.area.lon2, deg(150));
  EXPECT_EQ(r.hdf.path, "x.h5");

  // The area is kept in single precision before it is scaled and truncated.
  ASSERT_EQ(app::parseCommandLine("OUTBIN /R -0.1 139.7 35.6 .5 /O b.bin", r), 0);
  EXPECT_EQ(r.binary.area.lat2, static_cast<int>(-0.1f * 1000000.0f));
  EXPECT_EQ(r.binary.area.lon1, static_cast<int>(139.7f * 1000000.0f));
  EXPECT_EQ(r.binary.area.lon2, 500000);

  ASSERT_EQ(app::parseCommandLine("changemap /z 4 /c 35.5 139.25 /m PS", r), 0);
  EXPECT_EQ(r.map.magnification, 4.0);
  EXPECT_EQ(r.map.centreLat, deg(35.5));
  EXPECT_EQ(r.map.centreLon, deg(139.25));
  EXPECT_EQ(app::projectionOfName(r.map.projectionName), 2);
  EXPECT_FALSE(r.map.windowSizeGiven);

  // Output names get the extension of their format unless they have it in any letter case.
  const std::pair<const char*, const char*> names[] = {{"OUTIMG /F jpeg /O out", "out.jpg"},
                                                       {"OUTIMG /F TIFF /O a.TIF", "a.TIF"},
                                                       {"OUTIMG /F JPEG /O a.Jpeg", "a.Jpeg"},
                                                       {"OUTIMG /F PNG /O dir.x/a", "dir.x/a.png"},
                                                       {"OUTIMG /F BMP /O a.png", "a.png.bmp"}};
  for (const auto& [line, path] : names) {
    ASSERT_EQ(app::parseCommandLine(line, r), 0) << line;
    EXPECT_EQ(r.image.path, path) << line;
  }

  // Level 3 composites name no channels: the codes are skipped as unknown words.
  ASSERT_EQ(app::parseCommandLine("VIEWHDF /T AMSR2 /L L3 /RGB 36V 36H 89AV /I x.txt", r), 0);
  EXPECT_EQ(r.open.composite, 1);
  EXPECT_EQ(r.open.channels[0], "");
  // An option word needs the space after it: a last "/G" is no flag.
  ASSERT_EQ(app::parseCommandLine("OUTCSV /O a.csv /G", r), 0);
  EXPECT_FALSE(r.csv.withLatLon);
  // "/S" followed by the next option leaves the channel empty.
  ASSERT_EQ(app::parseCommandLine("VIEWHDF /T AMSR2 /L L2 /S /I x.txt", r), 0);
  EXPECT_EQ(r.open.channels[0], "");
}

TEST(BatchLanguage, CodeTables) {
  EXPECT_EQ(app::channelCodeOf(20), "89AH");
  EXPECT_EQ(app::channelCodeOf(75), "89B-3");
  EXPECT_EQ(app::channelCodeOf(23), "");
  EXPECT_EQ(app::channelIndexOfCode("89b-3"), 75);
  EXPECT_EQ(app::channelIndexOfCode("89X"), -1);
  for (int i = 1; i < 100; ++i) {
    const std::string code = app::channelCodeOf(i);
    if (code.empty()) continue;
    EXPECT_EQ(app::channelCodeOfName(kivo::catalogue::channelName(i)), code) << i;
  }
  EXPECT_EQ(app::levelWordOfCode("L1BMap"), "Level 1M");
  EXPECT_EQ(app::levelCodeOfWord("Level 2 Map"), "L2Map");
  EXPECT_EQ(app::levelCodeOfWord("level 2 map"), "");
}

// Each history line read back and written again is the same line.
TEST(BatchLanguage, HistoryLinesReadBackToThemselves) {
  const char* lines[] = {
      "VIEWHDF /T AMSR2 /L L1B /S 89AH  /I KIVOFileList_12111630.txt /V ON",
      "VIEWHDF /T AMSR2 /L L1R /RGB 36V 18V 89AV /M PN /C rainbow 2.lut /I KIVOFileList_12111630.txt /V OFF",
      "OUTIMG /R 9.000 19.000 12.000 22.000 /F PNG /O /tmp/a.png",
      "OUTIMG  /F JPEG /O /tmp/a.jpg",
      "OUTCSV  /G /O /tmp/a.csv",
      "OUTCSV /R -9.500 19.250 12.000 -22.125 /O /tmp/a.csv",
      "OUTBIN /R 9.000 19.000 12.000 22.000 /O /tmp/b.bin",
      "CHANGEMAP /Z 4 /C 35.500 139.250 /W 800 550 /M PS",
      "CHANGEMAP /Z 1 /C -90.000 -180.000 /M EQR",
      "OUTHDF /T AMSR2 /L L1B /S 89AH  /I KIVOFileList_x.txt /V ON /R 9.000 19.000 12.000 22.000 /O /tmp/c.h5",
      "OUTHDF /T AMSR2 /L L2 /S   /I KIVOFileList_x.txt /V ON  /O /tmp/c.h5",
      "OUTMOV /T AMSR2 /L L1B /F AVI /S 89AH   /I KIVOMovFileList_x.txt /O /tmp/m.avi",
      "OUTMOV /T AMSR-E /L L3 /F KMZ /S 36V   /C jet.clt /I KIVOMovFileList_x.txt /O /tmp/m.kmz",
  };
  for (const char* line : lines) {
    app::BtchRequest r;
    ASSERT_EQ(app::parseCommandLine(line, r), 0) << line;
    std::string again;
    switch (r.kind) {
      case app::kBtchViewHdf:
        app::channelsToNames(r.open.channels);
        again = app::historyLine(r.open);
        break;
      case app::kBtchOutImg:
        r.image.format -= 1;  // history records count from 0
        again = app::historyLine(r.image);
        break;
      case app::kBtchOutCsv: again = app::historyLine(r.csv); break;
      case app::kBtchOutBin: again = app::historyLine(r.binary); break;
      case app::kBtchChangeMap: again = app::historyLine(r.map); break;
      case app::kBtchOutHdf:
        app::channelsToNames(r.hdf.open.channels);
        again = app::historyLine(r.hdf);
        break;
      case app::kBtchOutMov:
        app::channelsToNames(r.movie.channels);
        again = app::historyLine(r.movie);
        break;
      default: FAIL() << line;
    }
    EXPECT_EQ(again, line);
  }
}

TEST(BatchLanguage, RecordsWithoutLevelCodeLeaveNoLine) {
  app::BtchOpnRec open;
  open.productWord = "AMSR2";
  open.levelWord = "Level 9";
  open.channels[0] = kivo::catalogue::channelName(20);
  open.fileListName = "x.txt";
  EXPECT_EQ(app::historyLine(open), "");
  open.levelWord = "Level 1B";
  open.channels[0] = "no such channel";  // a name without a code is written as an empty code
  EXPECT_EQ(app::historyLine(open), "VIEWHDF /T AMSR2 /L L1B /S   /I x.txt /V ON");
  EXPECT_EQ(app::errorLine("OUTIMG /F PNG"), "ERROR OUTIMG /F PNG");
}

}  // namespace
