#include "forms/Forms.h"

#include "app/Analyzer.h"
#include "app/Startup.h"
#include "commands/DataLog.h"
#include "commands/NoiseAnalysis.h"
#include "commands/PortSetup.h"
#include "commands/UsbDebug.h"
#include "commands/UsbSelect.h"
#include "plots/PlotSetup.h"
#include "plots/SpectrumPlot.h"
#include "sensors/Acquisition.h"

namespace {

struct Lifecycle {
    void (*load)();
    void (*activate)();
    void (*resize)() = nullptr;
};

Lifecycle LifecycleOf(FormId form) {
    switch (form) {
    case FormId::mdiAnalyzer:
        return {MDIForm_Load, nullptr};
    case FormId::frmData:
        return {frmData_Form_Load, nullptr, frmData_Form_Resize};
    case FormId::frmPort:
        return {frmPort_Form_Load, frmPort_Form_Activate};
    case FormId::frmUSBselect:
        return {frmUSBselect_Form_Load, frmUSBselect_Form_Activate};
    case FormId::frmUSBdebug:
        return {frmUSBdebug_Form_Load, frmUSBdebug_Form_Activate};
    case FormId::frmFFT:
        return {frmFFT_Form_Load, nullptr, frmFFT_Form_Resize};
    case FormId::frmLogSetup:
        return {frmLogSetup_Form_Load, frmLogSetup_Form_Activate};
    case FormId::frmNoise:
        return {frmNoise_Form_Load, nullptr};
    case FormId::frmAllan:
        return {frmAllan_Form_Load, nullptr};
    }
    return {nullptr, nullptr};
}

void Prepare(FormId form) {
    LoadForm(form);
    FormOf(form).visible = true;
    if (const auto activate = LifecycleOf(form).activate) {
        activate();
    }
}

} // namespace

void LoadForm(FormId form) {
    auto& geometry = FormOf(form);
    if (geometry.loaded) {
        return;
    }
    geometry.loaded = true;
    if (const auto load = LifecycleOf(form).load) {
        load();
    }
}

FormGeometry& FormOf(FormId form) {
    auto& app = App();
    switch (form) {
    case FormId::mdiAnalyzer:
        return app.mdiAnalyzer.form;
    case FormId::frmData:
        return app.frmData.form;
    case FormId::frmFFT:
        return app.frmFFT.form;
    case FormId::frmPort:
        return app.frmPort.form;
    case FormId::frmUSBselect:
        return app.frmUSBselect.form;
    case FormId::frmUSBdebug:
        return app.frmUSBdebug.form;
    case FormId::frmLogSetup:
        return app.frmLogSetup.form;
    case FormId::frmNoise:
        return app.frmNoise.form;
    case FormId::frmAllan:
        return app.frmAllan.form;
    }
    return app.mdiAnalyzer.form;
}

void ShowForm(FormId form) {
    Prepare(form);
    Ui().Show(form);
}

void ShowModalForm(FormId form) {
    WhileHeld([form] {
        Prepare(form);
        Ui().ShowModal(form);
    });
    FormOf(form).visible = false;
}

void HideForm(FormId form) {
    FormOf(form).visible = false;
    Ui().Hide(form);
}

void PlaceForm(FormId form, FormPlace place) {
    if (Ui().Place(form, place)) {
        return;
    }
    auto& g = FormOf(form);
    const bool resized = (place.width > 0 && place.width != g.width) ||
                         (place.height > 0 && place.height != g.height);
    g.left = place.left;
    g.top = place.top;
    g.width = place.width > 0 ? place.width : g.width;
    g.height = place.height > 0 ? place.height : g.height;
    if (const auto resize = LifecycleOf(form).resize; resize != nullptr && resized) {
        resize();
    }
}

FormPlace WithHeight(FormId form, int32_t height) {
    const auto& g = FormOf(form);
    return {g.left, g.top, g.width, height};
}
