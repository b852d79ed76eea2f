#pragma once
// JSON as the engine reads it: a parsed document and read-only views of its values. The
// parser behind it (simdjson, from Debian) is reached only through json_value.cpp.
//
// A Value is a small handle into its Document; it stays valid until the Document parses again
// or goes away. A missing member or item is a Value that does not exist, so lookups chain
// without checks in between ("root[a][b]") and the caller asks once at the end. Nothing
// throws.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pelmora::engine::json {

class Document;

class Value {
public:
    Value() = default;

    bool Exists() const { return m_exists; }
    bool IsObject() const;
    bool IsArray() const;
    bool IsString() const;
    bool IsNull() const;

    // The member of an object; a missing Value for anything else.
    Value operator[](std::string_view key) const;

    // False (and `out` untouched) when the value is not of that kind. Integers that do not
    // fit an int64_t are not integers here.
    bool GetString(std::string_view& out) const;
    bool GetInt(int64_t& out) const;
    bool GetBool(bool& out) const;

    // The items of an array in order; `visit` returning false stops the walk. Nothing for
    // anything else.
    void ForEachItem(const std::function<bool(const Value&)>& visit) const;
    // The members of an object in document order.
    void ForEachMember(const std::function<bool(std::string_view, const Value&)>& visit) const;
    // The value written as compact JSON.
    std::string Minified() const;

private:
    friend class Document;
    friend struct ValueAccess;
    // The parser's own element handle, copied in (it is two words).
    alignas(8) unsigned char m_element[16] = {};
    bool m_exists = false;
};

class Document {
public:
    // Texts longer than `maxBytes` are refused before they are parsed.
    explicit Document(size_t maxBytes);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Parses `bytes` (UTF-8). False with Error() when they are no JSON. Values of an earlier
    // parse become invalid.
    bool Parse(std::string_view bytes);
    Value Root() const { return m_root; }
    const std::string& Error() const { return m_error; }

private:
    struct Parser;
    std::unique_ptr<Parser> m_parser;
    size_t m_maxBytes;
    Value m_root;
    std::string m_error;
};

// `text` as a JSON string literal, quotes included.
std::string quoted(std::string_view text);

}  // namespace pelmora::engine::json
