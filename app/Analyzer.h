// The one application state of the program, shared by every module, and the form models
// of its windows.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Controls.h"

class Canvas;

inline constexpr const char* kMainCaption = "KXS201 / 202 / 305 / 306 / 307   Evaluation - Rev 3";
inline constexpr int32_t kMaxSampleIndex = 65540;

// One USB adapter, as found by the scan.
struct AdapterRecord {
    std::string AdapterName;
    uint8_t Unit = 0;
    bool Present = false;
    std::string BoardType;
    std::string Descriptor1;
    std::string Descriptor2;
    float FirmwareRev = 0.0f;
    std::string UsbSpeed;
};

struct MdiAnalyzerForm {
    FormGeometry form{kMainCaption};

    Button cmdLogData{"Log Data"};
    Button cmdStop{""};
    Button cmdSingleSweep{"Plot Data"};

    Frame frmDataLog{"Datalog Setup"};
    Button cmdSetupDlog{"Configure"};
    TextBox txtDlogFile;
    TextBox txtFileIndex;
    Label FileNameLbL{" Output File"};

    Frame frameDataRead{"Data Setup"};
    CheckBox chkContinuous{"Continuous Loop"};
    ComboBox DatalogLengthCBX{{"256", "512", "1024", "2048", "4096", "8192", "16384", "32768"}};
    TextBox txtLoopDelay{"0.0"};
    Label DataLogLengthLBL{"Samples"};
    Label Label1{"Read Delay (mS)"};

    Frame frameADC{"Part Setup"};
    CheckBox ckSelfTestPos{"ST Pos"};
    CheckBox ckSelfTestNeg{"ST Neg"};
    std::array<OptionButton, 4> optAdcIn{OptionButton{"AIN 0"}, OptionButton{"AIN 1"},
                                         OptionButton{"AIN 2"}, OptionButton{"AIN 3"}};
    CheckBox ChkPowerdown{"Powerdown"};

    Frame frameSetup{"Program Setup"};
    TextBox txtPort;
    TextBox txtInterface;
    TextBox txtDevice;
    Label lblPort{"Port", "Right Click to change the Port"};
    Label lblInterface{"Interface", "Right Click to change the Interface"};
    Label lblDevice{"Device", "Right Click to change the device"};

