#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "DataTypeProperties.h"
#include "xml/CXMLDocument.h"

// The named values of one project-file element: its attributes (current
// layout) or its child elements' text (older layout). An absent value takes
// the reading default; a required value (no default) that is absent, or text
// that does not convert, throws Norvik::PlatformError.
class ElementFields {
public:
    enum class Layout { kAttributes, kChildElements };

    ElementFields(Norvik::XmlElement element, Layout layout) : element_(element), layout_(layout) {}

    std::optional<std::string> Get(std::string_view name) const;
    std::string Text(std::string_view name, std::string_view fallback = {}) const;
    int32_t Int(std::string_view name, std::optional<int32_t> fallback) const;
    bool Bool(std::string_view name, std::optional<bool> fallback) const;

    // Data type and the settings of that type only. A value that does not
    // convert stops the reading; what was read before stays.
    void ReadDataType(DataTypeProperties& properties) const;

private:
    Norvik::XmlElement element_;
    Layout layout_;
};
