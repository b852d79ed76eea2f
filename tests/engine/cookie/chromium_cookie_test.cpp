#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <string>

#include "engine/cookie/browser_cookie.h"
#include "engine/cookie/chromium_crypto.h"
#include "engine/cookie/keyring.h"
#include "tests/engine/cookie/store_fixture.h"

namespace pelmora::cookie {
namespace {

namespace fs = std::filesystem;

using test::ChromiumRow;
using test::nowSeconds;

// Made with Python's hashlib and cryptography (AES-128-CBC, IV of 16 spaces, PKCS#7), the
// v10 one without prefix also with `openssl enc -aes-128-cbc -K fd621fe5... -iv 2020...`:
//   key(pw)  = pbkdf2_hmac('sha1', pw, b'saltysalt', 1, 16)
//   v10 v24  = b'v10' + AES(key(b'peanuts'), sha256(b'.nicovideo.jp') + b'user_session_nicosim')
//   v10 old  = b'v10' + AES(key(b'peanuts'), b'user_session_nicosim')
//   v11 v24  = b'v11' + AES(key(b'test-keyring-secret'), sha256(b'.nicovideo.jp') + b'user_session_v11')
//   v11 empty= b'v11' + AES(key(b''), b'user_session_empty')
//   v10 moved= b'v10' + AES(key(b'peanuts'), sha256(b'.example.com') + b'user_session_nicosim')
constexpr const char* kPeanutsKey = "fd621fe5a2b402539dfa147ca9272778";
constexpr const char* kV10v24 =
    "7631302573e1a1db7427a88d3d00c7f9e24bef0c1fed1b210478913b52ece97b36cde41e22245e322213dd244f9302ee9962a6766b5d14541cb"
    "12a2494870cde5e8590";
constexpr const char* kV10old = "763130196026d2c8d3f681a923629974fd40382878647c2383cd21d5110cad6e3eddb6";
constexpr const char* kV11v24 =
    "763131d776b05daae79b879398d1d8fae21916c276051a1219df0eab62c3cf6553c5b4dbabe8c48d335da1a901133964bfa61a4debb3acd7abb"
    "578cd06b93cb3cd5cef";
constexpr const char* kV11empty = "763131d1574cf18984c11e8d88d771a79e0f45f7f69ccbcc3b502c532620c2c8c6a05d";
constexpr const char* kV10moved =
    "7631301bb654833fa6f8a731528db92d657dc37c87544a81ba7875d0681273543b4e4f92c00da941c7f511623040d2890c0edc8b789e8d426d"
    "90e9ea23c7b94ef96f77";

std::string bytes(const char* hex)
{
    const std::vector<unsigned char> raw = test::fromHex(hex);
    return std::string(raw.begin(), raw.end());
}

std::string hexOf(const ChromiumKey& key)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : key)
        out += std::string{kHex[b >> 4], kHex[b & 15]};
    return out;
}

TEST(ChromiumValue, IndependentVectorsDecryptAndTheHostPrefixIsChecked)
{
    const ChromiumKey peanuts = deriveChromiumKey("peanuts");
    EXPECT_EQ(hexOf(peanuts), kPeanutsKey);
    std::string value;
    ASSERT_EQ(decryptChromiumValue(bytes(kV10v24), peanuts, ".nicovideo.jp", 24, value), DecryptResult::Ok);
    EXPECT_EQ(value, "user_session_nicosim");
    ASSERT_EQ(decryptChromiumValue(bytes(kV10old), peanuts, ".nicovideo.jp", 23, value), DecryptResult::Ok);
    EXPECT_EQ(value, "user_session_nicosim");
    ASSERT_EQ(decryptChromiumValue(bytes(kV11v24), deriveChromiumKey("test-keyring-secret"), ".nicovideo.jp", 24, value),
              DecryptResult::Ok);
    EXPECT_EQ(value, "user_session_v11");
    ASSERT_EQ(decryptChromiumValue(bytes(kV11empty), deriveChromiumKey(""), ".nicovideo.jp", 18, value), DecryptResult::Ok);
    EXPECT_EQ(value, "user_session_empty");

    // A value moved to another host, a wrong key, a cut blob, no prefix where one belongs, and
    // an unknown version: refused, the output untouched.
    value = "untouched";
    EXPECT_EQ(decryptChromiumValue(bytes(kV10moved), peanuts, ".nicovideo.jp", 24, value), DecryptResult::HostMismatch);
    EXPECT_NE(decryptChromiumValue(bytes(kV11v24), peanuts, ".nicovideo.jp", 24, value), DecryptResult::Ok);
    EXPECT_EQ(decryptChromiumValue(bytes(kV10v24).substr(0, 20), peanuts, ".nicovideo.jp", 24, value),
              DecryptResult::WrongKey);
    EXPECT_EQ(decryptChromiumValue(bytes(kV10old), peanuts, ".nicovideo.jp", 24, value), DecryptResult::HostMismatch);
    EXPECT_EQ(decryptChromiumValue("v12" + bytes(kV10old).substr(3), peanuts, ".nicovideo.jp", 23, value),
              DecryptResult::UnknownVersion);
    EXPECT_EQ(value, "untouched");
}

class ChromiumStore : public test::CookieHome {
protected:
    std::string cookieFor(const std::string& address = "http://www.nicovideo.jp/watch/sm9")
    {
        qarvo::C_String cookie;
        return getInterfaceCookie(address.c_str(), cookie) ? cookie.std() : std::string("<none>");
    }
    int64_t later() const { return nowSeconds() + 3600; }
};

