#include "video/SystemError.h"

#include "common/strings/VideoStrings.h"

#include <cstring>

namespace korvex {

void ShowSystemError(UserPrompt& prompt, int errorCode) {
    if (errorCode == 0) {
        return;
    }
    char buffer[256];
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    prompt.Message(QString::asprintf(Str(IDS_SYSTEM_ERROR_FORMAT).toUtf8().constData(),
                                     Str(IDS_SYSTEM_ERROR_CAPTION).toUtf8().constData(), text),
                   PromptIcon::Error);
}

}  // namespace korvex
