// The Telnet layer of an RFC 2217 connection: bytes in, data bytes and replies out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace xkiv {

// Decodes what a Telnet server with the COM-PORT option (RFC 2217) sends
// and builds what the client sends, without any I/O, so that it can be
// tested and fuzzed on its own. The client offers the COM-PORT option,
// asks the far port for 9600 baud, 8 data bits, no parity, 1 stop bit, no
// flow control and RTS off (what the serial transport sets on a local
// port), and refuses every other option. Data byte 255 travels doubled in
// both directions.
class TelnetCodec {
public:
    // How the server took the COM-PORT option.
    enum class ComPort { Pending, Accepted, Refused };

    // What the client sends first: WILL COM-PORT-OPTION and the line settings.
    static std::vector<std::uint8_t> Opening();
    // Appends bytes to out with every 255 doubled.
    static void Escape(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out);

    // Takes bytes as they came from the server, in pieces of any size:
    // appends the data bytes to data and what must be answered to replies.
    void Receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                 std::vector<std::uint8_t>& replies);

    ComPort ComPortState() const { return comPort_; }
    // Whether the server confirmed every line setting with the value asked.
    bool LineConfirmed() const;
    // Whether the server answered a line setting with another value.
    bool LineRejected() const { return rejected_; }

private:
    enum class State { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    void Command(std::uint8_t command, std::uint8_t option, std::vector<std::uint8_t>& replies);
    void Subnegotiation(std::vector<std::uint8_t>& replies);

    State state_ = State::Data;
    std::uint8_t verb_ = 0;  // WILL, WONT, DO or DONT waiting for its option
    std::vector<std::uint8_t> sub_;
    ComPort comPort_ = ComPort::Pending;
    unsigned confirmed_ = 0;  // one bit per line setting the server confirmed
    bool rejected_ = false;
};

}  // namespace xkiv
