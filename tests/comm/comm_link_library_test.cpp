// Tests of the Camera Link transports' port lists, library location and library lifetime.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/comm_link.h"
#include "comm/comm_link_all_serial.h"
#include "comm/comm_link_serial.h"
#include "tests/comm/camera_link_support.h"

namespace xkiv {
namespace {

namespace fs = std::filesystem;
using testing_cl::AnyClLibraryLoaded;
using testing_cl::BrokenLibraryDir;
using testing_cl::CleanClEnvironment;
using testing_cl::IsLoaded;
using testing_cl::LibraryDir;

std::vector<std::string> PortNames(const CCommAbstract& transport) {
    std::vector<std::string> names;
    for (int i = 0; i < transport.GetPortCount(); ++i) {
        names.push_back(transport.GetPortName(i));
    }
    return names;
}

// A pseudo-terminal whose device the test libraries can open.
class PseudoTerminal {
public:
    PseudoTerminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            device_ = ::ptsname(master_);
        }
    }
    ~PseudoTerminal() {
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& Device() const { return device_; }

private:
    int master_;
    std::string device_;
};

struct ListCase {
    const char* name;
    const char* serialPorts;     // XKIV_CL_SERIAL_PORTS, null for unset
    const char* allSerialPorts;  // XKIV_CL_ALLSERIAL_PORTS, null for unset
    std::vector<std::string> serialNames;
    std::vector<std::string> allSerialNames;
};

class CameraLinkPortListTest : public testing::TestWithParam<ListCase> {};

TEST_P(CameraLinkPortListTest, ListsComeFromTheLibrariesAndTheCompositeJoinsThem) {
    const ListCase& c = GetParam();
    CleanClEnvironment environment;
    if (c.serialPorts != nullptr) {
        environment.Set("XKIV_CL_SERIAL_PORTS", c.serialPorts);
    }
    if (c.allSerialPorts != nullptr) {
        environment.Set("XKIV_CL_ALLSERIAL_PORTS", c.allSerialPorts);
    }

    const CCommLinkSerial serial;
    const CCommLinkAllSerial allSerial;
    const CCommLink link;

    EXPECT_EQ(PortNames(serial), c.serialNames);
    EXPECT_EQ(PortNames(allSerial), c.allSerialNames);
    std::vector<std::string> joined = c.serialNames;
    joined.insert(joined.end(), c.allSerialNames.begin(), c.allSerialNames.end());
    EXPECT_EQ(PortNames(link), joined);
    EXPECT_EQ(link.GetPortName(link.GetPortCount()), "");
    EXPECT_EQ(link.GetPortName(-1), "");
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(AnyClLibraryLoaded()) << "listing releases the libraries";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraLinkPortListTest,
    testing::Values(ListCase{"NoPortsConfigured", nullptr, nullptr, {}, {}},
                    ListCase{"OneManufacturerTwoAllVendorPorts",
                             "Acme=/dev/null",
                             "Acme|CL0=/dev/null:Zeta Vision|Port B=/dev/null",
                             {"Acme"},
                             {"Acme - CL0", "Zeta Vision - Port B"}},
                    ListCase{"OnePortPerManufacturer",
                             "Acme=/dev/a:Acme=/dev/b:Bolt=/dev/c",
                             nullptr,
                             {"Acme", "Bolt"},
                             {}},
                    ListCase{"PortWithoutIdentifier", nullptr, "Acme=/dev/null", {}, {"Acme - "}}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(CameraLinkTransportTest, ClassNames) {
    CleanClEnvironment environment;
    EXPECT_EQ(CCommLinkSerial().GetClassName(), "CamLink-Serial");
    EXPECT_EQ(CCommLinkAllSerial().GetClassName(), "CamLink-AllSerial");
    EXPECT_EQ(CCommLink().GetClassName(), "CameraLink");
}

// A library that fills name buffers to the last byte without a terminator
// must not make the transport read past them.
TEST(CameraLinkTransportTest, UnterminatedNamesAreCutAtTheBufferEnd) {
    CleanClEnvironment environment;
    environment.Set("XKIV_CL_SERIAL_PORTS", "Acme=/dev/null");
    environment.Set("XKIV_CL_ALLSERIAL_PORTS", "Bolt|P0=/dev/null");
    environment.Set("XKIV_CL_FAULTS", "unterminated-text");

    const CCommLink link;

    ASSERT_EQ(link.GetPortCount(), 2);
    const std::string full(259, '.');
    std::string acme = full;
    std::string bolt = full;
    std::string p0 = full;
    for (std::size_t i = 0; i < full.size(); ++i) {
        acme[i] = std::string("Acme")[i % 4];
        bolt[i] = std::string("Bolt")[i % 4];
        p0[i] = std::string("P0")[i % 2];
    }
    EXPECT_EQ(link.GetPortName(0), acme);
    EXPECT_EQ(link.GetPortName(1), bolt + " - " + p0);
}

struct CandidateCase {
    const char* name;
    std::string value;
    std::vector<std::string> candidates;
};

class AllSerialCandidatesTest : public testing::TestWithParam<CandidateCase> {};

TEST_P(AllSerialCandidatesTest, PathValueDecidesWhereToLook) {
    EXPECT_EQ(AllSerialLibraryCandidates(GetParam().value, "plain.so"), GetParam().candidates);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AllSerialCandidatesTest,
    testing::Values(
        CandidateCase{"Unset", "", {"plain.so"}},
        CandidateCase{"FileInUpperCase",
                      "/opt/cl/Grabber.SO",
                      {"/opt/cl/Grabber.SO", "/opt/cl/Grabber.SO/libclallserial.so", "plain.so"}},
        CandidateCase{"FileInMixedCase", "x.So", {"x.So", "x.So/libclallserial.so", "plain.so"}},
        CandidateCase{"FolderWithoutSlash", "/opt/cl", {"/opt/cl/libclallserial.so", "plain.so"}},
        CandidateCase{"FolderWithSlash", "/opt/cl/", {"/opt/cl/libclallserial.so", "plain.so"}},
        CandidateCase{"SoInsideName", "/opt/cl.sox", {"/opt/cl.sox/libclallserial.so", "plain.so"}},
        CandidateCase{"TooShortForSuffix", "so", {"so/libclallserial.so", "plain.so"}}),
    [](const testing::TestParamInfo<CandidateCase>& info) { return std::string(info.param.name); });

// CLSERIALPATH values against real library files: which file ends up loaded.
class ClSerialPathTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.empty());
        fs::copy_file(LibraryDir() / kAllSerialLibraryName, folder_ / "Grabber.SO");
        fs::create_directory(folder_ / "grabber");
        fs::copy_file(LibraryDir() / kAllSerialLibraryName,
                      folder_ / "grabber" / kAllSerialLibraryName);
        environment_.Set("XKIV_CL_ALLSERIAL_PORTS", "Acme|CL0=" + terminal_.Device());
    }
    // Opens port 0 with the given CLSERIALPATH and tells which file served it.
    void ExpectOpenLoads(const std::optional<std::string>& value, const fs::path& expected) {
        environment_.Set("CLSERIALPATH", value);
        CCommLinkAllSerial transport;
        ASSERT_EQ(transport.GetPortCount(), 1);
        ASSERT_EQ(transport.Open(0), rc::kOk);
        EXPECT_TRUE(IsLoaded(expected)) << expected;
        for (const fs::path& other :
             {folder_ / "Grabber.SO", folder_ / "grabber" / kAllSerialLibraryName,
              LibraryDir() / kAllSerialLibraryName}) {
            if (other != expected) {
                EXPECT_FALSE(IsLoaded(other)) << other;
            }
        }
        (void)transport.Close();
        EXPECT_FALSE(AnyClLibraryLoaded());
    }

