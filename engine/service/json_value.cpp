#include "engine/service/json_value.h"

#include <simdjson.h>

#include <cstdio>
#include <cstring>
#include <type_traits>

namespace pelmora::engine::json {

namespace dom = simdjson::dom;

// A Value carries the parser's element handle by value; the handle is a pointer into the
// document and an index, trivially copied.
struct ValueAccess {
    static_assert(sizeof(dom::element) <= sizeof(Value::m_element) && alignof(dom::element) <= 8,
                  "the element handle fits a Value");
    static_assert(std::is_trivially_copyable_v<dom::element>, "the element handle is copied as bytes");

    static dom::element element(const Value& value)
    {
        dom::element e;
        std::memcpy(static_cast<void*>(&e), value.m_element, sizeof e);
        return e;
    }
    static Value make(const dom::element& e)
    {
        Value value;
        std::memcpy(value.m_element, static_cast<const void*>(&e), sizeof e);
        value.m_exists = true;
        return value;
    }
};

namespace {

bool isType(const Value& value, dom::element_type type)
{
    return value.Exists() && ValueAccess::element(value).type() == type;
}

}  // namespace

bool Value::IsObject() const
{
    return isType(*this, dom::element_type::OBJECT);
}

bool Value::IsArray() const
{
    return isType(*this, dom::element_type::ARRAY);
}

bool Value::IsString() const
{
    return isType(*this, dom::element_type::STRING);
}

bool Value::IsNull() const
{
    return isType(*this, dom::element_type::NULL_VALUE);
}

Value Value::operator[](std::string_view key) const
{
    dom::object object;
    if (!IsObject() || ValueAccess::element(*this).get_object().get(object) != simdjson::SUCCESS)
        return Value();
    dom::element member;
    if (object.at_key(key).get(member) != simdjson::SUCCESS)
        return Value();
    return ValueAccess::make(member);
}

bool Value::GetString(std::string_view& out) const
{
    if (!m_exists)
        return false;
    std::string_view text;
    if (ValueAccess::element(*this).get_string().get(text) != simdjson::SUCCESS)
        return false;
    out = text;
    return true;
}

bool Value::GetInt(int64_t& out) const
{
    if (!m_exists)
        return false;
    int64_t number = 0;
    // A double is no integer here, even when it has no fraction ("12.0").
    const dom::element e = ValueAccess::element(*this);
    if (!e.is_int64() || e.get_int64().get(number) != simdjson::SUCCESS)
        return false;
    out = number;
    return true;
}

bool Value::GetBool(bool& out) const
{
    if (!m_exists)
        return false;
    bool flag = false;
    if (ValueAccess::element(*this).get_bool().get(flag) != simdjson::SUCCESS)
        return false;
    out = flag;
    return true;
}

void Value::ForEachItem(const std::function<bool(const Value&)>& visit) const
{
    dom::array array;
    if (!IsArray() || ValueAccess::element(*this).get_array().get(array) != simdjson::SUCCESS)
        return;
    for (const dom::element item : array)
        if (!visit(ValueAccess::make(item)))
            return;
}

void Value::ForEachMember(const std::function<bool(std::string_view, const Value&)>& visit) const
{
    dom::object object;
    if (!IsObject() || ValueAccess::element(*this).get_object().get(object) != simdjson::SUCCESS)
        return;
    for (const dom::key_value_pair member : object)
        if (!visit(member.key, ValueAccess::make(member.value)))
            return;
}

std::string Value::Minified() const
{
    return m_exists ? simdjson::minify(ValueAccess::element(*this)) : std::string("null");
}

struct Document::Parser {
    dom::parser parser;
};

Document::Document(size_t maxBytes) : m_parser(std::make_unique<Parser>()), m_maxBytes(maxBytes) {}

Document::~Document() = default;

bool Document::Parse(std::string_view bytes)
{
    m_root = Value();
    m_error.clear();
    if (bytes.size() > m_maxBytes) {
        m_error = "the JSON text is larger than " + std::to_string(m_maxBytes) + " bytes";
        return false;
    }
    // The parser copies the text into a padded buffer of its own (it reads past the end in
    // wide steps), so the caller's bytes need no padding.
    dom::element root;
    const simdjson::error_code error = m_parser->parser.parse(bytes.data(), bytes.size(), true).get(root);
    if (error != simdjson::SUCCESS) {
        m_error = simdjson::error_message(error);
        return false;
    }
    m_root = ValueAccess::make(root);
    return true;
}

std::string quoted(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

}  // namespace pelmora::engine::json
