#pragma once

namespace korvex {

// What the call control tells the user of a line about its call.
class CConnectionEvents {
public:
    virtual ~CConnectionEvents() = default;
    virtual void OnConnectionRing() = 0;
    virtual void OnConnectionUp() = 0;
    virtual void OnConnectionDown() = 0;
};

}  // namespace korvex
