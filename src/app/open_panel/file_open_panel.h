#pragma once

// The file open panel: a list of product files of one family and level, the channel or
// red/green/blue channels and the colour table to show them with, and Open.

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

#include "app/open_panel/file_list.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kivo::app {

class CMainFrame;
class ComPrdctMpDsp;

inline constexpr const char* kPanelTitleAmsr2 = "AMSR2プロダクト読み込み";
inline constexpr const char* kPanelTitleAmsrE = "AMSR-Eプロダクト読み込み";
inline constexpr const char* kPanelTitleAmsr2Hdf = "AMSR2プロダクト読み込み(HDF出力)";

class ComFlOpnView : public QWidget {
  Q_OBJECT
 public:
  explicit ComFlOpnView(CMainFrame& frame, QWidget* parent = nullptr);
  ~ComFlOpnView() override;

  // Family 0 AMSR2 or 1 AMSR/AMSR-E, HDF output mode or not: 0, or 1 for another family.
  int ComInitPanel(int family, bool hdfOutput);
  // The panel's child window became active: the chooser bar shows the panel's family and kind.
  void activated();
  // The map view the last Open made, or nullptr.
  ComPrdctMpDsp* lastMapView() const;

  // The batch runner's open of a VIEWHDF line: fills the list from the request's file list,
  // chooses its channels, mode and table, and opens. 0 with the view Open made in `view`, or
  // 1 (file list unreadable), 2 (channel not found), 5 (no table file) or the refusal of Open.
  int ComBtchLoad(const BtchOpnRec& request, ComPrdctMpDsp** view);

  // Appends files as "Add..." does after its dialog: checks them and refreshes the controls.
  // Returns the number of files accepted.
  int addFiles(const QStringList& paths);
  // Files dropped on the panel (in HDF output mode only the first, and only onto an empty
  // panel).
  int dropFiles(const QStringList& paths);
  // "Add...": message 32 when the list is full, otherwise the file dialog.
  void addWithDialog();
  // "Remove": the selected file.
  void removeSelected();
  // Single channel (false) or red/green/blue composite (true); refills the table list.
  void setComposite(bool composite);
  bool composite() const;
  // "Open": 0, or the message that stopped it (or 1 for an empty list).
  int open();
  // "Cancel": stops the product objects' work, releases every file and closes the window.
  void cancel();
  // The files given on the command line: they decide the family, and Open runs at once.
  void commandLineRequest();

  // The file dialog of "Add...": start folder, filters in Qt's form, several files or one.
  // Returns the chosen paths (empty when cancelled). Tests replace it.
  using FileChooser = std::function<QStringList(QWidget* parent, const QString& folder, const QString& filters,
                                                bool several)>;
  void setFileChooser(FileChooser chooser) { chooseFiles_ = std::move(chooser); }

  const OpenFileList& fileList() const { return list_; }
  OpenFileList& fileList() { return list_; }
  ChannelSelection selection() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildControls();
  void retranslate();
  void refreshControls();
  void applyMode();
  void afterAdding(int familyBefore);
  void setPanelTitle(const QString& title);

  CMainFrame& frame_;
  OpenFileList list_;
  bool initialised_ = false;
  bool shownOnce_ = false;
  QPointer<ComPrdctMpDsp> lastView_;
  FileChooser chooseFiles_;

  QListWidget* files_ = nullptr;     // 1047
  QPushButton* add_ = nullptr;       // 1001
  QPushButton* remove_ = nullptr;    // 1002
  QLabel* levelLabel_ = nullptr;
  QLineEdit* level_ = nullptr;       // 1000
  QRadioButton* single_ = nullptr;   // 1005
  QRadioButton* rgb_ = nullptr;      // 1006
  QLabel* channelLabel_ = nullptr;   // 1092
  QComboBox* channel_ = nullptr;     // 1097
  std::vector<QLabel*> rgbLabels_;   // 1093, 1094, 1095
  std::vector<QComboBox*> rgbLists_; // 1086, 1087, 1088
  QLabel* tableLabel_ = nullptr;     // 1096
  QComboBox* table_ = nullptr;       // 1089
  QPushButton* open_ = nullptr;      // 1003
  QPushButton* cancel_ = nullptr;    // 1004
};

}  // namespace kivo::app
