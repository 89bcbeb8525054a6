#include "SchemaTreeBuilder.h"

#include "model/DVFile.h"
#include "model/NamespaceCheck.h"
#include "model/XMLNode.h"

namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// The passes of NodeTreeWriter a node may be written in.
enum Pass : unsigned { kFirstRow = 1, kRow = 2, kFooter = 4, kAllPasses = 7 };

unsigned OwnPasses(const XMLNode& node) {
    switch (node.GetScope()) {
        case XMLNode::kRowScope:
            return kFirstRow | kRow;
        case XMLNode::kFooterScope:
            return kFooter;
        default:
            return kFirstRow;  // Document and Header
    }
}

bool IsDeclaration(const XMLNode& node) {
    const std::string& name = node.GetName();
    return node.GetNodeType() == XMLNode::kAttribute &&
           (name == "xmlns" || name.starts_with("xmlns:"));
}

bool IsElement(const XMLNode& node) {
    return node.GetNodeType() == XMLNode::kElement;
}

bool WritesRaw(const XMLNode& node) {
    return node.GetOutputType() == XMLNode::kDisableOutputEscaping || node.insertParagraphTags ||
           node.insertBrTags;
}

// NodeTreeWriter::StaysOpen, known before a run: a Document element whose
// ancestors all stay open (the root always does).
bool StaysOpen(const XMLNode& node) {
    if (node.GetScope() != XMLNode::kDocumentScope || node.GetGroup() != 0 || !IsElement(node)) {
        return false;
    }
    const XMLNode* parent = node.GetParent();
    if (parent && parent->GetNodeType() != XMLNode::kDocumentRoot && !StaysOpen(*parent)) {
        return false;
    }
    return node.HasRepeatingContent();
}

// Names repeated in one content model break its determinism.
bool DistinctNames(const std::vector<const ExpandedName*>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
        for (size_t j = i + 1; j < names.size(); ++j) {
            if (*names[i] == *names[j]) {
                return false;
            }
        }
    }
    return true;
}

SchemaParticle Repeated(std::vector<SchemaParticle>&& particles) {
    if (particles.size() == 1) {
        SchemaParticle one = std::move(particles.front());
        one.minOccurs = 0;
        one.maxOccurs = -1;
        return one;
    }
    SchemaParticle sequence;
    sequence.minOccurs = 0;
    sequence.maxOccurs = -1;
    sequence.sequence = std::move(particles);
    return sequence;
}

}  // namespace

Status SchemaTreeBuilder::Build(SchemaSet& out) {
    if (!definition_.Settings().xsltransform.empty()) {
        return {kSchemaGenerate, "the output is transformed by the XSL stylesheet " +
                                     definition_.Settings().xsltransform +
                                     ", whose result no schema here describes"};
    }
    if (const auto problem = NamespaceCheck::Find(definition_.Root())) {
        return {kNamespacePrefix, NamespaceCheck::Describe(*problem)};
    }
    set_ = &out;
    failure_ = kSuccess;
    Namespaces scope;
    if (Status read = ReadDeclarations(definition_.Root(), scope); !read.IsOk()) {
        return read;
    }
    out.mainNamespace = NameOf(definition_.Root().GetName(), scope, false).ns;
    std::unique_ptr<SchemaElement> root =
        Element(definition_.Root(), kAllPasses, Namespaces(), out.mainNamespace);
    if (!failure_.IsOk()) {
        return failure_;
    }
    // The document element comes first among its namespace's declarations.
    auto& list = out.globals[out.mainNamespace];
    for (auto it = list.begin(); it != list.end(); ++it) {
        if ((*it)->name == root->name) {
            root->MergeWith(std::move(**it));
            list.erase(it);
            break;
        }
    }
    list.insert(list.begin(), std::move(root));
    return kSuccess;
}

Status SchemaTreeBuilder::ReadDeclarations(const XMLNode& element, Namespaces& scope) const {
    for (const auto& child : element.Children()) {
        if (!IsDeclaration(*child)) {
            continue;
        }
        const std::string& value = child->GetValue();
        if (child->GetSource() != 0 || value.find('{') != std::string::npos) {
            return {kSchemaGenerate, "the namespace of " + child->GetName() + " on " +
                                         element.GetName() + " is read while the definition runs"};
        }
        const std::string uri = child->DataType().Format(value);
        if (child->GetName() == "xmlns") {
            scope.defaultNs = uri;
        } else if (!uri.empty()) {
            scope.prefixes[child->GetName().substr(6)] = uri;
        }
    }
    return kSuccess;
}

