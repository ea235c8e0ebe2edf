// trkconfig's decisions, free of any window: which dialog a command line asks
// for, what the prompt answers, and how the options file maps onto the
// three-state check boxes and the extension text of the options dialog.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "CommandLine.h"
#include "OptionTable.h"

namespace SetupLogic {

enum class Mode { Options, Prompt };

using CommandLine::ArgumentText;

// Empty argument text: the options dialog; any other text: the name prompt.
Mode ChooseMode(std::wstring_view argumentText);

// How the name prompt was left. Closing it with the close box or Alt+F4 is
// a way out, so it answers like Cancel.
enum class PromptResult { Ok, Cancel, Closed };

using OptionTable::kCancelMarker;

std::wstring Answer(PromptResult result, std::wstring_view typedText);

// Exit status of a prompt run: the caller treats non-zero as a cancel, so a
// stale answer left in the file by an earlier prompt is never used.
inline int PromptExitStatus(bool answerWritten) { return answerWritten ? 0 : 1; }

// The options dialog's view of section "trk": one control for each numeric
// option of the table, in the table's order, as the table says it is shown.
inline constexpr int CheckKeyCount = OptionTable::NumericCount;
using OptionTable::kDefaultFiles;
using OptionTable::kFilesKey;
using OptionTable::kSection;

struct OptionValues {
    // 0 unchecked, 1 checked, 2 greyed (three-state boxes only); for a
    // choice, the chosen one of 0, 1 and 2.
    std::array<int, CheckKeyCount> states{};
    std::wstring files;
};

// A stored text as a control's state: the nearest whole number, or the key's
// default when the text is not a number or its number is not 0 to highest.
int CheckState(std::wstring_view stored, std::wstring_view defaultValue, int highest = 2);

// The highest state a control of that kind shows: a two-state box has no
// greyed state.
inline int HighestState(OptionTable::Shown shown) { return shown == OptionTable::Shown::TwoState ? 1 : 2; }

// The extension list as the dialog shows it: the valid elements, in order.
std::wstring ShownExtensions(std::wstring_view stored);

using ReadKey = std::function<std::wstring(std::wstring_view key, std::wstring_view defaultValue)>;
using WriteKey = std::function<bool(std::wstring_view key, std::wstring_view value)>;

OptionValues LoadOptions(const ReadKey& read);
// Writes every key in the file's order; the Files text goes out exactly as
// given. True when every write succeeded.
bool SaveOptions(const OptionValues& values, const WriteKey& write);

}  // namespace SetupLogic
