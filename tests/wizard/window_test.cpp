// The window's menu, toolbar and start-up, under the offscreen platform.
#include "mainwindow.h"

#include <gtest/gtest.h>
#include <platform/ui.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QToolBar>

#include <cstdlib>

namespace {

std::string describe(QAction* action) {
    if (action->isSeparator()) return "-";
    return action->text().toStdString() + " " + std::to_string(action->data().toInt());
}

TEST(Window, MenuToolbarAndSilentStart) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char name[] = "wizard_tests";
    char* argv[] = {name, nullptr};
    QApplication qt(argc, argv);
    wizard::WizardApp app(wizard::WizardConfig{"", "127.0.0.1:1", 300});
    wizard::MainWindow window(app);
    std::vector<std::string> boxes;
    platform::setMessageBoxHook([&](HWND, const char* text, const char* caption, UINT) {
        boxes.push_back(std::string(caption) + ": " + text);
        return IDNO;
    });

    EXPECT_EQ(window.windowTitle().toStdString(), "kvPictureWizard");
    EXPECT_EQ(window.size(), QSize(500, 300));
    std::vector<std::string> menu;
    for (QAction* top : window.menuBar()->actions()) {
        menu.push_back(describe(top));
        if (top->menu())
            for (QAction* item : top->menu()->actions()) menu.push_back("  " + describe(item));
    }
    EXPECT_EQ(menu, (std::vector<std::string>{
                        "&Файл 0", "  &Открыть 40001", "  -", "  В&ыйти 40002",
                        "&Выполнить 40003",
                        "&Помощь 0", "  &О программе 40005", "  Р&уководство 40006", "  -",
                        "  П&роверить обновление 40007", "  -", "  &kvPicture Wizard On-Line 40008"}));

    const QToolBar* bar = window.findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->property("controlId").toInt(), wizard::kToolbarId);
    std::vector<int> buttons;
    for (QAction* action : bar->actions()) buttons.push_back(action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(buttons, (std::vector<int>{40001, 0, 40003, 40004, 40006, 40007}));

    // The start-up check finds nobody listening and says nothing.
    QElapsedTimer waited;
    waited.start();
    while (window.updateCheckRunning() && waited.elapsed() < 10000) qt.processEvents();
    qt.processEvents();
    EXPECT_FALSE(window.updateCheckRunning());
    EXPECT_TRUE(boxes.empty());

    window.command(wizard::kCmdRun);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Внимание!: Скрипт не загружен!\nЗагрузите kvPicture Wizard LUA-скрипт!");
}

}  // namespace
