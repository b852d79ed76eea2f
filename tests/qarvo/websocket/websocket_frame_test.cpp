#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qarvo/net/websocket_frame.h"

using namespace qarvo::net;

namespace {

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (const int b : list)
        s.push_back(static_cast<char>(b));
    return s;
}

// What a reader made of a byte sequence: each message as "T:" / "B:" + text, each control frame
// as "C<opcode>:" + payload, and a fault at the end as "F<fault>".
std::vector<std::string> readAll(const std::vector<std::string_view>& pieces, size_t maxFrame = 1 << 20,
                                 size_t maxMessage = 1 << 20)
{
    WsFrameReader reader(maxFrame, maxMessage);
    std::vector<std::string> out;
    for (std::string_view piece : pieces) {
        while (!piece.empty()) {
            size_t used = 0;
            const auto event = reader.Feed(piece.data(), piece.size(), &used);
            piece.remove_prefix(used);
            if (event == WsFrameReader::Event::Message)
                out.push_back((reader.IsBinary() ? "B:" : "T:") + reader.MessageData());
            else if (event == WsFrameReader::Event::Control)
                out.push_back("C" + std::to_string(static_cast<int>(reader.GetControlOpcode())) + ":" +
                              std::string(reader.GetControlPayload()));
            else if (event == WsFrameReader::Event::Failed) {
                out.push_back("F" + std::to_string(static_cast<int>(reader.GetFault())));
                return out;
            } else
                EXPECT_TRUE(piece.empty()) << "NeedMore left bytes unused";
        }
    }
    return out;
}

std::string fault(WsFault f) { return "F" + std::to_string(static_cast<int>(f)); }

}  // namespace

TEST(WebSocketFrame, ClientFramesMatchTheHandWrittenExamples)
{
    // The masked "Hello" of the protocol's own example (mask 37 fa 21 3d).
    const uint8_t mask[4] = {0x37, 0xfa, 0x21, 0x3d};
    std::string out;
    encodeClientFrame(WsOpcode::Text, "Hello", mask, &out);
    EXPECT_EQ(out, bytes({0x81, 0x85, 0x37, 0xfa, 0x21, 0x3d, 0x7f, 0x9f, 0x4d, 0x51, 0x58}));
    // 126 and 65536 bytes take the 16- and 64-bit lengths (written out by hand).
    out.clear();
    encodeClientFrame(WsOpcode::Binary, std::string(126, 'x'), mask, &out);
    EXPECT_EQ(out.substr(0, 8), bytes({0x82, 0xFE, 0x00, 0x7E, 0x37, 0xfa, 0x21, 0x3d}));
    EXPECT_EQ(out.size(), 8u + 126);
    out.clear();
    encodeClientFrame(WsOpcode::Binary, std::string(65536, 'x'), mask, &out);
    EXPECT_EQ(out.substr(0, 10), bytes({0x82, 0xFF, 0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(out.size(), 14u + 65536);
    EXPECT_EQ(closePayload(1000, "bye"), bytes({0x03, 0xE8, 'b', 'y', 'e'}));
    EXPECT_EQ(closePayload(1001, std::string(200, 'r')).size(), 125u);
}

TEST(WebSocketFrame, SameEventsWhateverTheSplit)
{
    // Unmasked "Hel" + ping "abc" + "lo" continued, a 300-byte binary (16-bit length), an empty
    // text and a close 1000: hand-assembled from the frame layout.
    std::string stream = bytes({0x01, 0x03, 'H', 'e', 'l', 0x89, 0x03, 'a', 'b', 'c', 0x80, 0x02, 'l', 'o'});
    stream += bytes({0x82, 0x7E, 0x01, 0x2C}) + std::string(300, 'z');
    stream += bytes({0x81, 0x00, 0x88, 0x02, 0x03, 0xE8});
    const std::vector<std::string> expected = {"C9:abc", "T:Hello", "B:" + std::string(300, 'z'), "T:",
                                               "C8:" + bytes({0x03, 0xE8})};
    EXPECT_EQ(readAll({stream}), expected);
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        const std::string_view all(stream);
        EXPECT_EQ(readAll({all.substr(0, cut), all.substr(cut)}), expected) << "cut at " << cut;
    }
    std::vector<std::string_view> single;
    for (size_t i = 0; i < stream.size(); ++i)
        single.push_back(std::string_view(stream).substr(i, 1));
    EXPECT_EQ(readAll(single), expected);
}

TEST(WebSocketFrame, FaultsAndCaps)
{
    const std::string hello = bytes({0x81, 0x05, 'H', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(readAll({bytes({0x81, 0x85, 1, 2, 3, 4, 'a', 'b', 'c', 'd', 'e'})}), std::vector{fault(WsFault::Masked)});
    EXPECT_EQ(readAll({bytes({0xC1, 0x00})}), std::vector{fault(WsFault::ReservedBits)});
    EXPECT_EQ(readAll({bytes({0x83, 0x00})}), std::vector{fault(WsFault::UnknownOpcode)});
    EXPECT_EQ(readAll({bytes({0x8B, 0x00})}), std::vector{fault(WsFault::UnknownOpcode)});
    EXPECT_EQ(readAll({bytes({0x09, 0x00})}), std::vector{fault(WsFault::FragmentedControl)});
    EXPECT_EQ(readAll({bytes({0x89, 0x7E, 0x00, 0x7E})}), std::vector{fault(WsFault::ControlTooLong)});
    EXPECT_EQ(readAll({bytes({0x88, 0x01, 0x03})}), std::vector{fault(WsFault::BadClosePayload)});
    EXPECT_EQ(readAll({bytes({0x80, 0x00})}), std::vector{fault(WsFault::NothingToContinue)});
    EXPECT_EQ(readAll({bytes({0x01, 0x01, 'a', 0x81, 0x00})}), std::vector{fault(WsFault::MessageUnfinished)});
    EXPECT_EQ(readAll({bytes({0x82, 0x7F, 0x80, 0, 0, 0, 0, 0, 0, 1})}), std::vector{fault(WsFault::BadLength)});
    // A frame is judged by its header, before any payload arrives.
    EXPECT_EQ(readAll({bytes({0x82, 0x7F, 0, 0, 0, 1, 0, 0, 0, 0})}, 64, 64), std::vector{fault(WsFault::FrameTooBig)});
    // Fragments each within the frame cap, together past the message cap.
    EXPECT_EQ(readAll({bytes({0x01, 0x04, 'a', 'b', 'c', 'd', 0x80, 0x04, 'e', 'f', 'g', 'h'})}, 4, 6),
              (std::vector<std::string>{fault(WsFault::MessageTooBig)}));
    // Exactly at the caps is fine; a message before a fault is still handed out.
    EXPECT_EQ(readAll({hello + bytes({0xC1, 0x00})}, 5, 5), (std::vector<std::string>{"T:Hello", fault(WsFault::ReservedBits)}));
    EXPECT_EQ(wsFaultCloseCode(WsFault::MessageTooBig), 1009);
    EXPECT_EQ(wsFaultCloseCode(WsFault::Masked), 1002);
    // A failed reader stays failed.
    WsFrameReader reader(64, 64);
    size_t used = 0;
    EXPECT_EQ(reader.Feed("\xC1\x00", 2, &used), WsFrameReader::Event::Failed);
    EXPECT_EQ(reader.Feed(hello.data(), hello.size(), &used), WsFrameReader::Event::Failed);
    EXPECT_EQ(used, 0u);
}
