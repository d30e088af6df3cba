// The coastline store: both byte orders and both header sizes, refusal of malformed files,
// truncation, slot handling, and the shoreline files the build makes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "map/coastline_store.h"
#include "temp_dir.h"

namespace {

using kivo::map::CoastlineSlot;
using kivo::map::CoastlineStore;
using kivo::map::CoastPoint;
using kivo::map::kMapLoadFailed;
using kivo::map::kMapLoadOk;

struct Record {
  std::int32_t id;
  std::vector<CoastPoint> points;
};

enum class Shape { Big32, Little32, Big44 };

struct Layout {
  Shape shape;
  int version;
  int greenwich;  // bits 16-23 of the flag
};

void put(std::string& out, std::int32_t value, bool big) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) {
    const int shift = big ? 24 - 8 * i : 8 * i;
    out.push_back(static_cast<char>((v >> shift) & 0xFFu));
  }
}

// One record; `n` overrides the point count written in the header.
std::string record(const Record& r, const Layout& layout, std::int64_t n = -1) {
  const bool big = layout.shape != Shape::Little32;
  std::string out;
  put(out, r.id, big);
  put(out, static_cast<std::int32_t>(n >= 0 ? n : static_cast<std::int64_t>(r.points.size())), big);
  put(out, 1 | (layout.version << 8) | (layout.greenwich << 16) | (1 << 24), big);
  for (std::int32_t extent : {-1000, 1000, -2000, 2000, 77}) put(out, extent, big);  // west .. area
  if (layout.shape == Shape::Big44) {
    for (std::int32_t extra : {77, -1, -1}) put(out, extra, big);  // area_full, container, ancestor
  }
  for (const CoastPoint& p : r.points) {
    put(out, p.lon, big);
    put(out, p.lat, big);
  }
  return out;
}

std::string file(const std::vector<Record>& records, const Layout& layout) {
  std::string out;
  for (const Record& r : records) out += record(r, layout);
  return out;
}

// Coordinates whose four bytes all differ, so that a wrong byte order cannot go unnoticed.
const std::vector<Record> kRecords = {
    {0, {{0x01020304, -0x05060708}, {-179'999'999, 89'000'001}, {359'000'000, -90'000'000}}},
    {1, {{12'345'678, 23'456'789}}},
    {2, {{-1, 1}, {2, -2}}},
};

void expectSlotHolds(const CoastlineSlot& slot, const std::vector<Record>& records) {
  ASSERT_EQ(slot.polygonCount(), static_cast<int>(records.size()));
  std::size_t total = 0;
  for (const Record& r : records) {
    ASSERT_EQ(slot.pointCount(r.id), static_cast<std::int32_t>(r.points.size())) << "polygon " << r.id;
    const CoastPoint* p = slot.points(r.id);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::vector<CoastPoint>(p, p + r.points.size()), r.points) << "polygon " << r.id;
    total += r.points.size();
  }
  EXPECT_EQ(slot.totalPoints(), total);
}

TEST(CoastlineStore, EveryFileLayoutLoadsTheSameSlot) {
  const struct {
    const char* name;
    Layout layout;
  } cases[] = {
      {"big-endian, version 3", {Shape::Big32, 3, 0}},
      {"little-endian, version 6", {Shape::Little32, 6, 0}},
      // Distributed 1.x files carry version 6 big-endian; read little-endian their version
      // byte is the Greenwich byte, so they are still swapped.
      {"big-endian, version 6, crossing Greenwich", {Shape::Big32, 6, 1}},
      {"GSHHG 2.x, 44-byte headers", {Shape::Big44, 12, 0}},
  };
  kivo::test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("map.b");
    kivo::test::writeBytes(path, file(kRecords, c.layout));
    CoastlineStore store;
    ASSERT_EQ(store.loadMapFile(1, path), kMapLoadOk);
    ASSERT_EQ(store.loadMapFile(2, path), kMapLoadOk);
    expectSlotHolds(store.slot(1), kRecords);
    expectSlotHolds(store.slot(2), kRecords);
    EXPECT_EQ(store.slot(1).allPoints(), store.slot(2).allPoints());
  }
}

