#pragma once

#include "modem/TapiLine.h"
#include "modem/UniqueFd.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

namespace korvex {

// The network line: the number to call is "host:port" (a bare host takes the default
// port), and listening accepts calls on a TCP port. An incoming connection is offered as a
// call; the connected socket becomes the call's byte stream.
class TcpLine : public CTapiLine {
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 7431;
    static constexpr int kConnectTimeoutMs = 30000;

    TcpLine(QHostAddress listenAddress, quint16 listenPort, CTapiLineUser& user, ModemLog& log);
    ~TcpLine() override;

    bool Open(bool acceptCalls) override;
    void Close() override;
    bool MakeCall(const QString& number) override;
    bool Answer() override;
    void Drop() override;
    std::unique_ptr<CommPort> GetCommPort(const Clock& clock) override;
    QString Address() const override;

private:
    void OnIncoming();
    void OnLookedUp(const QHostInfo& info);
    void OnConnectFinished();
    void FailCall(DisconnectMode mode);

    QHostAddress listenAddress_;
    quint16 listenPort_;
    quint16 boundPort_ = 0;
    UniqueFd listenFd_;
    std::unique_ptr<QSocketNotifier> listenNotifier_;
    UniqueFd offeredFd_;
    UniqueFd dialFd_;
    std::unique_ptr<QSocketNotifier> dialNotifier_;
    UniqueFd callFd_;
    quint16 dialPort_ = 0;
    int lookupId_ = -1;
    QTimer connectTimer_;
    bool inCall_ = false;
};

}  // namespace korvex
