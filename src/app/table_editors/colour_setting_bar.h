#pragma once

// The colour-setting bar of the table editors: interpolation of the points (linear or
// logarithmic, of the count values or of the intensities), the first and last point from the
// product's minimum and maximum or its 3-sigma bounds, and loading and saving table files.
// After each computation or load it asks its editor to refresh.

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <string>

#include "app/messages.h"
#include "app/settings/settings_store.h"
#include "colour/colour_table.h"
#include "colour/table_files.h"
#include "colour/table_statistics.h"

namespace kivo::app {

class ComClrCnfg : public QWidget {
  Q_OBJECT
 public:
  struct Source {
    colour::ComClrTblMng* table = nullptr;
    const colour::TableStatistics* statistics = nullptr;
    ComPrpCnfInfo* settings = nullptr;  // the view's: DEF_FILE and the colour bar direction
    int family = 0;                     // 0 AMSR2, 1 AMSR/AMSR-E: the sample folder
    bool lookup = false;                // look-up tables (.lut) rather than colour tables (.clt)
    std::function<int()> pointChoice;   // the editor's "No of Point" index
    std::function<std::string()> title; // the editor's colour bar title (colour tables)
  };

  explicit ComClrCnfg(QWidget* parent = nullptr);
  void ComSetIniVal(Source source);

  bool logarithmic() const { return log_->isChecked(); }
  void setLogarithmic(bool on);

  // The buttons.
  void interpolate();
  void getMaxMin();
  void get3Sigma();
  // "Ref..": chooses a table file, shows it in the file name field and loads it.
  void chooseFile();
  // "Save": chooses where to save (proposing the file name field) and writes the table.
  void chooseSaveFile();
  // Loads a table file into the table: 0, or 1 when it cannot be opened (the table stays).
  int loadFile(const std::string& path);
  // Writes the table with the editor's log choice and title: 0, or message 33 when the file
  // cannot be written (shown).
  int saveFile(const std::string& path);

  QLineEdit* fileName() const { return fileName_; }

 Q_SIGNALS:
  // The table changed under the editor: reread it.
  void refreshRequested();
  // A file was read: the editor shows its point count, graph type, log mode and title.
  void fileRead(const colour::TableFileExtras& extras);

 private:
  std::string sampleFolder() const;

  Source source_;
  QRadioButton* linear_;
  QRadioButton* log_;
  QRadioButton* countValue_;
  QRadioButton* rgbValue_;
  QLineEdit* fileName_;
  ComLogOutPut logChannel_;
};

}  // namespace kivo::app
