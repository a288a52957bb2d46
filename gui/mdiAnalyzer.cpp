#include "gui/mdiAnalyzer.h"

#include "app/Startup.h"
#include "commands/DataLog.h"
#include "commands/DeviceSelect.h"
#include "commands/NoiseAnalysis.h"
#include "commands/PortSetup.h"
#include "commands/SelfTest.h"
#include "commands/SimulatorCommands.h"
#include "commands/Sweep.h"
#include "commands/UsbSelect.h"
#include "commands/UtilityCommands.h"
#include "commands/ViewCommands.h"
#include "gui/QtControls.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

using Form = MdiAnalyzerForm;
template <class T> using Member = T Form::*;
using Syncs = std::vector<std::function<void()>>;
using MouseHandler = void (*)(int16_t, int16_t, float, float);

Form& Model() { return mdiAnalyzer(); }

// Runs a core handler, then lets every view show what it changed.
void Run(void (*handler)()) {
    if (handler != nullptr) {
        handler();
    }
    Ui().Refresh();
}

QPixmap StopPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double centre = size / 2.0;
    const double radius = size / 2.0 - 1;
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double angle = (22.5 + 45.0 * i) * std::numbers::pi / 180.0;
        octagon << QPointF(centre + radius * std::cos(angle), centre + radius * std::sin(angle));
    }
    painter.setPen(QPen(QColor(120, 0, 0), std::max(1.0, size / 32.0)));
    painter.setBrush(QColor(210, 20, 20));
    painter.drawPolygon(octagon);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(6, size * 3 / 10));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("STOP"));
    return pixmap;
}

// A small plot: a trace over a dotted grid, in the plots' own colours.
QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame(0.5, 0.5, size - 1, size - 1);
        painter.setPen(QColor(80, 80, 80));
        painter.setBrush(Qt::white);
        painter.drawRect(frame);
        painter.setPen(QPen(QColor(192, 192, 192), 1, Qt::DotLine));
        for (int i = 1; i < 4; ++i) {
            const double y = size * i / 4.0;
            painter.drawLine(QPointF(1, y), QPointF(size - 1, y));
        }
        QPainterPath trace;
        for (int x = 1; x < size - 1; ++x) {
            const double phase = 2 * std::numbers::pi * (x - 1) / (size - 2);
            const QPointF point(x, size / 2.0 - size * 0.3 * std::sin(phase));
            if (x == 1) {
                trace.moveTo(point);
            } else {
                trace.lineTo(point);
            }
        }
        painter.setPen(QPen(QColor(0, 0, 128), std::max(1.0, size / 16.0)));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(trace);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon StopIcon() {
    QIcon icon;
    for (int size : {24, 32, 48, 64}) {
        icon.addPixmap(StopPixmap(size));
    }
    return icon;
}

int CharWidth(const QWidget* widget) { return widget->fontMetrics().averageCharWidth(); }

// The widest size hint a control of this kind has with any of the captions.
template <class Control> int WidestHint(std::initializer_list<const char*> captions) {
    Control probe;
    int widest = 0;
    for (const char* caption : captions) {
        probe.setText(QString::fromLatin1(caption));
        widest = std::max(widest, probe.sizeHint().width());
    }
    return widest;
}

QPushButton* NewButton(QWidget* parent, const char* name, Member<Button> model, void (*click)(),
                       Syncs& syncs) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    QObject::connect(button, &QPushButton::clicked, [click] { Run(click); });
    syncs.push_back([button, model] { SyncButton(button, Model().*model); });
    return button;
}

QLineEdit* NewTextBox(QWidget* parent, const char* name, Member<TextBox> model,
                      const QString& accessibleName, int chars, Syncs& syncs) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    // Room for that many digits, the widest characters these boxes hold.
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(chars, QChar('0'))) + 14);
    QObject::connect(box, &QLineEdit::textEdited,
                     [model](const QString& text) { (Model().*model).text = text.toStdString(); });
    syncs.push_back([box, model] { SyncTextBox(box, Model().*model); });
    return box;
}

