#include "app/Startup.h"

#include "app/Analyzer.h"
#include "app/ConfigFile.h"
#include "app/Hardware.h"
#include "commands/DeviceSelect.h"
#include "commands/SimulatorCommands.h"
#include "commands/UsbSelect.h"
#include "commands/ViewCommands.h"
#include "forms/Forms.h"
#include "interfaces/SetupGiveIO.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/Delay.h"
#include "platform/Frontend.h"
#include "platform/Hardware.h"
#include "platform/TextFormat.h"
#include "plots/PlotSetup.h"
#include "sensors/SensorModels.h"
#include "sensors/m305.h"

#include <algorithm>
#include <charconv>

#include <string_view>

namespace {

// "0,2" -> {0, 2}; each number 0..3, at most once.
bool ParseAdapterList(const std::string& text, std::vector<int>& numbers) {
    numbers.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        if (item.size() != 1 || item[0] < '0' || item[0] > '3') {
            return false;
        }
        const int n = item[0] - '0';
        if (std::find(numbers.begin(), numbers.end(), n) != numbers.end()) {
            return false;
        }
        numbers.push_back(n);
        start = comma + 1;
    }
    return true;
}

// "N" or "N:MS", both whole numbers of at least 0.
bool ParseUnplug(const std::string& text, CommandLine& cl) {
    const size_t colon = text.find(':');
    auto whole = [](const std::string& digits, int& value) {
        const char* end = digits.data() + digits.size();
        const auto [next, error] = std::from_chars(digits.data(), end, value);
        return error == std::errc() && next == end && !digits.empty() && value >= 0;
    };
    if (!whole(text.substr(0, colon), cl.simulateUsbUnplugAfter)) {
        return false;
    }
    return colon == std::string::npos || whole(text.substr(colon + 1), cl.simulateUsbReplugMs);
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    auto fail = [&cl](const std::string& error) {
        if (cl.error.empty()) {
            cl.error = error;
        }
    };
    // --simulate-...=VALUE with VALUE from 0 to most.
    auto simulatedNumber = [&](const std::string& arg, double most, const char* range,
                               double& value) {
        cl.simulate = true;
        const auto number = ParseNumber(arg.substr(arg.find('=') + 1));
        if (!number || !(*number >= 0 && *number <= most)) {
            fail(range + arg);
        } else {
            value = *number;
        }
    };
    for (const auto& arg : args) {
        if (arg.rfind("--", 0) != 0) {
            if (!cl.text.empty()) {
                cl.text += ' ';
            }
            cl.text += arg;
        } else if (arg == "--help") {
            cl.help = true;
        } else if (arg == "--version") {
            cl.version = true;
        } else if (arg == "--simulate") {
            cl.simulate = true;
        } else if (arg.rfind("--simulate=", 0) == 0) {
            cl.simulate = true;
            cl.simulateModel = arg.substr(11);
            if (FindSensorModel(cl.simulateModel) == nullptr) {
                fail("unknown sensor model in " + arg);
            }
        } else if (arg.rfind("--simulate-adapters=", 0) == 0) {
            cl.simulate = true;
            if (!ParseAdapterList(arg.substr(20), cl.simulateAdapters)) {
                fail("adapter numbers are 0 to 3, separated by commas: " + arg);
            }
        } else if (arg.rfind("--simulate-usb-fault=", 0) == 0) {
            cl.simulate = true;
            cl.simulateUsbFault = arg.substr(21);
        } else if (arg.rfind("--simulate-usb-unplug=", 0) == 0) {
            cl.simulate = true;
            if (!ParseUnplug(arg.substr(22), cl)) {
                fail("give the transfers before the unplug, optionally a colon and the "
                     "milliseconds until the replug: " +
                     arg);
            }
        } else if (arg.rfind("--simulate-usb-time=", 0) == 0) {
            simulatedNumber(arg, 1000, "the time of a USB transaction is 0 to 1000 milliseconds: ",
                            cl.simulateUsbTransactionMs);
        } else if (arg.rfind("--simulate-amplitude=", 0) == 0) {
            simulatedNumber(arg, 1, "the simulated sine's peak is 0 to 1 of full scale: ",
                            cl.simulateAmplitude);
        } else if (arg == "--simulate-fast-time") {
            cl.simulate = true;
            cl.fastTime = true;
        } else if (arg == "--direct-io") {
            cl.directIo = true;
        } else {
            fail("unknown option " + arg);
        }
    }
    fail(SimulatorOptionsError(cl));
    return cl;
}

