#include "tests/support/FakeFrontend.h"

void FakeFrontend::ShowMsgBox(const std::string& text, const std::string& title) {
    messages.push_back({text, title});
    if (whileMessageOpen) {
        whileMessageOpen();
    }
}

void FakeFrontend::DoEvents() {
    ++doEventsCalls;
    auto [first, last] = doEventsActions.equal_range(doEventsCalls);
    for (auto it = first; it != last; ++it) {
        it->second();
    }
    if (everyDoEvents) {
        everyDoEvents();
    }
}

void FakeFrontend::ShowModal(FormId form) {
    modals.push_back(form);
    if (auto it = modalActions.find(form); it != modalActions.end()) {
        it->second();
    }
}

bool FakeFrontend::ShowConfirm(const std::string& text, const std::string& title) {
    questions.push_back({text, title});
    if (confirmAnswers.empty()) {
        return false;
    }
    const bool answer = confirmAnswers.front();
    confirmAnswers.erase(confirmAnswers.begin());
    return answer;
}

void FakeFrontend::Popup(PopupMenu menu) {
    popups.push_back(menu);
    if (auto it = popupActions.find(menu); it != popupActions.end()) {
        it->second();
    }
}

std::optional<std::string> FakeFrontend::ShowInputBox(const std::string&, const std::string&,
                                                      const std::string& initial) {
    inputInitials.push_back(initial);
    if (inputAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = inputAnswers.front();
    inputAnswers.erase(inputAnswers.begin());
    return answer;
}
