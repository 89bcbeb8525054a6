#include "xml/CSAXWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/PlatformError.h"
#include "xml/CXMLDocument.h"

using namespace Norvik;

namespace {

struct Options {
    std::string encoding = "UTF-8";
    bool indent = true;
    bool omitDeclaration = true;
};

std::string Render(const std::function<void(CSAXWriter&)>& body, Options options = {}) {
    CMemoryStream stream;
    CSAXWriter writer(stream);
    writer.SetEncoding(options.encoding);
    writer.SetIndent(options.indent);
    writer.SetStandalone(true);
    writer.SetOmitXMLDeclaration(options.omitDeclaration);
    writer.StartDocument();
    body(writer);
    writer.EndDocument();
    return std::string(stream.View());
}

// The text of the document element as a parser sees it.
std::string ParsedText(const std::string& bytes) {
    CXMLDocument document;
    EXPECT_TRUE(document.LoadFromMemory(bytes, "memory")) << document.ParseError().reason;
    return document.DocumentElement().Text();
}

TEST(CSAXWriterTest, IndentsElementsAndKeepsTextInline) {
    const std::string out = Render([](CSAXWriter& w) {
        w.StartElement("doc");
        w.StartElement("row");
        w.StartElement("name");
        w.Characters("Ann");
        w.EndElement("name");
        w.StartElement("empty");
        w.EndElement("empty");
        w.EndElement("row");
        w.EndElement("doc");
    });
    EXPECT_EQ(out, "<doc>\n\t<row>\n\t\t<name>Ann</name>\n\t\t<empty/>\n\t</row>\n</doc>\n");
}

TEST(CSAXWriterTest, WithoutIndentNothingIsAdded) {
    Options options;
    options.indent = false;
    const std::string out = Render(
        [](CSAXWriter& w) {
            w.StartElement("a");
            w.StartElement("b");
            w.EndElement("b");
            w.EndElement("a");
        },
        options);
    EXPECT_EQ(out, "<a><b/></a>");
}

TEST(CSAXWriterTest, MixedContentIsNotIndented) {
    const std::string out = Render([](CSAXWriter& w) {
        w.StartElement("p");
        w.Characters("one ");
        w.StartElement("b");
        w.Characters("two");
        w.EndElement("b");
        w.Characters(" three");
        w.EndElement("p");
    });
    EXPECT_EQ(out, "<p>one <b>two</b> three</p>\n");
}

TEST(CSAXWriterTest, EscapesTextAndAttributes) {
    CSAXAttributes attributes;
    attributes.AddAttribute("v", "x\"y\t\n\r<&>'");
    const std::string out = Render([&](CSAXWriter& w) {
        w.StartElement("e", &attributes);
        w.Characters("a<b>&c\"'\r\n");
        w.EndElement("e");
    });
    EXPECT_EQ(out, "<e v=\"x&quot;y&#9;&#10;&#13;&lt;&amp;&gt;'\">a&lt;b&gt;&amp;c\"'\r\n</e>\n");
    CXMLDocument document;
    ASSERT_TRUE(document.LoadFromMemory(out, "memory"));
    EXPECT_EQ(*document.DocumentElement().Attribute("v"), "x\"y\t\n\r<&>'");
}

TEST(CSAXWriterTest, CDataSectionsSplitAroundTheirTerminator) {
    const std::string text = "a]]>b]]]>c]]";
    const std::string out = Render([&](CSAXWriter& w) {
        w.StartElement("e");
        w.StartCDATA();
        w.Characters(text);
        w.Characters(">tail");  // "]]" then ">" across two calls
        w.EndCDATA();
        w.EndElement("e");
    });
    EXPECT_EQ(ParsedText(out), text + ">tail");
}

TEST(CSAXWriterTest, DisabledEscapingWritesMarkupAsItIs) {
    Options options;
    options.indent = false;
    const std::string out = Render(
        [](CSAXWriter& w) {
            w.SetDisableOutputEscaping(true);
            w.Characters("<!DOCTYPE doc>\r\n");
            w.SetDisableOutputEscaping(false);
            w.StartElement("doc");
            w.UnescapedCharacters("<b>bold</b>");
            w.Characters("&");  // escaping is back after the call
            w.EndElement("doc");
        },
        options);
    EXPECT_EQ(out, "<!DOCTYPE doc>\r\n<doc><b>bold</b>&amp;</doc>");
}

TEST(CSAXWriterTest, DeclarationCarriesEncodingAndStandalone) {
    CMemoryStream stream;
    CSAXWriter writer(stream);
    writer.SetEncoding("utf-8");
    writer.SetStandalone(false);
    writer.StartDocument();
    writer.ProcessingInstruction("xml-stylesheet", "href=\"a.xsl\" type=\"text/xsl\"");
    writer.StartElement("d");
    writer.EndElement("d");
    writer.EndDocument();
    EXPECT_EQ(stream.View(),
              "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n"
              "<?xml-stylesheet href=\"a.xsl\" type=\"text/xsl\"?><d/>");
}

// Every refused call throws and leaves the output as it was, and the writer
// stays usable: the finished document is still well-formed.
TEST(CSAXWriterTest, RefusedCallsChangeNothing) {
    struct Case {
        const char* what;
        std::function<void(CSAXWriter&)> call;
    };
    CSAXAttributes duplicate;
    duplicate.AddAttribute("a", "1");
    duplicate.AddAttribute("a", "2");
    CSAXAttributes badName;
    badName.AddAttribute("1x", "1");
    const Case cases[] = {
        {"form feed", [](CSAXWriter& w) { w.Characters("ok\fnot"); }},
        {"NUL", [](CSAXWriter& w) { w.Characters(std::string("a\0b", 3)); }},
        {"invalid UTF-8", [](CSAXWriter& w) { w.Characters("caf\xE9"); }},
        {"U+FFFF", [](CSAXWriter& w) { w.Characters("\xEF\xBF\xBF"); }},
        {"control in attribute",
         [](CSAXWriter& w) {
             CSAXAttributes a;
             a.AddAttribute("x", "\x01");
             w.StartElement("child", &a);
         }},
        {"element name", [](CSAXWriter& w) { w.StartElement("2nd"); }},
        {"name with space", [](CSAXWriter& w) { w.StartElement("a b"); }},
        {"attribute name", [&](CSAXWriter& w) { w.StartElement("x", &badName); }},
        {"duplicate attribute", [&](CSAXWriter& w) { w.StartElement("x", &duplicate); }},
        {"end tag mismatch", [](CSAXWriter& w) { w.EndElement("other"); }},
        {"PI target xml", [](CSAXWriter& w) { w.ProcessingInstruction("XML", "x"); }},
        {"PI terminator", [](CSAXWriter& w) { w.ProcessingInstruction("pi", "a ?> b"); }},
    };
    for (const Case& c : cases) {
        CMemoryStream stream;
        CSAXWriter writer(stream);
        writer.SetEncoding("UTF-8");
        writer.SetIndent(true);
        writer.StartDocument();
        writer.StartElement("root");
        writer.Characters("before");
        const std::string before(stream.View());
        EXPECT_THROW(c.call(writer), PlatformError) << c.what;
        EXPECT_EQ(stream.View(), before) << c.what;
        writer.Characters(" after");
        writer.EndElement("root");
        writer.EndDocument();
        CXMLDocument document;
        EXPECT_TRUE(document.LoadFromMemory(std::string(stream.View()), "memory")) << c.what;
    }
}

TEST(CSAXWriterTest, ControlCharactersAreRefusedInsideCData) {
    CMemoryStream stream;
    CSAXWriter writer(stream);
    writer.SetEncoding("UTF-8");
    writer.StartDocument();
    writer.StartElement("root");
    writer.StartCDATA();
    const std::string before(stream.View());
    EXPECT_THROW(writer.Characters("ok\x02"), PlatformError);
    EXPECT_EQ(stream.View(), before);
    writer.EndCDATA();
    writer.EndElement("root");
    writer.EndDocument();
    EXPECT_TRUE(CXMLDocument().LoadFromMemory(std::string(stream.View()), "m"));
}

TEST(CSAXWriterTest, StructureErrorsAreRefused) {
    CMemoryStream stream;
    CSAXWriter writer(stream);
    writer.SetEncoding("UTF-8");
    EXPECT_THROW(writer.StartElement("early"), PlatformError);  // before StartDocument
    writer.StartDocument();
    EXPECT_THROW(writer.Characters("text at top level"), PlatformError);
    EXPECT_THROW(writer.EndElement("none"), PlatformError);
    EXPECT_THROW(writer.StartCDATA(), PlatformError);
    writer.StartElement("root");
    EXPECT_THROW(writer.EndDocument(), PlatformError);  // root still open
    writer.EndElement("root");
    EXPECT_THROW(writer.StartElement("second"), PlatformError);
    writer.EndDocument();
    EXPECT_TRUE(CXMLDocument().LoadFromMemory(std::string(stream.View()), "m"));
}

// A document <d>text</d>.
std::string TextDocument(const std::string& text, const Options& options) {
    return Render(
        [&](CSAXWriter& w) {
            w.StartElement("d");
            w.Characters(text);
            w.EndElement("d");
        },
        options);
}

TEST(CSAXWriterTest, Utf16OutputHasByteOrderMarkAndRoundTrips) {
    const std::string text = "caf\xC3\xA9 \xF0\x9F\x98\x80 <&>";
    Options options;
    options.encoding = "UTF-16";
    options.omitDeclaration = false;
    const std::string out = TextDocument(text, options);
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out.substr(0, 4), std::string("\xFF\xFE<\0", 4));
    EXPECT_EQ(ParsedText(out), text);

