#pragma once

// The animation output settings: title, file-name caption, colour bar, frame rate and map
// layers of the movies made from a list of files.

#include <QWidget>

#include "app/settings/settings_store.h"

namespace kivo::app {

// Runs the animation output settings dialog modally over `settings`. OK stores the dialog's
// values and writes the settings file; Cancel leaves the settings as they were. Returns 1 for
// OK, 0 for Cancel.
int runMovieOutputDialog(QWidget* parent, ComPrpCnfInfo& settings);

}  // namespace kivo::app
