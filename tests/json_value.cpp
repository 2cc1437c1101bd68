#include "json_value.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace d88test {

namespace {

class Parser {
public:
    explicit Parser(const std::string& document) : s(document) {}

    JsonValue document()
    {
        JsonValue v = value();
        space();
        if (i != s.size()) {
            fail("text after the document");
        }
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at byte " + std::to_string(i));
    }

    void space()
    {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t')) {
            ++i;
        }
    }

    bool take(char c)
    {
        space();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }

    void expect(char c)
    {
        if (!take(c)) {
            fail(std::string("expected '") + c + "'");
        }
    }

    bool word(const char* w)
    {
        const std::string text(w);
        if (s.compare(i, text.size(), text) == 0) {
            i += text.size();
            return true;
        }
        return false;
    }

    JsonValue value()
    {
        space();
        if (i >= s.size()) {
            fail("unexpected end");
        }
        JsonValue v;
        const char c = s[i];
        if (c == '{') {
            v.kind = JsonValue::Kind::Object;
            ++i;
            if (!take('}')) {
                do {
                    space();
                    std::string name = string();
                    expect(':');
                    v.names.push_back(std::move(name));
                    v.values.push_back(value());
                } while (take(','));
                expect('}');
            }
        } else if (c == '[') {
            v.kind = JsonValue::Kind::Array;
            ++i;
            if (!take(']')) {
                do {
                    v.items.push_back(value());
                } while (take(','));
                expect(']');
            }
        } else if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.text = string();
        } else if (word("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
        } else if (word("false")) {
            v.kind = JsonValue::Kind::Bool;
        } else if (word("null")) {
            v.kind = JsonValue::Kind::Null;
        } else {
            v.kind = JsonValue::Kind::Number;
            v.number = number();
        }
        return v;
    }

    std::string string()
    {
        if (i >= s.size() || s[i] != '"') {
            fail("expected a string");
        }
        ++i;
        std::string out;
        while (true) {
            if (i >= s.size()) {
                fail("unterminated string");
            }
            const auto c = static_cast<unsigned char>(s[i++]);
            if (c == '"') {
                return out;
            }
            if (c < 0x20 || c >= 0x80) {
                fail("raw byte " + std::to_string(c) + " in a string");
            }
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (i >= s.size()) {
                fail("unterminated escape");
            }
            const char e = s[i++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (i + 4 > s.size()) {
                    fail("short \\u escape");
                }
                unsigned code = 0;
                for (int k = 0; k < 4; ++k) {
                    const char h = s[i++];
                    code <<= 4;
                    if (h >= '0' && h <= '9') {
                        code |= static_cast<unsigned>(h - '0');
                    } else if (h >= 'a' && h <= 'f') {
                        code |= static_cast<unsigned>(h - 'a' + 10);
                    } else if (h >= 'A' && h <= 'F') {
                        code |= static_cast<unsigned>(h - 'A' + 10);
                    } else {
                        fail("bad hex digit in \\u escape");
                    }
                }
                if (code > 0xFF) {
                    fail("\\u escape above 00FF, which no program here writes");
                }
                out += static_cast<char>(code);
                break;
            }
            default:
                fail("bad escape");
            }
        }
    }

    double number()
    {
        const size_t start = i;
        auto digits = [&] {
            const size_t from = i;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                ++i;
            }
            return i - from;
        };
        if (i < s.size() && s[i] == '-') {
            ++i;
        }
        if (i < s.size() && s[i] == '0') {
            ++i;
        } else if (digits() == 0) {
            fail("expected a value");
        }
        if (i < s.size() && s[i] == '.') {
            ++i;
            if (digits() == 0) {
                fail("expected digits after '.'");
            }
        }
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
                ++i;
            }
            if (digits() == 0) {
                fail("expected an exponent");
            }
        }
        return std::strtod(s.substr(start, i - start).c_str(), nullptr);
    }

    const std::string& s;
    size_t i = 0;
};

} // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            return values[i];
        }
    }
    throw std::runtime_error("JSON: no member \"" + name + "\"");
}

const JsonValue& JsonValue::operator[](size_t index) const
{
    if (kind != Kind::Array || index >= items.size()) {
        throw std::runtime_error("JSON: no item " + std::to_string(index));
    }
    return items[index];
}

long long JsonValue::integer() const
{
    if (kind != Kind::Number || std::floor(number) != number) {
        throw std::runtime_error("JSON: not a whole number");
    }
    return static_cast<long long>(number);
}

std::vector<std::string> JsonValue::strings() const
{
    std::vector<std::string> out;
    for (const JsonValue& item : items) {
        if (item.kind != Kind::String) {
            throw std::runtime_error("JSON: not an array of strings");
        }
        out.push_back(item.text);
    }
    return out;
}

JsonValue parse_json(const std::string& document)
{
    return Parser(document).document();
}

} // namespace d88test
