#include "gui/frmNoiseAnalysis.h"

#include "commands/NoiseAnalysis.h"
#include "gui/QtControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFont>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

QString AskPathWithDialog(QWidget* parent, bool save, const QString& filter) {
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), filter)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

// Where a log axis over [low, high] is labelled: every decade, with 2 and 5 between them when
// the axis spans less than three, every digit when it spans less than one, and evenly spaced
// numbers when even that leaves fewer than two labels. Labels are plain numbers: exponents
// are hard to read at a glance and a 1e-05 on an axis is easily misread.
struct Tick {
    double value;
    QString label;
};

std::vector<Tick> LogTicks(double low, double high) {
    std::vector<Tick> ticks;
    const double span = std::log10(high / low);
    const std::vector<int> mantissas = span >= 3   ? std::vector<int>{1}
                                       : span >= 1 ? std::vector<int>{1, 2, 5}
                                                   : std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9};
    const int first = static_cast<int>(std::floor(std::log10(low)));
    const int last = static_cast<int>(std::ceil(std::log10(high)));
    for (int decade = first; decade <= last; ++decade) {
        for (int m : mantissas) {
            const double value = m * std::pow(10.0, decade);
            if (value >= low && value <= high) {
                ticks.push_back({value, QString::number(value, 'f', std::max(0, -decade))});
            }
        }
    }
    if (ticks.size() >= 2) {
        return ticks;
    }
    ticks.clear();
    const double rough = (high - low) / 4;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double step = rough / power < 2 ? power : rough / power < 5 ? 2 * power : 5 * power;
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step))));
    for (double k = std::ceil(low / step); k * step <= high; ++k) {
        ticks.push_back({k * step, QString::number(k * step, 'f', decimals)});
    }
    return ticks;
}

// A log axis drawn on a linear one over log10 of the values, so that the labels can go
// anywhere: a log axis labels the decades alone, and a curve within one decade had none.
// Made once and then re-labelled: axes removed from a chart and made again left the old ones
// painted.
QCategoryAxis* LogAxis(QChart* chart, Qt::Alignment side, const QString& title, double low,
                       double high) {
    QCategoryAxis* axis = nullptr;
    const auto existing = chart->axes(side == Qt::AlignBottom ? Qt::Horizontal : Qt::Vertical);
    if (!existing.isEmpty()) {
        axis = qobject_cast<QCategoryAxis*>(existing.front());
    }
    if (axis == nullptr) {
        axis = new QCategoryAxis;
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        axis->setGridLineColor(QColor(215, 215, 215));
        // Labels measured for the last curve were cut to "..." when the next needed more room.
        axis->setTruncateLabels(false);
        chart->addAxis(axis, side);
    }
    axis->setTitleText(title);
    for (const QString& label : axis->categoriesLabels()) {
        axis->remove(label);
    }
    axis->setRange(std::log10(low), std::log10(high));
    axis->setStartValue(std::log10(low));
    for (const Tick& tick : LogTicks(low, high)) {
        axis->append(tick.label, std::log10(tick.value));
    }
    return axis;
}

void SetLogAxes(QChart* chart, const QString& xTitle, const QString& yTitle, double xLow,
                double xHigh, double yLow, double yHigh) {
    auto* x = LogAxis(chart, Qt::AlignBottom, xTitle, xLow / 1.2, xHigh * 1.2);
    auto* y = LogAxis(chart, Qt::AlignLeft, yTitle, yLow / 1.5, yHigh * 1.5);
    for (auto* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
}

// A point of the chart: the axes run over log10 of the values.
QPointF At(double x, double y) { return {std::log10(x), std::log10(y)}; }

// The record's units as an engineer writes them.
QString UnitsText() {
    const std::string& units = NoiseRecord().units;
    if (units == "Dgr/S") {
        return QStringLiteral("\u00B0/s");
    }
    if (units == "G") {
        return QStringLiteral("g");
    }
    // Short symbols, so that the rotated axis title fits a plot of the window's first size.
    if (units == "Volts") {
        return QStringLiteral("V");
    }
    if (units == "DgrC") {
        return QStringLiteral("\u00B0C");
    }
    return ToQt(units);
}

// A point's error bar: its 68 % bounds; a bound at zero or below is cut at a tenth of the
// point (log scale).
std::pair<double, double> Bounds(const AllanPoint& p) {
    if (!(p.high > p.low)) {
        return {p.deviation, p.deviation};
    }
    return {std::max(p.low, p.deviation / 10), p.high};
}

QLineSeries* NewLine(const QColor& colour, qreal width, Qt::PenStyle style = Qt::SolidLine) {
    auto* line = new QLineSeries;
    QPen pen(colour, width, style);
    line->setPen(pen);
    return line;
}

// The fitted lines, sigma = value * tau^slope, each over the taus its fit used.
struct FitLine {
    double value, slope, tauLow, tauHigh;
    QColor colour;
};

std::vector<FitLine> FitLines(const AllanResult& r) {
    std::vector<FitLine> lines;
    if (r.whiteNoise) { // sigma = N / sqrt(tau)
        lines.push_back({*r.whiteNoise, -0.5, r.whiteNoiseFit.tauLow, r.whiteNoiseFit.tauHigh,
                         QColor(200, 0, 0)});
    }
    if (r.biasInstability) { // the flicker floor, B * sqrt(2 ln 2 / pi)
        lines.push_back({*r.biasInstability * std::sqrt(2 * std::log(2.0) / M_PI), 0,
                         r.biasInstabilityFit.tauLow, r.biasInstabilityFit.tauHigh,
                         QColor(0, 140, 0)});
    }
    if (r.rateRandomWalk) { // sigma = K sqrt(tau / 3)
        lines.push_back({*r.rateRandomWalk / std::sqrt(3.0), 0.5, r.rateRandomWalkFit.tauLow,
                         r.rateRandomWalkFit.tauHigh, QColor(200, 120, 0)});
    }
    return lines;
}

} // namespace

