// The six functions the library exports; everything else in it stays hidden.

#include "engine/job/job_registry.h"
#include "engine/pelmora2.h"

using pelmora::engine::engineJobs;

extern "C" {

PELMORA2_API int startParse(const pelmora_wchar* request, intptr_t userValue, ParseCallback callback)
{
    return engineJobs().Start(request, userValue, callback);
}

PELMORA2_API void exitParse(int jobId)
{
    engineJobs().Exit(jobId);
}

PELMORA2_API void exitEntryParse(int jobId)
{
    engineJobs().ExitEntry(jobId);
}

PELMORA2_API void exitParseAll(void)
{
    engineJobs().ExitAll();
}

PELMORA2_API int nicolive_update(int jobId)
{
    return engineJobs().Wake(jobId);
}

PELMORA2_API int isExistParse(int jobId)
{
    return engineJobs().IsRunning(jobId);
}

}  // extern "C"
