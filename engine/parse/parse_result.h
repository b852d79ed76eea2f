#pragma once
// The record handed to the callback, built from a job's ParseContext after every handler call.
// It points into the context (strings, blocks, the comments themselves) and owns only the
// thread information (one entry per thread), which it frees when the delivery is over.

#include <vector>

#include "engine/parse/parse_context.h"
#include "engine/pelmora2.h"

namespace pelmora::engine {

class ResultRecord {
public:
    ResultRecord() = default;
    ResultRecord(const ResultRecord&) = delete;
    ResultRecord& operator=(const ResultRecord&) = delete;

    // Fills the record from the context. The context's comments are linked in list order into
    // the chain; the context must not change until Free().
    const ParseResult* Build(ParseContext& context);
    // Releases the thread block and resets every field.
    void Free();

    const ParseResult* get() const { return &m_result; }

private:
    ParseResult m_result{};
    std::vector<ThreadInfo> m_threadInfo;
};

}  // namespace pelmora::engine
