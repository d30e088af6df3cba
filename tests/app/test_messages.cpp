#include <gtest/gtest.h>

#include <string>

#include "app/messages.h"

namespace kivo::app {
namespace {

TEST(Messages, TableRowsAreExact) {
  const std::pair<MsgCode, const char*> rows[] = {
      {1, "地図データが開けません"},
      {3, "異なるレベルのプロダクトが選択されました"},
      {5, "指定された範囲まで拡大することができません\n最大の拡大率で表示します"},
      {27, "緯経度値付き形式のCSVファイルに保存できません\n地図投影をEQR図法かMER図法に設定してください"},
      {31, "プロダクト／地図表示画面は10画面までしか表示できません"},
      {36, "AMSR2のLevel 1B、Level 1R又はLevel 2のプロダクトを選択してください"},
      {37, "ディスプレイの動作環境設定をフルカラー（２４ビット）以上に設定してください"},
      {40, "観測データの読み込みに失敗しました"},
  };
  for (const auto& [code, text] : rows) EXPECT_EQ(msgText(code), text) << code;
  // Byte-exact: row 1 in UTF-8.
  EXPECT_EQ(msgText(1), "\xE5\x9C\xB0\xE5\x9B\xB3\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE3\x81\x8C"
                        "\xE9\x96\x8B\xE3\x81\x91\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93");

  EXPECT_EQ(msgText(7), msgText(17));
  EXPECT_EQ(msgText(18), msgText(21));
  for (MsgCode code = kMsgCodeMin; code <= kMsgCodeMax; ++code) {
    const std::string_view text = msgText(code);
    EXPECT_FALSE(text.empty()) << code;
    const bool twoLines = code == 5 || code == 6 || code == 27;
    EXPECT_EQ(text.find('\n') != std::string_view::npos, twoLines) << code;
  }
  EXPECT_TRUE(msgText(0).empty());
  EXPECT_TRUE(msgText(41).empty());
}

TEST(Messages, BoxesGoThroughThePresenter) {
  RecordingMessagePresenter recorder;
  {
    ScopedMessagePresenter scope(recorder);
    ComOutMsgBox box;
    box.ComDspMsg(27);
    box.ComDspFileMsg(3, "/data/GW1AM2_201207031905_134D_L1SGBTBR_2220220.h5");
    box.ComDspFileMsg(2, "/データ/a.hdf");
    // Numbers without a box: nothing shown, each recorded as unknown.
    box.ComDspMsg(0);
    box.ComDspMsg(41);
    box.ComDspFileMsg(1, "/x");
    box.ComDspFileMsg(5, "/x");
  }
  using Entry = RecordingMessagePresenter::Entry;
  const auto& e = recorder.entries();
  ASSERT_EQ(e.size(), 7u);
  auto expectEntry = [](const Entry& got, MsgCode code, const std::string& text, bool known) {
    EXPECT_EQ(got.code, code);
    EXPECT_EQ(got.text, text);
    EXPECT_EQ(got.known, known);
  };
  expectEntry(e[0], 27, std::string(msgText(27)), true);
  expectEntry(e[1], 3,
              "/data/GW1AM2_201207031905_134D_L1SGBTBR_2220220.h5\n"
              "異なるレベルのプロダクトが選択されました",
              true);
  expectEntry(e[2], 2, "/データ/a.hdf\nHDFフォーマット以外のファイルが選択されています", true);
  expectEntry(e[3], 0, "", false);
  expectEntry(e[4], 41, "", false);
  expectEntry(e[5], 1, "", false);
  expectEntry(e[6], 5, "", false);

  // Leaving the scope restores the default presenter; nested scopes unwind in order.
  EXPECT_NE(dynamic_cast<StderrMessagePresenter*>(&messagePresenter()), nullptr);
  RecordingMessagePresenter outer, inner;
  {
    ScopedMessagePresenter a(outer);
    {
      ScopedMessagePresenter b(inner);
      EXPECT_EQ(&messagePresenter(), &inner);
    }
    EXPECT_EQ(&messagePresenter(), &outer);
  }
  EXPECT_NE(dynamic_cast<StderrMessagePresenter*>(&messagePresenter()), nullptr);
}

TEST(Messages, LogChannelCarriesOnlyItsName) {
  ComLogOutPut log;
  EXPECT_EQ(log.name(), "");
  log.setName("ComMapConf");
  EXPECT_EQ(log.name(), "ComMapConf");
  EXPECT_EQ(ComOutMsgBox().log().name(), "ComOutMsgBox");
}

}  // namespace
}  // namespace kivo::app
