// Sweeps at the speed of the hardware, not of the screen. On the simulated parallel-port
// board with 1 us per register access (a real port):
//   SweepQtVsNull   samples per second of the same sweep with no user interface at all and
//                   in the real Qt windows plotting every sample, alternated in each
//                   iteration; "ratio" is Qt / none.
//   StopLatency     from a Stop click queued during a continuous run to the end of the run.
//   ReplotAfterResize  resizing the time-plot window, which redraws a 32768-sample trace.
//   ReplotReferencePolyline  the same trace drawn by Qt as one polyline, for comparison.
//   SpectrumOnVsOff  samples per second of sweep after sweep of 2048 with the spectrum on
//                   (computed and drawn after each) and off, alternated; "ratio" is on / off.
//   SpectrumAtSweepEnd  the end of a 32768-sample sweep with the spectrum on: RunSpectrum and
//                   the drawing of its 16384 bins in the Qt window.
//   LogVsSweep      samples per second of a log pass of the selected channel (read delay 0,
//                   plotting off for /0, on for /1) and of a plain sweep of 2048, alternated;
//                   "ratio" is log / sweep.
//   LogThreeChannels  a pass of 32768 samples of the rate and both inputs with the
//                   temperature, plotted: samples and file bytes per second.
//
//   cmake --preset bench && cmake --build --preset bench && build/bench/bench/bench_sweep
// (runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise)

#include "app/Analyzer.h"
#include "commands/DataLog.h"
#include "commands/DeviceSelect.h"
#include "commands/SpectrumWindow.h"
#include "commands/Sweep.h"
#include "commands/ViewCommands.h"
#include "gui/QtFrontend.h"
#include "platform/Canvas.h"
#include "platform/Delay.h"
#include "platform/PortIo.h"
#include "plots/PlotSetup.h"
#include "simulator/SimBoards.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <thread>

namespace {

using Steady = std::chrono::steady_clock;

std::unique_ptr<QtFrontend> qtFrontend;
Canvas* qtCanvas = nullptr;

void SelectModel(int model) {
    switch (model) {
    case 0:
        mnuKxs201_Click();
        break;
    default:
        mnuKxs306_Click();
        break;
    }
}

const char* ModelName(int model) { return model == 0 ? "KXS201" : "KXS306"; }

// The main window at 1280 x 800 pixels with the time-plot window in it, the simulated board
// behind the parallel port at 1 us per access.
void SetUpOnce() {
    if (qtFrontend) {
        return;
    }
    auto& app = App();
    CalibrateDelay();
    auto& boards = SimulatedBoards();
    boards.Attach("");
    boards.port.SetAccessLatency(1.0);
    InstallPortBackend(&boards.port);
    std::string reason;
    OpenPort(0x378, reason);
    app.InterfaceCode = 1;
    app.PortAddress = 0x378;
    app.mdiAnalyzer.txtInterface.text = "Parallel";
    app.mdiAnalyzer.txtPort.text = "378";

    qtFrontend = std::make_unique<QtFrontend>();
    InstallFrontend(qtFrontend.get());
    auto& main = app.mdiAnalyzer.form;
    main.left = main.top = 0;
    main.width = 1280 * 15;
    main.height = 800 * 15;
    main.visible = true;
    Ui().Show(FormId::mdiAnalyzer);
    app.frmData.form.visible = true;
    Ui().Show(FormId::frmData);
    QCoreApplication::processEvents();
    qtCanvas = app.frmData.pic1;
}

void UseQt(bool qt) {
    if (qt) {
        InstallFrontend(qtFrontend.get());
        App().frmData.pic1 = qtCanvas;
    } else {
        InstallFrontend(nullptr);
        App().frmData.pic1 = nullptr;
    }
}

// Seconds taken by one "Plot Data".
double TimedSweep() {
    const auto start = Steady::now();
    cmdSingleSweep_Click();
    return std::chrono::duration<double>(Steady::now() - start).count();
}

void SweepQtVsNull(benchmark::State& state) {
    SetUpOnce();
    const int model = static_cast<int>(state.range(0));
    UseQt(true);
    SelectModel(model);
    App().SweepLength = 2048;
    ApplyPlotLength();
    double nullSeconds = 0;
    double qtSeconds = 0;
    int64_t samples = 0;
    for (auto _ : state) {
        UseQt(false);
        nullSeconds += TimedSweep();
        UseQt(true);
        qtSeconds += TimedSweep();
        samples += App().SamplesTaken;
    }
    UseQt(true);
    const double nullRate = samples / nullSeconds;
    const double qtRate = samples / qtSeconds;
    state.counters["none_samples_per_s"] = nullRate;
    state.counters["qt_samples_per_s"] = qtRate;
    state.counters["ratio"] = qtRate / nullRate;
    state.SetLabel(ModelName(model));
}
BENCHMARK(SweepQtVsNull)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// A user's click arrives from the window system at any moment; it is queued from another
// thread here so that the wait for the next event processing counts too.
void StopLatency(benchmark::State& state) {
    SetUpOnce();
    UseQt(true);
    SelectModel(static_cast<int>(state.range(0)));
    auto& app = App();
    app.SweepLength = 2048;
    ApplyPlotLength();
    app.mdiAnalyzer.chkContinuous.value = 1;
    chkContinuous_Click();
    auto* stop = qtFrontend->Window(FormId::mdiAnalyzer)->findChild<QPushButton*>("cmdStop");
    double worst = 0;
    for (auto _ : state) {
        Steady::time_point clicked;
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            clicked = Steady::now();
            QMetaObject::invokeMethod(stop, "click", Qt::QueuedConnection);
        });
        cmdSingleSweep_Click();
        const auto ended = Steady::now();
        user.join();
        const double seconds = std::chrono::duration<double>(ended - clicked).count();
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    app.mdiAnalyzer.chkContinuous.value = 0;
    chkContinuous_Click();
    state.counters["worst_ms"] = worst * 1000;
    state.SetLabel(ModelName(static_cast<int>(state.range(0))));
}
BENCHMARK(StopLatency)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

