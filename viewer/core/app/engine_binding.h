#pragma once
// The viewer's side of the engine boundary: the library loaded by path at the first fetch and
// its six exports bound by name. Not locked itself; C_App guards it with C_MainWnd::m_cs.

#include <string>
#include <vector>

#include "engine/pelmora2.h"
#include "qarvo/file/library.h"
#include "qarvo/text/string.h"

namespace pelmora::viewer {

class C_EngineBinding {
public:
    enum class LoadResult { Loaded, NotFound, Invalid };

    using StartParseFn = int (*)(const pelmora_wchar*, intptr_t, ParseCallback);
    using JobFn = void (*)(int);
    using AllFn = void (*)();
    using JobQueryFn = int (*)(int);

    C_EngineBinding() = default;
    ~C_EngineBinding() { Free(); }
    C_EngineBinding(const C_EngineBinding&) = delete;
    C_EngineBinding& operator=(const C_EngineBinding&) = delete;

    // "dll/libPelmora2.so" relative to the current folder, then beside the executable, then
    // "lib/pelmora/libPelmora2.so" under the installation prefix.
    static std::vector<std::string> DefaultCandidates();

    // The first candidate that loads is bound. A library that lacks an export is freed and
    // tried again, three times in all, before it counts as invalid.
    LoadResult Load(const std::vector<std::string>& candidates);
    void Free();
    bool IsLoaded() const { return m_library.IsLoaded(); }

    StartParseFn startParse = nullptr;
    JobFn exitParse = nullptr;
    JobFn exitEntryParse = nullptr;
    AllFn exitParseAll = nullptr;
    JobQueryFn nicolive_update = nullptr;
    JobQueryFn isExistParse = nullptr;

private:
    bool bindAll();
    void clearPointers();

    qarvo::C_Library m_library;
};

}  // namespace pelmora::viewer
