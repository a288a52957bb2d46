// The Qt user interface behind Frontend: creates the windows on first touch, keeps them in
// step with their form models and lets long loops process events cheaply.
#pragma once

#include "platform/Frontend.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QPrinter;
class QSplashScreen;
class FormGeometryWatcher;
class HelpWindow;
class MdiAnalyzerView;

// A window that shows one form model.
class FormView {
public:
    virtual ~FormView() = default;
    // Re-reads the form model; user-edit signals are blocked meanwhile.
    virtual void SyncFromModel() = 0;
};

class QtFrontend final : public Frontend {
public:
    enum class Placement { MainWindow, MdiChild, Dialog };
    using MessageSink = std::function<void(const std::string& text, const std::string& title)>;

    QtFrontend();
    ~QtFrontend() override;

    void MsgBox(const std::string& text, const std::string& title) override;
    void ShowReport(const std::string& text, const std::string& title) override;
    void DoEvents() override;
    void SetBusy(bool busy) override;
    void Show(FormId form) override;
    void ShowModal(FormId form) override;
    void Hide(FormId form) override;
    bool Confirm(const std::string& text, const std::string& title) override;
    void Popup(PopupMenu menu) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override;
    void Refresh() override;
    int ScreenWidth() const override;
    int ScreenHeight() const override;
    void EndProcess() override;
    bool PrintPlots() override;
    void ShowHelp(const std::string& path) override;

    // What PrintPlots does once a printer is chosen; also prints to a PDF file set up on
    // printer, without a dialog. false when printing fails.
    bool PrintPlotsOn(QPrinter& printer);

    // View is a QWidget and a FormView with a default constructor; it is built on first touch.
    // Views shown modally derive from QDialog.
    template <class View> void RegisterView(FormId form, Placement placement) {
        registry_[form] = {[] {
                               auto* view = new View;
                               return Created{view, view};
                           },
                           placement};
    }

    // When set, messages go here instead of a modal box (tests).
    void SetMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
    // When set, questions are answered here (tests).
    using ConfirmSink = std::function<bool(const std::string& text)>;
    void SetConfirmSink(ConfirmSink sink) { confirmSink_ = std::move(sink); }
    // When set, input boxes are answered here (tests).
    using InputSink = std::function<std::optional<std::string>(const std::string& prompt)>;
    void SetInputSink(InputSink sink) { inputSink_ = std::move(sink); }

    // The form's window if it was created, else nullptr.
    QWidget* Window(FormId form) const;
    MdiAnalyzerView* MainWindow() const;
    bool EndRequested() const { return endRequested_; }

private:
    struct Created {
        QWidget* widget;
        FormView* view;
    };
    struct Registration {
        std::function<Created()> create;
        Placement placement;
    };
    static constexpr std::array<int32_t, 4> kNeverSynced{INT32_MIN, INT32_MIN, -1, -1};
    struct OpenView {
        QPointer<QWidget> window; // the widget itself, or its MDI frame
        FormView* view = nullptr;
        Placement placement = Placement::Dialog;
        // The model geometry last applied to the window or read from it; at first none, so
        // that a form at 0, 0 is placed too.
        std::array<int32_t, 4> synced = kNeverSynced;
    };

    OpenView* Ensure(FormId form);
    void SyncWindow(FormId form, OpenView& open);
    void SettleFrame(FormId form, OpenView& open, const std::array<int32_t, 4>& intended,
                     QSize extraApplied);
    void PlaceChildren();
    void CloseSplash();

    std::map<FormId, Registration> registry_;
    std::map<FormId, OpenView> open_;
    std::map<FormId, QRect> autoPlaced_; // where PlaceChildren put a child
    std::unique_ptr<FormGeometryWatcher> geometryWatcher_;
    MessageSink messageSink_;
    ConfirmSink confirmSink_;
    InputSink inputSink_;
    QElapsedTimer sinceEvents_;
    QPointer<QSplashScreen> splash_;
    QPointer<HelpWindow> help_;
    bool busy_ = false;
    bool endRequested_ = false;
};
