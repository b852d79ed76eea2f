#include "viewer/core/app/engine_binding.h"

#include "qarvo/file/path.h"

namespace pelmora::viewer {

namespace {

constexpr int kBindAttempts = 3;

template <class Fn>
bool bindOne(qarvo::C_Library& library, const char* name, Fn& out)
{
    out = reinterpret_cast<Fn>(library.GetProc(name));
    return out != nullptr;
}

}  // namespace

std::vector<std::string> C_EngineBinding::DefaultCandidates()
{
    return qarvo::qarvo_ProgramFileCandidates(std::string("dll/") + PELMORA2_LIBRARY_NAME,
                                              std::string("lib/pelmora/") + PELMORA2_LIBRARY_NAME);
}

C_EngineBinding::LoadResult C_EngineBinding::Load(const std::vector<std::string>& candidates)
{
    if (IsLoaded())
        return LoadResult::Loaded;
    for (int attempt = 0; attempt < kBindAttempts; ++attempt) {
        bool loaded = false;
        for (const std::string& path : candidates) {
            if (m_library.Load(qarvo::C_String(path))) {
                loaded = true;
                break;
            }
        }
        if (!loaded)
            return LoadResult::NotFound;
        if (bindAll())
            return LoadResult::Loaded;
        Free();
    }
    return LoadResult::Invalid;
}

bool C_EngineBinding::bindAll()
{
    // In the order the exports have always been looked up.
    return bindOne(m_library, "startParse", startParse) && bindOne(m_library, "exitParse", exitParse) &&
           bindOne(m_library, "exitEntryParse", exitEntryParse) &&
           bindOne(m_library, "exitParseAll", exitParseAll) &&
           bindOne(m_library, "nicolive_update", nicolive_update) &&
           bindOne(m_library, "isExistParse", isExistParse);
}

void C_EngineBinding::clearPointers()
{
    startParse = nullptr;
    exitParse = nullptr;
    exitEntryParse = nullptr;
    exitParseAll = nullptr;
    nicolive_update = nullptr;
    isExistParse = nullptr;
}

void C_EngineBinding::Free()
{
    clearPointers();
    m_library.Free();
}

}  // namespace pelmora::viewer
