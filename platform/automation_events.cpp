// The component runtime's events: connections of sinks and firing to them.
#include "platform/automation.h"

#include <vector>

namespace xkiv::automation {

std::uint32_t DispatchObject::Advise(EventSink& sink) {
    // Cookies count up so that the map's order is the order of connection;
    // 0 is never handed out, and a wrapped counter skips cookies in use.
    while (nextCookie_ == 0 || sinks_.contains(nextCookie_)) {
        ++nextCookie_;
    }
    const std::uint32_t cookie = nextCookie_++;
    sinks_.emplace(cookie, &sink);
    return cookie;
}

bool DispatchObject::Unadvise(std::uint32_t cookie) {
    return sinks_.erase(cookie) != 0;
}

void DispatchObject::FireEvent(DispId dispid) {
    // A sink may connect or disconnect sinks while it handles the event, so
    // the sinks connected now are walked by cookie and looked up again: a
    // sink removed meanwhile is skipped, one added meanwhile waits for the
    // next event.
    std::vector<std::uint32_t> cookies;
    cookies.reserve(sinks_.size());
    for (const auto& [cookie, sink] : sinks_) {
        cookies.push_back(cookie);
    }
    for (const std::uint32_t cookie : cookies) {
        const auto it = sinks_.find(cookie);
        if (it == sinks_.end()) {
            continue;
        }
        // An event is a notification: a sink that fails must neither keep
        // the later sinks from hearing it nor unwind through the component
        // that fired it.
        try {
            it->second->OnEvent(dispid);
        } catch (...) {
        }
    }
}

}  // namespace xkiv::automation