std::string UsageText() {
    return "Usage: queltoeval [OPTION]... [DEVICE]\n"
           "Evaluation program for the KXS201, KXS202, KXS305, KXS306 and KXS307 sensors.\n"
           "\n"
           "DEVICE selects the sensor model at start-up: KXS201, KXS202, KXS306 or KXS307\n"
           "(KXS305 is chosen from the Device menu). Other words are ignored.\n"
           "\n"
           "  --simulate          use simulated evaluation boards behind both interfaces;\n"
           "                      the board follows the model chosen in the program\n"
           "  --simulate=MODEL    the same, with the board of MODEL (for example KXS306)\n"
           "  --simulate-fast-time\n"
           "                      the simulated board's clock moves by its conversions\n"
           "                      alone: an hour's run takes seconds\n"
           "  --simulate-amplitude=F\n"
           "                      the simulated sine's peak as a fraction of full scale\n"
           "                      (default 0.25; 0 leaves the part's noise alone)\n"
           "  --simulate-adapters=N[,N...]\n"
           "                      simulated USB adapters at these numbers (0 to 3; default 0)\n"
           "  --simulate-usb-fault=KIND:N[@AFTER]\n"
           "                      the next N transfers to the simulated adapters fail,\n"
           "                      time out or stall (KIND fail, timeout or stall), after\n"
           "                      AFTER good ones\n"
           "  --simulate-usb-time=MS\n"
           "                      the time a transaction takes on the simulated adapter's\n"
           "                      bus, in milliseconds (default 0.25)\n"
           "  --simulate-usb-unplug=N[:MS]\n"
           "                      the simulated adapters are pulled out after N transfers,\n"
           "                      and plugged in again MS milliseconds later\n"
           "  --direct-io         reach the parallel port by raw port I/O (x86, needs root\n"
           "                      rights) instead of the parport driver\n"
           "  --help              show this help and exit\n"
           "  --version           show the version and exit\n"
           "\n"
           "Settings are kept in QueltoEval.cfg in the working directory.\n";
}

void SetStartDefaults() {
    auto& app = App();
    app.StopRequested = true;
    app.LogPlotData = true;
    app.LoopDelayMs = 0;
    app.SelfTestNegBit = 0;
    app.SelfTestPosBit = 0;
    app.SweepLength = 2048;
    app.YScaleDivisor = 1;
    app.MidscaleCode = 2048;
    app.PlotYMaxCode = 4096;
    app.PlotYMinCode = 0;
    app.ValueDecimals = 2;

    for (int ch = 0; ch <= 7; ++ch) {
        app.ChannelScale[ch] = 1.0f;
        app.ChannelOffset[ch] = 0;
    }

    for (int ch = 0; ch <= 3; ++ch) {
        app.ChannelChosen[ch] = false;
    }
    app.LogTemperature = false;
    app.ChosenChannelCount = 1;
    app.ChannelChosen[0] = true;
    app.ChosenChannelList[1] = 0;

    app.InterfaceCode = 0;
    app.DeviceName = "None";
    app.ChannelTitle = "None";
    app.FftOn = false;
    app.ContinuousMode = false;
}

void SettleSweepLength() {
    auto& app = App();
    if (app.SweepLength == 0) {
        app.SweepLength = 2048;
    }
    app.PlotSamples = app.SweepLength;
    app.AdcBits = 12;
    BuildWindowTable();
}

void Main(const std::string& commandLineText) {
    auto& app = App();
    ForgetDelayCalibration();
    SetStartDefaults();

    ReadSettings();

    // Model 3 is chosen from the menu only.
    if (const SensorModel* model = FindSensorModel(commandLineText);
        model != nullptr && model->startUpArgument) {
        app.DeviceName = model->name;
    }

    SettleSweepLength();
    app.DataWindowWidth = app.DataWindowHeight = 0;
    app.FftWindowWidth = app.FftWindowHeight = 0;

    ShowForm(FormId::mdiAnalyzer);
    // The timing is measured once the window is up; whatever takes data before it is done
    // finishes it first.
    Ui().RunBetweenEvents([] { return CalibrateDelayStep(); });
}

void MDIForm_Unload(int16_t& Cancel) {
    Cancel = 0;
    App().StopRequested = true;
    App().Ending = true;
    SaveSettingsAtExit();
    Ui().EndProcess();
}

void mnuExit_Click() {
    int16_t cancel = 0;
    MDIForm_Unload(cancel);
}
