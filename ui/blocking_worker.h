// The one thread on which the user interface's blocking calls (transport I/O, sleeps) run.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/function_ref.h"

namespace xkiv::ui {

// Runs calls one at a time on a long-lived thread of its own, started with
// the first call, so that every transport call happens on one thread.
// Nothing here knows Qt: the caller is told through done, on the worker.
class BlockingWorker {
public:
    BlockingWorker() = default;
    ~BlockingWorker();
    BlockingWorker(const BlockingWorker&) = delete;
    BlockingWorker& operator=(const BlockingWorker&) = delete;

    // Hands call to the worker and returns at once; done runs on the worker
    // after call has ended. call must stay alive until then. One call at a
    // time: the caller waits for done before it starts the next.
    void Start(FunctionRef<void()> call, std::function<void()> done);
    // Runs call on the calling thread once the worker's current call has
    // ended, so that two calls never overlap on the wire.
    void RunHere(FunctionRef<void()> call);

private:
    void Serve();

    std::mutex mutex_;  // guards job_, done_ and stopping_
    std::condition_variable wake_;
    std::optional<FunctionRef<void()>> job_;
    std::function<void()> done_;
    bool stopping_ = false;
    std::mutex callMutex_;  // held while a call runs, on whichever thread
    std::thread thread_;
};

}  // namespace xkiv::ui
