// The evaluation program as a library: a session on one board, taking sweeps, spectra,
// self-tests, temperatures, logs and raw SPI words with the same handlers and engine as the
// windows, so its numbers are the windows' numbers.
//
// The program has one state: one Session may be open at a time in a process (a second one is
// refused with an Error), and it is used from one thread.
#pragma once

#include <quelto/Error.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quelto {

// The sensor models the program knows, in menu order.
std::vector<std::string> models();
// A channel's number from its name: "x" or "rate" 0, "y" 1, "ain1" 2, "ain2" 3, or the
// number itself ("0".."3"); Error (usage) otherwise.
int channel_number(const std::string& name);

// A 16-bit word or port address in hexadecimal, with or without 0x; nullopt when it is not.
std::optional<uint16_t> parse_hex16(std::string text);

struct Options {
    std::string interface;  // "parallel", "usb" or "none"; empty: the settings', else parallel
    std::string model;      // empty: the simulated board's, or the settings'
    std::string port;       // parallel port's base address in hexadecimal; empty: settings', 378
    int adapter = -1;       // USB adapter number 0..3; -1: the first found
    int samples = 0;        // a sweep's length; 0: the settings', else 2048
    int channel = 0;        // the channel sweeps take unless told otherwise
    double read_delay = 0;  // ms between samples, 0..60000
    std::string settings;   // settings file read now and written by save_settings(); empty: none
    bool connect = true;    // false: the hardware only, no board reached (to list adapters)
    bool direct_io = false; // raw port I/O instead of the parport driver (x86, root)
    // Simulated boards behind both interfaces instead of hardware; simulate_model keeps that
    // board plugged in whatever the model.
    bool simulate = false;
    std::string simulate_model;
    // The simulated part's noise and signal; unset: a typical part's, and a fixed seed.
    std::optional<double> density;          // white noise, g or deg/s per sqrt(Hz)
    std::optional<double> bias_instability; // deg/s
    std::optional<double> rate_random_walk; // deg/s*sqrt(Hz)
    std::optional<double> amplitude;        // the sine's peak, a fraction of full scale
    std::optional<uint32_t> seed;
    // Sweeps, logs and records take sample k at t0 + k / pace_hz on the monotonic clock
    // (missed deadlines are counted, the grid kept); 0 takes them as fast as the loop goes.
    // Refused above the board's own rate.
    double pace_hz = 0;
    // Simulated boards only: time advances by the board's conversions and jumps through
    // waits, as fast as the CPU allows (an hour's record in seconds).
    bool fast_time = false;
};

// What the program asks of its user while it runs.
struct Hooks {
    // A message the windows would show in a box (and the notes of the session itself).
    std::function<void(const std::string&)> note;
    // Samples taken of the current pass, as they come.
    std::function<void(int pass, int taken, int wanted)> progress;
    // Polled as samples come: true stops the run as the Stop button does (Ctrl+C).
    std::function<bool()> stop_requested;
    // Run once the hardware is in place, before the port is opened (to watch the port), and
    // before it is taken away when the session ends.
    std::function<void()> hardware_ready;
    std::function<void()> hardware_done;
};

struct Channel {
    std::string device;
    int number = 0;
    std::string title;
    std::string units;
};

// The figures of the statistics window, in the channel's units.
struct Statistics {
    int samples = 0;
    float min = 0, max = 0, pk_pk = 0, mean = 0, ac_rms = 0;
    float period_ms = 0, sample_rate_hz = 0; // measured
    float temperature_c = 0;
    int64_t deadlines_missed = 0; // of a paced sweep
};

struct Sweep {
    Channel channel;
    std::vector<int32_t> codes;
    std::vector<float> values;
    Statistics stats;
    bool stopped = false; // by stop_requested, with the samples taken until then
};

