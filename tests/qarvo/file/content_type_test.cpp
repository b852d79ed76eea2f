#include "qarvo/file/content_type.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/qarvo/support/temp_dir.h"

namespace System = qarvo::common::System;
using qarvo::C_String;

TEST(ContentType, LooksUpByExtensionWithItsDot)
{
    qarvo_test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    qarvo_test::WriteBytes(dir.file("mime.types"),
                           "# comment line image/gif gif\n"
                           "image/png\t\t\tpng\n"
                           "text/plain   txt text # trailing comment\r\n"
                           "text/other   txt\n"
                           "application/x-empty\n"
                           "video/mp4 mp4");
    const C_String table(dir.file("mime.types"));
    EXPECT_EQ(System::getContentType(".png", table), "image/png");
    EXPECT_EQ(System::getContentType(".PNG", table), "image/png");
    EXPECT_EQ(System::getContentType(".text", table), "text/plain");
    EXPECT_EQ(System::getContentType(".txt", table), "text/plain");  // the first type wins
    EXPECT_EQ(System::getContentType(".mp4", table), "video/mp4");   // last line without LF
    EXPECT_EQ(System::getContentType(".gif", table), "");             // only in a comment
    EXPECT_EQ(System::getContentType("png", table), "");              // no dot
    EXPECT_EQ(System::getContentType(".", table), "");
    EXPECT_EQ(System::getContentType(".png", C_String(dir.file("missing"))), "");
}

TEST(ContentType, SystemTable)
{
    if (!std::filesystem::exists("/etc/mime.types"))
        GTEST_SKIP() << "no /etc/mime.types on this system";
    EXPECT_EQ(System::getContentType(".png"), "image/png");
    EXPECT_EQ(System::getContentType(".no-such-extension"), "");
}
