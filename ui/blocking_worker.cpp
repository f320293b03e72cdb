// The blocking-call thread: one call at a time, started on demand, joined at the end.
#include "ui/blocking_worker.h"

namespace xkiv::ui {

BlockingWorker::~BlockingWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BlockingWorker::Start(FunctionRef<void()> call, std::function<void()> done) {
    {
        std::lock_guard lock(mutex_);
        job_ = call;
        done_ = std::move(done);
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { Serve(); });
        }
    }
    wake_.notify_all();
}

void BlockingWorker::RunHere(FunctionRef<void()> call) {
    std::lock_guard calling(callMutex_);
    call();
}

void BlockingWorker::Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || job_.has_value(); });
        if (!job_) {
            return;
        }
        const FunctionRef<void()> job = *job_;
        std::function<void()> done = std::move(done_);
        job_.reset();
        lock.unlock();
        {
            std::lock_guard calling(callMutex_);
            job();
        }
        done();
        lock.lock();
    }
}

}  // namespace xkiv::ui