    options.encoding = "UTF-16BE";
    const std::string big = TextDocument(text, options);
    EXPECT_EQ(big.substr(0, 2), std::string("\0<", 2));
    EXPECT_EQ(ParsedText(big), text);
}

TEST(CSAXWriterTest, Utf16KeepsTextWhereverAsciiRunsBreak) {
    // Non-ASCII text at every offset of an eight-byte word, in long text.
    for (const char* encoding : {"UTF-16LE", "UTF-16BE"}) {
        for (size_t offset = 0; offset < 17; ++offset) {
            const std::string text = std::string(offset, 'a') + "\xC3\xA9\xF0\x9D\x84\x9E" +
                                     std::string(23 - offset, 'b') + "\xE2\x82\xAC";
            Options options;
            options.encoding = encoding;
            options.omitDeclaration = false;
            EXPECT_EQ(ParsedText(TextDocument(text, options)), text)
                << encoding << " at " << offset;
        }
    }
}

TEST(CSAXWriterTest, CDataSplitsAroundBracketsWrittenEarlier) {
    // "]]" and ">" in separate calls, with the first already flushed out.
    for (const char* encoding : {"utf-8", "UTF-16"}) {
        Options options;
        options.encoding = encoding;
        options.omitDeclaration = false;
        const std::string out = Render(
            [](CSAXWriter& w) {
                w.StartElement("d");
                w.StartCDATA();
                w.Characters("a]]");
                w.Flush();
                w.Characters(">b]");
                w.Characters("]>");
                w.EndCDATA();
                w.EndElement("d");
            },
            options);
        EXPECT_EQ(ParsedText(out), "a]]>b]]>") << encoding;
    }
}

