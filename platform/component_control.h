// The container-facing base of a control: its site, window lifecycle and modified state.
#pragma once

#include <cstdint>

#include "platform/automation.h"

namespace xkiv::automation {

// What a container offers the control it holds: the parent window for the
// control's own window (null when the container has no windows, e.g. a
// command line).
class ControlSite {
public:
    virtual ~ControlSite() = default;
    virtual void* ParentWindow() = 0;
};

// A control as its container sees it: a dispatch object with events that
// creates and destroys its window on request and reports whether its stored
// state is out of date.
class ComponentControl : public DispatchObject {
public:
    // Creates the control's window in the site; false when that fails.
    virtual bool CreateControlWindow(ControlSite& site) = 0;
    // Destroys the window and everything that lives in it; harmless twice.
    virtual void DestroyControlWindow() = 0;

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

private:
    bool modified_ = false;
};

}  // namespace xkiv::automation
