#include "SimpleSchema.h"

#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <map>

#include "base/TextUtil.h"

namespace Norvik {

namespace {

constexpr std::string_view kXsd = "http://www.w3.org/2001/XMLSchema";

std::string_view Text(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

bool IsXsd(const xmlNode* node, std::string_view name = {}) {
    return node->type == XML_ELEMENT_NODE && node->ns && Text(node->ns->href) == kXsd &&
           (name.empty() || Text(node->name) == name);
}

// Child elements in the schema's namespace, annotations skipped; false when
// there is anything else (foreign elements, text).
bool SchemaChildren(const xmlNode* node, std::vector<const xmlNode*>& out) {
    out.clear();
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            if (!IsXsd(child)) {
                return false;
            }
            if (Text(child->name) != "annotation") {
                out.push_back(child);
            }
        } else if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
                   !AllXmlSpace(Text(child->content))) {
            return false;
        }
    }
    return true;
}

// Only the named attributes (and any outside the schema namespace, which
// carry no meaning for validation).
bool OnlyAttributes(const xmlNode* node, std::initializer_list<std::string_view> allowed) {
    for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
        if (attribute->ns) {
            continue;
        }
        bool known = false;
        for (std::string_view name : allowed) {
            known = known || Text(attribute->name) == name;
        }
        if (!known) {
            return false;
        }
    }
    return true;
}

std::string Attribute(const xmlNode* node, const char* name, bool& present) {
    xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
    present = value != nullptr;
    std::string text(Text(value));
    xmlFree(value);
    return text;
}

bool ParseCount(std::string_view text, uint32_t& count) {
    text = TrimXmlSpace(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count < UINT32_MAX;
}

struct BuiltIn {
    SimpleSchema::Quick quick;
    int64_t low;
    int64_t high;
};

// Built-in types with a quick check; the others are left to the general
// validator with the rest of the schema.
const std::map<std::string_view, BuiltIn>& BuiltIns() {
    using Q = SimpleSchema::Quick;
    constexpr int64_t kMin = INT64_MIN;
    constexpr int64_t kMax = INT64_MAX;
    static const std::map<std::string_view, BuiltIn> types = {
        {"string", {Q::kAny, 0, 0}},
        {"normalizedString", {Q::kAny, 0, 0}},
        {"token", {Q::kAny, 0, 0}},
        {"integer", {Q::kInteger, kMin, kMax}},
        {"long", {Q::kInteger, kMin, kMax}},
        {"int", {Q::kInteger, INT32_MIN, INT32_MAX}},
        {"short", {Q::kInteger, INT16_MIN, INT16_MAX}},
        {"byte", {Q::kInteger, INT8_MIN, INT8_MAX}},
        {"nonNegativeInteger", {Q::kInteger, 0, kMax}},
        {"positiveInteger", {Q::kInteger, 1, kMax}},
        {"nonPositiveInteger", {Q::kInteger, kMin, 0}},
        {"negativeInteger", {Q::kInteger, kMin, -1}},
        {"unsignedLong", {Q::kInteger, 0, kMax}},
        {"unsignedInt", {Q::kInteger, 0, UINT32_MAX}},
        {"unsignedShort", {Q::kInteger, 0, UINT16_MAX}},
        {"unsignedByte", {Q::kInteger, 0, UINT8_MAX}},
        {"decimal", {Q::kDecimal, 0, 0}},
        {"date", {Q::kDate, 0, 0}},
        {"boolean", {Q::kBoolean, 0, 0}},
    };
    return types;
}

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !text.empty();
}

// The quick checks say yes only to plain forms every validator takes.
bool QuickInteger(std::string_view text, int64_t low, int64_t high) {
    text = TrimXmlSpace(text);
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.size() > 18 || !AllDigits(digits) || (negative && low >= 0)) {
        return false;
    }
    int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value >= low && value <= high;
}