void ReplotAfterResize(benchmark::State& state) {
    SetUpOnce();
    UseQt(true);
    mnuKxs201_Click();
    auto& app = App();
    app.SweepLength = 32768;
    ApplyPlotLength();
    for (int32_t i = 1; i <= 32768; ++i) {
        app.RawCodes[i] =
            2048 + static_cast<int32_t>(900 * std::sin(2 * std::numbers::pi * 8 * i / 32768.0) +
                                        (i * 7919 % 13) - 6);
    }
    app.PlotIndex = 32768;
    auto* window = qobject_cast<QMdiSubWindow*>(qtFrontend->Window(FormId::frmData));
    const QSize sizes[2] = {window->size(), window->size() - QSize(40, 30)};
    int next = 1;
    int64_t replots = 0;
    for (auto _ : state) {
        app.DataWindowWidth = 0; // the resize handler sets it again
        window->resize(sizes[next]);
        // The plot takes its new size when the window's layout runs, from the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        replots += app.DataWindowWidth != 0 ? 1 : 0;
        next ^= 1;
    }
    // One replot per resize, or the figure timed something else.
    state.counters["replots"] = static_cast<double>(replots);
    state.counters["plotted"] = app.PlotIndex;
}
BENCHMARK(ReplotAfterResize)->Unit(benchmark::kMillisecond)->Iterations(20);

// The yardstick: the trace left by ReplotAfterResize drawn by Qt as one polyline on an image of
// the plot's size.
void ReplotReferencePolyline(benchmark::State& state) {
    const auto& plot = Plot();
    const Canvas* pic = frmData().pic1;
    if (pic == nullptr || plot.PlotIndex < 2) {
        state.SkipWithError("run ReplotAfterResize first");
        return;
    }
    QImage image(QSize(int(pic->Width()) / 15, int(pic->Height()) / 15), QImage::Format_RGB32);
    QPolygonF trace;
    for (int32_t i = 1; i <= plot.PlotIndex; ++i) {
        const double y =
            image.height() / 2.0 - (App().RawCodes[i] - plot.MidscaleCode) * plot.PlotYScale / 15.0;
        trace << QPointF(i * plot.PlotXStep / 15.0, y);
    }
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(QColor(0, 0, 128));
        painter.drawPolyline(trace);
    }
    state.counters["plotted"] = static_cast<double>(trace.size());
}
BENCHMARK(ReplotReferencePolyline)->Unit(benchmark::kMillisecond)->Iterations(20);

