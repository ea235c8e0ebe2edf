// The system's own text for an error code, in the user's language.
#pragma once

#include <string>

namespace SystemError {

// Without its line end; "Error N." when the system has no text for it.
std::wstring Text(unsigned long error);

}  // namespace SystemError