    CleanClEnvironment environment_;
    PseudoTerminal terminal_;
    test::TemporaryFolder temporary_{"xkiv-cl-copy"};
    const fs::path& folder_ = temporary_.Path();
};

TEST_F(ClSerialPathTest, FileEndingInUpperCaseSoIsLoadedAsThatFile) {
    ExpectOpenLoads((folder_ / "Grabber.SO").string(), folder_ / "Grabber.SO");
}

TEST_F(ClSerialPathTest, FolderWithoutTrailingSlashLoadsItsLibrary) {
    ExpectOpenLoads((folder_ / "grabber").string(), folder_ / "grabber" / kAllSerialLibraryName);
}

TEST_F(ClSerialPathTest, FolderWithTrailingSlashLoadsItsLibrary) {
    ExpectOpenLoads((folder_ / "grabber").string() + "/",
                    folder_ / "grabber" / kAllSerialLibraryName);
}

TEST_F(ClSerialPathTest, UnsetLoadsByPlainName) {
    ExpectOpenLoads(std::nullopt, LibraryDir() / kAllSerialLibraryName);
}

TEST_F(ClSerialPathTest, MissingFileFallsBackToPlainName) {
    ExpectOpenLoads((folder_ / "absent.so").string(), LibraryDir() / kAllSerialLibraryName);
}

