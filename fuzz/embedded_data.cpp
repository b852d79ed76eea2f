// The live watch page and the WebSocket's messages: any bytes, read as a page and as a
// message, end in facts or a reason, never a crash; an address made from the facts keeps
// the page's own address in front.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/nicolive/embedded_data.h"
#include "engine/nicolive/socket_message.h"
#include "fuzz_input.h"

using namespace pelmora::engine::nicolive;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ProgramFacts facts;
    std::string error;
    if (readEmbeddedData(text, &facts, &error)) {
        pelmora::fuzz::require(!facts.frontendId.empty());
        const std::string address = socketAddress(facts);
        pelmora::fuzz::require(address.compare(0, facts.webSocketUrl.size(), facts.webSocketUrl) == 0);
        const std::string renewed = withAudienceToken(address, facts.title);
        pelmora::fuzz::require(renewed.find("audience_token=") != std::string::npos);
    } else {
        pelmora::fuzz::require(!error.empty());
    }
    const ServerMessage message = readServerMessage(text);
    if (!message.reason.empty())
        pelmora::fuzz::require(!disconnectText(message.reason).empty());
    return 0;
}
