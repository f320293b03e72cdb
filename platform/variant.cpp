// Variants: the values automation calls carry, and their coercions between types.
#include "platform/automation.h"

#include "platform/text.h"

namespace xkiv::automation {

Variant Variant::Long(std::int32_t value) {
    Variant variant;
    variant.type_ = VarType::Long;
    variant.long_ = value;
    return variant;
}

Variant Variant::Bool(bool value) {
    Variant variant;
    variant.type_ = VarType::Bool;
    variant.long_ = value ? kVariantTrue : kVariantFalse;
    return variant;
}

Variant Variant::String(std::string value) {
    Variant variant;
    variant.type_ = VarType::String;
    variant.text_ = std::move(value);
    return variant;
}

Variant Variant::LongRef(std::int32_t* target) {
    Variant variant;
    variant.type_ = VarType::LongRef;
    variant.ref_ = target;
    return variant;
}

// An empty variant reads as 0, false and "", as automation coerces an
// uninitialised value.
std::optional<std::int32_t> Variant::ToLong() const {
    switch (type_) {
        case VarType::Empty:
            return 0;
        case VarType::Long:
        case VarType::Bool:
            return long_;
        case VarType::String:
            return ParseWholeDecimal(text_);
        case VarType::LongRef:
            if (ref_ == nullptr) {
                return std::nullopt;
            }
            return *ref_;
    }
    return std::nullopt;
}

std::optional<bool> Variant::ToBool() const {
    if (type_ == VarType::String) {
        const std::string folded = FoldCase(TrimBlanks(text_));
        if (folded == "true") {
            return true;
        }
        if (folded == "false") {
            return false;
        }
    }
    const auto value = ToLong();
    if (!value) {
        return std::nullopt;
    }
    return *value != 0;
}

std::optional<std::string> Variant::ToText() const {
    switch (type_) {
        case VarType::Empty:
            return std::string();
        case VarType::Bool:
            return std::string(long_ != 0 ? "True" : "False");
        case VarType::String:
            return text_;
        case VarType::Long:
        case VarType::LongRef:
            break;
    }
    const auto value = ToLong();
    if (!value) {
        return std::nullopt;
    }
    return std::to_string(*value);
}

std::string Variant::Describe() const {
    switch (type_) {
        case VarType::Empty:
            return "Empty";
        case VarType::LongRef:
            return ref_ != nullptr ? "&" + std::to_string(*ref_) : "&null";
        case VarType::Long:
        case VarType::Bool:
        case VarType::String:
            break;
    }
    return *ToText();
}

bool Variant::operator==(const Variant& other) const {
    if (type_ != other.type_) {
        return false;
    }
    switch (type_) {
        case VarType::Empty:
            return true;
        case VarType::Long:
        case VarType::Bool:
            return long_ == other.long_;
        case VarType::String:
            return text_ == other.text_;
        case VarType::LongRef:
            return ref_ == other.ref_;
    }
    return false;
}

}  // namespace xkiv::automation
