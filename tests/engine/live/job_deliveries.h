#pragma once
// What the callbacks of one live job delivered: codes, comment numbers and state texts per
// delivery, with waits for them. Progress reports are not deliveries and are left out.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "engine/pelmora2.h"

namespace pelmora::engine {

struct Deliveries {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> codes;
    std::vector<std::vector<int>> numbers;
    std::vector<std::string> states;

    static void callback(int, int code, const ParseResult* result, intptr_t user)
    {
        auto* self = reinterpret_cast<Deliveries*>(user);
        if (code == PELMORA_RESULT_PROGRESS)
            return;
        std::vector<int> got;
        for (const ChatEntry* c = result ? result->chats : nullptr; c; c = c->next)
            got.push_back(c->no);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->codes.push_back(code);
        self->numbers.push_back(std::move(got));
        self->states.push_back(result && result->stateText ? result->stateText : "");
        self->changed.notify_all();
    }

    bool waitFor(size_t count, int seconds = 30)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(seconds), [&] { return codes.size() >= count; });
    }

    // Every number delivered so far, in order.
    std::vector<int> all()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<int> out;
        for (const auto& batch : numbers)
            out.insert(out.end(), batch.begin(), batch.end());
        return out;
    }
};

}  // namespace pelmora::engine
