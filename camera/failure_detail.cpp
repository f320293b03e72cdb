// Detail lines of failures: the device, file or value at fault and the reason.
#include "camera/failure_detail.h"

#include <cerrno>

#include "platform/file_access.h"
#include "platform/text.h"

namespace xkiv {

namespace {

std::string SystemReason(const FailureCause& cause) {
    std::string reason = cause.error.message();
    if (cause.error == std::errc::device_or_resource_busy) {
        if (const std::string holder = LockHolder(cause.subject); !holder.empty()) {
            reason += " (held by " + holder + ")";
        }
    }
    return reason;
}

// Why a settings file was refused: the first key at fault, else the family.
std::string ContentReason(const FailureCause& cause) {
    if (!cause.reason.empty()) {
        return cause.reason;
    }
    // Row 0 is the model name, whose check is the family's.
    if (cause.row > 0 && IsValidRow(cause.row) && HasFlag(cause.row, PF_PROFILE)) {
        const ParameterKey& key = Entry(cause.row).profile;
        return std::string("key \"") + key.key + "\" in [" + key.section +
               "] is missing or invalid";
    }
    return std::string("not a settings file of the ") + kModelFamily + " cameras";
}

std::string Quoted(const std::string& text) {
    return '"' + EscapeControls(text, KeptText::Utf8) + '"';
}

}  // namespace

std::string FailureDetail(const FailureCause& cause) {
    if (cause.subject.empty()) {
        return {};
    }
    const std::string subject = EscapeControls(cause.subject, KeptText::Utf8);
    if (cause.error) {
        return subject + ": " + SystemReason(cause);
    }
    if (cause.code == rc::kUnmatchedFile) {
        return subject + ": " + ContentReason(cause);
    }
    return subject;
}

std::string RefusedValueDetail(const std::string& property, int row, const std::string& text,
                               const ParameterValues& values) {
    const int count = IsValidRow(row) ? OfferedValueNameCount(row, values) : 0;
    if (count == 0) {
        return property + ": " + Quoted(text) + " is not a whole number";
    }
    std::string detail = property + ": " + Quoted(text) + " is not one of ";
    for (int position = 0; position < count; ++position) {
        detail += (position == 0 ? "" : ", ") + ValueNameAt(row, position, values) + " (" +
                  std::to_string(ValueAtPosition(row, position, values)) + ")";
    }
    return detail;
}

}  // namespace xkiv