ExpandedName SchemaTreeBuilder::NameOf(const std::string& name, const Namespaces& scope,
                                       bool attribute) const {
    const size_t colon = name.find(':');
    if (colon == std::string::npos) {
        return {attribute ? std::string() : scope.defaultNs, name};
    }
    const std::string prefix = name.substr(0, colon);
    std::string ns;
    if (prefix == "xml") {
        ns = kXmlNamespace;
    } else if (const auto found = scope.prefixes.find(prefix); found != scope.prefixes.end()) {
        ns = found->second;
    }
    return {ns, name.substr(colon + 1)};
}

bool SchemaTreeBuilder::SubtreeMayBeEmpty(const XMLNode& node) const {
    if (!ValueType::Of(node, definition_).mayBeEmpty) {
        return false;
    }
    for (const auto& child : node.Children()) {
        if (!SubtreeMayBeEmpty(*child)) {
            return false;
        }
    }
    return true;
}

bool SchemaTreeBuilder::MaySkip(const XMLNode& node) const {
    return node.GetGroup() != 0 || node.GetSkipIfDuplicate() || node.GetSkipIfZero() ||
           (node.GetSkipIfEmpty() && SubtreeMayBeEmpty(node));
}

std::unique_ptr<SchemaElement> SchemaTreeBuilder::Element(const XMLNode& node, unsigned mask,
                                                          const Namespaces& parentScope,
                                                          const std::string& documentNs) {
    Namespaces scope = parentScope;
    if (Status read = ReadDeclarations(node, scope); !read.IsOk()) {
        failure_ = std::move(read);
    }
    auto element = std::make_unique<SchemaElement>();
    element->name = NameOf(node.GetName(), scope, false);
    Attributes(node, scope, *element);
    Content(node, mask, scope, documentNs, *element);
    return element;
}

void SchemaTreeBuilder::Attributes(const XMLNode& node, const Namespaces& scope,
                                   SchemaElement& element) {
    for (const auto& child : node.Children()) {
        if (child->GetNodeType() != XMLNode::kAttribute || IsDeclaration(*child)) {
            continue;
        }
        SchemaAttribute attribute;
        attribute.name = NameOf(child->GetName(), scope, true);
        if (attribute.name.ns == kXmlNamespace) {
            element.xmlAttributes = true;
            continue;
        }
        if (attribute.name.ns == kInstanceNamespace) {
            continue;  // schema processors read these themselves
        }
        attribute.type = ValueType::Of(*child, definition_);
        const bool skipsEmpty = child->GetSkipIfEmpty();
        if (attribute.type.mayBeEmpty && !skipsEmpty) {
            attribute.type = attribute.type.OrEmpty();  // written empty too
        }
        attribute.required = !child->GetSkipIfZero() && (!skipsEmpty || !attribute.type.mayBeEmpty);
        SchemaAttribute* same = nullptr;
        for (SchemaAttribute& seen : element.attributes) {
            if (seen.name == attribute.name) {
                same = &seen;
            }
        }
        if (same) {
            same->type = ValueType::String();
            same->required = false;
            continue;
        }
        if (!attribute.name.ns.empty()) {
            set_->AddGlobalAttribute(attribute);
        }
        element.attributes.push_back(std::move(attribute));
    }
}

SchemaParticle SchemaTreeBuilder::ChildParticle(const XMLNode& child, unsigned mask,
                                                const Namespaces& scope,
                                                const std::string& documentNs) {
    SchemaParticle particle;
    Namespaces own = scope;
    ReadDeclarations(child, own);
    const ExpandedName name = NameOf(child.GetName(), own, false);
    // Elements of another namespace are declared globally in its document;
    // elements in no namespace stay local (unqualified) wherever they are.
    particle.global = !name.ns.empty() && name.ns != documentNs;
    std::unique_ptr<SchemaElement> element =
        Element(child, mask, scope, particle.global ? name.ns : documentNs);
    if (particle.global) {
        set_->AddGlobal(std::move(element));
        element = std::make_unique<SchemaElement>();
        element->name = name;
    }
    particle.element = std::move(element);
    return particle;
}

