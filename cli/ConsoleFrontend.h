// The user interface of the command-line program: message boxes go to standard error, a
// question takes its default answer (No), a modal dialog runs what the command scripted for
// it, and Ctrl+C stops the running acquisition as the Stop button would.
#pragma once

#include "platform/Frontend.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <ostream>
#include <string>

class ConsoleFrontend final : public Frontend {
public:
    // progress: a progress bar on err while a run longer than a second goes.
    ConsoleFrontend(std::ostream& err, bool progress);
    ~ConsoleFrontend() override;

    void DoEvents() override;
    void SetBusy(bool) override {}
    void Show(FormId) override {}
    void ShowModal(FormId form) override;
    void Hide(FormId) override {}
    void Popup(PopupMenu) override {}
    void Refresh() override {}
    int ScreenWidth() const override { return 1280 * 15; }
    int ScreenHeight() const override { return 800 * 15; }
    void EndProcess() override {}
    bool PrintPlots() override { return false; }
    void ShowHelp(const std::string&) override {}

    // What the "user" does in a modal dialog; a dialog without a script is closed unchanged.
    void OnModal(FormId form, std::function<void()> action) { modal_[form] = std::move(action); }
    // A message box that sink takes (returns true for) is not printed.
    void SetMessageSink(std::function<bool(const std::string&)> sink) { sink_ = std::move(sink); }
    // Runs at every event check, after the interrupt's.
    void SetEventHook(std::function<void()> hook) { hook_ = std::move(hook); }
    // Messages printed since the command began: each one is a failure of the run.
    int Messages() const { return messages_; }
    // The progress bar's label, such as "sweep 3"; the fraction comes from the samples taken.
    void SetProgressLabel(std::string label) { label_ = std::move(label); }
    void EndProgress();

    // Set from a signal handler; a stop request at the next event check.
    static void RequestInterrupt();
    static bool Interrupted();
    static void ClearInterrupt();

private:
    void ShowMsgBox(const std::string& text, const std::string& title) override;
    std::optional<std::string> ShowInputBox(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    bool ShowConfirm(const std::string& text, const std::string& title) override;
    void DrawProgress();

    std::ostream& err_;
    bool progress_;
    std::map<FormId, std::function<void()>> modal_;
    std::function<bool(const std::string&)> sink_;
    std::function<void()> hook_;
    int messages_ = 0;
    std::string label_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
    unsigned calls_ = 0;
    bool barShown_ = false;
};
