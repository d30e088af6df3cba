#include "app/batch/history_bar.h"

#include <QEvent>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/batch/batch_language.h"
#include "app/messages.h"

namespace kivo::app {
namespace {

constexpr MsgCode kMsgSaveFailed = 33;

std::string readFile(const std::string& path, bool& exists) {
  std::ifstream in(path, std::ios::binary);
  exists = static_cast<bool>(in);
  std::ostringstream bytes;
  if (exists) bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

std::string withoutErrorLines(const std::string& text) {
  std::string kept;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t end = text.find("\r\n", from);
    const std::size_t next = end == std::string::npos ? text.size() : end + 2;
    if (text.compare(from, 5, "ERROR") != 0) kept.append(text, from, next - from);
    from = next;
  }
  return kept;
}

std::string fileListFileText(const std::string& listText) {
  std::string bytes;
  for (std::size_t i = 0; i < listText.size(); ++i) {
    if (listText[i] == '\r' && i + 1 < listText.size() && listText[i + 1] == '\n') {
      bytes += "\r\r\n";
      ++i;
    } else {
      bytes += listText[i];
    }
  }
  return bytes;
}

ComCmdBatchBar::ComCmdBatchBar(std::string batchFolder, QWidget* parent)
    : QWidget(parent), batchFolder_(std::move(batchFolder)) {
  box_ = new QPlainTextEdit(this);
  box_->setObjectName(QStringLiteral("batchHistoryText"));
  box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  save_ = new QPushButton(this);
  save_->setObjectName(QStringLiteral("batchHistorySave"));
  clear_ = new QPushButton(this);
  clear_->setObjectName(QStringLiteral("batchHistoryClear"));
  connect(save_, &QPushButton::clicked, this, [this] { save(); });
  connect(clear_, &QPushButton::clicked, this, [this] { clear(); });
  retranslate();
  setMinimumHeight(100);
}

void ComCmdBatchBar::retranslate() {
  save_->setText(tr("Save"));
  clear_->setText(tr("Clear"));
}

void ComCmdBatchBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  QWidget::changeEvent(event);
}

void ComCmdBatchBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = width();
  const int h = height();
  save_->setGeometry(w - 110, 10, 100, 30);
  clear_->setGeometry(w - 110, 50, 100, 30);
  box_->setGeometry(0, 0, std::max(0, w - 125), std::max(0, h - 15));
}

std::string ComCmdBatchBar::text() const {
  std::string t = box_->toPlainText().toStdString();
  std::string out;
  out.reserve(t.size() + t.size() / 16);
  for (char c : t) {
    if (c == '\n') out += "\r\n";
    else out += c;
  }
  return out;
}

void ComCmdBatchBar::append(const std::string& line) {
  if (line.empty()) return;
  std::string t = text();
  if (lineCount_ >= kHistoryLines) {
    const std::size_t end = t.find("\r\n");
    t.erase(0, end == std::string::npos ? t.size() : end + 2);
    --lineCount_;
  }
  if (lineCount_ > 0) t += "\r\n";
  t += line;
  ++lineCount_;
  QString shown = QString::fromStdString(t);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box_->setPlainText(shown);
  box_->verticalScrollBar()->setValue(box_->verticalScrollBar()->maximum());
}

std::string ComCmdBatchBar::uniqueListName(const std::string& name, const std::string& text) const {
  // A name from the clock repeats within a minute (and a year later); a list of other files
  // must not take the place of one that an earlier line or a saved command file refers to.
  const std::string bytes = fileListFileText(text);
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  for (int k = 1; k < 1000; ++k) {
    const std::string candidate = k == 1 ? name : stem + "_" + std::to_string(k) + ext;
    bool taken = false;
    for (const auto& [n, t] : fileLists_) taken = taken || (n == candidate && t != text);
    bool exists = false;
    const std::string stored = readFile(batchFolder_ + candidate, exists);
    taken = taken || (exists && stored != bytes);
    if (!taken) return candidate;
  }
  return name;
}

std::string ComCmdBatchBar::rememberList(const std::string& name, const std::string& text) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  const std::string unique = uniqueListName(name, text);
  fileLists_.emplace_back(unique, text);
  return unique;
}

void ComCmdBatchBar::addOpen(const BtchOpnRec& record) {
  if (levelCodeOfWord(record.levelWord).empty()) return;
  BtchOpnRec r = record;
  r.fileListName = rememberList(r.fileListName, r.fileListText);
  append(historyLine(r));
}

void ComCmdBatchBar::addMapChange(const BtchMapRec& record) { append(historyLine(record)); }
void ComCmdBatchBar::addImage(const BtchImgRec& record) { append(historyLine(record)); }
void ComCmdBatchBar::addCsv(const BtchCsvRec& record) { append(historyLine(record)); }
void ComCmdBatchBar::addBinary(const BtchBinRec& record) { append(historyLine(record)); }

void ComCmdBatchBar::addHdf(const BtchHdfRec& record) {
  if (levelCodeOfWord(record.open.levelWord).empty()) return;
  BtchHdfRec r = record;
  r.open.fileListName = rememberList(r.open.fileListName, r.open.fileListText);
  append(historyLine(r));
}

void ComCmdBatchBar::addMovie(const BtchMovRec& record) {
  if (levelCodeOfWord(record.levelWord).empty()) return;
  BtchMovRec r = record;
  r.fileListName = rememberList(r.fileListName, r.fileListText);
  append(historyLine(r));
}

void ComCmdBatchBar::addError(const std::string& line) { append(errorLine(line)); }

void ComCmdBatchBar::save() {
  QString path;
  if (choose_) {
    path = choose_(this);
  } else {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("out (*.out)"));
    dialog.setDefaultSuffix(QStringLiteral("out"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) path = dialog.selectedFiles().front();
  }
  if (!path.isEmpty()) saveTo(path.toStdString());
}

int ComCmdBatchBar::saveTo(const std::string& path) {
  const std::string written = withoutErrorLines(text());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(written.data(), static_cast<std::streamsize>(written.size()));
    if (!out || !out.flush()) {
      ComOutMsgBox().ComDspMsg(kMsgSaveFailed);
      return static_cast<int>(kMsgSaveFailed);
    }
  }
  for (const auto& [name, list] : fileLists_) {
    if (written.find(name) == std::string::npos) continue;
    std::ofstream file(batchFolder_ + name, std::ios::binary | std::ios::trunc);
    const std::string bytes = fileListFileText(list);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  fileLists_.clear();
  return 0;
}

void ComCmdBatchBar::clear() {
  box_->clear();
  lineCount_ = 0;
  fileLists_.clear();
}

}  // namespace kivo::app
