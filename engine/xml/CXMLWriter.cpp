#include "CXMLWriter.h"

#include "base/PlatformError.h"

namespace Norvik {

CXMLWriter::CXMLWriter() = default;

CXMLWriter::~CXMLWriter() {
    if (writer_) {
        try {
            Close();
        } catch (const PlatformError&) {
            // Destruction must not throw; the sink's destructor discards the file.
        }
    }
}

bool CXMLWriter::Open(const std::string& path, std::string_view encoding, bool standalone) {
    fileError_ = 0;
    if (path.empty()) {
        return false;
    }
    int error = 0;
    std::unique_ptr<FileSink> sink = FileSink::Open(path, FileSink::Mode::kReplace, error);
    if (!sink) {
        fileError_ = error;
        return false;
    }
    return Open(std::move(sink), encoding, standalone);
}

bool CXMLWriter::Open(std::unique_ptr<IFileSink> sink, std::string_view encoding, bool standalone) {
    writer_.reset();
    stream_.Rewind();
    auto writer = std::make_unique<CSAXWriter>(stream_);
    try {
        writer->SetEncoding(encoding.empty() ? std::string_view("utf-8") : encoding);
        writer->SetIndent(true);
        writer->SetStandalone(standalone);
        writer->StartDocument();
    } catch (const PlatformError&) {
        sink->Discard();
        return false;
    }
    writer_ = std::move(writer);
    sink_ = std::move(sink);
    return true;
}

bool CXMLWriter::StartElement(std::string_view name, CXMLAttributeList* attributes) {
    if (!writer_) {
        return false;
    }
    writer_->StartElement(name, attributes ? &attributes->Attributes() : nullptr);
    if (attributes) {
        attributes->Clear();
    }
    return true;
}

bool CXMLWriter::AddElement(std::string_view name, std::string_view value, int textMode) {
    return AddElementWithAttributes(name, nullptr, value, textMode);
}

bool CXMLWriter::AddElementWithAttributes(std::string_view name, CXMLAttributeList* attributes,
                                          std::string_view value, int textMode) {
    if (!StartElement(name, attributes)) {
        return false;
    }
    Characters(value, textMode);
    return EndElement(name);
}

bool CXMLWriter::EndElement(std::string_view name) {
    if (!writer_) {
        return false;
    }
    writer_->EndElement(name);
    return true;
}

bool CXMLWriter::Characters(std::string_view text, int textMode) {
    if (!writer_) {
        return false;
    }
    switch (textMode) {
        case kPlain:
            writer_->Characters(text);
            return true;
        case kCData:
            writer_->StartCDATA();
            writer_->Characters(text);
            writer_->EndCDATA();
            return true;
        case kUnescaped:
            writer_->UnescapedCharacters(text);
            return true;
        default:
            return false;
    }
}

void CXMLWriter::Abandon() {
    writer_.reset();
    if (sink_) {
        sink_->Discard();
        sink_.reset();
    }
    stream_.Rewind();
}

bool CXMLWriter::Close() {
    if (!writer_) {
        return false;
    }
    std::unique_ptr<CSAXWriter> writer = std::move(writer_);
    std::unique_ptr<IFileSink> sink = std::move(sink_);
    try {
        writer->EndDocument();
    } catch (const PlatformError&) {
        sink->Discard();
        return false;
    }
    if (!sink->Write(stream_.View()) || !sink->Commit()) {
        fileError_ = sink->Error();
        sink->Discard();
        return false;
    }
    stream_.Rewind();
    return true;
}

}  // namespace Norvik
