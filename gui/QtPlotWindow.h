// What the time-plot and spectrum windows share: the drawing area pic1 with its value
// labels on the left and position labels below, a frame of readouts on the right, and
// bindings that keep every label in step with the window's form model.
#pragma once

#include "forms/SpectrumForm.h"
#include "forms/TimePlotForm.h"
#include "gui/FormView.h"
#include "gui/QtCanvas.h"
#include "gui/QtControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

template <class Form> class QtPlotWindow : public QWidget, public FormView {
public:
    // One row of the readout frame: a title label and a value label of the form.
    struct Readout {
        const char* titleName;
        Label Form::*title;
        const char* valueName;
        Label Form::*value;
    };

    using ModelAccess = Form& (*)();

    QtPlotWindow(const char* name, ModelAccess model) : model_(model) {
        setObjectName(name);
        // Opaque, so a readout that changes during a sweep repaints only this window's own
        // background, not the frame and title bar of the window around it.
        setAutoFillBackground(true);
        grid_ = new QGridLayout(this);
        pic1_ = new CanvasWidget(this);
        pic1_->setObjectName(QStringLiteral("pic1"));
        pic1_->setMinimumSize(240, 120);
        model_().pic1 = &pic1_->Canvas();

        grid_->addLayout(NewYAxis(this, lblYscale_), 0, 0);
        grid_->addWidget(pic1_, 0, 1);
        grid_->addLayout(NewXAxis(this, lblPlotX_), 1, 1);
        BindLabels(lblYscale_, "lblYscale", &Form::lblYscale);
        BindLabels(lblPlotX_, "lblPlotX", &Form::lblPlotX);
        grid_->setColumnStretch(1, 1);
        grid_->setRowStretch(0, 1);
    }

    ~QtPlotWindow() override {
        if (model_().pic1 == &pic1_->Canvas()) {
            model_().pic1 = nullptr;
        }
    }

    void SyncFromModel() override {
        for (const auto& sync : syncs_) {
            sync();
        }
    }

protected:
    // Names the widgets name0, name1, ... and binds each to its label in the form. The form
    // is looked up at every sync: the state may be replaced (tests do).
    template <size_t N>
    void BindLabels(const std::array<MouseLabel*, N>& widgets, const char* name,
                    std::array<Label, N> Form::*labels) {
        for (size_t i = 0; i < N; ++i) {
            widgets[i]->setObjectName(QStringLiteral("%1%2").arg(name).arg(i));
            syncs_.push_back([model = model_, widget = widgets[i], labels, i] {
                SyncLabel(widget, (model().*labels)[i]);
            });
        }
    }

    void BindLabel(QLabel* widget, Label Form::*label) {
        syncs_.push_back([model = model_, widget, label] { SyncLabel(widget, model().*label); });
    }

    QGroupBox* NewReadouts(const char* name, Frame Form::*frame,
                           std::initializer_list<Readout> readouts) {
        std::vector<std::pair<const char*, const char*>> names;
        for (const auto& r : readouts) {
            names.emplace_back(r.titleName, r.valueName);
        }
        std::vector<std::pair<MouseLabel*, MouseLabel*>> rows;
        auto* box = NewReadoutFrame(this, name, names, rows);
        size_t i = 0;
        for (const auto& r : readouts) {
            BindLabel(rows[i].first, r.title);
            BindLabel(rows[i].second, r.value);
            ++i;
        }
        syncs_.push_back([model = model_, box, frame] { SyncFrame(box, model().*frame); });
        return box;
    }

    QGridLayout* grid_;
    CanvasWidget* pic1_;
    std::array<MouseLabel*, 9> lblYscale_{};
    std::array<MouseLabel*, 5> lblPlotX_{};
    std::vector<std::function<void()>> syncs_;

private:
    ModelAccess model_;
};
