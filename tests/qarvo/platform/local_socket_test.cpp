// Sockets between the processes of one user.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "qarvo/platform/local_socket.h"

namespace {

namespace fs = std::filesystem;
using qarvo::platform::C_LocalListener;
using qarvo::platform::C_LocalSocket;
using qarvo::platform::connectLocal;

class LocalSocket : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("pv-sock-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = (m_dir / "a.sock").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(LocalSocket, RoundTripPrivateFileAndTheOwnersLeftovers)
{
    C_LocalListener listener;
    ASSERT_TRUE(listener.Listen(m_path)) << listener.GetStateText().std();
    struct stat info;
    ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // Nobody connects: Accept gives up after its wait.
    EXPECT_FALSE(listener.Accept(20).IsOpen());

    qarvo::C_String state;
    C_LocalSocket client = connectLocal(m_path, &state);
    ASSERT_TRUE(client.IsOpen()) << state.std();
    C_LocalSocket server = listener.Accept(1000);
    ASSERT_TRUE(server.IsOpen()) << listener.GetStateText().std();
    ASSERT_TRUE(client.SendAll("sm9\n", 4, 1000));
    char buffer[16] = {};
    EXPECT_EQ(server.Receive(buffer, sizeof buffer, 1000), 4);
    EXPECT_EQ(std::string(buffer, 4), "sm9\n");
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 20), C_LocalSocket::kTimedOut);
    server.Close();
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 1000), 0);  // the peer has closed

    // A socket a previous owner left is replaced; the new listener is the one reached.
    C_LocalListener next;
    ASSERT_TRUE(next.Listen(m_path)) << next.GetStateText().std();
    C_LocalSocket again = connectLocal(m_path, &state);
    ASSERT_TRUE(again.IsOpen()) << state.std();
    EXPECT_TRUE(next.Accept(1000).IsOpen());
    next.Close();
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(connectLocal(m_path, &state).IsOpen());
}

TEST_F(LocalSocket, OtherFilesAreKeptAndDeepFoldersServe)
{
    // A file that is not a socket is somebody's data: left alone, and nothing listens.
    std::ofstream(m_path) << "data";
    C_LocalListener listener;
    EXPECT_FALSE(listener.Listen(m_path));
    EXPECT_EQ(std::ifstream(m_path).get(), 'd');

    // Longer than a socket address holds (a runtime folder deep in a test's temporary tree).
    const fs::path deep = m_dir / std::string(120, 'd');
    fs::create_directories(deep);
    const std::string longPath = (deep / "PelmoraVista.sock").string();
    ASSERT_TRUE(listener.Listen(longPath)) << listener.GetStateText().std();
    EXPECT_TRUE(fs::exists(longPath));
    qarvo::C_String state;
    EXPECT_TRUE(connectLocal(longPath, &state).IsOpen()) << state.std();
    EXPECT_TRUE(listener.Accept(1000).IsOpen());
    listener.Close();
    EXPECT_FALSE(fs::exists(longPath));
    EXPECT_FALSE(listener.Listen((m_dir / "missing" / std::string(120, 'x')).string()));
}

}  // namespace
