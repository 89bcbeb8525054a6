#pragma once

#include <optional>
#include <string>

class XMLNode;

// Finds the first node (depth first) whose name a namespace-aware reader
// would refuse: a prefix that neither the node nor an element above it
// declares with an xmlns:prefix attribute node, or a name that is not a
// qualified name at all ("a:b:c", "a:"). The xml prefix needs no
// declaration.
class NamespaceCheck {
public:
    struct Problem {
        std::string path;    // "/Document/Payment/@c:channel"
        std::string prefix;  // empty when the name is no qualified name
    };

    static std::optional<Problem> Find(const XMLNode& root);
    // "/Document/p:Amount (prefix p)", as a run reports it.
    static std::string Describe(const Problem& problem);
};
