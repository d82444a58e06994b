// Shared by the library's tests: an OnChange handler that counts its calls
// and keeps the last sender.
#pragma once

#include "platform/TypInfo.h"

struct Counter {
    int calls = 0;
    platform::TObject *sender = nullptr;
    platform::TNotifyEvent Handler()
    {
        return platform::TNotifyEvent::FromFunction([this](platform::TObject *s) {
            ++calls;
            sender = s;
        });
    }
};
