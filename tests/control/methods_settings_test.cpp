// The question, status, settings-area, bulk and file methods, and the method descriptions.
#include <algorithm>
#include <fstream>
#include <set>

#include <gmock/gmock.h>

#include "control/dispatch_methods.h"
#include "control/type_library.h"
#include "sim/sim_camera.h"
#include "tests/control/methods_sim_fixture.h"

namespace xkiv::test {
namespace {

using automation::Variant;
// Not ParamType: inside a parameterised test that names the test parameter.
using Kind = automation::ParamType;

const automation::MemberInfo* FindMember(const std::string& name) {
    const automation::MemberInfo* member = DispatchInterface().Find(name);
    return member != nullptr && member->kind == automation::MemberKind::Method ? member : nullptr;
}

// The methods of the dispatch interface: the method table's and the member
// table's questions, merged.
std::vector<automation::MemberInfo> Methods() {
    std::vector<automation::MemberInfo> methods;
    for (const automation::MemberInfo& member : DispatchInterface().Members()) {
        if (member.kind == automation::MemberKind::Method) {
            methods.push_back(member);
        }
    }
    return methods;
}

TEST(MethodMembersTest, ListsEveryMethodOnceInDispidOrder) {
    const std::vector<automation::MemberInfo> members = Methods();
    std::set<automation::DispId> dispids;
    std::set<std::string> names;
    for (const automation::MemberInfo& member : members) {
        dispids.insert(member.dispid);
        names.emplace(member.name);
        EXPECT_EQ(member.kind, automation::MemberKind::Method) << member.name;
    }
    EXPECT_EQ(dispids.size(), members.size());
    EXPECT_EQ(names.size(), members.size());
    EXPECT_TRUE(std::is_sorted(members.begin(), members.end(),
                               [](const auto& a, const auto& b) { return a.dispid < b.dispid; }));
}

struct MemberCase {
    const char* name;
    automation::DispId dispid;
    Kind result;
    std::vector<std::pair<std::string, Kind>> params;
    const char* help;
};

class MethodMemberTest : public ::testing::TestWithParam<MemberCase> {};

TEST_P(MethodMemberTest, DescribesTheMethodAsTheTypeLibraryDoes) {
    const MemberCase& expected = GetParam();
    const automation::MemberInfo* member = FindMember(expected.name);
    ASSERT_NE(member, nullptr) << expected.name;
    EXPECT_EQ(member->dispid, expected.dispid);
    EXPECT_EQ(member->type, expected.result);
    std::vector<std::pair<std::string, Kind>> params;
    for (const automation::ParamInfo& param : member->params) {
        params.emplace_back(param.name, param.type);
    }
    EXPECT_EQ(params, expected.params);
    EXPECT_EQ(member->help, expected.help);
}

INSTANTIATE_TEST_SUITE_P(
    Members, MethodMemberTest,
    ::testing::Values(
        MemberCase{
            "CheckModelAsRZ150LX_HR", 106, Kind::Bool, {}, "Method Check Model As RZ150LX_HR"},
        MemberCase{"AutoSelectCommunication",
                   112,
                   Kind::Long,
                   {{"pnClass", Kind::LongRef},
                    {"pnPort", Kind::LongRef},
                    {"nShowProgressBar", Kind::Long}},
                   "Method Auto Select Communication"},
        MemberCase{"AskCommPortString",
                   110,
                   Kind::String,
                   {{"nClass", Kind::Long}, {"nIndex", Kind::Long}},
                   "Method Ask Comm Port String"},
        MemberCase{"ReadAllFromFile",
                   115,
                   Kind::Long,
                   {{"bstrFileName", Kind::String}},
                   "Method Read All From File"},
        MemberCase{"ReadCurrentEEPROMAreaString",
                   123,
                   Kind::String,
                   {},
                   "Method Read Current EEPROM Area String"},
        MemberCase{"AskAPFControlRange",
                   195,
                   Kind::Long,
                   {{"nMinMax", Kind::Long}},
                   "Method Ask APF Control Range"},
        MemberCase{"AskAberrationLeftSidePixelString",
                   209,
                   Kind::String,
                   {{"nIndex", Kind::Long}},
                   "Method Ask Aberration Left Side Pixel String"},
        MemberCase{"DoOnePushShadingCorrection",
                   183,
                   Kind::Long,
                   {{"nType", Kind::Long},
                    {"pnResult", Kind::LongRef},
                    {"nShowResultMessage", Kind::Long}},
                   "Method Do One Push Shading Correction"},
        MemberCase{"DoOnePushAWBShutter",
                   181,
                   Kind::Long,
                   {{"pnResult", Kind::LongRef}, {"nShowResultMessage", Kind::Long}},
                   "Method Do One Push AWB Shutter"},
        MemberCase{"WriteChromaticAberrationToFile",
                   198,
                   Kind::Long,
                   {{"bstrFileName", Kind::String}, {"nShowProgressBar", Kind::Long}},
                   "Method Write Chromatic Aberration To File"}));

// Range and name questions against local values: an RZ-130LX reading out a
// part of the sensor, with individual gains.
struct QuestionCase {
    const char* method;
    std::int32_t argument;
    Variant expected;
};

const QuestionCase kFamilyQuestions[] = {
    // ranges
    QuestionCase{"AskLineRateRange", 0, Variant::Long(1609)},
    QuestionCase{"AskLineRateRange", 1, Variant::Long(823296)},
    QuestionCase{"AskExposureRange", 0, Variant::Long(800)},
    QuestionCase{"AskExposureRange", -7, Variant::Long(1056720)},
    QuestionCase{"AskMasterGainRange", 0, Variant::Long(-402)},
    QuestionCase{"AskMasterGainRange", 1, Variant::Long(1404)},
    QuestionCase{"AskAutoResetModeRange", 1, Variant::Long(1)},
    QuestionCase{"AskEEPROMAreaRange", 1, Variant::Long(2)},
    QuestionCase{"AskKneeSlopeRange", 1, Variant::Long(65535)},
    QuestionCase{"AskChromaticAberrationRange", 0, Variant::Long(-32768)},
    QuestionCase{"AskChromaticAberrationRange", 1, Variant::Long(32768)},
    QuestionCase{"AskAberrationLeftSidePixelRange", 0, Variant::Long(-3)},
    QuestionCase{"AskAberrationLeftSidePixelIndex", 1, Variant::Long(6)},
    QuestionCase{"AskAberrationThirdPixelRedRange", 0, Variant::Long(1)},
    QuestionCase{"AskAberrationAreaNumberBlueRange", 1, Variant::Long(8)},
    // names
    QuestionCase{"AskTestPatternString", 4, Variant::String("White")},
    QuestionCase{"AskTestPatternString", 5, Variant::String("")},
    QuestionCase{"AskTestPatternString", -1, Variant::String("")},
    QuestionCase{"AskTriggerPolarityString", 1, Variant::String("Acitve High")},
    QuestionCase{"AskEEPROMAreaString", 1, Variant::String("User1 Area")},
    QuestionCase{"AskOnePushResultString", 2, Variant::String("Too Bright")},
    QuestionCase{"AskShadingCorrectionRecalibrationTypeString", 1, Variant::String("Color")},
    QuestionCase{"AskAberrationLeftSidePixelString", 0, Variant::String("L3")}};

// The questions only read, so one control answers them all.
TEST_F(MethodsTest, FamilyQuestionsAnswerFromTheLocalValues) {
    CXKivRZ150LXCtrl& control = MakeControl({});
    (void)control.SetValueText(row::MD, "RZ-130LX");
    (void)control.SetValue(row::SRO, 1, false, false);
    (void)control.SetValue(row::GM, 1, false, false);
    events_.events.clear();

    for (const QuestionCase& question : kFamilyQuestions) {
        EXPECT_EQ(Call(question.method, {Variant::Long(question.argument)}), question.expected)
            << question.method << "(" << question.argument << ")";
    }
    EXPECT_TRUE(events_.events.empty());
}

struct ModelCase {
    const char* model;
    bool rz130lx;
    bool rz150lx;
    bool rz150lxHr;
};

class ModelCheckTest : public MethodsTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ModelCheckTest, NamesOnlyTheExactModel) {
    const ModelCase& model = GetParam();
    ConnectedTo(StartSim(Model(model.model)));