void SchemaTreeBuilder::Content(const XMLNode& node, unsigned mask, const Namespaces& scope,
                                const std::string& documentNs, SchemaElement& element) {
    using C = SchemaElement::Content;
    const bool isRoot = node.GetNodeType() == XMLNode::kDocumentRoot;
    bool values = false;
    bool raw = !isRoot && WritesRaw(node);
    std::vector<const XMLNode*> children;
    for (const auto& child : node.Children()) {
        if (child->GetNodeType() == XMLNode::kValue) {
            values = true;
            raw = raw || WritesRaw(*child);
        } else if (IsElement(*child)) {
            children.push_back(child.get());
        }
    }
    if (raw) {
        element.content = C::kOpen;
        element.mixed = true;
        return;
    }
    if (node.GetIsEmpty() && children.empty() && !values) {
        element.content = C::kEmpty;
        return;
    }
    const ValueType own = isRoot ? ValueType::String() : ValueType::Of(node, definition_);
    if (children.empty()) {
        if (isRoot && !values) {
            // Rows written apart may leave a line break inside an otherwise
            // empty document element.
            element.content = C::kEmpty;
            element.mixed = true;
            return;
        }
        element.content = C::kSimple;
        // The strict type alone where the element is never written without
        // a value of its own; where it may be, the type or nothing.
        const bool strict =
            !values && (!own.mayBeEmpty || (node.GetSkipIfEmpty() && node.ChildCount() == 0));
        element.text = strict ? own : values ? ValueType::String() : own.OrEmpty();
        return;
    }
    // A CDATA section is written even around an empty value.
    const bool ownText = !isRoot && (node.GetOutputType() == XMLNode::kCDataSection ||
                                     !(node.GetSource() == 0 && node.GetValue().empty()));
    element.mixed = values || ownText;

    bool anyOrder = false;
    std::vector<SchemaParticle> all = Particles(node, children, mask, scope, documentNs, anyOrder);
    std::vector<const ExpandedName*> names;
    for (const SchemaParticle& particle : all) {
        if (particle.element) {
            names.push_back(&particle.element->name);
        }
        for (const SchemaParticle& inner : particle.sequence) {
            names.push_back(&inner.element->name);
        }
    }
    element.content = C::kChildren;
    element.particles = std::move(all);
    if (anyOrder || !DistinctNames(names)) {
        // Merging with a declaration of no children gives any order.
        SchemaElement none;
        none.content = C::kChildren;
        element.MergeWith(std::move(none));
    }
}

std::vector<SchemaParticle> SchemaTreeBuilder::Particles(
    const XMLNode& node, const std::vector<const XMLNode*>& children, unsigned mask,
    const Namespaces& scope, const std::string& documentNs, bool& interleaved) {
    const bool isRoot = node.GetNodeType() == XMLNode::kDocumentRoot;
    const bool container = isRoot || StaysOpen(node);
    const bool group = node.GetGroup() != 0;
    std::vector<SchemaParticle> all;
    std::vector<SchemaParticle> once;
    std::vector<SchemaParticle> rows;
    std::vector<SchemaParticle> footer;
    for (const XMLNode* child : children) {
        const unsigned ownPasses = OwnPasses(*child);
        const unsigned passes = (container ? kAllPasses : mask) & ownPasses;
        SchemaParticle particle = ChildParticle(*child, passes, scope, documentNs);
        if (container) {
            const bool isRow = child->GetScope() == XMLNode::kRowScope;
            const bool isFooter = child->GetScope() == XMLNode::kFooterScope;
            particle.minOccurs = MaySkip(*child) || (isFooter && !isRoot) ? 0 : 1;
            if (!isRow && !isFooter && !rows.empty()) {
                interleaved = true;
            }
            (isRow ? rows : isFooter ? footer : once).push_back(std::move(particle));
        } else if (group) {
            particle.minOccurs = child->GetScope() == XMLNode::kRowScope && !MaySkip(*child);
            all.push_back(std::move(particle));
        } else {
            particle.minOccurs = (ownPasses & mask) == mask && !MaySkip(*child);
            all.push_back(std::move(particle));
        }
    }
    if (container) {
        for (SchemaParticle& particle : once) {
            all.push_back(std::move(particle));
        }
        if (!rows.empty()) {
            all.push_back(Repeated(std::move(rows)));
        }
        for (SchemaParticle& particle : footer) {
            all.push_back(std::move(particle));
        }
    } else if (group) {
        std::vector<SchemaParticle> perRow = std::move(all);
        all.clear();
        all.push_back(Repeated(std::move(perRow)));
    }
    return all;
}
