// The commands beside the member commands: watch, search, the shortcuts and registration.
#include "tools/commands.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/component_loader.h"
#include "platform/interrupt.h"

namespace xkiv::tools {

namespace {

using automation::AutomationError;
using automation::InvokeKind;
using automation::MemberInfo;
using automation::MemberKind;
using automation::Variant;

constexpr int kLastSettingsArea = 2;

// Methods that choose the port themselves: the stored one is not opened first.
constexpr std::array kPortChoosingMethods = {"StartCommunication", "AutoSelectCommunication"};

// Every property's value, described.
std::map<std::string, std::string> Snapshot(Session& session) {
    std::map<std::string, std::string> values;
    for (const MemberInfo& member : session.Object().TypeLibrary().dispatch->Members()) {
        if (member.kind == MemberKind::Property) {
            std::vector<Variant> none;
            Variant value;
            session.Invoke(std::string(member.name), InvokeKind::PropertyGet, none, &value);
            values[std::string(member.name)] = value.Describe();
        }
    }
    return values;
}

// Reads everything from the camera when it is online; failures show in the
// events.
void ReadIfOnline(Session& session) {
    std::vector<Variant> none;
    Variant online;
    session.Invoke("CheckOnline", InvokeKind::Method, none, &online);
    if (online.ToBool().value_or(false)) {
        Variant ignored;
        AutomationError error;
        session.Object().InvokeByName("ReadAllFromCamera", InvokeKind::Method, none, &ignored,
                                      &error);
    }
}

void PrintEvents(const std::vector<std::string>& events) {
    for (const std::string& event : events) {
        std::printf("%s\n", event.c_str());
    }
    std::fflush(stdout);
}

// A read-all fires every row's event; those whose value moved are printed.
void PrintChanges(const std::vector<std::string>& fired,
                  const std::map<std::string, std::string>& last,
                  const std::map<std::string, std::string>& now) {
    for (const std::string& event : fired) {
        const std::string property = event.substr(0, event.size() - std::string("Changed").size());
        const auto before = last.find(property);
        const bool valueEvent = event.ends_with("Changed") && before != last.end();
        if (!valueEvent || before->second != now.at(property)) {
            std::printf("%s\n", event.c_str());
        }
    }
    std::fflush(stdout);
}

// The one-push kinds and their methods; shading takes its type apart.
struct OnePushKind {
    const char* name;
    const char* method;
};

constexpr std::array kOnePushKinds = {
    OnePushKind{"awb", "DoOnePushAWB"},
    OnePushKind{"awb-shutter", "DoOnePushAWBShutter"},
    OnePushKind{"pixel-gain", "DoOnePushPixelGainCorrection"},
    OnePushKind{"pixel-black", "DoOnePushPixelBlackCorrection"},
    OnePushKind{"line-rate", "DoOnePushAutoLineRateSet"},
};

// The control module beside this program: in the build tree, or installed.
std::string DefaultModulePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path bin = self.parent_path();
    for (const std::filesystem::path& candidate :
         {bin / ".." / "control" / "libXKivRZ150LX.so",
          bin / ".." / XKIV_INSTALL_MODULEDIR / "libXKivRZ150LX.so"}) {
        if (std::filesystem::exists(candidate, error)) {
            return std::filesystem::weakly_canonical(candidate, error).string();
        }
    }
    return {};
}

}  // namespace

bool ChoosesItsPort(const Options& options) {
    if (options.command != "call" || options.args.empty()) {
        return false;
    }
    return std::any_of(
        kPortChoosingMethods.begin(), kPortChoosingMethods.end(),
        [&](const char* method) { return Folded(options.args[0]) == Folded(method); });
}

