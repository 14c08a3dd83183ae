#pragma once

#include "modem/CommRx.h"

#include <vector>

namespace korvex::test {

// What one end's owner saw: messages read as they were announced, control codes, status
// codes and the other notifications.
struct OwnerRecord {
    struct Message {
        int type;
        std::vector<uint8_t> bytes;
    };
    std::vector<Message> messages;
    std::vector<int> controls;
    std::vector<int> statuses;
    int dataNotices = 0;
    int downs = 0;
    int aborts = 0;
    int readies = 0;

    // Acts like a program's window: reads each announced message and enables delivery again.
    void Attach(CCommRx& rx) {
        rx.EnableDelivery(true);
        QObject::connect(&rx, &CCommRx::commData, [this, &rx](int, int size) {
            ++dataNotices;
            std::vector<uint8_t> buffer(static_cast<size_t>(size));
            const ReceivedMessage got = rx.ReadMessage(buffer);
            if (!got.tooLarge && got.size == size_t(size)) {
                messages.push_back({got.type, std::move(buffer)});
            }
            rx.EnableDelivery(true);
        });
        QObject::connect(&rx, &CCommRx::commControl,
                         [this](int code) { controls.push_back(code); });
        QObject::connect(&rx, &CCommRx::commStatus,
                         [this](int status, const QString&) { statuses.push_back(status); });
        QObject::connect(&rx, &CCommRx::commDown, [this] { ++downs; });
        QObject::connect(&rx, &CCommRx::commAbort, [this] { ++aborts; });
        QObject::connect(&rx, &CCommRx::commReady, [this] { ++readies; });
    }
};

}  // namespace korvex::test
