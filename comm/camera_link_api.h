// The Camera Link serial interface: entry-point signatures, error codes and baud rates.
#pragma once

#include <cstdint>

namespace xkiv::cl {

// The serial interface of the Camera Link standard as the frame grabbers'
// libraries export it with C linkage. The vendor library adds a choice of
// manufacturer (GetNumManufacturers, GetManufacturer, SelectManufacturer);
// the all-vendor library lists the ports of every installed vendor library
// (GetNumPorts, GetPortInfo). Text buffers come with an in/out size in bytes.
// The two libraries differ in clGetErrorText: the all-vendor one first takes
// the manufacturer name.

using SerialRef = void*;

// Status codes; every call returns kNoError on success.
inline constexpr std::int32_t kNoError = 0;
inline constexpr std::int32_t kErrBufferTooSmall = -10001;
inline constexpr std::int32_t kErrManufacturerDoesNotExist = -10002;
inline constexpr std::int32_t kErrPortInUse = -10003;
inline constexpr std::int32_t kErrTimeout = -10004;
inline constexpr std::int32_t kErrInvalidIndex = -10005;
inline constexpr std::int32_t kErrInvalidReference = -10006;
inline constexpr std::int32_t kErrErrorNotFound = -10007;
inline constexpr std::int32_t kErrBaudRateNotSupported = -10008;
inline constexpr std::int32_t kErrOutOfMemory = -10009;

// Baud-rate selectors of clSetBaudRate.
inline constexpr std::uint32_t kBaudRate9600 = 1;
inline constexpr std::uint32_t kBaudRate19200 = 2;
inline constexpr std::uint32_t kBaudRate38400 = 4;
inline constexpr std::uint32_t kBaudRate57600 = 8;
inline constexpr std::uint32_t kBaudRate115200 = 16;

// Size of every text buffer handed to a library, terminator included.
inline constexpr std::uint32_t kTextBufferSize = 260;

extern "C" {
// Both libraries.
using SerialInitFn = std::int32_t (*)(std::uint32_t serialIndex, SerialRef* serialRef);
using SerialCloseFn = void (*)(SerialRef serialRef);
using SerialReadFn = std::int32_t (*)(SerialRef serialRef, char* buffer, std::uint32_t* numBytes,
                                      std::uint32_t timeoutMs);
using SerialWriteFn = std::int32_t (*)(SerialRef serialRef, char* buffer, std::uint32_t* bufferSize,
                                       std::uint32_t timeoutMs);
using SetBaudRateFn = std::int32_t (*)(SerialRef serialRef, std::uint32_t baudRate);

// The vendor library.
using GetNumManufacturersFn = std::int32_t (*)(std::uint32_t* count);
using GetManufacturerFn = std::int32_t (*)(std::uint32_t index, char* name,
                                           std::uint32_t* nameBytes, std::uint32_t* version);
using SelectManufacturerFn = std::int32_t (*)(const char* name);
using GetNumSerialPortsFn = std::int32_t (*)(std::uint32_t* count);
using GetErrorTextFn = std::int32_t (*)(std::int32_t errorCode, char* errorText,
                                        std::uint32_t* errorTextSize);

// The all-vendor library.
using GetNumPortsFn = std::int32_t (*)(std::uint32_t* count);
using GetPortInfoFn = std::int32_t (*)(std::uint32_t serialIndex, char* manufacturerName,
                                       std::uint32_t* nameBytes, char* portId,
                                       std::uint32_t* idBytes, std::uint32_t* version);
using FlushPortFn = std::int32_t (*)(SerialRef serialRef);
using GetNumBytesAvailFn = std::int32_t (*)(SerialRef serialRef, std::uint32_t* numBytes);
using GetErrorTextAllFn = std::int32_t (*)(const char* manufacturerName, std::int32_t errorCode,
                                           char* errorText, std::uint32_t* errorTextSize);
}

}  // namespace xkiv::cl
