// The scene backdrop as the ray-traced nodes see it: the backdrop and time
// services, or neither when the host process is a render node without them.
#pragma once

#include <cstdint>

#include "framework/vec3.h"
#include "hostapi/hostapi.h"

namespace orv {

struct Backdrop {
    const HostBackdropInfo *info = nullptr;
    const HostTimeInfo *time = nullptr;

    bool present() const { return info && time; }

    // The backdrop colour along a direction at the current time; black, and
    // no call, without the services.
    fw::Vec3 lookup(const fw::Vec3 &direction) const {
        fw::Vec3 color{0.0, 0.0, 0.0};
        if (present()) info->backdrop(time->time, direction.data(), color.data());
        return color;
    }
};

// Asks for "System ID" and, unless it names a render node, for the backdrop
// and then the time service. Returns an activation code; the backdrop is
// left without services when the system says so.
inline int acquireBackdrop(HostServiceLookup lookup, Backdrop &backdrop) {
    const auto system = static_cast<std::uint32_t>(
        reinterpret_cast<std::uintptr_t>(lookup(HOST_SYSTEMID_GLOBAL, HOST_GLOBAL_TRANSIENT)));
    if ((system & HOST_SYSTEMID_KIND_MASK) == HOST_SYSTEMID_RENDER_NODE) {
        backdrop = {};
        return HOST_AFUNC_OK;
    }
    Backdrop found;
    found.info = static_cast<const HostBackdropInfo *>(
        lookup(HOST_BACKDROPINFO_GLOBAL, HOST_GLOBAL_TRANSIENT));
    found.time =
        static_cast<const HostTimeInfo *>(lookup(HOST_TIMEINFO_GLOBAL, HOST_GLOBAL_TRANSIENT));
    if (!found.present()) return HOST_AFUNC_BADGLOBAL;
    backdrop = found;
    return HOST_AFUNC_OK;
}

}  // namespace orv
