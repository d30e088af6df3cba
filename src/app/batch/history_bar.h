#pragma once

// The batch command history bar: every open, save, animation and map change as a command
// line in an editable text box, the last 50 of them, with Save (a command file without the
// ERROR lines, plus the file-list files its lines refer to) and Clear.

#include <QWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch/batch_history.h"

class QPlainTextEdit;
class QPushButton;

namespace kivo::app {

inline constexpr int kHistoryLines = 50;

class ComCmdBatchBar : public QWidget, public BatchHistory {
  Q_OBJECT
 public:
  // `batchFolder`: where the file-list files go (the program folder's "Batch/").
  ComCmdBatchBar(std::string batchFolder, QWidget* parent = nullptr);

  void addOpen(const BtchOpnRec& record) override;
  void addMapChange(const BtchMapRec& record) override;
  void addImage(const BtchImgRec& record) override;
  void addCsv(const BtchCsvRec& record) override;
  void addBinary(const BtchBinRec& record) override;
  void addHdf(const BtchHdfRec& record) override;
  void addMovie(const BtchMovRec& record) override;
  void addError(const std::string& line) override;

  // The history text with CR LF between lines, as Save writes it before the ERROR lines go.
  std::string text() const;
  int lineCount() const { return lineCount_; }
  const std::vector<std::pair<std::string, std::string>>& fileLists() const { return fileLists_; }

  // Save: the dialog, then saveTo. Tests replace the dialog.
  using FileChooser = std::function<QString(QWidget* parent)>;
  void setFileChooser(FileChooser chooser) { choose_ = std::move(chooser); }
  void save();
  // Writes the history without ERROR lines to `path`, then the file-list files its lines
  // name, and forgets the file lists: 0, or message 33 shown and returned.
  int saveTo(const std::string& path);
  void clear();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // ComAddHist: appends a line (an empty line leaves the history as it is).
  void append(const std::string& line);
  // A file-list name not yet used for another list, here or in the Batch folder.
  std::string uniqueListName(const std::string& name, const std::string& text) const;
  // Remembers a record's file list under a free name; returns the name the line carries.
  std::string rememberList(const std::string& name, const std::string& text);
  void retranslate();

  std::string batchFolder_;
  QPlainTextEdit* box_ = nullptr;  // 1000
  QPushButton* save_ = nullptr;    // 1001
  QPushButton* clear_ = nullptr;   // 1002
  int lineCount_ = 0;
  std::vector<std::pair<std::string, std::string>> fileLists_;  // name, text
  FileChooser choose_;
};

// The command-file text without its ERROR lines: each line that begins with "ERROR" goes with
// its CR LF.
std::string withoutErrorLines(const std::string& text);
// A file-list file's bytes: each path followed by CR, CR, LF.
std::string fileListFileText(const std::string& listText);

}  // namespace kivo::app
