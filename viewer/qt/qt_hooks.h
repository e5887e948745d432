// Message boxes, file dialogs and the shell's open verb shown with Qt widgets.
#pragma once

namespace viewer_qt {

// Installs the three platform hooks for the life of the program.
void installQtHooks();

}  // namespace viewer_qt
