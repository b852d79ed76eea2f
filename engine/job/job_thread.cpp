#include "engine/job/job_thread.h"

#include <memory>
#include <new>

#include "engine/cookie/browser_cookie.h"
#include "engine/handlers/dispatch.h"
#include "engine/handlers/live_handler.h"
#include "engine/job/job_registry.h"
#include "engine/job/request_words.h"
#include "engine/parse/local_file.h"
#include "engine/parse/parse_context.h"
#include "engine/parse/parse_result.h"
#include "engine/service/endpoints.h"

namespace pelmora::engine {
namespace {

// The live loop looks at its flags this often while it waits for the next wake-up.
constexpr int kLiveWaitMillis = 10;

// Reports of a job that goes on after a setback, as callbacks of their own.
class ProgressReports final : public I_JobProgress {
public:
    explicit ProgressReports(tagThreadParam& job) : m_job(job) {}
    void Report(const char* state) override
    {
        ParseResult report{};
        report.extra1 = state;
        m_job.callback(m_job.id, PELMORA_RESULT_PROGRESS, &report, m_job.userValue);
    }

private:
    tagThreadParam& m_job;
};

class JobRun {
public:
    explicit JobRun(tagThreadParam& job) : m_job(job), m_registry(*job.registry), m_progress(job)
    {
        m_context.stopFlag = &job.stop;
        m_context.exitingAll = &m_registry.ExitingAllFlag();
    }

    void Run()
    {
        m_words = splitRequest(m_job.request);
        // Only a caller that knows the progress code asks for it.
        if (modeHas(m_words, u"progress"))
            m_context.progress = &m_progress;
        // A copy: handlers get the words to change.
        const qarvo::C_WString wideAddress = m_words.GetString(kAddressWord);
        if (m_words.Length() >= 2 && m_words.GetString(kCountWord).Equals(u"decode")) {
            runLocalFile(wideAddress);
            return;
        }

        m_address = wideAddress.ToString();
        m_handler = handlerFor(classifyAddress(m_address));
        const int code = callHandler();
        m_result.Build(m_context);
        if (code == PELMORA_RESULT_SUCCESS &&
            (wideAddress.Contains(endpoints::kLiveMarker) || wideAddress.Contains(endpoints::kJikkyoMarker))) {
            runLiveLoop();
        } else {
            deliver(code, m_result.get());
            finishDelivery();
        }
    }

private:
    bool stopped() const { return m_context.stopRequested(); }

    enum class Counted { Yes, No };

    void deliver(int code, const ParseResult* result, Counted counted = Counted::Yes)
    {
        m_job.callback(m_job.id, code, result, m_job.userValue);
        if (counted == Counted::Yes)
            m_job.deliveries.fetch_add(1);
    }

    // A handler or the local-file reader that runs out of memory (an absurdly large answer)
    // ends the job with a failure code instead of taking the caller's process down.
    int callHandler()
    {
        int code;
        try {
            code = m_handler(m_address.c_str(), m_words, m_context);
        } catch (const std::bad_alloc&) {
            m_context.clearChats();
            code = PELMORA_RESULT_REQUEST_FAILED;
        }
        noteLoginReport();
        return code;
    }

    // Why no login was found, for the caller's messages. The service's jobs leave extra2
    // unused; the other sites' handlers fill it with what they found themselves.
    void noteLoginReport()
    {
        const std::string report = cookie::takeLookupReport();
        if (!report.empty() && m_context.extra2.IsEmpty() && classifyAddress(m_address) == AddressKind::Service)
            m_context.extra2 = qarvo::C_String(report);
    }

    // The caller has copied what it keeps: the comments and their blocks go.
    void finishDelivery()
    {
        m_result.Free();
        m_context.clearChats();
    }

    void runLocalFile(const qarvo::C_WString& path)
    {
        int code = PELMORA_RESULT_REQUEST_FAILED;
        try {
            code = decodeCommentFile(path, m_context);
        } catch (const std::bad_alloc&) {
            m_context.clearChats();
        }
        if (code != PELMORA_RESULT_SUCCESS) {
            deliver(code, nullptr);
            return;
        }
        deliver(code, m_result.Build(m_context));
        finishDelivery();
    }

    void runLiveLoop()
    {
        qarvo::C_Event* wake = m_registry.PrepareWakeEvent(m_job);
        deliver(PELMORA_RESULT_SUCCESS, m_result.get());
        finishDelivery();
        // Every later cycle asks only for what is new since the last one.
        setWord(m_words, kCountWord, qarvo::C_WString(u"2"));

        while (!stopped()) {
            if (wake->Wait(kLiveWaitMillis) == qarvo::C_Event::TimedOut)
                continue;
            if (stopped())
                break;
            wake->ResetEvent();
            const int code = callHandler();
            m_result.Build(m_context);
            if (code != PELMORA_RESULT_SUCCESS) {
                deliver(code, m_result.get(), Counted::No);
                break;
            }
            deliver(code, m_result.get());
            finishDelivery();
        }

        m_registry.DropWakeEvent(m_job);
        closeLiveConnection(m_context);
        finishDelivery();
    }

    tagThreadParam& m_job;
    JobRegistry& m_registry;
    ProgressReports m_progress;
    ParseContext m_context;
    ResultRecord m_result;
    qarvo::C_WArrayString m_words;
    qarvo::C_String m_address;
    Handler m_handler = nullptr;
};

}  // namespace

unsigned runParseJob(void* arg)
{
    const std::unique_ptr<qarvo::common::Pointer<tagThreadParam>> owned(
        static_cast<qarvo::common::Pointer<tagThreadParam>*>(arg));
    const qarvo::common::Pointer<tagThreadParam> job = *owned;
    {
        JobRun run(*job);
        run.Run();
    }
    return 0;
}

}  // namespace pelmora::engine
