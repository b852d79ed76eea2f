#include "tools/pelmora-cli/engine_binding.h"

#include "qarvo/file/path.h"

namespace pelmora::cli {
namespace {

template <class Fn>
bool bind(qarvo::C_Library& library, const char* name, Fn& out, std::string& error)
{
    void* symbol = library.GetProc(name);
    if (!symbol) {
        error += error.empty() ? "" : ", ";
        error += name;
        return false;
    }
    out = reinterpret_cast<Fn>(symbol);
    return true;
}

}  // namespace

EngineBinding::~EngineBinding()
{
    if (m_functions.exitParseAll)
        m_functions.exitParseAll();
}

std::vector<std::string> EngineBinding::defaultCandidates()
{
    return qarvo::qarvo_ProgramFileCandidates(std::string("dll/") + PELMORA2_LIBRARY_NAME,
                                              std::string("lib/pelmora/") + PELMORA2_LIBRARY_NAME);
}

bool EngineBinding::Load(const std::string& explicitPath, std::string& error)
{
    const std::vector<std::string> candidates =
        explicitPath.empty() ? defaultCandidates() : std::vector<std::string>{explicitPath};
    std::string reasons;
    for (const std::string& path : candidates) {
        if (m_library.Load(qarvo::C_String(path))) {
            m_path = path;
            break;
        }
        reasons += "\n  " + path + ": " + m_library.GetLastErrorText().std();
    }
    if (!m_library.IsLoaded()) {
        error = "cannot load the engine library:" + reasons;
        return false;
    }

    EngineFunctions f;
    std::string missing;
    bool ok = bind(m_library, "startParse", f.startParse, missing);
    ok = bind(m_library, "exitParse", f.exitParse, missing) && ok;
    ok = bind(m_library, "exitEntryParse", f.exitEntryParse, missing) && ok;
    ok = bind(m_library, "exitParseAll", f.exitParseAll, missing) && ok;
    ok = bind(m_library, "nicolive_update", f.nicolive_update, missing) && ok;
    ok = bind(m_library, "isExistParse", f.isExistParse, missing) && ok;
    if (!ok) {
        error = m_path + " lacks the function(s) " + missing;
        m_library.Free();
        return false;
    }
    m_functions = f;
    return true;
}

}  // namespace pelmora::cli
