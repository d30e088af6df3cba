#include "app/messages.h"

#include <atomic>
#include <cstdio>

namespace kivo::app {
namespace {

// Row n is kMessages[n - 1]. Rows 7 and 17, and rows 18 and 21, carry the same text and stay
// separate rows.
constexpr const char* kMessages[kMsgCodeMax] = {
    "地図データが開けません",  // 1
    "HDFフォーマット以外のファイルが選択されています",  // 2
    "異なるレベルのプロダクトが選択されました",  // 3
    "HDFのバージョンが違います",  // 4
    "指定された範囲まで拡大することができません\n最大の拡大率で表示します",  // 5
    "指定された範囲まで縮小することができません\n最大の縮小率で表示します",  // 6
    "数字を入力してください",  // 7
    "上端緯度の指定が範囲外です",  // 8
    "下端緯度の指定が範囲外です",  // 9
    "緯度指定の上下関係が逆です",  // 10
    "左端経度の指定が範囲外です",  // 11
    "右端経度の指定が範囲外です",  // 12
    "選択領域が不正です",  // 13
    "上記のファイル名は無効です",  // 14
    "動画出力設定データの読み込みに失敗しました",  // 15
    "動画の出力に失敗しました",  // 16
    "数字を入力してください",  // 17
    "1から30までの整数を入力してください",  // 18
    "0から3までの整数を入力してください",  // 19
    "1から256までの整数を入力してください",  // 20
    "1から30までの整数を入力してください",  // 21
    "0から255までの整数を入力してください",  // 22
    "メタデータの読み込みに失敗しました",  // 23
    "ヘルプファイルを表示できません",  // 24
    "リンクファイルを表示できません",  // 25
    "メモリが不足しました",  // 26
    "緯経度値付き形式のCSVファイルに保存できません\n地図投影をEQR図法かMER図法に設定してください",  // 27
    "1から90までの整数を入力してください",  // 28
    "半角250文字までの値を入力してください",  // 29
    "-9999から10000までの実数を入力してください",  // 30
    "プロダクト／地図表示画面は10画面までしか表示できません",  // 31
    "最大ファイル数を満たしている為追加することができません",  // 32
    "ファイル出力に失敗しました。ファイル名が無効です",  // 33
    "このアプリケーションはすでに開いています",  // 34
    "カウント値は昇順あるいは降順にしてください",  // 35
    "AMSR2のLevel 1B、Level 1R又はLevel 2のプロダクトを選択してください",  // 36
    "ディスプレイの動作環境設定をフルカラー（２４ビット）以上に設定してください",  // 37
    "有効なデータが選択範囲に見つかりませんでした",  // 38
    "地図投影法の異なるファイルは追加できません",  // 39
    "観測データの読み込みに失敗しました",  // 40
};

MessagePresenter& defaultPresenter() {
  static StderrMessagePresenter presenter;
  return presenter;
}

std::atomic<MessagePresenter*> g_presenter{nullptr};

}  // namespace

std::string_view msgText(MsgCode code) {
  if (code < kMsgCodeMin || code > kMsgCodeMax) return {};
  return kMessages[code - 1];
}

bool isFileMsg(MsgCode code) { return code >= 2 && code <= 4; }

void StderrMessagePresenter::show(MsgCode code, const std::string& text) {
  std::fprintf(stderr, "%s: message %u: %s\n", kMsgCaption, code, text.c_str());
}

void StderrMessagePresenter::unknown(MsgCode code) {
  std::fprintf(stderr, "%s: message %u: not in the table\n", kMsgCaption, code);
}

MessagePresenter* setMessagePresenter(MessagePresenter* presenter) {
  return g_presenter.exchange(presenter, std::memory_order_acq_rel);
}

MessagePresenter& messagePresenter() {
  MessagePresenter* p = g_presenter.load(std::memory_order_acquire);
  return p ? *p : defaultPresenter();
}

void ComOutMsgBox::ComDspMsg(MsgCode code) const {
  const std::string_view text = msgText(code);
  if (text.empty()) {
    messagePresenter().unknown(code);
    return;
  }
  messagePresenter().show(code, std::string(text));
}

void ComOutMsgBox::ComDspFileMsg(MsgCode code, std::string_view path) const {
  if (!isFileMsg(code)) {
    messagePresenter().unknown(code);
    return;
  }
  std::string text(path);
  text += '\n';
  text += msgText(code);
  messagePresenter().show(code, text);
}

}  // namespace kivo::app
