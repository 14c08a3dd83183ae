#include "modem/TapiLine.h"

#include <QTimer>

namespace korvex {

CTapiLine::CTapiLine(CTapiLineUser& user, ModemLog& log) : log_(log), user_(user) {}

CTapiLine::~CTapiLine() = default;

void CTapiLine::NotifyLater(const LineMessage& message) {
    QTimer::singleShot(0, this, [this, message] { Notify(message); });
}

void CTapiLine::NotifyState(LineCallState state, DisconnectMode mode) {
    LineMessage message;
    message.state = state;
    message.disconnectMode = mode;
    Notify(message);
}

void CTapiLine::LogError(const char* function, int textId) {
    log_.Write(QString::fromLatin1(function), textId);
}

}  // namespace korvex
