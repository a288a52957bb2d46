#include "platform/Frontend.h"

#include "platform/Clock.h"

#include <cstdio>

namespace {

// Used before any frontend is installed (and by tools without a user interface):
// messages go to standard error, windows do nothing.
class NullFrontend final : public Frontend {
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

private:
    void ShowMsgBox(const std::string& text, const std::string& title) override;
    std::optional<std::string> ShowInputBox(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    // Nobody can answer: the safe answer.
    bool ShowConfirm(const std::string& text, const std::string& title) override {
        ShowMsgBox(text, title);
        return false;
    }
};

NullFrontend nullFrontend;
Frontend* installed = &nullFrontend;

} // namespace

void NullFrontend::ShowMsgBox(const std::string& text, const std::string& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

void NullFrontend::ShowHelp(const std::string& path) {
    std::fprintf(stderr, "Help: %s\n", path.c_str());
}

void Frontend::MsgBox(const std::string& text, const std::string& title) {
    const HeldTime held;
    ++messagesShown_;
    lastMessage_ = text;
    ShowMsgBox(text, title);
}

std::optional<std::string> Frontend::InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& initial) {
    const HeldTime held;
    return ShowInputBox(prompt, title, initial);
}

bool Frontend::Confirm(const std::string& text, const std::string& title) {
    const HeldTime held;
    return ShowConfirm(text, title);
}

Frontend& Ui() { return *installed; }

void InstallFrontend(Frontend* frontend) {
    installed = frontend != nullptr ? frontend : &nullFrontend;
}
