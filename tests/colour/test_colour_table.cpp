// Value-to-colour mapping, runs, the automatic table and the editors' interpolation.

#include <gtest/gtest.h>

#include <cmath>

#include "colour/colour_table.h"

using namespace kivo::colour;

namespace {

// A two-point table from 0 (black) to 100 (200, 100, 50) on every channel.
ComClrTblMng twoPoints(int graph) {
  ComClrTblMng t;
  t.ComSetPntNum(2);
  t.ComSetGrphType(graph);
  for (int c = 0; c < kChannels; ++c) {
    t.ComSetCntVal(c, 0, 0.0f);
    t.ComSetCntVal(c, 8, 100.0f);
  }
  const std::uint8_t top[3] = {200, 100, 50};
  for (int c = 0; c < kChannels; ++c) t.ComSetClrPrm(c, 8, top[c]);
  return t;
}

struct ColourCase {
  const char* what;
  int graph;
  int mode;
  int channel;
  float x;
  int result;
  Colour colour;
};

TEST(ColourTable, MappingCases) {
  const ColourCase cases[] = {
      {"line, inside", kLineGraph, kModeColourTable, 0, 50.0f, 0, rgb(100, 50, 25)},
      {"line, at the first point", kLineGraph, kModeColourTable, 0, 0.0f, 0, rgb(0, 0, 0)},
      {"line, at the last point", kLineGraph, kModeColourTable, 0, 100.0f, 0, rgb(200, 100, 50)},
      // Below the first point: 0/0 is not a number and the intensity 0.
      {"line, below", kLineGraph, kModeColourTable, 0, -10.0f, 0, rgb(0, 0, 0)},
      // Above the last point the line runs on toward slot 0; 300 keeps its low byte, 44.
      {"line, above", kLineGraph, kModeColourTable, 0, 150.0f, 0, rgb(44, 150, 75)},
      {"line, look-up green", kLineGraph, kModeLookupTable, 1, 50.0f, 0, 50u << 8},
      {"line, look-up blue", kLineGraph, kModeLookupTable, 2, 100.0f, 0, 50u << 16},
      {"bar, inside", kBarGraph, kModeColourTable, 0, 50.0f, 0, rgb(0, 0, 0)},
      {"bar, at a point", kBarGraph, kModeColourTable, 0, 100.0f, 1, 0},
      {"bar, at the first point", kBarGraph, kModeColourTable, 0, 0.0f, 1, 0},
      {"bar, below", kBarGraph, kModeColourTable, 0, -1.0f, 1, 0},
      {"bar, look-up at a point", kBarGraph, kModeLookupTable, 1, 100.0f, 1, 0},
  };
  for (const ColourCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ComClrTblMng t = twoPoints(c.graph);
    Colour out = 0xDEADBEEF;
    ASSERT_EQ(t.ComGetColor(c.mode, c.channel, c.x, &out), c.result);
    if (c.result == 0) {
      EXPECT_EQ(out, c.colour);
    }
  }
  const ComClrTblMng t = twoPoints(kLineGraph);
  Colour out = 0;
  EXPECT_EQ(t.ComGetColor(0, 3, 1.0f, &out), 1);
  EXPECT_EQ(t.ComGetColor(2, 0, 1.0f, &out), 1);
  EXPECT_EQ(t.ComGetColor(0, 0, 1.0f, nullptr), 1);
}

TEST(ColourTable, StepsSegmentsAndEqualValues) {
  // Nine points 0, 10, ... 80 with intensity 30 k; with N = 3 only slots 0, 4 and 8 count.
  ComClrTblMng t;
  for (int k = 0; k < kCapacity; ++k) {
    for (int c = 0; c < kChannels; ++c) {
      t.ComSetCntVal(c, k, 10.0f * static_cast<float>(k));
      t.ComSetClrPrm(c, k, static_cast<std::uint8_t>(30 * k));
    }
  }
  EXPECT_EQ(t.runCount(0), 9);
  Colour out = 0;
  ASSERT_EQ(t.ComGetColor(kModeLookupTable, 0, 15.0f, &out), 0);
  EXPECT_EQ(out, 45u);
  ASSERT_EQ(t.ComSetPntNum(3), 0);
  EXPECT_EQ(t.step(), 4);
  ASSERT_EQ(t.ComGetColor(kModeLookupTable, 0, 15.0f, &out), 0);
  EXPECT_EQ(out, 45u);  // (15 / 40) * 120
  ASSERT_EQ(t.ComGetColor(kModeLookupTable, 0, 60.0f, &out), 0);
  EXPECT_EQ(out, 180u);
  EXPECT_EQ(t.ComSetPntNum(4), 1);
  EXPECT_EQ(t.ComGetPntNum(), 3);
  EXPECT_EQ(t.ComSetGrphType(3), 1);

  // Nine equal values: every value maps to slot 0 in both graph types.
  ComClrTblMng flat;
  for (int k = 0; k < kCapacity; ++k) {
    flat.ComSetCntVal(0, k, 5.0f);
    flat.ComSetClrPrm(0, k, static_cast<std::uint8_t>(k + 1));
  }
  EXPECT_EQ(flat.runCount(0), 1);
  for (int graph : {kLineGraph, kBarGraph}) {
    flat.ComSetGrphType(graph);
    for (float x : {-100.0f, 5.0f, 100.0f}) {
      ASSERT_EQ(flat.ComGetColor(kModeLookupTable, 0, x, &out), 0) << graph << " " << x;
      EXPECT_EQ(out, 1u);
    }
  }
  // A first slot holding the largest float does not count as a run.
  ComClrTblMng unset;
  unset.ComSetCntVal(1, 0, kLargestFloat);
  EXPECT_EQ(unset.runCount(1), 1);
}

TEST(ColourTable, AutomaticTableAndInterpolation) {
  ComClrTblMng t;
  t.ComSetPntNum(2);
  t.ComSetGrphType(kBarGraph);
  const float mn[3] = {10, 0, -4};
  const float mx[3] = {30, 8, 4};
  t.setAutomatic(mn, mx);
  EXPECT_EQ(t.ComGetPntNum(), 9);
  EXPECT_EQ(t.ComGetGrphType(), kBarGraph);  // untouched
  float v = 0;
  t.ComGetCntVal(0, 3, &v);
  EXPECT_FLOAT_EQ(v, 17.5f);
  t.ComGetCntVal(2, 8, &v);
  EXPECT_FLOAT_EQ(v, 4.0f);
  std::uint8_t i = 0;
  t.ComGetClrPrm(1, 1, &i);
  EXPECT_EQ(i, 128);
  t.ComGetClrPrm(2, 0, &i);
  EXPECT_EQ(i, 255);

  // Linear and logarithmic interpolation of count values and of intensities.
  ComClrTblMng e;
  for (int c = 0; c < kChannels; ++c) {
    e.ComSetCntVal(c, 0, 0.0f);
    e.ComSetCntVal(c, 8, 80.0f);
    e.ComSetClrPrm(c, 8, 255);
  }
  ASSERT_EQ(interpolateTable(e, 2, true, false), 0);
  EXPECT_EQ(e.ComGetPntNum(), 5);
  e.ComGetCntVal(1, 3, &v);
  EXPECT_FLOAT_EQ(v, 30.0f);
  ASSERT_EQ(interpolateTable(e, 3, true, true), 0);
  e.ComGetCntVal(0, 1, &v);
  EXPECT_NEAR(v, 80.0 * std::log(2.0) / std::log(9.0), 1e-4);
  e.ComGetCntVal(0, 8, &v);
  EXPECT_FLOAT_EQ(v, 80.0f);
  ASSERT_EQ(interpolateTable(e, 0, false, false), 0);
  e.ComGetClrPrm(2, 4, &i);
  EXPECT_EQ(i, 128);  // 127.5 + 0.9 truncated
  e.ComGetClrPrm(2, 1, &i);
  EXPECT_EQ(i, 32);
  EXPECT_EQ(interpolateTable(e, 4, false, false), 1);
}

}  // namespace
