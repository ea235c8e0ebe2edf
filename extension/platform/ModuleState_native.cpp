#include "ModuleState.h"

#include <memory>

namespace {
thread_local std::unique_ptr<ModuleState> state;
}

ModuleState& ThreadState() {
    if (!state) state = std::make_unique<ModuleState>();
    return *state;
}

void ReleaseThreadState() { state.reset(); }
bool ThreadStateAvailable() { return true; }
