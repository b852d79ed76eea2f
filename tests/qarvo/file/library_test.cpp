#include "qarvo/file/library.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Library, LoadsFindsAndReportsFailures)
{
    qarvo::C_Library lib;
    EXPECT_EQ(lib.GetProc("strlen"), nullptr);
    EXPECT_FALSE(lib.GetLastErrorText().IsEmpty());
    ASSERT_EQ(lib.Load("libc.so.6"), 1);
    EXPECT_EQ(lib.Load("libc.so.6"), 0);
    using Strlen = size_t (*)(const char*);
    auto fn = reinterpret_cast<Strlen>(lib.GetProc("strlen"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn("abcd"), 4u);
    EXPECT_EQ(lib.GetProc("no_such_symbol_here"), nullptr);
    EXPECT_NE(lib.GetLastErrorText().IndexOf("no_such_symbol_here"), -1);
    lib.Free();
    EXPECT_FALSE(lib.IsLoaded());

    qarvo::C_Library missing;
    EXPECT_EQ(missing.Load("./dll/libDoesNotExist.so"), 0);
    EXPECT_NE(missing.GetLastErrorText().IndexOf("libDoesNotExist"), -1);
    EXPECT_EQ(qarvo_dlopen(nullptr, 0), nullptr);
    EXPECT_EQ(qarvo_dlsym(nullptr, "x"), nullptr);
    qarvo_dlclose(nullptr);
}
