#pragma once
// The engine library loaded at run time and its six functions bound by name, the way the
// viewer binds them: pelmora-cli links nothing of the engine.

#include <string>
#include <vector>

#include "engine/pelmora2.h"
#include "qarvo/file/library.h"

namespace pelmora::cli {

struct EngineFunctions {
    int (*startParse)(const pelmora_wchar*, intptr_t, ParseCallback) = nullptr;
    void (*exitParse)(int) = nullptr;
    void (*exitEntryParse)(int) = nullptr;
    void (*exitParseAll)() = nullptr;
    int (*nicolive_update)(int) = nullptr;
    int (*isExistParse)(int) = nullptr;
};

class EngineBinding {
public:
    EngineBinding() = default;
    // Stops every job before the library goes away.
    ~EngineBinding();
    EngineBinding(const EngineBinding&) = delete;
    EngineBinding& operator=(const EngineBinding&) = delete;

    // Loads `explicitPath`, or when it is empty the candidates of defaultCandidates() in
    // order. False with a message in `error` when no library loads or a function is missing.
    bool Load(const std::string& explicitPath, std::string& error);
    const EngineFunctions& functions() const { return m_functions; }
    const std::string& loadedPath() const { return m_path; }

    // "dll/libPelmora2.so" relative to the current folder, then beside the executable, then
    // "lib/pelmora/libPelmora2.so" under the installation prefix.
    static std::vector<std::string> defaultCandidates();

private:
    qarvo::C_Library m_library;
    EngineFunctions m_functions;
    std::string m_path;
};

}  // namespace pelmora::cli
