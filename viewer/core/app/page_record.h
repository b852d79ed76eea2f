#pragma once
// The records of one fetched address: the request handed to the engine and the page with its
// comments, files, timers and flow clock.
//
// Locking: every plain field of a page is read and written under the page map lock of C_App,
// except the comment collection, the flow clock and the records' flow fields, which the
// display thread walks without the lock while `updateState` is 0 (the store asks with 1 and
// waits for the display thread's -1 before it changes the collection).

#include <atomic>
#include <mutex>

#include "qarvo/file/file_stream.h"
#include "qarvo/text/pointer.h"
#include "qarvo/text/string.h"
#include "viewer/core/model/comment_flow.h"
#include "viewer/core/model/comment_record.h"
#include "viewer/core/model/refetch_timer.h"
#include "viewer/core/model/tag_info.h"
#include "viewer/core/model/tag_layout.h"
#include "viewer/ui/types.h"

namespace pelmora::viewer {

using qarvo::C_WString;
using qarvo::ui::WindowHandle;

// The caller value of an engine job: the page's request. Its address is the value the engine
// hands back to the callback, so it stays alive (in the app's table of live requests) until
// no job of it can call back any more.
struct UserParam {
    C_WString identifier;
    std::atomic<int> renew{0};  // 0 first fetch of the page, 1 a refetch
    int reserved = 0;
    std::atomic<int> jobId{0};  // what startParse returned; 0 before the first start
};

using RequestPtr = qarvo::common::Pointer<UserParam>;

// The controls of a video page that other threads address; looked up once on the GUI thread
// when the page is made, so that no thread has to ask the GUI thread for them later.
struct VideoPageControls {
    WindowHandle commentButton = 0;  // 1051
    WindowHandle tagButton = 0;      // 1052
    WindowHandle commentGauge = 0;   // 1075
    WindowHandle tagGauge = 0;       // 1076
    WindowHandle domainSelector = 0; // 1019
    WindowHandle commentLabels[kCommentLabelCount] = {};  // 1020..1041
    WindowHandle tagLabels[kTagLabelCount] = {};                      // 1003..1017
};

struct NICO_LOCAL_PARAM {
    qarvo::C_FileStream textFile;
    C_WString textFileName;
    C_WString address;
    C_WString identifier;
    int getTag = 0;
    int saveText = 0;
    int lastNumber = 0;
    // 1 while the store changes (or asks to change) the collection or the page is closing;
    // -1 once the display thread has let go of it; 0 idle.
    std::atomic<int> updateState{0};
    RefetchTimer commentTimer;
    RefetchTimer tagTimer;
    std::atomic<int> closing{0};
    // Failure boxes of this page still open: its comment timer rests meanwhile, rather than
    // refetching (and failing, and boxing) behind the user's back.
    std::atomic<int> openBoxes{0};
    int isLive = 0;
    int saveXml = 0;
    FlowClock flow;
    RequestPtr request;

    // Batches of one page are stored one at a time (a stopped job may still deliver while
    // the next one starts).
    std::mutex storeLock;
    WindowHandle window = 0;
    VideoPageControls controls;
    CommentCollection comments;
    TagLists tags;
};

using PagePtr = qarvo::common::Pointer<NICO_LOCAL_PARAM>;

}  // namespace pelmora::viewer
