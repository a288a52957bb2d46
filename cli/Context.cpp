#include "cli/CliApp.h"
#include "cli/Command.h"
#include "cli/PortTrace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <regex>

namespace {

// Recorded while a session has the hardware.
PortTrace trace;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// By device and inode when both exist, else by their absolute names; standard output is no
// file of these.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty() || a == "-" || b == "-") {
        return false;
    }
    struct stat sa {};
    struct stat sb {};
    const bool ina = ::stat(a.c_str(), &sa) == 0;
    const bool inb = ::stat(b.c_str(), &sb) == 0;
    if (ina && inb) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    std::error_code error;
    const auto where = [&error](const std::string& path) {
        return std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    };
    return !ina && !inb && where(a) == where(b);
}

// The settings file is rewritten whole at the end, so what does not read as one (no
// recognised "Key = value", a NUL byte, more than a settings file could hold, not a regular
// file) would be lost: why it does not, or empty when it does (or is new, or empty).
std::string NotSettings(const std::string& path) {
    constexpr off_t kMaxBytes = 64 * 1024;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        return "it is not a regular file";
    }
    if (st.st_size > kMaxBytes) {
        return "it is larger than 64 KiB";
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    std::string text(static_cast<size_t>(kMaxBytes) + 1, '\0');
    const ssize_t got = fd < 0 ? -1 : ::read(fd, text.data(), text.size());
    if (fd >= 0) {
        ::close(fd);
    }
    if (got < 0) {
        return std::strerror(errno);
    }
    text.resize(static_cast<size_t>(got));
    if (text.find('\0') != std::string::npos) {
        return "it holds binary data";
    }
    static const std::regex setting("(^|[\\n,]) *(Device|Interface|Plot Samples|Port Address) =");
    if (!text.empty() && !std::regex_search(text, setting)) {
        return "it holds no setting";
    }
    return {};
}

} // namespace

Context::Context(CliOptions& o, bool simulated, std::ostream& out, std::ostream& err, bool progress)
    : options(o), simulated_(simulated), out_(out), err_(err), progress_(progress),
      started_(std::chrono::steady_clock::now()) {}

Context::~Context() { EndProgress(); }

quelto::Session& Context::Open(bool needsModel) {
    const auto& o = options;
    quelto::Options session;
    session.interface = o.interfaceName;
    session.model = o.device;
    session.port = o.port;
    session.adapter = o.adapter;
    session.samples = o.samples;
    session.channel = o.channel;
    session.read_delay = o.delay;
    session.pace_hz = o.pace;
    session.fast_time = o.fastTime;
    session.settings = o.config;
    session.connect = needsModel;
    session.direct_io = o.directIo;
    session.simulate = simulated_;
    session.simulate_model = o.simulate.empty() ? "" : o.simulate.front();
    const auto given = [](double value) {
        return value >= 0 ? std::optional<double>(value) : std::nullopt;
    };
    session.density = given(o.simDensity);
    session.bias_instability = given(o.simBias);
    session.rate_random_walk = given(o.simWalk);
    session.amplitude = given(o.simAmplitude);
    if (o.simSeed >= 0) {
        session.seed = static_cast<uint32_t>(o.simSeed);
    }
    quelto::Hooks hooks;
    hooks.note = [this](const std::string& text) { Note(text); };
    hooks.stop_requested = Interrupted;
    if (progress_) {
        hooks.progress = [this](int pass, int taken, int wanted) {
            DrawProgress(pass, taken, wanted);
        };
    }
    if (!o.tracePort.empty()) {
        hooks.hardware_ready = [path = o.tracePort] { trace.Start(path); };
        hooks.hardware_done = [this] {
            std::string reason;
            if (!trace.Stop(reason)) {
                traceError_ = reason;
            }
        };
    }
    session_.emplace(session, std::move(hooks));
    if (needsModel) {
        session_->channel();
    }
    return *session_;
}

void Context::OpenFiles() {
    const auto& o = options;
    const auto refuse = [](const std::string& reason, const char* parameter) {
        throw quelto::Error(quelto::ErrorKind::Usage, reason, parameter);
    };
    if (const std::string why = NotSettings(o.config); !why.empty()) {
        refuse(o.config + " does not read as a settings file (" + why + "); it is left as it is",
               "settings");
    }
    // Each file the run writes, against every file it reads or writes before it.
    const std::pair<const std::string*, const char*> files[] = {{&o.fromLog, "the input log"},
                                                                {&o.config, "the settings file"},
                                                                {&o.tracePort, "the port trace"},
                                                                {&o.record, "the record"},
                                                                {&o.output, "the output"}};
    const char* options[] = {"", "", "trace-port", "record", "output"};
    for (size_t i = 2; i < std::size(files); ++i) {
        const std::string& path = *files[i].first;
        const char* option = options[i];
        if (IsFolder(path)) {
            refuse(path + " is a folder", option);
        }
        for (size_t k = 0; k < i; ++k) {
            if (SameFile(path, *files[k].first)) {
                refuse(path + " is " + files[k].second, option);
            }
        }
    }
    if (!o.output.empty()) {
        file_.emplace(o.output);
    }
}

void Context::Write(std::string_view data) {
    if (file_) {
        file_->write(data);
    } else {
        out_.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
}

// The settings are saved first of all that ends a command well, so that a run whose settings
// could not be saved fails before its output is put in place.
void Context::Commit() {
    if (session_) {
        session_->save_settings();
    }
    if (file_) {
        file_->commit();
    } else {
        out_.flush();
    }
}

void Context::EndSession() {
    if (session_) {
        session_->save_settings();
    }
    session_.reset();
    if (!traceError_.empty()) {
        throw quelto::Error(quelto::ErrorKind::RunFailed, std::exchange(traceError_, {}),
                            "trace-port");
    }
}

void Context::Note(const std::string& text) {
    EndProgress();
    err_ << "queltoeval-cli: " << text << "\n";
    err_.flush();
}

void Context::RunSweeps(const char* label, const std::function<bool(int)>& take) {
    const int sweeps = options.continuous ? 0 : options.count;
    for (int sweep = 1; (sweeps == 0 || sweep <= sweeps) && !Interrupted(); ++sweep) {
        SetLabel(label + std::to_string(sweep));
        if (!take(sweep)) {
            break;
        }
    }
    EndProgress();
}

// Called once a sample: the clock is read only now and then.
void Context::DrawProgress(int pass, int taken, int wanted) {
    if ((++calls_ & 255u) != 0) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - started_ <= std::chrono::seconds(1) ||
        now - drawn_ <= std::chrono::milliseconds(100)) {
        return;
    }
    drawn_ = now;
    const double fraction = std::clamp(static_cast<double>(taken) / wanted, 0.0, 1.0);
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    err_ << "\r" << label_ << (numberedByPass_ ? std::to_string(pass) : "") << " ["
         << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << taken << "/" << wanted
         << "\033[K";
    err_.flush();
    barShown_ = true;
}

void Context::Progress(int64_t taken, int64_t wanted) {
    if (!progress_) {
        return;
    }
    // In thousandths where the counts pass the bar's range.
    const int64_t scale = std::max<int64_t>(wanted, taken) > 1000000000 ? 1000 : 1;
    calls_ |= 255u;
    DrawProgress(1, static_cast<int>(taken / scale),
                 static_cast<int>(std::max<int64_t>(wanted > 0 ? wanted : taken, 1) / scale));
}

void Context::EndProgress() {
    if (barShown_) {
        err_ << "\r\033[K";
        err_.flush();
        barShown_ = false;
    }
}
