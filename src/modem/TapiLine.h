#pragma once

#include "common/Clock.h"
#include "modem/CommPort.h"
#include "modem/ModemLog.h"
#include "modem/TapiLineUser.h"

#include <QObject>
#include <QString>

#include <memory>

namespace korvex {

// One line of the line service (a modem on a serial port, or the network line) with the
// call operations. Its notifications reach its user from the event loop, never from inside
// one of these operations.
class CTapiLine : public QObject {
    Q_OBJECT
public:
    CTapiLine(CTapiLineUser& user, ModemLog& log);
    ~CTapiLine() override;

    // Opens the line; with `acceptCalls` it also waits for incoming calls.
    virtual bool Open(bool acceptCalls) = 0;
    virtual void Close() = 0;
    virtual bool MakeCall(const QString& number) = 0;
    virtual bool Answer() = 0;
    virtual void Drop() = 0;
    // The byte stream of the connected call, handed over once per call.
    virtual std::unique_ptr<CommPort> GetCommPort(const Clock& clock) = 0;
    // Where the line takes calls: "host:port" of the network line, the device of a modem.
    virtual QString Address() const = 0;
    // Called once the user has let go of the line: nothing more reaches it.
    void Detach() { detached_ = true; }

protected:
    void Notify(const LineMessage& message) {
        if (!detached_) {
            user_.VOnCallbackProc(message);
        }
    }
    // Notifies from the event loop, after the operation that caused it has returned.
    void NotifyLater(const LineMessage& message);
    void NotifyState(LineCallState state, DisconnectMode mode = DisconnectMode::Normal);
    void LogError(const char* function, int textId);

    ModemLog& log_;

private:
    CTapiLineUser& user_;
    bool detached_ = false;
};

}  // namespace korvex
