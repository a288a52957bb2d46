#include "sensors/Acquisition.h"

#include "analysis/FFT.h"
#include "analysis/Statistics.h"
#include "forms/MainWindowForm.h"
#include "forms/TimePlotForm.h"
#include "interfaces/Interface.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Clock.h"
#include "platform/Delay.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"

#include <algorithm>

namespace {

bool running = false;

// The commands that start an acquisition.
void EnableStarts(bool enabled) {
    auto& m = mdiAnalyzer();
    m.cmdSingleSweep.enabled = enabled;
    m.cmdLogData.enabled = enabled;
    m.mnuTest.enabled = enabled;
}

} // namespace

AcquisitionGuard::AcquisitionGuard() {
    running = true;
    EnableStarts(false);
}

AcquisitionGuard::~AcquisitionGuard() {
    running = false;
    EnableStarts(true);
}

bool AcquisitionRunning() { return running; }

void WhileHeld(const std::function<void()>& wait) {
    if (AcquisitionRunning()) {
        Acquisition().StopRequested = true;
    }
    const HeldTime held;
    wait();
}

bool AdapterLost() {
    return Interface().InterfaceCode == kUsbInterface && !Usb().CurrentAdapter.Present;
}

void DropLostAdapter() {
    if (AdapterLost()) {
        auto& m = mdiAnalyzer();
        Interface().InterfaceCode = kNoInterface;
        m.txtInterface.text = "None";
        m.txtPort.text = "None";
        m.mnuUSB.checked = false;
        m.statusText = AdapterDroppedText();
    }
}

bool RunAcquisition(const AcquisitionRun& run) {
    ShowTimePlot();
    auto& acq = Acquisition();
    acq.SampleIndex = 0;
    acq.StopRequested = false;
    const double heldBefore = HeldSeconds();
    const int32_t wanted = std::clamp(acq.SweepLength, 0, kMaxSampleIndex);

    bool completed = true;
    Clock& clock = SystemClock();
    const double t0 = clock.Now();
    // The period ends with the last sample taken: a transfer that failed, however long it
    // took to fail, gave no sample.
    double sampling = 0;
    while (acq.SampleIndex < wanted) {
        if (!run.takeSample()) {
            completed = false;
            acq.StopRequested = true;
            break;
        }
        if (run.pause) {
            WaitLoopDelay(acq.LoopDelayMs);
        }
        sampling = clock.Now() - t0 - (HeldSeconds() - heldBefore);
        if (acq.Ending) {
            completed = false;
            break;
        }
        if (!run.stoppable) {
            continue;
        }
        if (AdapterLost()) {
            acq.StopRequested = true;
        }
        if (acq.StopRequested) {
            completed = false;
            break;
        }
    }

    // A clock that did not advance gives no period; 0 reads as "not measured".
    const double elapsed = std::max(sampling, run.minimumSeconds);
    if (elapsed > 0.0 && acq.SamplesTaken > 0) {
        acq.SamplePeriod = static_cast<float>(elapsed / acq.SamplesTaken);
        acq.SampleRateHz = 1.0f / acq.SamplePeriod;
    } else {
        acq.SamplePeriod = 0.0f;
        acq.SampleRateHz = 0.0f;
    }
    frmData().lblTsample.caption = Format(acq.SamplePeriod * 1000.0, "0.00");

    if (!run.analyse) {
        return completed;
    }
    int32_t count = acq.SamplesTaken;
    ComputeStatistics(count);
    if (run.afterStatistics) {
        run.afterStatistics();
    }
    // A run that was stopped has no spectrum: its tail would be an older sweep's.
    if (completed && Spectrum().FftOn) {
        RunSpectrum();
    }
    return completed;
}
