// Serves a simulated camera on a pseudo-terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace xkiv::sim {

class SimCamera;

// What camera the simulator emulates and how its one-push commands behave.
struct CameraConfig {
    std::string model = "RZ-130LX";  // RZ-130LX, RZ-150LX, RZ-130LX-FS, RZ-150LX-HR or any text
    int firmware = -1;               // VN; -1 picks the newest known for the model
    int fpga = 10;                   // PV
    std::string cameraId = "SIM0001";
    std::string userId;
    int unlockCode = 7381;                      // ULCK value that allows one UD set
    int onePushMs = 300;                        // how long a one-push command runs
    int onePushResult = 1;                      // result row value when it ends (1 = Succeeded)
    std::map<std::string, int> onePushResults;  // per command mnemonic, overrides onePushResult
};

// How the line between the simulated camera and the client misbehaves.
struct LineConfig {
    bool baudPace = false;      // 9600 baud 8N1 byte timing both ways
    int dropEvery = 0;          // leave every N-th answer unsent (0 = never)
    int garbleEvery = 0;        // corrupt every N-th answer (0 = never)
    bool echo = false;          // echo every command line before answering
    std::size_t chunkSize = 0;  // send answers in chunks of this many bytes (0 = whole)
    int chunkPauseMs = 20;      // pause between two chunks
    int silentAfter = 0;        // answer nothing after N commands (0 = never)
    std::string logFile;        // append every received line here
    std::string linkPath;       // stable symlink to the device
};

// Where the exchange with the client stands once the simulator has caught up with it.
struct LineState {
    // The client waits in vain: the last line received got no answer (a dropped answer, a
    // camera fallen silent), or half a line still waits for its end.
    bool silent = false;
    // When the last line arrived; the clock's epoch while none has.
    std::chrono::steady_clock::time_point lastLine{};
};

// A simulated camera on the master side of a pseudo-terminal. The client
// opens DevicePath() like any serial device. Start() serves in a background
// thread (tests, benchmarks); Run() serves in the calling thread until Stop()
// or a signal-driven stop flag (the rzcam-sim program).
class SimServer {
public:
    // Creates the pseudo-terminal; null with error set on failure. The clock times the
    // one-push commands; it is borrowed and must outlive the server.
    static std::unique_ptr<SimServer> Create(const CameraConfig& camera, const LineConfig& line,
                                             std::string* error = nullptr,
                                             Clock& clock = SystemClock());
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // The slave device path, e.g. /dev/pts/5, or the link path when given.
    const std::string& DevicePath() const;
    // The slave device path itself, also when a link is given.
    const std::string& PtyPath() const;

    // Starts the serving thread; false when the server is already serving or the thread
    // cannot be started.
    bool Start();
    // Serves until Stop() or until *stopFlag becomes true. SIGINT and SIGTERM are unblocked
    // while Run() waits, so a caller that blocks them and sets the flag in their handler is
    // woken at once and never misses the signal.
    void Run(const volatile bool* stopFlag = nullptr);
    // Ends serving and joins the serving thread; harmless when not serving.
    void Stop();

    // Simulates a pulled cable: from now on nothing is received or answered. The master side
    // is closed, so the line goes dead for the client: poll() on its descriptor reports
    // POLLHUP, read() returns 0 (end of file) and write() fails with EIO; the device path
    // (and the link's target) disappears, so reopening it fails. The pseudo-terminal's number
    // stays reserved until the server is destroyed, so no other terminal takes its place.
    // Returns once the line is dead.
    void PullCable();
    // Calls gate on the serving thread with each received line before it is
    // answered (or left unanswered); while gate runs, nothing is served, so a
    // test decides when the answer goes. An empty gate turns it off.
    void SetLineGate(std::function<void(const std::string& line)> gate);
    // Runs fn with the camera state locked against the serving thread.
    void WithCamera(const std::function<void(SimCamera&)>& fn);
    // Every line received so far, without CR LF.
    std::vector<std::string> ReceivedLines() const;
    // Waits until the simulator has caught up with its client: every byte the client has
    // written is read, every complete line handled (paced lines once their wire time has
    // passed), and everything sent for them is readable on the client's side. Returns at
    // once when the server is not serving. Tests decide by it what the camera has done
    // instead of waiting a while.
    LineState WaitIdle() const;
    // Waits until at least count lines have arrived, or serving ends; how many have.
    std::size_t WaitReceived(std::size_t count) const;

private:
    struct Impl;
    explicit SimServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace xkiv::sim