void SpectrumOnVsOff(benchmark::State& state) {
    SetUpOnce();
    UseQt(true);
    SelectModel(static_cast<int>(state.range(0)));
    SetSweepLength2048();
    double seconds[2] = {0, 0};
    int64_t samples = 0;
    for (auto _ : state) {
        for (int on = 0; on < 2; ++on) {
            if (on != 0) {
                mnuFFTon_Click();
            } else {
                mnuFFToff_Click();
            }
            seconds[on] += TimedSweep();
        }
        samples += App().SamplesTaken;
    }
    mnuFFToff_Click();
    state.counters["off_samples_per_s"] = samples / seconds[0];
    state.counters["on_samples_per_s"] = samples / seconds[1];
    state.counters["ratio"] = seconds[0] / seconds[1];
    state.SetLabel(ModelName(static_cast<int>(state.range(0))));
}
BENCHMARK(SpectrumOnVsOff)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

void SpectrumAtSweepEnd(benchmark::State& state) {
    SetUpOnce();
    UseQt(true);
    mnuKxs306_Click();
    auto& app = App();
    SetSweepLength32768();
    app.SamplesTaken = 32768;
    app.SampleRateHz = 9000;
    for (int32_t i = 1; i <= 32768; ++i) {
        app.RawCodes[i] =
            2048 + static_cast<int32_t>(900 * std::sin(2 * std::numbers::pi * 300 * i / 32768.0) +
                                        (i * 7919 % 13) - 6);
    }
    mnuFFTon_Click();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        RunSpectrum();
        benchmark::DoNotOptimize(app.FftPeakIndex);
    }
    state.counters["bins_drawn"] = app.FftPointsPlotted;
    mnuFFToff_Click();
}
BENCHMARK(SpectrumAtSweepEnd)->Unit(benchmark::kMillisecond)->Iterations(20);

// A log pass to a fresh file in the temporary folder; its seconds, and the file's bytes.
double TimedLogPass(uintmax_t* bytes = nullptr) {
    const auto path = std::filesystem::temp_directory_path() / "quelto-bench-log.txt";
    std::filesystem::remove(path);
    DataLog().LogFileName = path.string();
    const auto start = Steady::now();
    AcquireLogSweep();
    const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
    if (bytes != nullptr) {
        *bytes = std::filesystem::file_size(path);
    }
    std::filesystem::remove(path);
    return seconds;
}

void LogVsSweep(benchmark::State& state) {
    SetUpOnce();
    UseQt(true);
    SelectModel(static_cast<int>(state.range(0)));
    SetSweepLength2048();
    auto& log = DataLog();
    log.ChosenChannelCount = 1;
    log.LogTemperature = false;
    log.LogPlotData = state.range(1) != 0;
    double sweepSeconds = 0;
    double logSeconds = 0;
    int64_t samples = 0;
    for (auto _ : state) {
        sweepSeconds += TimedSweep();
        logSeconds += TimedLogPass();
        samples += App().SamplesTaken;
    }
    log.LogPlotData = true;
    state.counters["sweep_samples_per_s"] = samples / sweepSeconds;
    state.counters["log_samples_per_s"] = samples / logSeconds;
    state.counters["ratio"] = sweepSeconds / logSeconds;
    state.SetLabel(std::string(ModelName(static_cast<int>(state.range(0)))) +
                   (state.range(1) != 0 ? " plotting" : " not plotting"));
}
BENCHMARK(LogVsSweep)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void LogThreeChannels(benchmark::State& state) {
    SetUpOnce();
    UseQt(true);
    mnuKxs306_Click();
    SetSweepLength32768();
    auto& log = DataLog();
    log.ChosenChannelCount = 3;
    log.ChosenChannelList = {0, 0, 2, 3, 0};
    log.LogTemperature = true;
    log.LogPlotData = true;
    uintmax_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        seconds = TimedLogPass(&bytes);
        state.SetIterationTime(seconds);
    }
    state.counters["samples_per_s"] = App().SamplesTaken / seconds;
    state.counters["file_bytes_per_s"] = static_cast<double>(bytes) / seconds;
    log.ChosenChannelCount = 1;
    log.LogTemperature = false;
}
BENCHMARK(LogThreeChannels)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UseQt(true);
    qtFrontend.reset();
    ClosePort();
    InstallPortBackend(nullptr);
    SimulatedBoards().Detach();
    return 0;
}
