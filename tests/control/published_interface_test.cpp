// The published dispatch and event interfaces, member by member, against the list hosts rely on.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "camera/camera.h"
#include "camera/parameter_table.h"
#include "control/dispatch_events.h"
#include "control/dispatch_method_families.h"
#include "control/dispatch_properties.h"
#include "control/type_library.h"
#include "platform/profile_store.h"
#include "tests/support/test_files.h"

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
        // The bounds a Fixed set clamps into (the row's own).
        const bool fixed = property.set == SetFamily::Fixed;
        out << "property " << property.dispid << " row " << Mnemonic(property.row) << '/'
            << property.row << " panel " << property.panel << " get "
            << static_cast<int>(property.get) << " set " << static_cast<int>(property.set)
            << (property.supportedOnly ? " supported-only" : "") << " fixed "
            << (fixed ? Entry(property.row).minimum : 0) << ".."
            << (fixed ? Entry(property.row).maximum : 0) << " follow "
            << static_cast<int>(property.followUp) << '\n';
    }
    for (int row = 0; row < kParameterCount; ++row) {
        out << "event-of-row " << row << ' ' << EventOfRow(row) << '\n';
    }
}

// The answers of the range and name questions for each model under the
// first-run values: constants of the interface and bounds of the rows.
void DumpQuestions(std::ostream& out) {
    test::TemporaryFolder folder("xkiv-published");
    ProfileStore profile(folder.Path() / "profile.ini");
    CCamera camera(profile);
    for (const char* model : {"RZ-130LX", "RZ-150LX", "RZ-130LX-FS", "RZ-150LX-HR"}) {
        (void)camera.SetValueText(row::MD, model);
        out << "model " << camera.Text(row::MD) << '\n';
        for (const automation::MemberInfo& member : DispatchInterface().Members()) {
            if (member.name.rfind("Ask", 0) != 0 || member.name.rfind("AskComm", 0) == 0) {
                continue;
            }
            out << member.name;
            for (std::int32_t argument : {-1, 0, 1, 2, 3}) {
                const auto answer =
                    method_families::AnswerRangeOrName(member.dispid, argument, camera);
                out << " | " << (answer ? answer->Describe() : std::string("none"));
            }
            out << '\n';
        }
    }
}

std::string Published() {
    std::ostringstream out;
    out << XKivTypeLibrary().name << ' ' << XKivTypeLibrary().majorVersion << '.'
        << XKivTypeLibrary().minorVersion << '\n';
    DumpInterface(DispatchInterface(), out);
    DumpInterface(EventInterface(), out);
    DumpRowTies(out);
    DumpQuestions(out);
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