struct Spectrum {
    Channel channel;
    int points = 0;
    float bin_width_hz = 0;
    std::vector<float> frequency_hz;
    std::vector<float> magnitude; // in the channel's units
    int peak_bin = 0;
    float peak_frequency_hz = 0;
    float peak_magnitude = 0;
    Statistics stats;
    bool stopped = false; // a stopped sweep has no spectrum
};

struct SelfTestLine {
    std::string key; // "avg_x", "self_test", ...
    std::string label;
    float value = 0; // in the units
    float code = 0;
};

struct SelfTest {
    std::string device;
    std::string units;
    std::vector<float> phase_averages; // the four quarters
    std::vector<SelfTestLine> lines;   // averages and shifts
    std::string report;                // as the report box shows it
};

struct Log {
    std::string path;
    int64_t lines = 0;
    int passes = 0;
    bool stopped = false;
    int64_t deadlines_missed = 0; // of a paced log
};

// A record run: the channels streamed to a record file (docs/RECORD-FORMAT.md).
struct RecordOptions {
    std::vector<int> channels; // empty: the session's channel; the first is the one analysed
    double seconds = 0;        // how long, by the pacing grid (or the board's rate unpaced)
    int64_t samples = 0;       // or how many; both 0: until stop_requested
    // Samples taken and wanted (0 when open-ended), now and then.
    std::function<void(int64_t taken, int64_t wanted)> progress;
    // Once the pace and the board's rate are known, before the first sample; then the first
    // channel's values, a block at a time as they are written (to feed a streaming analysis
    // at the pace, or at the board's rate unpaced).
    std::function<void(double pace_hz, double board_rate_hz)> started;
    std::function<void(std::span<const float> values)> block;
};

struct RecordRun {
    std::string path;
    int64_t samples = 0;
    int64_t deadlines_missed = 0;
    double seconds = 0; // from the first sample to the last
    double pace_hz = 0; // 0: unpaced
    double board_rate_hz = 0;
    bool stopped = false; // by stop_requested: the file holds every sample taken until then
};

// Sweeps joined for the noise analyses, as the noise windows collect them.
struct Record {
    std::vector<double> values;
    double sample_rate_hz = 0; // the sweeps' measured rates, weighted by their lengths
    std::string units;
};

struct Adapter {
    int number = 0;
    std::string name, descriptor, firmware, speed, board, descriptor2;
};

struct SpiOptions {
    int chip_select = 0;          // 1..4; 0 leaves it
    std::vector<int> static_bits; // lines 2..5 held high; empty leaves them
    int word_delay = 0;           // us between words, 1..255; 0 leaves it
    int loop = 1;                 // transfers of the words
};

class Session {
public:
    explicit Session(const Options& options, Hooks hooks = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const Channel& channel() const;

    // One sweep; samples 0 keeps the length, channel -1 the channel.
    Sweep sweep(int samples = 0, int channel = -1);
    Sweep sweep(int samples, const std::string& channel);
    Spectrum spectrum(int samples = 0, int channel = -1);
    SelfTest selftest();
    float temperature();
    // Channels (empty: the session's), the temperature column, passes of samples each to
    // BASE_INDEX.txt in the working folder (base empty: the model's name); passes 0 logs
    // until stop_requested.
    Log log(const std::vector<int>& channels, bool temperature, int samples, int passes,
            const std::string& file_base, int index);
    // The words sent loop times through the USB adapter; the words read back each time.
    std::vector<std::vector<uint16_t>> spi(const std::vector<uint16_t>& words,
                                           const SpiOptions& options = {});
    std::vector<Adapter> adapters();

    // Records to path, written as the program writes its outputs (a regular file appears
    // whole under its name when the run ends, stopped or not; a device or FIFO is written in
    // place); Error before the run when path cannot be written or the pace not kept.
    RecordRun record(const std::string& path, const RecordOptions& options = {});

    // From now on every complete sweep joins the record, until it is taken or full.
    void start_record();
    bool recording() const;
    Record take_record();

    // Writes the settings file given in the options, once; later calls do nothing.
    void save_settings();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace quelto
