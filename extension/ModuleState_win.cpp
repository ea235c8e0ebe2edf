#include "ModuleState.h"

#include <windows.h>

// A TLS slot with explicit cleanup rather than thread_local: Explorer loads
// the library while its threads already run, and per-thread C++ objects of a
// late-loaded DLL do not survive those threads' ends.
namespace {

DWORD Slot() {
    static const DWORD slot = TlsAlloc();
    return slot;
}

}  // namespace

ModuleState& ThreadState() {
    auto* state = static_cast<ModuleState*>(TlsGetValue(Slot()));
    if (!state) {
        state = new ModuleState();
        TlsSetValue(Slot(), state);
    }
    return *state;
}

void ReleaseThreadState() {
    auto* state = static_cast<ModuleState*>(TlsGetValue(Slot()));
    TlsSetValue(Slot(), nullptr);
    delete state;
}
