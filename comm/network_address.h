// Network port addresses (tcp://HOST:PORT, rfc2217://HOST:PORT) and the port lists that hold them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xkiv {

// A camera behind a serial device server or ser2net. Raw carries the bytes
// as on the wire; Rfc2217 speaks Telnet with the COM-PORT option.
struct NetworkAddress {
    enum class Protocol { Raw, Rfc2217 };
    Protocol protocol = Protocol::Raw;
    std::string host;  // a name, an IPv4 address or an IPv6 address without brackets
    std::string port;  // a decimal TCP port, 1 to 65535
};

// The address a port name gives: "tcp://" or "rfc2217://" (in any case),
// a host (an IPv6 address in brackets) and ":PORT"; nullopt for anything else.
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view name);
bool IsNetworkAddress(std::string_view name);
// Whether a port name is meant as a network port (starts with tcp:// or
// rfc2217://), valid or not; such names belong to the network class.
bool HasNetworkScheme(std::string_view name);

// The entries of a list of port names separated by ':' (as XKIV_SERIAL_PORTS
// and the profile's device list write them), where an address keeps the
// colons of its own: "/dev/ttyS0:tcp://[::1]:2001:/dev/ttyUSB0" holds three
// entries. Empty entries are left out.
std::vector<std::string> SplitPortList(std::string_view text);
// The device paths of such a list (its entries that are no address).
std::vector<std::string> SerialPaths(std::string_view text);
// The addresses of such a list.
std::vector<std::string> NetworkAddresses(std::string_view text);
// Entries joined with ':'.
std::string JoinPortList(const std::vector<std::string>& entries);

}  // namespace xkiv
