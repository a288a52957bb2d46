// The Qt user interface behind Frontend: creates the windows on first touch, keeps them in
// step with their form models and lets long loops process events cheaply.
#pragma once

#include "forms/Controls.h"
#include "gui/FormView.h"
#include "platform/Frontend.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QPrinter;
class FormGeometryWatcher;
class HelpWindow;
class MdiAnalyzerView;

class QtFrontend final : public Frontend {
public:
    enum class Placement { MainWindow, MdiChild, Dialog };
    using MessageSink = std::function<void(const std::string& text, const std::string& title)>;

    QtFrontend();
    ~QtFrontend() override;

    void ShowReport(const std::string& text, const std::string& title) override;
    void DoEvents() override;
    void SetBusy(bool busy) override;
    void RunBetweenEvents(const std::function<bool()>& step) override;
    void Show(FormId form) override;
    void ShowModal(FormId form) override;
    void Hide(FormId form) override;
    void Popup(PopupMenu menu) override;
    void Refresh() override;
    bool Place(FormId form, const FormPlace& place) override;
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
    void ShowMsgBox(const std::string& text, const std::string& title) override;
    bool ShowConfirm(const std::string& text, const std::string& title) override;
    std::optional<std::string> ShowInputBox(const std::string& prompt, const std::string& title,
                                            const std::string& initial) override;

    struct Created {
        QWidget* widget;
        FormView* view;
    };
    struct Registration {
        std::function<Created()> create;
        Placement placement;
    };
    struct OpenView {
        QPointer<QWidget> window; // the widget itself, or its MDI frame
        FormView* view = nullptr;
        Placement placement = Placement::Dialog;
    };
    // A plot window the program placed keeps its share of the plot area as the area changes
    // size, until the user moves or sizes it.
    struct Anchor {
        QRectF share; // of the area, 0..1
        QRect applied;
    };

    OpenView* Ensure(FormId form);
    void SyncCaption(OpenView& open, const FormGeometry& g);
    // Carries out the place asked for form, if any is waiting. true when it moved the window.
    bool ApplyPlace(FormId form, OpenView& open);
    void PlaceAnchored(FormId form, OpenView& open);
    void SettleFrame(FormId form, OpenView& open, QSize extraApplied);
    void AreaResized();
    void WindowMoved(FormId form, const QWidget* window);

    std::map<FormId, Registration> registry_;
    std::map<FormId, OpenView> open_;
    std::map<FormId, FormPlace> pending_;   // places asked for, not yet carried out
    std::map<FormId, FormPlace> lastPlace_; // of a top-level window, until it is framed
    std::map<FormId, Anchor> anchors_;
    bool placing_ = false;
    std::unique_ptr<FormGeometryWatcher> geometryWatcher_;
    MessageSink messageSink_;
    ConfirmSink confirmSink_;
    InputSink inputSink_;
    QElapsedTimer sinceEvents_;
    std::unique_ptr<QObject> idleWork_ = std::make_unique<QObject>(); // RunBetweenEvents' timers
    QPointer<HelpWindow> help_;
    QString lastPrintFile_; // where the last print to a file went
    bool busy_ = false;
    bool endRequested_ = false;
};
