#include "cli/ConsoleFrontend.h"

#include "commands/Sweep.h"
#include "forms/UsbDebugForm.h"
#include "sensors/Acquisition.h"

#include <algorithm>

namespace {

volatile std::sig_atomic_t interrupted = 0;

} // namespace

void ConsoleFrontend::RequestInterrupt() { interrupted = 1; }
bool ConsoleFrontend::Interrupted() { return interrupted != 0; }
void ConsoleFrontend::ClearInterrupt() { interrupted = 0; }

ConsoleFrontend::ConsoleFrontend(std::ostream& err, bool progress)
    : err_(err), progress_(progress), started_(std::chrono::steady_clock::now()) {
    InstallFrontend(this);
}

ConsoleFrontend::~ConsoleFrontend() {
    EndProgress();
    InstallFrontend(nullptr);
}

void ConsoleFrontend::ShowMsgBox(const std::string& text, const std::string&) {
    if (sink_ && sink_(text)) {
        return;
    }
    EndProgress();
    ++messages_;
    err_ << "queltoeval-cli: " << text << "\n";
    err_.flush();
}

bool ConsoleFrontend::ShowConfirm(const std::string& text, const std::string&) {
    EndProgress();
    err_ << "queltoeval-cli: " << text << " [answered No]\n";
    return false;
}

void ConsoleFrontend::ShowModal(FormId form) {
    if (const auto it = modal_.find(form); it != modal_.end()) {
        it->second();
    }
}

void ConsoleFrontend::DoEvents() {
    if (interrupted != 0) {
        cmdStop_Click();
        frmUSBdebug().loopStop = true;
    }
    if (hook_) {
        hook_();
    }
    // Called once a sample: the clock is read only now and then.
    if (!progress_ || (++calls_ & 255u) != 0) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - started_ > std::chrono::seconds(1) && now - drawn_ > std::chrono::milliseconds(100)) {
        drawn_ = now;
        DrawProgress();
    }
}

void ConsoleFrontend::DrawProgress() {
    const auto& acq = Acquisition();
    const int32_t wanted = std::max(acq.SweepLength, 1);
    const double fraction = std::clamp(static_cast<double>(acq.SampleIndex) / wanted, 0.0, 1.0);
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    err_ << "\r" << label_ << " [" << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << acq.SampleIndex << "/"
         << wanted << "\033[K";
    err_.flush();
    barShown_ = true;
}

void ConsoleFrontend::EndProgress() {
    if (barShown_) {
        err_ << "\r\033[K";
        err_.flush();
        barShown_ = false;
    }
}
