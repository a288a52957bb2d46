#include "gui/frmNoiseAnalysis.h"

#include "commands/NoiseAnalysis.h"
#include "gui/QtControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>

#include <algorithm>
#include <cmath>

namespace {

QString AskPathWithDialog(QWidget* parent, bool save, const QString& filter) {
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), filter)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

// Log axes over the positive values, a little wider than they reach. Made once and then only
// re-ranged: axes removed from a chart and made again left the old ones painted.
QLogValueAxis* LogAxis(QChart* chart, Qt::Alignment side, const QString& title) {
    QLogValueAxis* axis = nullptr;
    const auto existing = chart->axes(side == Qt::AlignBottom ? Qt::Horizontal : Qt::Vertical);
    if (!existing.isEmpty()) {
        axis = qobject_cast<QLogValueAxis*>(existing.front());
    }
    if (axis == nullptr) {
        axis = new QLogValueAxis;
        axis->setBase(10);
        axis->setMinorTickCount(-1);
        axis->setLabelFormat(side == Qt::AlignBottom ? "%g" : "%.3g");
        chart->addAxis(axis, side);
    }
    axis->setTitleText(title);
    return axis;
}

void SetLogAxes(QChart* chart, const QString& xTitle, const QString& yTitle, double xLow,
                double xHigh, double yLow, double yHigh) {
    auto* x = LogAxis(chart, Qt::AlignBottom, xTitle);
    auto* y = LogAxis(chart, Qt::AlignLeft, yTitle);
    x->setRange(xLow / 1.2, xHigh * 1.2);
    y->setRange(yLow / 1.5, yHigh * 1.5);
    for (auto* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
}

QLineSeries* NewLine(const QColor& colour, qreal width, Qt::PenStyle style = Qt::SolidLine) {
    auto* line = new QLineSeries;
    QPen pen(colour, width, style);
    line->setPen(pen);
    return line;
}

} // namespace

NoiseWindowView::AskPath NoiseWindowView::askPath = AskPathWithDialog;

NoiseWindowView::NoiseWindowView(const char* name, FormId form, NoiseWindowForm& (*model)(),
                                 void (*collectClick)())
    : form_(form), model_(model) {
    setObjectName(QString::fromLatin1(name));
    auto* column = new QVBoxLayout(this);
    controls_ = new QHBoxLayout;
    lastSweep_ = new QPushButton(this);
    lastSweep_->setObjectName(QStringLiteral("cmdLastSweep"));
    collect_ = new QCheckBox(this);
    collect_->setObjectName(QStringLiteral("chkCollect"));
    collect_->setToolTip(QStringLiteral("Append every completed sweep of a continuous run"));
    openLog_ = new QPushButton(this);
    openLog_->setObjectName(QStringLiteral("cmdOpenLog"));
    exportCsv_ = new QPushButton(this);
    exportCsv_->setObjectName(QStringLiteral("cmdExportCsv"));
    savePng_ = new QPushButton(this);
    savePng_->setObjectName(QStringLiteral("cmdSavePng"));
    for (QWidget* widget : {static_cast<QWidget*>(lastSweep_), static_cast<QWidget*>(collect_),
                            static_cast<QWidget*>(openLog_)}) {
        controls_->addWidget(widget);
    }
    controls_->addStretch(1);
    controls_->addWidget(exportCsv_);
    controls_->addWidget(savePng_);
    column->addLayout(controls_);

    source_ = new QLabel(this);
    source_->setObjectName(QStringLiteral("lblSource"));
    source_->setTextFormat(Qt::PlainText);
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
    connect(openLog_, &QPushButton::clicked, this, [this] {
        const QString path = askPath(this, false, QStringLiteral("Logs (*.txt);;All files (*)"));
        if (!path.isEmpty()) {
            NoiseOpenLog(path.toStdString());
            Ui().Refresh();
        }
    });
    connect(exportCsv_, &QPushButton::clicked, this, [this] {
        const QString path = askPath(this, true, QStringLiteral("CSV (*.csv)"));
        if (!path.isEmpty()) {
            NoiseExportCsv(form_, path.toStdString());
            Ui().Refresh();
        }
    });
    connect(savePng_, &QPushButton::clicked, this, [this] {
        const QString path = askPath(this, true, QStringLiteral("PNG images (*.png)"));
        if (!path.isEmpty()) {
            const bool saved = chartView_->grab().save(path, "PNG");
            model_().lblMessage.caption =
                (saved ? "Saved " : "Could not write ") + path.toStdString();
            Ui().Refresh();
        }
    });
}

void NoiseWindowView::SyncFromModel() {
    auto& m = model_();
    SyncButton(lastSweep_, m.cmdLastSweep);
    SyncCheckBox(collect_, m.chkCollect);
    SyncButton(openLog_, m.cmdOpenLog);
    SyncButton(exportCsv_, m.cmdExportCsv);
    SyncButton(savePng_, m.cmdSavePng);
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
    controls_->insertWidget(3, label);
    controls_->insertWidget(4, segment_);
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
    auto* curve = NewLine(QColor(0, 0, 128), 1.2);
    double low = r.floor > 0 ? r.floor : HUGE_VAL;
    double high = r.floor;
    QList<QPointF> points;
    for (size_t i = 1; i < r.frequency.size(); ++i) {
        if (r.density[i] > 0) {
            points.append({r.frequency[i], r.density[i]});
            low = std::min(low, r.density[i]);
            high = std::max(high, r.density[i]);
        }
    }
    if (points.isEmpty()) {
        return false;
    }
    curve->replace(points);
    chart->addSeries(curve);
    auto* floor = NewLine(QColor(200, 0, 0), 2.0, Qt::DashLine);
    floor->append(r.bandLow, r.floor);
    floor->append(r.bandHigh, r.floor);
    chart->addSeries(floor);
    const QString units = ToQt(NoiseRecord().units);
    SetLogAxes(chart, QStringLiteral("Frequency (Hz)"),
               QStringLiteral("Density (%1/\u221AHz)").arg(units), points.front().x(),
               points.back().x(), low, high);
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
    double low = HUGE_VAL;
    double high = 0;
    for (const auto& p : r.points) {
        if (p.deviation <= 0) {
            continue;
        }
        curve->append(p.tau, p.deviation);
        marks->append(p.tau, p.deviation);
        // A bar that would reach zero or below is cut at a tenth of the point: log scale.
        const double bottom = std::max(p.deviation - p.uncertainty, p.deviation / 10);
        const double top = p.deviation + p.uncertainty;
        auto* bar = NewLine(QColor(90, 90, 90), 1.0);
        bar->append(p.tau, bottom);
        bar->append(p.tau, top);
        chart->addSeries(bar);
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
    const double tauLow = curve->at(0).x();
    const double tauHigh = curve->at(curve->count() - 1).x();
    if (r.whiteNoise) {
        // The -1/2 line of the white-noise fit, through N at 1 s.
        auto* fit = NewLine(QColor(200, 0, 0), 1.5, Qt::DashLine);
        fit->append(tauLow, *r.whiteNoise / std::sqrt(tauLow));
        fit->append(tauHigh, *r.whiteNoise / std::sqrt(tauHigh));
        chart->addSeries(fit);
    }
    const QString units = ToQt(NoiseRecord().units);
    SetLogAxes(chart, QStringLiteral("\u03C4 (s)"),
               QStringLiteral("Allan deviation (%1)").arg(units), tauLow, tauHigh, low, high);
    return true;
}
