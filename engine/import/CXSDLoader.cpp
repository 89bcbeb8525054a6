#include "CXSDLoader.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLGrammarPoolImpl.hpp>
#include <xercesc/framework/psvi/XSAttributeDeclaration.hpp>
#include <xercesc/framework/psvi/XSAttributeUse.hpp>
#include <xercesc/framework/psvi/XSComplexTypeDefinition.hpp>
#include <xercesc/framework/psvi/XSElementDeclaration.hpp>
#include <xercesc/framework/psvi/XSModel.hpp>
#include <xercesc/framework/psvi/XSModelGroup.hpp>
#include <xercesc/framework/psvi/XSNamedMap.hpp>
#include <xercesc/framework/psvi/XSParticle.hpp>
#include <xercesc/framework/psvi/XSSimpleTypeDefinition.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <libxml/tree.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

#include "CXSDReferenceResolver.h"
#include "NamespacePrefixes.h"
#include "base/TextUtil.h"
#include "io/FetchResource.h"
#include "model/DVFile.h"
#include "xml/CXMLDocument.h"

namespace {

using namespace xercesc;

// Entity expansions one schema document may make; plenty for real schemas,
// far too few for an exponential entity bomb.
constexpr XMLSize_t kEntityExpansionLimit = 10000;
// Nodes one import may create: cycles are cut off, but a schema can still
// branch wide at every level.
constexpr size_t kMaxNodes = 200000;

const char* const kNumberTypes = "decimal;float;double;integer;long;int;short";
const char* const kDateTimeTypes = "datetime;time;date;gyearmonth;gyear;gmonthday;gday;gmonth;";

struct DateTimePattern {
    const char* type;
    const char* pattern;
};
constexpr DateTimePattern kDateTimePatterns[] = {
    {"datetime", "YYYY-MM-DDThh:mm:ss"},
    {"date", "YYYY-MM-DD"},
    {"time", "hh:mm:ss"},
    {"gyearmonth", "YYYY-MM"},
    {"gyear", "YYYY"},
    {"gmonthday", "--MM-DD"},
    {"gday", "---DD"},
    {"gmonth", "--MM--"},
};

void StartXerces() {
    static const bool started = [] {
        XMLPlatformUtils::Initialize();
        return true;
    }();
    (void)started;
}

std::string Utf8(const XMLCh* text) {
    if (text == nullptr) {
        return {};
    }
    TranscodeToStr utf8(text, "UTF-8");
    return std::string(reinterpret_cast<const char*>(utf8.str()), utf8.length());
}

std::u16string Utf16(const std::string& text) {
    TranscodeFromStr utf16(reinterpret_cast<const XMLByte*>(text.data()), text.size(), "UTF-8");
    return std::u16string(reinterpret_cast<const char16_t*>(utf16.str()), utf16.length());
}

bool IsAbsolute(const std::string& location) {
    return location.starts_with('/') || Norvik::IsNetworkUrl(location) ||
           Norvik::ToLower(location.substr(0, 5)) == "file:";
}

// A schema location written in a document, taken relative to the document.
std::string ResolveAgainst(const std::string& base, const std::string& location) {
    if (IsAbsolute(location) || base.empty()) {
        return location;
    }
    const size_t slash = base.find_last_of('/');
    return slash == std::string::npos ? location : base.substr(0, slash + 1) + location;
}

// Serves the schema documents a schema includes or imports through the same
// fetcher as the first one, and refuses every other entity.
class SchemaDocuments : public XMLEntityResolver {
public:
    InputSource* resolveEntity(XMLResourceIdentifier* identifier) override {
        const auto type = identifier->getResourceIdentifierType();
        // A URI holds no white space: a location wrapped over lines (as
        // schemas copied out of documents have it) means the URI without it.
        std::string written = Utf8(identifier->getSystemId());
        std::erase_if(written, [](char c) { return Norvik::IsXmlSpace(c); });
        if (type == XMLResourceIdentifier::ExternalEntity ||
            type == XMLResourceIdentifier::UnKnown) {
            return Empty(written);
        }
        if (written.empty()) {
            return nullptr;  // an import by namespace only: nothing to load
        }
        const std::string location = ResolveAgainst(Utf8(identifier->getBaseURI()), written);
        std::string bytes;
        std::string error;
        std::string readFrom;  // where the XML catalogs put it: the base of its own references
        if (!Norvik::FetchResource(location, bytes, error, &readFrom)) {
            if (failure_.empty()) {
                failure_ = error;
            }
            return Empty(location);
        }
        return Keep(std::move(bytes), readFrom);
    }

