// Tests of the component runtime core: coercions, lookups, identifiers, invoke and events.
#include "platform/automation.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace xkiv::automation {
namespace {

// Members name their texts and parameters by view: the names are literals
// and the parameters tables that live as long as the test.
MemberInfo Member(DispId dispid, std::string_view name, MemberKind kind, ParamType type,
                  std::span<const ParamInfo> params = {}, bool readOnly = false) {
    return {dispid, name, kind, type, params, readOnly, ""};
}

// ---------------------------------------------------------------- Variant

struct CoercionCase {
    Variant value;
    std::optional<std::int32_t> asLong;
    std::optional<bool> asBool;
    std::optional<std::string> asText;
};

TEST(VariantTest, CoercesAsAutomationCallersExpect) {
    std::int32_t target = 12;
    const CoercionCase cases[] = {
        {Variant::Long(-5), -5, true, "-5"},
        {Variant::Long(0), 0, false, "0"},
        {Variant::Bool(true), -1, true, "True"},
        {Variant::Bool(false), 0, false, "False"},
        {Variant::String(" +42 "), 42, true, " +42 "},
        {Variant::String("\t-2147483648"), -2147483648, true, "\t-2147483648"},
        {Variant::String("2147483648"), std::nullopt, std::nullopt, "2147483648"},
        {Variant::String("12abc"), std::nullopt, std::nullopt, "12abc"},
        {Variant::String("1 2"), std::nullopt, std::nullopt, "1 2"},
        {Variant::String("+-3"), std::nullopt, std::nullopt, "+-3"},
        {Variant::String(""), std::nullopt, std::nullopt, ""},
        {Variant::String("TRUE"), std::nullopt, true, "TRUE"},
        {Variant::String(" false "), std::nullopt, false, " false "},
        {Variant::String("0"), 0, false, "0"},
        {Variant::String("yes"), std::nullopt, std::nullopt, "yes"},
        {Variant::LongRef(&target), 12, true, "12"},
        {Variant::LongRef(nullptr), std::nullopt, std::nullopt, std::nullopt},
        {Variant(), 0, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.Describe());
        EXPECT_EQ(c.value.ToLong(), c.asLong);
        EXPECT_EQ(c.value.ToBool(), c.asBool);
        EXPECT_EQ(c.value.ToText(), c.asText);
    }
}

TEST(VariantTest, DescribesAndComparesByTypeAndValue) {
    std::int32_t target = 7;
    EXPECT_EQ(Variant::LongRef(&target).Describe(), "&7");
    EXPECT_EQ(Variant::Bool(true).Describe(), "True");
    EXPECT_EQ(Variant::Long(-1), Variant::Long(-1));
    EXPECT_FALSE(Variant::Long(-1) == Variant::Bool(true));
    EXPECT_FALSE(Variant::String("1") == Variant::Long(1));
    EXPECT_EQ(Variant::LongRef(&target), Variant::LongRef(&target));
}

// ---------------------------------------------------------------- InterfaceInfo

TEST(InterfaceInfoTest, FindsMembersByDispidAndByNameInAnyCase) {
    const InterfaceInfo info("_DTest",
                             {Member(1, "MasterGain", MemberKind::Property, ParamType::Long),
                              Member(2, "DoOnePushAWB", MemberKind::Method, ParamType::Long),
                              Member(3, "mastergain", MemberKind::Method, ParamType::Void)});
    ASSERT_NE(info.Find(2), nullptr);
    EXPECT_EQ(info.Find(2)->name, "DoOnePushAWB");
    EXPECT_EQ(info.Find(99), nullptr);
    for (const char* name : {"MasterGain", "MASTERGAIN", "masterGain"}) {
        ASSERT_NE(info.Find(std::string_view(name)), nullptr) << name;
        EXPECT_EQ(info.Find(std::string_view(name))->dispid, 1) << "first listed wins";
    }
    EXPECT_EQ(info.Find(std::string_view("doonepushawb"))->dispid, 2);
    EXPECT_EQ(info.Find(std::string_view("MasterGain ")), nullptr);
    EXPECT_EQ(info.Find(std::string_view("")), nullptr);
}

// ---------------------------------------------------------------- Guid

TEST(GuidTest, TextRoundTripsInCanonicalForm) {
    const std::string canonical = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
    for (const char* text :
         {"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", "0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9",
          "{0a1B2c3D-4E5F-6071-8293-a4b5C6D7E8F9}"}) {
        const auto guid = Guid::Parse(text);
        ASSERT_TRUE(guid) << text;
        EXPECT_EQ(guid->ToString(), canonical);
    }
    const auto guid = *Guid::Parse(canonical);
    EXPECT_EQ(guid.data1, 0x0A1B2C3Du);
    EXPECT_EQ(guid.data2, 0x4E5F);
    EXPECT_EQ(guid.data3, 0x6071);
    EXPECT_EQ(guid.data4[0], 0x82);
    EXPECT_EQ(guid.data4[7], 0xF9);
    EXPECT_EQ(Guid{}.ToString(), "{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidTest, RejectsMalformedText) {
    for (const char* text :
         {"", "{}", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9",
          "0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F}",
          "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F90}", "{0A1B2C3D4E5F-6071-8293-A4B5C6D7E8F9-}",
          "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8G9}", " {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
          "{+A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", "XKIVRZ150LX.Ctrl.1"}) {
        EXPECT_FALSE(Guid::Parse(text)) << text;
    }
}

// ---------------------------------------------------------------- Invoke

constexpr DispId kCount = 1, kModel = 2, kAdd = 3, kEnabled = 4, kMeasure = 5, kFail = 6,
                 kCrash = 7, kFire = 8;

constexpr ParamInfo kAddParams[] = {{"a", ParamType::Long}, {"b", ParamType::Long}};
constexpr ParamInfo kMeasureParams[] = {{"out", ParamType::LongRef}};
constexpr ParamInfo kFireParams[] = {{"dispid", ParamType::Long}};

const TypeLibraryInfo& TestLibrary() {
    static const InterfaceInfo dispatch(
        "_DTest", {Member(kCount, "Count", MemberKind::Property, ParamType::Long),
                   Member(kModel, "Model", MemberKind::Property, ParamType::String, {}, true),
                   Member(kAdd, "Add", MemberKind::Method, ParamType::Long, kAddParams),
                   Member(kEnabled, "Enabled", MemberKind::Property, ParamType::Bool),
                   Member(kMeasure, "Measure", MemberKind::Method, ParamType::Long, kMeasureParams),
                   Member(kFail, "Fail", MemberKind::Method, ParamType::Void),
                   Member(kCrash, "Crash", MemberKind::Method, ParamType::Void),
                   Member(kFire, "Fire", MemberKind::Method, ParamType::Void, kFireParams)});
    static const InterfaceInfo events("_DTestEvents", {});
    static const TypeLibraryInfo library{"TestLib", {}, 1, 26, &dispatch, &events};
    return library;
}

class TestObject : public DispatchObject {
public:
    const TypeLibraryInfo& TypeLibrary() const override { return TestLibrary(); }

    int calls = 0;
    std::vector<Variant> lastArgs;
    std::int32_t count = 0;
    // Deliberately a long: the runtime must hand it out as a boolean.
    std::int32_t enabled = 0;

protected:
    Variant InvokeMember(const MemberInfo& member, InvokeKind kind,
                         std::vector<Variant>& args) override {
        ++calls;
        lastArgs = args;
        const bool put = kind == InvokeKind::PropertyPut;
        switch (member.dispid) {
            case kCount:
                count = put ? *args[0].ToLong() : count;
                return Variant::Long(count);
            case kModel:
                return Variant::String("RZ-150LX");
            case kAdd:
                return Variant::Long(*args[0].ToLong() + *args[1].ToLong());
            case kEnabled:
                enabled = put ? *args[0].ToLong() : enabled;
                return Variant::Long(enabled);
            case kMeasure:
                *args[0].Ref() = 77;
                return Variant::String("0");
            case kFail:
                throw AutomationException({kInvalidPropertyValue, "\"TR\" : Bad Parameter !!", 12});
            case kCrash:
                throw std::runtime_error("disk on fire");
            case kFire:
                FireEvent(*args[0].ToLong());
                return {};
        }
        return {};
    }
};

constexpr InvokeKind kCall = InvokeKind::Method, kGet = InvokeKind::PropertyGet,
                     kPut = InvokeKind::PropertyPut;

Variant L(std::int32_t value) {
    return Variant::Long(value);
}

struct RefusedCall {
    const char* what;
    DispId dispid;
    InvokeKind kind;
    std::vector<Variant> args;
    HResult expected;
};

TEST(DispatchObjectTest, RefusesWrongKindCountOrTypeWithoutCalling) {
    const RefusedCall cases[] = {
        {"unknown dispid", 99, kCall, {}, kMemberNotFound},
        {"get of a method", kAdd, kGet, {}, kMemberNotFound},
        {"put of a method", kFail, kPut, {L(1)}, kMemberNotFound},
        {"call of a property with args", kCount, kCall, {L(1)}, kMemberNotFound},
        {"too few", kAdd, kCall, {L(1)}, kBadParamCount},
        {"too many", kAdd, kCall, {L(1), L(2), L(3)}, kBadParamCount},
        {"get with an argument", kCount, kGet, {L(1)}, kBadParamCount},
        {"put without a value", kCount, kPut, {}, kBadParamCount},
        {"not a number", kAdd, kCall, {Variant::String("x"), L(1)}, kTypeMismatch},
        {"not a boolean", kEnabled, kPut, {Variant::String("maybe")}, kTypeMismatch},
        {"copy for a reference", kMeasure, kCall, {L(3)}, kTypeMismatch},
        {"null reference", kMeasure, kCall, {Variant::LongRef(nullptr)}, kTypeMismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestObject object;
        std::vector<Variant> args = c.args;
        Variant result = Variant::String("stale");
        EXPECT_EQ(object.Invoke(c.dispid, c.kind, args, &result, nullptr), c.expected);
        EXPECT_EQ(result.Type(), VarType::Empty);
        EXPECT_EQ(object.calls, 0);
    }
}

TEST(DispatchObjectTest, ArgumentsAndResultsAreConvertedToTheDeclaredTypes) {
    TestObject object;
    std::vector<Variant> args = {Variant::String(" 12"), Variant::Bool(true)};
    Variant result;
    ASSERT_EQ(object.Invoke(kAdd, kCall, args, &result, nullptr), kOk);
    EXPECT_EQ(object.lastArgs, (std::vector<Variant>{L(12), L(-1)}));
    EXPECT_EQ(result, L(11));

    std::int32_t out = 0;
    args = {Variant::LongRef(&out)};
    ASSERT_EQ(object.Invoke(kMeasure, kCall, args, &result, nullptr), kOk);
    EXPECT_EQ(result, L(0)) << "the member's text result read as the declared long";

    std::vector<Variant> none;
    ASSERT_EQ(object.Invoke(kModel, kCall, none, &result, nullptr), kOk)
        << "a plain call of a property reads it";
    EXPECT_EQ(result, Variant::String("RZ-150LX"));
}

TEST(DispatchObjectTest, PropertiesAreWrittenAndReadInTheirTypes) {
    TestObject object;
    std::vector<Variant> args = {Variant::String("TRUE")};
    ASSERT_EQ(object.Invoke(kEnabled, InvokeKind::PropertyPut, args, nullptr, nullptr), kOk);
    EXPECT_EQ(object.lastArgs, std::vector<Variant>{Variant::Bool(true)});
    std::vector<Variant> none;
    Variant result;
    ASSERT_EQ(object.Invoke(kEnabled, InvokeKind::PropertyGet, none, &result, nullptr), kOk);
    EXPECT_EQ(result, Variant::Bool(true));

    args = {Variant::String(" -7 ")};
    ASSERT_EQ(object.InvokeByName("count", InvokeKind::PropertyPut, args, &result, nullptr), kOk);
    EXPECT_EQ(object.count, -7);
    EXPECT_EQ(result.Type(), VarType::Empty) << "a put gives no value";
}

TEST(DispatchObjectTest, OutParameterReachesTheCallersInteger) {
    TestObject object;
    std::int32_t out = 0;
    std::vector<Variant> args = {Variant::LongRef(&out)};
    ASSERT_EQ(object.InvokeByName("MEASURE", InvokeKind::Method, args, nullptr, nullptr), kOk);
    EXPECT_EQ(out, 77);
}

TEST(DispatchObjectTest, NamesResolveWithoutRegardToCase) {
    TestObject object;
    EXPECT_EQ(object.GetIDOfName("enabled"), kEnabled);
    EXPECT_EQ(object.GetIDOfName("Nothing"), kDispidUnknown);
    std::vector<Variant> none;
    Variant result = Variant::Long(1);
    EXPECT_EQ(object.InvokeByName("Nothing", InvokeKind::Method, none, &result, nullptr),
              kUnknownName);
    EXPECT_EQ(result.Type(), VarType::Empty);
}

TEST(DispatchObjectTest, ReadOnlyPutIsRefusedWithAnError) {
    TestObject object;
    std::vector<Variant> args = {Variant::String("RZ-130LX")};
    AutomationError error;
    EXPECT_EQ(object.Invoke(kModel, InvokeKind::PropertyPut, args, nullptr, &error),
              MakeHResult(0x800A017F));
    EXPECT_EQ(error.code, kSetNotSupported);
    EXPECT_NE(error.description.find("read-only"), std::string::npos) << error.description;
    EXPECT_NE(error.description.find("Model"), std::string::npos) << error.description;
    EXPECT_EQ(object.calls, 0);
}

TEST(DispatchObjectTest, ErrorsRaisedInsideReachTheCallerAndNothingEscapes) {
    TestObject object;
    std::vector<Variant> none;
    AutomationError error;
    EXPECT_EQ(object.Invoke(kFail, InvokeKind::Method, none, nullptr, &error), kException);
    EXPECT_EQ(error.code, kInvalidPropertyValue);
    EXPECT_EQ(error.description, "\"TR\" : Bad Parameter !!");
    EXPECT_EQ(error.helpContext, 12u);

    error = {};
    EXPECT_EQ(object.Invoke(kCrash, InvokeKind::Method, none, nullptr, &error), kException);
    EXPECT_EQ(error.description, "disk on fire");
    EXPECT_NE(error.code, kOk);

    // Without a place for the error the call still fails cleanly.
    EXPECT_EQ(object.Invoke(kFail, InvokeKind::Method, none, nullptr, nullptr), kException);
}

// ---------------------------------------------------------------- Events

class RecordingSink : public EventSink {
public:
    RecordingSink(std::vector<std::string>& log, std::string name) : log_(log), name_(name) {}
    void OnEvent(DispId dispid) override {
        log_.push_back(name_ + ":" + std::to_string(dispid));
        if (onEvent) {
            onEvent();
        }
    }
    std::function<void()> onEvent;

private:
    std::vector<std::string>& log_;
    std::string name_;
};

void Fire(TestObject& object, DispId dispid) {
    std::vector<Variant> args = {Variant::Long(dispid)};
    ASSERT_EQ(object.Invoke(kFire, InvokeKind::Method, args, nullptr, nullptr), kOk);
}

TEST(EventTest, SinksHearEventsInConnectionOrderUntilUnadvised) {
    TestObject object;
    std::vector<std::string> log;
    RecordingSink a(log, "a"), b(log, "b"), c(log, "c");
    const std::uint32_t cookieB = object.Advise(b);
    const std::uint32_t cookieA = object.Advise(a);
    object.Advise(c);
    EXPECT_NE(cookieA, 0u);
    EXPECT_NE(cookieA, cookieB);

    Fire(object, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"b:5", "a:5", "c:5"}));
    EXPECT_TRUE(object.Unadvise(cookieB));
    EXPECT_FALSE(object.Unadvise(cookieB));
    EXPECT_FALSE(object.Unadvise(0));
    log.clear();
    Fire(object, 6);
    EXPECT_EQ(log, (std::vector<std::string>{"a:6", "c:6"}));
}

TEST(EventTest, SinksMayDisconnectAndConnectWhileAnEventIsFired) {
    TestObject object;
    std::vector<std::string> log;
    RecordingSink a(log, "a"), b(log, "b"), c(log, "c"), late(log, "late");
    const std::uint32_t cookieA = object.Advise(a);
    const std::uint32_t cookieB = object.Advise(b);
    const std::uint32_t cookieC = object.Advise(c);
    // b removes itself, a and c during the first event and connects another
    // sink, which hears only the next event.
    b.onEvent = [&] {
        object.Unadvise(cookieB);
        object.Unadvise(cookieC);
        object.Unadvise(cookieA);
        object.Advise(late);
        b.onEvent = nullptr;
    };
    Fire(object, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:1"}));
    log.clear();
    Fire(object, 2);
    EXPECT_EQ(log, (std::vector<std::string>{"late:2"}));

    // The same for a sink alone, which is called without the walk: it
    // replaces itself, and its successor waits for the next event.
    log.clear();
    RecordingSink lone(log, "lone"), next(log, "next");
    TestObject alone;
    const std::uint32_t cookieLone = alone.Advise(lone);
    lone.onEvent = [&] {
        alone.Unadvise(cookieLone);
        alone.Advise(next);
    };
    Fire(alone, 3);
    Fire(alone, 4);
    EXPECT_EQ(log, (std::vector<std::string>{"lone:3", "next:4"}));
}

// However many sinks are connected (their cookies are kept apart beyond a
// few), each hears the event once, in order, and one removed by an earlier
// sink during the event does not.
TEST(EventTest, EverySinkHearsTheEventOnceWhateverTheirNumber) {
    for (const int count : {3, 8, 9, 20}) {
        TestObject object;
        std::vector<std::string> log;
        std::vector<std::unique_ptr<RecordingSink>> sinks;
        std::vector<std::uint32_t> cookies;
        for (int i = 0; i < count; ++i) {
            sinks.push_back(std::make_unique<RecordingSink>(log, "s" + std::to_string(i)));
            cookies.push_back(object.Advise(*sinks.back()));
        }
        sinks[1]->onEvent = [&] { object.Unadvise(cookies.back()); };
        Fire(object, 7);
        std::vector<std::string> expected;
        for (int i = 0; i + 1 < count; ++i) {
            expected.push_back("s" + std::to_string(i) + ":7");
        }
        EXPECT_EQ(log, expected) << count << " sinks";
    }
}

TEST(EventTest, AFailingSinkDoesNotSilenceTheOthers) {
    TestObject object;
    std::vector<std::string> log;
    RecordingSink a(log, "a"), b(log, "b");
    a.onEvent = [] { throw std::runtime_error("sink failed"); };
    const std::uint32_t cookieA = object.Advise(a);
    object.Advise(b);
    Fire(object, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"a:3", "b:3"}));

    // Alone, a failing sink does not unwind through the firing object either.
    object.Unadvise(cookieA);
    b.onEvent = [] { throw std::runtime_error("sink failed"); };
    log.clear();
    Fire(object, 4);
    EXPECT_EQ(log, (std::vector<std::string>{"b:4"}));
}

}  // namespace
}  // namespace xkiv::automation