    // Menus, in their order on the window. Hidden menus serve as pop-ups.
    MenuItem mnuInterface{"&Interface"};
    MenuItem mnuPort{"Parallel Port"};
    MenuItem mnuUSB{"USB"};
    MenuItem mnuSim{"Simulator", false, false};
    MenuItem mnuSimUse{"Use Simulator"};
    MenuItem mnuSimMax{"Sim Max (FS=1.0)"};
    MenuItem mnuSimFreq{"Sim Freq (cycles/sweep)"};
    MenuItem mnuSimUsbPlugged{"USB Adapter Plugged In"};
    MenuItem mnuSimUsbFail{"Fail Next USB Transfers..."};
    MenuItem mnuSimUsbTimeout{"Time Out Next USB Transfers..."};
    MenuItem mnuSimUsbStall{"Stall Next USB Transfers..."};
    MenuItem mnuDevice{"&Device"};
    MenuItem mnuKxs201{"KXS201"};
    MenuItem mnuKxs202{"KXS202"};
    MenuItem mnuKXS305{"KXS305"};
    MenuItem mnuKxs306{"KXS306"};
    MenuItem mnuKxs307{"KXS307"};
    MenuItem mnuDataScale{"Plot Scaling", false, false};
    MenuItem mnuDataYScale{"Plot Y Scale"};
    MenuItem mnuScaleFull{"Full", true};
    MenuItem mnuScaleHalf{"1/2"};
    MenuItem mnuScaleQuarter{"1/4"};
    MenuItem mnuScaleEighth{"1/8"};
    MenuItem mnuScaleSixteenth{"1/16"};
    MenuItem mnuScale32{"1/32"};
    MenuItem mnuSetPlottoAvg{"Set Plot Midscale to Average"};
    MenuItem mnuResetMidScale{"Reset Midscale to 0"};
    MenuItem mnuReadTemp{"Read &Temp"};
    MenuItem mnuTest{"&Run Test"};
    MenuItem mnuFFT{"FFT"};
    MenuItem mnuFFTon{"FFT On"};
    MenuItem mnuFFToff{"FFT Off"};
    MenuItem mnuPrint{"&Print"};
    MenuItem mnuHelp{"&Help"};
    MenuItem mnuExit{"Exit"};
    MenuItem mnuEzUsb{"EzUsb", false, false};
    std::array<MenuItem, 4> mnuEzUsbN{MenuItem{"EzUsb0"}, MenuItem{"EzUsb1"}, MenuItem{"EzUsb2"},
                                      MenuItem{"EzUsb3"}};
    MenuItem mnuPortAddress{"PortAddress", false, false};
    MenuItem mnuPort378{"378"};
    MenuItem mnuPort278{"278"};
    MenuItem mnuPort3BC{"3BC"};
    MenuItem mnuSampleRate{"SampleRate", false, false};
    MenuItem mnuFrequency{"Frequency"};
    MenuItem mnuAux{"Aux", false, false};
    MenuItem mnuAux1{"Aux1"};
    MenuItem mnuAux2{"Aux2"};
    MenuItem mnuAux3{"Aux3"};
    MenuItem mnuFFTXscale{"FFT Xscale", false, false};
    MenuItem mnuFFTXfull{"Full (Nyquist)"};
    MenuItem mnuFFTXhalf{"1/2"};
    MenuItem mnuFFTXquarter{"1/4"};
    MenuItem mnuFFTXeighth{"1/8"};
    MenuItem mnuFFTX16th{"1/16"};
    MenuItem mnuFFTYscale{"FFT Yscale", false, false};
    MenuItem mnuFFTYfull{"Full"};
    MenuItem mnuFFTYhalf{"1/2"};
    MenuItem mnuFFTYQuarter{"1/4"};
    MenuItem mnuFFTYeighth{"1/8"};
    MenuItem mnuFFTY16th{"1/16"};
    MenuItem mnuFFTY32nd{"1/32"};
    MenuItem mnuFFTY100th{"1/100"};
    MenuItem mnuFFTY250th{"1/250"};
    MenuItem mnuFFTYauto{"Auto"};

    // Name of the control that should have the keyboard focus; the view moves it there.
    std::string focus;
    // What the window's status line says.
    std::string statusText;
};

// The time-plot window.
struct FrmDataForm {
    FormGeometry form{"Time Data"};
    Canvas* pic1 = nullptr;
    std::array<Label, 9> lblYscale;
    std::array<Label, 5> lblPlotX;
    std::array<Label, 4> lblTest;
    Frame frameStats{"Statistics"};
    Label lblTS{"Ts (mS)", "Right Click to show Sample rate"};
    Label lblTsample{"0"};
    Label Label3{"AC RMS"};
    Label lblRMS{"0"};
    Label Label2{"Temp"};
    Label lblTemp{"---  "};
    Label Label7{"Min"};
    Label lblMin{"0"};
    Label Label6{"Max"};
    Label lblMax{"0"};
    Label label5{"Pk Pk"};
    Label lblPkPk{"0"};
    Label lblShowAverage{"Average", "Right Click to Set Plot to Average"};
    Label lblAverage{"0"};
};

// The spectrum window.
struct FrmFftForm {
    FormGeometry form{"FFT Output - Peak value"};
    Canvas* pic1 = nullptr;
    std::array<Label, 9> lblYscale;
    std::array<Label, 5> lblPlotX;
    Label lblTS{"FREQ (Hz)"};
    Frame frameFreqStats{"FFT Statistics"};
    Label Label3{"Fs (Hz)"};
    Label lblFs;
    Label Label5{"Peak"};
    Label lblFftMax;
    Label Label7{"@ Freq"};
    Label lblFftMaxFreq;
    Label Label2{"Temp"};
    Label lblTemp;
};

// The parallel port dialog.
struct FrmPortForm {
    FormGeometry form{"Parallel Port Setup"};
    bool loaded = false; // created on first use, then only hidden and shown
    Button cmdOK{"OK"};
    Button cmdCancel{"Cancel"};
    TextBox txtUser;
    Label Label1{"Port Address (Hex)"};
};

