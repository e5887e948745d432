// The viewer's central widget: the window the graphics device presents to. The device's back
// buffer has the widget's size in device pixels, so each frame is shown 1:1; it forwards
// keys, wheel, drags, drops and size changes.
#pragma once

#include <platform/window.h>

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <string>

class FrameWidget : public QWidget, public platform::Window {
public:
    explicit FrameWidget(QWidget* parent = nullptr);

    // In device pixels, which are the back buffer's.
    int32_t clientWidth() const override;
    int32_t clientHeight() const override;
    void present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) override;

    // Set by the main window. Positions and distances are in device pixels.
    std::function<void(uint32_t virtualKey)> onKeyDown;
    std::function<void(uint32_t virtualKey)> onKeyUp;
    std::function<void(int notches, QPointF at)> onWheel;
    std::function<void(QPointF delta)> onDrag;
    std::function<void(const std::string& path)> onDrop;
    std::function<void()> onResized;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPointF devicePoint(QPointF logical) const { return logical * devicePixelRatioF(); }

    QImage frame_;
    QPointF dragFrom_;
    bool dragging_ = false;
    int wheelRemainder_ = 0;
};

// The virtual-key code of a Qt key event, 0 for keys the viewer ignores.
uint32_t virtualKeyOf(int qtKey, bool keypad);
