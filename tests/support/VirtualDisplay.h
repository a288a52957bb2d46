// A virtual X display of a test's own (Xvfb, with openbox when asked), and the small process
// helpers that start it and the programs run on it.
#pragma once

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testproc {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// Runs args with env added; what it prints goes to output (a pipe's end), or nowhere.
inline pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
                   int output = -1) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& e : env) {
            ::putenv(const_cast<char*>(e.c_str()));
        }
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(output >= 0 ? output : null, 1);
        ::dup2(null, 2);
        for (int fd = 3; fd < 256; ++fd) {
            ::close(fd);
        }
        std::vector<char*> argv;
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// The wait status, or nothing when the process has not ended by then.
inline std::optional<int> WaitFor(pid_t pid, Milliseconds limit) {
    const auto end = Clock::now() + limit;
    do {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        std::this_thread::sleep_for(Milliseconds(20));
    } while (Clock::now() < end);
    return std::nullopt;
}

inline void Kill(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        WaitFor(pid, Milliseconds(5000));
        pid = -1;
    }
}

// What the command, run on display, prints when it ends with success within ten seconds.
inline std::optional<std::string> Output(const std::vector<std::string>& args,
                                         const std::string& display) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return std::nullopt;
    }
    pid_t pid = Spawn(args, {"DISPLAY=" + display}, fds[1]);
    ::close(fds[1]);
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fds[0]);
    const auto status = WaitFor(pid, Milliseconds(10000));
    if (!status) {
        Kill(pid);
    }
    const bool ok = status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
    return ok ? std::optional(text) : std::nullopt;
}

inline bool Succeeds(const std::vector<std::string>& args, const std::string& display) {
    return Output(args, display).has_value();
}

} // namespace testproc

class VirtualDisplay {
public:
    VirtualDisplay() = default;
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay() { Stop(); }

    // A server on a display number no other test's server has (a taken one makes Xvfb end at
    // once, and the next number is tried). false when none would start.
    bool Start(bool windowManager, const std::string& size = "1280x800") {
        using testproc::Milliseconds, testproc::Spawn, testproc::Succeeds, testproc::WaitFor;
        for (int attempt = 0; attempt < 20; ++attempt) {
            const std::string number = std::to_string(100 + (::getpid() * 7 + ++tries_) % 800);
            server_ = Spawn({"Xvfb", ":" + number, "-nolisten", "tcp", "-noreset", "-screen", "0",
                             size + "x24"},
                            {});
            name_ = ":" + number;
            const auto end = testproc::Clock::now() + std::chrono::seconds(20);
            while (testproc::Clock::now() < end && !WaitFor(server_, Milliseconds(0))) {
                if (Succeeds({"xdotool", "getmouselocation"}, name_)) {
                    if (windowManager) {
                        windowManager_ = Spawn({"openbox"}, {"DISPLAY=" + name_});
                        std::this_thread::sleep_for(Milliseconds(500));
                    }
                    return true;
                }
                std::this_thread::sleep_for(Milliseconds(50));
            }
            Stop();
        }
        return false;
    }

    void Stop() {
        testproc::Kill(windowManager_);
        testproc::Kill(server_);
    }

    const std::string& Name() const { return name_; }
    pid_t Server() const { return server_; }

private:
    std::string name_;
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
    int tries_ = 0;
};
