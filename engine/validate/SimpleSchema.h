#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlSchema;
struct _xmlSchemaValidCtxt;

namespace Norvik {

// The common shape of record schemas, compiled for a quick check: at most a
// target namespace (local elements qualified or not, by elementFormDefault
// or form), no includes or imports; elements whose type is a built-in simple
// type or a complex type with a sequence of distinct child elements, each
// optional or required, once or repeated without bound; no attributes;
// built-in types that have a quick check. A schema of any other shape does
// not compile here and is left to the general validator.
class SimpleSchema {
public:
    static constexpr uint32_t kUnbounded = UINT32_MAX;

    // How a value is checked before the general check of its type.
    enum class Quick { kAny, kInteger, kDecimal, kDate, kBoolean };

    // A built-in type. A value the quick check does not pass goes to
    // libxml2's validator as the content of an element of that type, which
    // gives its verdict and its message.
    class ValueType {
    public:
        ValueType(std::string name, Quick quick, int64_t low, int64_t high);
        ~ValueType();
        ValueType(const ValueType&) = delete;
        ValueType& operator=(const ValueType&) = delete;

        bool Compiled() const noexcept { return validator_ != nullptr; }
        // True when valid; otherwise libxml2's message for an element
        // named element holding the value.
        bool Check(std::string_view value, const std::string& element, std::string& message) const;

    private:
        bool Quickly(std::string_view value) const;

        Quick quick_;
        int64_t low_;  // range of the integer types
        int64_t high_;
        _xmlSchema* schema_ = nullptr;
        _xmlSchemaValidCtxt* validator_ = nullptr;
    };

    struct Element;
    struct Particle {
        const Element* element = nullptr;
        uint32_t min = 1;
        uint32_t max = 1;
    };
    struct ComplexType {
        std::vector<Particle> particles;
    };
    struct Element {
        std::string name;
        std::string uri;      // its namespace; empty: none
        std::string display;  // as libxml2 names it in messages: "{uri}name" or "name"
        const ComplexType* complex = nullptr;  // null: simple content
        const ValueType* value = nullptr;
    };

    // Null when the schema document is not of this shape.
    static std::unique_ptr<SimpleSchema> Compile(_xmlDoc* schemaDocument);

    const Element* Global(std::string_view uri, std::string_view name) const;
    const std::string& TargetNamespace() const noexcept { return targetNamespace_; }

private:
    class Compiler;

    std::vector<std::unique_ptr<Element>> elements_;
    std::vector<std::unique_ptr<ComplexType>> types_;
    std::vector<std::pair<std::string, std::unique_ptr<ValueType>>> valueTypes_;
    std::vector<const Element*> globals_;
    std::string targetNamespace_;
};

}  // namespace Norvik
