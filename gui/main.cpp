// The program: our own options first, then the Qt application around the core.
#include "QueltoVersion.h"
#include "app/Analyzer.h"
#include "app/ConfigFile.h"
#include "app/Hardware.h"
#include "app/Startup.h"
#include "gui/QtFrontend.h"
#include "platform/Clock.h"
#include "platform/SimulatorControl.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

int signalFds[2] = {-1, -1};

void OnTerminate(int signal) {
    // Until start-up has read the settings there is nothing to save, and an exit through the
    // event loop would write defaults over them: end as the signal would without a handler.
    if (!App().SettingsRead) {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalFds[0], &byte, 1);
    errno = saved;
}

void SaveOnProcessExit() { SaveSettingsAtExit(); }

// A logout, a hang-up or Ctrl+C ends the program as "Exit" does, so the configuration is
// written. The handler only wakes the event loop; the exit runs there. Paths that end the
// process without passing "Exit" (the application quitting, a lost display connection,
// which ends in exit()) write the settings on their way out; the session manager's request
// writes them without ending anything.
void InstallTerminationHandlers(QApplication* owner) {
    QObject::connect(owner, &QCoreApplication::aboutToQuit, [] { SaveSettingsAtExit(); });
    QObject::connect(owner, &QGuiApplication::commitDataRequest,
                     [](QSessionManager&) { SaveSettings(); });
    std::atexit(SaveOnProcessExit);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFds) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalFds[1], &byte, 1);
        mnuExit_Click();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return {argv + std::min(argc, 1), argv + argc};
}

} // namespace

int main(int argc, char** argv) {
    // Help and version work without a display.
    const CommandLine early = ParseCommandLine(Arguments(argc, argv));
    if (!early.error.empty()) {
        std::cerr << "queltoeval: " << early.error << "\n" << UsageText();
        return 2;
    }
    if (early.help) {
        std::cout << UsageText();
        return 0;
    }
    if (early.version) {
        std::cout << "queltoeval " << QUELTO_VERSION << "\n";
        return 0;
    }

    QApplication app(argc, argv);
    // Qt takes the user's locale for everything; numbers keep the point as decimal
    // separator, or a log's tab-separated columns and the configuration file would change
    // with it. Dates keep the user's form.
    std::setlocale(LC_NUMERIC, "C");
    // Qt has taken its own arguments (-platform, ...) out by now.
    std::vector<std::string> args;
    const QStringList remaining = QCoreApplication::arguments();
    for (qsizetype i = 1; i < remaining.size(); ++i) {
        args.push_back(remaining[i].toStdString());
    }
    const CommandLine commandLine = ParseCommandLine(args);
    App().Simulate = commandLine.simulate;

    QtFrontend frontend;
    InstallFrontend(&frontend);
    InstallTerminationHandlers(&app);
    InstallHardware(commandLine);
    UseFastTime(commandLine.fastTime);
    // The simulated part shows the noise of a real one.
    if (SimulatorControl* sim = Simulator()) {
        sim->UseTypicalNoise();
    }
    Main(commandLine.text);
    const int code = frontend.EndRequested() ? 0 : app.exec();
    RemoveHardware();
    return code;
}
