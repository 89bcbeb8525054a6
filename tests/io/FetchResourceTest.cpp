#include "io/FetchResource.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "LocalHttpServer.h"
#include "ScopedCatalog.h"
#include "io/XmlCatalogs.h"

using namespace testsupport;

// The server holds every file too: only its count shows where bytes came from.
TEST(FetchResourceTest, TheXmlCatalogsAnswerBeforeTheNetwork) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("lo cal"));
    for (const char* name : {"a", "s", "lo cal/b", "plain"}) {
        WriteFile(dir.File(name), name);
    }
    LocalHttpServer server(dir.Path().string());
    const ScopedCatalog catalog(dir.File("catalog.xml"),
                                UriEntry(server.Url("/a"), "a") +
                                    UriEntry(server.Url("/b"), "lo%20cal/b") +
                                    SystemEntry(server.Url("/s"), "file://" + dir.File("s")) +
                                    UriEntry(server.Url("/gone"), "gone"),
                                Norvik::XmlCatalogs::Reload);
    std::string bytes, error, readFrom;
    const std::pair<const char*, const char*> mapped[] = {
        {"/a", "a"}, {"/b", "lo cal/b"}, {"/s", "s"}};  // relative, escaped, system
    for (const auto& [path, file] : mapped) {
        EXPECT_TRUE(Norvik::FetchResource(server.Url(path), bytes, error, &readFrom)) << error;
        EXPECT_EQ(bytes, file);
    }
    EXPECT_EQ(readFrom, "file://" + dir.File("s"));  // the base of relative references
    EXPECT_FALSE(Norvik::FetchResource(server.Url("/gone"), bytes, error));
    EXPECT_EQ(error, server.Url("/gone") + ": the XML catalogs map it to " + dir.File("gone") +
                         ": No such file or directory");
    EXPECT_EQ(server.Requests(), 0) << server.RequestedPaths();
    EXPECT_TRUE(Norvik::FetchResource(server.Url("/plain"), bytes, error)) << error;
    EXPECT_EQ(server.Requests(), 1);  // no entry: fetched as before
}
