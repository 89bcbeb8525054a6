#include "XMLDocumentImport.h"

#include <libxml/tree.h>

#include "FetchText.h"
#include "model/DVFile.h"
#include "xml/CXMLDocument.h"

namespace {

std::string Text(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::string QualifiedName(const xmlNode* node) {
    const std::string local = Text(node->name);
    return node->ns && node->ns->prefix ? Text(node->ns->prefix) + ":" + local : local;
}

void AddAttribute(XMLNode& node, const std::string& name, const std::string& value) {
    if (node.FindByName(XMLNode::SanitizeName(name))) {
        return;
    }
    XMLNode* attribute = node.AddChild(name, XMLNode::kAttribute);
    // Declarations keep their namespace: an empty one would unbind the
    // prefix the names below use.
    if (attribute && (name == "xmlns" || name.starts_with("xmlns:"))) {
        attribute->SetValue(value);
    }
}

// Namespace declarations count as attributes, as written before the others.
void Attributes(const xmlNode* element, XMLNode& node) {
    for (const xmlNs* ns = element->nsDef; ns; ns = ns->next) {
        AddAttribute(node, ns->prefix ? "xmlns:" + Text(ns->prefix) : "xmlns", Text(ns->href));
    }
    for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
        const std::string local = Text(attribute->name);
        const std::string name = attribute->ns && attribute->ns->prefix
                                     ? Text(attribute->ns->prefix) + ":" + local
                                     : local;
        xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attribute));
        AddAttribute(node, name, Text(value));
        xmlFree(value);
    }
}

void Fill(const xmlNode* element, XMLNode& node) {
    Attributes(element, node);
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) {
            continue;
        }
        const std::string name = QualifiedName(child);
        XMLNode* target = node.FindByName(XMLNode::SanitizeName(name));
        if (!target) {
            target = node.AddChild(name, XMLNode::kElement);
        }
        // A name already taken by an attribute cannot hold children.
        if (target && target->GetNodeType() != XMLNode::kAttribute) {
            Fill(child, *target);
        }
    }
}

}  // namespace

bool ImportXMLDocument(const std::string& path, DVFile& definition, std::string& error) {
    std::string bytes;
    if (!FetchBytes(path, bytes, error)) {
        return false;
    }
    return ImportXMLDocumentBytes(bytes, path, definition, error);
}

bool ImportXMLDocumentBytes(std::string_view bytes, const std::string& url, DVFile& definition,
                            std::string& error) {
    Norvik::CXMLDocument document;
    if (!document.LoadFromMemory(bytes, url)) {
        error = Norvik::FormatParseError(document.ParseError());
        return false;
    }
    const xmlNode* element = document.DocumentElement().Node();
    XMLRootNode& root = definition.Root();
    root.Reset();
    root.SetName(QualifiedName(element));
    Fill(element, root);
    return true;
}
