#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SchemaTree.h"
#include "base/Status.h"

class DVFile;
class XMLNode;

// Turns a definition's node tree into the declarations of every document it
// can write, following NodeTreeWriter's passes: the first row of a document
// writes Row, Header and Document nodes, every later row its Row nodes, the
// footer its Footer nodes; group elements hold a run of rows; a Document
// element with repeating content stays open across rows. Skip rules make a
// node optional; what the content models cannot say exactly (interleaved
// scopes, repeated names) becomes any order and number of the children.
class SchemaTreeBuilder {
public:
    explicit SchemaTreeBuilder(const DVFile& definition) : definition_(definition) {}

    // 124 for an undeclared prefix; kSchemaGenerate when the documents'
    // shape or namespaces are not known before a run (an XSL step, a
    // namespace declaration read from a column).
    Status Build(SchemaSet& out);

private:
    struct Namespaces {
        std::string defaultNs;
        std::map<std::string, std::string> prefixes;
    };

    Status ReadDeclarations(const XMLNode& element, Namespaces& scope) const;
    ExpandedName NameOf(const std::string& name, const Namespaces& scope, bool attribute) const;
    // The declaration of an element written in the passes of mask.
    std::unique_ptr<SchemaElement> Element(const XMLNode& node, unsigned mask,
                                           const Namespaces& parentScope,
                                           const std::string& documentNs);
    void Attributes(const XMLNode& node, const Namespaces& scope, SchemaElement& element);
    void Content(const XMLNode& node, unsigned mask, const Namespaces& scope,
                 const std::string& documentNs, SchemaElement& element);
    // The content model of children in the order the writer's passes give
    // them: once, rows, footer for the root and the elements that stay open
    // across rows; a run per row for a group element; tree order otherwise.
    // interleaved: a Header or Document element after a row element, which
    // no sequence can say.
    std::vector<SchemaParticle> Particles(const XMLNode& node,
                                          const std::vector<const XMLNode*>& children,
                                          unsigned mask, const Namespaces& scope,
                                          const std::string& documentNs, bool& interleaved);
    SchemaParticle ChildParticle(const XMLNode& child, unsigned mask, const Namespaces& scope,
                                 const std::string& documentNs);
    bool MaySkip(const XMLNode& node) const;
    bool SubtreeMayBeEmpty(const XMLNode& node) const;

    const DVFile& definition_;
    SchemaSet* set_ = nullptr;
    Status failure_;
};
