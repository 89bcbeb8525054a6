#include "xml/XmlEventReader.h"

#include <gtest/gtest.h>
#include <libxml/SAX2.h>
#include <libxml/parser.h>

#include <cstring>
#include <string>
#include <vector>

using Norvik::XmlEventReader;

namespace {

// Events as one line each, with the line number they came at; text pieces
// that follow each other are joined, as a consumer sees them.
class Recorder {
public:
    void Start(std::string_view uri, std::string_view local, std::string declared,
               std::string attributes, int64_t line) {
        Add("S{" + std::string(uri) + "}" + std::string(local) + declared + attributes, line);
    }
    void End(std::string_view uri, std::string_view local, int64_t line) {
        Add("E{" + std::string(uri) + "}" + std::string(local), line);
    }
    void Text(std::string_view text) {
        if (!events_.empty() && events_.back().rfind("T:", 0) == 0) {
            events_.back() += text;
        } else {
            events_.push_back("T:" + std::string(text));
        }
    }
    const std::vector<std::string>& Events() const { return events_; }

private:
    void Add(std::string event, int64_t line) {
        events_.push_back(event + " @" + std::to_string(line));
    }
    std::vector<std::string> events_;
};

class ReaderEvents : public XmlEventReader::Events {
public:
    Recorder recorder;
    const XmlEventReader* reader = nullptr;

    void StartElement(const XmlEventReader::Name& name,
                      std::span<const XmlEventReader::Namespace> declared,
                      std::span<const XmlEventReader::Attribute> attributes) override {
        std::string ns;
        for (const auto& binding : declared) {
            ns += " xmlns:" + std::string(binding.prefix) + "=" + std::string(binding.uri);
        }
        std::string attrs;
        for (const auto& attribute : attributes) {
            attrs += " {" + std::string(attribute.name.uri) + "}" +
                     std::string(attribute.name.local) + "=" + std::string(attribute.value);
        }
        recorder.Start(name.uri, name.local, ns, attrs, reader->Line());
    }
    void EndElement(const XmlEventReader::Name& name) override {
        recorder.End(name.uri, name.local, reader->Line());
    }
    void Characters(std::string_view text) override { recorder.Text(text); }
};

std::string Text(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

// libxml2's own parser, recording the same way.
struct LibxmlRun {
    Recorder recorder;
    xmlParserCtxtPtr parser = nullptr;
};

std::vector<std::string> LibxmlEvents(const std::string& document) {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = [](void* context, const xmlChar* local, const xmlChar*,
                                const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                                int attributeCount, int, const xmlChar** attributes) {
        auto* run = static_cast<LibxmlRun*>(context);
        std::string ns;
        for (int i = 0; i < namespaceCount; ++i) {
            ns += " xmlns:" + Text(namespaces[2 * i]) + "=" + Text(namespaces[2 * i + 1]);
        }
        std::string attrs;
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            std::string value(reinterpret_cast<const char*>(a[3]), a[4] - a[3]);
            for (size_t at; (at = value.find("&#38;")) != std::string::npos;) {
                value.replace(at, 5, "&");
            }
            attrs += " {" + Text(a[2]) + "}" + Text(a[0]) + "=" + value;
        }
        run->recorder.Start(Text(uri), Text(local), ns, attrs, xmlSAX2GetLineNumber(run->parser));
    };
    handler.endElementNs = [](void* context, const xmlChar* local, const xmlChar*,
                              const xmlChar* uri) {
        auto* run = static_cast<LibxmlRun*>(context);
        run->recorder.End(Text(uri), Text(local), xmlSAX2GetLineNumber(run->parser));
    };
    handler.characters = [](void* context, const xmlChar* text, int length) {
        static_cast<LibxmlRun*>(context)->recorder.Text(
            std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(length)));
    };
    handler.cdataBlock = handler.characters;
    LibxmlRun run;
    run.parser = xmlCreatePushParserCtxt(&handler, &run, nullptr, 0, "doc");
    xmlCtxtUseOptions(run.parser, XML_PARSE_NONET);
    EXPECT_EQ(xmlParseChunk(run.parser, document.data(), static_cast<int>(document.size()), 1), 0)
        << document;
    xmlFreeParserCtxt(run.parser);
    return run.recorder.Events();
}