TEST(CSAXWriterTest, UndeclaredUtf16StillReadsBack) {
    // Without a declaration only a byte order mark tells a parser the encoding.
    for (const char* encoding : {"UTF-16LE", "UTF-16BE", "UTF-16"}) {
        for (const bool omit : {true, false}) {
            Options options;
            options.encoding = encoding;
            options.omitDeclaration = omit;
            EXPECT_EQ(ParsedText(TextDocument("caf\xC3\xA9", options)), "caf\xC3\xA9")
                << encoding << (omit ? " undeclared" : " declared");
        }
    }
}

TEST(CSAXWriterTest, LegacyEncodingsUseReferencesForMissingCharacters) {
    const std::string text = "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC 5";  // "été € 5"
    Options options;
    options.encoding = "ISO-8859-1";
    options.omitDeclaration = false;
    CSAXAttributes attributes;
    attributes.AddAttribute("price", "\xE2\x82\xAC");
    const std::string out = Render(
        [&](CSAXWriter& w) {
            w.StartElement("d", &attributes);
            w.StartElement("t");
            w.Characters(text);
            w.EndElement("t");
            w.StartElement("c");
            w.StartCDATA();
            w.Characters(text);
            w.EndCDATA();
            w.EndElement("c");
            w.EndElement("d");
        },
        options);
    EXPECT_NE(out.find("\xE9t\xE9 &#8364; 5"), std::string::npos);
    EXPECT_NE(out.find("price=\"&#8364;\""), std::string::npos);
    CXMLDocument document;
    ASSERT_TRUE(document.LoadFromMemory(out, "memory"));
    EXPECT_EQ(document.FirstElementByTagName("t").Text(), text);
    EXPECT_EQ(document.FirstElementByTagName("c").Text(), text);
    EXPECT_EQ(*document.DocumentElement().Attribute("price"), "\xE2\x82\xAC");

    CMemoryStream stream;
    CSAXWriter writer(stream);
    writer.SetEncoding("ISO-8859-1");
    writer.StartDocument();
    EXPECT_THROW(writer.StartElement("\xE2\x82\xAC"), PlatformError);  // no reference in names
}

