// The dispatch and event interfaces as the type library lists them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "camera/parameter_table.h"
#include "control/dispatch_events.h"
#include "control/dispatch_methods.h"
#include "control/dispatch_properties.h"
#include "control/member_table.h"
#include "control/type_library.h"

namespace xkiv::control_test {
namespace {

// "Property" and the name's words: a capital starts a word unless it
// continues a run of capitals (FPGA, EEPROM), and digits form their own word.
std::string HelpFromName(const std::string& name) {
    std::string help = "Property";
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto at = [&](std::size_t k) { return static_cast<unsigned char>(name[k]); };
        const bool upper = std::isupper(at(i));
        const bool digit = std::isdigit(at(i));
        const bool afterLower = i > 0 && std::islower(at(i - 1));
        const bool acronymEnds =
            i > 0 && std::isupper(at(i - 1)) && i + 1 < name.size() && std::islower(at(i + 1));
        const bool digitStarts = digit && i > 0 && !std::isdigit(at(i - 1));
        if (i == 0 || (upper && (afterLower || acronymEnds)) || digitStarts) {
            help += ' ';
        }
        help += name[i];
    }
    return help;
}

TEST(DispatchInterfaceTest, EveryPropertyHasItsHelpText) {
    for (const PropertyEntry& property : PropertyTable()) {
        const std::string name = property.name;
        std::string expected = HelpFromName(name);
        if (name == "ShowControlWindow") {
            expected = "Property Show Exposure Window";
        } else if (name == "AberrationSelection") {
            expected = "Property Chromatic Aberration Selection";
        }
        EXPECT_EQ(property.help, expected) << name;
    }
    EXPECT_EQ(HelpFromName("TriggerModeString"), "Property Trigger Mode String");
}

TEST(DispatchInterfaceTest, ListsPropertiesAndMethodsOnce) {
    const automation::InterfaceInfo& dispatch = DispatchInterface();
    EXPECT_EQ(dispatch.Name(), "_DXKivRZ150LX");
    EXPECT_EQ(dispatch.Members().size(),
              PropertyTable().size() + MethodMembers().size() + QuestionMembers().size());
    std::set<automation::DispId> dispids;
    for (const automation::MemberInfo& member : dispatch.Members()) {
        EXPECT_TRUE(dispids.insert(member.dispid).second) << member.name;
    }
    EXPECT_EQ(dispatch.Find(82), nullptr);
    // Names are found without regard to case, as automation callers expect.
    ASSERT_NE(dispatch.Find("aberrationleftsidepixelredINDEX"), nullptr);
    EXPECT_EQ(dispatch.Find("aberrationleftsidepixelredINDEX")->dispid, 206);
}

TEST(DispatchInterfaceTest, MethodSignatures) {
    using automation::ParamType;
    using Params = std::vector<std::pair<std::string, ParamType>>;
    const struct {
        const char* name;
        ParamType result;
        Params params;
        const char* help;
    } cases[] = {
        {"CheckOnline", ParamType::Bool, {}, "Method Check Online"},
        {"AskCommPortString",
         ParamType::String,
         {{"nClass", ParamType::Long}, {"nIndex", ParamType::Long}},
         "Method Ask Comm Port String"},
        {"AutoSelectCommunication",
         ParamType::Long,
         {{"pnClass", ParamType::LongRef},
          {"pnPort", ParamType::LongRef},
          {"nShowProgressBar", ParamType::Long}},
         "Method Auto Select Communication"},
        {"DoOnePushShadingCorrection",
         ParamType::Long,
         {{"nType", ParamType::Long},
          {"pnResult", ParamType::LongRef},
          {"nShowResultMessage", ParamType::Long}},
         "Method Do One Push Shading Correction"},
        {"WriteChromaticAberrationToFile",
         ParamType::Long,
         {{"bstrFileName", ParamType::String}, {"nShowProgressBar", ParamType::Long}},
         "Method Write Chromatic Aberration To File"},
        {"AskAPFControlRange",
         ParamType::Long,
         {{"nMinMax", ParamType::Long}},
         "Method Ask APF Control Range"},
        {"AskTriggerModeString",
         ParamType::String,
         {{"nIndex", ParamType::Long}},
         "Method Ask Trigger Mode String"},
    };
    for (const auto& c : cases) {
        const automation::MemberInfo* method = DispatchInterface().Find(c.name);
        ASSERT_NE(method, nullptr) << c.name;
        EXPECT_EQ(method->kind, automation::MemberKind::Method) << c.name;
        EXPECT_EQ(method->type, c.result) << c.name;
        Params params;
        for (const automation::ParamInfo& param : method->params) {
            params.emplace_back(param.name, param.type);
        }
        EXPECT_EQ(params, c.params) << c.name;
        EXPECT_EQ(method->help, c.help) << c.name;
    }
}

// The published counts are held by the golden list of the published interface.
TEST(EventInterfaceTest, EventsNumberedFromOneWithoutArguments) {
    const automation::InterfaceInfo& events = EventInterface();
    EXPECT_EQ(events.Name(), "_DXKivRZ150LXEvents");
    const auto count = static_cast<automation::DispId>(events.Members().size());
    for (automation::DispId dispid = 1; dispid <= count; ++dispid) {
        const automation::MemberInfo* event = events.Find(dispid);
        ASSERT_NE(event, nullptr) << dispid;
        EXPECT_TRUE(event->params.empty());
        EXPECT_TRUE(event->name.ends_with("Changed")) << event->name;
    }
}

TEST(EventInterfaceTest, RowsMapToTheirEvents) {
    struct Case {
        int row;
        automation::DispId event;
    };
    for (const Case& c : {Case{row::VN, 6}, Case{row::TR, 11}, Case{row::AHRS, 22},
                          Case{row::ShadingType, 49}, Case{row::EA, 55}, Case{row::CABTB, 70}}) {
        EXPECT_EQ(EventOfRow(c.row), c.event) << c.row;
    }
    // Commands, the unlock code and the local EEPROM area have no event.
    for (const int r : std::initializer_list<int>{row::EB, row::ULCK, row::AR, row::CABR,
                                                  row::EepromArea, row::SA, -1, kParameterCount}) {
        EXPECT_EQ(EventOfRow(r), automation::kDispidUnknown) << r;
    }
    int rowEvents = 0;
    for (int r = 0; r < kParameterCount; ++r) {
        rowEvents += EventOfRow(r) != automation::kDispidUnknown;
    }
    // Every event but the five state events belongs to a row.
    EXPECT_EQ(rowEvents, static_cast<int>(EventTable().size()) - 5);
}

TEST(TypeLibraryTest, PublishedIdentities) {
    const automation::TypeLibraryInfo& library = XKivTypeLibrary();
    EXPECT_EQ(library.name, "XKivRZ150LXLib");
    EXPECT_EQ(library.majorVersion, 1);
    EXPECT_EQ(library.minorVersion, 26);
    EXPECT_EQ(kPersistedVersion, 0x0001001Au);
    EXPECT_EQ(library.dispatch, &DispatchInterface());
    EXPECT_EQ(library.events, &EventInterface());
    // The texts documented beside the constants.
    EXPECT_EQ(kTypeLibraryId.ToString(), "{FD3B0452-73C0-49E4-B49A-8764C7796432}");
    EXPECT_EQ(kDispatchInterfaceId.ToString(), "{3EB9587C-FD9F-40F6-87E5-8D185691715F}");
    EXPECT_EQ(kEventInterfaceId.ToString(), "{5AC48981-6E98-4398-9944-7FD3DD7606A8}");
    EXPECT_EQ(kControlClassId.ToString(), "{DC56EC68-16C6-4915-AD79-6AB08B938A30}");
    EXPECT_EQ(kPropertyPageClassId.ToString(), "{171F130E-9685-4F1C-A64D-AF2BBC2C0578}");
}

}  // namespace
}  // namespace xkiv::control_test
