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
    const std::wstring file = inihelper::OptionsFile();

    for (int k = 0; k < OptionTable::NumericCount; ++k) {
        const OptionTable::NumericOption& key = kNumeric[k];
        std::wstring text = inihelper::IniRead(kSection, key.name, file, key.defaultValue);
        if (!OptionText::IsNumber(text)) text = key.defaultValue;
        GetOptionsTrace(L"Reading " + Quoted(key.name) + text);
        options.*kFields[k] = OptionText::ToInteger16(text);
    }

    const std::wstring files =
        inihelper::IniRead(kSection, OptionTable::kFilesKey, file, OptionTable::kDefaultFiles);
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
    const OptionSet& options = state.Options;

    SetOptionsTrace(L"Begin SetOptions()");
    Trace::ProcEnter(state.TraceDepth);
    const std::wstring file = inihelper::OptionsFile();

    for (int k = 0; k < OptionTable::NumericCount; ++k) {
        const std::wstring value = std::to_wstring(options.*kFields[k]);
        SetOptionsTrace(L"Writing " + Quoted(kNumeric[k].name) + value);
        inihelper::IniWrite(kSection, kNumeric[k].name, value, file);
    }
    SetOptionsTrace(L"Writing " + Quoted(OptionTable::kFilesKey) + options.Files);
    inihelper::IniWrite(kSection, OptionTable::kFilesKey, options.Files, file);

    Trace::ProcLeave(state.TraceDepth);
    SetOptionsTrace(L"Done SetOptions()");
}

}  // namespace Setup
