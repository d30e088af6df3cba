// The shoreline converter: reading GMT's segment text, the GSHHS headers it writes, and files
// that the coastline store loads back.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "coastline_convert.h"
#include "map/coastline_store.h"
#include "temp_dir.h"

namespace {

using kivo::tools::ShorePoint;
using kivo::tools::ShorePolygon;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Parses `text` both from memory and through a file, and expects both to agree.
int parseBoth(const std::string& text, std::vector<ShorePolygon>& polygons, std::string& problem,
              const kivo::tools::SegmentLimits& limits = {}) {
  kivo::test::TempDir dir;
  const std::string path = dir.file("segments.txt");
  kivo::test::writeBytes(path, text);
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
  std::vector<ShorePolygon> fromStream;
  std::string streamProblem;
  const int streamRc = kivo::tools::parseSegmentStream(in.get(), fromStream, streamProblem, limits);
  const int rc = kivo::tools::parseSegmentText(text, polygons, problem, limits);
  EXPECT_EQ(rc, streamRc) << text;
  EXPECT_EQ(problem, streamProblem);
  EXPECT_EQ(polygons.size(), fromStream.size());
  return rc;
}

// As `gmt coast -Rd -Dc -W -M` prints it, with a few variations GMT may also produce.
const char* const kSegments =
    "# comment\n"
    "1.5 2.25\n"  // before any header: a polygon of level 1
    "-1.5 -2.25\n"
    "> Shore Bin # 0, Level 2\n"
    "20\t79.1593805\r\n"
    "  190,-0.0000004\n"  // east of 180 is brought to the west, comma separated, leading blanks
    "180 90 extra columns\n"
    ">\n"  // a header without points is dropped
    "> Shore Bin # 1, Level 3\n"
    "\n"
    "-180 -90\n"
    "-359.5 0.5\n";

TEST(CoastlineTool, ParsesSegmentText) {
  std::vector<ShorePolygon> polygons;
  std::string problem;
  ASSERT_EQ(parseBoth(kSegments, polygons, problem), kivo::tools::kCoastOk) << problem;
  ASSERT_EQ(polygons.size(), 3u);
  EXPECT_EQ(polygons[0].level, 1);
  EXPECT_EQ(polygons[0].points, (std::vector<ShorePoint>{{1'500'000, 2'250'000}, {-1'500'000, -2'250'000}}));
  EXPECT_EQ(polygons[1].level, 2);
  EXPECT_EQ(polygons[1].points,
            (std::vector<ShorePoint>{{20'000'000, 79'159'381}, {-170'000'000, 0}, {180'000'000, 90'000'000}}));
  EXPECT_EQ(polygons[2].level, 3);
  EXPECT_EQ(polygons[2].points, (std::vector<ShorePoint>{{-180'000'000, -90'000'000}, {500'000, 500'000}}));
}

TEST(CoastlineTool, RefusesBadText) {
  using namespace kivo::tools;
  const std::string longLine = "1 " + std::string(100, '0') + "1\n";
  const struct {
    const char* name;
    std::string text;
    int result;
    SegmentLimits limits;
  } cases[] = {
      {"no points", "", kCoastEmpty, {}},
      {"headers only", "# c\n> Level 1\n>\n", kCoastEmpty, {}},
      {"words", "> x\nten twenty\n", kCoastMalformed, {}},
      {"one number", "10\n", kCoastMalformed, {}},
      {"glued to text", "10 20abc\n", kCoastMalformed, {}},
      {"not finite", "nan 0\n", kCoastMalformed, {}},
      {"latitude beyond the pole", "10 90.5\n", kCoastMalformed, {}},
      {"longitude beyond a turn", "360.5 0\n", kCoastMalformed, {}},
      {"line too long", "1 2\n" + longLine, kCoastTooLarge, {30'000'000, 10'000'000, 64}},
      {"too many points", "1 2\n3 4\n5 6\n", kCoastTooLarge, {2, 10, 4096}},
      {"too many polygons", ">\n1 2\n>\n3 4\n", kCoastTooLarge, {10, 1, 4096}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<ShorePolygon> polygons;
    std::string problem;
    EXPECT_EQ(parseBoth(c.text, polygons, problem, c.limits), c.result);
    EXPECT_FALSE(problem.empty());
  }
  // The message names the line at fault.
  std::vector<ShorePolygon> polygons;
  std::string problem;
  parseSegmentText("> a\n1 2\n3 x\n", polygons, problem);
  EXPECT_NE(problem.find("line 3"), std::string::npos) << problem;
}

TEST(CoastlineTool, HeaderFields) {
  // A 1 x 1 degree square on the equator east of Greenwich: R^2 * dlon * sin(1 deg) ~ 12363.6 km^2.
  const ShorePolygon square{1, {{0, 0}, {1'000'000, 0}, {1'000'000, 1'000'000}, {0, 1'000'000}}};
  auto h = kivo::tools::makeHeader(7, square);
  EXPECT_EQ(h.id, 7);
  EXPECT_EQ(h.n, 4);
  EXPECT_EQ(h.flag, 0x01000301);  // source WVS, no Greenwich crossing, version 3, level 1
  EXPECT_EQ(h.west, 0);
  EXPECT_EQ(h.east, 1'000'000);
  EXPECT_EQ(h.south, 0);
  EXPECT_EQ(h.north, 1'000'000);
  EXPECT_NEAR(h.area, 123636, 2);

  // The same square reversed and moved across Greenwich into the south, as a lake.
  const ShorePolygon lake{2, {{-500'000, -1'000'000}, {-500'000, 0}, {500'000, 0}, {500'000, -1'000'000}}};
  h = kivo::tools::makeHeader(0, lake);
  EXPECT_EQ(h.flag, 0x01010302);
  EXPECT_EQ(h.west, -500'000);
  EXPECT_EQ(h.east, 500'000);
  EXPECT_EQ(h.south, -1'000'000);
  EXPECT_EQ(h.north, 0);
  EXPECT_NEAR(h.area, 123636, 2);

  EXPECT_EQ(kivo::tools::makeHeader(0, ShorePolygon{1, {{0, 0}, {1'000'000, 1'000'000}}}).area, 0);
}

TEST(CoastlineTool, WrittenFilesLoadBack) {
  kivo::test::TempDir dir;
  const std::string text = dir.file("segments.txt");
  const std::string out = dir.file("gshhs.b");
  kivo::test::writeBytes(text, kSegments);
  kivo::test::writeBytes(out, "an older file");
  std::string problem;
  std::vector<ShorePolygon> polygons;
  ASSERT_EQ(kivo::tools::convertTextFile(text, out, problem, &polygons), kivo::tools::kCoastOk) << problem;

  const std::string bytes = kivo::test::readBytes(out);
  EXPECT_EQ(bytes.size(), 3 * 32 + (2 + 3 + 2) * 8u);
  // Big-endian header of the second polygon: id 1, 3 points, flag 0x01010302 (crosses 0 deg).
  const std::string second = bytes.substr(32 + 2 * 8, 12);
  EXPECT_EQ(second, std::string("\0\0\0\1\0\0\0\3\1\1\3\2", 12));

  kivo::map::CoastlineStore store;
  ASSERT_EQ(store.loadMapFile(1, out), kivo::map::kMapLoadOk);
  ASSERT_EQ(store.polygonCount(1), 3);
  for (int id = 0; id < 3; ++id) {
    const auto& expected = polygons[static_cast<std::size_t>(id)].points;
    ASSERT_EQ(store.pointCount(1, id), static_cast<std::int32_t>(expected.size()));
    for (std::size_t k = 0; k < expected.size(); ++k) {
      EXPECT_EQ(store.points(1, id)[k].lon, expected[k].lon);
      EXPECT_EQ(store.points(1, id)[k].lat, expected[k].lat);
    }
  }

  // A failed conversion leaves the earlier file and no temporary file behind.
  kivo::test::writeBytes(text, "1 2\nbad line\n");
  EXPECT_EQ(kivo::tools::convertTextFile(text, out, problem), kivo::tools::kCoastMalformed);
  EXPECT_EQ(kivo::test::readBytes(out), bytes);
  EXPECT_EQ(kivo::tools::convertTextFile(dir.file("missing.txt"), out, problem), kivo::tools::kCoastCannotRead);
  kivo::test::writeBytes(text, kSegments);
  EXPECT_EQ(kivo::tools::convertTextFile(text, dir.file("no/such/folder/x.b"), problem),
            kivo::tools::kCoastWriteFailed);
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.file(""))) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 2);  // segments.txt and gshhs.b
}

TEST(CoastlineTool, RunsGmtInAPrivateFolder) {
  // Stand-ins for gmt: they print segments only for the expected arguments, and leave a
  // history file in their working folder as gmt does.
  const struct {
    const char* name;
    const char* script;
    int result;
  } cases[] = {
      {"prints segments",
       "case \"$*\" in *'coast -Rd -Di -W -M'*) ;; *) exit 5 ;; esac\n"
       "touch gmt.history\nprintf '> Shore Bin # 0, Level 2\\n1 2\\n3 4\\n'\n",
       kivo::tools::kCoastOk},
      {"fails", "printf '> x\\n1 2\\n3 4\\n'\nexit 3\n", kivo::tools::kCoastGmtFailed},
      {"prints nothing", "exit 0\n", kivo::tools::kCoastEmpty},
      {"prints garbage", "echo 'gmt: something went wrong'\n", kivo::tools::kCoastMalformed},
  };
  kivo::test::TempDir dir;
  const std::string fake = dir.file("fake gmt");  // a blank in the name tests the quoting
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kivo::test::writeBytes(fake, std::string("#!/bin/sh\n") + c.script);
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    std::vector<ShorePolygon> polygons;
    std::string problem;
    ASSERT_EQ(kivo::tools::readGmtShorelines(fake, 'i', polygons, problem), c.result) << problem;
    if (c.result == kivo::tools::kCoastOk) {
      ASSERT_EQ(polygons.size(), 1u);
      EXPECT_EQ(polygons[0].level, 2);
      EXPECT_EQ(polygons[0].points, (std::vector<ShorePoint>{{1'000'000, 2'000'000}, {3'000'000, 4'000'000}}));
    } else {
      EXPECT_TRUE(polygons.empty());
    }
    EXPECT_FALSE(std::filesystem::exists("gmt.history"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("gmt.history")));
  }
  std::vector<ShorePolygon> polygons;
  std::string problem;
  EXPECT_EQ(kivo::tools::readGmtShorelines(fake, 'x', polygons, problem), kivo::tools::kCoastCannotRead);
}

}  // namespace
