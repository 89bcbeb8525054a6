#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ValueType.h"

// What the schema documents declare, before they are written: element and
// attribute declarations by expanded name, content models, and the global
// declarations of each namespace.

// A namespace name and a local name.
struct ExpandedName {
    std::string ns;
    std::string local;
    auto operator<=>(const ExpandedName&) const = default;
};

struct SchemaAttribute {
    ExpandedName name;
    ValueType type;
    bool required = false;
};

struct SchemaElement;

// One entry of a content model: an element (declared here or, when global,
// referred to by name) or a sequence of further particles.
struct SchemaParticle {
    int minOccurs = 1;
    int maxOccurs = 1;                       // -1: unbounded
    std::unique_ptr<SchemaElement> element;  // null for a sequence
    bool global = false;  // element stands for the global declaration of its name
    std::vector<SchemaParticle> sequence;
};

struct SchemaElement {
    enum class Content {
        kEmpty,     // attributes only
        kSimple,    // text of one type
        kChildren,  // child elements, in model order, with text between when mixed
        kAnyOrder,  // child elements in any order and number, text between when mixed
        kOpen,      // anything: text written unescaped or with tags of its own
    };
    ExpandedName name;
    Content content = Content::kEmpty;
    ValueType text;  // kSimple
    bool mixed = false;
    std::vector<SchemaAttribute> attributes;
    bool xmlAttributes = false;  // attributes in the xml namespace (xml:lang, …)
    std::vector<SchemaParticle> particles;

    // Combines two declarations of one name, so that every element either
    // accepts is accepted: common parts stay, differences open up.
    void MergeWith(SchemaElement other);
};

// Every namespace's global declarations (the document element is the first
// in its namespace).
struct SchemaSet {
    std::map<std::string, std::vector<std::unique_ptr<SchemaElement>>> globals;
    std::map<std::string, std::vector<SchemaAttribute>> globalAttributes;
    std::string mainNamespace;

    // Adds a global declaration, merging it with one of the same name.
    void AddGlobal(std::unique_ptr<SchemaElement> element);
    void AddGlobalAttribute(SchemaAttribute attribute);
};
