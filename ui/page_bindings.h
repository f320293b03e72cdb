// The binding tables of the two Camera Control pages: every control with its row, property and
// place.
#pragma once

#include <array>
#include <span>

namespace xkiv::ui {

// A rectangle in template units: left, top, width, height.
struct Place {
    int left;
    int top;
    int width;
    int height;
};

// What a bound control is and how it exchanges its value.
enum class BindKind {
    List,          // drop-down list; selection index is the property's value
    PositionList,  // drop-down list set through the camera object's position set
    EditU,         // unsigned numeric edit with its spin
    EditI,         // signed numeric edit with its spin
    Check,         // check box: clear 0, set 1
    Radio,         // one radio of a group; the property's value is the selected item
    NameEdit,      // read-only edit showing a text property
    Button,        // push button running an action of the page
};

// How a refresh may overwrite an edit the user is typing into.
enum class RefreshRule {
    Any,                 // as soon as the edit holds a character
    LongValue,           // only from the fifth character on
    Signed,              // a lone "-" stays
    SignedWhenNegative,  // as Signed while the range reaches below 0, else Any
};

// The actions of the pages' buttons.
enum class PageAction {
    None,
    AutoLineRate,
    AwbByExposure,
    AwbByGain,
    StartCalibration,
    ChangeName,
    SaveAberration,
    LoadAberration,
};

// One bound control. spin and caption are control ids (0: none); an edit's
// place holds the edit and its spin, the spin taking the last 9 units.
// hover is the row, or a negative hint number for a button. The control, its
// spin and its caption are enabled while the row's enable condition holds
// (a button without a row always is).
struct Binding {
    int id;
    const char* objectName;
    BindKind kind;
    const char* label;
    int row;
    const char* property;
    int hover;
    Place place;
    int spin;
    int caption;
    Place captionPlace;
    int item;  // radio: index in its group
    RefreshRule refresh;
    PageAction action;
    // What a screen reader calls the control when its label alone does not
    // say it (a column caption such as "Red"); null: the label.
    const char* spokenName = nullptr;
};

// A control that is not bound: frames, labels and the time texts.
enum class DecorationKind { Frame, Label, RightLabel, TimeText, CentredLabel };

struct Decoration {
    int id;  // 0 when nothing refers to it
    DecorationKind kind;
    const char* text;
    Place place;
    int enableRow = -1;  // a label enabled with the controls of this row
};

// The spin of an edit takes this many units at the right of the edit's place.
inline constexpr int kSpinWidth = 9;

struct PageTables {
    std::span<const Binding> bindings;
    std::span<const Decoration> decorations;
};

const PageTables& ControlPageTables();
const PageTables& CalibPageTables();

// The hint of a button's negative hover number, or null.
const char* ButtonHint(int hover);

}  // namespace xkiv::ui
