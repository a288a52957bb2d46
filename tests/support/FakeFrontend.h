// A frontend for tests: records what the core asked of the user interface and runs
// scripted actions (a Stop click after some DoEvents calls, the user's pick in a pop-up
// menu or a modal dialog).
#pragma once

#include "platform/Frontend.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct RecordedMessage {
    std::string text;
    std::string title;
};

class FakeFrontend : public NullFrontend {
public:
    FakeFrontend() { InstallFrontend(this); }
    ~FakeFrontend() override { InstallFrontend(nullptr); }

    void ShowMsgBox(const std::string& text, const std::string& title) override;
    void DoEvents() override;
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    // Kept for the test to run, as no events come.
    void RunBetweenEvents(const std::function<bool()>& step) override {
        betweenEvents.push_back(step);
    }
    void Show(FormId form) override { shown.push_back(form); }
    void ShowModal(FormId form) override;
    void Hide(FormId form) override { hidden.push_back(form); }
    // Answers from confirmAnswers in order; No when none is left.
    bool ShowConfirm(const std::string& text, const std::string& title) override;
    void Popup(PopupMenu menu) override;
    // Answers from inputAnswers in order; a cancel when none is left.
    std::optional<std::string> ShowInputBox(const std::string& prompt, const std::string& title,
                                            const std::string& initial) override;
    void EndProcess() override { ended = true; }
    // Answers printResult, as if the user had chosen a printer (or cancelled).
    bool PrintPlots() override {
        ++printCalls;
        return printResult;
    }
    void ShowHelp(const std::string& path) override { helpShown.push_back(path); }

    // Runs action when DoEvents is called for the n-th time (counted from 1).
    void AtDoEvents(int n, std::function<void()> action) { doEventsActions.emplace(n, action); }
    // Runs action at every DoEvents call (a user who acts once a condition holds).
    void OnEveryDoEvents(std::function<void()> action) { everyDoEvents = std::move(action); }
    void OnModal(FormId form, std::function<void()> action) { modalActions[form] = action; }
    void OnPopup(PopupMenu menu, std::function<void()> action) { popupActions[menu] = action; }
    // The texts of the messages, in order; with heads, their first lines: what each message
    // is, without the detail below it.
    std::vector<std::string> MessageTexts(bool heads = false) const {
        std::vector<std::string> texts;
        for (const auto& m : messages) {
            texts.push_back(heads ? m.text.substr(0, m.text.find('\n')) : m.text);
        }
        return texts;
    }
    std::vector<std::string> MessageHeads() const { return MessageTexts(true); }

    std::vector<RecordedMessage> messages;
    std::vector<FormId> shown;
    std::vector<FormId> modals;
    std::vector<FormId> hidden;
    std::vector<PopupMenu> popups;
    std::vector<RecordedMessage> questions;
    std::vector<bool> confirmAnswers;
    std::vector<std::string> inputInitials;
    std::vector<std::optional<std::string>> inputAnswers;
    std::vector<bool> busyChanges;
    std::vector<std::function<bool()>> betweenEvents;
    // Runs while each message box is open (a user who takes a while to read it).
    std::function<void()> whileMessageOpen;
    int doEventsCalls = 0;
    bool printResult = true;
    int printCalls = 0;
    std::vector<std::string> helpShown;
    bool ended = false;

private:
    std::multimap<int, std::function<void()>> doEventsActions;
    std::function<void()> everyDoEvents;
    std::map<FormId, std::function<void()>> modalActions;
    std::map<PopupMenu, std::function<void()>> popupActions;
};
