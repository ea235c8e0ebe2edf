// trkconfig's side of the options file: the dialog's values and the prompt's
// answer, read and written through inihelper.
#pragma once

#include <string>
#include <string_view>

#include "SetupLogic.h"

namespace SetupStore {

SetupLogic::OptionValues ReadOptions(const std::wstring& file);
// False when any key could not be written.
bool WriteOptions(const SetupLogic::OptionValues& values, const std::wstring& file);

// Writes the answer under key of section "input" and nothing else; false
// when it could not be written.
bool WriteAnswer(SetupLogic::PromptResult result, std::wstring_view typedText, const std::wstring& file,
                 std::wstring_view key = OptionTable::kAnswerKey);

}  // namespace SetupStore
