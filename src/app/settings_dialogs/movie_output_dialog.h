#pragma once

// The animation output settings dialog, run modally on a settings object.

#include "app/settings/settings_store.h"

class QWidget;

namespace kivo::app {

// Runs the dialog on `settings`: the settings are written when the user accepts. Returns 0.
int runMovieOutputDialog(QWidget* parent, ComPrpCnfInfo& settings);

}  // namespace kivo::app
