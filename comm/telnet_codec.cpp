// Telnet decoding and the COM-PORT option's opening for network serial ports.
#include "comm/telnet_codec.h"

#include <array>

namespace xkiv {

namespace {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kComPortOption = 44;
// The server answers a client's COM-PORT command with the command's number
// plus this.
constexpr std::uint8_t kServerOffset = 100;
constexpr std::uint8_t kSignature = 0;
constexpr std::uint8_t kSetControl = 5;

// A subnegotiation longer than this is no COM-PORT answer; the rest of it
// is skipped so that a babbling server cannot grow the buffer.
constexpr std::size_t kMaxSubnegotiation = 64;

constexpr const char kSignatureText[] = "xkiv";

// One line setting the client asks for. judged: the server's answer must
// carry the same value (flow and modem-line answers report a state, which
// a far port without modem lines may give differently).
struct LineSetting {
    std::uint8_t command;
    std::uint32_t value;
    std::size_t width;  // bytes of the value, most significant first
    bool judged;
};

constexpr std::array kLineSettings = {
    LineSetting{1, 9600, 4, true},           // SET-BAUDRATE
    LineSetting{2, 8, 1, true},              // SET-DATASIZE: 8 bits
    LineSetting{3, 1, 1, true},              // SET-PARITY: none
    LineSetting{4, 1, 1, true},              // SET-STOPSIZE: 1
    LineSetting{kSetControl, 1, 1, false},   // no flow control
    LineSetting{kSetControl, 12, 1, false},  // RTS off: the camera needs it off
};

constexpr unsigned Bit(std::uint8_t command) {
    return 1U << command;
}

constexpr unsigned AllSettings() {
    unsigned bits = 0;
    for (const LineSetting& setting : kLineSettings) {
        bits |= Bit(setting.command);
    }
    return bits;
}

void AppendSubnegotiation(std::uint8_t command, std::span<const std::uint8_t> payload,
                          std::vector<std::uint8_t>& out) {
    const std::uint8_t head[] = {kIac, kSb, kComPortOption, command};
    out.insert(out.end(), std::begin(head), std::end(head));
    TelnetCodec::Escape(payload, out);
    out.push_back(kIac);
    out.push_back(kSe);
}

}  // namespace

std::vector<std::uint8_t> TelnetCodec::Opening() {
    std::vector<std::uint8_t> out = {kIac, kWill, kComPortOption};
    for (const LineSetting& setting : kLineSettings) {
        std::array<std::uint8_t, 4> value{};
        for (std::size_t i = 0; i < setting.width; ++i) {
            value[i] = static_cast<std::uint8_t>(setting.value >> (8 * (setting.width - 1 - i)));
        }
        AppendSubnegotiation(setting.command, std::span(value.data(), setting.width), out);
    }
    return out;
}

void TelnetCodec::Escape(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out) {
    for (const std::uint8_t byte : bytes) {
        out.push_back(byte);
        if (byte == kIac) {
            out.push_back(kIac);
        }
    }
}

bool TelnetCodec::LineConfirmed() const {
    return !rejected_ && confirmed_ == AllSettings();
}

void TelnetCodec::Receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                          std::vector<std::uint8_t>& replies) {
    for (const std::uint8_t byte : bytes) {
        switch (state_) {
            case State::Data:
                if (byte == kIac) {
                    state_ = State::Command;
                } else {
                    data.push_back(byte);
                }
                break;
            case State::Command:
                state_ = State::Data;
                if (byte == kIac) {
                    data.push_back(kIac);
                } else if (byte == kSb) {
                    sub_.clear();
                    state_ = State::Subnegotiation;
                } else if (byte >= kWill && byte <= kDont) {
                    verb_ = byte;
                    state_ = State::Option;
                }
                // Every other command (NOP, GA, DM, AYT, ...) means nothing here.
                break;
            case State::Option:
                Command(verb_, byte, replies);
                state_ = State::Data;
                break;
            case State::Subnegotiation:
                if (byte == kIac) {
                    state_ = State::SubnegotiationCommand;
                } else if (sub_.size() < kMaxSubnegotiation) {
                    sub_.push_back(byte);
                }
                break;
            case State::SubnegotiationCommand:
                if (byte == kIac) {
                    if (sub_.size() < kMaxSubnegotiation) {
                        sub_.push_back(kIac);
                    }
                    state_ = State::Subnegotiation;
                } else if (byte == kSe) {
                    Subnegotiation(replies);
                    state_ = State::Data;
                } else {
                    // An unterminated subnegotiation: drop it and take the
                    // byte as the command it introduces.
                    state_ = State::Command;
                    Receive(std::span(&byte, 1), data, replies);
                }
                break;
        }
    }
}

void TelnetCodec::Command(std::uint8_t command, std::uint8_t option,
                          std::vector<std::uint8_t>& replies) {
    const auto reply = [&replies, option](std::uint8_t answer) {
        replies.insert(replies.end(), {kIac, answer, option});
    };
    if (option == kComPortOption && (command == kDo || command == kDont)) {
        // The answer to the WILL of the opening; a repeated one changes nothing.
        if (comPort_ == ComPort::Pending) {
            comPort_ = command == kDo ? ComPort::Accepted : ComPort::Refused;
        }
        return;
    }
    // Every other option stays off on both sides. A request to turn one off
    // is already fulfilled and is not answered, so that no loop can start.
    if (command == kDo) {
        reply(kWont);
    } else if (command == kWill) {
        reply(kDont);
    }
}

void TelnetCodec::Subnegotiation(std::vector<std::uint8_t>& replies) {
    if (sub_.size() < 2 || sub_[0] != kComPortOption) {
        return;
    }
    const std::uint8_t code = sub_[1];
    const std::span<const std::uint8_t> value = std::span(sub_).subspan(2);
    if (code == kSignature + kServerOffset && value.empty()) {
        // The server asks who we are.
        const auto* text = reinterpret_cast<const std::uint8_t*>(kSignatureText);
        AppendSubnegotiation(kSignature, std::span(text, sizeof kSignatureText - 1), replies);
        return;
    }
    for (const LineSetting& setting : kLineSettings) {
        if (code != setting.command + kServerOffset) {
            continue;
        }
        confirmed_ |= Bit(setting.command);
        if (setting.judged) {
            std::uint32_t answered = 0;
            for (const std::uint8_t byte : value) {
                answered = answered << 8 | byte;
            }
            rejected_ = rejected_ || value.size() != setting.width || answered != setting.value;
        }
        return;
    }
}

}  // namespace xkiv
