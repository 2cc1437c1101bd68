// A strict JSON parser for checking what the programs write: it rejects
// anything that is not JSON, and also raw bytes of 0x80 and above in strings,
// so that a test sees every non-ASCII byte escaped. \u0000 to \u00FF come back
// as the single byte of that value.
#ifndef TESTS_JSON_VALUE_H
#define TESTS_JSON_VALUE_H

#include <string>
#include <vector>

namespace d88test {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::string> names; // of an object's members, in document order
    std::vector<JsonValue> values;  // of an object's members

    bool is_null() const { return kind == Kind::Null; }
    // The member of that name; throws when there is none.
    const JsonValue& operator[](const std::string& name) const;
    const JsonValue& operator[](size_t index) const;
    size_t size() const { return kind == Kind::Array ? items.size() : values.size(); }
    long long integer() const; // throws unless a whole number
    // The strings of an array of strings.
    std::vector<std::string> strings() const;
};

// Parses a whole document; throws std::runtime_error with the position of the
// first fault.
JsonValue parse_json(const std::string& document);

} // namespace d88test

#endif
