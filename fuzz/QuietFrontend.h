// The frontend without windows, its message boxes dropped rather than written to stderr.
#pragma once

#include "platform/Frontend.h"

class QuietFrontend final : public NullFrontend {
protected:
    void ShowMsgBox(const std::string&, const std::string&) override {}
};
