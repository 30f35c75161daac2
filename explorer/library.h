// What the loaded library holds for the add-in's whole life: the platform services, the
// module state of the softphone integration and the deferral timers. It lives with the
// window handlers, the lowest layer that uses all three; the connect class above hands it on.
#pragma once

#include "platform/services.h"
#include "softphone/common.h"
#include "timers/timer_manager.h"

namespace tessaly {

struct Library {
    explicit Library(platform::Services s)
        : services(s), common(services), timers(services.timers) {}
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    platform::Services services;
    softphone::Common common;
    timers::TimerManager timers;
};

}  // namespace tessaly
