// The name prompt: asks for the base name of a new playlist.
#pragma once

#include <string>
#include <string_view>

#include "SetupLogic.h"

namespace frmInput {

struct Outcome {
    SetupLogic::PromptResult result = SetupLogic::PromptResult::Ok;
    std::wstring text;  // the text box as the user left it (UTF-16)
};

// Shows the prompt modally, naming the playlist's extension (".m3u" or
// ".m3u8"), its text box holding the suggestion, all of it selected; returns
// once OK, Cancel or the close command has ended it. OK refuses a name
// Windows cannot take (FileNameRule), and one too long for folder when that
// is known, with a message under the text box.
Outcome Show(std::wstring_view extension = L".m3u", std::wstring_view suggestion = {},
             std::wstring_view folder = {});

}  // namespace frmInput