// Dialogs whose controls arrive with their own modules.
struct FrmUSBselectForm {
    FormGeometry form{"USB SPI Card Selection"};
    Frame frameAdaptors{"Adaptor List"};
    Label lblDevice{"Device"};
    Label lblRev{"Rev"};
    Label lblSpeed{"Speed"};
    std::array<OptionButton, 5> optUsbPort{OptionButton{"EzUsb0"}, OptionButton{"EzUsb1"},
                                           OptionButton{"EzUsb2"}, OptionButton{"EzUsb3"},
                                           OptionButton{"None"}};
    std::array<TextBox, 4> txtDescript0;
    std::array<TextBox, 4> txtDriverRev;
    std::array<TextBox, 4> txtSpeed;
    Button cmdFindEzUsb{"Search"};
    Button cmdOK{"OK"};
    Button cmdDebugUsb{"Debug"};
};

// The USB debug console. Arrays indexed by channel, bit or word number leave the unused
// low elements alone.
struct FrmUSBdebugForm {
    FormGeometry form{"USB SPI Card Setup"};

    Frame frameBufferSetup{"Buffer Select"};
    Label lblDevice{"Device"};
    Label lblDescriptor0{"Descriptor0"};
    Label lblDescriptor1{"Descriptor1"};
    Label lblRev{"Rev"};
    Label lblSpeed{"Speed"};
    std::array<OptionButton, 5> optUsbPort{OptionButton{"EzUsb0"}, OptionButton{"EzUsb1"},
                                           OptionButton{"EzUsb2"}, OptionButton{"EzUsb3"},
                                           OptionButton{"None"}};
    std::array<TextBox, 4> txtUsbPort;
    std::array<TextBox, 4> txtDescript0;
    std::array<TextBox, 4> txtDescript1;
    std::array<TextBox, 4> txtDriverRev;
    std::array<TextBox, 4> txtSpeed;
    Button cmdFindEzUsb{"Search"};

    Frame frameSPIsetup{"SPI Setup", false};
    Frame frameSpiChan{"Csel Channel"};
    std::array<OptionButton, 5> optSpiChan{OptionButton{}, OptionButton{"Chan1"},
                                           OptionButton{"Chan2"}, OptionButton{"Chan3"},
                                           OptionButton{"Chan4"}};
    Label lblDelay{"Delay between words (uS)"};
    TextBox txtLoopDelay{"10"};
    Button cmdReadDelay{"Read"};
    Label lblPolarity{"Data Input Polarity"};
    Button cmdPolarity{"Pos"};
    Frame frameSpiStatic{"Static Bits"};
    std::array<CheckBox, 6> chkStaticBits{CheckBox{},      CheckBox{},      CheckBox{"CS2"},
                                          CheckBox{"CS3"}, CheckBox{"CS4"}, CheckBox{"CS5"}};
    Button cmdSetSpiBits{"Set Bits"};
    Button cmdReadBits{"Read"};

    Frame frameManual{"Manual Setup", false};
    Label lblWrite{"Write (hex)"};
    std::array<TextBox, 17> txtWriteSpi = [] {
        std::array<TextBox, 17> boxes;
        for (size_t k = 1; k < boxes.size(); ++k) {
            boxes[k].text = "0";
        }
        return boxes;
    }();
    Label lblReadback{"Readback"};
    std::array<TextBox, 17> txtReadSpi;
    Label lblNumWords{"# Words to Write"};
    TextBox txtNumWords{"1"};
    Button cmdWriteSpi{"Write"};
    Button cmdLoop{"Loop"};

    Button cmdExit{"OK"};
};
struct FrmLogSetupForm {
    FormGeometry form{"Datalog Setup"};
};

struct AppState {
    // Application core.
    int32_t DelayLoopCount = 200;
    bool DelayCalibrated = false;
    float MinimumDelayMs = 0.0f;
    bool StopRequested = true;
    std::string DeviceName = "None";
    std::string OsName;
    bool DriverModuleFlag = false;
    int16_t InterfaceCode = 0;
    int16_t PortAddress = 0;
    int32_t DataWindowWidth = 0;
    int32_t DataWindowHeight = 0;
    int32_t FftWindowWidth = 0;
    int32_t FftWindowHeight = 0;
    std::string ChannelTitle = "None";
    bool ContinuousMode = false;
    std::array<bool, 5> ChannelChosen{true, false, false, false, false};
    bool LogTemperature = false;
    std::string LogFileName;
    int16_t ChosenChannelCount = 1;
    std::array<int16_t, 5> ChosenChannelList{};
    std::array<float, 5> TestAvg{}; // used from index 1

