#include "SetupLogic.h"

#include "Failure.h"
#include "OptionText.h"

namespace SetupLogic {

Mode ChooseMode(std::wstring_view argumentText) {
    return argumentText.empty() ? Mode::Options : Mode::Prompt;
}

std::wstring Answer(PromptResult result, std::wstring_view typedText) {
    if (result == PromptResult::Ok) return std::wstring(typedText);
    return std::wstring(kCancelMarker);
}

int CheckState(std::wstring_view stored, std::wstring_view defaultValue, int highest) {
    const int fallback = OptionText::ToInteger16(defaultValue);
    if (!OptionText::IsNumber(stored)) return fallback;
    int state = fallback;
    // A number beyond 16 bits is as unshowable as 3 or -1.
    Failure::Guard([&] { state = OptionText::ToInteger16(stored); }, [&](const Failure::Error&) {});
    return state >= 0 && state <= highest ? state : fallback;
}

std::wstring ShownExtensions(std::wstring_view stored) {
    std::wstring shown;
    for (const auto& element : OptionText::SplitExtensions(stored)) {
        if (!OptionText::IsValidExtension(element)) continue;
        shown += L',';
        shown += element;
    }
    if (!shown.empty()) shown.erase(0, 1);
    return shown;
}

OptionValues LoadOptions(const ReadKey& read) {
    OptionValues values;
    for (int k = 0; k < CheckKeyCount; ++k) {
        const OptionTable::NumericOption& option = OptionTable::kNumeric[k];
        values.states[k] =
            CheckState(read(option.name, option.defaultValue), option.defaultValue, HighestState(option.shown));
    }
    values.files = ShownExtensions(read(kFilesKey, kDefaultFiles));
    return values;
}

bool SaveOptions(const OptionValues& values, const WriteKey& write) {
    bool allWritten = true;
    for (int k = 0; k < CheckKeyCount; ++k)
        allWritten &= write(OptionTable::kNumeric[k].name, std::to_wstring(values.states[k]));
    allWritten &= write(kFilesKey, values.files);
    return allWritten;
}

}  // namespace SetupLogic
