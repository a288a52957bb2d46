// A virtual X display of a test's own (Xvfb, with openbox when asked), and the small process
// helpers that start it and the programs run on it.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
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
    std::string command = "DISPLAY=" + display + " timeout 10";
    for (const auto& a : args) {
        command += " '" + a + "'";
    }
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    std::string text;
    char buffer[256];
    for (size_t got; pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        text.append(buffer, got);
    }
    return pipe != nullptr && ::pclose(pipe) == 0 ? std::optional(text) : std::nullopt;
}

} // namespace testproc

class VirtualDisplay {
public:
    VirtualDisplay() = default;
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay() { Stop(); }

    // A server on a display number Xvfb picks among the free ones; it names the number once it
    // takes connections. false when none started.
    bool Start(bool windowManager, const std::string& size = "1280x800") {
        int fds[2];
        if (::pipe(fds) != 0) {
            return false;
        }
        server_ = testproc::Spawn({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset",
                                   "-screen", "0", size + "x24"},
                                  {}, fds[1]);
        ::close(fds[1]);
        pollfd ready{fds[0], POLLIN, 0};
        std::string number;
        for (char c; ::poll(&ready, 1, 20000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n';) {
            number += c;
        }
        ::close(fds[0]);
        name_ = ":" + number;
        if (number.empty()) {
            Stop();
            return false;
        }
        if (windowManager) {
            windowManager_ = testproc::Spawn({"openbox"}, {"DISPLAY=" + name_});
            std::this_thread::sleep_for(testproc::Milliseconds(500));
        }
        return true;
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
};
