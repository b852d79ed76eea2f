#pragma once
// One tag of an HTML page read as a browser reads it: its name and attributes, values quoted
// with either quote or bare, character references left as they are.

#include <cstddef>
#include <string_view>
#include <vector>

namespace pelmora::engine::html {

struct Attribute {
    std::string_view name;
    std::string_view value;  // raw, character references not decoded
};

struct Tag {
    std::string_view name;
    std::vector<Attribute> attributes;
    size_t end = 0;  // after its ">", or the end of the page when it has none
};

// Reads the tag whose "<" is at `lt`. A tag ends at the first ">" outside a quoted value.
void readTag(std::string_view page, size_t lt, Tag& tag);

// The first attribute of that name (HTML keeps the first of two), the case of the name
// ignored; null when there is none.
const Attribute* findAttribute(const Tag& tag, std::string_view name);

// Names compared without regard to ASCII case.
bool sameName(std::string_view a, std::string_view b);

}  // namespace pelmora::engine::html