MouseLabel* NewLabel(QWidget* parent, const char* name, Member<Label> model, MouseHandler mouseDown,
                     Syncs& syncs) {
    auto* label = new MouseLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    if (mouseDown != nullptr) {
        label->onMouseDown = [mouseDown](const MouseDown& down) {
            mouseDown(down.button, down.shift, down.x, down.y);
            Ui().Refresh();
        };
    }
    syncs.push_back([label, model] { SyncLabel(label, Model().*model); });
    return label;
}

QGroupBox* NewFrame(QWidget* parent, const char* name, Member<Frame> model, Syncs& syncs) {
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(name);
    syncs.push_back([frame, model] { SyncFrame(frame, Model().*model); });
    return frame;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, Member<CheckBox> model, void (*click)(),
                       Syncs& syncs) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    QObject::connect(box, &QCheckBox::clicked, [model, click](bool checked) {
        SetCheckValue(Model().*model, checked ? 1 : 0, click);
        Ui().Refresh();
    });
    syncs.push_back([box, model] { SyncCheckBox(box, Model().*model); });
    return box;
}

QRadioButton* NewOption(QWidget* parent, int index, void (*click)(int16_t), Syncs& syncs) {
    auto* option = new QRadioButton(parent);
    option->setObjectName(QStringLiteral("optAdcIn%1").arg(index));
    QObject::connect(option, &QRadioButton::clicked, [index, click] {
        auto& group = Model().optAdcIn;
        SetOptionValue(group.data(), static_cast<int>(group.size()), static_cast<int16_t>(index),
                       click);
        Ui().Refresh();
    });
    syncs.push_back([option, index] { SyncOption(option, Model().optAdcIn[index]); });
    return option;
}

QComboBox* NewComboBox(QWidget* parent, const char* name, Member<ComboBox> model,
                       const QString& accessibleName, void (*click)(), Syncs& syncs) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setAccessibleName(accessibleName);
    QObject::connect(combo, &QComboBox::activated, [combo, model, click](int index) {
        (Model().*model).text = combo->itemText(index).toStdString();
        Run(click);
    });
    syncs.push_back([combo, model] { SyncComboBox(combo, Model().*model); });
    return combo;
}

// Orders a column by the controls' vertical positions, ties in their original order.
void Arrange(QBoxLayout* column, std::vector<QWidget*>& current,
             std::vector<std::pair<int32_t, QWidget*>> wanted) {
    std::stable_sort(wanted.begin(), wanted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<QWidget*> order;
    for (const auto& [top, widget] : wanted) {
        order.push_back(widget);
    }
    if (order == current) {
        return;
    }
    for (auto* widget : current) {
        column->removeWidget(widget);
    }
    for (size_t i = 0; i < order.size(); ++i) {
        column->insertWidget(static_cast<int>(i), order[i]);
    }
    current = std::move(order);
}

} // namespace

MdiAnalyzerView::MdiAnalyzerView() {
    setObjectName(QStringLiteral("mdiAnalyzer"));
    setWindowIcon(ProgramIcon());
    // The panel keeps its height; a separator to drag would only suggest otherwise.
    setStyleSheet(QStringLiteral("QMainWindow::separator { width: 0px; height: 0px; }"));
    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("mdiArea"));
    area_->viewport()->installEventFilter(this);
    setCentralWidget(area_);
    BuildPanel();
    BuildMenus();
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setAutoFillBackground(true);
    SyncFromModel();
    // As tall as with all four inputs, so the panel keeps its height, and the plot its place,
    // whatever model is chosen.
    auto* partSetup = findChild<QGroupBox*>(QStringLiteral("frameADC"));
    for (auto* option : optAdcIn_) {
        option->setVisible(true);
    }
    partSetup->setMinimumHeight(partSetup->sizeHint().height());
    SyncFromModel();
}

