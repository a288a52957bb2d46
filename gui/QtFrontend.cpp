#include "gui/QtFrontend.h"

#include "app/ConfigFile.h"
#include "forms/Forms.h"
#include "forms/MainWindowForm.h"
#include "gui/QtCanvas.h"
#include "gui/QtControls.h"
#include "gui/QtHelpWindow.h"
#include "gui/QtReportBox.h"
#include "gui/frmData.h"
#include "gui/frmFFT.h"
#include "gui/frmLogSetup.h"
#include "gui/frmNoiseAnalysis.h"
#include "gui/frmPort.h"
#include "gui/frmUSBdebug.h"
#include "gui/frmUSBselect.h"
#include "gui/mdiAnalyzer.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace {

// Events are processed at most this often, so a loop calling DoEvents per sample runs at
// the hardware's pace while the user interface still answers promptly.
constexpr qint64 kEventIntervalMs = 5;

int eventsHeld = 0;

// Keeps the model's own value while it still maps to the same pixel.
void StoreTwips(int32_t& twips, int pixels) {
    if (twips / kTwipsPerPixel != pixels) {
        twips = pixels * kTwipsPerPixel;
    }
}

// What a window's title bar and borders add to its client area; nothing for a child inside
// the main window, whose frame is part of its geometry.
QSize FrameExtra(const QWidget* window) {
    return window->isWindow() ? window->frameGeometry().size() - window->size() : QSize(0, 0);
}

// A form's size is its outer size, title bar included, as the window manager shows it.
void StoreGeometry(FormId form, const QWidget* window) {
    auto& g = FormOf(form);
    const QSize outer = window->size() + FrameExtra(window);
    StoreTwips(g.left, window->x());
    StoreTwips(g.top, window->y());
    StoreTwips(g.width, outer.width());
    StoreTwips(g.height, outer.height());
}

// A message box at least as wide as its title. It lays itself out, so the width goes in as
// a spacer row.
void MakeWideEnoughForTitle(QMessageBox& box) {
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(TitleWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

// A window as large as the model says, but not past the screen's usable area.
QRect KeptOnScreen(QRect outer, const QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) {
        return outer;
    }
    const QRect usable = screen->availableGeometry();
    const QSize least = window->minimumSize() + FrameExtra(window);
    outer.setWidth(std::max(std::min(outer.width(), usable.width()), least.width()));
    outer.setHeight(std::max(std::min(outer.height(), usable.height()), least.height()));
    // A window wider than the screen keeps its left edge on it.
    outer.moveLeft(
        std::max(usable.left(), std::min(outer.left(), usable.right() + 1 - outer.width())));
    outer.moveTop(
        std::max(usable.top(), std::min(outer.top(), usable.bottom() + 1 - outer.height())));
    return outer;
}

} // namespace

EventsHeld::EventsHeld() { ++eventsHeld; }
EventsHeld::~EventsHeld() { --eventsHeld; }

// Writes what happens to a window (moved, sized, shown, closed), whoever did it, into its model.
class FormGeometryWatcher final : public QObject {
public:
    // stored runs after the watcher wrote a window's geometry into its model, told whether the
    // user is dragging the window with the mouse.
    using Stored = std::function<void(FormId, const QWidget*, bool byUser)>;
    explicit FormGeometryWatcher(Stored stored) : stored_(std::move(stored)) {}

