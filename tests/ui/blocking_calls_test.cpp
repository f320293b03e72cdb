// Blocking calls of the Qt user-interface services: away from the window thread, one at a time.
#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/qt_ui_services.h"

namespace xkiv::ui_test {
namespace {

// The call runs on the worker while the window thread serves its events; a
// call made from one of those events runs on the window thread, but only
// after the worker's call has ended.
TEST(BlockingCalls, RunBesideTheWindowsEventsAndNeverOverlap) {
    ui::QtUiServices services("test", [] { return nullptr; });
    const std::thread::id windowThread = std::this_thread::get_id();
    std::thread::id outerThread;
    std::thread::id innerThread;
    std::vector<std::string> steps;
    std::mutex mutex;
    std::condition_variable asked;
    bool innerAsked = false;
    services.RunBlocking([&] {
        outerThread = std::this_thread::get_id();
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                {
                    std::lock_guard lock(mutex);
                    innerAsked = true;
                }
                asked.notify_all();
                services.RunBlocking([&] {
                    innerThread = std::this_thread::get_id();
                    steps.push_back("inner");
                });
            },
            Qt::QueuedConnection);
        // Ends once the window thread has served the event above; bounded so
        // that a call run on the window thread fails instead of hanging.
        std::unique_lock lock(mutex);
        asked.wait_for(lock, std::chrono::seconds(30), [&] { return innerAsked; });
        steps.push_back("outer");
    });
    EXPECT_NE(outerThread, windowThread);
    EXPECT_EQ(innerThread, windowThread);
    EXPECT_EQ(steps, (std::vector<std::string>{"outer", "inner"}));
}

}  // namespace
}  // namespace xkiv::ui_test
