#pragma once
// Remembers which requests were already answered once, for the faults that misbehave only at
// the first try ("ratelimit": the retry must get through).

#include <mutex>
#include <set>
#include <string>

namespace nicosim {

class OnceMemory {
public:
    // True the first time `key` is asked for.
    bool first(const std::string& key)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen.insert(key).second;
    }

private:
    std::mutex m_mutex;
    std::set<std::string> m_seen; // guarded by m_mutex
};

} // namespace nicosim
