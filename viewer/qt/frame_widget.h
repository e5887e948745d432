// The viewer's central widget: the window the graphics device presents to. It shows each
// presented frame scaled to its size and forwards keys, wheel, drags and drops.
#pragma once

#include <platform/window.h>

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <string>

class FrameWidget : public QWidget, public platform::Window {
public:
    explicit FrameWidget(QWidget* parent = nullptr);

    int32_t clientWidth() const override { return width(); }
    int32_t clientHeight() const override { return height(); }
    void present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) override;

    // Set by the main window; each is followed by a frame.
    std::function<void(uint32_t virtualKey)> onKeyDown;
    std::function<void(uint32_t virtualKey)> onKeyUp;
    std::function<void(int notches)> onWheel;
    std::function<void(QPoint widgetDelta)> onDrag;
    std::function<void(const std::string& path)> onDrop;

    // Where the last frame is shown: as large as fits, centred, in its own proportions.
    QRect frameRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QImage frame_;
    QPoint dragFrom_;
    bool dragging_ = false;
    int wheelRemainder_ = 0;
};

// The virtual-key code of a Qt key event, 0 for keys the viewer ignores.
uint32_t virtualKeyOf(int qtKey, bool keypad);
