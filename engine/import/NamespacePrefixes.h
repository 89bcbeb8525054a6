#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class XMLNode;

// The prefixes an imported tree writes its namespaces with, and their
// declarations on the document element. A namespace keeps the prefix the
// schema document binds to it, or its default binding where every element
// of the tree may take it (no element without a namespace, no attribute in
// it); the others get ns1, ns2, … in the order they are first used. The xml
// namespace is always "xml" and never declared.
//
// While a tree is built its names carry provisional prefixes (Name); once
// it is complete Finish gives them their final form.
class NamespacePrefixes {
public:
    static constexpr const char* kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

    // The schema document's own bindings, (prefix, namespace) in document
    // order; an empty prefix is the default namespace.
    explicit NamespacePrefixes(std::vector<std::pair<std::string, std::string>> bindings);

    // The provisional name of an element or attribute (no namespace: the
    // local name as it is).
    std::string Name(const std::string& uri, const std::string& local);

    // Renames every provisional name below and including root, and binds
    // the namespaces used as the root's first attributes (xmlns:p="uri").
    void Finish(XMLNode& root);

private:
    struct Namespace {
        std::string uri;
        bool attributes = false;  // attributes of the tree are in it
        std::string prefix;       // the final one
    };

    // Which namespaces the tree holds, and where.
    void Survey(const XMLNode& node, std::vector<bool>& seen);
    void ChoosePrefixes(const std::vector<bool>& seen);
    // The schema document's prefix for uri ("" for its default binding).
    std::optional<std::string> BoundPrefix(const std::string& uri, bool allowDefault) const;
    bool PrefixTaken(const std::string& prefix, size_t except) const;
    void Rename(XMLNode& node) const;
    void Declare(XMLNode& root, const std::vector<bool>& seen) const;

    std::vector<std::pair<std::string, std::string>> bindings_;
    std::vector<Namespace> used_;  // in order of first use
    bool unqualifiedElements_ = false;
};
