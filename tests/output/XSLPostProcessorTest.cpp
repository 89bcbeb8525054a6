#include "output/XSLPostProcessor.h"

#include <gtest/gtest.h>

#include "LocalHttpServer.h"
#include "ScopedCatalog.h"
#include "io/XmlCatalogs.h"

using namespace testsupport;

// A stylesheet and its xsl:import, named by URLs the catalogs map, are read
// from their copies, whether the stylesheet itself is a URL or a local file
// (which may not read the network).
TEST(XSLPostProcessorTest, StylesheetsAndImportsResolveThroughTheXmlCatalogs) {
    TempDir dir;
    LocalHttpServer server(dir.Path().string());
    const std::string xsl =
        "<xsl:stylesheet version=\"1.0\" "
        "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";
    WriteFile(dir.File("main.xsl"), xsl + "<xsl:import href=\"" + server.Url("/common.xsl") +
                                        "\"/><xsl:output method=\"text\"/><xsl:template "
                                        "match=\"/\">main:<xsl:call-template name=\"common\"/>"
                                        "</xsl:template></xsl:stylesheet>");
    WriteFile(dir.File("common.xsl"),
              xsl + "<xsl:template name=\"common\">common</xsl:template></xsl:stylesheet>");
    WriteFile(dir.File("in.xml"), "<r/>");
    const ScopedCatalog catalog(
        dir.File("catalog.xml"),
        UriEntry(server.Url("/main.xsl"), "main.xsl") +
            SystemEntry(server.Url("/common.xsl"), "file://" + dir.File("common.xsl")),
        Norvik::XmlCatalogs::Reload);
    for (const std::string& stylesheet : {server.Url("/main.xsl"), dir.File("main.xsl")}) {
        XSLPostProcessor processor;
        EXPECT_EQ(processor.TransformFile(stylesheet, dir.File("in.xml")), "main:common");
    }
    EXPECT_EQ(server.Requests(), 0) << server.RequestedPaths();
}
