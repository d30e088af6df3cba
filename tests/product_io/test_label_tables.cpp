// Spot checks of the definition tables against the product layout they describe.

#include <gtest/gtest.h>

#include "product_io/label_tables.h"

namespace io = kivo::io;

namespace {

TEST(LabelTables, TablesHoldTheirDatasetNames) {
  struct Case {
    io::TableId table;
    std::size_t names;
  };
  const Case cases[] = {{io::TableId::L1A, 44}, {io::TableId::L1B, 44}, {io::TableId::L1R, 60},
                        {io::TableId::L2, 17},  {io::TableId::L3Monthly25, 28}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.table));
    const io::LabelTable& t = io::labelTable(c.table);
    std::vector<io::AccessLabel> labels;
    for (const auto& row : t.rows) {
      if (labels.empty() || labels.back() != row.label) labels.push_back(row.label);
    }
    EXPECT_EQ(labels.size(), c.names);
  }
}

TEST(LabelTables, RowsDescribeTheStoredDatasets) {
  struct Case {
    io::TableId table;
    io::AccessLabel label;
    const char* name;
    std::int32_t stored, rank, d0, d1, d2;
    float scale;
    bool permitInt, permitFloat, permitDouble, permitByte;
  };
  const Case cases[] = {
      {io::TableId::L1B, 11170, "Brightness Temperature (89.0GHz-A,V)", io::kStoredU16, 2, 2018, 486, 0, 0.01f, false, true, false, false},
      {io::TableId::L1B, 11160, "Brightness Temperature (36.5GHz,H)", io::kStoredU16, 2, 2018, 243, 0, 0.01f, false, true, false, false},
      {io::TableId::L1A, 10200, "Observation Count (89.0GHz-B,H)", io::kStoredI16, 2, 2018, 486, 0, 1.0f, true, false, false, false},
      {io::TableId::L1A, 10240, "Hot Load Count 6 to 36", io::kStoredI16, 3, 12, 2018, 16, 1.0f, true, false, false, false},
      {io::TableId::L1B, 10010, "Scan Time", io::kStoredF64, 1, 2018, 0, 0, 1.0f, false, false, true, false},
      {io::TableId::L1B, 10340, "Land_Ocean Flag 6 to 36", io::kStoredU8, 3, 6, 2018, 243, 1.0f, true, true, false, false},
      {io::TableId::L1B, 10460, "Scan Data Quality", io::kStoredU8, 2, 2018, 512, 0, 1.0f, false, false, false, false},
      {io::TableId::L1R, 12180, "Brightness Temperature (res06,89.0GHz,H)", io::kStoredU16, 2, 2018, 243, 0, 0.01f, false, true, false, false},
      {io::TableId::L1R, 12440, "Brightness Temperature (res36,all)", io::kStoredU16, 2, 2018, 243, 0, 0.01f, false, true, false, false},
      {io::TableId::L1R, 11200, "Brightness Temperature (original,89GHz-B,H)", io::kStoredU16, 2, 2018, 486, 0, 0.01f, false, true, false, false},
      {io::TableId::L1R, 12560, "Land_Ocean Flag 6 to 36", io::kStoredU8, 3, 4, 2018, 243, 1.0f, true, true, false, false},
      {io::TableId::L2, 22100, "Geophysical Data for 89B", io::kStoredI16, 3, 1978, 486, 3, 0.1f, false, true, false, false},
      {io::TableId::L2, 21070, "Pixel Data Quality", io::kStoredU8, 2, 1978, 243, 0, 1.0f, true, false, false, true},
      {io::TableId::L3Daily10, 31040, "Time Information", io::kStoredI16, 2, 1800, 3600, 0, 1.0f, true, false, false, false},
      {io::TableId::L3Daily25, 31340, "Geophysical Data", io::kStoredI16, 3, 720, 1440, 3, 0.1f, false, true, false, false},
      {io::TableId::L3Monthly10, 34620, "Total Number", io::kStoredI16, 3, 1800, 3600, 3, 1.0f, true, false, false, false},
      {io::TableId::L3Monthly10, 34150, "Standard Deviation (H)", io::kStoredI16, 2, 1800, 3600, 0, 0.01f, false, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const io::LabelTable& t = io::labelTable(c.table);
    const io::LabelDef* row = io::findInTable(t, c.label);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(io::datasetName(t, *row), c.name);
    EXPECT_EQ(row->storedType, c.stored);
    EXPECT_EQ(row->rank, c.rank);
    EXPECT_EQ(row->dim0, c.d0);
    EXPECT_EQ(row->dim1, c.d1);
    EXPECT_EQ(row->dim2, c.d2);
    EXPECT_FLOAT_EQ(row->scaleFactor, c.scale);
    EXPECT_EQ(row->permitInt != 0, c.permitInt);
    EXPECT_EQ(row->permitFloat != 0, c.permitFloat);
    EXPECT_EQ(row->permitDouble != 0, c.permitDouble);
    EXPECT_EQ(row->permitByte != 0, c.permitByte);
  }
  // Level 3 tables hold the polar grids after the global one.
  const io::LabelTable& l3 = io::labelTable(io::TableId::L3Daily25);
  int polar = 0;
  for (const auto& row : l3.rows) polar += (row.label == 31010 && row.dim0 == 448 && row.dim1 == 304) ? 1 : 0;
  EXPECT_EQ(polar, 1);
}

TEST(LabelTables, DerivedLabels) {
  EXPECT_EQ(io::compositeMembers(11210).size(), 12u);
  EXPECT_EQ(io::compositeMembers(11210).back(), 11160);
  EXPECT_EQ(io::compositeMembers(12190).size(), 14u);
  EXPECT_EQ(io::compositeMembers(12390), (std::vector<io::AccessLabel>{12310, 12320, 12330, 12340, 12350, 12360, 12370, 12380}));
  EXPECT_EQ(io::compositeMembers(34190), (std::vector<io::AccessLabel>{34170, 34180}));
  EXPECT_EQ(io::compositeMembers(11050), (std::vector<io::AccessLabel>{11050}));
  struct Case {
    io::AccessLabel label, all;
    int layer;
  };
  for (const Case& c : {Case{21040, 21060, 1}, Case{22060, 22060, -1}, Case{22090, 22100, 2}, Case{31310, 31340, 0},
                        Case{34580, 34580, -1}, Case{34610, 34620, 2}}) {
    io::LayerInfo info{};
    ASSERT_TRUE(io::layerInfo(c.label, info)) << c.label;
    EXPECT_EQ(info.allLayers, c.all) << c.label;
    EXPECT_EQ(info.layer, c.layer) << c.label;
  }
  io::LayerInfo info{};
  EXPECT_FALSE(io::layerInfo(31010, info));
  EXPECT_FALSE(io::layerInfo(22110, info));
}

}  // namespace
