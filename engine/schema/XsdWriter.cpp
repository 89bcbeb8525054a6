#include "XsdWriter.h"

#include <map>
#include <set>

#include "xml/XmlChars.h"

namespace {

std::string Escaped(std::string_view text) {
    std::string scratch;
    const std::string_view clean = Norvik::ReplaceNonXmlChars(text, scratch);
    std::string out;
    for (const char c : clean) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Occurs(int minOccurs, int maxOccurs) {
    std::string text;
    if (minOccurs != 1) {
        text += " minOccurs=\"" + std::to_string(minOccurs) + "\"";
    }
    if (maxOccurs != 1) {
        text += maxOccurs < 0 ? " maxOccurs=\"unbounded\""
                              : " maxOccurs=\"" + std::to_string(maxOccurs) + "\"";
    }
    return text;
}

// The text of one document, with what it refers to in other namespaces.
class DocumentWriter {
public:
    DocumentWriter(const SchemaSet& set, const std::string& ns,
                   const std::map<std::string, std::string>& prefixes)
        : set_(set), ns_(ns), prefixes_(prefixes) {}

    std::string Write(const std::map<std::string, std::string>& fileNames) {
        std::string body;
        if (const auto found = set_.globals.find(ns_); found != set_.globals.end()) {
            for (const auto& element : found->second) {
                Declaration(*element, body, 1, "", true);
            }
        }
        if (const auto found = set_.globalAttributes.find(ns_);
            found != set_.globalAttributes.end()) {
            for (const SchemaAttribute& attribute : found->second) {
                body += "\t<xs:attribute name=\"" + Escaped(attribute.name.local) + "\" type=\"" +
                        TypeName(attribute.type) + "\"/>\n";
            }
        }
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        text += "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"";
        for (const auto& [uri, prefix] : prefixes_) {
            text += " xmlns:" + prefix + "=\"" + Escaped(uri) + "\"";
        }
        if (!ns_.empty()) {
            text += " targetNamespace=\"" + Escaped(ns_) + "\"";
        }
        text += " elementFormDefault=\"qualified\">\n";
        for (const std::string& other : referred_) {
            text += "\t<xs:import namespace=\"" + Escaped(other) + "\" schemaLocation=\"" +
                    Escaped(fileNames.at(other)) + "\"/>\n";
        }
        text += body;
        for (const auto& [key, name] : typeNames_) {
            text += "\t<xs:simpleType name=\"" + name + "\">\n" + types_.at(name) +
                    "\t</xs:simpleType>\n";
        }
        text += "</xs:schema>\n";
        return text;
    }

private:
    std::string QName(const ExpandedName& name) {
        if (name.ns.empty()) {
            return Escaped(name.local);
        }
        if (name.ns != ns_) {
            referred_.insert(name.ns);
        }
        return prefixes_.at(name.ns) + ":" + Escaped(name.local);
    }

    // A built-in type, or a named restriction of one (or union with the
    // empty text) in this document.
    std::string TypeName(const ValueType& type) {
        if (type.orEmpty) {
            ValueType strict = type;
            strict.orEmpty = false;
            return Named("\t\t<xs:union memberTypes=\"" + TypeName(strict) +
                         "\">\n"
                         "\t\t\t<xs:simpleType>\n"
                         "\t\t\t\t<xs:restriction base=\"xs:string\">\n"
                         "\t\t\t\t\t<xs:length value=\"0\"/>\n"
                         "\t\t\t\t</xs:restriction>\n"
                         "\t\t\t</xs:simpleType>\n"
                         "\t\t</xs:union>\n");
        }
        if (!type.HasFacets()) {
            return type.base;
        }
        std::string facets;
        if (type.fractionDigits >= 0) {
            facets += "\t\t\t<xs:fractionDigits value=\"" + std::to_string(type.fractionDigits) +
                      "\"/>\n";
        }
        if (!type.pattern.empty()) {
            facets += "\t\t\t<xs:pattern value=\"" + Escaped(type.pattern) + "\"/>\n";
        }
        for (const std::string& value : type.enumeration) {
            facets += "\t\t\t<xs:enumeration value=\"" + Escaped(value) + "\"/>\n";
        }
        return Named("\t\t<xs:restriction base=\"" + type.base + "\">\n" + facets +
                     "\t\t</xs:restriction>\n");
    }

    // The name of a simple type of this document with that definition.
    std::string Named(const std::string& definition) {
        auto found = typeNames_.find(definition);
        if (found == typeNames_.end()) {
            const std::string name = "value" + std::to_string(typeNames_.size() + 1);
            found = typeNames_.emplace(definition, name).first;
            types_[name] = definition;
        }
        return QName({ns_, found->second});
    }

    void Attributes(const SchemaElement& element, std::string& out, const std::string& indent) {
        for (const SchemaAttribute& attribute : element.attributes) {
            const std::string use = attribute.required ? "required" : "optional";
            if (attribute.name.ns.empty()) {
                out += indent + "<xs:attribute name=\"" + Escaped(attribute.name.local) +
                       "\" type=\"" + TypeName(attribute.type) + "\" use=\"" + use + "\"/>\n";
            } else {
                out += indent + "<xs:attribute ref=\"" + QName(attribute.name) + "\" use=\"" + use +
                       "\"/>\n";
            }
        }
        if (element.xmlAttributes) {
            out += indent +
                   "<xs:anyAttribute namespace=\"http://www.w3.org/XML/1998/namespace\" "
                   "processContents=\"skip\"/>\n";
        }
    }

    void Particle(const SchemaParticle& particle, std::string& out, int depth) {
        const std::string indent(static_cast<size_t>(depth), '\t');
        if (!particle.element) {
            out += indent + "<xs:sequence" + Occurs(particle.minOccurs, particle.maxOccurs) + ">\n";
            for (const SchemaParticle& inner : particle.sequence) {
                Particle(inner, out, depth + 1);
            }
            out += indent + "</xs:sequence>\n";
        } else if (particle.global) {
            out += indent + "<xs:element ref=\"" + QName(particle.element->name) + "\"" +
                   Occurs(particle.minOccurs, particle.maxOccurs) + "/>\n";
        } else {
            Declaration(*particle.element, out, depth,
                        Occurs(particle.minOccurs, particle.maxOccurs), false);
        }
    }

    void Declaration(const SchemaElement& element, std::string& out, int depth,
                     const std::string& occurs, bool global) {
        using C = SchemaElement::Content;
        const std::string indent(static_cast<size_t>(depth), '\t');
        std::string head = indent + "<xs:element name=\"" + Escaped(element.name.local) + "\"";
        if (!global && element.name.ns.empty() && !ns_.empty()) {
            head += " form=\"unqualified\"";
        }
        head += occurs;
        const bool attributes = !element.attributes.empty() || element.xmlAttributes;
        if (element.content == C::kSimple && !attributes) {
            out += head + " type=\"" + TypeName(element.text) + "\"/>\n";
            return;
        }
        out += head + ">\n";
        const std::string inner = indent + "\t\t";
        out += indent + "\t<xs:complexType" + (element.mixed ? " mixed=\"true\"" : "") + ">\n";
        switch (element.content) {
            case C::kSimple:
                out += inner + "<xs:simpleContent>\n" + inner + "\t<xs:extension base=\"" +
                       TypeName(element.text) + "\">\n";
                Attributes(element, out, inner + "\t\t");
                out += inner + "\t</xs:extension>\n" + inner + "</xs:simpleContent>\n";
                break;
            case C::kChildren:
                out += inner + "<xs:sequence>\n";
                for (const SchemaParticle& particle : element.particles) {
                    Particle(particle, out, depth + 3);
                }
                out += inner + "</xs:sequence>\n";
                Attributes(element, out, inner);
                break;
            case C::kAnyOrder:
                if (!element.particles.empty()) {
                    out += inner + "<xs:choice minOccurs=\"0\" maxOccurs=\"unbounded\">\n";
                    for (const SchemaParticle& particle : element.particles) {
                        Particle(particle, out, depth + 3);
                    }
                    out += inner + "</xs:choice>\n";
                }
                Attributes(element, out, inner);
                break;
            case C::kOpen:
                out += inner + "<xs:sequence>\n" + inner +
                       "\t<xs:any minOccurs=\"0\" maxOccurs=\"unbounded\" "
                       "processContents=\"skip\"/>\n" +
                       inner + "</xs:sequence>\n";
                Attributes(element, out, inner);
                break;
            case C::kEmpty:
                Attributes(element, out, inner);
                break;
        }
        out += indent + "\t</xs:complexType>\n" + indent + "</xs:element>\n";
    }

    const SchemaSet& set_;
    const std::string& ns_;
    const std::map<std::string, std::string>& prefixes_;
    std::set<std::string> referred_;
    std::map<std::string, std::string> typeNames_;  // restriction → name
    std::map<std::string, std::string> types_;      // name → restriction
};

}  // namespace

std::vector<SchemaDocument> WriteXsd(const SchemaSet& set, const std::string& mainFileName) {
    std::vector<std::string> namespaces{set.mainNamespace};
    auto add = [&](const std::string& ns) {
        for (const std::string& seen : namespaces) {
            if (seen == ns) {
                return;
            }
        }
        namespaces.push_back(ns);
    };
    for (const auto& [ns, list] : set.globals) {
        add(ns);
    }
    for (const auto& [ns, list] : set.globalAttributes) {
        add(ns);
    }
    std::string stem = mainFileName;
    if (stem.ends_with(".xsd")) {
        stem.resize(stem.size() - 4);
    }
    std::map<std::string, std::string> prefixes;
    std::map<std::string, std::string> fileNames;
    for (size_t i = 0; i < namespaces.size(); ++i) {
        if (!namespaces[i].empty()) {
            prefixes[namespaces[i]] = "n" + std::to_string(i + 1);
        }
        fileNames[namespaces[i]] =
            i == 0 ? mainFileName : stem + "-" + std::to_string(i + 1) + ".xsd";
    }
    std::vector<SchemaDocument> documents;
    for (const std::string& ns : namespaces) {
        DocumentWriter writer(set, ns, prefixes);
        documents.push_back({ns, fileNames.at(ns), writer.Write(fileNames)});
    }
    return documents;
}
