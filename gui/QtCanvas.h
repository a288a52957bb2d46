// The Qt drawing area: a Canvas that paints into an image, and the widget that shows it.
#pragma once

#include "platform/Canvas.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <functional>

inline constexpr int kTwipsPerPixel = 15;

// Draws into a QImage through one painter kept open, so a sample costs one line draw.
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

    // Called once when the image changes after the last TakeChanged().
    std::function<void()> onChanged;
    // The pixels changed since the last call (empty when none), so a repaint covers only them.
    QRect TakeChanged();

private:
    void Allocate(QSize pixels);
    void UsePen(Rgb colour, LineStyle style);
    void Changed(const QRect& pixels);

    QImage image_;
    QPainter painter_;
    Rgb foreColor_{0, 0, 0};
    bool changed_ = false;
    QRect dirty_;
    bool penValid_ = false;
    // The last circle, in quarter pixels: a plot marks every sample, often many to a pixel.
    QPoint lastCircle_{-1, -1};
    float lastRadius_ = 0;
    Rgb lastCircleColour_;
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
