#pragma once

#include "common/UserPrompt.h"

#include <QString>

namespace korvex {

// "System Message : <the system's text for an error number (errno)>".
QString SystemErrorText(int errorCode);

// Shows SystemErrorText; nothing for 0.
void ShowSystemError(UserPrompt& prompt, int errorCode);

}  // namespace korvex
