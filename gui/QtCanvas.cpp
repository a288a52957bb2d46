#include "gui/QtCanvas.h"

#include <QPaintEvent>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kFrameMs = 16;
const QColor kBackground = Qt::white;

QPointF ToPixels(float x, float y) { return {x / kTwipsPerPixel, y / kTwipsPerPixel}; }

// The pixels a pen of width 1 may touch around the given points.
QRect Around(QPointF a, QPointF b) {
    return QRectF(a, b).normalized().toAlignedRect().adjusted(-2, -2, 2, 2);
}

constexpr int kCirclePhases = 4; // positions of a circle's centre within a pixel, each way

// floor() without a library call on processors that lack a rounding instruction.
int Row(double y) {
    const int truncated = static_cast<int>(y);
    return y < truncated ? truncated - 1 : truncated;
}

// The rows a line one pixel wide covers in each column it crosses: the row of its centre on
// the column, and a steep step's rows split between the two columns beside it, so that the
// line stays thin and connected; the end points' rows are always in.
template <class Run> void SegmentRuns(QPointF a, QPointF b, Run&& run) {
    if (b.x() < a.x()) {
        std::swap(a, b);
    }
    const int first = Row(a.x()), last = Row(b.x());
    if (first == last) {
        run(first, std::min(Row(a.y()), Row(b.y())), std::max(Row(a.y()), Row(b.y())));
        return;
    }
    const double slope = (b.y() - a.y()) / (b.x() - a.x());
    const auto centre = [&](int column) {
        const double x = std::clamp(column + 0.5, a.x(), b.x());
        return Row(a.y() + (x - a.x()) * slope);
    };
    int here = centre(first), before = here;
    for (int column = first; column <= last; ++column) {
        const int next = column < last ? centre(column + 1) : here;
        int top = here, bottom = here;
        // Of a gap down to the next row, the upper half is this column's; of a gap up, the
        // lower half. The other halves are the neighbours'.
        if (next > here + 1) {
            bottom = (here + next) / 2;
        } else if (next < here - 1) {
            top = static_cast<int>(std::ceil((here + next) / 2.0));
        }
        if (before > here + 1) {
            bottom = std::max(bottom, (here + before) / 2);
        } else if (before < here - 1) {
            top = std::min(top, static_cast<int>(std::ceil((here + before) / 2.0)));
        }
        for (const QPointF& end : {a, b}) {
            if (Row(end.x()) == column) {
                top = std::min(top, Row(end.y()));
                bottom = std::max(bottom, Row(end.y()));
            }
        }
        run(column, top, bottom);
        before = here;
        here = next;
    }
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
    columns_.assign(static_cast<size_t>(image_.width()), Rows{});
    lastStamp_.reset();
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
    const QPointF a = ToPixels(x1, y1);
    const QPointF b = ToPixels(x2, y2);
    if (style != LineStyle::Solid) {
        UsePen(colour, style);
        painter_.drawLine(a, b);
        lastStamp_.reset();
        const QRect around = Around(a, b);
        ForgetColumns(around.left(), around.right(), around.top(), around.bottom());
        Changed(around);
        return;
    }
    const QRgb rgb = qRgb(colour.r, colour.g, colour.b);
    if (rgb != columnColour_) {
        columns_.assign(columns_.size(), Rows{});
        columnColour_ = rgb;
    }
    SegmentRuns(a, b, [&](int column, int top, int bottom) { PaintRun(column, top, bottom, rgb); });
}

// Paints the rows of a column that are not painted yet. Rows that touch those already painted
// make one run with them; a run apart from them is painted whole and replaces them.
void QtCanvas::PaintRun(int column, int top, int bottom, QRgb colour) {
    top = std::max(top, 0);
    bottom = std::min(bottom, image_.height() - 1);
    if (column < 0 || column >= image_.width() || top > bottom) {
        return;
    }
    Rows& painted = columns_[static_cast<size_t>(column)];
    const bool touches = keepColumns_ && painted.top <= painted.bottom &&
                         top <= painted.bottom + 1 && bottom >= painted.top - 1;
    const auto paint = [&](int from, int to) {
        lastStamp_.reset();
        for (int y = from; y <= to; ++y) {
            reinterpret_cast<QRgb*>(bits_ + y * bytesPerLine_)[column] = colour;
        }
        if (from <= to) {
            Changed(QRect(column, from, 1, to - from + 1));
        }
    };
    if (touches) {
        paint(top, painted.top - 1);
        paint(painted.bottom + 1, bottom);
        painted = {std::min(top, painted.top), std::max(bottom, painted.bottom)};
    } else {
        paint(top, bottom);
        painted = {top, bottom};
    }
}

