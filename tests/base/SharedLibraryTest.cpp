#include "base/SharedLibrary.h"

#include <gtest/gtest.h>

using Norvik::SharedLibrary;

TEST(SharedLibraryTest, MissingLibrariesAndFunctionsAreReportedByName) {
    SharedLibrary missing("libdatavane-none.so.9");
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_NE(missing.Error().find("libdatavane-none.so.9 cannot be loaded: "), std::string::npos)
        << missing.Error();

    SharedLibrary libc("libc.so.6");
    size_t (*length)(const char*) = nullptr;
    libc.Bind(length, "strlen");
    ASSERT_TRUE(libc.IsLoaded()) << libc.Error();
    EXPECT_EQ(length("four"), 4u);

    void (*none)() = nullptr;
    libc.Bind(none, "datavane_no_such_function");
    EXPECT_EQ(none, nullptr);
    EXPECT_FALSE(libc.IsLoaded());
    EXPECT_EQ(libc.Error(), "libc.so.6 has no function datavane_no_such_function");
}
