#include "engine/job/job_registry.h"

#include <memory>

#include "engine/job/job_thread.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {
namespace {

constexpr int kExitAllPollMillis = 50;

// Joins a job's thread and releases its handle. A job unlinked from the list has exactly one
// owner left to do this, so no thread is joined twice. (Called on the job's own thread, from
// inside its callback, the join returns at once and the thread runs on unattached.)
void joinAndClose(tagThreadParam& job)
{
    qarvo_join_thread(job.thread, nullptr);
    qarvo_close_thread(job.thread);
    job.thread = nullptr;
}

}  // namespace

JobRegistry::~JobRegistry()
{
    ExitAll();
}

int JobRegistry::Start(const pelmora_wchar* request, intptr_t userValue, ParseCallback callback)
{
    if (!callback)
        return -1;
    while (m_exitingAll.load() != 0)
        qarvo_sleep_millis(kExitAllPollMillis);

    JobPointer job = qarvo::common::MakePointer<tagThreadParam>();
    job->request = qarvo::C_WString(request ? reinterpret_cast<const char16_t*>(request) : u"");
    job->callback = callback;
    job->userValue = userValue;
    job->registry = this;

    qarvo::C_CriticalLock lock(m_lock);
    job->id = m_lastJobId + 1;
    reapFinishedLocked();
    auto threadOwned = std::make_unique<JobPointer>(job);
    qarvo_thread_t thread = qarvo_create_thread(runParseJob, threadOwned.get());
    if (!thread)
        return -1;
    threadOwned.release();  // the thread owns it now
    job->thread = thread;
    m_lastJobId = job->id;
    m_jobs.push_back(job);
    return job->id;
}

void JobRegistry::Exit(int jobId)
{
    qarvo::C_CriticalLock lock(m_lock);
    JobPointer job = findLocked(jobId);
    if (!job)
        return;
    m_jobs.remove(job);
    lock.Unlock();
    job->stop.store(1);
    joinAndClose(*job);
}

void JobRegistry::ExitEntry(int jobId)
{
    qarvo::C_CriticalLock lock(m_lock);
    if (JobPointer job = findLocked(jobId))
        job->stop.store(1);
}

void JobRegistry::ExitAll()
{
    m_exitingAll.store(1);
    qarvo::C_CriticalLock lock(m_lock);
    // Each job leaves the list before its thread is joined without the lock, so a concurrent
    // exitParse can never join the same thread again, and jobs that slipped in meanwhile are
    // stopped too.
    while (!m_jobs.empty()) {
        JobPointer job = m_jobs.front();
        m_jobs.pop_front();
        job->stop.store(1);
        if (job->wakeEvent)
            job->wakeEvent->SetEvent();
        lock.Unlock();
        joinAndClose(*job);
        lock.Lock();
    }
    m_exitingAll.store(0);
}

int JobRegistry::Wake(int jobId)
{
    qarvo::C_CriticalLock lock(m_lock);
    JobPointer job = findLocked(jobId);
    if (!job || !job->wakeEvent)
        return 0;
    job->wakeEvent->SetEvent();
    return 1;
}

int JobRegistry::IsRunning(int jobId)
{
    qarvo::C_CriticalLock lock(m_lock);
    JobPointer job = findLocked(jobId);
    return job && qarvo_is_thread_running(job->thread) ? 1 : 0;
}

int JobRegistry::JobCount()
{
    qarvo::C_CriticalLock lock(m_lock);
    return static_cast<int>(m_jobs.size());
}

qarvo::C_Event* JobRegistry::PrepareWakeEvent(tagThreadParam& job)
{
    qarvo::C_CriticalLock lock(m_lock);
    if (!job.wakeEvent)
        job.wakeEvent = std::make_unique<qarvo::C_Event>();
    job.wakeEvent->ResetEvent();
    return job.wakeEvent.get();
}

void JobRegistry::DropWakeEvent(tagThreadParam& job)
{
    qarvo::C_CriticalLock lock(m_lock);
    job.wakeEvent.reset();
}

JobPointer JobRegistry::findLocked(int jobId)
{
    for (const JobPointer& job : m_jobs)
        if (job->id == jobId)
            return job;
    return JobPointer();
}

void JobRegistry::reapFinishedLocked()
{
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (qarvo_is_thread_running((*it)->thread)) {
            ++it;
            continue;
        }
        joinAndClose(**it);
        it = m_jobs.erase(it);
    }
}

JobRegistry& engineJobs()
{
    static JobRegistry registry;
    return registry;
}

}  // namespace pelmora::engine
