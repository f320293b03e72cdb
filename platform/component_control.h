// The container-facing base of a control: its site, window lifecycle and modified state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// A rectangle of the container's window, in its pixels.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// What a container lets a control draw on when it asks the control to draw
// itself: white fill, an ellipse with the current pen, and a single line of
// text centred in a rectangle.
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;
    virtual void FillWhite(const Bounds& bounds) = 0;
    virtual void Ellipse(const Bounds& bounds) = 0;
    virtual void DrawCentredText(const Bounds& bounds, const std::string& text) = 0;
};

// The standard verbs a container offers on a control.
enum class Verb { Edit, Properties };

class PropertyPage;

// A control as its container sees it: a dispatch object with events that
// creates and destroys its window on request and reports whether its stored
// state is out of date.
class ComponentControl : public DispatchObject {
public:
    // Creates the control's window in the site; false when that fails.
    virtual bool CreateControlWindow(ControlSite& site) = 0;
    // Destroys the window and everything that lives in it; harmless twice.
    virtual void DestroyControlWindow() = 0;

    // Draws the control into bounds when the container asks (for example a
    // designer before the window exists). Nothing by default.
    virtual void Draw(DrawingSurface& /*surface*/, const Bounds& /*bounds*/) {}
    // The size the control asks for when placed, in pixels.
    virtual Bounds InitialSize() const { return {}; }
    // The verbs the control offers, and running one; false when it is not offered.
    virtual std::vector<Verb> Verbs() const { return {}; }
    virtual bool DoVerb(Verb /*verb*/) { return false; }
    // The class identifiers of the control's property pages.
    virtual std::vector<Guid> PropertyPages() const { return {}; }
    // The object as a property page, when it is one (created by the page's
    // class identifier); null for a control.
    virtual PropertyPage* AsPropertyPage() { return nullptr; }

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

private:
    bool modified_ = false;
};

// A property page as its frame sees it: it edits properties of one object
// through that object's dispatch interface, by name.
class PropertyPage {
public:
    virtual ~PropertyPage() = default;
    // The page's caption (its tab in a frame).
    virtual std::string Title() const = 0;
    // The object whose properties the page shows (borrowed); reads them.
    virtual void SetObject(DispatchObject* object) = 0;
    // Creates the page's window inside parentWindow; false when that fails.
    virtual bool CreatePageWindow(void* parentWindow) = 0;
    virtual void* PageWindow() = 0;
    // Writes the page's values to the object.
    virtual void Apply() = 0;
};

}  // namespace xkiv::automation
