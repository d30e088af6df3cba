#pragma once

// The program's own tool-bar icons and application icon, drawn rather than shipped as files.

#include <QIcon>

namespace kivo::app {

// The icon of a tool-bar command (an empty icon for an id without one).
QIcon toolIcon(int commandId);
// The application's icon: a globe with a swath across it.
QIcon applicationIcon();
// The application icon at `size` pixels, for files (the desktop entry's icon).
QImage applicationIconImage(int size);

}  // namespace kivo::app
