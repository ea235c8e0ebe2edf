// The options store's file access, shared by trkmenu and trkconfig, and the
// places where the two programs keep their per-user files.
#pragma once

#include <string>
#include <string_view>

#include "OptionTable.h"

namespace inihelper {

// Reads a value as the profile functions do (names without regard to case,
// value trimmed and unquoted); at most 254 characters come back.
std::wstring IniRead(std::wstring_view section, std::wstring_view key, std::wstring_view file,
                     std::wstring_view defaultValue = {});

// The whole section in one file access, as OptionText::StoredValue reads it;
// empty when file or section is missing.
std::wstring ReadSection(std::wstring_view section, std::wstring_view file);

// Creates file, section and key as needed; replaces a value in place.
bool IniWrite(std::wstring_view section, std::wstring_view key, std::wstring_view value,
              std::wstring_view file);

// The name prompt's answer (section "input", under key, "value" unless the
// prompt was given a key of its own). Under a
// single-byte code page it travels as UTF-8 so that a name the code page
// cannot hold arrives intact; plain ASCII answers and markers such as
// "[cancel]" read the same either way, and a value that is not UTF-8 (an older
// program's) is read in the code page. Under a double-byte code page it is
// code-page text, and a character outside it arrives as "?".
bool WriteAnswer(std::wstring_view answer, std::wstring_view file,
                 std::wstring_view key = OptionTable::kAnswerKey);
std::wstring ReadAnswer(std::wstring_view file, std::wstring_view defaultValue,
                        std::wstring_view key = OptionTable::kAnswerKey);
// Removes an answer's key once it has been read.
bool DeleteAnswer(std::wstring_view file, std::wstring_view key);

// Folder of the running program or library that this code is linked into,
// without a trailing backslash.
std::wstring ProgramFolder();

// %APPDATA%\Tracklet, created when missing; empty when there is none.
// Programs installed in the system directory cannot write beside themselves,
// so both programs keep their options and trace here.
std::wstring UserFolder();

// UserFolder() + "\trk.ini". The first time, it starts from a trk.ini that
// lies beside the programs (an older installation's or an administrator's).
std::wstring OptionsFile();

}  // namespace inihelper
