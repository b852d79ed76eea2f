#include "qarvo/file/content_type.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "qarvo/file/file_stream.h"
#include "qarvo/file/path_encoding.h"
#include "qarvo/platform/content_types.h"

namespace qarvo::common::System {

namespace {


using Table = std::unordered_map<std::string, std::string>;

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Lines "type/subtype ext ext ..."; "#" starts a comment. The first type naming an
// extension wins.
Table readTable(const char* path)
{
    Table table;
    C_BinaryMemory content;
    if (!C_FileStream::ReadAll(PathFromUtf8(path), content))
        return table;
    const std::string_view text(reinterpret_cast<const char*>(content.Get()), static_cast<size_t>(content.Length()));
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        std::string_view type;
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && isSpace(line[i]))
                ++i;
            const size_t start = i;
            while (i < line.size() && !isSpace(line[i]))
                ++i;
            if (i == start)
                break;
            const std::string_view word = line.substr(start, i - start);
            if (type.empty())
                type = word;
            else
                table.emplace("." + lowered(word), std::string(type));
        }
    }
    return table;
}

C_String lookUp(const Table& table, const C_String& extension)
{
    if (extension.Length() < 2 || extension[0] != '.')
        return C_String();
    const auto it = table.find(lowered(extension.view()));
    return it == table.end() ? C_String() : C_String(it->second);
}

}  // namespace

C_String getContentType(const C_String& extension)
{
    // Built once; C++ makes the first use thread-safe.
    static const Table table = readTable(platform::systemContentTypeTable());
    return lookUp(table, extension);
}

C_String getContentType(const C_String& extension, const C_String& mimeTypesPath)
{
    return lookUp(readTable(mimeTypesPath.c_str()), extension);
}

}  // namespace qarvo::common::System