    void Watch(QWidget* window, FormId form) {
        forms_[window] = form;
        window->installEventFilter(this);
        connect(window, &QObject::destroyed, this, [this, window] {
            forms_.erase(window);
            held_.erase(window);
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto it = forms_.find(watched);
        if (it == forms_.end()) {
            return false;
        }
        auto* window = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            if (window->isVisible()) {
                StoreGeometry(it->second, window);
                stored_(it->second, window, held_.contains(watched));
            }
            break;
        // A child window's title bar and borders are its own: a press there starts a drag.
        case QEvent::MouseButtonPress:
            held_.insert(watched);
            break;
        case QEvent::MouseButtonRelease:
            held_.erase(watched);
            break;
        case QEvent::Show:
            FormOf(it->second).visible = true;
            break;
        case QEvent::WindowStateChange:
            FormOf(it->second).state = window->isMinimized()   ? WindowState::Minimized
                                       : window->isMaximized() ? WindowState::Maximized
                                                               : WindowState::Normal;
            break;
        case QEvent::Hide:
            FormOf(it->second).visible = false;
            break;
        default:
            break;
        }
        return false;
    }

private:
    std::map<QObject*, FormId> forms_;
    std::set<QObject*> held_;
    Stored stored_;
};

QtFrontend::QtFrontend()
    : geometryWatcher_(std::make_unique<FormGeometryWatcher>(
          [this](FormId form, const QWidget* window, bool byUser) {
              if (byUser) {
                  WindowMoved(form, window);
              }
          })) {
    RegisterView<MdiAnalyzerView>(FormId::mdiAnalyzer, Placement::MainWindow);
    RegisterView<FrmDataView>(FormId::frmData, Placement::MdiChild);
    RegisterView<FrmFftView>(FormId::frmFFT, Placement::MdiChild);
    RegisterView<FrmPortView>(FormId::frmPort, Placement::Dialog);
    RegisterView<FrmUSBselectView>(FormId::frmUSBselect, Placement::Dialog);
    RegisterView<FrmUSBdebugView>(FormId::frmUSBdebug, Placement::Dialog);
    RegisterView<FrmLogSetupView>(FormId::frmLogSetup, Placement::Dialog);
    RegisterView<FrmNoiseView>(FormId::frmNoise, Placement::MdiChild);
    RegisterView<FrmAllanView>(FormId::frmAllan, Placement::MdiChild);
}

QtFrontend::~QtFrontend() {
    if (&Ui() == this) {
        InstallFrontend(nullptr);
    }
    if (busy_) {
        QApplication::restoreOverrideCursor();
    }
    // The main window owns the children, the dialogs and the help.
    delete Window(FormId::mdiAnalyzer);
    delete help_; // made before there was a main window
}

void QtFrontend::ShowMsgBox(const std::string& text, const std::string& title) {
    // What the core did up to the box shows behind it while it waits.
    Refresh();
    if (messageSink_) {
        messageSink_(text, title);
        return;
    }
    QWidget* main = Window(FormId::mdiAnalyzer);
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok,
                    main != nullptr && main->isVisible() ? main : nullptr);
    MakeWideEnoughForTitle(box);
    // The user has to be able to answer even while busy.
    if (busy_) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    box.exec();
    if (busy_) {
        QApplication::restoreOverrideCursor();
    }
}

void QtFrontend::ShowReport(const std::string& text, const std::string& title) {
    if (messageSink_) {
        MsgBox(text, title);
        return;
    }
    Refresh();
    QWidget* main = Window(FormId::mdiAnalyzer);
    ReportBox box(text, title, main != nullptr && main->isVisible() ? main : nullptr);
    box.exec();
}

bool QtFrontend::ShowConfirm(const std::string& text, const std::string& title) {
    Refresh();
    if (confirmSink_) {
        return confirmSink_(text);
    }
    QWidget* main = Window(FormId::mdiAnalyzer);
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    main != nullptr && main->isVisible() ? main : nullptr);
    MakeWideEnoughForTitle(box);
    box.setDefaultButton(QMessageBox::No);
    if (busy_) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const bool yes = box.exec() == QMessageBox::Yes;
    if (busy_) {
        QApplication::restoreOverrideCursor();
    }
    return yes;
}

void QtFrontend::DoEvents() {
    if (eventsHeld > 0) {
        return;
    }
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kEventIntervalMs) {
        return;
    }
    sinceEvents_.start();
    Refresh();
    QCoreApplication::processEvents();
}