NoiseWindowView::AskPath NoiseWindowView::askPath = AskPathWithDialog;

NoiseWindowView::NoiseWindowView(const char* name, FormId form, NoiseWindowForm& (*model)(),
                                 void (*collectClick)())
    : form_(form), model_(model) {
    setObjectName(QString::fromLatin1(name));
    auto* column = new QVBoxLayout(this);
    // Never smaller than its parts: a window made smaller laid the figures over the plot.
    column->setSizeConstraint(QLayout::SetMinimumSize);
    controls_ = new QHBoxLayout;
    lastSweep_ = new QPushButton(this);
    lastSweep_->setObjectName(QStringLiteral("cmdLastSweep"));
    collect_ = new QCheckBox(this);
    collect_->setObjectName(QStringLiteral("chkCollect"));
    collect_->setToolTip(QStringLiteral("Append every completed sweep of a continuous run"));
    auto* paceLabel = new QLabel(this);
    paceLabel->setObjectName(QStringLiteral("lblPace"));
    pace_ = new QLineEdit(this);
    pace_->setObjectName(QStringLiteral("txtPace"));
    pace_->setMaximumWidth(pace_->fontMetrics().horizontalAdvance(QStringLiteral("0000000.0")));
    pace_->setToolTip(
        QStringLiteral("Sample rate of the collected sweeps in Hz, each sample at its "
                       "deadline on the clock; Off: as fast as the loop goes"));
    paceLabel->setBuddy(pace_);
    paceLabel->setText(ToQt(model_().lblPace.caption));
    openLog_ = new QPushButton(this);
    openLog_->setObjectName(QStringLiteral("cmdOpenLog"));
    exportCsv_ = new QPushButton(this);
    exportCsv_->setObjectName(QStringLiteral("cmdExportCsv"));
    savePng_ = new QPushButton(this);
    savePng_->setObjectName(QStringLiteral("cmdSavePng"));
    for (QWidget* widget : {static_cast<QWidget*>(lastSweep_), static_cast<QWidget*>(collect_),
                            static_cast<QWidget*>(paceLabel), static_cast<QWidget*>(pace_),
                            static_cast<QWidget*>(openLog_)}) {
        controls_->addWidget(widget);
    }
    controls_->addStretch(1);
    controls_->addWidget(exportCsv_);
    controls_->addWidget(savePng_);
    column->addLayout(controls_);

    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("lblTitle"));
    title_->setTextFormat(Qt::PlainText);
    QFont bold = title_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    title_->setFont(bold);
    column->addWidget(title_);
    source_ = new QLabel(this);
    source_->setObjectName(QStringLiteral("lblSource"));
    source_->setTextFormat(Qt::PlainText);
    source_->setWordWrap(true);
    column->addWidget(source_);
    chartView_ = new QChartView(this);
    chartView_->setObjectName(QStringLiteral("chart"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->chart()->legend()->hide();
    chartView_->hide();
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    picture_->setMinimumSize(360, 240);
    picture_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    picture_->installEventFilter(this);
    column->addWidget(picture_, 1);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("lblMessage"));
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #a00000"));
    column->addWidget(message_);
    figures_ = new QLabel(this);
    figures_->setObjectName(QStringLiteral("lblFigures"));
    figures_->setTextFormat(Qt::PlainText);
    figures_->setWordWrap(true);
    figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(figures_);

    connect(lastSweep_, &QPushButton::clicked, this, [] {
        cmdNoiseLastSweep_Click();
        Ui().Refresh();
    });
    connect(collect_, &QCheckBox::clicked, this, [this, collectClick](bool checked) {
        SetCheckValue(model_().chkCollect, checked ? 1 : 0, collectClick);
        Ui().Refresh();
    });
    connect(pace_, &QLineEdit::editingFinished, this, [this] {
        model_().txtPace.text = pace_->text().toStdString();
        NoisePace_Change(form_);
        Ui().Refresh();
    });
    connect(openLog_, &QPushButton::clicked, this, [this] {
        const QString path =
            askPath(this, false, QStringLiteral("Records and logs (*.qrec *.txt);;All files (*)"));
        if (!path.isEmpty()) {
            NoiseOpenLog(path.toStdString());
            Ui().Refresh();
        }
    });
    connect(exportCsv_, &QPushButton::clicked, this, [this] {
        const QString path = askPath(this, true, QStringLiteral("CSV (*.csv)"));
        // The extension is added in the core, which says where the file went.
        if (!path.isEmpty()) {
            NoiseExportCsv(form_, path.toStdString());
            Ui().Refresh();
        }
    });
    connect(savePng_, &QPushButton::clicked, this, [this] {
        const QString given = askPath(this, true, QStringLiteral("PNG images (*.png)"));
        if (!given.isEmpty()) {
            const std::string path = WithExtension(given.toStdString(), ".png");
            // The whole window: its title, device and date, the plot and the figures, so
            // that the picture stands on its own in a report.
            const bool saved = grab().save(ToQt(path), "PNG");
            model_().lblMessage.caption = (saved ? "Saved " : "Could not write ") + path;
            Ui().Refresh();
        }
    });
}