bool QuickDecimal(std::string_view text) {
    text = TrimXmlSpace(text);
    if (!text.empty() && text[0] == '-') {
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    if (point == std::string_view::npos) {
        return text.size() <= 18 && AllDigits(text);
    }
    return text.size() <= 19 && AllDigits(text.substr(0, point)) &&
           AllDigits(text.substr(point + 1));
}

// Exactly YYYY-MM-DD: libxml2 takes no white space around a date.
bool QuickDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !AllDigits(text.substr(0, 4)) ||
        !AllDigits(text.substr(5, 2)) || !AllDigits(text.substr(8, 2))) {
        return false;
    }
    const int year =
        (text[0] - '0') * 1000 + (text[1] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
    const int month = (text[5] - '0') * 10 + (text[6] - '0');
    const int day = (text[8] - '0') * 10 + (text[9] - '0');
    if (year == 0 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool QuickBoolean(std::string_view text) {
    return text == "true" || text == "false" || text == "1" || text == "0";
}

void OnValueError(void* context, xmlErrorPtr error) {
    auto* message = static_cast<std::string*>(context);
    if (message->empty() && error && error->message) {
        *message = error->message;
    }
}

}  // namespace

class SimpleSchema::Compiler {
public:
    explicit Compiler(SimpleSchema& schema) : schema_(schema) {}

    bool Run(const xmlNode* root) {
        if (!IsXsd(root, "schema") ||
            !OnlyAttributes(root, {"targetNamespace", "elementFormDefault", "attributeFormDefault",
                                   "version", "id", "blockDefault", "finalDefault"})) {
            return false;
        }
        bool present = false;
        schema_.targetNamespace_ = Attribute(root, "targetNamespace", present);
        if (present && schema_.targetNamespace_.empty()) {
            return false;  // not a namespace name: libxml2 refuses the schema
        }
        const std::string form = Attribute(root, "elementFormDefault", present);
        if (!Form(form, present, qualifiedLocals_)) {
            return false;
        }
        std::vector<const xmlNode*> children;
        if (!SchemaChildren(root, children)) {
            return false;
        }
        std::vector<const xmlNode*> elements;
        for (const xmlNode* child : children) {
            if (IsXsd(child, "element")) {
                elements.push_back(child);
            } else if (IsXsd(child, "complexType")) {
                bool present = false;
                const std::string name = Attribute(child, "name", present);
                if (!present || !named_.emplace(name, child).second) {
                    return false;
                }
            } else {
                return false;
            }
        }
        for (const xmlNode* element : elements) {
            const Element* compiled = CompileElement(element, true);
            if (!compiled) {
                return false;
            }
            schema_.globals_.push_back(compiled);
        }
        return !schema_.globals_.empty();
    }

private:
    // "qualified" or "unqualified"; absent keeps what qualified holds.
    static bool Form(const std::string& form, bool present, bool& qualified) {
        if (present && form != "qualified" && form != "unqualified") {
            return false;
        }
        qualified = present ? form == "qualified" : qualified;
        return true;
    }

    const Element* CompileElement(const xmlNode* node, bool global) {
        if (!(global ? OnlyAttributes(node, {"name", "type", "id"})
                     : OnlyAttributes(node,
                                      {"name", "type", "id", "minOccurs", "maxOccurs", "form"}))) {
            return nullptr;
        }
        bool present = false;
        auto element = std::make_unique<Element>();
        element->name = Attribute(node, "name", present);
        if (!present || element->name.empty()) {
            return nullptr;
        }
        bool qualified = global || qualifiedLocals_;
        const std::string form = Attribute(node, "form", present);
        if (!Form(form, present, qualified)) {
            return nullptr;
        }
        if (qualified && !schema_.targetNamespace_.empty()) {
            element->uri = schema_.targetNamespace_;
            element->display = "{" + element->uri + "}" + element->name;
        } else {
            element->display = element->name;
        }
        std::vector<const xmlNode*> children;
        if (!SchemaChildren(node, children)) {
            return nullptr;
        }
        const std::string type = Attribute(node, "type", present);
        if (present == !children.empty()) {
            return nullptr;  // no type at all (anyType), or two
        }
        if (present) {
            if (!ResolveType(node, type, *element)) {
                return nullptr;
            }
        } else if (children.size() != 1 || !IsXsd(children[0], "complexType") ||
                   !(element->complex = CompileComplex(children[0], false))) {
            return nullptr;
        }
        schema_.elements_.push_back(std::move(element));
        return schema_.elements_.back().get();
    }

    bool ResolveType(const xmlNode* node, const std::string& qualified, Element& element) {
        const size_t colon = qualified.find(':');
        const std::string prefix = colon == std::string::npos ? "" : qualified.substr(0, colon);
        const std::string local =
            colon == std::string::npos ? qualified : qualified.substr(colon + 1);
        const xmlNs* ns = xmlSearchNs(
            node->doc, const_cast<xmlNode*>(node),
            prefix.empty() ? nullptr : reinterpret_cast<const xmlChar*>(prefix.c_str()));
        if (ns && Text(ns->href) == kXsd) {
            element.value = BuiltInType(local);
            return element.value != nullptr;
        }
        if (!ns && !prefix.empty()) {
            return false;  // an unbound prefix: libxml2 refuses the schema
        }
        if ((ns ? Text(ns->href) : std::string_view()) != schema_.targetNamespace_) {
            return false;  // a type of another namespace: none is defined here
        }
        const auto named = named_.find(local);
        if (named == named_.end()) {
            return false;
        }
        element.complex = CompileComplex(named->second, true);
        return element.complex != nullptr;
    }

    const ComplexType* CompileComplex(const xmlNode* node, bool named) {
        if (named) {
            // Recursive types refer to themselves while being compiled.
            const auto done = compiled_.find(node);
            if (done != compiled_.end()) {
                return done->second;
            }
        }
        if (!(named ? OnlyAttributes(node, {"name", "id"}) : OnlyAttributes(node, {"id"}))) {
            return nullptr;
        }
        std::vector<const xmlNode*> children;
        if (!SchemaChildren(node, children) || children.size() != 1 ||
            !IsXsd(children[0], "sequence") || !OnlyAttributes(children[0], {"id"})) {
            return nullptr;
        }
        schema_.types_.push_back(std::make_unique<ComplexType>());
        ComplexType* type = schema_.types_.back().get();
        if (named) {
            compiled_.emplace(node, type);
        }
        std::vector<const xmlNode*> particles;
        if (!SchemaChildren(children[0], particles) || particles.empty()) {
            return nullptr;
        }
        for (const xmlNode* particle : particles) {
            if (!AddParticle(particle, *type)) {
                return nullptr;
            }
        }
        return type;
    }

    // False when the particle is not of the simple shape.
    bool AddParticle(const xmlNode* particle, ComplexType& type) {
        if (!IsXsd(particle, "element")) {
            return false;
        }
        Particle compiled;
        bool present = false;
        const std::string min = Attribute(particle, "minOccurs", present);
        if (present && !ParseCount(min, compiled.min)) {
            return false;
        }
        const std::string max = Attribute(particle, "maxOccurs", present);
        if (present && max == "unbounded") {
            compiled.max = kUnbounded;
        } else if (present && !ParseCount(max, compiled.max)) {
            return false;
        }
        // Counted repetition has libxml2 word its messages in ways of
        // its own: such particles are left to it.
        if (compiled.min > 1 || (compiled.max != 1 && compiled.max != kUnbounded)) {
            return false;
        }
        compiled.element = CompileElement(particle, false);
        if (!compiled.element) {
            return false;
        }
        // Distinct names: the first particle that takes a name is the
        // only one that can.
        for (const Particle& before : type.particles) {
            if (before.element->name == compiled.element->name &&
                before.element->uri == compiled.element->uri) {
                return false;
            }
        }
        type.particles.push_back(compiled);
        return true;
    }

    const ValueType* BuiltInType(const std::string& local) {
        for (const auto& [name, type] : schema_.valueTypes_) {
            if (name == local) {
                return type.get();
            }
        }
        const auto found = BuiltIns().find(local);
        if (found == BuiltIns().end()) {
            return nullptr;
        }
        auto type = std::make_unique<SimpleSchema::ValueType>(
            local, found->second.quick, found->second.low, found->second.high);
        if (!type->Compiled()) {
            return nullptr;
        }
        schema_.valueTypes_.emplace_back(local, std::move(type));
        return schema_.valueTypes_.back().second.get();
    }

    SimpleSchema& schema_;
    bool qualifiedLocals_ = false;
    std::map<std::string, const xmlNode*> named_;
    std::map<const xmlNode*, const ComplexType*> compiled_;
};

SimpleSchema::ValueType::ValueType(std::string name, Quick quick, int64_t low, int64_t high)
    : quick_(quick), low_(low), high_(high) {
    const std::string text =
        "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
        "<xs:element name=\"v\" type=\"xs:" +
        name + "\"/></xs:schema>";
    xmlSchemaParserCtxtPtr parser =
        xmlSchemaNewMemParserCtxt(text.data(), static_cast<int>(text.size()));
    if (!parser) {
        return;
    }
    schema_ = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (schema_) {
        validator_ = xmlSchemaNewValidCtxt(schema_);
    }
}

SimpleSchema::ValueType::~ValueType() {
    if (validator_) {
        xmlSchemaFreeValidCtxt(validator_);
    }
    if (schema_) {
        xmlSchemaFree(schema_);
    }
}

bool SimpleSchema::ValueType::Quickly(std::string_view value) const {
    switch (quick_) {
        case Quick::kAny:
            return true;
        case Quick::kInteger:
            return QuickInteger(value, low_, high_);
        case Quick::kDecimal:
            return QuickDecimal(value);
        case Quick::kDate:
            return QuickDate(value);
        case Quick::kBoolean:
            return QuickBoolean(value);
    }
    return false;
}

bool SimpleSchema::ValueType::Check(std::string_view value, const std::string& element,
                                    std::string& message) const {
    if (Quickly(value)) {
        return true;
    }
    // Alone in a document of its own, as the content of an element of the
    // type: the same check, and the same words, as in the whole document.
    xmlDocPtr document = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    xmlNodePtr root =
        xmlNewDocNode(document, nullptr, reinterpret_cast<const xmlChar*>("v"), nullptr);
    xmlDocSetRootElement(document, root);
    if (!value.empty()) {
        // libxml2 takes an int length; no value of these types is that long.
        const auto length = static_cast<int>(std::min<size_t>(value.size(), INT_MAX));
        xmlAddChild(root, xmlNewDocTextLen(document, reinterpret_cast<const xmlChar*>(value.data()),
                                           length));
    }
    message.clear();
    xmlSchemaSetValidStructuredErrors(validator_, OnValueError, &message);
    const bool valid = xmlSchemaValidateDoc(validator_, document) == 0;
    xmlSchemaSetValidStructuredErrors(validator_, nullptr, nullptr);
    xmlFreeDoc(document);
    if (valid) {
        return true;
    }
    constexpr std::string_view kStand = "Element 'v'";
    if (message.compare(0, kStand.size(), kStand) == 0) {
        message.replace(0, kStand.size(), "Element '" + element + "'");
    }
    if (message.empty()) {
        message = "Element '" + element + "': the value is not valid";
    }
    return false;
}

std::unique_ptr<SimpleSchema> SimpleSchema::Compile(_xmlDoc* schemaDocument) {
    const xmlNode* root = schemaDocument ? xmlDocGetRootElement(schemaDocument) : nullptr;
    if (!root) {
        return nullptr;
    }
    auto schema = std::make_unique<SimpleSchema>();
    Compiler compiler(*schema);
    if (!compiler.Run(root)) {
        return nullptr;
    }
    return schema;
}

const SimpleSchema::Element* SimpleSchema::Global(std::string_view uri,
                                                  std::string_view name) const {
    for (const Element* element : globals_) {
        if (element->name == name && element->uri == uri) {
            return element;
        }
    }
    return nullptr;
}

}  // namespace Norvik