    InputSource* Keep(std::string bytes, const std::string& location) {
        buffers_.push_back(std::move(bytes));
        names_.push_back(location);
        const std::string& kept = buffers_.back();
        return new MemBufInputSource(reinterpret_cast<const XMLByte*>(kept.data()), kept.size(),
                                     names_.back().c_str(), false);
    }
    const std::string& Failure() const noexcept { return failure_; }

private:
    InputSource* Empty(const std::string& location) { return Keep(std::string(), location); }

    std::deque<std::string> buffers_;
    std::deque<std::string> names_;
    std::string failure_;
};

class FirstError : public ErrorHandler {
public:
    void warning(const SAXParseException&) override {}
    void error(const SAXParseException& e) override { Keep(e); }
    void fatalError(const SAXParseException& e) override { Keep(e); }
    void resetErrors() override {}

    bool Happened() const noexcept { return happened_; }
    const Norvik::XmlParseError& Error() const noexcept { return error_; }

private:
    void Keep(const SAXParseException& e) {
        if (happened_) {
            return;
        }
        happened_ = true;
        error_.url = Utf8(e.getSystemId());
        error_.line = static_cast<int>(e.getLineNumber());
        error_.linepos = static_cast<int>(e.getColumnNumber());
        error_.reason = Utf8(e.getMessage());
    }

    bool happened_ = false;
    Norvik::XmlParseError error_;
};

// Walks the schema model into the node tree. References to top-level
// elements of the target namespace become placeholders; those of other
// namespaces are built where they stand, as those elements are no roots.
class TreeBuilder {
public:
    TreeBuilder(const std::string& targetNamespace, NamespacePrefixes& prefixes)
        : targetNamespace_(targetNamespace), prefixes_(prefixes) {}
    void Element(XSElementDeclaration& declaration, XMLNode& parent, bool reference);
    bool Exhausted() const noexcept { return nodes_ >= kMaxNodes; }

private:
    XMLNode* Add(XMLNode& parent, const std::string& name, int32_t kind);
    void Complex(XSComplexTypeDefinition& type, XMLNode& node);
    void Attributes(XSAttributeUseList* uses, XMLNode& node);
    void Simple(XSSimpleTypeDefinition& type, XMLNode& node);
    void Content(XSModelGroup& group, XMLNode& parent);

