#pragma once

namespace korvex {

// Call states a line reports, named as telephony names them.
enum class LineCallState {
    Offering,
    Accepted,
    Dialtone,
    Dialing,
    Ringback,
    Busy,
    Proceeding,
    Connected,
    Disconnected,
    Idle,
    Unknown,
};

// Why a call was disconnected.
enum class DisconnectMode {
    Normal,
    Unknown,
    Reject,
    Pickup,
    Forwarded,
    Busy,
    NoAnswer,
    BadAddress,
    Unreachable,
    Congestion,
    Incompatible,
    Unavail,
    NoDialtone,
};

enum class DialtoneMode { Normal, Unavail, Unknown };

enum class LineMessageKind { CallState, LineClose, Reply };

// One notification of a line: a new call state (with its reason or dial-tone mode), the
// line closing, or the failed result of an operation that finished later.
struct LineMessage {
    LineMessageKind kind = LineMessageKind::CallState;
    LineCallState state = LineCallState::Unknown;
    DisconnectMode disconnectMode = DisconnectMode::Normal;
    DialtoneMode dialtoneMode = DialtoneMode::Normal;
    // For LineMessageKind::Reply: the string id of the error text, 0 for success.
    int errorTextId = 0;
};

// Receives every notification of the line it uses.
class CTapiLineUser {
public:
    virtual ~CTapiLineUser() = default;
    virtual void VOnCallbackProc(const LineMessage& message) = 0;
};

}  // namespace korvex
