// Statistics of a product for its colour tables, and the table chooser's list and loading.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "colour/table_chooser.h"
#include "colour/table_statistics.h"
#include "temp_dir.h"
#include "tiny_product.h"

using namespace kivo::colour;
namespace model = kivo::model;
using kivo::test::Stored;
using kivo::test::TempDir;
using kivo::test::TinyProduct;

namespace {

constexpr int k89AH = 20;

int registerAndLoad(model::ComPrdctMngmnt& object, const std::string& path, int chnl) {
  int slot = -1, projection = -1;
  bool known = false;
  std::string name;
  if (object.ComOpenPrdctFile(path, slot, name, projection, known) != 0) return -1;
  return object.ComLoadChnl(slot, chnl) == 0 ? slot : -1;
}

TEST(TableStatistics, ValidPointsOfEverySlot) {
  TempDir dir;
  // Two Level 1B files; 65535 lies in the invalid interval of the type and is left out.
  std::vector<std::string> paths;
  const std::vector<std::vector<unsigned short>> counts = {{1000, 2000, 65535}, {3000, 65534}};
  for (std::size_t f = 0; f < counts.size(); ++f) {
    TinyProduct p(dir.file("f" + std::to_string(f) + ".h5"));
    p.head("AMSR2-L1B", 0);
    const unsigned long long n = counts[f].size();
    p.data("Latitude of Observation Point for 89A", Stored::F32, {1, n}, std::vector<float>(n, 10.0f));
    p.data("Longitude of Observation Point for 89A", Stored::F32, {1, n}, std::vector<float>(n, 20.0f));
    p.data("Brightness Temperature (89.0GHz-A,H)", Stored::U16, {1, n}, counts[f], 0.01f);
    paths.push_back(p.close());
  }
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  ChannelSource source{&object, {}, k89AH};
  for (const std::string& path : paths) source.slots.push_back(registerAndLoad(object, path, k89AH));
  ASSERT_EQ(source.slots, (std::vector<int>{0, 1}));

  TableStatistics stats;
  ComClrTblMng table;
  stats.ComInitClrTbl(table, {source});
  float mx = 0, mn = 0;
  for (int c = 0; c < kChannels; ++c) {
    ASSERT_EQ(stats.ComGetMaxMin(c, &mx, &mn), 0);
    EXPECT_FLOAT_EQ(mn, 10.0f);
    EXPECT_FLOAT_EQ(mx, 30.0f);  // 65534 is inside the invalid interval too
  }
  float plus = 0, minus = 0;
  ASSERT_EQ(stats.ComGet3Sigma(1, &plus, &minus), 0);
  const float sd = std::sqrt(200.0f / 3.0f);
  EXPECT_NEAR(plus, 20.0f + 3 * sd, 1e-4);
  EXPECT_NEAR(minus, 20.0f - 3 * sd, 1e-4);
  float v = 0;
  table.ComGetCntVal(0, 4, &v);
  EXPECT_FLOAT_EQ(v, 20.0f);  // the automatic table runs from the minimum to the maximum
  EXPECT_EQ(stats.ComGetMaxMin(3, &mx, &mn), 1);

  applyMaxMin(table, stats);
  apply3Sigma(table, stats);
  table.ComGetCntVal(2, 8, &v);
  EXPECT_NEAR(v, plus, 1e-4);
}

TEST(TableStatistics, FullSizeSampleProduct) {
  const std::string sample = std::string(KIVO_SAMPLE_DIR) + "/GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5";
  if (!std::filesystem::exists(sample)) GTEST_SKIP() << "no sample products";
  TempDir dir;
  model::ComPrdctMngmnt object({dir.file(""), nullptr, 0});
  const int slot = registerAndLoad(object, sample, k89AH);
  ASSERT_GE(slot, 0);
  TableStatistics stats;
  ComClrTblMng table;
  stats.ComInitClrTbl(table, {ChannelSource{&object, {slot}, k89AH}});
  float mx = 0, mn = 0, plus = 0, minus = 0;
  stats.ComGetMaxMin(0, &mx, &mn);
  stats.ComGet3Sigma(0, &plus, &minus);
  // Brightness temperatures of 89 GHz: the invalid codes in the file stay out of the range.
  EXPECT_GT(mn, 100.0f);
  EXPECT_LT(mx, 330.0f);
  EXPECT_GT(plus, minus);
  const float mean = (plus + minus) / 2;
  EXPECT_TRUE(mn < mean && mean < mx) << mean;
}

TEST(TableChooser, ListsTheFamilyFolderAndLoadsEntries) {
  TempDir dir;
  const std::string base = dir.file("prog");
  const std::string folder = base + "/Sample_Table/Color_Table/AMSR2/";
  std::filesystem::create_directories(folder + "sub.clt");
  ComClrTblMng sample;
  sample.ComSetCntVal(0, 0, 7.0f);
  ASSERT_EQ(writeColourTableFile(folder + "b.clt", sample, "b", true), kFileOk);
  sample.ComSetCntVal(0, 0, 3.0f);
  ASSERT_EQ(writeColourTableFile(folder + "A.CLT", sample, "a", false), kFileOk);
  kivo::test::writeBytes(folder + "notes.txt", "x");

  ComClrTblMng table;
  TableStatistics stats;
  table.ComSetTblName("B.clt");
  ComClrCmbBar bar;
  bool reverse = false;
  int previews = 0;
  bar.setPreviewRequest([&] { ++previews; });
  EXPECT_EQ(bar.ComSetCnfInfo(base, 2), 2);
  ASSERT_EQ(bar.ComSetCnfInfo(base, kFamilyAmsr2, [&](bool r) { reverse = r; }), 0);
  EXPECT_EQ(bar.ComSetTblMng(nullptr, &stats), 2);
  ASSERT_EQ(bar.ComSetTblMng(&table, &stats), 0);
  EXPECT_EQ(bar.ComFillTblList(5), 2);
  ASSERT_EQ(bar.ComFillTblList(kKindColourTable), 0);
  EXPECT_EQ(bar.entries(), (std::vector<std::string>{"[Automatic]", "A.CLT", "b.clt"}));
  EXPECT_EQ(bar.selection(), 2);  // the current table's name, ignoring case
  EXPECT_EQ(bar.label(), "擬似カラーテーブル");

  ASSERT_EQ(bar.choose(1), 0);
  EXPECT_EQ(table.ComGetTblName(), "A.CLT");
  float v = 0;
  table.ComGetCntVal(0, 0, &v);
  EXPECT_FLOAT_EQ(v, 3.0f);
  EXPECT_FALSE(reverse);
  EXPECT_EQ(previews, 1);
  ASSERT_EQ(bar.ComSelTbl(2), 0);
  EXPECT_TRUE(reverse);
  EXPECT_EQ(previews, 1);  // no redraw request
  ASSERT_EQ(bar.ComSelTbl(0), 0);
  EXPECT_EQ(table.ComGetTblName(), "");

  // A table removed after the listing leaves the table and clears its name.
  std::filesystem::remove(folder + "b.clt");
  table.ComSetCntVal(0, 0, 99.0f);
  ASSERT_EQ(bar.ComSelTbl(2), 0);
  table.ComGetCntVal(0, 0, &v);
  EXPECT_FLOAT_EQ(v, 99.0f);
  EXPECT_EQ(table.ComGetTblName(), "");

  // Look-up tables of the other family: the folder does not exist.
  ASSERT_EQ(bar.ComSetCnfInfo(base, kFamilyAmsrE), 0);
  ASSERT_EQ(bar.ComSetTblMng(&table, &stats), 0);
  ASSERT_EQ(bar.ComFillTblList(kKindLookupTable), 0);
  EXPECT_EQ(bar.entries(), (std::vector<std::string>{"[Automatic]"}));
  EXPECT_EQ(bar.label(), "ルックアップテーブル");
  EXPECT_EQ(familyFolderOf("AMSR2 Level 1B"), "AMSR2");
  EXPECT_EQ(familyFolderOf("AMSR-E Level 3"), "AMSR_AMSR-E");
}

}  // namespace
