#include "SetupStore.h"

#include "inihelper.h"

namespace SetupStore {

using namespace SetupLogic;

OptionValues ReadOptions(const std::wstring& file) {
    return LoadOptions([&](std::wstring_view key, std::wstring_view defaultValue) {
        return inihelper::IniRead(kSection, key, file, defaultValue);
    });
}

bool WriteOptions(const OptionValues& values, const std::wstring& file) {
    return SaveOptions(values, [&](std::wstring_view key, std::wstring_view value) {
        return inihelper::IniWrite(kSection, key, value, file);
    });
}

bool WriteAnswer(PromptResult result, std::wstring_view typedText, const std::wstring& file,
                 std::wstring_view key) {
    return inihelper::WriteAnswer(Answer(result, typedText), file, key);
}

}  // namespace SetupStore
