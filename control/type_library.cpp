// The control's type library, built from the property, method and event tables.
#include "control/type_library.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "control/dispatch_methods.h"
#include "control/member_table.h"

namespace xkiv {

namespace {

using automation::MemberInfo;

// The properties in dispid order, then the methods and the questions merged
// in dispid order: the order hosts have always listed. The members are
// constant data; assembling them is one copy of a few hundred small records.
std::vector<MemberInfo> DispatchMembers() {
    const std::span<const MemberInfo> properties = PropertyMembers();
    const std::span<const MemberInfo> methods = MethodMembers();
    const std::span<const MemberInfo> questions = QuestionMembers();
    std::vector<MemberInfo> members;
    members.reserve(properties.size() + methods.size() + questions.size());
    members.insert(members.end(), properties.begin(), properties.end());
    std::merge(methods.begin(), methods.end(), questions.begin(), questions.end(),
               std::back_inserter(members),
               [](const MemberInfo& a, const MemberInfo& b) { return a.dispid < b.dispid; });
    return members;
}

}  // namespace

const automation::InterfaceInfo& DispatchInterface() {
    static const automation::InterfaceInfo dispatch(kDispatchInterfaceName, DispatchMembers());
    return dispatch;
}

const automation::InterfaceInfo& EventInterface() {
    static const automation::InterfaceInfo events =
        automation::InterfaceInfo::View(kEventInterfaceName, EventMembers());
    return events;
}

const automation::TypeLibraryInfo& XKivTypeLibrary() {
    static const automation::TypeLibraryInfo library{
        kTypeLibraryName,         kTypeLibraryId,       kTypeLibraryMajorVersion,
        kTypeLibraryMinorVersion, &DispatchInterface(), &EventInterface()};
    return library;
}

}  // namespace xkiv
