// kvPictureWizard: runs Lua picture scripts from its window, or without one in batch mode.
#include "batch.h"
#include "mainwindow.h"
#include "qtsupport.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (wizard::isBatchInvocation(args)) {
        // No QApplication: batch mode needs no display.
        wizard::installProgramStarter();
        return wizard::runBatch(args, wizard::loadConfig());
    }
    QApplication application(argc, argv);
    wizard::WizardApp app(wizard::loadConfig());
    wizard::MainWindow window(app);
    wizard::installProgramStarter();
    window.show();
    return application.exec();
}
