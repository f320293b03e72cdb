// The published dispatch and event interfaces, member by member, against the list hosts rely on.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "camera/parameter_table.h"
#include "control/dispatch_events.h"
#include "control/dispatch_properties.h"
#include "control/type_library.h"

namespace xkiv::control_test {
namespace {

const char* TypeName(automation::ParamType type) {
    switch (type) {
        case automation::ParamType::Long:
            return "long";
        case automation::ParamType::Bool:
            return "bool";
        case automation::ParamType::String:
            return "string";
        case automation::ParamType::LongRef:
            return "long*";
        case automation::ParamType::Void:
            return "void";
    }
    return "?";
}

void DumpInterface(const automation::InterfaceInfo& info, std::ostream& out) {
    out << "interface " << info.Name() << '\n';
    for (const automation::MemberInfo& member : info.Members()) {
        out << member.dispid << ' ' << member.name << ' '
            << (member.kind == automation::MemberKind::Property ? "property " : "method ")
            << TypeName(member.type) << '(';
        for (const automation::ParamInfo& param : member.params) {
            out << ' ' << param.name << ':' << TypeName(param.type);
        }
        out << " )" << (member.readOnly ? " read-only" : "")
            << (member.returnsResultCode ? " result-code" : "") << " \"" << member.help << "\"\n";
    }
}

// How each property and event is tied to its row: what the control does
// with a get or a set depends on these as much as on the published list.
void DumpRowTies(std::ostream& out) {
    for (const PropertyEntry& property : PropertyTable()) {
        out << "property " << property.dispid << " row " << Mnemonic(property.row) << '/'
            << property.row << " panel " << property.panel << " get "
            << static_cast<int>(property.get) << " set " << static_cast<int>(property.set)
            << (property.supportedOnly ? " supported-only" : "") << " fixed " << property.minimum
            << ".." << property.maximum << " follow " << static_cast<int>(property.followUp)
            << '\n';
    }
    for (int row = 0; row < kParameterCount; ++row) {
        out << "event-of-row " << row << ' ' << EventOfRow(row) << '\n';
    }
}

std::string Published() {
    std::ostringstream out;
    out << XKivTypeLibrary().name << ' ' << XKivTypeLibrary().majorVersion << '.'
        << XKivTypeLibrary().minorVersion << '\n';
    DumpInterface(DispatchInterface(), out);
    DumpInterface(EventInterface(), out);
    DumpRowTies(out);
    return out.str();
}

// The golden list was taken from the interface as it was published; a
// change to a dispid, name, type, parameter or help text breaks hosts.
TEST(PublishedInterfaceTest, MatchesTheGoldenList) {
    std::ifstream file(XKIV_PUBLISHED_INTERFACE);
    ASSERT_TRUE(file) << XKIV_PUBLISHED_INTERFACE;
    std::stringstream golden;
    golden << file.rdbuf();
    const std::string actual = Published();
    if (actual != golden.str()) {
        std::ofstream(std::string(XKIV_PUBLISHED_INTERFACE) + ".actual") << actual;
    }
    EXPECT_EQ(actual, golden.str()) << "actual list written beside the golden one (.actual)";
}

}  // namespace
}  // namespace xkiv::control_test
