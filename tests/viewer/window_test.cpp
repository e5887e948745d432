// The main window under the offscreen platform: the keys it maps, its shortcuts, the status
// line, and how the device follows a burst of size changes.
#include "main_window.h"
#include "viewer_fixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QWheelEvent>

#include <cstdlib>

using namespace kviewer;

namespace {

struct QtApp {
    QtApp() { setenv("QT_QPA_PLATFORM", "offscreen", 0); }
    int argc = 1;
    char name[12] = "viewer_test";
    char* argv[2] = {name, nullptr};
    QApplication qt{argc, argv};
};

void waitFor(int milliseconds) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

QAction* menuAction(MainWindow& window, uint32_t id) {
    for (QAction* top : window.menuBar()->actions())
        for (QAction* entry : top->menu()->actions())
            if (entry->data().toUInt() == id) return entry;
    return nullptr;
}

void key(QWidget* target, QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(type, qtKey, modifiers);
    QApplication::sendEvent(target, &event);
}

}  // namespace

TEST(Window, KeysOfTheKeypadAndTheMainRow) {
    EXPECT_EQ(virtualKeyOf(Qt::Key_Plus, true), kVkAdd);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Minus, true), kVkSubtract);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Asterisk, true), kVkMultiply);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Slash, true), kVkDivide);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Plus, false), kVkOemPlus);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Equal, false), kVkOemPlus);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Minus, false), kVkOemMinus);
    EXPECT_EQ(virtualKeyOf(Qt::Key_F, false), kVkF);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Enter, true), kVkReturn);
    // The main row's * and / are no rotation keys.
    EXPECT_EQ(virtualKeyOf(Qt::Key_Asterisk, false), 0u);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Slash, false), 0u);
}

TEST(Window, ShortcutsKeysWheelAndStatusLine) {
    QtApp qt;
    kvtest::TempDir dir;
    ASSERT_TRUE(viewertest::writeBmp(dir.file("a.bmp"), 40, 30, kvtest::makePhotoRgba(40, 30)));
    viewertest::UiRecorder ui;
    MainWindow window(ViewerSettings{dir.path().string(), "example.org"});
    window.rebuildMenu();
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(window.start(dir.file("a.bmp")));
    EXPECT_EQ(window.statusLabel()->text().toStdString(), "a.bmp \u2014 100%");

    ASSERT_NE(menuAction(window, kCmdOpen), nullptr);
    EXPECT_EQ(menuAction(window, kCmdOpen)->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(menuAction(window, kCmdSaveAsKvi)->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(menuAction(window, kCmdManual)->shortcut(), QKeySequence(QKeySequence::HelpContents));

    // The main row's = zooms on release, as keypad + does.
    key(window.frame(), QEvent::KeyPress, Qt::Key_Equal);
    EXPECT_EQ(window.app().view().zoom, 1.0f);
    key(window.frame(), QEvent::KeyRelease, Qt::Key_Equal);
    EXPECT_EQ(window.app().view().zoom, 1.25f);
    key(window.frame(), QEvent::KeyRelease, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(window.app().view().zoom, 1.0f);

    // A wheel notch up, with Ctrl as without, zooms about the pointer.
    for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        const QPointF at(10, 20);
        QWheelEvent wheel(at, window.frame()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.frame(), &wheel);
    }
    EXPECT_EQ(window.app().view().zoom, 1.5625f);
    waitFor(50);
    EXPECT_EQ(window.statusLabel()->text().toStdString(), "a.bmp \u2014 156%");

    // A picture that cannot be shown: the box, then the status line says which and why.
    EXPECT_FALSE(window.app().open(dir.file("gone.bmp")));
    EXPECT_EQ(window.statusBar()->currentMessage().toStdString(),
              dir.file("gone.bmp") + ": File not found or can't be open!");
    EXPECT_EQ(window.statusLabel()->text().toStdString(), "a.bmp \u2014 156%");
}

TEST(Window, TheDeviceFollowsAResizeBurstOnce) {
    QtApp qt;
    viewertest::UiRecorder ui;
    MainWindow window(ViewerSettings{"/nonexistent", "example.org"});
    window.resize(400, 300);
    window.show();
    waitFor(50);
    ASSERT_TRUE(window.start(""));
    EXPECT_EQ(window.app().graphicsInitCount(), 1u);
    EXPECT_EQ(window.app().viewWidth(), uint32_t(window.frame()->clientWidth()));
    // A window manager's drag: one size after another, each handled before the next.
    for (int step = 1; step <= 6; ++step) {
        window.resize(400 + step * 30, 300 + step * 10);
        QApplication::processEvents();
    }
    EXPECT_EQ(window.app().graphicsInitCount(), 1u);
    waitFor(MainWindow::kResizeSettleMs * 3);
    EXPECT_EQ(window.app().graphicsInitCount(), 2u);
    EXPECT_EQ(window.app().viewWidth(), uint32_t(window.frame()->clientWidth()));
    EXPECT_EQ(window.app().viewHeight(), uint32_t(window.frame()->clientHeight()));
}
