#pragma once

// The environmental settings sheet "環境設定": four pages (user, image output, map layer,
// map file) over one settings object. OK saves the pages that were shown, loads the coastline
// files again when they changed and writes the settings file; Cancel puts the object back as
// it was when the sheet opened.

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "app/messages.h"
#include "app/settings/settings_store.h"
#include "map/world_map.h"

class QMdiSubWindow;
class QTabWidget;

namespace kivo::app {

class CMainFrame;
class ComImgOutConf;
class ComMapConf;
class ComMapFileConf;
class ComUserConf;

enum PrefPage : int { kPageUser = 0, kPageImageOutput = 1, kPageMapLayer = 2, kPageMapFile = 3 };

// The page a Preferences command opens; -1 for any other command.
int preferencesPage(int commandId);

class ComPropConf : public QDialog {
  Q_OBJECT
 public:
  // `activeMapChild`: the active child window when it holds a map view, else nullptr (the
  // image output page edits its title). The pages are filled as they are first shown; the
  // start page is shown at once.
  ComPropConf(QWidget* owner, int startPage, ComPrpCnfInfo& settings, map::ComWorldMap& world,
              QMdiSubWindow* activeMapChild);
  ~ComPropConf() override;

  int currentPage() const;
  // Makes a page the active one as a click on its tab does (leaving the user page checks it
  // first, and a failure keeps it).
  void showPage(int page);
  ComPrpCnfInfo& settings() { return settings_; }

  ComUserConf* userPage() const { return user_; }
  ComImgOutConf* imagePage() const { return image_; }
  ComMapConf* mapLayerPage() const { return layer_; }
  ComMapFileConf* mapFilePage() const { return file_; }
  QTabWidget* tabs() const { return tabs_; }

 public Q_SLOTS:
  void accept() override;  // OK
  void reject() override;  // Cancel

 private:
  struct Snapshot {
    std::array<int, 47> values{};
    std::array<bool, 47> flags{};
    std::array<std::string, 47> texts{};
  };
  void takeSnapshot();
  void restoreSnapshot();
  void pageChanged(int index);
  void reloadCoastlines();

  ComLogOutPut log_;
  ComPrpCnfInfo& settings_;
  map::ComWorldMap& world_;
  Snapshot snapshot_;
  QTabWidget* tabs_ = nullptr;
  ComUserConf* user_ = nullptr;
  ComImgOutConf* image_ = nullptr;
  ComMapConf* layer_ = nullptr;
  ComMapFileConf* file_ = nullptr;
  int activePage_ = -1;
  bool switching_ = false;
};

// Runs a sheet modally and returns QDialog::Accepted or Rejected. By default exec(); tests
// install their own to look at the sheet and press its buttons. Returns the runner it
// replaces; an empty one restores the default.
using SheetRunner = std::function<int(ComPropConf& sheet)>;
SheetRunner setSheetRunner(SheetRunner runner);

// A Preferences command: the sheet on `startPage` over `settings` (the active map view's own
// copy, or the main window's) and the main window's coastline data, owned by `owner`.
int ComOpenPropConf(CMainFrame& frame, QWidget* owner, ComPrpCnfInfo& settings, int startPage);

}  // namespace kivo::app
