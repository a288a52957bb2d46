// The one way the core asks the user interface for something it cannot express by
// changing the form models: messages, event processing, windows, pop-up menus, printing
// and help.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

inline constexpr const char* kAppTitle = "Quelto Evaluation Program";

enum class FormId {
    mdiAnalyzer,
    frmData,
    frmFFT,
    frmPort,
    frmUSBselect,
    frmUSBdebug,
    frmLogSetup,
    frmNoise,
    frmAllan
};

enum class PopupMenu {
    Interface,
    Device,
    DataScale,
    EzUsb,
    PortAddress,
    SampleRate,
    Aux,
    FFTXscale,
    FFTYscale
};

// Where a form is asked to go, in twips: the main window on the screen, a plot window in the
// main window's plot area, a dialog relative to the plot area's top left. A width or height of
// 0 or less keeps the window's own.
struct FormPlace {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

class Frontend {
public:
    virtual ~Frontend() = default;

    // Modal message box with an OK button. It, the question and the input box hold the
    // program (HeldTime): the time one is open is no part of a measured sample period.
    void MsgBox(const std::string& text, const std::string& title = kAppTitle);
    // The same for a report of tab-separated columns, which a window shows lined up.
    virtual void ShowReport(const std::string& text, const std::string& title = kAppTitle) {
        MsgBox(text, title);
    }
    // Lets pending user-interface events run; cheap when called often.
    virtual void DoEvents() = 0;
    virtual void SetBusy(bool busy) = 0;
    // Runs step between events, again and again until it returns true: work that must not
    // hold up the windows coming up. Without an event loop, all of it at once.
    virtual void RunBetweenEvents(const std::function<bool()>& step) {
        while (!step()) {
        }
    }
    virtual void Show(FormId form) = 0;
    virtual void ShowModal(FormId form) = 0;
    virtual void Hide(FormId form) = 0;
    // Asks for one line of text, offering initial; nullopt when the user cancels.
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial);
    // A question with Yes and No buttons, No the default; true for Yes.
    bool Confirm(const std::string& text, const std::string& title = kAppTitle);
    // Pops a menu up at the pointer and returns at once; the item the user picks later runs
    // its handler then.
    virtual void Popup(PopupMenu menu) = 0;
    // Form models changed: views re-read them. A form's geometry is not among them: the
    // window system owns it and writes it into the model.
    virtual void Refresh() = 0;
    // Asks for a form's window to be moved or sized; what it gets comes back into its model
    // through the window system, as a move by the user does. false when there are no windows
    // to place, so the caller takes the place as given.
    virtual bool Place(FormId, const FormPlace&) { return false; }
    // Screen size in twips.
    virtual int ScreenWidth() const = 0;
    virtual int ScreenHeight() const = 0;
    // Closes every window but the main one, then ends the process with exit code 0.
    virtual void EndProcess() = 0;
    // Asks for a printer and prints each visible plot window on it as shown, one page each;
    // false when the user cancels or printing fails.
    virtual bool PrintPlots() = 0;
    // Opens the help window on the HTML page at path, or brings it to the front there; it
    // stays open beside the program.
    virtual void ShowHelp(const std::string& path) = 0;

    // Message boxes shown so far, and the last one's text: a handler's reason for refusing
    // or failing is the box it showed.
    uint64_t MessagesShown() const { return messagesShown_; }
    const std::string& LastMessage() const { return lastMessage_; }

protected:
    // The boxes themselves, as this user interface shows them.
    virtual void ShowMsgBox(const std::string& text, const std::string& title) = 0;
    virtual std::optional<std::string> ShowInputBox(const std::string& prompt,
                                                    const std::string& title,
                                                    const std::string& initial) = 0;
    virtual bool ShowConfirm(const std::string& text, const std::string& title) = 0;

private:
    uint64_t messagesShown_ = 0;
    std::string lastMessage_;
};

// Used before any frontend is installed, and the base of those without windows: messages
// go to standard error, windows do nothing, questions take the safe answer (No).
class NullFrontend : public Frontend {
public:
    void DoEvents() override {}
    void SetBusy(bool) override {}
    void Show(FormId) override {}
    void ShowModal(FormId) override {}
    void Hide(FormId) override {}
    void Popup(PopupMenu) override {}
    void Refresh() override {}
    int ScreenWidth() const override { return 1280 * 15; }
    int ScreenHeight() const override { return 800 * 15; }
    void EndProcess() override {}
    // No printer to choose.
    bool PrintPlots() override { return false; }
    void ShowHelp(const std::string& path) override;

protected:
    void ShowMsgBox(const std::string& text, const std::string& title) override;
    std::optional<std::string> ShowInputBox(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    bool ShowConfirm(const std::string& text, const std::string& title) override {
        ShowMsgBox(text, title);
        return false;
    }
};

Frontend& Ui();
// Installs the frontend used by Ui(); the caller keeps ownership.
void InstallFrontend(Frontend* frontend);