void QtFrontend::SetBusy(bool busy) {
    if (busy == busy_) {
        return;
    }
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtFrontend::RunBetweenEvents(const std::function<bool()>& step) {
    // A zero timer fires once the events waiting have run, the window's first paint among them.
    auto* timer = new QTimer(idleWork_.get());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        if (step()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void QtFrontend::Show(FormId form) {
    OpenView* open = Ensure(form);
    if (open == nullptr) {
        return;
    }
    const bool firstShowing = !open->window->isVisible() && open->window->isWindow();
    const QSize extraApplied = FrameExtra(open->window);
    const bool placed = ApplyPlace(form, *open);
    SyncCaption(*open, FormOf(form));
    open->view->SyncFromModel();
    open->window->show();
    // Closing a child window closes (hides) the view inside its frame too.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(open->window);
        frame != nullptr && frame->widget() != nullptr && frame->widget()->isHidden()) {
        frame->widget()->show();
    }
    if (firstShowing && placed) {
        SettleFrame(form, *open, extraApplied);
    }
    if (form == FormId::mdiAnalyzer) {
        open->window->activateWindow();
    }
}

// Until a window manager has framed a new window its title bar's height is unknown, and the
// window was sized as if it had none: once it is known, the place asked for is applied again.
void QtFrontend::SettleFrame(FormId form, OpenView& open, QSize extraApplied) {
    QWindow* handle = open.window->windowHandle();
    const QDeadlineTimer deadline(500);
    while (handle != nullptr && !handle->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const auto last = lastPlace_.find(form);
    if (open.window != nullptr && last != lastPlace_.end() &&
        FrameExtra(open.window) != extraApplied) {
        pending_[form] = last->second;
        ApplyPlace(form, open);
    }
    lastPlace_.erase(form);
}

void QtFrontend::ShowModal(FormId form) {
    OpenView* open = Ensure(form);
    if (open == nullptr) {
        return;
    }
    ApplyPlace(form, *open);
    SyncCaption(*open, FormOf(form));
    open->view->SyncFromModel();
    if (auto* dialog = qobject_cast<QDialog*>(open->window.data())) {
        dialog->exec();
    }
}

void QtFrontend::Hide(FormId form) {
    if (QWidget* window = Window(form)) {
        window->hide();
    }
}

void QtFrontend::Popup(PopupMenu menu) {
    if (Ensure(FormId::mdiAnalyzer) == nullptr) {
        return;
    }
    if (QMenu* popup = MainWindow()->PopupMenuFor(menu)) {
        Refresh();
        // No loop of its own: a running sweep goes on while the menu is open, and the item
        // chosen runs its handler when it is chosen.
        popup->popup(QCursor::pos());
    }
}

std::optional<std::string> QtFrontend::ShowInputBox(const std::string& prompt,
                                                    const std::string& title,
                                                    const std::string& initial) {
    if (inputSink_) {
        return inputSink_(prompt);
    }
    QInputDialog dialog(Window(FormId::mdiAnalyzer));
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString::fromStdString(initial));
    // The dialog sizes itself from its layout, made on the first question about its size;
    // the title's width goes into it as a spacer.
    dialog.minimumSizeHint();
    if (auto* column = qobject_cast<QBoxLayout*>(dialog.layout())) {
        column->addSpacerItem(new QSpacerItem(TitleWidth(dialog.windowTitle()), 0));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().toStdString();
}

void QtFrontend::Refresh() {
    // The settings file shows four values of the state, as the windows show the rest; not from
    // inside a resize, where the message about a file that cannot be written may not open.
    if (eventsHeld == 0) {
        SaveChangedSettings();
    }
    for (auto& [form, open] : open_) {
        if (open.window != nullptr) {
            SyncCaption(open, FormOf(form));
            open.view->SyncFromModel();
        }
    }
}

bool QtFrontend::Place(FormId form, const FormPlace& place) {
    const auto registered = registry_.find(form);
    if (registered == registry_.end()) {
        return false;
    }
    if (registered->second.placement == Placement::MdiChild) {
        // The share of the plot area the caller meant, whatever size the area has by the time
        // the window shows.
        const auto& m = mdiAnalyzer();
        const auto& g = FormOf(form);
        const double areaWidth = std::max(m.ScaleWidth, 1);
        const double areaHeight = std::max(m.ScaleHeight, 1);
        const double width = place.width > 0 ? place.width : g.width;
        const double height = place.height > 0 ? place.height : g.height;
        anchors_[form] = {QRectF(place.left / areaWidth, place.top / areaHeight, width / areaWidth,
                                 height / areaHeight),
                          QRect()};
        if (auto it = open_.find(form); it != open_.end() && it->second.window != nullptr) {
            PlaceAnchored(form, it->second);
        }
        return true;
    }
    pending_[form] = place;
    if (registered->second.placement == Placement::MainWindow) {
        Ensure(form);
    }
    if (auto it = open_.find(form);
        it != open_.end() && it->second.window != nullptr && it->second.window->isVisible()) {
        ApplyPlace(form, it->second);
    }
    return true;
}

int QtFrontend::ScreenWidth() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen != nullptr ? screen->geometry().width() : 1280) * kTwipsPerPixel;
}

int QtFrontend::ScreenHeight() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen != nullptr ? screen->geometry().height() : 800) * kTwipsPerPixel;
}

