#include "cli/CliApp.h"
#include "cli/Command.h"
#include "cli/PortTrace.h"

#include <algorithm>

namespace {

// Recorded while a session has the hardware.
PortTrace trace;

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
        hooks.hardware_ready = [path = o.tracePort] {
            std::string reason;
            if (!trace.Start(path, reason)) {
                throw quelto::Error(quelto::ErrorKind::RunFailed, reason, "trace-port");
            }
        };
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

void Context::OpenOutput() { file_.emplace(options.output); }

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

void Context::EndProgress() {
    if (barShown_) {
        err_ << "\r\033[K";
        err_.flush();
        barShown_ = false;
    }
}