std::vector<std::string> ReaderRun(const std::string& document, size_t piece, bool& ok) {
    ReaderEvents events;
    XmlEventReader reader(events);
    events.reader = &reader;
    ok = true;
    for (size_t at = 0; at < document.size() && ok; at += piece) {
        ok = reader.Feed(std::string_view(document).substr(at, piece));
    }
    ok = ok && reader.Finish();
    EXPECT_EQ(reader.Error(), "");
    return events.recorder.Events();
}

}  // namespace

TEST(XmlEventReaderTest, GivesWhatTheGeneralParserGivesInPiecesOfAnySize) {
    const std::string documents[] = {
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<document>\n\t<row>\n"
        "\t\t<id>1</id>\n\t\t<name>Jos\xc3\xa9 &amp; Ana &lt;&gt; &quot;q&quot; &apos;</name>\n"
        "\t\t<empty/>\n\t\t<e2 />\n\t</row>\n</document>\n",
        "<?xml-stylesheet href=\"a.xsl\" type=\"text/xsl\"?>\n<!-- before -->\n"
        "<r a=\"1 &amp; 2\" b='x&#62;y' c=\"tab\there\nline\r\nend\" d=\"&#x41;&#10;&#9;\">"
        "line\r\nbreak\rlone &#13; kept<!-- inside --><?pi data?>"
        "<![CDATA[<not markup> & \r\n]]>x</r>",
        "<d:doc xmlns:d=\"urn:d\" xmlns=\"urn:default\"><item xml:lang=\"en\" d:code=\"7\">"
        "<inner xmlns=\"\" attr=\"v\">t</inner><d:x/></item>\n<q a=\"&gt;\">\xe2\x82\xac"
        "\xf0\x9f\x98\x80</q></d:doc>",
        "<a>" + std::string(5000, 'x') + "&amp;" + std::string(3000, 'y') + "</a>",
    };
    for (const std::string& document : documents) {
        SCOPED_TRACE(document.substr(0, 60));
        const std::vector<std::string> expected = LibxmlEvents(document);
        for (const size_t piece :
             {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{64}, document.size()}) {
            SCOPED_TRACE(piece);
            bool ok = false;
            EXPECT_EQ(ReaderRun(document, piece, ok), expected);
            EXPECT_TRUE(ok);
        }
    }
}

TEST(XmlEventReaderTest, RefusesWhatTheWriterNeverWrites) {
    const struct {
        const char* document;
        const char* error;
    } cases[] = {
        {"<!DOCTYPE r [<!ENTITY e \"x\">]><r>&e;</r>", "declaration"},
        {"<r>&e;</r>", "reference"},
        {"<r a=\"&#0;\"/>", "reference"},
        {"<p:r/>", "Namespace prefix p on r is not defined"},
        {"<r><s></r>", "does not match"},
        {"<r><s/>", "Premature end of data in tag r"},
        {"<r a=b/>", "not quoted"},
        {"<r/><", "ends inside markup"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        ReaderEvents events;
        XmlEventReader reader(events);
        events.reader = &reader;
        EXPECT_FALSE(reader.Feed(c.document) && reader.Finish());
        EXPECT_NE(reader.Error().find(c.error), std::string::npos) << reader.Error();
    }
}

TEST(XmlEventReaderTest, PositionIsTheEndOfTheLastMarkup) {
    ReaderEvents events;
    XmlEventReader reader(events);
    events.reader = &reader;
    const std::string document = "<r>\n  <s>\xc3\xa9t\xc3\xa9</s>";
    ASSERT_TRUE(reader.Feed(document));
    EXPECT_EQ(reader.Line(), 2);
    EXPECT_EQ(reader.Column(), 13);  // characters, not bytes
    EXPECT_EQ(reader.Offset(), static_cast<int64_t>(document.size()));
}
