#include "platform/Frontend.h"

#include <cstdio>

namespace {

// Used before any frontend is installed (and by tools without a user interface):
// messages go to standard error, windows do nothing.
class NullFrontend final : public Frontend {
public:
    void MsgBox(const std::string& text, const std::string& title) override;
    void DoEvents() override {}
    void SetBusy(bool) override {}
    void Show(FormId) override {}
    void ShowModal(FormId) override {}
    void Hide(FormId) override {}
    // Nobody can answer: the safe answer.
    bool Confirm(const std::string& text, const std::string& title) override {
        MsgBox(text, title);
        return false;
    }
    void Popup(PopupMenu) override {}
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    void Refresh() override {}
    int ScreenWidth() const override { return 1280 * 15; }
    int ScreenHeight() const override { return 800 * 15; }
    void EndProcess() override {}
    // No printer to choose.
    bool PrintPlots() override { return false; }
    void ShowHelp(const std::string& path) override;
};

NullFrontend nullFrontend;
Frontend* installed = &nullFrontend;

} // namespace

void NullFrontend::MsgBox(const std::string& text, const std::string& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

void NullFrontend::ShowHelp(const std::string& path) {
    std::fprintf(stderr, "Help: %s\n", path.c_str());
}

Frontend& Ui() { return *installed; }

void InstallFrontend(Frontend* frontend) {
    installed = frontend != nullptr ? frontend : &nullFrontend;
}
