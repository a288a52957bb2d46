// The "Analysis" menu: the noise density and Allan deviation windows over one shared record
// (the last sweep, sweeps collected from a continuous run, or a log's column).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "analysis/AllanStream.h"
#include "analysis/Noise.h"
#include "forms/Controls.h"
#include "platform/Frontend.h"
#include "sensors/Acquisition.h"

// Records collected for the library API stop here (64 MB of samples).
inline constexpr size_t kMaxNoiseRecord = size_t{1} << 23;
// Collected in the windows, the density is of the most recent samples (8 MB of them); the
// Allan deviation is of every sample.
inline constexpr size_t kRecentNoiseSpan = size_t{1} << 20;
// The live Allan curve is drawn again at most this often during a run.
inline constexpr std::chrono::milliseconds kLiveRedraw{250};

// The record the analyses run over (the last sweep, sweeps collected from a continuous run,
// or a column of a log file).
struct NoiseRecordState {
    std::vector<double> values; // in the channel's units; with a stream, the recent span
    double sampleRate = 0;      // Hz
    std::string units;
    std::string source; // where the record came from, for the windows
    std::string device; // the model that took it, and when (the user's date form)
    std::string date;
    bool collecting = false;
    int sweepsCollected = 0;
    // Runs after each collected sweep: the windows show the record as it grows.
    std::function<void()> collected;
    // Collected in the windows: every sample of a continuous run goes into the Allan
    // deviation's running sums as it is taken, so the record may run for hours.
    std::unique_ptr<AllanStream> stream;
    std::vector<double> pending; // taken, not yet in the stream
    int64_t samplesTaken = 0;    // into the stream, of completed sweeps or not
    std::chrono::steady_clock::time_point shown;
    bool stale = false; // sweeps ended since the windows were last analysed
};
NoiseRecordState& NoiseRecord();

// While collecting, appends a completed sweep (in the windows, its samples are already in the
// stream); the record's rate is the mean of the sweeps' measured rates, weighted by their
// lengths, or the pacing's rate when the run is paced.
void CollectSweep(std::span<const float> samples, double sampleRate, const std::string& units);
// Feeds each sample of a sweep to the collected record's stream, and redraws the Allan curve
// at most every kLiveRedraw while a window shows it.
AcquisitionListener NoiseCollectListener();
// Analyses a collected record whose analysis was put off (sweeps end faster than kLiveRedraw)
// once it is due; true while one is still put off.
bool NoiseRecordCatchUp();

// What both windows show besides their plot.
struct NoiseWindowForm {
    explicit NoiseWindowForm(std::string caption) : form(std::move(caption)) {}
    FormGeometry form;
    Button cmdLastSweep{"Last Sweep"};
    CheckBox chkCollect{"Collect"};
    Button cmdOpenLog{"Open Log..."};
    Button cmdExportCsv{"Export CSV"};
    Button cmdSavePng{"Save PNG"};
    // The pacing of the sweeps a collected record takes, in Hz; "Off": the loop's own pace.
    Label lblPace{"Pace (Hz)"};
    TextBox txtPace{"Off"};
    Label lblTitle; // the window's caption, device and date, for the saved picture
    Label lblSource;
    Label lblFigures;
    Label lblMessage; // why there is no plot, or what was saved
};

struct FrmNoiseForm : NoiseWindowForm {
    FrmNoiseForm() : NoiseWindowForm("Noise Density") {}
    // Welch segment lengths; until the user picks one, the default for the record.
    ComboBox cboSegment{{"256", "512", "1024", "2048", "4096", "8192", "16384", "32768", "65536"}};
    Label lblSegment{"Segment"};
    bool segmentChosen = false;
    DensityResult result;
};

struct FrmAllanForm : NoiseWindowForm {
    FrmAllanForm() : NoiseWindowForm("Allan Deviation") {}
    AllanResult result;
};

FrmNoiseForm& frmNoise();
FrmAllanForm& frmAllan();

void mnuNoiseDensity_Click();
void mnuAllan_Click();
void frmNoise_Form_Load();
void frmAllan_Form_Load();
// The record is the last sweep of the selected channel, at its measured sample rate.
void cmdNoiseLastSweep_Click();
// Collect on: every completed sweep from now on is appended to a new record.
void frmNoise_chkCollect_Click();
void frmAllan_chkCollect_Click();
// The record is a channel of a record file, or a column of a log, the user chose: asked for by
// name from the file's header; the sample rate is the record file's own, and asked for a log,
// which does not record it. A record file is read block by block into the Allan deviation's
// stream, keeping only the recent span for the density.
void NoiseOpenLog(const std::string& path);
void cboNoiseSegment_Click();
// The pace typed in either window: a rate in Hz, or Off (also empty or 0). Anything else is
// refused in the window and the box shows the setting again.
void NoisePace_Change(FormId form);
// Writes the window's curve as CSV; the outcome is said in the window. A path without an
// extension gets ".csv".
void NoiseExportCsv(FormId form, const std::string& path);
// path, with extension (".png") added when its file name has none.
std::string WithExtension(const std::string& path, const std::string& extension);
// Analyses the record again for both windows.
void AnalyseNoiseRecord();
