// Every encoding the output options offer, written by the runner and read
// back by libxml2 with the same text.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "TestSupport.h"
#include "xml/OutputEncodings.h"

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Letters from several scripts, so that most encodings hold some of them and
// write the rest as character references.
constexpr const char* kText = "Grüße Ωμέγα Привет 日本語 한국어 © 42";

// The text of the first <name> element, or why the file does not parse.
std::string ReadBack(const std::string& path, std::string& error) {
    xmlDocPtr document = xmlReadFile(path.c_str(), nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!document) {
        const xmlError* last = xmlGetLastError();
        error = last && last->message ? last->message : "does not parse";
        return {};
    }
    std::string text;
    for (xmlNodePtr node = xmlDocGetRootElement(document); node;) {
        if (node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, BAD_CAST "name")) {
            xmlChar* content = xmlNodeGetContent(node);
            text = reinterpret_cast<const char*>(content);
            xmlFree(content);
            break;
        }
        if (node->children) {
            node = node->children;
        } else {
            while (node && !node->next) {
                node = node->parent;
            }
            node = node ? node->next : nullptr;
        }
    }
    xmlFreeDoc(document);
    return text;
}

}  // namespace

TEST(OutputEncodingsTest, EveryListedEncodingReadsBackOrFailsClearly) {
    TempDir dir;
    WriteFile(dir.File("in.csv"), std::string("id,name\n1,") + kText + "\n");
    int available = 0;
    for (const Norvik::OutputEncodingInfo& info : Norvik::OutputEncodings()) {
        SCOPED_TRACE(info.name);
        const std::string target = dir.File(std::string("out-") + info.name + ".xml");
        WriteFile(dir.File("def.dv"),
                  std::string("<tarnwrightdatavane><version>2.6</version><sourcefilename>in.csv"
                              "</sourcefilename><targetfilename>") +
                      target + "</targetfilename><delimiter>,</delimiter><encoding>" + info.name +
                      "</encoding><xmlroot/></tarnwrightdatavane>");
        std::string errors;
        testsupport::RunOptions options;
        options.environment.emplace_back("XDG_CONFIG_HOME", dir.File("config"));
        const int status = testsupport::RunProgram(DV_DVRUN, {"def.dv", "/l", dir.File("run.log")},
                                                   dir.Path().string(), &errors, options);
        if (!Norvik::IsOutputEncodingAvailable(info)) {
            EXPECT_EQ(status, 255);
            EXPECT_NE(errors.find(std::string("The output encoding \"") + info.name +
                                  "\" is not available on this system."),
                      std::string::npos)
                << errors;
            EXPECT_EQ(errors.find(".."), std::string::npos) << errors;
            EXPECT_FALSE(std::filesystem::exists(target));
            continue;
        }
        ++available;
        ASSERT_EQ(status, 0) << errors;
        std::string error;
        EXPECT_EQ(ReadBack(target, error), kText) << error;
    }
    EXPECT_GE(available, 50);
}
