#pragma once
// The engine's jobs: the list of started jobs, the id counter, the "everything is closing" flag
// and the lock that guards them. The six exports are thin calls into the library's one
// registry; tests make registries of their own.

#include <atomic>
#include <list>

#include "engine/job/thread_param.h"
#include "qarvo/text/pointer.h"
#include "qarvo/thread/critical_section.h"

namespace pelmora::engine {

using JobPointer = qarvo::common::Pointer<tagThreadParam>;

class JobRegistry {
public:
    JobRegistry() = default;
    // Stops and joins whatever still runs: no job thread may outlive the list it belongs to.
    ~JobRegistry();
    JobRegistry(const JobRegistry&) = delete;
    JobRegistry& operator=(const JobRegistry&) = delete;

    // startParse: the new job's id, or -1 for a null callback or a thread that cannot start.
    int Start(const pelmora_wchar* request, intptr_t userValue, ParseCallback callback);
    // exitParse: stops the job and waits for its thread.
    void Exit(int jobId);
    // exitEntryParse: asks the job to stop and returns at once.
    void ExitEntry(int jobId);
    // exitParseAll: stops every job and waits for all of them.
    void ExitAll();
    // nicolive_update: 1 when a live job waiting for its next cycle was woken.
    int Wake(int jobId);
    // isExistParse: 1 while the job's thread runs.
    int IsRunning(int jobId);

    // Jobs in the list, finished ones not yet reaped included.
    int JobCount();

    // For the job thread.
    const std::atomic<int>& ExitingAllFlag() const { return m_exitingAll; }
    // Gives the job its wake event (made once, reset each time). The event lives until
    // DropWakeEvent, which only the job thread calls, so the job thread may wait on it
    // without the lock.
    qarvo::C_Event* PrepareWakeEvent(tagThreadParam& job);
    void DropWakeEvent(tagThreadParam& job);

private:
    // Call with the lock held.
    JobPointer findLocked(int jobId);
    void reapFinishedLocked();

    qarvo::C_CriticalSection m_lock;
    std::list<JobPointer> m_jobs;  // in order of start
    int m_lastJobId = 0;
    std::atomic<int> m_exitingAll{0};
};

// The registry behind the library's exports.
JobRegistry& engineJobs();

}  // namespace pelmora::engine
