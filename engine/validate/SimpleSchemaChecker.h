#pragma once

#include <functional>
#include <string>
#include <vector>

#include "SimpleSchema.h"
#include "xml/XmlEventReader.h"

namespace Norvik {

// Checks a document's events against a SimpleSchema and reports the first
// error as libxml2's validator words it, at the same event. Values go through
// a quick check first and, when it cannot say yes, through libxml2's own
// validator. The document must not bind the schema instance namespace: its
// attributes (xsi:type, xsi:nil) are not understood here.
class SimpleSchemaChecker : public XmlEventReader::Events {
public:
    using Report = std::function<void(const std::string& message)>;

    SimpleSchemaChecker(const SimpleSchema& schema, Report report);

    void StartElement(const XmlEventReader::Name& name,
                      std::span<const XmlEventReader::Namespace> declared,
                      std::span<const XmlEventReader::Attribute> attributes) override;
    void EndElement(const XmlEventReader::Name& name) override;
    void Characters(std::string_view text) override;
    void TextEnd() override;

    bool Failed() const noexcept { return failed_; }

private:
    struct Frame {
        const SimpleSchema::Element* element = nullptr;
        size_t particle = 0;  // in its complex type's sequence
        uint32_t count = 0;   // elements taken by that particle
        std::string text;     // simple content read so far
    };

    void Fail(std::string message);
    // The names that may come next, as libxml2 lists them.
    std::string Expected(const Frame& frame) const;

    const SimpleSchema& schema_;
    Report report_;
    std::vector<Frame> frames_;  // the first depth_ are open
    size_t depth_ = 0;
    bool failed_ = false;
    bool textInElements_ = false;  // text in element-only content, reported when it ends
};

}  // namespace Norvik
