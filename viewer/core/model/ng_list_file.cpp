#include "viewer/core/model/ng_list_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "viewer/core/model/ng_filter.h"

namespace pelmora::viewer {

namespace fs = std::filesystem;

bool ReadNgListFile(const std::string& path, std::string* text)
{
    std::error_code error;
    if (!fs::exists(path, error)) {
        text->clear();
        return !error;
    }
    const auto size = fs::file_size(path, error);
    if (error || size > kMaxNgListBytes)
        return false;
    std::ifstream in(path, std::ios::binary);
    text->assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

bool WriteNgListFile(const std::string& path, const std::string& text)
{
    std::error_code error;
    const fs::path target(path);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), error);
    const fs::path temporary = target.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

bool AppendNgRule(const std::string& path, const std::string& rule)
{
    std::string text;
    if (!ReadNgListFile(path, &text))
        return false;
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    return WriteNgListFile(path, text + rule + "\n");
}

}  // namespace pelmora::viewer