TEST_F(ChromiumStore, EveryProfileAndFolderIsFoundAndTimesCountFrom1601)
{
    const fs::path chrome = config() / "google-chrome";
    // Default keeps its database in Network/, Profile 2 beside its files; the login of
    // Profile 2 was used last.
    test::makeChromiumStore(chrome / "Default" / "Network" / "Cookies", 24,
                            {{".nicovideo.jp", "user_session", "", kV10v24, later(), nowSeconds() - 100}});
    test::makeChromiumStore(chrome / "Profile 2" / "Cookies", 18,
                            {{".nicovideo.jp", "user_session", "plain_login", "", later(), nowSeconds() - 10},
                             {".nicovideo.jp", "nicosid", "expired", "", nowSeconds() - 60, nowSeconds() - 10},
                             {".nicovideo.jp", "partitioned", "x", "", later(), nowSeconds(), "/", "https://shop.example"}});
    // Flatpak Brave, used longer ago.
    test::makeChromiumStore(home->path() / ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default/Cookies",
                            24, {{".nicovideo.jp", "user_session", "", kV10v24, later(), nowSeconds() - 1000}});

    EXPECT_EQ(cookieFor(), "user_session=plain_login");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "chrome:Default");
    EXPECT_EQ(cookieFor(), "user_session=user_session_nicosim");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "brave");
    EXPECT_EQ(cookieFor(), "user_session=user_session_nicosim");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "edge");
    EXPECT_EQ(cookieFor(), "<none>");
    EXPECT_EQ(takeLookupReport(), "edge: no profile with a cookie store found");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "netscape");
    EXPECT_EQ(cookieFor(), "<none>");
    EXPECT_NE(takeLookupReport().find("unknown browser \"netscape\""), std::string::npos);
}

TEST_F(ChromiumStore, V11TakesTheKeyringsSecretAndSaysWhenNoKeyringAnswers)
{
    test::makeChromiumStore(config() / "chromium" / "Default" / "Cookies", 24,
                            {{".nicovideo.jp", "user_session", "", kV11v24, later(), nowSeconds()}});
    std::vector<std::string> asked;
    setKeyringHook([&](const std::string& name) {
        asked.push_back(name);
        return KeyringAnswer{KeyringAnswer::Kind::Found, "test-keyring-secret", "test"};
    });
    EXPECT_EQ(cookieFor(), "user_session=user_session_v11");
    EXPECT_EQ(asked, std::vector<std::string>{"Chromium"});

    // No keyring: the fixed keys are tried, fail, and the report says why; nothing garbled is sent.
    setKeyringHook([](const std::string&) {
        return KeyringAnswer{KeyringAnswer::Kind::Unavailable, "", "no desktop session bus"};
    });
    EXPECT_EQ(cookieFor(), "<none>");
    EXPECT_EQ(takeLookupReport(), "no login cookie for www.nicovideo.jp in chromium (Default): the keyring did not "
                                  "answer; the login cookie could not be decrypted (no desktop session bus)");
    // A value written while no keyring ran uses the empty password's key (some builds) and is read.
    test::makeChromiumStore(config() / "chromium" / "Profile 1" / "Cookies", 18,
                            {{".nicovideo.jp", "user_session", "", kV11empty, later(), nowSeconds()}});
    EXPECT_EQ(cookieFor(), "user_session=user_session_empty");
}

TEST_F(ChromiumStore, LockedAndCorruptStoresAreHandled)
{
    const fs::path root = config() / "vivaldi";
    const fs::path store = root / "Default" / "Cookies";
    test::makeChromiumStore(store, 24, {{".nicovideo.jp", "user_session", "", kV10v24, later(), nowSeconds()}});
    // The browser runs and holds the database in an exclusive transaction.
    fs::create_symlink("host-4242", root / "SingletonLock");
    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &browser), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(browser, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                    "UPDATE cookies SET name = name;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(cookieFor(), "user_session=user_session_nicosim");
    sqlite3_exec(browser, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(browser);
    expectNoCopyLeft();

    // A damaged database: its first page overwritten.
    fs::remove(root / "SingletonLock");
    {
        std::fstream file(store, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(0);
        file << std::string(100, 'x');
    }
    EXPECT_EQ(cookieFor(), "<none>");
    EXPECT_EQ(takeLookupReport(), "no login cookie for www.nicovideo.jp in vivaldi (Default): the store is not a database");
}

TEST_F(ChromiumStore, SimulatedProfileIsReadThroughAPathChoice)
{
    std::string error;
    const fs::path data = home->path() / "sim" / "chromium";
    ASSERT_TRUE(nicosim::writeChromiumProfile(data.string(), {}, &error)) << error;
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "chromium:" + data.string());
    EXPECT_EQ(cookieFor(), "user_session=user_session_nicosim; nicosid=1700000000.1729");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "chromium:" + (data / "Default").string());
    EXPECT_EQ(cookieFor("http://jk.nicovideo.jp/watch/jk1"), "user_session=user_session_nicosim; nicosid=1700000000.1729");
    EXPECT_EQ(cookieFor("http://www.shop.example/"), "session-id=000-0000000-0000000");
}

}  // namespace
}  // namespace pelmora::cookie