TEST(CSAXWriterTest, UnknownOrMalformedEncodingIsRefused) {
    CMemoryStream stream;
    CSAXWriter writer(stream);
    EXPECT_THROW(writer.SetEncoding("no-such-encoding"), PlatformError);
    EXPECT_THROW(writer.SetEncoding("utf-8\" standalone=\"x"), PlatformError);
    EXPECT_THROW(writer.SetEncoding(""), PlatformError);
    EXPECT_NO_THROW(writer.SetEncoding("windows-1252"));
}

TEST(CSAXWriterTest, LargeDocumentsFlushThroughTheStage) {
    CMemoryStream stream;
    CSAXWriter writer(stream);
    writer.SetEncoding("UTF-16LE");
    writer.StartDocument();
    writer.StartElement("d");
    const std::string chunk(1000, 'x');
    for (int i = 0; i < 200; ++i) {
        writer.StartElement("r");
        writer.Characters(chunk);
        writer.EndElement("r");
    }
    // Most of the document is already in the stream before any Flush call.
    EXPECT_GT(stream.Size(), 300000u);
    writer.EndElement("d");
    writer.EndDocument();
    EXPECT_EQ(stream.Size() % 2, 0u);
}

}  // namespace

// The one-call forms write exactly what the three calls write, whatever the
// text and the settings.
TEST(CSAXWriterTest, TextElementsWriteWhatTheGeneralCallsWrite) {
    const std::vector<std::string> texts = {
        "",
        "x",
        "plain text of exactly 16",
        "a&b<c>d",
        "K\xc3\xb6ln, Z\xc3\xbcrich",
        "\xe6\x9d\xb1\xe4\xba\xac",                // three-byte characters
        "\xf0\x9f\x98\x80 four",                   // a four-byte one
        "\xed\x9f\xbf \xee\x80\x80 \xef\xbf\xbd",  // three-byte ones next to the edges
        "bad \xff byte",
        "bad \xc3",
        "cut \xe2\x82",
        "\x01 control",
        "tab\tand\nline",
        std::string(15, 'a') + "&",
        std::string(17, 'b') + "\xc3\xa9",
        std::string(40, 'c'),
        std::string(40, '&'),  // grows fivefold
        std::string(14, 'd') + "\xc3\xa9<" + std::string(13, 'e') + "\xe2\x82\xac>&\r",
        "\xc5\x81ukasz & \xe6\x97\xa5\xe6\x9c\xac <x> \xff \xc0\xaf \x7f end"};
    // Rows as deep as 2 and as 22 elements (past 16 tabs of indentation), in
    // UTF-8 and in an encoding that lacks most characters.
    for (const char* encoding : {"UTF-8", "ISO-8859-1"}) {
        for (const int depth : {0, 20}) {
            for (const bool indent : {true, false}) {
                for (const bool alwaysEndTags : {false, true}) {
                    for (const bool emptyTag : {false, true}) {
                        for (const bool parentHasText : {false, true}) {
                            for (const std::string& text : texts) {
                                SCOPED_TRACE(testing::Message()
                                             << encoding << depth << indent << alwaysEndTags
                                             << emptyTag << parentHasText << " [" << text << "]");
                                auto write = [&](bool oneCall) {
                                    CMemoryStream stream;
                                    CSAXWriter w(stream);
                                    w.SetEncoding(encoding);
                                    w.SetIndent(indent);
                                    w.SetAlwaysEmitEndTags(alwaysEndTags);
                                    w.SetReplaceInvalidCharacters(true);
                                    w.StartDocument();
                                    w.StartElement("doc");
                                    for (int level = 0; level < depth; ++level) {
                                        w.StartElement("level");
                                    }
                                    w.StartElement("row");
                                    if (parentHasText) {
                                        w.Characters("lead");
                                    }
                                    // Prebuilt tags change nothing: the first
                                    // field has them, the last's name is too
                                    // long for them.
                                    const std::string tags = CSAXWriter::MakeTags("name");
                                    const std::string longName(40, 'n');
                                    EXPECT_EQ(CSAXWriter::MakeTags(longName), "");
                                    const std::vector<CSAXWriter::TextField> fields = {
                                        {"name", text, emptyTag, tags.data()},
                                        {"b", "2", false},
                                        {longName, text, false}};
                                    if (oneCall) {
                                        w.TextElements(fields);
                                    } else {
                                        for (const CSAXWriter::TextField& field : fields) {
                                            w.StartElement(field.name);
                                            w.Characters(field.text);
                                            w.EndElement(field.name, field.emptyElementTag);
                                        }
                                    }
                                    if (oneCall) {
                                        w.TextElement("last", text, false, emptyTag);
                                    } else {
                                        w.StartElement("last");
                                        w.Characters(text);
                                        w.EndElement("last", emptyTag);
                                    }
                                    w.EndElement("row");
                                    // Whole rows, one with no fields at all.
                                    for (const auto& rowFields :
                                         {fields, std::vector<CSAXWriter::TextField>()}) {
                                        if (oneCall) {
                                            w.TextRow("again", rowFields, emptyTag);
                                        } else {
                                            w.StartElement("again");
                                            for (const CSAXWriter::TextField& field : rowFields) {
                                                w.StartElement(field.name);
                                                w.Characters(field.text);
                                                w.EndElement(field.name, field.emptyElementTag);
                                            }
                                            w.EndElement("again", emptyTag);
                                        }
                                    }
                                    for (int level = 0; level < depth; ++level) {
                                        w.EndElement("level");
                                    }
                                    w.EndElement("doc");
                                    w.EndDocument();
                                    return std::string(stream.View());
                                };
                                EXPECT_EQ(write(true), write(false));
                            }
                        }
                    }
                }
            }
        }
    }
}

TEST(CSAXWriterTest, ARefusedTextElementChangesNothing) {
    CMemoryStream stream;
    CSAXWriter w(stream);
    w.SetEncoding("UTF-8");
    w.SetIndent(true);
    w.StartDocument();
    w.StartElement("doc");
    w.Characters("x");
    const std::string before(stream.View());
    const std::vector<CSAXWriter::TextField> fields = {{"a", "fine", false},
                                                       {"b", "bad \x01", false}};
    EXPECT_THROW(w.TextElements(fields), PlatformError);
    EXPECT_THROW(w.TextElement("bad name", "v", false), PlatformError);
    EXPECT_EQ(std::string(stream.View()), before);
    w.EndElement("doc");
    w.EndDocument();
    EXPECT_EQ(ParsedText(std::string(stream.View())), "x");
}
