// A Firefox cookie store of any bytes, read the way the login lookup reads it: from a private
// copy of the file (and of its "-wal" file when there is one).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/cookie/firefox_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("pelmora-fuzz-firefox-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    const std::filesystem::path store = dir / "cookies.sqlite";
    {
        std::ofstream out(store, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::string cookie;
    pelmora::cookie::readFirefoxCookies(store.string(), "www.nicovideo.jp", 1700000000, cookie);
    std::error_code ignored;
    std::filesystem::remove(store, ignored);
    return 0;
}
