// What a second start sends to the running viewer: any bytes give a state, the same for a
// prefix that holds the whole line, and a message made of the address read back gives it
// back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "viewer/core/model/hand_over.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pelmora::viewer;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const HandOver whole = ReadHandOver(bytes);
    pelmora::fuzz::require(whole.address.Length() <= kMaxHandOverAddress);
    const size_t end = bytes.find('\n');
    if (whole.state == HandOverState::Complete) {
        pelmora::fuzz::require(ReadHandOver(bytes.substr(0, end + 1)).address == whole.address);
        const HandOver again = ReadHandOver(HandOverMessage(whole.address));
        pelmora::fuzz::require(again.state == HandOverState::Complete && again.address == whole.address);
    }
    return 0;
}
