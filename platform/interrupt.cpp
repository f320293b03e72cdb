// The interrupt request flag.
#include "platform/interrupt.h"

#include <csignal>

#include "platform/hot_path.h"

namespace xkiv {

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

}  // namespace

void RequestInterrupt() {
    interruptRequested = 1;
}

XKIV_HOT bool InterruptRequested() {
    return interruptRequested != 0;
}

void ClearInterrupt() {
    interruptRequested = 0;
}

}  // namespace xkiv
