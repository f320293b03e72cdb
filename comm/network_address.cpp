// Parsing network port addresses and splitting port lists that mix them with device paths.
#include "comm/network_address.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/text.h"

namespace xkiv {

namespace {

struct Scheme {
    std::string_view prefix;
    NetworkAddress::Protocol protocol;
};

constexpr std::array kSchemes = {
    Scheme{"tcp://", NetworkAddress::Protocol::Raw},
    Scheme{"rfc2217://", NetworkAddress::Protocol::Rfc2217},
};

const Scheme* SchemeOf(std::string_view name) {
    for (const Scheme& scheme : kSchemes) {
        if (StartsWithFolded(name, scheme.prefix)) {
            return &scheme;
        }
    }
    return nullptr;
}

// The length of the host and ":PORT" part at the start of rest, which runs
// to the colon after the port (or the end): a host holds no colon unless
// it is in brackets.
std::size_t HostAndPortLength(std::string_view rest) {
    std::size_t at = 0;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        at = close == std::string_view::npos ? rest.size() : close + 1;
    } else {
        at = std::min(rest.find(':'), rest.size());
    }
    if (at < rest.size() && rest[at] == ':') {
        at = std::min(rest.find(':', at + 1), rest.size());
    }
    return at;
}

bool IsHostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

bool ValidPort(std::string_view port) {
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        })) {
        return false;
    }
    const int number = std::stoi(std::string(port));
    return number >= 1 && number <= 65535;
}

}  // namespace

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view name) {
    const Scheme* scheme = SchemeOf(name);
    if (scheme == nullptr) {
        return std::nullopt;
    }
    const std::string_view rest = name.substr(scheme->prefix.size());
    NetworkAddress address;
    address.protocol = scheme->protocol;
    std::string_view host;
    std::string_view afterHost;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = rest.substr(1, close - 1);
        afterHost = rest.substr(close + 1);
        const auto v6 = [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.' ||
                   c == '%' || IsHostCharacter(c);
        };
        if (host.find(':') == std::string_view::npos ||
            !std::all_of(host.begin(), host.end(), v6)) {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = rest.find(':');
        host = rest.substr(0, colon);
        afterHost = colon == std::string_view::npos ? std::string_view() : rest.substr(colon);
        if (!std::all_of(host.begin(), host.end(), IsHostCharacter)) {
            return std::nullopt;
        }
    }
    if (host.empty() || !afterHost.starts_with(':') || !ValidPort(afterHost.substr(1))) {
        return std::nullopt;
    }
    address.host = std::string(host);
    address.port = std::string(afterHost.substr(1));
    return address;
}

bool IsNetworkAddress(std::string_view name) {
    return ParseNetworkAddress(name).has_value();
}

bool HasNetworkScheme(std::string_view name) {
    return SchemeOf(name) != nullptr;
}

std::vector<std::string> SplitPortList(std::string_view text) {
    std::vector<std::string> entries;
    while (!text.empty()) {
        std::size_t length = text.find(':');
        if (const Scheme* scheme = SchemeOf(text)) {
            length = scheme->prefix.size() + HostAndPortLength(text.substr(scheme->prefix.size()));
        }
        length = std::min(length, text.size());
        if (length > 0) {
            entries.emplace_back(text.substr(0, length));
        }
        text.remove_prefix(length == text.size() ? length : length + 1);
    }
    return entries;
}

std::vector<std::string> SerialPaths(std::string_view text) {
    std::vector<std::string> paths = SplitPortList(text);
    std::erase_if(paths, [](const std::string& entry) { return HasNetworkScheme(entry); });
    return paths;
}

std::vector<std::string> NetworkAddresses(std::string_view text) {
    std::vector<std::string> addresses = SplitPortList(text);
    std::erase_if(addresses, [](const std::string& entry) { return !HasNetworkScheme(entry); });
    return addresses;
}

std::string JoinPortList(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) {
        text += (text.empty() ? "" : ":") + entry;
    }
    return text;
}

}  // namespace xkiv