    // Time plot and statistics.
    float PlotX = 0.0f;
    float PlotXStep = 0.0f;
    int32_t YScaleDivisor = 1;
    int32_t PlotSamples = 2048;
    int32_t PlotYMinCode = 0;
    int32_t PlotYMaxCode = 4096;
    int32_t MidscaleCode = 2048;
    int32_t CodesPerDivision = 512;
    float PlotYScale = 0.0f;
    int32_t LastPlotY = 0;
    float SampleValue = 0.0f;
    float StatMean = 0.0f;
    float StatMin = 0.0f;
    float StatMax = 0.0f;
    float StatSumSq = 0.0f;
    float StatRms = 0.0f;
    bool LogPlotData = true;
    int32_t PlotIndex = 0;
    bool FftOn = false;
    int32_t ValueDecimals = 2;

    // Acquisition.
    int16_t ChannelIndex = 0;
    int16_t ChanAddrLow = 0;
    int16_t ChanAddrHigh = 0;
    int16_t SelfTestNegBit = 0;
    int16_t SelfTestPosBit = 0;
    int16_t PowerDown = 0;
    std::array<int16_t, 17> SpiBits{};
    int32_t SampleIndex = 0;
    std::vector<int32_t> RawCodes = std::vector<int32_t>(kMaxSampleIndex + 1);
    std::vector<float> Samples = std::vector<float>(kMaxSampleIndex + 1);
    float Temperature = 0.0f;
    float LoopDelayMs = 0.0f;
    float SampleRateHz = 0.0f;
    float SamplePeriod = 0.0f;
    int32_t SweepLength = 2048;
    int32_t SamplesTaken = 0;
    std::array<float, 9> ChannelScale{1, 1, 1, 1, 1, 1, 1, 1, 0};
    std::array<int32_t, 9> ChannelOffset{};
    std::array<std::string, 9> ChannelUnits;
    std::array<std::string, 9> ChannelName;

    // Spectrum.
    int32_t AdcBits = 12;
    std::vector<double> WindowTable;
    std::vector<double> FftData;
    std::vector<double> FftRe;
    std::vector<double> FftIm;
    float FftPeakMag = 0.0f;
    int32_t FftPeakIndex = 0;
    float FftBinWidth = 0.0f;
    float FftPeakFreq = 0.0f;
    float FftPeakValue = 0.0f;
    float FftYFull = 1.0f;
    float FftBinsShown = 0.0f;
    float FftXStep = 0.0f;
    float FftYScale = 0.0f;
    float FftPlotX = 0.0f;
    int32_t FftLastY = 0;

    // USB adapter.
    std::array<AdapterRecord, 4> UsbAdapters;
    AdapterRecord CurrentAdapter;
    int16_t CurrentAdapterIndex = -1;
    int16_t UsbAdapterCount = 0;
    uint8_t SpiChannel = 0;
    uint8_t SpiStaticBits = 0;
    uint8_t SpiWordCount = 0;
    std::array<int32_t, 17> SpiWriteWords{};
    std::array<int32_t, 17> SpiReadWords{};
    uint8_t SpiWordDelay = 0;
    bool SpiInputPolarity = false;

    // Our own command-line options.
    bool Simulate = false;

    // Start-up has read the settings; until then no exit path may write them. Read by the
    // signal handlers, hence atomic.
    std::atomic<bool> SettingsRead{false};
    bool SettingsSaved = false; // written on the way out already

    // Form models.
    MdiAnalyzerForm mdiAnalyzer;
    FrmDataForm frmData;
    FrmFftForm frmFFT;
    FrmPortForm frmPort;
    FrmUSBselectForm frmUSBselect;
    FrmUSBdebugForm frmUSBdebug;
    FrmLogSetupForm frmLogSetup;
};

AppState& App();
// Gives a fresh state, as at process start (tests).
void ResetAppState();
