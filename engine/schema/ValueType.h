#pragma once

#include <string>
#include <vector>

class DVFile;
class XMLNode;

// The simple type every value a node writes belongs to, as an XML Schema
// built-in type with facets. The rules answer only what holds for every row
// and every run of the definition with its own regional setting: when a
// format, default or lookup could write something a stricter type refuses,
// the value is plain xs:string.
struct ValueType {
    std::string base = "xs:string";  // "xs:string", "xs:integer", "xs:decimal", "xs:date", …
    int fractionDigits = -1;         // xs:decimal: at most this many decimals; -1 any
    std::string pattern;             // xs:string: a regular expression every value matches
    std::vector<std::string> enumeration;  // xs:string: the only values written
    // Whether the value may be written empty (the type itself never includes
    // the empty text unless it is plain xs:string).
    bool mayBeEmpty = true;
    // Written empty as well as typed: the type or the empty text (a union).
    bool orEmpty = false;

    bool IsPlainString() const {
        return base == "xs:string" && pattern.empty() && enumeration.empty();
    }
    bool HasFacets() const {
        return fractionDigits >= 0 || !pattern.empty() || !enumeration.empty();
    }
    // The type for a value that is written even when empty.
    ValueType OrEmpty() const {
        ValueType type = *this;
        type.orEmpty = !IsPlainString();
        return type;
    }
    bool operator==(const ValueType&) const = default;

    // The type of what node writes as its value (an element's text or an
    // attribute's value), formatted by its column and by the node itself.
    static ValueType Of(const XMLNode& node, const DVFile& definition);
    // Plain xs:string that may be empty.
    static ValueType String() { return {}; }
};
