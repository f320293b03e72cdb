// Network port names: addresses, port lists that mix them with devices, and the network class.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/network_address.h"
#include "tests/support/test_files.h"

namespace xkiv {
namespace {

using Protocol = NetworkAddress::Protocol;

struct AddressCase {
    const char* name;
    bool valid;
    Protocol protocol = Protocol::Raw;
    const char* host = "";
    const char* port = "";
};

TEST(NetworkAddressTest, ParsesWhatUsersWrite) {
    const AddressCase cases[] = {
        {"tcp://10.0.0.5:2001", true, Protocol::Raw, "10.0.0.5", "2001"},
        {"RFC2217://rig-a.plant:3001", true, Protocol::Rfc2217, "rig-a.plant", "3001"},
        {"tcp://[::1]:2001", true, Protocol::Raw, "::1", "2001"},
        {"rfc2217://[fe80::1%eth0]:7", true, Protocol::Rfc2217, "fe80::1%eth0", "7"},
        {"tcp://host", false},
        {"tcp://:2001", false},
        {"tcp://host:0", false},
        {"tcp://host:65536", false},
        {"tcp://host:20x1", false},
        {"tcp://::1:2001", false},
        {"tcp://[::1]2001", false},
        {"tcp://user@host:1", false},
        {"telnet://host:23", false},
        {"/dev/ttyUSB0", false},
    };
    for (const AddressCase& c : cases) {
        const std::optional<NetworkAddress> address = ParseNetworkAddress(c.name);
        ASSERT_EQ(address.has_value(), c.valid) << c.name;
        if (address) {
            EXPECT_EQ(address->protocol, c.protocol) << c.name;
            EXPECT_EQ(address->host, c.host) << c.name;
            EXPECT_EQ(address->port, c.port) << c.name;
        }
    }
}

TEST(NetworkAddressTest, PortListsKeepTheColonsOfAddresses) {
    const struct {
        const char* list;
        std::vector<std::string> serial;
        std::vector<std::string> network;
    } cases[] = {
        {"/dev/ttyS0:/dev/ttyUSB0", {"/dev/ttyS0", "/dev/ttyUSB0"}, {}},
        {"tcp://10.0.0.5:2001", {}, {"tcp://10.0.0.5:2001"}},
        {"/dev/ttyS0:tcp://[::1]:2001::rfc2217://b:3:/dev/pts/4",
         {"/dev/ttyS0", "/dev/pts/4"},
         {"tcp://[::1]:2001", "rfc2217://b:3"}},
        // A mistyped address stays one entry of the network class, where
        // opening it says it is not found.
        {"tcp://host:x:/dev/ttyS1", {"/dev/ttyS1"}, {"tcp://host:x"}},
        {"", {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SerialPaths(c.list), c.serial) << c.list;
        EXPECT_EQ(NetworkAddresses(c.list), c.network) << c.list;
        std::vector<std::string> all = c.serial;
        all.insert(all.end(), c.network.begin(), c.network.end());
        EXPECT_EQ(SplitPortList(JoinPortList(SplitPortList(c.list))).size(), all.size()) << c.list;
    }
}

class NetworkClassTest : public testing::Test {
protected:
    NetworkClassTest() { ::unsetenv("XKIV_SERIAL_PORTS"); }
    ~NetworkClassTest() override { ::unsetenv("XKIV_SERIAL_PORTS"); }
    test::TemporaryFolder folder_{"network-class"};
    const std::filesystem::path file_ = folder_.Path() / "profile.ini";
};

// The class count keeps its meaning without network ports; with them the
// network class (index 2) is offered after the other two.
TEST_F(NetworkClassTest, ListsAddressesFromEnvironmentOrProfile) {
    const struct {
        const char* environment;  // null: unset
        const char* stored;
        int classCount;
        std::vector<std::string> ports;
    } cases[] = {
        {"", "tcp://a:1", 0, {}},
        {"/dev/null:tcp://a:1", "tcp://b:2", 3, {"tcp://a:1"}},
        {nullptr, "tcp://b:2:rfc2217://[::1]:3", 3, {"tcp://b:2", "rfc2217://[::1]:3"}},
    };
    for (const auto& c : cases) {
        if (c.environment != nullptr) {
            ::setenv("XKIV_SERIAL_PORTS", c.environment, 1);
        } else {
            ::unsetenv("XKIV_SERIAL_PORTS");
        }
        ProfileStore profile(file_);
        profile.WriteString("Comm", "NetworkPorts", c.stored);
        profile.WriteString("Comm", "Devices", "/dev/null");
        CComm front(profile);
        EXPECT_EQ(front.GetClassCount(), c.classCount) << c.stored;
        EXPECT_EQ(front.GetClassName(CComm::kNetworkClass), "Network");
        std::vector<std::string> ports;
        for (int i = 0; i < front.GetPortCount(CComm::kNetworkClass); ++i) {
            ports.push_back(front.GetPortName(CComm::kNetworkClass, i));
        }
        EXPECT_EQ(ports, c.ports) << c.stored;
    }
}

// Adding and removing ports changes the profile's list; the selection
// follows the port it names, and the address used last comes back as the
// selected port even when the list no longer names it.
TEST_F(NetworkClassTest, AddedPortsPersistAndTheSelectionFollows) {
    {
        ProfileStore profile(file_);
        CComm front(profile);
        int index = -1;
        EXPECT_EQ(front.AddNetworkPort("/dev/ttyS0", index), rc::kInvalidArgument);
        ASSERT_EQ(front.AddNetworkPort("tcp://127.0.0.1:1", index), rc::kOk);
        ASSERT_EQ(front.AddNetworkPort("rfc2217://127.0.0.1:2", index), rc::kOk);
        EXPECT_EQ(index, 1);
        ASSERT_EQ(front.AddNetworkPort("tcp://127.0.0.1:1", index), rc::kOk);
        EXPECT_EQ(index, 0);
        EXPECT_EQ(front.GetClassCount(), 3);
        (void)front.SelectAndOpen(CComm::kNetworkClass, 1);
    }
    {
        ProfileStore profile(file_);
        EXPECT_EQ(profile.GetString("Comm", "NetworkPorts", ""),
                  "tcp://127.0.0.1:1:rfc2217://127.0.0.1:2");
        CComm front(profile);
        EXPECT_EQ(front.GetClass(), CComm::kNetworkClass);
        EXPECT_EQ(front.GetPort(), 1);
        ASSERT_EQ(front.RemoveNetworkPort(0), rc::kOk);
        EXPECT_EQ(front.GetPort(), 0);
        EXPECT_EQ(front.RemoveNetworkPort(5), rc::kPortNotFound);
    }
    {
        ProfileStore profile(file_);
        EXPECT_EQ(profile.GetString("Comm", "NetworkPorts", ""), "rfc2217://127.0.0.1:2");
        profile.WriteString("Comm", "NetworkPorts", "");
        CComm front(profile);
        EXPECT_EQ(front.GetPortName(CComm::kNetworkClass, 0), "rfc2217://127.0.0.1:2");
        ASSERT_EQ(front.RemoveNetworkPort(0), rc::kOk);
        EXPECT_EQ(front.GetClass(), 0);
        EXPECT_EQ(front.GetClassCount(), front.GetPortCount(0) > 0 ? 1 : 0);
    }
}

}  // namespace
}  // namespace xkiv
