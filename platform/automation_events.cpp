// The component runtime's events: connections of sinks and firing to them.
#include "platform/automation.h"

#include <array>
#include <span>
#include <vector>

#include "platform/hot_path.h"

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

namespace {

// An event is a notification: a sink that fails must neither keep the later
// sinks from hearing it nor unwind through the component that fired it.
XKIV_HOT void Notify(EventSink& sink, DispId dispid) {
    try {
        sink.OnEvent(dispid);
    } catch (...) {
    }
}

}  // namespace

XKIV_HOT void DispatchObject::FireEvent(DispId dispid) {
    // One sink, the usual case, is called straight away: whatever it
    // connects or disconnects meanwhile, nothing here is looked at after it.
    if (sinks_.size() == 1) {
        Notify(*sinks_.begin()->second, dispid);
        return;
    }
    // A sink may connect or disconnect sinks while it handles the event, so
    // the sinks connected now are walked by cookie and looked up again: a
    // sink removed meanwhile is skipped, one added meanwhile waits for the
    // next event. The cookies of the usual few sinks are kept on the stack:
    // events fire at every exchange.
    constexpr std::size_t kFewSinks = 8;
    std::array<std::uint32_t, kFewSinks> few{};
    std::vector<std::uint32_t> many(sinks_.size() > kFewSinks ? sinks_.size() : 0);
    const std::span<std::uint32_t> cookies =
        many.empty() ? std::span(few).first(sinks_.size()) : std::span(many);
    std::size_t taken = 0;
    for (const auto& [cookie, sink] : sinks_) {
        cookies[taken++] = cookie;
    }
    for (const std::uint32_t cookie : cookies) {
        const auto it = sinks_.find(cookie);
        if (it == sinks_.end()) {
            continue;
        }
        Notify(*it->second, dispid);
    }
}

}  // namespace xkiv::automation
