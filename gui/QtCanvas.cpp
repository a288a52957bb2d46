#include "gui/QtCanvas.h"

#include <QPaintEvent>
#include <QPen>

#include <algorithm>
#include <utility>

namespace {

constexpr int kFrameMs = 16;
const QColor kBackground = Qt::white;

QPointF ToPixels(float x, float y) { return {x / kTwipsPerPixel, y / kTwipsPerPixel}; }

// The pixels a pen of width 1 may touch around the given points.
QRect Around(QPointF a, QPointF b) {
    return QRectF(a, b).normalized().toAlignedRect().adjusted(-2, -2, 2, 2);
}

} // namespace

QtCanvas::QtCanvas(QSize pixels) { Allocate(pixels); }

QtCanvas::~QtCanvas() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

float QtCanvas::Width() const { return static_cast<float>(image_.width() * kTwipsPerPixel); }

float QtCanvas::Height() const { return static_cast<float>(image_.height() * kTwipsPerPixel); }

void QtCanvas::Clear() {
    image_.fill(kBackground);
    lastCircle_ = QPoint(-1, -1);
    Changed(image_.rect());
}

// A plot draws thousands of segments in one colour: the pen is only rebuilt when it changes.
void QtCanvas::UsePen(Rgb colour, LineStyle style) {
    if (penValid_ && colour == penColour_ && style == penStyle_) {
        return;
    }
    QPen pen(QColor(colour.r, colour.g, colour.b));
    pen.setWidth(1);
    pen.setStyle(style == LineStyle::Dot ? Qt::DotLine : Qt::SolidLine);
    painter_.setPen(pen);
    penColour_ = colour;
    penStyle_ = style;
    penValid_ = true;
}

void QtCanvas::Line(float x1, float y1, float x2, float y2, Rgb colour, LineStyle style) {
    UsePen(colour, style);
    const QPointF a = ToPixels(x1, y1);
    const QPointF b = ToPixels(x2, y2);
    painter_.drawLine(a, b);
    Changed(Around(a, b));
}

void QtCanvas::Circle(float x, float y, float radius, Rgb colour) {
    const QPointF centre = ToPixels(x, y);
    const QPoint quarters = (centre * 4).toPoint();
    if (quarters == lastCircle_ && radius == lastRadius_ && colour == lastCircleColour_) {
        return;
    }
    lastCircle_ = quarters;
    lastRadius_ = radius;
    lastCircleColour_ = colour;
    UsePen(colour, LineStyle::Solid);
    const qreal r = radius / kTwipsPerPixel;
    painter_.drawEllipse(centre, r, r);
    Changed(Around(centre - QPointF(r, r), centre + QPointF(r, r)));
}

void QtCanvas::Resize(QSize pixels) {
    Allocate(pixels);
    Changed(image_.rect());
}

void QtCanvas::Allocate(QSize pixels) {
    if (painter_.isActive()) {
        painter_.end();
    }
    image_ = QImage(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(kBackground);
    painter_.begin(&image_);
    painter_.setBrush(Qt::NoBrush);
    penValid_ = false;
    lastCircle_ = QPoint(-1, -1);
}

QRect QtCanvas::TakeChanged() {
    changed_ = false;
    return std::exchange(dirty_, QRect()).intersected(image_.rect());
}

void QtCanvas::Changed(const QRect& pixels) {
    dirty_ |= pixels;
    if (changed_) {
        return;
    }
    changed_ = true;
    if (onChanged) {
        onChanged();
    }
}

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent), canvas_(size()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    repaintTimer_.setSingleShot(true);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] {
        const QRect changed = canvas_.TakeChanged();
        if (!changed.isEmpty()) {
            update(changed);
        }
    });
    canvas_.onChanged = [this] { ScheduleRepaint(); };
    sinceRepaint_.start();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    sinceRepaint_.restart();
    QPainter painter(this);
    painter.drawImage(event->rect(), canvas_.Image(), event->rect());
}

void CanvasWidget::resizeEvent(QResizeEvent*) {
    canvas_.Resize(size());
    if (onResized) {
        onResized();
    }
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    if (onMousePress) {
        onMousePress(event);
    } else {
        QWidget::mousePressEvent(event);
    }
}

void CanvasWidget::ScheduleRepaint() {
    if (repaintTimer_.isActive()) {
        return;
    }
    const qint64 wait = kFrameMs - sinceRepaint_.elapsed();
    repaintTimer_.start(static_cast<int>(std::clamp<qint64>(wait, 0, kFrameMs)));
}
