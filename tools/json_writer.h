// A small JSON writer for the command line's machine-readable output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/automation.h"

namespace xkiv::tools {

// Writes JSON text in one pass; the caller keeps objects and arrays balanced.
// Members written at the top level without an enclosing object can be
// spliced into another writer's object with Raw().
class JsonWriter {
public:
    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }

    JsonWriter& Key(const std::string& key) {
        Separate();
        Quote(key);
        text_ += ':';
        afterKey_ = true;
        return *this;
    }
    JsonWriter& Value(const std::string& value) {
        Separate();
        Quote(value);
        return *this;
    }
    JsonWriter& Value(const char* value) { return Value(std::string(value)); }
    JsonWriter& Value(std::int64_t value) { return Literal(std::to_string(value)); }
    JsonWriter& Value(std::int32_t value) { return Literal(std::to_string(value)); }
    JsonWriter& Value(bool value) { return Literal(value ? "true" : "false"); }
    // A variant as its natural JSON type.
    JsonWriter& Value(const automation::Variant& value) {
        switch (value.Type()) {
            case automation::VarType::Long:
                return Value(*value.ToLong());
            case automation::VarType::Bool:
                return Value(*value.ToBool());
            case automation::VarType::String:
                return Value(*value.ToText());
            default:
                return Literal("null");
        }
    }
    // A key and its value.
    template <typename T>
    JsonWriter& Member(const std::string& key, const T& value) {
        return Key(key).Value(value);
    }
    // Splices the members another writer wrote at its top level.
    JsonWriter& Raw(const JsonWriter& members) {
        if (!members.text_.empty()) {
            Separate();
            text_ += members.text_;
        }
        return *this;
    }

    const std::string& Text() const { return text_; }

private:
    JsonWriter& Open(char bracket) {
        Separate();
        text_ += bracket;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& Close(char bracket) {
        text_ += bracket;
        if (!first_.empty()) {
            first_.pop_back();
        }
        return *this;
    }
    JsonWriter& Literal(const std::string& literal) {
        Separate();
        text_ += literal;
        return *this;
    }
    // A comma before every element but the first of its container; none
    // right after a key.
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (first_.empty()) {
            if (!text_.empty()) {
                text_ += ',';
            }
            return;
        }
        if (!first_.back()) {
            text_ += ',';
        }
        first_.back() = false;
    }
    void Quote(const std::string& value) {
        text_ += '"';
        for (const char c : value) {
            switch (c) {
                case '"':
                    text_ += "\\\"";
                    break;
                case '\\':
                    text_ += "\\\\";
                    break;
                case '\n':
                    text_ += "\\n";
                    break;
                case '\r':
                    text_ += "\\r";
                    break;
                case '\t':
                    text_ += "\\t";
                    break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        char escaped[8];
                        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                        text_ += escaped;
                    } else {
                        text_ += c;
                    }
            }
        }
        text_ += '"';
    }

    std::string text_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

}  // namespace xkiv::tools
