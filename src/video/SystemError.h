#pragma once

#include "common/UserPrompt.h"

namespace korvex {

// Shows the system's text for an error number (errno) as "System Message : <text>";
// nothing for 0.
void ShowSystemError(UserPrompt& prompt, int errorCode);

}  // namespace korvex
