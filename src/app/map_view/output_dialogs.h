#pragma once

// What the view's outputs share: the output folder, the save dialog, batch output paths and
// the wait cursor while an output runs.

#include <QGuiApplication>
#include <QWidget>

#include <string>

#include "app/settings/settings_store.h"

namespace kivo::app {

// A save dialog's filters in the form "Name (*.x)|*.x|...||" (translated in the context
// "kivo::app::OutputDialogs"; mark them with QT_TRANSLATE_NOOP) and its default extension.
struct SaveDialog {
  const char* filter;
  const char* suffix;
};

// The output folder of the settings; a relative one lies under the program folder.
std::string outputFolder(const ComPrpCnfInfo& settings);
// The save dialog in the output folder, proposing `name`: each filter shows the patterns of
// both of its parts, and choosing it makes its extension the default one. Empty when cancelled.
std::string chooseOutputFile(QWidget* parent, const ComPrpCnfInfo& settings, const std::string& name,
                             const SaveDialog& kind);
// A batch output path: a relative one lies in the output folder; missing folders are made.
std::string batchOutputPath(const ComPrpCnfInfo& settings, const std::string& requested);

// The wait cursor while an output runs.
class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace kivo::app
