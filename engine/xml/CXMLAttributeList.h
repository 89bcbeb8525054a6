#pragma once

#include <string_view>

#include "CSAXAttributes.h"

namespace Norvik {

// Attribute list for CXMLWriter::StartElement; the writer empties it after use.
// Callers convert numbers and booleans to their stored text before adding.
class CXMLAttributeList {
public:
    void Clear() noexcept { attributes_.Clear(); }
    bool AddAttribute(std::string_view name, std::string_view value) {
        attributes_.AddAttribute(name, value);
        return true;
    }
    const CSAXAttributes& Attributes() const noexcept { return attributes_; }

private:
    CSAXAttributes attributes_;
};

}  // namespace Norvik
