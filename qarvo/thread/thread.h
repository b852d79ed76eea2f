#pragma once
// Plain threads addressed by a handle, for code written in the create / join / close style.
// Objects that own a thread loop should prefer C_ThreadEx.

struct qarvo_thread_record;
// Opaque handle; null means "no thread". Every handle from qarvo_create_thread must be given
// to qarvo_close_thread exactly once.
using qarvo_thread_t = qarvo_thread_record*;

// Starts fn(arg) on a new thread; null when the thread could not be created.
qarvo_thread_t qarvo_create_thread(unsigned (*fn)(void*), void* arg);
// Waits without limit for the thread to end and stores its exit code (the function's result,
// or the code given to qarvo_end_thread) when exitCode is not null. 0 when the thread has
// ended; -1 for a null handle or when called from that thread itself (it would wait forever).
int qarvo_join_thread(qarvo_thread_t h, int* exitCode);
// A zero-time look: true while the thread function has not returned.
bool qarvo_is_thread_running(qarvo_thread_t h);
// Releases the handle, waiting for the thread first when it was not joined yet. Called from
// the thread itself, it lets the thread run on unattached.
void qarvo_close_thread(qarvo_thread_t h);
// Ends the calling thread with `code`. Returning from the thread function is the preferred
// way in C++: this unwinds the thread's stack by throwing a private exception that the
// library's thread start catches, so destructors run. It must not be called beneath a noexcept
// function or a catch (...) that swallows, and on a thread this library did not start it does
// nothing and returns.
void qarvo_end_thread(int code);
// The calling thread's id, as recorded by C_CriticalSection (never ~0ul).
unsigned long qarvo_current_thread_id();
