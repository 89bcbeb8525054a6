#include <sys/resource.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "LocalHttpServer.h"
#include "TestSupport.h"
#include "TreeDump.h"
#include "import/SchemaImport.h"
#include "model/DVFile.h"

using testsupport::TempDir;

namespace {

long PeakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Hostile {
    const char* what;
    std::string prolog;  // goes before the document element
    std::string body;    // inside it
    bool mustFail;
};

// The hostile documents, with the document element named root.
std::vector<Hostile> Documents(const std::string& secretPath, const std::string& url) {
    std::string laughs = "<!DOCTYPE r [<!ENTITY l0 \"lollollollollollollollollollol\">";
    for (int i = 1; i <= 12; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) {
            laughs += "&l" + std::to_string(i - 1) + ";";
        }
        laughs += "\">";
    }
    laughs += "]>";
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    for (int i = 0; i < 100000; ++i) {
        deep += "</a>";
    }
    return {
        {"external file entity", "<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secretPath + "\">]>",
         "&x;", false},
        {"external network entity", "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + url + "\">]>", "&x;",
         false},
        {"network DTD", "<!DOCTYPE r SYSTEM \"" + url + "\">", "", false},
        {"external parameter entity", "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + url + "\"> %p;]>", "",
         false},
        {"billion laughs", laughs, "&l12;", true},
        {"100,000-deep nesting", "", deep, true},
    };
}

}  // namespace

// Project files, schemas and sample documents that try to read files, reach
// the network or exhaust memory: nothing is fetched, and each load ends
// within a second and 64 MiB.
TEST(HostileDocumentTest, LoadersNeitherFetchNorExplode) {
    testsupport::LocalHttpServer server(testsupport::DataFile("schema"));
    ASSERT_NE(server.Port(), 0);
    TempDir dir;
    const std::string secret = dir.File("secret.txt");
    testsupport::WriteFile(secret, "SECRET-TOKEN");
    struct Loader {
        const char* kind;
        std::string open;
        std::string close;
        std::function<bool(const std::string& path, DVFile& definition)> load;
    };
    const Loader loaders[] = {
        {"project file", "<tarnwrightdatavane>", "</tarnwrightdatavane>",
         [](const std::string& path, DVFile& d) { return d.LoadProjectFile(path); }},
        {"schema", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">", "</xs:schema>",
         [](const std::string& path, DVFile& d) { return ImportSchema(d, path, kImportXsd); }},
        {"sample", "<root>", "</root>",
         [](const std::string& path, DVFile& d) { return ImportSchema(d, path, kImportXml); }},
    };
    int runs = 0;
    for (const Loader& loader : loaders) {
        for (const Hostile& h : Documents(secret, server.Url("/note.dtd"))) {
            std::string prolog = h.prolog;
            // The DOCTYPE names the document element of each kind.
            const size_t name = prolog.find("DOCTYPE r");
            if (name != std::string::npos) {
                const std::string element =
                    loader.open.substr(1, loader.open.find_first_of(" >") - 1);
                prolog.replace(name + 8, 1, element);
            }
            const std::string path = dir.File("hostile.txt");
            testsupport::WriteFile(
                path, "<?xml version=\"1.0\"?>" + prolog + loader.open + h.body + loader.close);
            DVFile definition;
            const long before = PeakKilobytes();
            const auto started = std::chrono::steady_clock::now();
            const bool loaded = loader.load(path, definition);
            const auto took = std::chrono::steady_clock::now() - started;
            EXPECT_LT(took, std::chrono::seconds(1)) << loader.kind << ", " << h.what;
            EXPECT_LT(PeakKilobytes() - before, 64 * 1024) << loader.kind << ", " << h.what;
            if (h.mustFail) {
                EXPECT_FALSE(loaded) << loader.kind << ", " << h.what;
            }
            const std::string seen =
                definition.GetLastError() + testsupport::Dump(definition.Root());
            EXPECT_EQ(seen.find("SECRET"), std::string::npos) << loader.kind << ", " << h.what;
            ++runs;
        }
    }
    EXPECT_EQ(server.Requests(), 0) << "a loader went to the network";
    EXPECT_EQ(runs, 18);
}

TEST(HostileDocumentTest, DtdEntitiesAreTextNotFetches) {
    testsupport::LocalHttpServer server(testsupport::DataFile("schema"));
    TempDir dir;
    const std::string path = dir.File("ext.dtd");
    testsupport::WriteFile(path, "<!ENTITY % ext SYSTEM \"" + server.Url("/note.dtd") +
                                     "\">\n%ext;\n<!ELEMENT r (a, %ext;)>\n");
    DVFile definition;
    definition.Root().SetName("r");
    EXPECT_TRUE(ImportSchema(definition, path, kImportDtd));
    EXPECT_EQ(server.Requests(), 0);
}
