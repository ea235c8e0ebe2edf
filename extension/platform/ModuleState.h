// Per-thread module state of trkmenu: one record per thread, zero-filled at
// the thread's first use, shared by every object of that thread. The library
// is apartment-threaded, so nothing here is locked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "KeptFiles.h"
#include "OptionTable.h"

struct OptionSet {
    int16_t Bitmaps = 0;
    int16_t Debug = 0;
    int16_t Prompt = 0;
    int16_t Overwrite = 0;
    int16_t Paths = 0;
    int16_t Format = 0;
    int16_t Order = 0;
    int16_t Folders = 0;
    int16_t Portable = 0;
    int16_t Name = 0;
    int16_t EachFolder = 0;
    std::wstring Files;                      // normalised: valid elements joined by ","
    std::vector<std::wstring> ExtensionList; // valid elements in file order
    // As GetOptions found them, so that SetOptions rewrites only what
    // changes: the file, and each key's text there (the numeric keys, then
    // Files), none where it was missing.
    std::wstring File;
    std::optional<std::wstring> Stored[OptionTable::NumericCount + 1];
};

struct ModuleState {
    OptionSet Options;
    bool TraceSwitch = false;
    int16_t TraceDepth = 0;
    bool Started = false;  // Main has run on this thread
    bool TraceHeld = false;   // the debug file stays open between lines (start-up)
    void* TraceFile = nullptr; // that open file, once a line has been written

    // Handler state.
    KeptFiles SelectionList;                  // slot 0 is the empty text; each file's path and name
    std::wstring SelectionFolder;             // file-system folder the shell named, or empty
    std::vector<std::wstring> SelectionFolders; // Folders = 1: selected folders, or the clicked background's
    int16_t ShowMenu = 0;                     // true is -1
    int16_t InitFailed = 0;
    uintptr_t SavedTableEntry = 0;
    void* MenuBitmaps[2] = {nullptr, nullptr};
};

// The calling thread's record, created on first use.
ModuleState& ThreadState();
// False when the process had no thread-local slot left for the records: then
// no thread can have one, and no object may be made.
bool ThreadStateAvailable();
// Frees the calling thread's record (thread detach); a later use starts afresh.
void ReleaseThreadState();
// Frees every thread's record and the means to find them (the library is
// being unloaded; nothing of it runs again).
void ReleaseAllThreadStates();
