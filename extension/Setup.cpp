#include "Setup.h"

#include <string>

#include "ModuleState.h"
#include "Trace.h"
#include "inihelper.h"

namespace Setup {
namespace {

constexpr std::wstring_view kSection = L"trk";

struct NumericKey {
    const wchar_t* name;
    const wchar_t* fallback;  // also the default when the key is missing
    int16_t OptionSet::*field;
};

constexpr NumericKey kNumericKeys[] = {
    {L"Bitmaps", L"1", &OptionSet::Bitmaps},
    {L"Debug", L"0", &OptionSet::Debug},
    {L"Prompt", L"1", &OptionSet::Prompt},
    {L"Overwrite", L"1", &OptionSet::Overwrite},
    {L"Paths", L"0", &OptionSet::Paths},
};

constexpr std::wstring_view kDefaultFiles =
    L"mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,mod,dsm,far,ult,mtm,669,wma";

std::wstring Quoted(std::wstring_view key) { return L"\"" + std::wstring(key) + L"\"="; }

}  // namespace

void GetOptions() {
    constexpr std::wstring_view proc = L"GetOptions()";
    auto trace = [&](std::wstring_view message) { Trace::DebugWrite(L"Setup", proc, message); };
    ModuleState& state = ThreadState();
    OptionSet& options = state.Options;

    trace(L"Begin GetOptions()");
    Trace::ProcEnter(state.TraceDepth);
    const std::wstring file = inihelper::OptionsFile();

    for (const NumericKey& key : kNumericKeys) {
        std::wstring text = inihelper::IniRead(kSection, key.name, file, key.fallback);
        if (!OptionText::IsNumber(text)) text = key.fallback;
        trace(L"Reading " + Quoted(key.name) + text);
        options.*key.field = OptionText::ToInteger16(text);
    }

    const std::wstring files = inihelper::IniRead(kSection, L"Files", file, kDefaultFiles);
    trace(L"Reading " + Quoted(L"Files") + files);
    Trace::ProcEnter(state.TraceDepth);
    trace(L"Splitting File Extension string into an array");
    options.ExtensionList.clear();
    std::wstring joined;
    for (std::wstring& element : OptionText::SplitExtensions(files)) {
        if (!OptionText::IsValidExtension(element)) {
            trace(L"The element " + element + L" is not a valid file extension");
            continue;
        }
        trace(L"Adding " + element + L" to the file extension array");
        if (!options.ExtensionList.empty()) joined += L',';
        joined += element;
        options.ExtensionList.push_back(std::move(element));
    }
    options.Files = std::move(joined);
    Trace::ProcLeave(state.TraceDepth);
    trace(L"Done working with File Extensions");
    Trace::ProcLeave(state.TraceDepth);
    trace(L"Done GetOptions()");
}

void SetOptions() {
    constexpr std::wstring_view proc = L"SetOptions()";
    auto trace = [&](std::wstring_view message) { Trace::DebugWrite(L"Setup", proc, message); };
    ModuleState& state = ThreadState();
    const OptionSet& options = state.Options;

    trace(L"Begin SetOptions()");
    Trace::ProcEnter(state.TraceDepth);
    const std::wstring file = inihelper::OptionsFile();

    for (const NumericKey& key : kNumericKeys) {
        const std::wstring value = std::to_wstring(options.*key.field);
        trace(L"Writing " + Quoted(key.name) + value);
        inihelper::IniWrite(kSection, key.name, value, file);
    }
    trace(L"Writing " + Quoted(L"Files") + options.Files);
    inihelper::IniWrite(kSection, L"Files", options.Files, file);

    Trace::ProcLeave(state.TraceDepth);
    trace(L"Done SetOptions()");
}

}  // namespace Setup