TEST(CoastlineStore, PolygonsAreFoundByIdWhateverTheirOrder) {
  // Ids with gaps and out of order: the count follows the highest id, missing ids are empty.
  const std::vector<Record> records = {{5, {{1, 1}, {2, 2}}}, {0, {{3, 3}}}, {2, {{4, 4}, {5, 5}, {6, 6}}}};
  kivo::test::TempDir dir;
  const std::string path = dir.file("gaps.b");
  kivo::test::writeBytes(path, file(records, {Shape::Big32, 3, 0}));
  CoastlineStore store;
  ASSERT_EQ(store.loadMapFile(1, path), kMapLoadOk);
  const CoastlineSlot& slot = store.slot(1);
  EXPECT_EQ(slot.polygonCount(), 6);
  for (const Record& r : records) {
    ASSERT_EQ(slot.pointCount(r.id), static_cast<std::int32_t>(r.points.size()));
    EXPECT_EQ(slot.points(r.id)[0], r.points[0]);
  }
  for (int id : {-1, 1, 3, 4, 6, 1000}) {
    EXPECT_EQ(slot.pointCount(id), 0) << id;
    EXPECT_EQ(slot.points(id), nullptr) << id;
  }
  // File order is kept in the concatenated points.
  EXPECT_EQ(slot.allPoints().front(), (CoastPoint{1, 1}));
  EXPECT_EQ(slot.allPoints().back(), (CoastPoint{6, 6}));
}

TEST(CoastlineStore, TruncatedFiles) {
  const std::string big = file(kRecords, {Shape::Big32, 3, 0});
  const std::string wide = file(kRecords, {Shape::Big44, 12, 0});
  const std::size_t firstTwo = 32 + 3 * 8 + 32 + 8;
  const std::size_t firstTwoWide = 44 + 3 * 8 + 44 + 8;
  const std::vector<Record> firstTwoRecords(kRecords.begin(), kRecords.begin() + 2);
  // A file cut inside a polygon's points keeps the points it holds.
  const std::vector<Record> lastCut = {kRecords[0], kRecords[1], {2, {kRecords[2].points[0]}}};
  const std::vector<Record> firstCut = {{0, {kRecords[0].points[0]}}};
  const struct {
    const char* name;
    std::string bytes;
    int result;
    std::vector<Record> holds;  // when loaded
  } cases[] = {
      {"empty file", "", kMapLoadFailed, {}},
      {"inside the first header", big.substr(0, 31), kMapLoadFailed, {}},
      {"inside the first 44-byte header", wide.substr(0, 40), kMapLoadFailed, {}},
      {"at a record boundary", big.substr(0, firstTwo), kMapLoadOk, firstTwoRecords},
      {"inside the last header", big.substr(0, firstTwo + 20), kMapLoadOk, firstTwoRecords},
      {"inside the last 44-byte header", wide.substr(0, firstTwoWide + 40), kMapLoadOk, firstTwoRecords},
      {"inside the last points", big.substr(0, big.size() - 4), kMapLoadOk, lastCut},
      {"inside the last points of 44-byte headers", wide.substr(0, wide.size() - 4), kMapLoadOk, lastCut},
      {"inside the first points", big.substr(0, 32 + 8 + 5), kMapLoadOk, firstCut},
  };
  kivo::test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("cut.b");
    kivo::test::writeBytes(path, c.bytes);
    CoastlineStore store;
    ASSERT_EQ(store.loadMapFile(1, path), c.result);
    if (c.result == kMapLoadOk) {
      expectSlotHolds(store.slot(1), c.holds);
    } else {
      EXPECT_TRUE(store.slot(1).empty());
    }
  }
}

// Later headers are read with the layout of the first, whatever their version byte; a point
// count that runs past the end of the file is a file cut off inside that polygon.
TEST(CoastlineStore, LaterHeadersFollowTheFirst) {
  const Layout layout{Shape::Big32, 3, 0};
  const Record two{1, {{1, 2}, {3, 4}}};
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"later header of another version", record(kRecords[0], layout) + record(two, {Shape::Big32, 4, 0})},
      {"later header of a long-header version", record(kRecords[0], layout) + record(two, {Shape::Big32, 12, 0})},
      {"point count beyond the file", record(kRecords[0], layout) + record(two, layout, 3)},
      {"largest point count", record(kRecords[0], layout) + record(two, layout, 0x7FFFFFFFll)},
  };
  kivo::test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("later.b");
    kivo::test::writeBytes(path, c.bytes);
    CoastlineStore store;
    ASSERT_EQ(store.loadMapFile(1, path), kMapLoadOk);
    expectSlotHolds(store.slot(1), {kRecords[0], two});
  }
}

