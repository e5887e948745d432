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

#include <cmath>
#include <cstring>

uint32_t virtualKeyOf(int qtKey, bool keypad) {
    switch (qtKey) {
    case Qt::Key_Left: return kviewer::kVkLeft;
    case Qt::Key_Right: return kviewer::kVkRight;
    case Qt::Key_Up: return kviewer::kVkUp;
    case Qt::Key_Down: return kviewer::kVkDown;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kviewer::kVkReturn;
    case Qt::Key_F: return kviewer::kVkF;
    default: break;
    }
    if (keypad) {
        switch (qtKey) {
        case Qt::Key_Asterisk: return kviewer::kVkMultiply;
        case Qt::Key_Slash: return kviewer::kVkDivide;
        case Qt::Key_Plus: return kviewer::kVkAdd;
        case Qt::Key_Minus: return kviewer::kVkSubtract;
        default: return 0;
        }
    }
    switch (qtKey) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: return kviewer::kVkOemPlus;
    case Qt::Key_Minus: return kviewer::kVkOemMinus;
    default: return 0;
    }
}

FrameWidget::FrameWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 48);
}

int32_t FrameWidget::clientWidth() const { return qRound(width() * devicePixelRatioF()); }

int32_t FrameWidget::clientHeight() const { return qRound(height() * devicePixelRatioF()); }

void FrameWidget::present(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) {
    if (!pixels || width <= 0 || height <= 0) return;
    if (frame_.width() != width || frame_.height() != height) {
        frame_ = QImage(width, height, QImage::Format_RGB32);
    }
    frame_.setDevicePixelRatio(devicePixelRatioF());
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(frame_.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * pitch, rowBytes);
    }
    update();
}

void FrameWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isNull()) return;
    // 1:1 and centred: while a resize is under way the last frame stays where the picture
    // was, until the device has the new size.
    const QSizeF shown = frame_.deviceIndependentSize();
    painter.drawImage(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), frame_);
}

void FrameWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResized) onResized();
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
    if (notches != 0 && onWheel) onWheel(notches, devicePoint(event->position()));
    event->accept();
}

void FrameWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    dragging_ = true;
    dragFrom_ = event->position();
}

void FrameWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return QWidget::mouseMoveEvent(event);
    const QPointF at = event->position();
    const QPointF delta = devicePoint(at - dragFrom_);
    // Whole device pixels only; the rest stays for the next move.
    const QPointF whole(std::trunc(delta.x()), std::trunc(delta.y()));
    if (whole.isNull() || !onDrag) return;
    dragFrom_ += whole / devicePixelRatioF();
    onDrag(whole);
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
