#include "Setup.h"

#include <iterator>
#include <string>

#include "ModuleState.h"
#include "OptionTable.h"
#include "Trace.h"
#include "inihelper.h"

namespace Setup {
namespace {

using OptionTable::kNumeric;
using OptionTable::kSection;

// Where each numeric option of the table lives in the thread's OptionSet.
constexpr int16_t OptionSet::*kFields[] = {
    &OptionSet::Bitmaps, &OptionSet::Debug, &OptionSet::Prompt, &OptionSet::Overwrite,
    &OptionSet::Paths,   &OptionSet::Format, &OptionSet::Order,  &OptionSet::Folders,
    &OptionSet::Portable, &OptionSet::Name,  &OptionSet::EachFolder,
};
static_assert(std::size(kFields) == OptionTable::NumericCount);

constexpr Trace::Procedure GetOptionsTrace{L"Setup", L"GetOptions()"};
constexpr Trace::Procedure SetOptionsTrace{L"Setup", L"SetOptions()"};

std::wstring Quoted(std::wstring_view key) { return L"\"" + std::wstring(key) + L"\"="; }

}  // namespace

void GetOptions() {
    ModuleState& state = ThreadState();
    OptionSet& options = state.Options;

    GetOptionsTrace(L"Begin GetOptions()");
    Trace::ProcEnter(state.TraceDepth);
    options.File = inihelper::OptionsFile();
    // One read of the section: each profile call opens the file again.
    const std::wstring section = inihelper::ReadSection(kSection, options.File);
    const auto read = [&](int slot, std::wstring_view key, std::wstring_view defaultValue) {
        const auto stored = OptionText::StoredValue(section, key);
        options.Stored[slot] = stored ? std::optional<std::wstring>(*stored) : std::nullopt;
        return stored ? OptionText::ProfileValue(*stored) : std::wstring(defaultValue);
    };

    for (int k = 0; k < OptionTable::NumericCount; ++k) {
        const OptionTable::NumericOption& key = kNumeric[k];
        std::wstring text = read(k, key.name, key.defaultValue);
        if (!OptionText::IsNumber(text)) text = key.defaultValue;
        GetOptionsTrace(L"Reading " + Quoted(key.name) + text);
        options.*kFields[k] = OptionText::ToInteger16(text);
    }

    const std::wstring files = read(OptionTable::NumericCount, OptionTable::kFilesKey, OptionTable::kDefaultFiles);
    GetOptionsTrace(L"Reading " + Quoted(OptionTable::kFilesKey) + files);
    Trace::ProcEnter(state.TraceDepth);
    GetOptionsTrace(L"Splitting File Extension string into an array");
    options.ExtensionList.clear();
    std::wstring joined;
    for (std::wstring& element : OptionText::SplitExtensions(files)) {
        if (!OptionText::IsValidExtension(element)) {
            GetOptionsTrace(L"The element " + element + L" is not a valid file extension");
            continue;
        }
        GetOptionsTrace(L"Adding " + element + L" to the file extension array");
        if (!options.ExtensionList.empty()) joined += L',';
        joined += element;
        options.ExtensionList.push_back(std::move(element));
    }
    options.Files = std::move(joined);
    Trace::ProcLeave(state.TraceDepth);
    GetOptionsTrace(L"Done working with File Extensions");
    Trace::ProcLeave(state.TraceDepth);
    GetOptionsTrace(L"Done GetOptions()");
}

void SetOptions() {
    ModuleState& state = ThreadState();
    OptionSet& options = state.Options;

    SetOptionsTrace(L"Begin SetOptions()");
    Trace::ProcEnter(state.TraceDepth);
    const std::wstring file = options.File.empty() ? inihelper::OptionsFile() : options.File;
    // A value the file already holds as it stands is not written again:
    // each write opens the file anew.
    const auto write = [&](int slot, std::wstring_view key, const std::wstring& value) {
        SetOptionsTrace(L"Writing " + Quoted(key) + value);
        if (options.Stored[slot] == value) return;
        inihelper::IniWrite(kSection, key, value, file);
        options.Stored[slot] = value;
    };

    for (int k = 0; k < OptionTable::NumericCount; ++k)
        write(k, kNumeric[k].name, std::to_wstring(options.*kFields[k]));
    write(OptionTable::NumericCount, OptionTable::kFilesKey, options.Files);

    Trace::ProcLeave(state.TraceDepth);
    SetOptionsTrace(L"Done SetOptions()");
}

}  // namespace Setup
