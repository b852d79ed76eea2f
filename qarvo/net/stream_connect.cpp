#include "qarvo/net/stream_connect.h"

#include "qarvo/net/connect_to.h"
#include "qarvo/net/proxy_tunnel.h"
#include "qarvo/net/resolver.h"

namespace qarvo::net {
namespace {

constexpr int kPollSliceMs = 10;

ConnectEnd endAs(Connection& owner, int state, ConnectEnd end)
{
    owner.SetState(state);
    return end;
}

}  // namespace

bool openStreamSocket(Connection& owner, UniqueSocket* out)
{
    if (!owner.ShareStartup()) {
        owner.SetState(kStateStartupFailed);
        return false;
    }
    UniqueSocket s(owner.General_socket(platform::SocketType::Tcp));
    if (!s.IsValid() || owner.General_ioctlsocket(s.Get(), true) != 0)
        return false;
    platform::socketSetNoDelay(s.Get(), true);
    *out = std::move(s);
    return true;
}

ConnectEnd connectStream(Connection& owner, platform::socket_t s, C_SSL& ssl, const ConnectTarget& target,
                         const Deadline& deadline, const std::function<bool()>& isAbort)
{
    const auto abortRaised = [&isAbort] { return isAbort && isAbort(); };
    C_String name = target.connectHost;
    int port = target.connectPort;
    applyConnectToFromEnvironment(&name, &port);
    const int notFound = target.viaProxy ? kStateProxyResolveFailed : kStateResolveFailed;
    if (port <= 0 || port > 65535)
        return endAs(owner, notFound, ConnectEnd::Failed);
    platform::Ipv4Endpoint endpoint;
    endpoint.port = static_cast<uint16_t>(port);
    switch (resolveHost(name.c_str(), deadline, isAbort, &endpoint.address)) {
    case ResolveResult::Found:
        break;
    case ResolveResult::NotFound:
        return endAs(owner, notFound, ConnectEnd::Failed);
    case ResolveResult::TimedOut:
        return endAs(owner, kStateTimeOut, ConnectEnd::TimedOut);
    case ResolveResult::Aborted:
        return endAs(owner, kStateAborted, ConnectEnd::Aborted);
    }
    if (deadline.Passed())
        return endAs(owner, kStateTimeOut, ConnectEnd::TimedOut);
    if (abortRaised())
        return endAs(owner, kStateAborted, ConnectEnd::Aborted);

    bool inProgress = false;
    if (owner.General_connect(s, endpoint, &inProgress) != 0)
        return ConnectEnd::Failed;
    while (inProgress) {
        const int ready = platform::socketWaitWritable(s, deadline.Slice(kPollSliceMs));
        if (ready > 0) {
            if (platform::socketPendingError(s) != 0)
                return endAs(owner, kStateConnectFailed, ConnectEnd::Failed);
            break;
        }
        if (ready < 0)
            return endAs(owner, kStateConnectFailed, ConnectEnd::Failed);
        if (abortRaised())
            return endAs(owner, kStateAborted, ConnectEnd::Aborted);
        if (deadline.Passed())
            return endAs(owner, kStateTimeOut, ConnectEnd::TimedOut);
    }
    if (!target.tls)
        return ConnectEnd::Connected;

    if (target.viaProxy && !openProxyTunnel(owner, s, target.host, target.port, target.proxyTimeOutMs, isAbort)) {
        if (abortRaised())
            return endAs(owner, kStateAborted, ConnectEnd::Aborted);
        return ConnectEnd::Failed;
    }
    if (!ssl.IsStarted() && !ssl.Startup(0)) {
        owner.General_SetStateMessageA(ssl.GetLastErrorString().c_str());
        return ConnectEnd::Failed;
    }
    ssl.SetHostName(target.host);
    int reason = C_SSL::kReasonFailed;
    if (!ssl.Attach(s, deadline, isAbort, &reason)) {
        if (reason == C_SSL::kReasonDeadline)
            return endAs(owner, kStateTimeOut, ConnectEnd::TimedOut);
        if (reason == C_SSL::kReasonAborted)
            return endAs(owner, kStateAborted, ConnectEnd::Aborted);
        owner.General_SetStateMessageA(ssl.GetLastErrorString().c_str());
        return ConnectEnd::Failed;
    }
    return ConnectEnd::Connected;
}

}  // namespace qarvo::net
