#include "app/Analyzer.h"

#include <memory>

namespace {
std::unique_ptr<AppState> state = std::make_unique<AppState>();
}

AppState& App() { return *state; }

void ResetAppState() { state = std::make_unique<AppState>(); }
