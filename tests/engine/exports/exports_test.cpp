#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "engine/pelmora2.h"
#include "qarvo/file/library.h"

using namespace std::chrono_literals;

namespace {

struct Exports {
    decltype(&startParse) start = nullptr;
    decltype(&exitParse) exit = nullptr;
    decltype(&exitEntryParse) exitEntry = nullptr;
    decltype(&exitParseAll) exitAll = nullptr;
    decltype(&nicolive_update) update = nullptr;
    decltype(&isExistParse) exists = nullptr;
};

// What a caller keeps from one callback: it must copy during the call.
struct Seen {
    std::mutex mutex;
    std::condition_variable changed;
    int calls = 0;
    int code = -1;
    std::u16string firstText;
    int chats = 0;
    intptr_t value = 0;
};

void onResult(int, int code, const ParseResult* result, intptr_t userValue)
{
    Seen* seen = reinterpret_cast<Seen*>(userValue);
    std::lock_guard<std::mutex> lock(seen->mutex);
    seen->code = code;
    seen->value = userValue;
    if (result)
        for (const ChatEntry* e = result->chats; e; e = e->next)
            if (seen->chats++ == 0)
                seen->firstText = e->text;
    ++seen->calls;
    seen->changed.notify_all();
}

}  // namespace

TEST(EngineLibrary, ExportsTheSixFunctionsAndRunsAJob)
{
    qarvo::C_Library library;
    ASSERT_EQ(library.Load(qarvo::C_String(PELMORA2_PATH)), 1) << library.GetLastErrorText().c_str();
    Exports e;
    e.start = reinterpret_cast<decltype(e.start)>(library.GetProc("startParse"));
    e.exit = reinterpret_cast<decltype(e.exit)>(library.GetProc("exitParse"));
    e.exitEntry = reinterpret_cast<decltype(e.exitEntry)>(library.GetProc("exitEntryParse"));
    e.exitAll = reinterpret_cast<decltype(e.exitAll)>(library.GetProc("exitParseAll"));
    e.update = reinterpret_cast<decltype(e.update)>(library.GetProc("nicolive_update"));
    e.exists = reinterpret_cast<decltype(e.exists)>(library.GetProc("isExistParse"));
    ASSERT_TRUE(e.start && e.exit && e.exitEntry && e.exitAll && e.update && e.exists);
    // Internals stay inside: the library's own helpers are not reachable by name.
    EXPECT_EQ(library.GetProc("_ZN7pelmora6engine10engineJobsEv"), nullptr);

    const auto dir = std::filesystem::temp_directory_path() / ("pelmora-exports-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "c.xml";
    std::ofstream(file, std::ios::binary) << "<packet><chat no=\"1\">&amp;\xE3\x81\x82</chat></packet>";
    const std::string path = file.string();
    const std::u16string request = std::u16string(path.begin(), path.end()) + u" decode";

    // A pointer must come back unchanged through the caller value, high bits included.
    Seen seen;
    EXPECT_EQ(e.start(request.c_str(), reinterpret_cast<intptr_t>(&seen), nullptr), -1);
    const int id = e.start(request.c_str(), reinterpret_cast<intptr_t>(&seen), onResult);
    EXPECT_EQ(id, 1);  // the first job of a freshly loaded library
    {
        std::unique_lock<std::mutex> lock(seen.mutex);
        ASSERT_TRUE(seen.changed.wait_for(lock, 30s, [&] { return seen.calls > 0; }));
        EXPECT_EQ(seen.value, reinterpret_cast<intptr_t>(&seen));
        EXPECT_EQ(seen.code, 0);
        EXPECT_EQ(seen.chats, 1);
        EXPECT_EQ(seen.firstText, u"&amp;\u3042");
    }
    e.exit(id);
    EXPECT_EQ(e.exists(id), 0);
    EXPECT_EQ(e.update(id), 0);
    e.exitEntry(id);
    e.exitAll();
    std::filesystem::remove_all(dir);
}
