// Settings files: any bytes as the file (both the UTF-16LE and the 8-bit form), a lookup of
// keys taken from the file itself, and a write that must read back as written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "qarvo/ini/ini_file.h"

using namespace qarvo;

namespace {

std::filesystem::path scratchFile()
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("pelmora-fuzz-ini-" + std::to_string(::getpid()) + ".ini");
    return path;
}

template <class Ini, class Str>
void exercise(const std::string& bytes, const Str& key, const Str& value)
{
    {
        std::ofstream out(scratchFile(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const C_WString path = C_String(scratchFile().string()).ToByteWString();
    Ini ini(path);
    pelmora::fuzz::require(ini.IsOpen());
    ini.GetStr(key);
    ini.IsExistStr(key);
    if (ini.SetStr(key, value) == 1) {
        pelmora::fuzz::require(ini.Commit() == 1);
        // A write the object accepted reads back as written, from the file itself.
        Ini again(path);
        // (Spaces and "=" at the start of a value are not read back, by the format.)
        using Char = typename Str::Char;
        if (!value.IsEmpty() && value[0] != Char(' ') && value[0] != Char('='))
            pelmora::fuzz::require(again.GetStr(key) == value);
        if (again.DeleteStr(key) == 1) {
            pelmora::fuzz::require(again.Commit() == 1);
            Ini after(path);
            // Only the first line of the key went; another line may still hold it.
            after.GetStr(key);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The last bytes name the key and value to write: "...\x01key\x02value".
    const std::string all(reinterpret_cast<const char*>(data), size);
    const size_t keyMark = all.rfind('\x01');
    const size_t valueMark = all.rfind('\x02');
    std::string file = all, key = "k", value = "v";
    if (keyMark != std::string::npos && valueMark != std::string::npos && keyMark < valueMark) {
        file = all.substr(0, keyMark);
        key = all.substr(keyMark + 1, valueMark - keyMark - 1);
        value = all.substr(valueMark + 1);
    }
    exercise<C_IniFile>(file, C_String(key), C_String(value));
    // The same text as UTF-16 units, two bytes each.
    std::u16string wideKey, wideValue;
    for (size_t i = 0; i + 1 < key.size(); i += 2)
        wideKey.push_back(static_cast<char16_t>(static_cast<unsigned char>(key[i]) | (static_cast<unsigned char>(key[i + 1]) << 8)));
    for (size_t i = 0; i + 1 < value.size(); i += 2)
        wideValue.push_back(static_cast<char16_t>(static_cast<unsigned char>(value[i]) | (static_cast<unsigned char>(value[i + 1]) << 8)));
    exercise<C_WIniFile>(file, C_WString(wideKey), C_WString(wideValue));
    std::error_code ignored;
    std::filesystem::remove(scratchFile(), ignored);
    return 0;
}