void QtFrontend::EndProcess() {
    endRequested_ = true;
    for (auto& [form, open] : open_) {
        if (form != FormId::mdiAnalyzer && open.window != nullptr) {
            open.window->hide();
        }
    }
    if (help_ != nullptr) {
        help_->hide();
    }
    QCoreApplication::exit(0);
}

bool QtFrontend::PrintPlots() {
    Refresh();
    QPrinter printer(QPrinter::HighResolution);
    // A file goes where the last one went, or into the working folder as the logs do (the
    // dialog's own choice is the home folder); with printers about, they come first.
    if (!lastPrintFile_.isEmpty()) {
        printer.setOutputFileName(lastPrintFile_);
    } else if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        printer.setOutputFileName(QDir::current().filePath(QStringLiteral("print.pdf")));
    }
    QPrintDialog dialog(&printer, Window(FormId::mdiAnalyzer));
    if (busy_) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (busy_) {
        QApplication::restoreOverrideCursor();
    }
    if (accepted && printer.outputFormat() == QPrinter::PdfFormat) {
        lastPrintFile_ = printer.outputFileName();
    }
    // The dialog's loop has ended: the pages are drawn without one.
    return accepted && PrintPlotsOn(printer);
}

bool QtFrontend::PrintPlotsOn(QPrinter& printer) {
    // The view inside each plot window's frame: labels, plot and readouts, without the
    // frame's buttons; the caption goes above it.
    std::vector<std::pair<QString, QWidget*>> pages;
    for (FormId form : {FormId::frmData, FormId::frmFFT}) {
        const auto it = open_.find(form);
        if (it == open_.end() || it->second.window == nullptr) {
            continue;
        }
        auto* view = dynamic_cast<QWidget*>(it->second.view);
        if (view != nullptr && it->second.window->isVisible() && view->isVisible()) {
            pages.emplace_back(it->second.window->windowTitle(), view);
        }
    }
    if (pages.empty()) {
        return true;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    // A lossy image would blur the one-pixel trace into its background.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const QRect page = painter.viewport();
    const int titleHeight = painter.fontMetrics().height() * 2;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        const auto& [title, view] = pages[i];
        painter.drawText(QRect(page.left(), page.top(), page.width(), titleHeight),
                         Qt::AlignLeft | Qt::AlignTop, title);
        // As large as the page allows, in the window's own proportions.
        const QRect area = page.adjusted(0, titleHeight, 0, 0);
        const double scale =
            std::min(double(area.width()) / view->width(), double(area.height()) / view->height());
        painter.save();
        painter.translate(area.topLeft());
        painter.scale(scale, scale);
        view->render(&painter);
        painter.restore();
    }
    return painter.end() && printer.printerState() != QPrinter::Error;
}

void QtFrontend::ShowHelp(const std::string& path) {
    if (help_ == nullptr) {
        help_ = new HelpWindow(Window(FormId::mdiAnalyzer));
    }
    help_->Open(QString::fromStdString(path));
    help_->show();
    help_->raise();
    help_->activateWindow();
}

QWidget* QtFrontend::Window(FormId form) const {
    const auto it = open_.find(form);
    return it != open_.end() ? it->second.window.data() : nullptr;
}

MdiAnalyzerView* QtFrontend::MainWindow() const {
    return static_cast<MdiAnalyzerView*>(Window(FormId::mdiAnalyzer));
}

QtFrontend::OpenView* QtFrontend::Ensure(FormId form) {
    if (auto it = open_.find(form); it != open_.end() && it->second.window != nullptr) {
        return &it->second;
    }
    const auto registered = registry_.find(form);
    if (registered == registry_.end()) {
        return nullptr;
    }
    const Placement placement = registered->second.placement;
    if (placement != Placement::MainWindow && Ensure(FormId::mdiAnalyzer) == nullptr) {
        return nullptr;
    }
    const Created created = registered->second.create();
    QWidget* window = created.widget;
    switch (placement) {
    case Placement::MainWindow:
        break;
    case Placement::MdiChild:
        window = MainWindow()->AddChild(created.widget);
        break;
    case Placement::Dialog:
        created.widget->setParent(MainWindow(), created.widget->windowFlags() | Qt::Dialog);
        break;
    }
    geometryWatcher_->Watch(window, form);
    OpenView& open = open_[form];
    open = {window, created.view, placement};
    SyncCaption(open, FormOf(form));
    if (auto* main = qobject_cast<MdiAnalyzerView*>(created.widget)) {
        QObject::connect(main, &MdiAnalyzerView::childAreaResized, main, [this] { AreaResized(); });
        AreaResized();
    }
    if (placement == Placement::MdiChild) {
        PlaceAnchored(form, open);
    }
    return &open;
}

