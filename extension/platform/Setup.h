// Module Setup: loads the calling thread's OptionSet from the options file and
// writes it back in normalised form.
#pragma once

#include "OptionText.h"

namespace Setup {

// Reads the six keys into ThreadState().Options with their defaults and
// fallbacks. A number outside the 16-bit range is failure 6, raised to the
// caller (Main reports it); fields read before it keep their new values.
void GetOptions();
// Writes ThreadState().Options back: plain integers and the valid extensions.
void SetOptions();

using OptionText::IsValidExtension;

}  // namespace Setup
