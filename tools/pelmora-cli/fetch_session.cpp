#include "tools/pelmora-cli/fetch_session.h"

#include <chrono>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/platform/interrupt.h"
#include "qarvo/time/clock.h"
#include "subtitles/ass_writer.h"
#include "tools/pelmora-cli/comment_format.h"

namespace pelmora::cli {
namespace {

// How often a followed live job is asked for its new comments, and how often the end of a job
// is looked for.
constexpr int kFollowIntervalMillis = 1000;
constexpr int kPollMillis = 50;
// At the end of a follow the job is woken once more for what came since the last batch; a
// quiet broadcast gives nothing, so the wait for it is bounded.
constexpr int kLastBatchMillis = 2000;

}  // namespace

FetchSession::FetchSession(const EngineFunctions& engine, const CliOptions& options, std::FILE* out, std::FILE* err)
    : m_engine(engine), m_options(options), m_out(out), m_err(err)
{
}

std::string FetchSession::requestText(const CliOptions& options)
{
    if (options.command == Command::Decode)
        return options.target + " decode";
    // The raw XML is kept only when the mode word asks for it; the retries are reported on
    // stderr as they happen.
    const bool wantXml = !options.xmlPath.empty() && options.mode.find("xml") == std::string::npos;
    const bool addAll = options.all && options.mode.find("all") == std::string::npos;
    return options.target + " " + std::to_string(options.count) + " progress_" + (wantXml ? "xml_" : "") +
           options.mode + (addAll ? "_all" : "");
}

void FetchSession::onResult(int, int code, const ParseResult* result, intptr_t userValue)
{
    reinterpret_cast<FetchSession*>(userValue)->handleResult(code, result);
}

// On the job thread: everything the result points to is valid only during this call.
void FetchSession::handleResult(int code, const ParseResult* result)
{
    // The job goes on: say why it takes longer.
    if (code == PELMORA_RESULT_PROGRESS) {
        if (result && result->extra1 && *result->extra1)
            std::fprintf(m_err, "pelmora-cli: %s\n", result->extra1);
        return;
    }
    if (result) {
        // For the service's jobs the engine says here why it found no login.
        if (result->extra2 && *result->extra2 && !m_loginReported) {
            std::fprintf(m_err, "pelmora-cli: login: %s\n", result->extra2);
            m_loginReported = true;
        }
        // Lines are gathered and written in large pieces: a hundred thousand comments should not
        // cost a hundred thousand calls.
        constexpr size_t kWriteBytes = 256 * 1024;
        std::string lines;
        for (const ChatEntry* chat = result->chats; chat; chat = chat->next) {
            if (m_options.format == OutputFormat::Ass) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_subtitles.push_back({chat->vpos, chat->no, decodedText(chat->text), toUtf8(chat->mail),
                                       chat->deleted != 0, false});
                continue;
            }
            if (m_options.format == OutputFormat::Jsonl)
                appendCommentJson(lines, *chat);
            else
                lines += formatCommentLine(*chat);
            if (lines.size() >= kWriteBytes) {
                std::fwrite(lines.data(), 1, lines.size(), m_out);
                lines.clear();
            }
        }
        std::fwrite(lines.data(), 1, lines.size(), m_out);
        std::fflush(m_out);
        // A live job's connection state: what it did to keep following.
        if (code == PELMORA_RESULT_SUCCESS && result->extra1 && *result->extra1)
            std::fprintf(m_err, "pelmora-cli: %s\n", result->extra1);
        if (m_xml.IsOpen() && result->rawXmlData && result->rawXmlSize > 0 &&
            m_xml.Write(result->rawXmlData, result->rawXmlSize) != result->rawXmlSize) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_xmlFailed = true;
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_batches;
    m_lastCode = code;
    m_lastState = result && result->stateText ? result->stateText : "";
    m_changed.notify_all();
}

// Asks a followed job for what came since its last batch and waits a little for it.
void FetchSession::collectLastBatch(int jobId)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const int before = m_batches;
    lock.unlock();
    if (m_engine.nicolive_update(jobId) == 0)
        return;
    lock.lock();
    m_changed.wait_for(lock, std::chrono::milliseconds(kLastBatchMillis), [&] { return m_batches > before; });
}

