// The name prompt: asks for the base name of a new playlist.
#pragma once

#include <string>

#include "SetupLogic.h"

namespace frmInput {

struct Outcome {
    SetupLogic::PromptResult result = SetupLogic::PromptResult::Ok;
    std::wstring text;  // the text box as the user left it (UTF-16)
};

// Shows the prompt modally; returns once OK, Cancel or the close command has
// ended it.
Outcome Show();

}  // namespace frmInput
