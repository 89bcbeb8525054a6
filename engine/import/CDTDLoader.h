#pragma once

#include <map>
#include <string>
#include <string_view>

#include "CDoctypeLoader.h"

class XMLNode;

// Reads a DTD as plain text, declaration by declaration, and attaches what it
// declares to the tree by name: <!ELEMENT gives an element its children (the
// content model flattened, with optional and repeating marks) or marks it
// EMPTY, <!ATTLIST gives it attributes (one per line, #IMPLIED ones
// skip-if-empty), <!ENTITY defines replacement texts for %name; references
// (expanded in one pass). The root must already carry the name of the
// document element; declared elements that are not in the tree yet go under
// the "row" level. Conditional sections, external entities and quoted ">"
// are not understood.
class CDTDLoader : public CDoctypeLoader {
public:
    bool Load(const std::string& path, DVFile& definition) override;
    // The same over a DTD's text.
    bool LoadText(std::string text, DVFile& definition);
    // Why Load failed; empty after a success.
    const std::string& ErrorText() const noexcept { return error_; }

    // Limits that keep hostile DTDs from filling memory: one expansion (nested
    // entities grow exponentially otherwise), all replacement texts together,
    // and the nodes one import adds.
    static constexpr size_t kMaxExpansion = size_t{1} << 20;
    static constexpr size_t kMaxEntityText = size_t{4} << 20;
    static constexpr size_t kMaxNodes = 200000;

private:
    class Tokens;

    std::string NextDeclaration();
    void Entity(Tokens& tokens);
    void Element(Tokens& tokens, DVFile& definition);
    void AttributeList(Tokens& tokens, DVFile& definition);
    XMLNode* FindOrAdd(const std::string& name, DVFile& definition);
    // A new child, or null (and the error set) once the node limit is reached.
    XMLNode* AddNode(XMLNode& parent, std::string_view name, int32_t kind);
    std::string Expand(std::string_view text);

    std::string remaining_;
    size_t position_ = 0;
    std::map<std::string, std::string> entities_;
    size_t entityText_ = 0;
    size_t nodes_ = 0;
    std::string error_;
};
