#pragma once
// The boundary of the comment fetch engine Pelmora2: the records handed to the caller, the
// callback type, the result codes and the six exported functions. This is the only engine
// header that the viewer and pelmora-cli include; they load the library at run time and bind
// the exports by name, so nothing here may change its layout or meaning lightly.
//
// Ownership: every record and string reached from a ParseResult belongs to the engine and is
// valid only while the callback runs. Copy what you keep.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Wide text crossing the boundary is UTF-16 on every platform.
#ifdef _WIN32
typedef wchar_t pelmora_wchar;
#elif defined(__cplusplus)
typedef char16_t pelmora_wchar;
#else
#include <uchar.h>
typedef char16_t pelmora_wchar;
#endif

#if defined(_WIN32)
#if defined(PELMORA2_BUILDING)
#define PELMORA2_API __declspec(dllexport)
#else
#define PELMORA2_API __declspec(dllimport)
#endif
#elif defined(PELMORA2_BUILDING)
#define PELMORA2_API __attribute__((visibility("default")))
#else
#define PELMORA2_API
#endif

// One comment. The numeric words come first so that the record keeps its historic layout
// (56 bytes on a 32-bit system).
typedef struct ChatEntry {
    int32_t anonymity;
    int32_t reserved;
    int64_t date;      // seconds since 1970 (UTC), as the server sends it
    int32_t mail184;   // 184 when the mail field contains "184", else 0
    int32_t deleted;
    int32_t no;        // comment number
    int32_t vpos;      // playback position in 1/100 s
    int32_t premium;
    const pelmora_wchar* thread;
    const pelmora_wchar* userId;
    const pelmora_wchar* text;  // the body as sent: character references are NOT decoded
    const pelmora_wchar* mail;
    struct ChatEntry* next;     // NULL at the end
} ChatEntry;

// What the comment server said about a thread. A video of today's comment interface has
// several threads (its forks: the owner's, the main one, the easy one); each gets an entry,
// chained through `next` in the order its comments are delivered. The fields up to `ticket`
// keep their historic layout; `next` was appended, so a reader that knows only the first
// entry still reads it as before.
typedef struct ThreadInfo {
    int32_t viewCounter;
    int32_t lastRes;       // the thread's last comment number
    int32_t resultCode;
    int32_t commentCount;  // today's interface: the thread's comment count; 0 otherwise (once unused)
    int64_t serverTime;
    const pelmora_wchar* thread;
    const pelmora_wchar* ticket;
    struct ThreadInfo* next;  // NULL at the end
} ThreadInfo;

typedef struct ParseResult {
    const char* title;  // UTF-8; NULL when the job learnt no title
    const char* videoUrl;
    const pelmora_wchar* extension;
    const char* cookie;
    const char* userInfo;
    const char* finalUrl;
    const char* cacheKey;
    // The other sites: what their handlers found. The service's live jobs: what happened to
    // the comment server's connection in this cycle ("reconnect 2: connected"), else empty.
    // A progress report (code 10): the report's text.
    const char* extra1;
    // The other sites: an extra request header line. The service's jobs: empty when the
    // browser's login was found, else why not (which stores were read and what failed, e.g.
    // "chrome (Default): the keyring did not answer; the login cookie could not be decrypted").
    const char* extra2;
    const unsigned char* auxBlockData;
    const unsigned char* rawXmlData;  // the comment server's raw UTF-8 answer, when asked for
    int32_t auxBlockSize;
    int32_t rawXmlSize;
    ChatEntry* chats;         // NULL when this delivery carries no comment
    ThreadInfo* threadInfo;   // set only when chats is not NULL
    // Appended after the historic fields: why the job failed (or what it is doing), in words
    // a user can act on, UTF-8; empty (never NULL) when there is nothing to say.
    const char* stateText;
} ParseResult;

