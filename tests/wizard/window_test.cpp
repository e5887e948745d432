// The window's menu, toolbar and start-up, under the offscreen platform.
#include "mainwindow.h"
#include "qtsupport.h"

#include <gtest/gtest.h>
#include <platform/ui.h>

#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolBar>

#include <cstdlib>

namespace {

std::string describe(QAction* action) {
    if (action->isSeparator()) return "-";
    return action->text().toStdString() + " " + std::to_string(action->data().toInt());
}

struct QtApp {
    QtApp() { setenv("QT_QPA_PLATFORM", "offscreen", 0); }
    int argc = 1;
    char name[12] = "wizard_test";
    char* argv[2] = {name, nullptr};
    QApplication qt{argc, argv};
};

void writeText(const std::string& path, const std::string& text) {
    kvtest::writeFile(path, kvtest::Bytes(text.begin(), text.end()));
}

TEST(Window, MenuToolbarAndSilentStart) {
    QtApp qtApp;
    QApplication& qt = qtApp.qt;
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
                        "&Выполнить 40003", "&Остановить 40009",
                        "&Помощь 0", "  &О программе 40005", "  Р&уководство 40006", "  -",
                        "  П&роверить обновление 40007", "  -", "  &kvPicture Wizard On-Line 40008"}));

    const QToolBar* bar = window.findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->property("controlId").toInt(), wizard::kToolbarId);
    std::vector<int> buttons;
    for (QAction* action : bar->actions()) buttons.push_back(action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(buttons, (std::vector<int>{40001, 0, 40003, 40009, 40004, 40006, 40007}));

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

TEST(Window, ShowsTheScriptAndTheMessagesOfItsLastRun) {
    QtApp qt;
    kvtest::TempDir dir;
    wizard::WizardApp app(wizard::WizardConfig{"", "127.0.0.1:1", 300});
    wizard::MainWindow window(app);
    EXPECT_TRUE(window.scriptView()->isReadOnly());
    EXPECT_TRUE(window.messagesView()->isReadOnly());

    const std::string script = "pwInfo('hello')\npwError('bad\\nthing')\n";
    writeText(dir.file("first.lua"), script);
    window.openScript(dir.file("first.lua"));
    EXPECT_EQ(window.windowTitle().toStdString(), "kvPictureWizard \u2014 first.lua");
    EXPECT_EQ(window.scriptView()->toPlainText().toStdString(), script);

    // The messages go on to whatever shows them; the window keeps a copy.
    std::vector<std::string> boxes;
    platform::setMessageBoxHook([&](HWND, const char* text, const char*, UINT) {
        boxes.push_back(text);
        return IDNO;
    });
    window.command(wizard::kCmdRun);
    EXPECT_EQ(boxes.size(), 3u);
    EXPECT_EQ(window.messagesView()->toPlainText().toStdString(),
              "Information!: hello\nError!: bad\nthing\n"
              "Все ОК: Выполнение скрипта завершено!\nПросмотреть результат?");

    // A script error: the design's box, with Lua's message (file, line, what) as its detail.
    writeText(dir.file("broken.lua"), "local x = nil\nx.field = 1\n");
    window.openScript(dir.file("broken.lua"));
    EXPECT_TRUE(window.messagesView()->toPlainText().isEmpty());
    QString caption, text, detail;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            detail = box->detailedText();
            box->accept();
        }
    });
    poll.start(10);
    boxes.clear();
    window.command(wizard::kCmdRun);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(caption.toStdString(), "Error!");
    EXPECT_EQ(text.toStdString(), "Error executing script!");
    EXPECT_NE(detail.toStdString().find("broken.lua:2: attempt to index"), std::string::npos) << detail.toStdString();
    EXPECT_NE(window.messagesView()->toPlainText().toStdString().find("broken.lua:2:"), std::string::npos);
    platform::setMessageBoxHook({});
}

// The actions of one command, in the menu bar and on the toolbar.
std::vector<QAction*> actionsOf(wizard::MainWindow& window, int id) {
    std::vector<QAction*> found;
    for (QAction* action : window.findChildren<QAction*>())
        if (action->data().toInt() == id) found.push_back(action);
    return found;
}

// An endless script keeps the window answering; Stop (Esc) ends it, and so does closing.
TEST(Window, RunningScriptsCanBeStopped) {
    QtApp qt;
    kvtest::TempDir dir;
    wizard::WizardApp app(wizard::WizardConfig{"", "127.0.0.1:1", 300});
    wizard::MainWindow window(app);
    window.show();
    std::vector<std::string> boxes;
    platform::setMessageBoxHook([&](HWND, const char* text, const char* caption, UINT) {
        boxes.push_back(std::string(caption) + ": " + text);
        return IDNO;
    });
    const std::vector<QAction*> stops = actionsOf(window, wizard::kCmdStop);
    const std::vector<QAction*> runs = actionsOf(window, wizard::kCmdRun);
    ASSERT_EQ(stops.size(), 2u);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(stops[0]->shortcut(), QKeySequence(Qt::Key_Escape));
    for (QAction* stop : stops) EXPECT_FALSE(stop->isEnabled());

    writeText(dir.file("endless.lua"), "while true do end");
    window.openScript(dir.file("endless.lua"));
    bool runDisabled = false, stopEnabled = false;
    QTimer::singleShot(100, [&] {  // fires while the script runs: the window still answers
        runDisabled = !runs[0]->isEnabled() && !runs[1]->isEnabled();
        stopEnabled = stops[0]->isEnabled() && stops[1]->isEnabled();
        window.command(wizard::kCmdRun);  // a second run does not start inside the first
        stops[1]->trigger();
    });
    window.command(wizard::kCmdRun);
    EXPECT_TRUE(runDisabled);
    EXPECT_TRUE(stopEnabled);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Внимание!: Выполнение скрипта остановлено!"}));
    EXPECT_TRUE(runs[0]->isEnabled());
    EXPECT_FALSE(stops[0]->isEnabled());

    // Closing the window while a script runs ends the script, then the window.
    QTimer::singleShot(100, [&] { window.close(); });
    window.command(wizard::kCmdRun);
    EXPECT_FALSE(window.isVisible());
    platform::setMessageBoxHook({});
}

TEST(Window, RussianQuestionsGetRussianButtons) {
    QtApp qt;
    wizard::translateQtTexts();
    QMessageBox box(QMessageBox::Information, "Все ОК", "Просмотреть результат?", QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&').toStdString(), "Да");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&').toStdString(), "Нет");
}

}  // namespace