int RunWatch(Invocation& run) {
    Session& session = *run.session;
    PrintEvents(session.Events().Take());
    std::map<std::string, std::string> last = Snapshot(session);
    while (!InterruptRequested()) {
        for (int tenth = 0; tenth < run.options.interval * 10 && !InterruptRequested(); ++tenth) {
            ::usleep(100000);
        }
        if (InterruptRequested()) {
            break;
        }
        ReadIfOnline(session);
        std::map<std::string, std::string> now = Snapshot(session);
        PrintChanges(session.Events().Take(), last, now);
        last = std::move(now);
    }
    run.output.streamed = true;
    return kExitOk;
}

int RunSearch(Invocation& run) {
    Call(*run.session, "AutoSelectCommunication", {"1"}, run.output);
    if (run.output.values.empty() || run.output.values[0].second.ToLong() != 1) {
        std::fprintf(stderr, "xkivctl: no camera found\n");
        return kExitResultCode;
    }
    return kExitOk;
}

int RunShortcut(Invocation& run) {
    const Command& command = run.command;
    std::vector<std::string> args;
    if (command.shortcutArgs != ShortcutArgs::None) {
        args.push_back(
            run.session->FileName(run.options.args[0], (command.traits & kWritesFile) != 0));
    }
    if (command.shortcutArgs == ShortcutArgs::FileNameWithProgress) {
        args.emplace_back("1");
    }
    Call(*run.session, command.method, args, run.output);
    return kExitOk;
}

namespace {

// Makes the camera load or store a settings area from firstArea to the last.
// Out of range, the area would be clamped to another one, so it is refused.
int RunArea(Invocation& run, int firstArea) {
    const int area = ParseInt(run.options.args[0], "the area", firstArea, kLastSettingsArea);
    Set(*run.session, {"EEPROMArea=" + std::to_string(area)}, run.output);
    run.output.values.clear();
    Call(*run.session, run.command.method, {}, run.output);
    return kExitOk;
}

}  // namespace

// Area 0 holds the factory settings: it can be loaded, never stored.
int RunAreaLoad(Invocation& run) {
    return RunArea(run, 0);
}

int RunAreaStore(Invocation& run) {
    return RunArea(run, 1);
}

int RunOnePush(Invocation& run) {
    const std::vector<std::string>& args = run.options.args;
    if (args[0] == "shading") {
        const std::string type = args.size() > 1 ? args[1] : "flat";
        if (type != "flat" && type != "color") {
            throw UsageError{"shading is flat or color"};
        }
        Call(*run.session, "DoOnePushShadingCorrection", {type == "flat" ? "0" : "1", "1"},
             run.output);
        return kExitOk;
    }
    const auto found = std::find_if(kOnePushKinds.begin(), kOnePushKinds.end(),
                                    [&](const OnePushKind& kind) { return args[0] == kind.name; });
    if (found == kOnePushKinds.end() || args.size() != 1) {
        throw UsageError{"unknown one-push kind " + args[0]};
    }
    Call(*run.session, found->method, {"1"}, run.output);
    return kExitOk;
}

// Calls the module's own register or unregister entry point.
int RunRegister(Invocation& run) {
    const Options& options = run.options;
    if (options.args.size() > 1) {
        throw UsageError{options.command + " takes at most one module path"};
    }
    const std::string module = options.args.empty() ? DefaultModulePath() : options.args[0];
    if (module.empty()) {
        throw UsageError{"no control module found beside xkivctl; name it"};
    }
    std::string reason;
    const bool registering = options.command == "register";
    const automation::HResult result = registering ? automation::RegisterModule(module, &reason)
                                                   : automation::UnregisterModule(module, &reason);
    if (result != automation::kOk) {
        std::fprintf(stderr, "xkivctl: error 0x%08X: %s%s%s\n", static_cast<unsigned>(result),
                     registering ? "registering " : "unregistering ", module.c_str(),
                     reason.empty() ? "" : (": " + reason).c_str());
        return kExitAutomationError;
    }
    std::printf("%s %s\n", registering ? "registered" : "unregistered", module.c_str());
    return kExitOk;
}

}  // namespace xkiv::tools
