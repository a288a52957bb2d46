// queltoeval-cli: the evaluation program's commands without a window.
#include "cli/CliApp.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <iostream>

namespace {

volatile std::sig_atomic_t lastSignal = 0;

// The first Ctrl+C stops the run at its next sample, with the output so far written; a
// second one ends the program at once.
void OnInterrupt(int signal) {
    lastSignal = signal;
    RequestInterrupt();
}

// A standard descriptor closed by the caller would be the number of the next file opened, and
// data or messages meant for it would land in that file. /dev/null takes it, read-only, so
// that writing there still fails as it would have.
void HoldStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int held = ::open("/dev/null", O_RDONLY | O_NOCTTY);
            if (held >= 0 && held != fd) {
                ::dup2(held, fd);
                ::close(held);
            }
        }
    }
}

// Standard output through a buffer that keeps the reason of its first failed write, which
// errno has long forgotten when the run ends.
class OutputBuffer final : public std::streambuf {
public:
    OutputBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (sync() != 0) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        for (char* from = pbase(); from < pptr() && error_ == 0;) {
            const ssize_t n = ::write(STDOUT_FILENO, from, static_cast<size_t>(pptr() - from));
            if (n > 0) {
                from += n;
            } else if (n == 0 || errno != EINTR) {
                error_ = n < 0 ? errno : EIO;
            }
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return error_ == 0 ? 0 : -1;
    }

private:
    char buffer_[64 * 1024];
    int error_ = 0;
};

// Standard output's last bytes and its close; false, with the reason on standard error, when
// anything written there was lost.
bool FinishOutput(OutputBuffer& buffer) {
    std::cout.flush();
    int error = buffer.error();
    if (::close(STDOUT_FILENO) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        std::cerr << "queltoeval-cli: writing standard output failed: " << std::strerror(error)
                  << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    HoldStandardDescriptors();
    // The log's date line in the user's form, as the windows write it; numbers always with a
    // point.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    // Past a file-size limit a write fails and says so instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::ios::sync_with_stdio(false);
    OutputBuffer output;
    // std::cout outlives main and is flushed at exit: it must not keep a buffer that ends here.
    struct Restore {
        std::streambuf* original;
        ~Restore() { std::cout.rdbuf(original); }
    } const restore{std::cout.rdbuf(&output)};
    int code = RunCli({argv + (argc > 0 ? 1 : 0), argv + argc}, std::cout, std::cerr);
    if (!FinishOutput(output) && code != kExitUsage) {
        code = kExitRunFailed;
    }
    // A message that could not be written still fails the run.
    if (!std::cerr.flush() && code == kExitOk) {
        code = kExitRunFailed;
    }
    if (code == kExitInterrupted && lastSignal != SIGINT && lastSignal != 0) {
        return 128 + lastSignal;
    }
    return code;
}
