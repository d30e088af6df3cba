// Placeholder until the animation output settings dialog arrives: nothing is shown and the
// settings stay as they are.

#include "app/settings_dialogs/movie_output_dialog.h"

namespace kivo::app {

int runMovieOutputDialog(QWidget* /*parent*/, ComPrpCnfInfo& /*settings*/) { return 0; }

}  // namespace kivo::app
