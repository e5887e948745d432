// kvPictureWizard: runs Lua picture scripts from its window, or without one in batch mode.
#include "batch.h"
#include "kvPictureWizard_help.h"
#include "mainwindow.h"
#include "qtsupport.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

namespace {

namespace help = kvhelp_kvPictureWizard;

int usageError(const std::string& argument) {
    std::fprintf(stderr, "kvPictureWizard: unexpected '%s'\n%s", argument.c_str(), help::usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(help::text, stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::printf("%s %s (%s, build %s)\n", help::name, help::version, wizard::kVersionText,
                    wizard::kBuildNumber);
        return 0;
    }
    if (wizard::isBatchInvocation(args)) {
        // No QApplication: batch mode needs no display.
        wizard::installProgramStarter();
        return wizard::runBatch(args, wizard::loadConfig());
    }
    // The window takes at most the script to open.
    if (args.size() > 1) return usageError(args[1]);
    if (args.size() == 1 && args[0].size() > 1 && args[0][0] == '-') return usageError(args[0]);

    QApplication application(argc, argv);
    wizard::translateQtTexts();
    wizard::WizardApp app(wizard::loadConfig());
    wizard::MainWindow window(app);
    wizard::installProgramStarter();
    if (!args.empty()) window.openScript(args[0]);
    window.show();
    return application.exec();
}
