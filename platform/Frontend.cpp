#include "platform/Frontend.h"

#include "platform/Clock.h"

#include <cstdio>

namespace {

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