    // The complex types being expanded, outermost first. Named types are
    // known by name: the model may hand out one type as several objects.
    std::vector<std::string> path_;
    size_t nodes_ = 0;
    const std::string& targetNamespace_;
    NamespacePrefixes& prefixes_;
};

XMLNode* TreeBuilder::Add(XMLNode& parent, const std::string& name, int32_t kind) {
    if (Exhausted()) {
        return nullptr;
    }
    ++nodes_;
    return parent.AddChild(name, kind);
}

void TreeBuilder::Element(XSElementDeclaration& declaration, XMLNode& parent, bool reference) {
    const std::string name =
        prefixes_.Name(Utf8(declaration.getNamespace()), Utf8(declaration.getName()));
    if (reference) {
        Add(parent, name, XMLNode::kReference);
        return;
    }
    XMLNode* node = Add(parent, name, XMLNode::kElement);
    if (node == nullptr) {
        return;
    }
    // An element named like the element two levels up repeats itself.
    const XMLNode* grandparent = parent.GetParent();
    if (grandparent && grandparent->GetName() == node->GetName()) {
        return;
    }
    XSTypeDefinition* type = declaration.getTypeDefinition();
    if (type == nullptr) {
        return;
    }
    if (type->getTypeCategory() == XSTypeDefinition::COMPLEX_TYPE) {
        Complex(static_cast<XSComplexTypeDefinition&>(*type), *node);
    } else {
        Simple(static_cast<XSSimpleTypeDefinition&>(*type), *node);
    }
}

void TreeBuilder::Complex(XSComplexTypeDefinition& type, XMLNode& node) {
    // Longer cycles (through named types) end where a type would be
    // expanded a third time on the same path.
    const std::string key = type.getAnonymous()
                                ? "#" + std::to_string(reinterpret_cast<uintptr_t>(&type))
                                : Utf8(type.getNamespace()) + "}" + Utf8(type.getName());
    if (std::count(path_.begin(), path_.end(), key) >= 2) {
        return;
    }
    path_.push_back(key);
    const auto content = type.getContentType();
    if (content == XSComplexTypeDefinition::CONTENTTYPE_EMPTY) {
        node.SetIsEmpty(true);
    }
    Attributes(type.getAttributeUses(), node);
    if (content == XSComplexTypeDefinition::CONTENTTYPE_ELEMENT ||
        content == XSComplexTypeDefinition::CONTENTTYPE_MIXED) {
        XSParticle* particle = type.getParticle();
        if (particle && particle->getTermType() == XSParticle::TERM_MODELGROUP) {
            Content(*particle->getModelGroupTerm(), node);
        }
    }
    path_.pop_back();
}

void TreeBuilder::Attributes(XSAttributeUseList* uses, XMLNode& node) {
    // Prohibited attributes are not among the uses.
    for (XMLSize_t i = 0; uses && i < uses->size(); ++i) {
        const XSAttributeDeclaration* declaration = uses->elementAt(i)->getAttrDeclaration();
        const std::string name =
            prefixes_.Name(Utf8(declaration->getNamespace()), Utf8(declaration->getName()));
        XSAttributeUse* use = uses->elementAt(i);
        if (XMLNode* attribute = Add(node, name, XMLNode::kAttribute)) {
            attribute->SetSkipIfEmpty(!use->getRequired());
        }
    }
}

void TreeBuilder::Simple(XSSimpleTypeDefinition& type, XMLNode& node) {
    XSTypeDefinition* base = type.getBaseType();
    if (base == nullptr || base == &type) {
        return;
    }
    const std::string name = Norvik::ToLower(Utf8(base->getName()));
    if (name.empty()) {
        return;
    }
    DataTypeProperties& data = node.DataType();
    if (std::string_view(kNumberTypes).find(name) != std::string_view::npos) {
        data.dataType = DataTypeProperties::kNumber;
        const XMLCh* digits =
            type.getLexicalFacetValue(XSSimpleTypeDefinition::FACET_FRACTIONDIGITS);
        if (name == "decimal" && digits != nullptr) {
            const std::string text = Utf8(digits);
            char* end = nullptr;
            const long value = std::strtol(text.c_str(), &end, 10);
            if (!text.empty() && end && *end == '\0' && value >= 0 && value <= 1000) {
                data.precision = static_cast<int32_t>(value);
            }
        }
    } else if (std::string_view(kDateTimeTypes).find(name) != std::string_view::npos) {
        data.dataType = DataTypeProperties::kDateTime;
        for (const DateTimePattern& pattern : kDateTimePatterns) {
            if (name == pattern.type) {
                data.format = pattern.pattern;
            }
        }
    }
}

void TreeBuilder::Content(XSModelGroup& group, XMLNode& parent) {
    XSParticleList* particles = group.getParticles();
    for (XMLSize_t i = 0; particles && i < particles->size(); ++i) {
        XSParticle* particle = particles->elementAt(i);
        switch (particle->getTermType()) {
            case XSParticle::TERM_ELEMENT: {
                XSElementDeclaration* element = particle->getElementTerm();
                // A global declaration inside a content model was reached by ref.
                Element(*element, parent,
                        element->getScope() == XSConstants::SCOPE_GLOBAL &&
                            Utf8(element->getNamespace()) == targetNamespace_);
                break;
            }
            case XSParticle::TERM_MODELGROUP:
                Content(*particle->getModelGroupTerm(), parent);
                break;
            default:
                break;  // wildcards
        }
    }
}

// Top-level elements used inside another top-level element go; a single
// remaining one becomes the document element.
void PruneAndPromote(XMLRootNode& root) {
    size_t a = 0;
    while (a < root.ChildCount()) {
        XMLNode* candidate = root.GetChild(a);
        bool used = false;
        for (const auto& other : root.Children()) {
            if (other.get() != candidate && other->FindByName(candidate->GetName())) {
                used = true;
                break;
            }
        }
        if (used) {
            root.RemoveChild(candidate);
        } else {
            ++a;
        }
    }
    if (root.ChildCount() == 1) {
        const std::unique_ptr<XMLNode> only = root.RemoveChild(root.GetChild(0));
        root.CopyFrom(*only, true);
    }
}

struct SchemaDocument {
    std::string bytes;
    std::string readFrom;  // where the catalogs put it: the base of its own references
    std::string targetNamespace;
    // The namespaces its document element binds, (prefix, namespace).
    std::vector<std::pair<std::string, std::string>> bindings;
};

// Read as a plain document first: a malformed file is reported like any
// other parse error.
bool ReadSchemaDocument(const std::string& path, SchemaDocument& schema, std::string& error) {
    std::string fetchError;
    if (!Norvik::FetchResource(path, schema.bytes, fetchError, &schema.readFrom)) {
        error = Norvik::FormatParseError({path, 0, 0, fetchError});
        return false;
    }
    Norvik::CXMLDocument document;
    if (!document.LoadFromMemory(schema.bytes, path)) {
        error = Norvik::FormatParseError(document.ParseError());
        return false;
    }
    const Norvik::XmlElement element = document.DocumentElement();
    schema.targetNamespace = element.Attribute("targetNamespace").value_or("");
    for (const xmlNs* ns = element.Node()->nsDef; ns; ns = ns->next) {
        const auto text = [](const xmlChar* value) {
            return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
        };
        schema.bindings.emplace_back(text(ns->prefix), text(ns->href));
    }
    return true;
}

void Configure(XercesDOMParser& parser, SecurityManager& security, SchemaDocuments& documents,
               FirstError& errors) {
    parser.setDoNamespaces(true);
    parser.setDoSchema(true);
    parser.setHandleMultipleImports(true);
    parser.setLoadExternalDTD(false);
    parser.setDisableDefaultEntityResolution(true);
    parser.setSecurityManager(&security);
    parser.setXMLEntityResolver(&documents);
    parser.setErrorHandler(&errors);
}

bool LoadGrammar(XercesDOMParser& parser, InputSource& source, const FirstError& errors,
                 const SchemaDocuments& documents, std::string& error) {
    Grammar* grammar = parser.loadGrammar(source, Grammar::SchemaGrammarType, true);
    if (grammar != nullptr && !errors.Happened()) {
        return true;
    }
    std::string reason = errors.Happened() ? Norvik::FormatParseError(errors.Error())
                                           : std::string("The schema could not be read");
    if (!documents.Failure().empty()) {
        reason += "\r\n" + documents.Failure();
    }
    error = "Could not load schema document\r\n" + reason;
    return false;
}

// Null when the target namespace declares no elements.
XSNamedMap<XSObject>* TopLevelElements(XMLGrammarPoolImpl& pool,
                                       const std::string& targetNamespace) {
    bool changed = false;
    XSModel* model = pool.getXSModel(changed);
    const std::u16string ns = Utf16(targetNamespace);
    XSNamedMap<XSObject>* elements = nullptr;
    if (model) {
        elements = model->getComponentsByNamespace(XSConstants::ELEMENT_DECLARATION,
                                                   reinterpret_cast<const XMLCh*>(ns.c_str()));
    }
    return elements == nullptr || elements->getLength() == 0 ? nullptr : elements;
}

std::string TooManyNodes(const std::string& path) {
    return "The schema '" + path + "' expands to more than " + std::to_string(kMaxNodes) + " nodes";
}

bool BuildTree(XSNamedMap<XSObject>& elements, const std::string& path,
               const std::string& targetNamespace, NamespacePrefixes& prefixes, XMLRootNode& root,
               std::string& error) {
    root.Reset();
    TreeBuilder builder(targetNamespace, prefixes);
    for (XMLSize_t i = 0; i < elements.getLength(); ++i) {
        auto* element = static_cast<XSElementDeclaration*>(elements.item(i));
        if (element->getName() != nullptr && *element->getName() != 0) {
            builder.Element(*element, root, false);
        }
    }
    if (builder.Exhausted()) {
        root.Reset();
        error = TooManyNodes(path);
        return false;
    }
    return true;
}

// The node tree of the schema's top-level elements, references not yet
// resolved.
bool LoadTree(const std::string& path, const SchemaDocument& schema, NamespacePrefixes& prefixes,
              XMLRootNode& root, std::string& error) {
    const std::string& bytes = schema.bytes;
    StartXerces();
    XMLGrammarPoolImpl pool(XMLPlatformUtils::fgMemoryManager);
    XercesDOMParser parser(nullptr, XMLPlatformUtils::fgMemoryManager, &pool);
    SecurityManager security;
    security.setEntityExpansionLimit(kEntityExpansionLimit);
    SchemaDocuments documents;
    FirstError errors;
    Configure(parser, security, documents, errors);
    try {
        MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(),
                                 schema.readFrom.c_str(), false);
        if (!LoadGrammar(parser, source, errors, documents, error)) {
            return false;
        }
        XSNamedMap<XSObject>* elements = TopLevelElements(pool, schema.targetNamespace);
        if (elements == nullptr) {
            error = "Error: Could not load schema document.\r\nNo top level elements found in '" +
                    path + "'.";
            return false;
        }
        return BuildTree(*elements, path, schema.targetNamespace, prefixes, root, error);
    } catch (const XMLException& e) {
        error = "Could not load schema document\r\n" + Utf8(e.getMessage());
        return false;
    } catch (const OutOfMemoryException&) {
        error = "Could not load schema document\r\nOut of memory";
        return false;
    }
}

}  // namespace

bool CXSDLoader::Load(const std::string& path, DVFile& definition) {
    error_.clear();
    SchemaDocument schema;
    if (!ReadSchemaDocument(path, schema, error_)) {
        return false;
    }
    NamespacePrefixes prefixes(schema.bindings);
    if (!LoadTree(path, schema, prefixes, definition.Root(), error_)) {
        return false;
    }
    XMLRootNode& root = definition.Root();
    CXSDReferenceResolver resolver(kMaxNodes);
    if (root.ChildCount() > 0) {
        resolver.Visit(*root.GetChild(0));
    }
    if (resolver.Exhausted()) {
        root.Reset();
        error_ = TooManyNodes(path);
        return false;
    }
    PruneAndPromote(root);
    prefixes.Finish(root);
    return true;
}
