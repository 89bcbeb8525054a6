#include "NamespaceCheck.h"

#include <string_view>
#include <vector>

#include "XMLNode.h"

namespace {

constexpr std::string_view kDeclaration = "xmlns:";

bool IsAttribute(const XMLNode& node) {
    return node.GetNodeType() == XMLNode::kAttribute;
}

// A declaration binds its prefix when it can have a value: an empty one
// would unbind it.
bool Binds(const XMLNode& attribute) {
    return !attribute.GetValue().empty() || attribute.GetSource() != 0;
}

class Walk {
public:
    std::optional<NamespaceCheck::Problem> Element(const XMLNode& node, const std::string& above) {
        const size_t declared = prefixes_.size();
        for (const auto& child : node.Children()) {
            const std::string& name = child->GetName();
            if (IsAttribute(*child) && name.starts_with(kDeclaration) && Binds(*child)) {
                prefixes_.push_back(name.substr(kDeclaration.size()));
            }
        }
        const std::string path = above + "/" + node.GetName();
        std::optional<NamespaceCheck::Problem> problem = Check(node.GetName(), path, false);
        for (const auto& child : node.Children()) {
            if (problem) {
                break;
            }
            if (IsAttribute(*child)) {
                problem = Check(child->GetName(), path + "/@" + child->GetName(), true);
            } else if (child->GetNodeType() == XMLNode::kElement) {
                problem = Element(*child, path);
            }
        }
        prefixes_.resize(declared);
        return problem;
    }

private:
    std::optional<NamespaceCheck::Problem> Check(const std::string& name, const std::string& path,
                                                 bool attribute) const {
        const size_t colon = name.find(':');
        if (colon == std::string::npos) {
            return std::nullopt;
        }
        const std::string prefix = name.substr(0, colon);
        const std::string_view local = std::string_view(name).substr(colon + 1);
        if (local.empty() || local.find(':') != std::string_view::npos) {
            return NamespaceCheck::Problem{path, {}};
        }
        if (prefix == "xml" || (attribute && prefix == "xmlns")) {
            return std::nullopt;
        }
        for (const std::string& declared : prefixes_) {
            if (declared == prefix) {
                return std::nullopt;
            }
        }
        return NamespaceCheck::Problem{path, prefix};
    }

    std::vector<std::string> prefixes_;  // in scope, innermost last
};

}  // namespace

std::optional<NamespaceCheck::Problem> NamespaceCheck::Find(const XMLNode& root) {
    return Walk().Element(root, "");
}

std::string NamespaceCheck::Describe(const Problem& problem) {
    return problem.path + (problem.prefix.empty() ? " (not a qualified name)"
                                                  : " (prefix " + problem.prefix + ")");
}
