// The Qt drawing area: a Canvas that paints into an image, and the widget that shows it.
#pragma once

#include "platform/Canvas.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

inline constexpr int kTwipsPerPixel = 15;

// Draws into a QImage. Solid lines (the traces) are kept per pixel column as the rows already
// painted, so a dense trace costs a few pixel writes a sample however many samples share a
// column; circles are stamped from shapes the painter drew once. Dotted lines go through one
// painter kept open.
class QtCanvas final : public Canvas {
public:
    explicit QtCanvas(QSize pixels = QSize(1, 1));
    ~QtCanvas() override;

    float Width() const override;
    float Height() const override;
    void Clear() override;
    void Line(float x1, float y1, float x2, float y2, Rgb colour, LineStyle style) override;
    void Circle(float x, float y, float radius, Rgb colour) override;
    Rgb ForeColor() const override { return foreColor_; }

    // A new size in pixels; the content is cleared.
    void Resize(QSize pixels);
    const QImage& Image() const { return image_; }

    // Off, every solid segment is painted whole, as a reference for the columns' drawing.
    void KeepColumns(bool keep) { keepColumns_ = keep; }

    // Called once when the image changes after the last TakeChanged().
    std::function<void()> onChanged;
    // The pixels changed since the last call (empty when none), so a repaint covers only them.
    QRect TakeChanged();

private:
    void Allocate(QSize pixels);
    void UsePen(Rgb colour, LineStyle style);
    void Changed(const QRect& pixels);
    void PaintRun(int column, int top, int bottom, QRgb colour);
    void ForgetColumns(int from, int to, int top, int bottom);

    struct Rows {
        int top = 1, bottom = 0; // none
    };

    QImage image_;
    uchar* bits_ = nullptr;
    qsizetype bytesPerLine_ = 0;
    QPainter painter_;
    Rgb foreColor_{0, 0, 0};
    bool changed_ = false;
    QRect dirty_;
    bool penValid_ = false;
    // Per column, the rows of solid lines in columnColour_ painted since the last clear.
    std::vector<Rows> columns_;
    QRgb columnColour_ = 0;
    bool keepColumns_ = true;
    // The pixels a circle covers, by radius and position of its centre within a pixel.
    struct CircleShape {
        std::vector<QPoint> pixels;
        QRect bounds;
    };
    static CircleShape DrawnCircle(qreal radius, QPointF within);
    std::array<CircleShape, 16> circleShapes_; // by position within the pixel, in quarters
    float shapesRadius_ = -1;
    // A circle's centre in quarter pixels, its radius and colour.
    struct Stamp {
        int x, y;
        float radius;
        QRgb rgb;
        bool operator==(const Stamp&) const = default;
    };
    std::optional<Stamp> lastStamp_; // none once anything else was drawn
    Rgb penColour_;
    LineStyle penStyle_ = LineStyle::Solid;
};

// Shows a QtCanvas and repaints it at most about 60 times a second however fast it is drawn on.
class CanvasWidget final : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    QtCanvas& Canvas() { return canvas_; }
    // After a resize (the canvas is then blank) and on a mouse press.
    std::function<void()> onResized;
    std::function<void(QMouseEvent*)> onMousePress;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void ScheduleRepaint();

    QtCanvas canvas_;
    QTimer repaintTimer_;
    QElapsedTimer sinceRepaint_;
};