void MdiAnalyzerView::BuildPanel() {
    auto* dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("Picture1"));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setAllowedAreas(Qt::TopDockWidgetArea);
    dock->setTitleBarWidget(new QWidget(dock));
    auto* panel = new QWidget(dock);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 4, 6, 4);
    auto& syncs = syncs_;

    // Created in the order of the window's controls, which is also the tab order.
    auto* cmdLogData = NewButton(
        panel, "cmdLogData", &Form::cmdLogData, [] { cmdLogData_Click(); }, syncs);
    auto* cmdStop = NewButton(panel, "cmdStop", &Form::cmdStop, cmdStop_Click, syncs);
    cmdStop->setIcon(StopIcon());
    cmdStop->setIconSize(QSize(32, 32));
    cmdStop->setAccessibleName(QStringLiteral("Stop"));
    cmdStop->setToolTip(QStringLiteral("Stop (Esc)"));
    auto* cmdSingleSweep = NewButton(
        panel, "cmdSingleSweep", &Form::cmdSingleSweep, [] { cmdSingleSweep_Click(); }, syncs);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdLogData);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdSingleSweep);
    buttons->addStretch(1);
    // Keys for the commands used most at the bench, live during a run too.
    cmdSingleSweep->setToolTip(QStringLiteral("Plot Data (F5)"));
    connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, cmdSingleSweep,
            &QPushButton::click);
    cmdLogData->setToolTip(QStringLiteral("Log Data (F6)"));
    connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, cmdLogData,
            &QPushButton::click);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, cmdStop,
            &QPushButton::click);
    row->addLayout(buttons);

    auto* frmDataLog = NewFrame(panel, "frmDataLog", &Form::frmDataLog, syncs);
    auto* cmdSetupDlog =
        NewButton(frmDataLog, "cmdSetupDlog", &Form::cmdSetupDlog, cmdSetupDlog_Click, syncs);
    auto* txtDlogFile = NewTextBox(frmDataLog, "txtDlogFile", &Form::txtDlogFile,
                                   QStringLiteral("Output File"), 10, syncs);
    auto* txtFileIndex = NewTextBox(frmDataLog, "txtFileIndex", &Form::txtFileIndex,
                                    QStringLiteral("Output File Index"), 3, syncs);
    auto* FileNameLbL = NewLabel(frmDataLog, "FileNameLbL", &Form::FileNameLbL, nullptr, syncs);
    FileNameLbL->setBuddy(txtDlogFile);
    auto* logGrid = new QGridLayout(frmDataLog);
    logGrid->addWidget(cmdSetupDlog, 0, 0, 1, 2);
    logGrid->addWidget(FileNameLbL, 1, 0, 1, 2);
    logGrid->addWidget(txtDlogFile, 2, 0);
    logGrid->addWidget(txtFileIndex, 2, 1);
    logGrid->setRowStretch(3, 1);
    row->addWidget(frmDataLog);

    auto* frameDataRead = NewFrame(panel, "frameDataRead", &Form::frameDataRead, syncs);
    auto* chkContinuous = NewCheckBox(frameDataRead, "chkContinuous", &Form::chkContinuous,
                                      chkContinuous_Click, syncs);
    auto* DatalogLengthCBX = NewComboBox(frameDataRead, "DatalogLengthCBX", &Form::DatalogLengthCBX,
                                         "Samples", DatalogLengthCBX_Click, syncs);
    auto* txtLoopDelay = NewTextBox(frameDataRead, "txtLoopDelay", &Form::txtLoopDelay,
                                    QStringLiteral("Read Delay (mS)"), 8, syncs); // "60000.00"
    auto* DataLogLengthLBL =
        NewLabel(frameDataRead, "DataLogLengthLBL", &Form::DataLogLengthLBL, nullptr, syncs);
    DataLogLengthLBL->setBuddy(DatalogLengthCBX);
    auto* Label1 = NewLabel(frameDataRead, "Label1", &Form::Label1, nullptr, syncs);
    Label1->setBuddy(txtLoopDelay);
    DatalogLengthCBX->setFixedWidth(8 * CharWidth(DatalogLengthCBX) + 32);
    auto* readGrid = new QGridLayout(frameDataRead);
    readGrid->addWidget(chkContinuous, 0, 0, 1, 2);
    readGrid->addWidget(DatalogLengthCBX, 1, 0);
    readGrid->addWidget(DataLogLengthLBL, 1, 1);
    readGrid->addWidget(txtLoopDelay, 2, 0);
    readGrid->addWidget(Label1, 2, 1);
    readGrid->setRowStretch(3, 1);
    row->addWidget(frameDataRead);

    auto* frameADC = NewFrame(panel, "frameADC", &Form::frameADC, syncs);
    checkBoxes_[0] =
        NewCheckBox(frameADC, "ckSelfTestPos", &Form::ckSelfTestPos, ckSelfTestPos_Click, syncs);
    checkBoxes_[1] =
        NewCheckBox(frameADC, "ckSelfTestNeg", &Form::ckSelfTestNeg, ckSelfTestNeg_Click, syncs);
    for (int i = 0; i < 4; ++i) {
        optAdcIn_[i] = NewOption(frameADC, i, optAdcIn_Click, syncs);
    }
    checkBoxes_[2] =
        NewCheckBox(frameADC, "ChkPowerdown", &Form::ChkPowerdown, ChkPowerdown_Click, syncs);
    // Wide enough for every model's captions, so that the frames after it keep their places
    // when the model changes.
    const int optionWidth =
        WidestHint<QRadioButton>({"AIN 0", "X accel", "Y accel", "Gyro", "Ain1", "Ain2"});
    const int checkWidth = WidestHint<QCheckBox>(
        {"ST Pos", "ST Neg", "Self Test", "Self Test +", "Self Test -", "Powerdown"});
    for (auto* option : optAdcIn_) {
        option->setMinimumWidth(optionWidth);
    }
    for (auto* box : checkBoxes_) {
        box->setMinimumWidth(checkWidth);
    }
    auto* columns = new QHBoxLayout(frameADC);
    optionColumn_ = new QVBoxLayout;
    optionColumn_->addStretch(1);
    checkColumn_ = new QVBoxLayout;
    checkColumn_->addStretch(1);
    columns->addLayout(optionColumn_);
    columns->addSpacing(12);
    columns->addLayout(checkColumn_);
    row->addWidget(frameADC);

    auto* frameSetup = NewFrame(panel, "frameSetup", &Form::frameSetup, syncs);
    auto* txtPort =
        NewTextBox(frameSetup, "txtPort", &Form::txtPort, QStringLiteral("Port"), 10, syncs);
    auto* txtInterface = NewTextBox(frameSetup, "txtInterface", &Form::txtInterface,
                                    QStringLiteral("Interface"), 10, syncs);
    auto* txtDevice =
        NewTextBox(frameSetup, "txtDevice", &Form::txtDevice, QStringLiteral("Device"), 10, syncs);
    // These show the choice; the labels' pop-ups change it.
    for (auto* box : {txtPort, txtInterface, txtDevice}) {
        ShowReadOnly(box);
    }
    auto* lblPort = NewLabel(frameSetup, "lblPort", &Form::lblPort, lblPort_MouseDown, syncs);
    auto* lblInterface =
        NewLabel(frameSetup, "lblInterface", &Form::lblInterface, lblInterface_MouseDown, syncs);
    auto* lblDevice =
        NewLabel(frameSetup, "lblDevice", &Form::lblDevice, lblDevice_MouseDown, syncs);
    auto* setupGrid = new QGridLayout(frameSetup);
    setupGrid->addWidget(lblPort, 0, 0);
    setupGrid->addWidget(txtPort, 0, 1);
    setupGrid->addWidget(lblInterface, 1, 0);
    setupGrid->addWidget(txtInterface, 1, 1);
    setupGrid->addWidget(lblDevice, 2, 0);
    setupGrid->addWidget(txtDevice, 2, 1);
    setupGrid->setRowStretch(3, 1);
    row->addWidget(frameSetup);

    row->addStretch(1);
    dock->setWidget(panel);
    addDockWidget(Qt::TopDockWidgetArea, dock);
}