    EXPECT_EQ(Call("CheckModelAsRZ130LX"), Variant::Bool(model.rz130lx));
    EXPECT_EQ(Call("CheckModelAsRZ150LX"), Variant::Bool(model.rz150lx));
    EXPECT_EQ(Call("CheckModelAsRZ150LX_HR"), Variant::Bool(model.rz150lxHr));
    EXPECT_EQ(Call("CheckOnline"), Variant::Bool(true));
    EXPECT_EQ(Call("CheckSynchronized"), Variant::Bool(false));
    EXPECT_EQ(Call("CheckSending"), Variant::Bool(false));
}

INSTANTIATE_TEST_SUITE_P(Models, ModelCheckTest,
                         ::testing::Values(ModelCase{"RZ-130LX", true, false, false},
                                           ModelCase{"RZ-150LX", false, true, false},
                                           ModelCase{"RZ-150LX-HR", false, false, true},
                                           ModelCase{"RZ-130LX-FS", false, false, false}));

class SettingsMethodsTest : public MethodsTest {};

TEST_F(SettingsMethodsTest, AMemberThatIsNoMethodIsRefused) {
    CXKivRZ150LXCtrl& control = MakeControl({});
    const automation::MemberInfo property{
        1, "Foreign", automation::MemberKind::Property, Kind::Long, {}, false, ""};
    std::vector<Variant> args;

    EXPECT_THROW(control.Methods().Invoke(property, args), automation::AutomationException);
}

TEST_F(SettingsMethodsTest, CurrentAreaOfflineIsTheStoredValue) {
    CXKivRZ150LXCtrl& control = MakeControl({});
    (void)control.SetValue(row::EA, 2, false, false);

    EXPECT_EQ(Call("ReadCurrentEEPROMArea"), Variant::Long(2));
    EXPECT_EQ(Call("ReadCurrentEEPROMAreaString"), Variant::String("User2 Area"));
    EXPECT_TRUE(events_.events.empty());
}

TEST_F(SettingsMethodsTest, CurrentAreaOnlineIsReadFromTheCamera) {
    sim::SimServer& server = StartSim(Model("RZ-150LX"));
    server.WithCamera([](sim::SimCamera& camera) { camera.SetValue(row::EA, 1); });
    ConnectedTo(server);

    EXPECT_EQ(Call("ReadCurrentEEPROMArea"), Variant::Long(1));
    EXPECT_EQ(Call("ReadCurrentEEPROMAreaString"), Variant::String("User1 Area"));
    const std::vector<std::string> lines = server.ReceivedLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "EA?"), 2);
    EXPECT_EQ(events_.Count(kOnlineEvent), 0);
}

