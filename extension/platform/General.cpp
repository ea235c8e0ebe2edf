#include "General.h"

#include <windows.h>
#include <objbase.h>


#include "ClassIdText.h"
#include "ModuleInfo.h"
#include "ModuleState.h"
#include "Setup.h"
#include "Trace.h"

namespace General {
namespace {

constexpr std::wstring_view kModule = L"General";
constexpr Trace::Procedure MainTrace{kModule, L"Main()"};
constexpr Trace::Procedure ClassIdTrace{kModule, L"GetClassId()"};
constexpr wchar_t kTitle[] = L"Tracklet Playlist Shell Extension";

struct VersionRecord {
    std::wstring title = kTitle;
    unsigned major = 0, minor = 0, revision = 0;
};

// Title and numbers from the version record of the module that holds this
// code (the library inside Explorer, or a test program that carries the same
// resource), so the header always names the file that really runs.
VersionRecord OwnVersion() {
    VersionRecord record;
    ModuleInfo::Version version;
    void* self = ModuleInfo::ModuleOf(reinterpret_cast<const void*>(&OwnVersion));
    if (!self || !ModuleInfo::ReadVersion(ModuleInfo::FileName(self), version)) return record;
    record.major = version.major;
    record.minor = version.minor;
    record.revision = version.revision;
    if (!version.description.empty()) record.title = version.description;
    return record;
}

// oleaut32 from the system directory only: inside Explorer a bare name would
// also search the current folder, which a user may have filled with anything.
void LoadOleAut32() { ModuleInfo::LoadSystemLibrary(L"oleaut32.dll"); }

// Decimal with a leading blank when not negative, as the failure texts show it.
std::wstring SignedText(long value) {
    return (value >= 0 ? L" " : L"") + std::to_wstring(value);
}

}  // namespace

void Main() {
    Trace::Trapped(MainTrace, [&] {
        ModuleState& state = ThreadState();
        Trace::Hold held;
        state.TraceSwitch = true;
        const VersionRecord version = OwnVersion();
        MainTrace(L"Begin Debug Information For application " + version.title + L" [" +
                      std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) + L" revision " +
                      std::to_wstring(version.revision) + L"]...",
                  Trace::Raw | Trace::BlankAfter | Trace::StartNew);
        MainTrace(L"If you have persistant problems with this application (ie: you can reproduce it),", Trace::Raw);
        MainTrace(L"include this file with your problem report as it will help the programmers.",
                  Trace::Raw | Trace::BlankAfter);
        MainTrace(L"", Trace::Raw);

        MainTrace(L"Begin", Trace::BlankAfter);
        Trace::ProcEnter(state.TraceDepth);
        MainTrace(L"Initializing Setup & Options Helper Object");
        Trace::ProcEnter(state.TraceDepth);
        MainTrace(L"Object initialized", Trace::BlankAfter);

        MainTrace(L"Loading and working with options...");
        Trace::ProcEnter(state.TraceDepth);
        Setup::GetOptions();
        MainTrace(L"Resetting options");
        Setup::SetOptions();
        Trace::ProcLeave(state.TraceDepth);
        MainTrace(L"Done working with options");

        if (state.Options.Debug == 0) {
            state.TraceDepth = 1;
            MainTrace(L"Stopping debug info from being written");
            state.TraceDepth = 0;
            MainTrace(L"End of debug file");
            state.TraceSwitch = false;
        }
        Trace::ProcLeave(state.TraceDepth);
        MainTrace(L"Options loaded", Trace::BlankAfter);

        MainTrace(L"Attemping to LoadLibraray(\"oleaut32.dll\")...");
        LoadOleAut32();
        MainTrace(L"LoadLibrary(...) done", Trace::BlankAfter);

        MainTrace(L"Getting ClassID...");
        Trace::ProcEnter(state.TraceDepth);
        std::wstring classId;
        GetClassId(L"trkmenu.ShellExt", classId);
        Trace::ProcLeave(state.TraceDepth);
        MainTrace(L"ClassID: " + classId, Trace::BlankAfter);
    });
}

bool StartThread() {
    // Called from the class factory: not even a failed allocation of the
    // thread's record may reach the shell.
    if (!ThreadStateAvailable()) return false;
    bool recorded = false;
    Failure::Guard(
        [&recorded] {
            ModuleState& state = ThreadState();
            recorded = true;
            if (state.Started) return;
            state.Started = true;
            Main();
        },
        [](const Failure::Error&) {});
    return recorded;
}

void GetClassId(std::wstring_view progId, std::wstring& result) {
    Trace::Trapped(ClassIdTrace, [&] {
        HRESULT rc = S_OK;
        std::wstring text;
        if (!ClassIdText::FromProgId(progId, text, &rc)) {
            result = L"Bad ProgId rc:" + SignedText(rc);
            ClassIdTrace(result);
            return;
        }
        result = std::move(text);
        ClassIdTrace(L"Done");
    });
}

}  // namespace General