TEST_F(ClSerialPathTest, IncompleteLibraryInTheFolderFallsBackToPlainName) {
    ExpectOpenLoads(BrokenLibraryDir().string(), LibraryDir() / kAllSerialLibraryName);
}

// A file the loader must not map (cut short, which would fault at the first
// touch; a FIFO, which would block) is refused with the file named on stderr.
TEST_F(ClSerialPathTest, FileUnsafeToLoadIsRefusedAndFallsBackToPlainName) {
    const std::string library = test::ReadFile(LibraryDir() / kAllSerialLibraryName);
    test::WriteFile(folder_ / "cut.so", library.substr(0, 8000));
    ASSERT_EQ(::mkfifo((folder_ / "fifo.so").c_str(), 0600), 0);
    for (const char* name : {"cut.so", "fifo.so"}) {
        testing::internal::CaptureStderr();
        ExpectOpenLoads((folder_ / name).string(), LibraryDir() / kAllSerialLibraryName);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_THAT(said, testing::HasSubstr("refusing to load " + (folder_ / name).string()));
    }
}

// Which transport class, and how a test builds it over a given library file.
struct LibraryCase {
    const char* name;
    const char* portsVariable;
    const char* entryPrefix;  // before '=' in the ports variable
    std::function<std::unique_ptr<CCommAbstract>(const std::string& libraryFile)> make;
};

const LibraryCase kSerialCase{"Serial", "XKIV_CL_SERIAL_PORTS", "Acme",
                              [](const std::string& file) -> std::unique_ptr<CCommAbstract> {
                                  return std::make_unique<CCommLinkSerial>(file);
                              }};
const LibraryCase kAllSerialCase{"AllSerial", "XKIV_CL_ALLSERIAL_PORTS", "Acme|CL0",
                                 [](const std::string& file) -> std::unique_ptr<CCommAbstract> {
                                     return std::make_unique<CCommLinkAllSerial>(file);
                                 }};

class CameraLinkLibraryTest : public testing::TestWithParam<LibraryCase> {
protected:
    void SetUp() override {
        environment_.Set(GetParam().portsVariable,
                         std::string(GetParam().entryPrefix) + "=" + terminal_.Device());
    }
    std::string FileName() const {
        return GetParam().portsVariable == std::string("XKIV_CL_SERIAL_PORTS")
                   ? kSerialLibraryName
                   : kAllSerialLibraryName;
    }

    CleanClEnvironment environment_;
    PseudoTerminal terminal_;
};

TEST_P(CameraLinkLibraryTest, LibraryIsLoadedOnlyWhileAPortIsOpen) {
    const fs::path file = LibraryDir() / FileName();
    auto transport = GetParam().make(file.string());
    ASSERT_EQ(transport->GetPortCount(), 1);
    EXPECT_FALSE(IsLoaded(file)) << "after listing";

    ASSERT_EQ(transport->Open(0), rc::kOk);
    EXPECT_TRUE(transport->IsOpen());
    EXPECT_TRUE(IsLoaded(file));
    EXPECT_EQ(transport->GetBytesAvailable(), 1);

    EXPECT_EQ(transport->Close(), rc::kOk);
    EXPECT_FALSE(transport->IsOpen());
    EXPECT_FALSE(IsLoaded(file)) << "after Close";
    EXPECT_EQ(transport->Close(), rc::kOk) << "a second Close is harmless";

    EXPECT_EQ(transport->Open(1), rc::kPortNotFound);
    EXPECT_FALSE(IsLoaded(file)) << "after Open of an unknown index";

    ASSERT_EQ(transport->Open(0), rc::kOk);
    transport.reset();
    EXPECT_FALSE(IsLoaded(file)) << "after destruction while open";
}