TEST_F(SettingsMethodsTest, LoadSettingsLoadsTheAreaReadsEverythingAndSendsTheTestPattern) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    (void)control.SetValue(row::EepromArea, 2, false, false);
    const std::size_t mark = server.ReceivedLines().size();

    EXPECT_EQ(Call("LoadSettings"), Variant::Long(rc::kOk));

    const std::vector<std::string> lines = LinesSince(server, mark);
    ASSERT_GE(lines.size(), 3U);
    EXPECT_EQ(lines.front(), "LD=2");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "EA?"), lines.end());
    EXPECT_EQ(lines.back(), "TS=" + std::to_string(control.Value(row::TS)));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("TS=", 0) == 0; }),
              1);
    EXPECT_TRUE(control.IsSynchronized());
}

TEST_F(SettingsMethodsTest, StoreSettingsSendsTheSelectedArea) {
    sim::SimServer& server = StartSim(Model("RZ-150LX"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);
    (void)control.SetValue(row::EepromArea, 1, false, false);
    const std::size_t mark = server.ReceivedLines().size();

    EXPECT_EQ(Call("StoreSettings"), Variant::Long(rc::kOk));

    EXPECT_EQ(LinesSince(server, mark), std::vector<std::string>{"SA=1"});
}

// Every method that forwards to the camera object returns the offline code
// instead of raising it.
struct OfflineCase {
    const char* method;
    bool withFile;
    bool withProgressFlag;
};

class OfflineMethodTest : public MethodsTest, public ::testing::WithParamInterface<OfflineCase> {};

TEST_P(OfflineMethodTest, ReturnsTheOfflineCode) {
    MakeControl({});
    const OfflineCase& test = GetParam();
    // A setup file of the right family, so that applying it reaches the
    // first row that must be sent.
    const std::string file = (dir_ / "input.cam").string();
    EXPECT_EQ(Call("WriteAllToFile", {Variant::String(file)}), Variant::Long(rc::kOk));
    std::vector<Variant> args;
    if (test.withFile) {
        args.push_back(Variant::String(file));
    }
    if (test.withProgressFlag) {
        args.push_back(Variant::Long(1));
    }

    EXPECT_EQ(Call(test.method, args), Variant::Long(rc::kOffline)) << test.method;
}

INSTANTIATE_TEST_SUITE_P(
    Methods, OfflineMethodTest,
    ::testing::Values(OfflineCase{"ReadAllFromCamera", false, false},
                      OfflineCase{"WriteAllToCamera", false, false},
                      OfflineCase{"ReadAllFromFile", true, false},
                      OfflineCase{"WriteCameraDataToFile", true, false},
                      OfflineCase{"LoadSettings", false, false},
                      OfflineCase{"StoreSettings", false, false},
                      OfflineCase{"ReadChromaticAberrationFromFile", true, true},
                      OfflineCase{"WriteChromaticAberrationToFile", true, true}));

class FileMethodsTest : public MethodsTest {};

TEST_F(FileMethodsTest, AFileThatCannotBeWrittenRaisesAPathError) {
    MakeControl({});
    // A folder cannot be made below a plain file.
    const std::filesystem::path blocker = dir_ / "plain-file";
    std::ofstream(blocker) << "x";

    const automation::AutomationError error =
        CallRaising("WriteAllToFile", {Variant::String((blocker / "settings.cam").string())});

    EXPECT_EQ(error.code, automation::kPathFileAccessError);
    EXPECT_EQ(error.description, GetErrorText(rc::kFileAccess));
}

TEST_F(FileMethodsTest, ASetupFileOfAnotherFamilyRaisesAPathError) {
    MakeControl({});
    const std::filesystem::path file = dir_ / "other.cam";
    std::ofstream(file) << "[General]\nModelName=RZ-130LX\n";

    const automation::AutomationError error =
        CallRaising("ReadAllFromFile", {Variant::String(file.string())});

    EXPECT_EQ(error.code, automation::kPathFileAccessError);
    EXPECT_EQ(error.description, GetErrorText(rc::kUnmatchedFile));
}

TEST_F(FileMethodsTest, AberrationTransferRoundTripsAndAMissingFileRaises) {
    sim::SimServer& server = StartSim(Model("RZ-130LX"));
    ConnectedTo(server);
    const std::string file = (dir_ / "aberration.csv").string();

    EXPECT_EQ(Call("WriteChromaticAberrationToFile", {Variant::String(file), Variant::Long(0)}),
              Variant::Long(rc::kOk));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(ui_.StepCount(), 0);
    EXPECT_EQ(Call("ReadChromaticAberrationFromFile", {Variant::String(file), Variant::Long(1)}),
              Variant::Long(rc::kOk));
    EXPECT_EQ(ui_.StepCount(), 224);

    const automation::AutomationError error =
        CallRaising("ReadChromaticAberrationFromFile",
                    {Variant::String((dir_ / "missing.csv").string()), Variant::Long(0)});
    EXPECT_EQ(error.code, automation::kPathFileAccessError);
}

// A camera that refuses a value part-way keeps the values it took before:
// the error says so.
struct PartialCase {
    const char* write;
    const char* read;
    const char* file;
};

class PartialUpdateTest : public MethodsTest, public ::testing::WithParamInterface<PartialCase> {};

TEST_P(PartialUpdateTest, ErrorSaysTheCameraHoldsAPartialUpdate) {
    const PartialCase& c = GetParam();
    const std::string file = (dir_ / c.file).string();
    sim::SimServer& source = StartSim(Model("RZ-130LX"));
    std::vector<Variant> args = {Variant::String(file)};
    if (std::string(c.write) == "WriteChromaticAberrationToFile") {
        args.push_back(Variant::Long(0));
    }
    ConnectedTo(source);
    ASSERT_EQ(Call(c.write, args), Variant::Long(rc::kOk));
    control_.reset();
    module_.reset();

    // Connecting takes six answers; the ninth, to the third value applied, is garbled.
    sim::LineConfig line;
    line.garbleEvery = 9;
    sim::SimServer& target = StartSim(Model("RZ-130LX"), line);
    ConnectedTo(target);
    const automation::AutomationError error = CallRaising(c.read, args);
    EXPECT_EQ(error.code, automation::kDeviceIoError);
    EXPECT_THAT(error.description, ::testing::StartsWith("\""));
    EXPECT_THAT(error.description, ::testing::HasSubstr("partly updated"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, PartialUpdateTest,
    ::testing::Values(PartialCase{"WriteAllToFile", "ReadAllFromFile", "settings.cam"},
                      PartialCase{"WriteChromaticAberrationToFile",
                                  "ReadChromaticAberrationFromFile", "aberration.csv"}));

TEST_F(FileMethodsTest, BulkTransfersSynchronizeTheCamera) {
    sim::SimServer& server = StartSim(Model("RZ-150LX-HR"));
    CXKivRZ150LXCtrl& control = ConnectedTo(server);

    EXPECT_EQ(Call("ReadAllFromCamera"), Variant::Long(rc::kOk));
    EXPECT_TRUE(control.IsSynchronized());
    EXPECT_EQ(Call("WriteAllToCamera"), Variant::Long(rc::kOk));
    EXPECT_EQ(Call("CheckSynchronized"), Variant::Bool(true));
    const std::string report = (dir_ / "report.txt").string();
    EXPECT_EQ(Call("WriteCameraDataToFile", {Variant::String(report)}), Variant::Long(rc::kOk));
    EXPECT_TRUE(std::filesystem::exists(report));
}

}  // namespace
}  // namespace xkiv::test
