#pragma once
// One job of the engine run from the command line: start it, print every batch the callback
// delivers, wake a live job once a second while following it, and stop it at the end (of its
// schedule, or at Ctrl+C) after its last batch.

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include <vector>

#include "qarvo/file/file_stream.h"
#include "subtitles/subtitle_comment.h"
#include "tools/pelmora-cli/cli_options.h"
#include "tools/pelmora-cli/engine_binding.h"

namespace pelmora::cli {

class FetchSession {
public:
    FetchSession(const EngineFunctions& engine, const CliOptions& options, std::FILE* out, std::FILE* err);

    // Runs the job to its end and returns the exit status (the engine's last result code).
    int Run();

    // The request text the engine gets for these options (UTF-8).
    static std::string requestText(const CliOptions& options);

private:
    static void onResult(int jobId, int code, const ParseResult* result, intptr_t userValue);
    void handleResult(int code, const ParseResult* result);
    // Waits until the first batch came or the job ended; false when the job ended without one.
    bool waitForFirstBatch(int jobId);
    void collectLastBatch(int jobId);
    void writeSubtitles();

    const EngineFunctions& m_engine;
    const CliOptions& m_options;
    std::FILE* m_out;
    std::FILE* m_err;
    qarvo::C_FileStream m_xml;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_batches = 0;
    int m_lastCode = 0;
    std::string m_lastState;  // the engine's state text of the last delivery
    bool m_xmlFailed = false;
    // --format ass: every comment of every batch, written as one file at the end.
    std::vector<subtitles::SubtitleComment> m_subtitles;
    bool m_loginReported = false;
};

}  // namespace pelmora::cli