QMenu* MdiAnalyzerView::AddMenu(QWidget* parent, const char* name, Member<MenuItem> item) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    parent->addAction(menu->menuAction());
    syncs_.push_back([menu, item] { SyncMenuItem(menu->menuAction(), Model().*item); });
    return menu;
}

QAction* MdiAnalyzerView::AddItem(QWidget* parent, const char* name, Member<MenuItem> item,
                                  Click click) {
    return AddItem(
        parent, name, [item]() -> MenuItem& { return Model().*item; }, click);
}

QAction* MdiAnalyzerView::AddItem(QWidget* parent, const char* name, Get item, Click click) {
    auto* action = new QAction(parent);
    action->setObjectName(name);
    parent->addAction(action);
    // Triggering may flip a tick in Qt; the refresh puts back what the model says.
    connect(action, &QAction::triggered, this, [click] { Run(click); });
    syncs_.push_back([action, item] { SyncMenuItem(action, item()); });
    return action;
}

void MdiAnalyzerView::BuildMenus() {
    QWidget* bar = menuBar();

    auto* interfaceMenu = AddMenu(bar, "mnuInterface", &Form::mnuInterface);
    AddItem(interfaceMenu, "mnuPort", &Form::mnuPort, mnuPort_Click);
    AddItem(interfaceMenu, "mnuUSB", &Form::mnuUSB, mnuUSB_Click);
    auto* sim = AddMenu(interfaceMenu, "mnuSim", &Form::mnuSim);
    AddItem(sim, "mnuSimUse", &Form::mnuSimUse, mnuSimUse_Click);
    AddItem(sim, "mnuSimMax", &Form::mnuSimMax, mnuSimMax_Click);
    AddItem(sim, "mnuSimFreq", &Form::mnuSimFreq, mnuSimFreq_Click);
    AddItem(sim, "mnuSimSelfTest", &Form::mnuSimSelfTest, mnuSimSelfTest_Click);
    AddItem(sim, "mnuSimNoise", &Form::mnuSimNoise, mnuSimNoise_Click);
    AddItem(sim, "mnuSimBias", &Form::mnuSimBias, mnuSimBias_Click);
    AddItem(sim, "mnuSimWalk", &Form::mnuSimWalk, mnuSimWalk_Click);
    AddItem(sim, "mnuSimSeed", &Form::mnuSimSeed, mnuSimSeed_Click);
    sim->addSeparator();
    AddItem(sim, "mnuSimUsbPlugged", &Form::mnuSimUsbPlugged, mnuSimUsbPlugged_Click);
    AddItem(sim, "mnuSimUsbFail", &Form::mnuSimUsbFail, mnuSimUsbFail_Click);
    AddItem(sim, "mnuSimUsbTimeout", &Form::mnuSimUsbTimeout, mnuSimUsbTimeout_Click);
    AddItem(sim, "mnuSimUsbStall", &Form::mnuSimUsbStall, mnuSimUsbStall_Click);
    // The adapters may have been pulled out by a planned unplug since the menu was shown.
    connect(sim, &QMenu::aboutToShow, this, [] { Run(ShowSimulatorMenu); });

    auto* device = AddMenu(bar, "mnuDevice", &Form::mnuDevice);
    AddItem(device, "mnuKxs201", &Form::mnuKxs201, mnuKxs201_Click);
    AddItem(device, "mnuKxs202", &Form::mnuKxs202, mnuKxs202_Click);
    AddItem(device, "mnuKXS305", &Form::mnuKXS305, mnuKXS305_Click);
    AddItem(device, "mnuKxs306", &Form::mnuKxs306, mnuKxs306_Click);
    AddItem(device, "mnuKxs307", &Form::mnuKxs307, mnuKxs307_Click);

    auto* dataScale = AddMenu(bar, "mnuDataScale", &Form::mnuDataScale);
    auto* yScale = AddMenu(dataScale, "mnuDataYScale", &Form::mnuDataYScale);
    AddItem(yScale, "mnuScaleFull", &Form::mnuScaleFull, mnuScaleFull_Click);
    AddItem(yScale, "mnuScaleHalf", &Form::mnuScaleHalf, mnuScaleHalf_Click);
    AddItem(yScale, "mnuScaleQuarter", &Form::mnuScaleQuarter, mnuScaleQuarter_Click);
    AddItem(yScale, "mnuScaleEighth", &Form::mnuScaleEighth, mnuScaleEighth_Click);
    AddItem(yScale, "mnuScaleSixteenth", &Form::mnuScaleSixteenth, mnuScaleSixteenth_Click);
    AddItem(yScale, "mnuScale32", &Form::mnuScale32, mnuScale32_Click);
    AddItem(yScale, "mnuSetPlottoAvg", &Form::mnuSetPlottoAvg, mnuSetPlottoAvg_Click);
    AddItem(yScale, "mnuResetMidScale", &Form::mnuResetMidScale, mnuReSetMidscale_click);

    AddItem(bar, "mnuReadTemp", &Form::mnuReadTemp, [] { mnuReadTemp_Click(); });
    AddItem(bar, "mnuTest", &Form::mnuTest, [] { mnuTest_Click(); });
    auto* fft = AddMenu(bar, "mnuFFT", &Form::mnuFFT);
    AddItem(fft, "mnuFFTon", &Form::mnuFFTon, mnuFFTon_Click);
    AddItem(fft, "mnuFFToff", &Form::mnuFFToff, mnuFFToff_Click);
    AddItem(bar, "mnuPrint", &Form::mnuPrint, mnuPrint_Click);
    AddItem(bar, "mnuHelp", &Form::mnuHelp, mnuHelp_Click)->setShortcut(Qt::Key_F1);
    AddItem(bar, "mnuExit", &Form::mnuExit, mnuExit_Click);

    auto* ezUsb = AddMenu(bar, "mnuEzUsb", &Form::mnuEzUsb);
    constexpr Click ezUsbClicks[4] = {mnuEzUsb0_Click, mnuEzUsb1_Click, mnuEzUsb2_Click,
                                      mnuEzUsb3_Click};
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "mnuEzUsb" + QByteArray::number(i);
        AddItem(
            ezUsb, name.constData(), [i]() -> MenuItem& { return Model().mnuEzUsbN[i]; },
            ezUsbClicks[i]);
    }
    auto* portAddress = AddMenu(bar, "mnuPortAddress", &Form::mnuPortAddress);
    AddItem(portAddress, "mnuPort378", &Form::mnuPort378, mnuPort378_Click);
    AddItem(portAddress, "mnuPort278", &Form::mnuPort278, mnuPort278_Click);
    AddItem(portAddress, "mnuPort3BC", &Form::mnuPort3BC, mnuPort3BC_Click);
    auto* sampleRate = AddMenu(bar, "mnuSampleRate", &Form::mnuSampleRate);
    AddItem(sampleRate, "mnuFrequency", &Form::mnuFrequency);
    auto* aux = AddMenu(bar, "mnuAux", &Form::mnuAux);
    AddItem(aux, "mnuAux1", &Form::mnuAux1);
    AddItem(aux, "mnuAux2", &Form::mnuAux2);
    AddItem(aux, "mnuAux3", &Form::mnuAux3);
    auto* fftX = AddMenu(bar, "mnuFFTXscale", &Form::mnuFFTXscale);
    AddItem(fftX, "mnuFFTXfull", &Form::mnuFFTXfull, mnuFFTXfull_Click);
    AddItem(fftX, "mnuFFTXhalf", &Form::mnuFFTXhalf, mnuFFTXhalf_Click);
    AddItem(fftX, "mnuFFTXquarter", &Form::mnuFFTXquarter, mnuFFTXquarter_Click);
    AddItem(fftX, "mnuFFTXeighth", &Form::mnuFFTXeighth, mnuFFTXeighth_Click);
    AddItem(fftX, "mnuFFTX16th", &Form::mnuFFTX16th, mnuFFTX16th_Click);
    auto* fftY = AddMenu(bar, "mnuFFTYscale", &Form::mnuFFTYscale);
    AddItem(fftY, "mnuFFTYfull", &Form::mnuFFTYfull, mnuFFTYfull_Click);
    AddItem(fftY, "mnuFFTYhalf", &Form::mnuFFTYhalf, mnuFFTYhalf_Click);
    AddItem(fftY, "mnuFFTYQuarter", &Form::mnuFFTYQuarter, mnuFFTYQuarter_Click);
    AddItem(fftY, "mnuFFTYeighth", &Form::mnuFFTYeighth, mnuFFTYeighth_Click);
    AddItem(fftY, "mnuFFTY16th", &Form::mnuFFTY16th, mnuFFTY16th_Click);
    AddItem(fftY, "mnuFFTY32nd", &Form::mnuFFTY32nd, mnuFFTY32nd_Click);
    AddItem(fftY, "mnuFFTY100th", &Form::mnuFFTY100th, mnuFFTY100th_Click);
    AddItem(fftY, "mnuFFTY250th", &Form::mnuFFTY250th, mnuFFTY250th_Click);
    AddItem(fftY, "mnuFFTYauto", &Form::mnuFFTYauto, mnuFFTYauto_Click);
    // Last, so that no menu before it moves.
    auto* analysis = AddMenu(bar, "mnuAnalysis", &Form::mnuAnalysis);
    AddItem(analysis, "mnuNoiseDensity", &Form::mnuNoiseDensity, mnuNoiseDensity_Click);
    AddItem(analysis, "mnuAllan", &Form::mnuAllan, mnuAllan_Click);

    popups_ = {{PopupMenu::Interface, interfaceMenu},
               {PopupMenu::Device, device},
               {PopupMenu::DataScale, yScale},
               {PopupMenu::EzUsb, ezUsb},
               {PopupMenu::PortAddress, portAddress},
               {PopupMenu::SampleRate, sampleRate},
               {PopupMenu::Aux, aux},
               {PopupMenu::FFTXscale, fftX},
               {PopupMenu::FFTYscale, fftY}};
}

