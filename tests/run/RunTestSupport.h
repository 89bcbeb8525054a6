#pragma once

#include <libxml/tree.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "model/XMLNode.h"
#include "run/ColumnDiscovery.h"
#include "run/DVRun.h"
#include "xml/CXMLDocument.h"

namespace testsupport {

struct RunOutcome {
    int32_t code = -1;
    std::string message;
    std::string detail;
    std::vector<std::string> files;
};

// Reads the definition's columns from its source, as the editor does when a
// source is chosen.
inline void ReadColumns(DVFile& definition) {
    ColumnDiscovery::ReadColumns(definition, 100);
}

// A definition over a CSV file in dir, writing dir/out.xml in UTF-8. With
// autoNodes off the tree starts empty.
inline DVFile CsvDefinition(const TempDir& dir, const std::string& content, bool autoNodes = true) {
    const std::string path = dir.File("in.csv");
    WriteFile(path, content);
    DVFile definition;
    definition.SetAutoAddNodes(autoNodes);
    definition.SetSourceFileName(path);
    ReadColumns(definition);
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    return definition;
}

// A child node that is written even when empty, taking its value from the
// column with identifier source (0: none).
inline XMLNode* Add(XMLNode& parent, const char* name, int32_t kind = XMLNode::kElement,
                    int32_t source = 0) {
    XMLNode* node = parent.AddChild(name, kind);
    node->SetSkipIfEmpty(false);
    node->SetSource(source);
    return node;
}

// The identifier of the definition's column of that name.
inline int32_t Id(const DVFile& definition, const char* column) {
    return definition.Columns().at(definition.ColumnIndexByName(column)).id;
}

// Loads a project file into a run as the component does, and runs it.
inline RunOutcome RunProject(const std::string& path,
                             const DVRun::ProgressCallback& progress = {}) {
    DVRun run;
    run.SetDefinitionPath(path);
    RunOutcome outcome;
    if (!run.LoadDefinition()) {
        outcome.code = 101;
        outcome.message = run.GetResultMessage(101);
        return outcome;
    }
    outcome.code = run.Run(progress);
    outcome.message = run.GetResultMessage(outcome.code);
    outcome.detail = run.GetDetailText();
    outcome.files = run.OutputFileNames();
    return outcome;
}

// The schema of GeneratedCsv's rows as a definition with every column an
// element writes them (Id an integer), saved as dir/rows.xsd and set as the
// definition's validation schema.
inline void ValidateGeneratedRows(DVFile& definition, const TempDir& dir) {
    WriteFile(dir.File("rows.xsd"),
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
              "<xs:element name=\"document\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"row\" maxOccurs=\"unbounded\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"Id\" type=\"xs:integer\"/>"
              "<xs:element name=\"Name\" type=\"xs:string\"/>"
              "<xs:element name=\"Note\" type=\"xs:string\"/>"
              "</xs:sequence></xs:complexType></xs:element>"
              "</xs:sequence></xs:complexType></xs:element></xs:schema>");
    definition.SetValidateSchema(dir.File("rows.xsd"));
}

// Saves the definition as dir/definition.dv; the path.
inline std::string SaveDefinition(const DVFile& definition, const TempDir& dir) {
    const std::string path = dir.File("definition.dv");
    EXPECT_TRUE(definition.SaveProjectFile(path)) << definition.GetLastError();
    return path;
}

// Saves the definition as a project file and runs it.
inline RunOutcome RunSaved(const DVFile& definition, const TempDir& dir,
                           const DVRun::ProgressCallback& progress = {}) {
    return RunProject(SaveDefinition(definition, dir), progress);
}

inline void AppendCanonical(const xmlNode* node, std::string& out) {
    out += reinterpret_cast<const char*>(node->name);
    if (node->properties) {
        out += '[';
        for (const xmlAttr* a = node->properties; a; a = a->next) {
            if (a != node->properties) {
                out += ',';
            }
            xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
            out += reinterpret_cast<const char*>(a->name);
            out += '=';
            out += value ? reinterpret_cast<const char*>(value) : "";
            xmlFree(value);
        }
        out += ']';
    }
    std::vector<std::string> parts;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            std::string inner;
            AppendCanonical(child, inner);
            parts.push_back(inner);
        } else if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            const std::string text = reinterpret_cast<const char*>(child->content);
            if (text.find_first_not_of(" \t\r\n") != std::string::npos) {
                parts.push_back("'" + text + "'");
            }
        }
    }
    if (!parts.empty()) {
        out += '(';
        for (size_t i = 0; i < parts.size(); ++i) {
            out += (i ? " " : "") + parts[i];
        }
        out += ')';
    }
}

// The structure of a document: name[attr=value,…](children 'text' …), with
// white-space-only text left out. Empty when the bytes are not well-formed.
inline std::string Canonical(const std::string& bytes) {
    Norvik::CXMLDocument document;
    if (!document.LoadFromMemory(bytes, "output")) {
        ADD_FAILURE() << "not well-formed: " << document.ParseError().reason << "\n" << bytes;
        return {};
    }
    std::string out;
    AppendCanonical(document.DocumentElement().Node(), out);
    return out;
}

inline std::string CanonicalFile(const std::string& path) {
    return Canonical(ReadFile(path));
}

}  // namespace testsupport
