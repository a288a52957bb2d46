// The noise density and Allan deviation windows: a log-log chart of the curve, the figures,
// the record's controls, and CSV and PNG export.
#pragma once

#include "commands/NoiseAnalysis.h"
#include "gui/FormView.h"

#include <QSize>
#include <QWidget>

#include <functional>
#include <vector>

class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

class NoiseWindowView : public QWidget, public FormView {
    Q_OBJECT
public:
    // Asks for a file to open or to save to; empty when the user cancels. Tests answer here.
    using AskPath = std::function<QString(QWidget* parent, bool save, const QString& filter)>;
    static AskPath askPath;

    void SyncFromModel() override;

protected:
    NoiseWindowView(const char* name, FormId form, NoiseWindowForm& (*model)(),
                    void (*collectClick)());
    // Draws the curve when it changed since the last drawing (counting it in drawings_);
    // false when there is none.
    virtual bool Draw(QChart* chart) = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QHBoxLayout* controls_ = nullptr;
    int drawings_ = 0;

private:
    // The chart is shown as a picture, made again only when it changes or the window's size
    // does: a chart drawn live is painted again whenever the time plot beneath it draws a
    // sample, and slowed the sweeps tenfold.
    void RenderPicture();

    FormId form_;
    NoiseWindowForm& (*model_)();
    QChartView* chartView_ = nullptr; // hidden, drawn into picture_
    QLabel* picture_ = nullptr;
    QSize renderedSize_;
    bool rendering_ = false;
    bool catchUpPlanned_ = false;
    QPushButton* lastSweep_ = nullptr;
    QCheckBox* collect_ = nullptr;
    QLineEdit* pace_ = nullptr;
    QPushButton* openLog_ = nullptr;
    QPushButton* exportCsv_ = nullptr;
    QPushButton* savePng_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* source_ = nullptr;
    QLabel* figures_ = nullptr;
    QLabel* message_ = nullptr;
};

class FrmNoiseView final : public NoiseWindowView {
    Q_OBJECT
public:
    FrmNoiseView();
    void SyncFromModel() override;

protected:
    bool Draw(QChart* chart) override;

private:
    QComboBox* segment_ = nullptr;
    std::vector<double> drawn_;
};

class FrmAllanView final : public NoiseWindowView {
    Q_OBJECT
public:
    FrmAllanView();

protected:
    bool Draw(QChart* chart) override;

private:
    std::vector<double> drawn_;
};