void MdiAnalyzerView::SyncFromModel() {
    for (const auto& sync : syncs_) {
        sync();
    }
    ArrangePartSetup();
    if (const QString status = ToQt(Model().statusText); statusBar()->currentMessage() != status) {
        statusBar()->showMessage(status);
    }
    if (auto& focus = Model().focus; !focus.empty()) {
        if (auto* widget = findChild<QWidget*>(ToQt(focus))) {
            widget->setFocus();
        }
        focus.clear();
    }
}

void MdiAnalyzerView::ArrangePartSetup() {
    const auto& m = Model();
    Arrange(optionColumn_, optionOrder_,
            {{m.optAdcIn[0].top, optAdcIn_[0]},
             {m.optAdcIn[1].top, optAdcIn_[1]},
             {m.optAdcIn[2].top, optAdcIn_[2]},
             {m.optAdcIn[3].top, optAdcIn_[3]}});
    Arrange(checkColumn_, checkOrder_,
            {{m.ckSelfTestPos.top, checkBoxes_[0]},
             {m.ckSelfTestNeg.top, checkBoxes_[1]},
             {m.ChkPowerdown.top, checkBoxes_[2]}});
}

QMdiSubWindow* MdiAnalyzerView::AddChild(QWidget* view) {
    auto* frame = area_->addSubWindow(view);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    frame->setWindowIcon(windowIcon());
    return frame;
}

QRect MdiAnalyzerView::ChildArea() const { return area_->viewport()->rect(); }

QPoint MdiAnalyzerView::ChildAreaToGlobal(QPoint point) const {
    return area_->viewport()->mapToGlobal(point);
}

QMenu* MdiAnalyzerView::PopupMenuFor(PopupMenu menu) const {
    const auto it = popups_.find(menu);
    return it != popups_.end() ? it->second : nullptr;
}

bool MdiAnalyzerView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_->viewport() && event->type() == QEvent::Resize) {
        emit childAreaResized();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MdiAnalyzerView::closeEvent(QCloseEvent* event) {
    int16_t cancel = 0;
    MDIForm_Unload(cancel);
    if (cancel != 0) {
        event->ignore();
    } else {
        event->accept();
    }
}