void QtFrontend::SyncCaption(OpenView& open, const FormGeometry& g) {
    QWidget* window = open.window;
    const QString title = QString::fromStdString(g.caption);
    if (window->windowTitle() != title) {
        window->setWindowTitle(title);
        if (open.placement == Placement::Dialog) {
            window->setMinimumWidth(TitleWidth(title));
        }
    }
}

bool QtFrontend::ApplyPlace(FormId form, OpenView& open) {
    if (open.placement == Placement::MdiChild) {
        return false;
    }
    const auto it = pending_.find(form);
    if (it == pending_.end()) {
        return false;
    }
    const FormPlace place = it->second;
    pending_.erase(it);
    QWidget* window = open.window;
    const QSize extra = FrameExtra(window);
    QRect outer(place.left / kTwipsPerPixel, place.top / kTwipsPerPixel,
                place.width / kTwipsPerPixel, place.height / kTwipsPerPixel);
    if (place.width <= 0) {
        outer.setWidth(window->width() + extra.width());
    }
    if (place.height <= 0) {
        outer.setHeight(window->height() + extra.height());
    }
    // A dialog's place comes in the plot area's coordinates (its load puts it at the time
    // plot's corner); on the screen that is where the plot area is.
    if (open.placement == Placement::Dialog && MainWindow() != nullptr) {
        outer.moveTopLeft(MainWindow()->ChildAreaToGlobal(outer.topLeft()));
    }
    if (window->isWindow()) {
        outer = KeptOnScreen(outer, window);
    }
    lastPlace_[form] = place;
    placing_ = true;
    window->move(outer.topLeft());
    window->resize(outer.size() - extra);
    placing_ = false;
    return true;
}

void QtFrontend::PlaceAnchored(FormId form, OpenView& open) {
    const auto anchor = anchors_.find(form);
    const MdiAnalyzerView* main = MainWindow();
    QWidget* window = open.window;
    if (anchor == anchors_.end() || main == nullptr || window == nullptr ||
        (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) != 0) {
        return;
    }
    // Edges from the shares, so windows that meet in the area still meet after it changed.
    const QRect area = main->ChildArea();
    const QRectF& share = anchor->second.share;
    const int left = qRound(share.left() * area.width());
    const int top = qRound(share.top() * area.height());
    const int right = qRound(share.right() * area.width());
    const int bottom = qRound(share.bottom() * area.height());
    placing_ = true;
    window->setGeometry(area.left() + left, area.top() + top, std::max(right - left, 1),
                        std::max(bottom - top, 1));
    placing_ = false;
    anchor->second.applied = window->geometry();
    // A hidden window has no resize event until it shows; its model is told now.
    StoreGeometry(form, window);
}

void QtFrontend::AreaResized() {
    const MdiAnalyzerView* main = MainWindow();
    if (main == nullptr) {
        return;
    }
    auto& m = mdiAnalyzer();
    const QRect area = main->ChildArea();
    StoreTwips(m.ScaleWidth, area.width());
    StoreTwips(m.ScaleHeight, area.height());
    std::vector<FormId> anchored;
    for (const auto& [form, anchor] : anchors_) {
        anchored.push_back(form);
    }
    for (FormId form : anchored) {
        if (auto it = open_.find(form); it != open_.end() && it->second.window != nullptr) {
            PlaceAnchored(form, it->second);
        }
    }
}

// A window the user moved or sized keeps what the user gave it. (The area itself may nudge
// its children as it changes size; that is no reason to stop following it.)
void QtFrontend::WindowMoved(FormId form, const QWidget* window) {
    if (placing_) {
        return;
    }
    if (const auto anchor = anchors_.find(form);
        anchor != anchors_.end() && window->geometry() != anchor->second.applied) {
        anchors_.erase(anchor);
    }
}
