#include "frame_widget.h"

#include "view_state.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWheelEvent>

#include <cstring>

uint32_t virtualKeyOf(int qtKey, bool keypad) {
    switch (qtKey) {
    case Qt::Key_Left: return kviewer::kVkLeft;
    case Qt::Key_Right: return kviewer::kVkRight;
    case Qt::Key_Up: return kviewer::kVkUp;
    case Qt::Key_Down: return kviewer::kVkDown;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kviewer::kVkReturn;
    default: break;
    }
    if (!keypad) return 0;
    switch (qtKey) {
    case Qt::Key_Asterisk: return kviewer::kVkMultiply;
    case Qt::Key_Slash: return kviewer::kVkDivide;
    case Qt::Key_Plus: return kviewer::kVkAdd;
    case Qt::Key_Minus: return kviewer::kVkSubtract;
    default: return 0;
    }
}

FrameWidget::FrameWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 48);
}

void FrameWidget::present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) {
    if (!pixels || width <= 0 || height <= 0) return;
    if (frame_.width() != width || frame_.height() != height) {
        frame_ = QImage(width, height, QImage::Format_RGB32);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(frame_.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * pitch, rowBytes);
    }
    update();
}

void FrameWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (frame_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // The screen-sized frame keeps its proportions, so pictures are never distorted.
    const QRect target = frameRect();
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame_);
}

QRect FrameWidget::frameRect() const {
    if (frame_.isNull()) return rect();
    const QSize fitted = frame_.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void FrameWidget::keyPressEvent(QKeyEvent* event) {
    const uint32_t vk = virtualKeyOf(event->key(), event->modifiers() & Qt::KeypadModifier);
    if (vk == 0 || !onKeyDown) return QWidget::keyPressEvent(event);
    onKeyDown(vk);
}

void FrameWidget::keyReleaseEvent(QKeyEvent* event) {
    const uint32_t vk = virtualKeyOf(event->key(), event->modifiers() & Qt::KeypadModifier);
    if (vk == 0 || event->isAutoRepeat() || !onKeyUp) return QWidget::keyReleaseEvent(event);
    onKeyUp(vk);
}

void FrameWidget::wheelEvent(QWheelEvent* event) {
    // Touchpads send fractions of a notch; act on whole notches only.
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    if (notches != 0 && onWheel) onWheel(notches);
    event->accept();
}

void FrameWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    dragging_ = true;
    dragFrom_ = event->position().toPoint();
}

void FrameWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return QWidget::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    const QPoint delta = at - dragFrom_;
    if (delta.isNull() || !onDrag) return;
    dragFrom_ = at;
    onDrag(delta);
}

void FrameWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void FrameWidget::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void FrameWidget::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile() || !onDrop) return;
    event->acceptProposedAction();
    onDrop(QFile::encodeName(urls.first().toLocalFile()).toStdString());
}
