#pragma once

// The animation panel: an ordered list of product files of one family and level, the channel
// and colour table to draw them with, the output file, and Make, which opens a map view that
// writes the animation.

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

#include "app/animation/movie_list.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kivo::app {

class CMainFrame;
class ComPrdctMpDsp;

class ComMkMoveView : public QWidget {
  Q_OBJECT
 public:
  explicit ComMkMoveView(CMainFrame& frame, QWidget* parent = nullptr);
  ~ComMkMoveView() override;

  // Family 0 AMSR2 or 1 AMSR/AMSR-E: 0; 1 for another family, and also when no colour table
  // file is found (only "[Automatic]" is offered then).
  int ComInitMovPanel(int family);

  // Appends files as "Add ..." does after its dialog (with the family check and the maximum
  // of setting NumReadFiles): the number added.
  int addFiles(const QStringList& paths);
  // Files dropped on the panel: the maximum read at initialisation, no family check.
  int dropFiles(const QStringList& paths);
  // "Add ...": message 32 when the list is full, otherwise the file dialog.
  void addWithDialog();
  void removeSelected();  // "Remove"
  void moveUp();          // "Up"
  void moveDown();        // "Dn"
  void chooseOutput();    // "Ref"
  void selectSettings();  // "Select": the animation output settings
  // "Make": 0, or the refusal (1 for ten map views or an empty list, 40 for a failed load).
  int make();
  void cancel();          // "Cancel"

  ComPrdctMpDsp* lastMapView() const { return lastView_.data(); }
  const MovieFileList& fileList() const { return list_; }
  QString outputPath() const;

  // The file dialog of "Add ...": start folder and filters in Qt's form; the chosen paths
  // (empty when cancelled). Tests replace it.
  using FileChooser = std::function<QStringList(QWidget* parent, const QString& folder, const QString& filters)>;
  void setFileChooser(FileChooser chooser) { chooseFiles_ = std::move(chooser); }
  // The save dialog of "Ref": start folder, proposed name and the filters offered; the chosen
  // path and the index of the chosen filter (empty path when cancelled). Tests replace it.
  using OutputChooser = std::function<QString(QWidget* parent, const QString& folder, const QString& name,
                                              const QStringList& filters, int& filter)>;
  void setOutputChooser(OutputChooser chooser) { chooseOutput_ = std::move(chooser); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildControls();
  void retranslate();
  void refreshList(int selected);
  void refreshChannels();
  void afterAdding(int added);
  void emptied();
  void stopWorkAndRelease();

  CMainFrame& frame_;
  MovieFileList list_;
  bool initialised_ = false;
  int initialMaximum_ = kMovieListPlaces;
  QPointer<ComPrdctMpDsp> lastView_;
  FileChooser chooseFiles_;
  OutputChooser chooseOutput_;

  QListWidget* files_ = nullptr;     // 1047
  QPushButton* add_ = nullptr;       // 1001
  QPushButton* remove_ = nullptr;    // 1002
  QPushButton* up_ = nullptr;        // 1003
  QPushButton* down_ = nullptr;      // 1004
  QLabel* levelLabel_ = nullptr;
  QLineEdit* level_ = nullptr;       // 1000
  QLabel* channelLabel_ = nullptr;
  QComboBox* channel_ = nullptr;     // 1022
  QLabel* tableLabel_ = nullptr;
  QComboBox* table_ = nullptr;       // 1023
  QLabel* outputLabel_ = nullptr;
  QLineEdit* output_ = nullptr;      // 1008
  QPushButton* ref_ = nullptr;       // 1050
  QLabel* configLabel_ = nullptr;
  QPushButton* select_ = nullptr;    // 1051
  QPushButton* make_ = nullptr;      // 1052
  QPushButton* cancel_ = nullptr;    // 1053
};

}  // namespace kivo::app
