// The Qt programs' ends of the platform's UI hooks: message boxes, file dialogs and the
// shell's open verb shown with Qt widgets.
#pragma once

class QWidget;

namespace platform::qt {

// Installs the three hooks. Dialogs whose owner is not a widget are placed over
// `fallbackOwner` (none: free-standing).
void installQtHooks(QWidget* fallbackOwner = nullptr);

// Puts the headless defaults back, for a window that goes away before the program ends.
void removeQtHooks();

}  // namespace platform::qt