// The callback's code.
typedef enum PelmoraResultCode {
    PELMORA_RESULT_SUCCESS = 0,
    PELMORA_RESULT_REQUEST_FAILED = 1,
    PELMORA_RESULT_NO_MESSAGE_SERVER = 2,
    PELMORA_RESULT_ACCESS_REFUSED = 4,
    PELMORA_RESULT_NOT_USABLE = 5,
    PELMORA_RESULT_FILE_UNREADABLE = 6,
    PELMORA_RESULT_STOPPED = 7,
    PELMORA_RESULT_NOT_FOUND = 8,
    PELMORA_RESULT_BROADCAST_ENDED = 9,
    // Not an end: the job goes on after a setback, and extra1 says which ("retry 2/5: ADDRESS"
    // when a request is tried again, "reconnect 3 in 4 s" before a live job connects again).
    // Sent only to jobs whose mode word holds "progress"; chats is NULL.
    PELMORA_RESULT_PROGRESS = 10
} PelmoraResultCode;

// Called on the job's own thread. `result` is NULL only for the local-file codes 5 and 6.
// Do not call exitParse or exitParseAll from here: use exitEntryParse.
typedef void (*ParseCallback)(int jobId, int code, const ParseResult* result, intptr_t userValue);

// Starts a job for a request "ADDRESS COUNT MODE" (or "PATH decode"); returns its id (1, 2,
// ...) or -1 when the callback is NULL or no thread could be started.
PELMORA2_API int startParse(const pelmora_wchar* request, intptr_t userValue, ParseCallback callback);
// Stops a job and waits until its thread has ended.
PELMORA2_API void exitParse(int jobId);
// Asks a job to stop and returns at once.
PELMORA2_API void exitEntryParse(int jobId);
// Stops every job and waits for all of them.
PELMORA2_API void exitParseAll(void);
// Wakes a live job for its next update cycle; 1 when a waiting live job was woken, else 0.
PELMORA2_API int nicolive_update(int jobId);
// 1 while the job's thread runs, else 0.
PELMORA2_API int isExistParse(int jobId);

// The library's file name, looked for in the folder "dll" (see pelmora-cli and the viewer).
#ifdef _WIN32
#define PELMORA2_LIBRARY_NAME "Pelmora2.dll"
#else
#define PELMORA2_LIBRARY_NAME "libPelmora2.so"
#endif

// A short English meaning of a result code, for messages.
static inline const char* pelmora_result_text(int code)
{
    switch (code) {
    case PELMORA_RESULT_SUCCESS: return "success";
    case PELMORA_RESULT_REQUEST_FAILED: return "a request failed or no comment arrived";
    case PELMORA_RESULT_NO_MESSAGE_SERVER: return "no comment server in the video information (not logged in?)";
    case PELMORA_RESULT_ACCESS_REFUSED: return "the service refused access after too many requests";
    case PELMORA_RESULT_NOT_USABLE: return "no usable title or video address, or not a comment XML file";
    case PELMORA_RESULT_FILE_UNREADABLE: return "the local file cannot be opened";
    case PELMORA_RESULT_STOPPED: return "the job was stopped";
    case PELMORA_RESULT_NOT_FOUND: return "the page answered 404 (not found)";
    case PELMORA_RESULT_BROADCAST_ENDED: return "the broadcast has ended";
    case PELMORA_RESULT_PROGRESS: return "the job goes on after a setback";
    default: return "unknown result code";
    }
}

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(void*) != 4 || sizeof(ChatEntry) == 56, "ChatEntry keeps its 32-bit layout");
// The historic prefixes stay where they were; the appended fields follow them.
static_assert(sizeof(void*) != 4 || offsetof(ThreadInfo, next) == 32, "ThreadInfo keeps its 32-bit layout");
static_assert(sizeof(void*) != 4 || offsetof(ParseResult, stateText) == 60,
              "ParseResult keeps its 32-bit layout");
static_assert(sizeof(pelmora_wchar) == 2, "wide text at the boundary is UTF-16");
#endif
