// Ending the program on SIGTERM, SIGINT and SIGHUP the way a normal close ends it.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <array>
#include <csignal>
#include <functional>

namespace xkiv::host {

// While it lives, SIGTERM (a logout, a service stop), SIGINT and SIGHUP no
// longer kill the process on the spot: the handler only writes the signal
// to a pipe, and onSignal runs on the Qt thread when the event loop reads
// it, so the program can end through its own orderly path. The signals are
// unblocked on the constructing thread; a SIGHUP ignored at start stays
// ignored. The previous handlers and mask come back when it is destroyed.
// One instance per process.
class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    static constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

private:
    static void Handler(int signal);
    void Drain();

    std::function<void(int)> onSignal_;
    std::array<int, 2> pipe_{-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    std::array<struct sigaction, kSignals.size()> previous_{};
    sigset_t previousMask_{};
};

}  // namespace xkiv::host
