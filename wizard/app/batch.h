// `kvPictureWizard --run SCRIPT [--yes] [--timeout SECONDS]`: a script run without a window. Message boxes become
// "CAPTION: TEXT" lines on standard output (line feeds of TEXT written as \n), questions are
// answered No (Yes with --yes), file dialogs are cancelled.
#pragma once

#include "wizardapp.h"

#include <string>
#include <vector>

namespace wizard {

// True when the arguments ask for batch mode (they name --run, --yes or --timeout).
bool isBatchInvocation(const std::vector<std::string>& args);

// Runs batch mode; returns the exit code: 0 after a run without "Error!" boxes, 1 after a
// failed one, 2 for a usage error, 3 when the script ran to its end but showed at least one
// "Error!" box, 4 when it ran longer than --timeout allowed (said on standard error; a
// script that cannot be stopped from inside ends the process with 4 two seconds later).
// `args` excludes the program name.
int runBatch(const std::vector<std::string>& args, const WizardConfig& config);

// The line a message box becomes: "CAPTION: TEXT" with each line feed of TEXT as \n.
std::string batchMessageLine(const char* caption, const char* text);

}  // namespace wizard