bool FetchSession::waitForFirstBatch(int jobId)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_batches == 0) {
        // The job thread may end without a callback only if something went badly wrong;
        // looking now and then keeps us from waiting forever.
        if (m_changed.wait_for(lock, std::chrono::milliseconds(kPollMillis), [this] { return m_batches > 0; }))
            break;
        lock.unlock();
        // Ctrl+C before anything came: the job is stopped and reports it.
        if (qarvo::platform::interruptRequested())
            m_engine.exitEntryParse(jobId);
        const bool running = m_engine.isExistParse(jobId) != 0;
        lock.lock();
        if (!running && m_batches == 0)
            return false;
    }
    return true;
}

// After the job has ended: no callback touches the comments any more.
void FetchSession::writeSubtitles()
{
    subtitles::AssOptions options;
    options.title = m_options.target;
    const subtitles::AssDocument document = subtitles::writeAss(m_subtitles, options);
    std::fwrite(document.text.data(), 1, document.text.size(), m_out);
    std::fflush(m_out);
    if (document.leftOut > 0)
        std::fprintf(m_err, "pelmora-cli: %d comments found no free lane and were left out\n", document.leftOut);
}

int FetchSession::Run()
{
    if (!m_options.xmlPath.empty()) {
        const qarvo::C_WString path = qarvo::common::System::utf8_to_utf16(qarvo::C_String(m_options.xmlPath));
        if (!m_xml.Open(path, qarvo::FileFlags::Binary | qarvo::FileFlags::WriteOnly | qarvo::FileFlags::Create |
                                  qarvo::FileFlags::Truncate)) {
            std::fprintf(m_err, "pelmora-cli: cannot write %s: %s\n", m_options.xmlPath.c_str(),
                         m_xml.GetLastErrorText().c_str());
            return kExitOutputFile;
        }
    }

    const qarvo::C_WString request = qarvo::common::System::utf8_to_utf16(qarvo::C_String(requestText(m_options)));
    const int jobId = m_engine.startParse(reinterpret_cast<const pelmora_wchar*>(request.c_str()),
                                          reinterpret_cast<intptr_t>(this), &FetchSession::onResult);
    if (jobId < 0) {
        std::fprintf(m_err, "pelmora-cli: the engine did not start the job\n");
        return kExitNotStarted;
    }

    const bool following = m_options.followSeconds > 0;
    // A follow ends on its schedule or at Ctrl+C, the same way: after the last batch is out.
    if (following && !qarvo::platform::watchInterrupts())
        std::fprintf(m_err, "pelmora-cli: Ctrl+C will not end the follow in order\n");

    if (!waitForFirstBatch(jobId)) {
        m_engine.exitParse(jobId);
        std::fprintf(m_err, "pelmora-cli: the job ended without a result\n");
        return kExitNotStarted;
    }

    bool followEnded = false;
    if (following) {
        const uint32_t start = qarvo_time_millis();
        const uint32_t limit = static_cast<uint32_t>(m_options.followSeconds) * 1000u;
        uint32_t lastWake = start;
        while (m_engine.isExistParse(jobId) && qarvo_time_millis() - start < limit &&
               !qarvo::platform::interruptRequested()) {
            qarvo_sleep_millis(kPollMillis);
            if (qarvo_time_millis() - lastWake >= static_cast<uint32_t>(kFollowIntervalMillis)) {
                lastWake = qarvo_time_millis();
                m_engine.nicolive_update(jobId);
            }
        }
        // A job that ended by itself keeps its own code (a broadcast that ended: 9).
        followEnded = m_engine.isExistParse(jobId) != 0;
        if (followEnded)
            collectLastBatch(jobId);
    }
    // A video job has ended by now; a live job is stopped here.
    m_engine.exitParse(jobId);
    m_xml.Close();

    int code;
    bool xmlFailed;
    std::string state;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        code = m_lastCode;
        xmlFailed = m_xmlFailed;
        state = m_lastState;
    }
    // Stopping a followed job is how a follow ends, not a failure: its batches are all out.
    if (followEnded && code == PELMORA_RESULT_STOPPED)
        code = PELMORA_RESULT_SUCCESS;
    if (code != 0) {
        std::fprintf(m_err, "pelmora-cli: failed with code %d: %s%s%s\n", code, pelmora_result_text(code),
                     state.empty() ? "" : ": ", state.c_str());
        return code;
    }
    if (xmlFailed) {
        std::fprintf(m_err, "pelmora-cli: writing %s failed\n", m_options.xmlPath.c_str());
        return kExitOutputFile;
    }
    if (m_options.format == OutputFormat::Ass)
        writeSubtitles();
    return 0;
}

}  // namespace pelmora::cli
