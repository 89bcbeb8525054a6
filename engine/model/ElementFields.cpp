#include "ElementFields.h"

#include "base/PlatformError.h"
#include "base/VariantConvert.h"

std::optional<std::string> ElementFields::Get(std::string_view name) const {
    if (layout_ == Layout::kAttributes) {
        return element_.Attribute(name);
    }
    const Norvik::XmlElement child = element_.FirstChild(name);
    if (!child) {
        return std::nullopt;
    }
    return child.Text();
}

std::string ElementFields::Text(std::string_view name, std::string_view fallback) const {
    std::optional<std::string> value = Get(name);
    return value ? std::move(*value) : std::string(fallback);
}

int32_t ElementFields::Int(std::string_view name, std::optional<int32_t> fallback) const {
    const std::optional<std::string> value = Get(name);
    if (!value && fallback) {
        return *fallback;
    }
    try {
        return Norvik::VariantToInt32(value.value_or(""));
    } catch (const Norvik::PlatformError& error) {
        throw Norvik::PlatformError(error.Code(), "<" + std::string(element_.Name()) + "> " +
                                                      std::string(name) + ": " +
                                                      error.Description());
    }
}

bool ElementFields::Bool(std::string_view name, std::optional<bool> fallback) const {
    const std::optional<std::string> value = Get(name);
    if (!value && fallback) {
        return *fallback;
    }
    try {
        return Norvik::VariantToBool(value.value_or(""));
    } catch (const Norvik::PlatformError& error) {
        throw Norvik::PlatformError(error.Code(), "<" + std::string(element_.Name()) + "> " +
                                                      std::string(name) + ": " +
                                                      error.Description());
    }
}

void ElementFields::ReadDataType(DataTypeProperties& properties) const {
    properties.ResetDataType();
    try {
        properties.dataType = Int("datatype", 0);
        switch (properties.dataType) {
            case DataTypeProperties::kDateTime:
                properties.dateSequence = Int("datesequence", 0);
                properties.format = Text("format");
                break;
            case DataTypeProperties::kNumber:
                properties.precision = Int("precision", -1);
                properties.thousands = Bool("thousands", false);
                properties.currency = Bool("currency", false);
                break;
            default:
                properties.caseType = Int("casetype", 0);
                properties.insertParagraphTags = Bool("insertparagraphtags", false);
                properties.insertBrTags = Bool("insertbrtags", false);
                break;
        }
    } catch (const Norvik::PlatformError&) {
        // Only the data type reading stops; the element itself still counts.
    }
}
