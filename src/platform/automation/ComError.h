// The one error type of the object model: a full error number, a source and a description,
// as a host sees them in its error object.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kvr {

// vbObjectError as a signed 32-bit value; the library's own errors are this plus n.
constexpr std::int32_t kObjectError = static_cast<std::int32_t>(0x80040000u);

// Runtime error numbers the automation layer raises itself.
namespace rt {
constexpr std::int32_t InvalidProcedureCall = 5;
constexpr std::int32_t Overflow = 6;
constexpr std::int32_t OutOfMemory = 7;
constexpr std::int32_t SubscriptOutOfRange = 9;
constexpr std::int32_t TypeMismatch = 13;
constexpr std::int32_t FileNotFound = 53;
constexpr std::int32_t BadFileMode = 54;
constexpr std::int32_t FileAlreadyOpen = 55;
constexpr std::int32_t DeviceIOError = 57;
constexpr std::int32_t FileAlreadyExists = 58;
constexpr std::int32_t DiskFull = 61;
constexpr std::int32_t BadFileName = 64;
constexpr std::int32_t PermissionDenied = 70;
constexpr std::int32_t PathFileAccessError = 75;
constexpr std::int32_t PathNotFound = 76;
constexpr std::int32_t ObjectRequired = 424;
constexpr std::int32_t CannotCreateObject = 429;
constexpr std::int32_t MethodNotSupported = 438;
constexpr std::int32_t InvalidUseOfNull = 94;
constexpr std::int32_t Internal = 51;
constexpr std::int32_t Unexpected = static_cast<std::int32_t>(0x8000FFFFu);
constexpr std::int32_t CancelError = 32755;
} // namespace rt

class ComError : public std::runtime_error {
  public:
    ComError(std::int32_t number, std::string source, std::string description);

    std::int32_t number() const { return m_number; }
    const std::string& source() const { return m_source; }
    const std::string& description() const { return m_description; }

    // "number - description", the system's numbered failure text.
    std::string numbered_text() const;

  private:
    std::int32_t m_number;
    std::string m_source;
    std::string m_description;
};

// The runtime's own message for one of its error numbers ("Type mismatch", ...).
std::string runtime_description(std::int32_t number);

// A runtime error with its standard text and the given source.
[[noreturn]] void raise_runtime(std::int32_t number, const std::string& source = "KVRUpload");

// errno of a failed file-system call as the runtime's error number (one table).
std::int32_t runtime_error_from_errno(int err);

} // namespace kvr