// What else is drawn over a column's painted rows leaves them to be painted again.
void QtCanvas::ForgetColumns(int from, int to, int top, int bottom) {
    from = std::max(from, 0);
    to = std::min(to, static_cast<int>(columns_.size()) - 1);
    for (int column = from; column <= to; ++column) {
        Rows& painted = columns_[static_cast<size_t>(column)];
        if (painted.top <= bottom && painted.bottom >= top) {
            painted = Rows{};
        }
    }
}

// The painter draws each circle's shape once per radius and position within a pixel; the same
// shape is then stamped wherever a circle's centre falls.
void QtCanvas::Circle(float x, float y, float radius, Rgb colour) {
    const QPointF centre = ToPixels(x, y) * kCirclePhases;
    const Stamp stamp{Row(centre.x()), Row(centre.y()), radius, qRgb(colour.r, colour.g, colour.b)};
    // A plot marks every sample, often many to a pixel: the same stamp again changes nothing.
    if (lastStamp_ && *lastStamp_ == stamp) {
        return;
    }
    const int px = (stamp.x % kCirclePhases + kCirclePhases) % kCirclePhases;
    const int py = (stamp.y % kCirclePhases + kCirclePhases) % kCirclePhases;
    const QPoint at((stamp.x - px) / kCirclePhases, (stamp.y - py) / kCirclePhases);
    const QRgb rgb = stamp.rgb;
    if (radius != shapesRadius_) {
        circleShapes_.fill(CircleShape{});
        shapesRadius_ = radius;
    }
    CircleShape& shape = circleShapes_[static_cast<size_t>(py * kCirclePhases + px)];
    if (shape.pixels.empty()) {
        shape = DrawnCircle(radius / kTwipsPerPixel, QPointF(px, py) / kCirclePhases);
    }
    const QRect touched = shape.bounds.translated(at) & image_.rect();
    for (const QPoint& offset : shape.pixels) {
        const int column = at.x() + offset.x(), row = at.y() + offset.y();
        if (column >= touched.left() && column <= touched.right() && row >= touched.top() &&
            row <= touched.bottom()) {
            reinterpret_cast<QRgb*>(bits_ + row * bytesPerLine_)[column] = rgb;
        }
    }
    if (!touched.isEmpty()) {
        ForgetColumns(touched.left(), touched.right(), touched.top(), touched.bottom());
        Changed(touched);
    }
    lastStamp_ = stamp;
}

// The pixels the painter covers with a circle of this radius around this point of the pixel
// at the origin.
QtCanvas::CircleShape QtCanvas::DrawnCircle(qreal radius, QPointF within) {
    const int margin = static_cast<int>(std::ceil(radius)) + 3;
    QImage scratch(2 * margin + 1, 2 * margin + 1, QImage::Format_RGB32);
    scratch.fill(kBackground);
    QPainter painter(&scratch);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawEllipse(within + QPointF(margin, margin), radius, radius);
    painter.end();
    CircleShape shape;
    for (int sy = 0; sy < scratch.height(); ++sy) {
        for (int sx = 0; sx < scratch.width(); ++sx) {
            if (scratch.pixel(sx, sy) != kBackground.rgb()) {
                shape.pixels.emplace_back(sx - margin, sy - margin);
                shape.bounds |= QRect(sx - margin, sy - margin, 1, 1);
            }
        }
    }
    return shape;
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
    bits_ = image_.bits();
    bytesPerLine_ = image_.bytesPerLine();
    columns_.assign(static_cast<size_t>(image_.width()), Rows{});
    lastStamp_.reset();
    painter_.begin(&image_);
    painter_.setBrush(Qt::NoBrush);
    penValid_ = false;
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
