// The communication front: owns the transports and the port selection.
#pragma once

#include <memory>
#include <string>

#include "comm/comm_abstract.h"
#include "comm/comm_link.h"
#include "comm/comm_port.h"
#include "platform/profile_store.h"

namespace xkiv {

// Owns one transport of each class for its whole life and uses one at a
// time. The selection (class 0 serial port, class 1 Camera Link; port index
// within the class, and the port's name) is loaded from the profile and
// validated against the transports' port lists when it is first needed (a
// run that chooses no port lists none), and written back at destruction when
// it was. A stored name found in the class's list selects that port whatever
// its index; else the index stands when it is in range. A
// stored name this run lacks (a USB adapter unplugged, a grabber's library
// missing) is kept, and with it the stored selection, until a port other than
// the one selected at start is chosen: a run that only used the stand-in
// writes nothing back. A serial list given for the run (XKIV_SERIAL_PORTS)
// is the user's choice, so the serial port used then is written back.
class CComm {
public:
    // The profile is borrowed and must outlive the front.
    explicit CComm(ProfileStore& profile);
    // For tests: the front over given transports; serialPortsGiven tells
    // whether the serial list is one given for the run.
    CComm(ProfileStore& profile, std::unique_ptr<CCommAbstract> comPort,
          std::unique_ptr<CCommAbstract> cameraLink, bool serialPortsGiven = false);
    CComm(const CComm&) = delete;
    CComm& operator=(const CComm&) = delete;
    // Closes the current transport and saves the selection.
    virtual ~CComm();

    int GetClass() const {
        ResolveSelection();
        return class_;
    }
    int GetPort() const {
        ResolveSelection();
        return port_;
    }
    // Number of usable classes: 1 when the serial class has ports, plus 1
    // when the Camera Link class has ports.
    int GetClassCount() const;
    std::string GetClassName(int commClass) const;
    std::string GetPortName(int commClass, int index) const;
    int GetPortCount(int commClass) const;

    // Closes the current transport, stores the selection and makes the
    // class's transport current; opens nothing.
    void Select(int commClass, int port);
    // Select, then opens the port on the class's transport.
    [[nodiscard]] ResultCode SelectAndOpen(int commClass, int port);

    CCommAbstract& Current() { return *current_; }
    CCommAbstract& Transport(int commClass);

protected:
    ProfileStore& Profile() { return profile_; }
    // Writes the selection to the profile where it differs from it: class,
    // port and the port's name; nothing while the stored selection is kept.
    // Flushing is left to the caller.
    void SaveSelection();

private:
    void ResolveSelection() const;
    void LoadSelection() const;
    // The index of the named port in the class's list, else -1.
    int FindPort(int commClass, const std::string& name) const;

    ProfileStore& profile_;
    bool serialPortsGiven_;
    // The stored selection, read and validated on first use.
    mutable bool selectionResolved_ = false;
    mutable int class_ = 0;
    mutable int port_ = 0;
    // The stored selection stands although this run uses another port.
    mutable bool keepStored_ = false;
    CCommAbstract* current_ = nullptr;
    std::unique_ptr<CCommAbstract> comPort_;
    std::unique_ptr<CCommAbstract> cameraLink_;
};

}  // namespace xkiv
