// The system's own text for an error code, in the user's language.
#pragma once

#include <string>

#include "Failure.h"

namespace SystemError {

// The system's error code for a failure: its own, else the nearest one for
// its number (a negative number is a failed call's HRESULT).
unsigned long CodeOf(const Failure::Error& e);

// Without its line end; "Error N." when the system has no text for it.
std::wstring Text(unsigned long error);

}  // namespace SystemError
