#pragma once
// C_HttpAsync: the HTTP client of the whole system. Configure it, Open an address with a
// time-out, then Connect: the call returns at once while a worker thread connects, sends
// the request and reads the answer. Poll GetLastCommandStat (0 while running), block in
// WaitForConnecting, or pull body bytes with ReaderStream as they arrive.
//
// One exchange at a time per object. The owner thread configures, starts, polls, aborts and
// closes; only the worker touches the connection while the status is 0.

#include "qarvo/http/http_interface.h"
#include "qarvo/thread/event.h"
#include "qarvo/thread/thread.h"

namespace qarvo {

class C_HttpAsync : public I_Http {
public:
    static constexpr const char* kUserAgent = "agent_async1.17";

    C_HttpAsync();
    ~C_HttpAsync() override;
    C_HttpAsync(const C_HttpAsync&) = delete;
    C_HttpAsync& operator=(const C_HttpAsync&) = delete;

    // Starts the worker for the opened address. 1 when it started; 0 with state 16 before
    // Open, 18 while a worker (running or finished and not yet joined) is held.
    int Connect();
    // A further request on a kept-alive connection (HTTP/1.1, keep-alive): an absolute
    // address on the same host and scheme, or a path.
    int Request(const C_String& url);
    // Waits for the end of the exchange; the command status.
    int WaitForConnecting();
    // Raises the abort flag and waits for the worker to end (within about 50 ms). 1 when
    // there was a worker. The bytes received so far stay readable.
    int Abort();
    // Asks for the rest of an interrupted download with a Range line; the new bytes are placed
    // after the kept ones. With `noConnect` non-zero it only re-opens.
    int Resume(int noConnect = 0);
    // Reader-stream mode: up to `max` body bytes into `out`, waiting up to `timeOutMs`
    // (negative: without limit). The count; when none, 0 at the end of the body, else -1.
    // -1 when the mode is off.
    int ReaderStream(C_Memory* out, int max, int timeOutMs);
    // Ends the exchange (aborting a running one), closes the connection and resets the
    // per-request settings. 0 when nothing was open.
    int Close();
    // Close, and also forget request properties, the body and the stream buffer.
    void ShutDown();

private:
    static unsigned workerMain(void* self);
    int startWorker(bool connect);
    void joinWorker();

    qarvo_thread_t m_thread = nullptr;
    std::unique_ptr<C_Event> m_done;
    bool m_connectFlag = true;
};

}  // namespace qarvo
