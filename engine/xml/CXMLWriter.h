#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "CSAXWriter.h"
#include "CXMLAttributeList.h"
#include "io/CMemoryStream.h"
#include "io/FileSink.h"

namespace Norvik {

// Small writer for whole XML files (project files): events go into a memory
// stream through CSAXWriter, and Close moves the document into the file in one
// write. The file is replaced only when the whole document was written, so a
// failed save leaves the previous file as it was.
//
// Operations other than Open return false when the writer is not open; a call
// the SAX writer refuses throws PlatformError.
class CXMLWriter {
public:
    enum TextMode { kPlain = 0, kCData = 1, kUnescaped = 2 };

    CXMLWriter();
    ~CXMLWriter();
    CXMLWriter(const CXMLWriter&) = delete;
    CXMLWriter& operator=(const CXMLWriter&) = delete;

    // False for an empty path, a file that cannot be opened or an unknown
    // encoding. An empty encoding means "utf-8". The writer indents and writes
    // the XML declaration.
    bool Open(const std::string& path, std::string_view encoding, bool standalone);
    // The same on a caller's sink (tests inject failing sinks here).
    bool Open(std::unique_ptr<IFileSink> sink, std::string_view encoding, bool standalone);

    bool StartElement(std::string_view name, CXMLAttributeList* attributes = nullptr);
    bool AddElement(std::string_view name, std::string_view value, int textMode = kPlain);
    bool AddElementWithAttributes(std::string_view name, CXMLAttributeList* attributes,
                                  std::string_view value, int textMode = kPlain);
    bool EndElement(std::string_view name);
    // textMode 0 plain, 1 CDATA section, 2 output escaping off; others write nothing.
    bool Characters(std::string_view text, int textMode = kPlain);
    // Ends the document and writes the file. False when nothing was open, the
    // document could not be completed or the file could not be written; the
    // target is then untouched.
    bool Close();
    // Drops the unfinished document; the target file is left untouched.
    void Abandon();

    // errno of a failed Open or Close, 0 otherwise.
    int FileError() const noexcept { return fileError_; }

private:
    CMemoryStream stream_;
    std::unique_ptr<CSAXWriter> writer_;
    std::unique_ptr<IFileSink> sink_;
    int fileError_ = 0;
};

}  // namespace Norvik
