#include "viewer/core/app/instance_channel.h"

#include <memory>

#include "qarvo/time/clock.h"
#include "viewer/core/model/hand_over.h"

namespace pelmora::viewer {

namespace {

constexpr int kAcceptWaitMs = 100;
// A peer that connects and then says nothing must not hold the channel.
constexpr int kReadWaitMs = 2000;
constexpr int kConnectRetryMs = 100;

}  // namespace

C_InstanceChannel::C_InstanceChannel()
{
    m_thread.SetFunction(qarvo::common::Pointer<qarvo::I_Function>(
        std::make_shared<qarvo::C_FunctionObject>([this] { serve(); })));
}

bool C_InstanceChannel::Start(const std::string& path, Receiver receiver)
{
    Stop();
    if (!m_listener.Listen(path)) {
        m_state = m_listener.GetStateText();
        return false;
    }
    m_receiver = std::move(receiver);
    m_state = m_listener.GetStateText();
    return m_thread.Start() == 1;
}

void C_InstanceChannel::Stop()
{
    m_thread.Stop(0);
    m_listener.Close();
}

// One pass: at most one connection, read until its line is complete.
void C_InstanceChannel::serve()
{
    qarvo::platform::C_LocalSocket peer = m_listener.Accept(kAcceptWaitMs);
    if (!peer.IsOpen())
        return;
    std::string received;
    const uint32_t start = qarvo_time_millis();
    HandOver message;
    while (message.state == HandOverState::NeedMore && !m_thread.IsStopRequested()) {
        const uint32_t spent = qarvo_time_millis() - start;
        if (spent >= static_cast<uint32_t>(kReadWaitMs))
            return;
        char block[512];
        const long got = peer.Receive(block, sizeof block, static_cast<int>(kReadWaitMs - spent));
        if (got <= 0)
            return;
        received.append(block, static_cast<size_t>(got));
        message = ReadHandOver(received);
    }
    if (message.state != HandOverState::Complete)
        return;
    if (m_receiver)
        m_receiver(message.address);
    peer.SendAll(kHandOverAnswer.data(), kHandOverAnswer.size(), kReadWaitMs);
}

bool C_InstanceChannel::Send(const std::string& path, const qarvo::C_WString& address, int waitMs, qarvo::C_String* state)
{
    const uint32_t start = qarvo_time_millis();
    auto left = [&] {
        const uint32_t spent = qarvo_time_millis() - start;
        return spent >= static_cast<uint32_t>(waitMs) ? 0 : static_cast<int>(waitMs - spent);
    };
    qarvo::platform::C_LocalSocket end;
    while (!(end = qarvo::platform::connectLocal(path, state)).IsOpen()) {
        if (left() == 0)
            return false;
        qarvo_sleep_millis(kConnectRetryMs);
    }
    const std::string message = HandOverMessage(address);
    if (!end.SendAll(message.data(), message.size(), left())) {
        *state = qarvo::C_String("the running viewer did not take the address");
        return false;
    }
    std::string answer;
    while (answer.size() < kHandOverAnswer.size()) {
        char block[16];
        const long got = end.Receive(block, sizeof block, left());
        if (got <= 0) {
            *state = qarvo::C_String("the running viewer did not answer");
            return false;
        }
        answer.append(block, static_cast<size_t>(got));
    }
    if (answer.compare(0, kHandOverAnswer.size(), kHandOverAnswer) != 0) {
        *state = qarvo::C_String("the running viewer gave an unknown answer");
        return false;
    }
    return true;
}

}  // namespace pelmora::viewer