void NoiseWindowView::SyncFromModel() {
    // A collected record's analysis put off by the throttle comes when it is due.
    if (NoiseRecordCatchUp() && !catchUpPlanned_) {
        catchUpPlanned_ = true;
        QTimer::singleShot(kLiveRedraw, this, [this] {
            catchUpPlanned_ = false;
            Ui().Refresh();
        });
    }
    auto& m = model_();
    SyncButton(lastSweep_, m.cmdLastSweep);
    SyncCheckBox(collect_, m.chkCollect);
    SyncButton(openLog_, m.cmdOpenLog);
    SyncTextBox(pace_, m.txtPace);
    SyncButton(exportCsv_, m.cmdExportCsv);
    SyncButton(savePng_, m.cmdSavePng);
    SyncLabel(title_, m.lblTitle);
    SyncLabel(source_, m.lblSource);
    SyncLabel(figures_, m.lblFigures);
    // Shown and hidden through the model: showing it and hiding it again at every refresh
    // laid the window out anew each time.
    m.lblMessage.visible = !m.lblMessage.caption.empty();
    SyncLabel(message_, m.lblMessage);
    const int before = drawings_;
    Draw(chartView_->chart());
    if (drawings_ != before) {
        RenderPicture();
    }
    // A window placed, or left, smaller than its parts now need (the figures came) grows to
    // hold them rather than lay them over the plot.
    if (QWidget* frame = parentWidget(); frame != nullptr && isVisible()) {
        const QSize need = frame->size().expandedTo(frame->minimumSizeHint());
        if (need != frame->size()) {
            frame->resize(need);
        }
    }
}

bool NoiseWindowView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picture_ && event->type() == QEvent::Resize &&
        picture_->size() != renderedSize_) {
        RenderPicture();
    }
    return QWidget::eventFilter(watched, event);
}

void NoiseWindowView::RenderPicture() {
    // Grabbing lays the hidden chart out, which may resize the picture again.
    if (rendering_ || picture_->width() < 16 || picture_->height() < 16) {
        return;
    }
    rendering_ = true;
    renderedSize_ = picture_->size();
    chartView_->resize(renderedSize_);
    // The chart lays its axes out on a posted request: a grab before it would leave them out.
    QCoreApplication::sendPostedEvents(chartView_->chart(), QEvent::LayoutRequest);
    if (QGraphicsLayout* layout = chartView_->chart()->layout()) {
        layout->activate();
    }
    picture_->setPixmap(chartView_->grab());
    rendering_ = false;
}

FrmNoiseView::FrmNoiseView()
    : NoiseWindowView(
          "frmNoise", FormId::frmNoise, []() -> NoiseWindowForm& { return frmNoise(); },
          frmNoise_chkCollect_Click) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("lblSegment"));
    segment_ = new QComboBox(this);
    segment_->setObjectName(QStringLiteral("cboSegment"));
    segment_->setAccessibleName(QStringLiteral("Segment"));
    label->setBuddy(segment_);
    label->setText(ToQt(frmNoise().lblSegment.caption));
    controls_->insertWidget(5, label);
    controls_->insertWidget(6, segment_);
    connect(segment_, &QComboBox::activated, this, [this](int index) {
        frmNoise().cboSegment.text = segment_->itemText(index).toStdString();
        cboNoiseSegment_Click();
        Ui().Refresh();
    });
    SyncFromModel();
}

