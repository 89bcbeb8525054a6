#include "NamespacePrefixes.h"

#include <charconv>
#include <memory>
#include <optional>

#include "model/XMLNode.h"

namespace {

// Provisional prefixes are "_" and the namespace's index: no schema name
// holds a colon, so every other prefixed name is the xml namespace's.
constexpr char kProvisional = '_';

// The index of a provisional name's namespace; false for any other name.
bool ProvisionalIndex(const std::string& name, size_t& index, size_t& colon) {
    colon = name.find(':');
    if (colon == std::string::npos || colon < 2 || name[0] != kProvisional) {
        return false;
    }
    const char* first = name.data() + 1;
    const char* last = name.data() + colon;
    const auto result = std::from_chars(first, last, index);
    return result.ec == std::errc() && result.ptr == last;
}

bool IsElement(const XMLNode& node) {
    return node.GetNodeType() != XMLNode::kAttribute && node.GetNodeType() != XMLNode::kValue;
}

}  // namespace

NamespacePrefixes::NamespacePrefixes(std::vector<std::pair<std::string, std::string>> bindings)
    : bindings_(std::move(bindings)) {}

std::string NamespacePrefixes::Name(const std::string& uri, const std::string& local) {
    if (uri.empty()) {
        return local;
    }
    if (uri == kXmlNamespace) {
        return "xml:" + local;
    }
    size_t index = 0;
    while (index < used_.size() && used_[index].uri != uri) {
        ++index;
    }
    if (index == used_.size()) {
        used_.push_back(Namespace{uri, false, {}});
    }
    return kProvisional + std::to_string(index) + ":" + local;
}

void NamespacePrefixes::Finish(XMLNode& root) {
    if (used_.empty()) {
        return;
    }
    // What the finished tree holds decides: a pruned part may have been the
    // only user of a namespace.
    std::vector<bool> seen(used_.size(), false);
    unqualifiedElements_ = false;
    Survey(root, seen);
    ChoosePrefixes(seen);
    Rename(root);
    Declare(root, seen);
}

void NamespacePrefixes::Survey(const XMLNode& node, std::vector<bool>& seen) {
    size_t index = 0;
    size_t colon = 0;
    if (ProvisionalIndex(node.GetName(), index, colon) && index < used_.size()) {
        seen[index] = true;
        if (!IsElement(node)) {
            used_[index].attributes = true;
        }
    } else if (IsElement(node) && node.GetName().find(':') == std::string::npos) {
        unqualifiedElements_ = true;
    }
    for (const auto& child : node.Children()) {
        Survey(*child, seen);
    }
}

std::optional<std::string> NamespacePrefixes::BoundPrefix(const std::string& uri,
                                                          bool allowDefault) const {
    for (const auto& [prefix, bound] : bindings_) {
        if (bound == uri && (!prefix.empty() || allowDefault)) {
            return prefix;
        }
    }
    return std::nullopt;
}

bool NamespacePrefixes::PrefixTaken(const std::string& prefix, size_t except) const {
    for (const auto& [bound, uri] : bindings_) {
        if (bound == prefix && uri != used_[except].uri) {
            return true;
        }
    }
    for (size_t i = 0; i < used_.size(); ++i) {
        if (i != except && used_[i].prefix == prefix) {
            return true;
        }
    }
    return prefix == "xml" || prefix == "xmlns";
}

void NamespacePrefixes::ChoosePrefixes(const std::vector<bool>& seen) {
    std::vector<bool> chosen(used_.size(), false);
    bool defaultTaken = false;
    for (size_t i = 0; i < used_.size(); ++i) {
        Namespace& ns = used_[i];
        // The default namespace would also take in the elements without
        // one, and never holds attributes.
        const bool defaultFits = !defaultTaken && !unqualifiedElements_ && !ns.attributes;
        if (const auto prefix = BoundPrefix(ns.uri, defaultFits); prefix && seen[i]) {
            ns.prefix = *prefix;
            chosen[i] = true;
            defaultTaken = defaultTaken || prefix->empty();
        }
    }
    int derived = 0;
    for (size_t i = 0; i < used_.size(); ++i) {
        Namespace& ns = used_[i];
        if (!seen[i] || chosen[i]) {
            continue;
        }
        do {
            ns.prefix = "ns" + std::to_string(++derived);
        } while (PrefixTaken(ns.prefix, i));
    }
}

void NamespacePrefixes::Rename(XMLNode& node) const {
    size_t index = 0;
    size_t colon = 0;
    const std::string& name = node.GetName();
    if (ProvisionalIndex(name, index, colon) && index < used_.size()) {
        const std::string& prefix = used_[index].prefix;
        node.SetName(prefix.empty() ? name.substr(colon + 1) : prefix + name.substr(colon));
    }
    for (const auto& child : node.Children()) {
        Rename(*child);
    }
}

void NamespacePrefixes::Declare(XMLNode& root, const std::vector<bool>& seen) const {
    // The declarations go first, before the root's own attributes.
    std::vector<std::unique_ptr<XMLNode>> attributes;
    while (root.ChildCount() > 0 && root.GetChild(0)->GetNodeType() == XMLNode::kAttribute) {
        attributes.push_back(root.RemoveChild(root.GetChild(0)));
    }
    for (size_t i = 0; i < used_.size(); ++i) {
        if (!seen[i]) {
            continue;
        }
        const std::string& prefix = used_[i].prefix;
        XMLNode* declaration =
            root.AddChild(prefix.empty() ? "xmlns" : "xmlns:" + prefix, XMLNode::kAttribute);
        declaration->SetValue(used_[i].uri);
        declaration->SetSkipIfEmpty(false);
    }
    for (auto& attribute : attributes) {
        root.InsertNode(std::move(attribute), &root, nullptr);
    }
}
