// Shared workings of the test Camera Link serial libraries: port lists, pseudo-terminal I/O.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Marks the C entry points the test libraries export; everything else stays
// hidden inside each library.
#define XKIV_CL_EXPORT extern "C" __attribute__((visibility("default")))

namespace xkiv::sim::cl_lib {

// One serial port a test library offers.
struct PortEntry {
    std::string manufacturer;
    std::string portId;
    std::string device;
};

// The ports named by an environment variable (none when it is unset):
// entries separated by ':', each "Manufacturer=/dev/pts/N" or
// "Manufacturer|PortId=/dev/pts/N". The device is everything after the first
// '='; entries without one are skipped.
std::vector<PortEntry> PortsFromEnvironment(const char* variable);

// True when XKIV_CL_FAULTS (words separated by ',') holds the word. Faults:
//   "unterminated-text"  texts fill the caller's whole buffer without a terminator
//   "short-write"        clSerialWrite reports success after sending one byte less
bool FaultEnabled(const char* fault);

// Copies text with its terminator into buffer of *size bytes, setting *size
// to the bytes used; CL_ERR_BUFFER_TOO_SMALL with the size needed when it
// does not fit.
std::int32_t CopyText(const std::string& text, char* buffer, std::uint32_t* size);

// Opens device raw at 9600 baud 8N1 for exclusive use; reference receives
// the handle. CL_ERR_PORT_IN_USE when it cannot be opened or is in use.
std::int32_t OpenDevice(const std::string& device, void** reference);
// Closes the device behind reference; an unknown reference is ignored.
void CloseDevice(void* reference);
// Reads exactly *numBytes bytes within timeoutMs; on CL_ERR_TIMEOUT *numBytes
// holds the bytes that did arrive. CL_ERR_INVALID_REFERENCE for an unknown
// reference or a line that hung up.
std::int32_t ReadDevice(void* reference, char* buffer, std::uint32_t* numBytes,
                        std::uint32_t timeoutMs);
// Writes all *bufferSize bytes within timeoutMs; *bufferSize receives the
// number written.
std::int32_t WriteDevice(void* reference, const char* buffer, std::uint32_t* bufferSize,
                         std::uint32_t timeoutMs);
std::int32_t FlushDevice(void* reference);
std::int32_t BytesAvailable(void* reference, std::uint32_t* numBytes);
// Accepts the Camera Link baud-rate selectors up to 115200.
std::int32_t SetDeviceBaudRate(void* reference, std::uint32_t baudRate);
// The text of a Camera Link status code.
std::int32_t ErrorText(std::int32_t errorCode, char* errorText, std::uint32_t* errorTextSize);

}  // namespace xkiv::sim::cl_lib
