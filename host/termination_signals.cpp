// The self-pipe that turns termination signals into a call on the Qt thread.
#include "host/termination_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>

namespace xkiv::host {

namespace {

// The pipe's write end for the handler; -1 while no instance lives.
volatile std::sig_atomic_t writeEnd = -1;

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (::pipe2(pipe_.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    writeEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
    struct sigaction action {};
    action.sa_handler = &TerminationSignals::Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t ours;
    sigemptyset(&ours);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], nullptr, &previous_[i]);
        // A hang-up ignored at start (nohup) stays ignored: whoever started
        // the program asked it to outlive its terminal.
        if (kSignals[i] == SIGHUP && previous_[i].sa_handler == SIG_IGN) {
            continue;
        }
        sigaction(kSignals[i], &action, nullptr);
        sigaddset(&ours, kSignals[i]);
    }
    // A blocked mask is inherited across exec; a starter that blocked one of
    // these would otherwise leave the signal pending for ever.
    pthread_sigmask(SIG_UNBLOCK, &ours, &previousMask_);
}

TerminationSignals::~TerminationSignals() {
    if (pipe_[0] < 0) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &previous_[i], nullptr);
    }
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    writeEnd = -1;
    delete notifier_;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void TerminationSignals::Handler(int signal) {
    // Only what is safe in a signal handler: one write, errno kept.
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (writeEnd >= 0) {
        (void)!::write(writeEnd, &number, 1);
    }
    errno = savedErrno;
}

void TerminationSignals::Drain() {
    unsigned char numbers[16];
    ssize_t count = 0;
    while ((count = ::read(pipe_[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            onSignal_(numbers[i]);
        }
    }
}

}  // namespace xkiv::host
