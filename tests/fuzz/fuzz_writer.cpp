// The XML writer under arbitrary calls: names, text and attribute values of
// any bytes, in any encoding. Every call is either refused cleanly (the
// output stays as it was) or written; a finished document must parse.
#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "base/PlatformError.h"
#include "io/CMemoryStream.h"
#include "xml/CSAXAttributes.h"
#include "xml/CSAXWriter.h"

namespace {

const char* const kEncodings[] = {"utf-8",        "UTF-16",   "UTF-16BE", "ISO-8859-1",
                                  "windows-1252", "US-ASCII", "UTF-16LE", "ISO-8859-15"};

template <typename Call>
bool Try(Call&& call) {
    try {
        call();
        return true;
    } catch (const Norvik::PlatformError&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t options = input.Byte();
    Norvik::CMemoryStream stream;
    Norvik::CSAXWriter writer(stream);
    writer.SetEncoding(kEncodings[options % 8]);
    writer.SetIndent((options & 8) != 0);
    writer.SetReplaceInvalidCharacters((options & 16) != 0);
    writer.SetAlwaysEmitEndTags((options & 32) != 0);
    writer.SetOmitXMLDeclaration((options & 64) != 0);
    writer.StartDocument();
    std::vector<std::string> open;
    bool inCData = false;
    int steps = 0;
    while (!input.Empty() && ++steps < 200) {
        switch (input.Byte() % 7) {
            case 0: {
                const std::string name = input.Text(32);
                Norvik::CSAXAttributes attributes;
                for (int n = input.Byte() % 3; n > 0; --n) {
                    const std::string attribute = input.Text(16);
                    attributes.AddAttribute(attribute, input.Text(64));
                }
                if (Try([&] { writer.StartElement(name, &attributes); })) {
                    open.push_back(name);
                }
                break;
            }
            case 1:
                if (!open.empty() && Try([&] { writer.EndElement(open.back(), input.Flag()); })) {
                    open.pop_back();
                }
                break;
            case 2: {
                const std::string text = input.Text(128);
                Try([&] { writer.Characters(text); });
                break;
            }
            case 3: {
                const std::string target = input.Text(16);
                const std::string text = input.Text(64);
                Try([&] { writer.ProcessingInstruction(target, text); });
                break;
            }
            case 4:
                if (!inCData) {
                    inCData = Try([&] { writer.StartCDATA(); });
                } else {
                    inCData = !Try([&] { writer.EndCDATA(); });
                }
                break;
            case 5: {
                const std::string name = input.Text(16);  // most likely the wrong name
                if (Try([&] { writer.EndElement(name); })) {
                    if (open.empty() || open.back() != name) {
                        std::abort();  // a mismatched end tag was written
                    }
                    open.pop_back();
                }
                break;
            }
            default:
                Try([&] { writer.Flush(); });
                break;
        }
    }
    if (inCData) {
        Try([&] { writer.EndCDATA(); });
    }
    while (!open.empty()) {
        if (!Try([&] { writer.EndElement(open.back()); })) {
            return 0;
        }
        open.pop_back();
    }
    if (!Try([&] { writer.EndDocument(); })) {
        return 0;
    }
    // Without a declaration the reader is told the encoding, as whoever asked
    // for such a document would be. Names with colons are XML 1.0 names but
    // may not satisfy namespaces: the reader's complaints about that stay
    // quiet, only a document that does not parse counts.
    const bool declared = (options & 64) == 0;
    xmlDocPtr document = xmlReadMemory(stream.Data(), static_cast<int>(stream.Size()), "fuzz.xml",
                                       declared ? nullptr : kEncodings[options % 8],
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (document == nullptr) {
        // A finished document that does not parse.
        const xmlError* error = xmlGetLastError();
        std::fprintf(stderr, "%s\n", error && error->message ? error->message : "?");
        std::abort();
    }
    xmlFreeDoc(document);
    return 0;
}
