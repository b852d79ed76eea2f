#include "tests/qarvo/support/script_server.h"

#include <chrono>

namespace qarvo::test {

ScriptConnection::~ScriptConnection()
{
    Close();
}

std::string ScriptConnection::ReadRequest(int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string data = std::move(m_pending);
    m_pending.clear();
    size_t want = std::string::npos;
    for (;;) {
        if (want == std::string::npos) {
            const size_t end = data.find("\r\n\r\n");
            if (end != std::string::npos) {
                size_t length = 0;
                std::string lower = data.substr(0, end);
                for (char& c : lower)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                const size_t cl = lower.find("\r\ncontent-length:");
                if (cl != std::string::npos)
                    length = std::stoul(lower.substr(cl + 17));
                want = end + 4 + length;
            }
        }
        if (want != std::string::npos && data.size() >= want) {
            m_pending = data.substr(want);
            data.resize(want);
            m_server.Record(data);
            return data;
        }
        if (m_server.Stopping() || std::chrono::steady_clock::now() >= until)
            return std::string();
        if (platform::socketWaitReadable(m_socket, 20) <= 0)
            continue;
        char piece[16384];
        const long n = platform::socketRecv(m_socket, piece, sizeof piece);
        if (n <= 0)
            return std::string();
        data.append(piece, static_cast<size_t>(n));
    }
}

bool ScriptConnection::Send(std::string_view data)
{
    size_t done = 0;
    while (done < data.size()) {
        if (m_server.Stopping())
            return false;
        if (platform::socketWaitWritable(m_socket, 50) <= 0)
            continue;
        const long n = platform::socketSend(m_socket, data.data() + done, static_cast<long>(data.size() - done));
        if (n < 0) {
            if (platform::socketLastError() == platform::SocketError::WouldBlock)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ScriptConnection::Pause(int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (m_server.Stopping())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool ScriptConnection::WaitPeerClose(int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until && !m_server.Stopping()) {
        if (platform::socketWaitReadable(m_socket, 20) <= 0)
            continue;
        char piece[4096];
        const long n = platform::socketRecv(m_socket, piece, sizeof piece);
        if (n == 0)
            return true;
        if (n < 0 && platform::socketLastError() != platform::SocketError::WouldBlock)
            return true;
    }
    return false;
}

void ScriptConnection::Close()
{
    if (m_socket != platform::kInvalidSocket) {
        platform::socketClose(m_socket);
        m_socket = platform::kInvalidSocket;
    }
}

ScriptServer::ScriptServer(Handler handler) : m_handler(std::move(handler))
{
    m_listen = platform::socketCreate(platform::SocketType::Tcp);
    platform::Ipv4Endpoint at{0x7f000001, 0};
    platform::socketSetReuseAddress(m_listen, true);
    platform::socketBind(m_listen, at);
    platform::socketListen(m_listen, 64);
    platform::Ipv4Endpoint local;
    platform::socketLocalEndpoint(m_listen, &local);
    m_port = local.port;
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

ScriptServer::~ScriptServer()
{
    m_stop.store(true);
    m_acceptThread.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        workers.swap(m_workers);
    }
    for (std::thread& t : workers)
        t.join();
    platform::socketClose(m_listen);
}

void ScriptServer::acceptLoop()
{
    while (!m_stop.load()) {
        if (platform::socketWaitReadable(m_listen, 20) <= 0)
            continue;
        const platform::socket_t s = platform::socketAccept(m_listen, nullptr);
        if (s == platform::kInvalidSocket)
            continue;
        m_connections.fetch_add(1);
        std::lock_guard<std::mutex> lock(m_lock);
        m_workers.emplace_back([this, s] {
            ScriptConnection connection(*this, s);
            m_handler(connection);
        });
    }
}

std::vector<std::string> ScriptServer::Requests()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

void ScriptServer::Record(const std::string& request)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.push_back(request);
}

std::string chunked(const std::vector<std::string>& pieces)
{
    std::string out;
    char size[32];
    for (const std::string& p : pieces) {
        std::snprintf(size, sizeof size, "%zx\r\n", p.size());
        out += size;
        out += p;
        out += "\r\n";
    }
    out += "0\r\n\r\n";
    return out;
}

}  // namespace qarvo::test