void FrmNoiseView::SyncFromModel() {
    SyncComboBox(segment_, frmNoise().cboSegment);
    NoiseWindowView::SyncFromModel();
}

bool FrmNoiseView::Draw(QChart* chart) {
    const auto& r = frmNoise().result;
    if (r.density == drawn_ && !chart->series().isEmpty() == !r.density.empty()) {
        return !r.density.empty();
    }
    drawn_ = r.density;
    ++drawings_;
    chart->removeAllSeries();
    if (r.density.empty()) {
        return false;
    }
    double low = r.floor > 0 ? r.floor : HUGE_VAL;
    double high = r.floor;
    QList<QPointF> points;
    for (size_t i = 1; i < r.frequency.size(); ++i) {
        if (r.density[i] > 0) {
            points.append(At(r.frequency[i], r.density[i]));
            low = std::min(low, r.density[i]);
            high = std::max(high, r.density[i]);
        }
    }
    if (points.size() < 2) {
        return false;
    }
    auto* curve = NewLine(QColor(0, 0, 128), 1.2);
    curve->replace(points);
    chart->addSeries(curve);
    if (r.floor > 0) {
        auto* floor = NewLine(QColor(200, 0, 0), 2.0, Qt::DashLine);
        floor->append(At(r.bandLow, r.floor));
        floor->append(At(r.bandHigh, r.floor));
        chart->addSeries(floor);
    }
    SetLogAxes(chart, QStringLiteral("Frequency (Hz)"),
               QStringLiteral("Density (%1/\u221AHz)").arg(UnitsText()),
               std::pow(10.0, points.front().x()), std::pow(10.0, points.back().x()), low, high);
    return true;
}

FrmAllanView::FrmAllanView()
    : NoiseWindowView(
          "frmAllan", FormId::frmAllan, []() -> NoiseWindowForm& { return frmAllan(); },
          frmAllan_chkCollect_Click) {
    SyncFromModel();
}

bool FrmAllanView::Draw(QChart* chart) {
    const auto& r = frmAllan().result;
    // Called at every refresh: compared in place, drawn only when the curve changed.
    const bool same = std::equal(r.points.begin(), r.points.end(), drawn_.begin(), drawn_.end(),
                                 [](const AllanPoint& p, double d) { return p.deviation == d; });
    if (same && !chart->series().isEmpty() == !r.points.empty()) {
        return !r.points.empty();
    }
    drawn_.clear();
    for (const auto& p : r.points) {
        drawn_.push_back(p.deviation);
    }
    ++drawings_;
    chart->removeAllSeries();
    auto* curve = NewLine(QColor(0, 0, 128), 1.5);
    auto* marks = new QScatterSeries;
    marks->setMarkerSize(6);
    marks->setColor(QColor(0, 0, 128));
    marks->setBorderColor(QColor(0, 0, 128));
    double low = HUGE_VAL;
    double high = 0;
    for (const auto& p : r.points) {
        if (p.deviation <= 0) {
            continue;
        }
        curve->append(At(p.tau, p.deviation));
        marks->append(At(p.tau, p.deviation));
        const auto [bottom, top] = Bounds(p);
        if (top > bottom) {
            // The bar and its caps, a tenth of an octave wide.
            auto* bar = NewLine(QColor(90, 90, 90), 1.0);
            const double cap = std::pow(2.0, 0.08);
            bar->append(At(p.tau / cap, bottom));
            bar->append(At(p.tau * cap, bottom));
            bar->append(At(p.tau, bottom));
            bar->append(At(p.tau, top));
            bar->append(At(p.tau / cap, top));
            bar->append(At(p.tau * cap, top));
            chart->addSeries(bar);
        }
        low = std::min(low, bottom);
        high = std::max(high, top);
    }
    if (curve->count() == 0) {
        delete curve;
        delete marks;
        chart->removeAllSeries();
        return false;
    }
    chart->addSeries(curve);
    chart->addSeries(marks);
    const double tauLow = std::pow(10.0, curve->at(0).x());
    const double tauHigh = std::pow(10.0, curve->at(curve->count() - 1).x());
    for (const FitLine& fit : FitLines(r)) {
        auto* line = NewLine(fit.colour, 1.5, Qt::DashLine);
        const double from = std::max(fit.tauLow, tauLow);
        const double to = std::min(fit.tauHigh, tauHigh);
        if (from < to) {
            line->append(At(from, fit.value * std::pow(from, fit.slope)));
            line->append(At(to, fit.value * std::pow(to, fit.slope)));
            chart->addSeries(line);
        } else {
            delete line;
        }
    }
    SetLogAxes(chart, QStringLiteral("Averaging time \u03C4 (s)"),
               QStringLiteral("Allan deviation (%1)").arg(UnitsText()), tauLow, tauHigh, low, high);
    return true;
}
