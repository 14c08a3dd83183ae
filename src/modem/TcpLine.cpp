#include "modem/TcpLine.h"

#include "common/strings/ModemStrings.h"
#include "modem/SerialComm.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace korvex {

namespace {
// A socket address for `address`:`port`; IPv4 addresses stay IPv4, "any" listens on both.
socklen_t ToSockAddr(const QHostAddress& address, quint16 port, sockaddr_storage& out) {
    out = {};
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&out);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        return sizeof(sockaddr_in);
    }
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&out);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    const Q_IPV6ADDR bytes = address.isNull() || address == QHostAddress::Any
                                 ? QHostAddress(QHostAddress::AnyIPv6).toIPv6Address()
                                 : address.toIPv6Address();
    std::memcpy(&in6->sin6_addr, bytes.c, 16);
    return sizeof(sockaddr_in6);
}
}  // namespace

TcpLine::TcpLine(QHostAddress listenAddress, quint16 listenPort, CTapiLineUser& user, ModemLog& log)
    : CTapiLine(user, log), listenAddress_(std::move(listenAddress)), listenPort_(listenPort) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this,
            [this] { FailCall(DisconnectMode::Unreachable); });
}

TcpLine::~TcpLine() {
    Close();
}

bool TcpLine::Open(bool acceptCalls) {
    Close();
    if (!acceptCalls) {
        return true;
    }
    sockaddr_storage address;
    const socklen_t length = ToSockAddr(listenAddress_, listenPort_, address);
    UniqueFd fd(::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid()) {
        LogError("lineOpen", IDS_MODEM_ERR_RESOURCEUNAVAIL);
        return false;
    }
    const int yes = 1;
    const int no = 0;
    setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (address.ss_family == AF_INET6) {
        setsockopt(fd.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
    }
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd.Get(), 4) != 0) {
        LogError("lineOpen", IDS_MODEM_ERR_ALLOCATED);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&bound), &boundLength);
    boundPort_ =
        ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                         : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    listenFd_ = std::move(fd);
    listenNotifier_ = std::make_unique<QSocketNotifier>(listenFd_.Get(), QSocketNotifier::Read);
    connect(listenNotifier_.get(), &QSocketNotifier::activated, this, [this] { OnIncoming(); });
    return true;
}

void TcpLine::Close() {
    listenNotifier_.reset();
    listenFd_.Reset();
    boundPort_ = 0;
    Drop();
}

QString TcpLine::Address() const {
    if (!listenFd_.Valid()) {
        return QString();
    }
    QString host = listenAddress_.isNull() || listenAddress_ == QHostAddress::Any
                       ? QStringLiteral("0.0.0.0")
                       : listenAddress_.toString();
    return host + QLatin1Char(':') + QString::number(boundPort_);
}

void TcpLine::OnIncoming() {
    UniqueFd fd(::accept4(listenFd_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!fd.Valid()) {
        return;
    }
    if (inCall_ || offeredFd_.Valid() || dialFd_.Valid()) {
        return;  // busy: the caller sees the connection closed
    }
    offeredFd_ = std::move(fd);
    NotifyState(LineCallState::Offering);
}

bool TcpLine::Answer() {
    if (!offeredFd_.Valid()) {
        return false;
    }
    callFd_ = std::move(offeredFd_);
    inCall_ = true;
    LineMessage message;
    message.state = LineCallState::Connected;
    NotifyLater(message);
    return true;
}

bool TcpLine::MakeCall(const QString& number) {
    Drop();
    QString host = number.trimmed();
    dialPort_ = kDefaultPort;
    // "host:port", "[v6]:port" or a bare host.
    const int colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && host.indexOf(QLatin1Char(':')) == colon) {
        bool ok = false;
        const uint port = host.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535) {
            LogError("lineMakeCall", IDS_MODEM_ERR_INVALADDRESS);
            return false;
        }
        dialPort_ = quint16(port);
        host = host.left(colon);
    } else if (host.startsWith(QLatin1Char('[')) && host.contains(QStringLiteral("]:"))) {
        const int close = host.indexOf(QStringLiteral("]:"));
        dialPort_ = quint16(host.mid(close + 2).toUInt());
        host = host.mid(1, close - 1);
    }
    if (host.isEmpty()) {
        LogError("lineMakeCall", IDS_MODEM_ERR_INVALADDRESS);
        return false;
    }
    inCall_ = true;
    NotifyLater(LineMessage{LineMessageKind::CallState, LineCallState::Dialing});
    lookupId_ = QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) {
        lookupId_ = -1;
        OnLookedUp(info);
    });
    connectTimer_.start(kConnectTimeoutMs);
    return true;
}

void TcpLine::OnLookedUp(const QHostInfo& info) {
    if (!inCall_) {
        return;
    }
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        FailCall(DisconnectMode::BadAddress);
        return;
    }
    sockaddr_storage address;
    const socklen_t length = ToSockAddr(info.addresses().first(), dialPort_, address);
    dialFd_.Reset(::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!dialFd_.Valid()) {
        FailCall(DisconnectMode::Unavail);
        return;
    }
    if (::connect(dialFd_.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 &&
        errno != EINPROGRESS) {
        FailCall(errno == ECONNREFUSED ? DisconnectMode::Reject : DisconnectMode::Unreachable);
        return;
    }
    dialNotifier_ = std::make_unique<QSocketNotifier>(dialFd_.Get(), QSocketNotifier::Write);
    connect(dialNotifier_.get(), &QSocketNotifier::activated, this,
            [this] { OnConnectFinished(); });
}

void TcpLine::OnConnectFinished() {
    dialNotifier_.reset();
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(dialFd_.Get(), SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) {
        FailCall(error == ECONNREFUSED ? DisconnectMode::Reject : DisconnectMode::Unreachable);
        return;
    }
    connectTimer_.stop();
    callFd_ = std::move(dialFd_);
    NotifyState(LineCallState::Connected);
}

void TcpLine::FailCall(DisconnectMode mode) {
    Drop();
    NotifyState(LineCallState::Disconnected, mode);
}

void TcpLine::Drop() {
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    connectTimer_.stop();
    dialNotifier_.reset();
    dialFd_.Reset();
    offeredFd_.Reset();
    callFd_.Reset();
    inCall_ = false;
}

std::unique_ptr<CommPort> TcpLine::GetCommPort(const Clock& clock) {
    if (!callFd_.Valid()) {
        return nullptr;
    }
    const int yes = 1;
    setsockopt(callFd_.Get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    auto port = std::make_unique<CSerialComm>(clock, log_);
    port->SetCommHandle(callFd_.Release());
    return port;
}

}  // namespace korvex
