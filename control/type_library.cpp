// The control's type library, built from the property, method and event tables.
#include "control/type_library.h"

#include <vector>

#include "control/dispatch_events.h"
#include "control/dispatch_methods.h"
#include "control/dispatch_properties.h"

namespace xkiv {

namespace {

using automation::MemberInfo;
using automation::MemberKind;
using automation::ParamType;

std::vector<MemberInfo> DispatchMembers() {
    std::vector<MemberInfo> members;
    for (const PropertyEntry& property : PropertyTable()) {
        members.push_back({property.dispid,
                           property.name,
                           MemberKind::Property,
                           property.type,
                           {},
                           property.set == SetFamily::ReadOnly,
                           property.help});
    }
    const std::vector<MemberInfo>& methods = MethodMembers();
    members.insert(members.end(), methods.begin(), methods.end());
    return members;
}

std::vector<MemberInfo> EventMembers() {
    std::vector<MemberInfo> members;
    for (const EventEntry& event : EventTable()) {
        members.push_back({event.dispid,
                           event.name,
                           MemberKind::Method,
                           ParamType::Void,
                           {},
                           false,
                           std::string()});
    }
    return members;
}

}  // namespace

const automation::InterfaceInfo& DispatchInterface() {
    static const automation::InterfaceInfo dispatch(kDispatchInterfaceName, DispatchMembers());
    return dispatch;
}

const automation::InterfaceInfo& EventInterface() {
    static const automation::InterfaceInfo events(kEventInterfaceName, EventMembers());
    return events;
}

const automation::TypeLibraryInfo& XKivTypeLibrary() {
    static const automation::TypeLibraryInfo library{
        kTypeLibraryName,         kTypeLibraryId,       kTypeLibraryMajorVersion,
        kTypeLibraryMinorVersion, &DispatchInterface(), &EventInterface()};
    return library;
}

}  // namespace xkiv
