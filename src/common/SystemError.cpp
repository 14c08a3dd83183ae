#include "common/SystemError.h"

#include "common/StringTable.h"
#include "common/strings/CameraStrings.h"

#include <cstring>

namespace korvex {

QString SystemErrorText(int errorCode) {
    char buffer[256];
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    return QStringLiteral("%1 : %2").arg(Str(IDS_SYSTEM_MESSAGE), QString::fromLocal8Bit(text));
}

void ShowSystemError(UserPrompt& prompt, int errorCode) {
    if (errorCode != 0) {
        prompt.Message(SystemErrorText(errorCode), PromptIcon::Error);
    }
}

}  // namespace korvex