TEST(CoastlineStore, RefusesMalformedHeaders) {
  const Layout layout{Shape::Big32, 3, 0};
  const std::string good = record(kRecords[0], layout);
  const Record two{1, {{1, 2}, {3, 4}}};
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"negative point count", good + record(two, layout, 0xFFFFFFFFll)},
      {"negative id", good + record({-1, two.points}, layout)},
      {"id beyond the bound", good + record({kivo::map::kMaxPolygonId + 1, two.points}, layout)},
      {"largest id", record({0x7FFFFFFF, two.points}, layout)},
      {"44-byte file read as 32-byte headers", file(kRecords, {Shape::Big32, 12, 0})},
  };
  kivo::test::TempDir dir;
  const std::string goodPath = dir.file("good.b");
  kivo::test::writeBytes(goodPath, file(kRecords, layout));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("bad.b");
    kivo::test::writeBytes(path, c.bytes);
    CoastlineStore store;
    ASSERT_EQ(store.loadMapFile(1, goodPath), kMapLoadOk);
    EXPECT_EQ(store.loadMapFile(1, path), kMapLoadFailed);
    // A failed load leaves the slot without polygons rather than with the earlier file.
    EXPECT_TRUE(store.slot(1).empty());
    EXPECT_EQ(store.slot(1).totalPoints(), 0u);
  }
  // The largest id accepted still loads.
  const std::string path = dir.file("edge.b");
  kivo::test::writeBytes(path, record({kivo::map::kMaxPolygonId, two.points}, layout));
  CoastlineStore store;
  ASSERT_EQ(store.loadMapFile(2, path), kMapLoadOk);
  EXPECT_EQ(store.polygonCount(2), kivo::map::kMaxPolygonId + 1);
  EXPECT_EQ(store.pointCount(2, kivo::map::kMaxPolygonId), 2);
}

TEST(CoastlineStore, SlotsAndUnreadableFiles) {
  kivo::test::TempDir dir;
  const std::string path = dir.file("map.b");
  kivo::test::writeBytes(path, file(kRecords, {Shape::Big32, 3, 0}));
  CoastlineStore store;
  ASSERT_EQ(store.loadMapFile(1, path), kMapLoadOk);
  ASSERT_EQ(store.loadMapFile(2, path), kMapLoadOk);

  for (int slot : {0, 3, -1}) {
    EXPECT_EQ(store.loadMapFile(slot, path), kMapLoadFailed) << slot;
    store.freeMapFile(slot);
    EXPECT_TRUE(store.slot(slot).empty()) << slot;
    EXPECT_EQ(store.points(slot, 0), nullptr) << slot;
  }
  EXPECT_EQ(store.polygonCount(1), 3);
  EXPECT_EQ(store.polygonCount(2), 3);

  store.freeMapFile(1);
  EXPECT_TRUE(store.slot(1).empty());
  EXPECT_EQ(store.pointCount(1, 0), 0);
  EXPECT_EQ(store.polygonCount(2), 3);

  EXPECT_EQ(store.loadMapFile(1, dir.file("missing.b")), kMapLoadFailed);
  std::filesystem::create_directory(dir.file("folder.b"));
  EXPECT_EQ(store.loadMapFile(1, dir.file("folder.b")), kMapLoadFailed);
  EXPECT_EQ(store.loadMapFile(1, "/dev/zero"), kMapLoadFailed);
  ASSERT_EQ(::mkfifo(dir.file("fifo.b").c_str(), 0600), 0);
  EXPECT_EQ(store.loadMapFile(1, dir.file("fifo.b")), kMapLoadFailed);  // refused, not waited on
}

// The files the build makes from GMT's shorelines, when gmt was there to make them.
TEST(CoastlineStoreFiles, GeneratedShorelinesLoad) {
  const std::string crude = std::string(KIVO_BIN_DIR) + "/Map/gshhs_c.b";
  const std::string intermediate = std::string(KIVO_BIN_DIR) + "/Map/gshhs_i.b";
  if (!std::filesystem::exists(crude)) GTEST_SKIP() << crude << " was not made (no gmt)";
  CoastlineStore store;
  ASSERT_EQ(store.loadMapFile(1, crude), kMapLoadOk);
  const CoastlineSlot& slot = store.slot(1);
  EXPECT_GT(slot.polygonCount(), 1000);
  EXPECT_LT(slot.polygonCount(), 10000);
  EXPECT_GT(slot.totalPoints(), 5000u);
  EXPECT_LT(slot.totalPoints(), 100000u);
  for (const CoastPoint& p : slot.allPoints()) {
    ASSERT_TRUE(p.lon >= -180'000'000 && p.lon <= 180'000'000 && p.lat >= -90'000'000 && p.lat <= 90'000'000)
        << p.lon << " " << p.lat;
  }
  for (int id = 0; id < slot.polygonCount(); ++id) ASSERT_GE(slot.pointCount(id), 2) << id;

  if (!std::filesystem::exists(intermediate)) return;
  ASSERT_EQ(store.loadMapFile(2, intermediate), kMapLoadOk);
  EXPECT_GT(store.slot(2).totalPoints(), 10 * slot.totalPoints());
}

}  // namespace
