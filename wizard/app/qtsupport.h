// The pieces of the program that need QtCore but no display: settings and starting programs.
// Batch mode uses them without any QApplication.
#pragma once

#include "wizardapp.h"

namespace wizard {

// QSettings "Orlen Works" / "kvPictureWizard": the default value "Default" is the program
// directory (read only; the program writes no settings), "UpdateHost" and "UpdateTimeoutMs"
// the update server and its time-out.
WizardConfig loadConfig();

// Qt's own texts (Yes and No of the questions, the file dialogs) in Russian, the language of
// the window, where Qt's Russian translation is installed. Needs a QApplication.
void translateQtTexts();

// Makes the shell's open verb start executables directly (with their own folder as working
// directory); everything else goes on to the hook that was installed before.
void installProgramStarter();

}  // namespace wizard
