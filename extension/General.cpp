#include "General.h"

#include "ModuleState.h"

namespace General {

void Main() {}

void StartThread() {
    ModuleState& state = ThreadState();
    if (state.Started) return;
    state.Started = true;
    Main();
}

void GetClassId(std::wstring_view, std::wstring& result) { result.clear(); }

}  // namespace General