TEST_P(CameraLinkLibraryTest, LibraryIsLookedForWhenThePortsAreFirstAsked) {
    test::TemporaryFolder later{"xkiv-cl-later"};
    const fs::path file = later.Path() / FileName();
    auto transport = GetParam().make(file.string());
    // Installed after the transport was made: construction looked for nothing.
    fs::copy_file(LibraryDir() / FileName(), file);
    EXPECT_EQ(transport->GetPortCount(), 1);
    EXPECT_FALSE(IsLoaded(file)) << "after listing";
    ASSERT_EQ(transport->Open(0), rc::kOk);
    EXPECT_TRUE(IsLoaded(file));
}

TEST_P(CameraLinkLibraryTest, PortThatCannotBeOpenedGives3AndReleasesTheLibrary) {
    const fs::path file = LibraryDir() / FileName();
    auto transport = GetParam().make(file.string());
    // Listing does not touch the device; opening does.
    environment_.Set(GetParam().portsVariable,
                     std::string(GetParam().entryPrefix) + "=/dev/xkiv-no-such-device");

    EXPECT_EQ(transport->Open(0), rc::kPortInUse);
    EXPECT_FALSE(transport->IsOpen());
    EXPECT_FALSE(IsLoaded(file));
}

TEST_P(CameraLinkLibraryTest, LibraryMissingAnEntryPointOffersNoPorts) {
    const fs::path file = BrokenLibraryDir() / FileName();
    ASSERT_TRUE(fs::exists(file));
    auto transport = GetParam().make(file.string());

    EXPECT_EQ(transport->GetPortCount(), 0);
    EXPECT_EQ(transport->Open(0), rc::kPortNotFound);
    EXPECT_FALSE(transport->IsOpen());
    EXPECT_FALSE(IsLoaded(file));
}

TEST_P(CameraLinkLibraryTest, MissingLibraryOffersNoPorts) {
    auto transport = GetParam().make("libxkiv-no-such-camera-link.so");

    EXPECT_EQ(transport->GetPortCount(), 0);
    EXPECT_EQ(transport->Open(0), rc::kPortNotFound);
}

INSTANTIATE_TEST_SUITE_P(Libraries, CameraLinkLibraryTest,
                         testing::Values(kSerialCase, kAllSerialCase),
                         [](const testing::TestParamInfo<LibraryCase>& info) {
                             return std::string(info.param.name);
                         });

// The front with its real transports over the test libraries.
class CameraLinkFrontTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.empty());
        environment_.Set("XKIV_SERIAL_PORTS", "/dev/ttyX0:/dev/ttyX1");
        environment_.Set("XKIV_CL_SERIAL_PORTS", "Acme=/dev/null");
        environment_.Set("XKIV_CL_ALLSERIAL_PORTS", "Bolt|P0=/dev/null:Bolt|P1=/dev/null");
        ProfileStore profile(folder_ / "profile.ini");
        profile.WriteInt("Comm", "Class", 1);
        profile.WriteInt("Comm", "Port", 2);
        ASSERT_TRUE(profile.Flush());
    }

    CleanClEnvironment environment_;
    test::TemporaryFolder temporary_{"comm-link-front"};
    const fs::path& folder_ = temporary_.Path();
};

TEST_F(CameraLinkFrontTest, CameraLinkPortsMakeASecondClassAndKeepItsSelection) {
    ProfileStore profile(folder_ / "profile.ini");
    CComm front(profile);

    EXPECT_EQ(front.GetClassCount(), 2);
    EXPECT_EQ(front.GetClass(), 1);
    EXPECT_EQ(front.GetPort(), 2);
    EXPECT_EQ(front.GetPortCount(1), 3);
    EXPECT_EQ(front.GetPortName(1, 2), "Bolt - P1");
    EXPECT_EQ(front.GetClassName(1), "CameraLink");
}

TEST_F(CameraLinkFrontTest, WithoutLibrariesAStoredCameraLinkSelectionFallsBack) {
    ProfileStore profile(folder_ / "profile.ini");
    CComm front(profile, std::make_unique<CCommPort>(),
                std::make_unique<CCommLink>("libxkiv-gone.so", "libxkiv-gone-too.so"));

    EXPECT_EQ(front.GetClassCount(), 1);
    EXPECT_EQ(front.GetClass(), 0);
    EXPECT_EQ(front.GetPort(), 0);
    EXPECT_EQ(front.SelectAndOpen(1, 0), rc::kPortNotFound);
}

}  // namespace
}  // namespace xkiv
