#pragma once

#include <random>
#include <string>

#include "model/DVFile.h"
#include "model/XMLNode.h"
#include "run/RunTestSupport.h"

namespace testsupport {

// Rows for random definitions: text, numbers, dates, lookup codes and a
// group column, each sometimes empty or zero.
inline std::string RandomCsv(std::mt19937& random, size_t rows) {
    const char* names[] = {"", "alpha", "Beta", "gamma delta", "0"};
    const char* quantities[] = {"", "0", "7", "-12", "1500"};
    const char* prices[] = {"", "0.00", "3.5", "1234.567", "-2.25"};
    const char* dates[] = {"", "2024-01-15 13:45:00", "1999-12-31 00:00:00", "2024-02-29 23:59:59"};
    const char* codes[] = {"", "c", "d", "p", "x"};
    const char* groups[] = {"g1", "g2", "g3"};
    std::string text = "Name,Qty,Price,When,Code,Grp\n";
    for (size_t i = 0; i < rows; ++i) {
        text += std::string(names[random() % 5]) + "," + quantities[random() % 5] + "," +
                prices[random() % 5] + "," + dates[random() % 4] + "," + codes[random() % 5] + "," +
                groups[random() % 3] + "\n";
    }
    return text;
}

// Column formats, lookups, defaults and the regional setting at random.
inline void RandomColumns(std::mt19937& random, DVFile& definition) {
    for (size_t i = 0; i < definition.Columns().size(); ++i) {
        CSCol& column = definition.Column(i);
        if (column.name == "Name") {
            column.caseType = static_cast<int32_t>(random() % 4);
        } else if (column.name == "Qty" || column.name == "Price") {
            const int precisions[] = {0, 2, -1};
            column.dataType = DataTypeProperties::kNumber;
            column.precision = precisions[random() % 3];
            column.thousands = random() % 5 == 0;
            const char* defaults[] = {"", "", "0", "n/a"};
            column.defaultValue = defaults[random() % 4];
        } else if (column.name == "When") {
            const char* formats[] = {"YYYY-MM-DD",          "DD MMM YYYY", "hh:mm:ss",
                                     "YYYY-MM-DDThh:mm:ss", "D/M/YY h.m",  "",
                                     "DDD (WW) MMMM"};
            column.dataType = DataTypeProperties::kDateTime;
            column.format = formats[random() % 7];
            column.useLastIfEmpty = random() % 6 == 0;
        } else if (column.name == "Code") {
            column.AddLookupEntry("c = Cancelled");
            column.AddLookupEntry("d = Delivered");
            column.AddLookupEntry("p = Pending & more");
            column.skipIfNoMatch = random() % 2 == 0;
            column.allowPartialMatch = random() % 5 == 0;
        }
    }
    definition.SetLocale(random() % 2 ? "C" : "");
}

// A node tree at random: elements, attributes and value nodes with every
// scope, skip rule, group, format and output type, names in no namespace,
// the root's declared namespaces and one declared further down. Names are
// unique, so a schema import gives back the same shape, unless repeatNames
// draws element names from a small pool (siblings and cousins of one name).
class RandomTree {
public:
    RandomTree(std::mt19937& random, DVFile& definition, bool repeatNames = false)
        : random_(random), def_(definition), repeatNames_(repeatNames) {}

    void Build() {
        XMLRootNode& root = def_.Root();
        root.DeleteChildren();
        const bool defaultNs = random_() % 3 == 0;
        if (defaultNs) {
            Declare(root, "xmlns", "urn:test:default");
        }
        Declare(root, "xmlns:p", "urn:test:p");
        root.SetName(random_() % 3 == 0 ? "p:doc" : "doc");
        Children(root, 0, false);
    }

private:
    void Declare(XMLNode& element, const char* name, const char* uri) {
        XMLNode* declaration = element.AddChild(name, XMLNode::kAttribute);
        declaration->SetValue(uri);
    }

    std::string Name(const char* stem, bool qAllowed, bool attribute) {
        const unsigned pick = random_() % 8;
        std::string prefix;
        if (pick == 0) {
            prefix = "p:";
        } else if (pick == 1 && qAllowed) {
            prefix = "q:";
        }
        if (repeatNames_ && !attribute && random_() % 2 == 0) {
            return prefix + "r" + std::to_string(random_() % 2);
        }
        return prefix + stem + std::to_string(++counter_);
    }

    int32_t RandomColumn() {
        const auto& columns = def_.Columns();
        return columns.at(random_() % columns.size()).id;
    }

    void Value(XMLNode& node) {
        const unsigned pick = random_() % 10;
        if (pick < 6) {
            node.SetSource(RandomColumn());
        } else {
            const char* constants[] = {"x", "{ROW}", "", "0"};
            node.SetValue(constants[pick - 6]);
        }
        node.SetSkipIfEmpty(random_() % 10 < 7);
        node.SetSkipIfZero(random_() % 8 == 0);
        if (node.GetNodeType() != XMLNode::kAttribute) {
            node.SetSkipIfDuplicate(random_() % 8 == 0);
        }
        switch (random_() % 12) {
            case 0:
                node.dataType = DataTypeProperties::kNumber;
                node.precision = 1;
                break;
            case 1:
                node.dataType = DataTypeProperties::kDateTime;
                node.format = "YYYY-MM-DD";
                break;
            case 2:
                node.caseType = DataTypeProperties::kCaseUpper;
                break;
            default:
                break;
        }
    }

    void Children(XMLNode& parent, int depth, bool qDeclared) {
        const unsigned count = depth >= 3 ? 0 : random_() % 5;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned kind = random_() % 20;
            if (kind < 5) {
                XMLNode* attribute =
                    parent.AddChild(Name("a", qDeclared, true), XMLNode::kAttribute);
                Value(*attribute);
                continue;
            }
            if (kind < 7 && parent.GetNodeType() != XMLNode::kDocumentRoot) {
                XMLNode* value = parent.AddChild("v", XMLNode::kValue);
                Value(*value);
                value->SetScope(static_cast<int32_t>(random_() % 4));
                continue;
            }
            XMLNode* element = parent.AddChild(Name("e", qDeclared, false), XMLNode::kElement);
            element->SetScope(static_cast<int32_t>(random_() % 4));
            const unsigned shape = random_() % 20;
            if (shape == 0) {
                element->SetIsEmpty(true);
                continue;
            }
            if (shape < 4 && element->GetScope() == XMLNode::kRowScope) {
                element->SetGroup(
                    def_.Columns().at(def_.ColumnIndexByName(random_() % 2 ? "Grp" : "Code")).id);
            }
            if (random_() % 3 != 0) {
                Value(*element);
            } else {
                element->SetSkipIfEmpty(random_() % 2 == 0);
            }
            if (shape == 5) {
                element->SetOutputType(XMLNode::kCDataSection);
            } else if (shape == 6) {
                element->insertBrTags = true;
            }
            bool q = qDeclared;
            if (!q && random_() % 6 == 0) {
                Declare(*element, "xmlns:q", "urn:test:q");
                q = true;
            }
            Children(*element, depth + 1, q);
        }
    }

    std::mt19937& random_;
    DVFile& def_;
    bool repeatNames_;
    int counter_ = 0;
};

}  // namespace testsupport
