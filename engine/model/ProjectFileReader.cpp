#include "ProjectFileReader.h"

#include <list>
#include <span>

#include "ColumnIdCounter.h"
#include "DVFile.h"
#include "base/PlatformError.h"
#include "base/VariantConvert.h"

namespace {

using Layout = ElementFields::Layout;

// Text of the first element with this name anywhere in the document.
std::optional<std::string> TopLevelText(const Norvik::CXMLDocument& document,
                                        std::string_view name) {
    const Norvik::XmlElement element = document.FirstElementByTagName(name);
    if (!element) {
        return std::nullopt;
    }
    return element.Text();
}

// Stored texts hold LF after parsing; in memory these members use CR LF.
std::string WithCrLf(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == '\n') {
            result += '\r';
        }
        result += c;
    }
    return result;
}

std::string MemberContext(const char* element, const Norvik::PlatformError& error) {
    return "<" + std::string(element) + ">: " + error.Description();
}

}  // namespace

bool ProjectFileReader::Read(const Norvik::CXMLDocument& document) {
    const bool legacy = TopLevelText(document, "version") != DVFile::kProjectVersion;
    ReadMembers(document, legacy);
    DVFileSettings& settings = definition_.settings_;
    settings.sqlquery = WithCrLf(settings.sqlquery);
    settings.customtext = WithCrLf(settings.customtext);

    ReadColumns(document, legacy ? Layout::kChildElements : Layout::kAttributes);
    ReadSortOrders(document);
    const bool outcome = ReadFilters(document);

    XMLRootNode& root = definition_.root_;
    if (legacy) {
        root.SetName(TopLevelText(document, "documenttag").value_or(XMLRootNode::kDefaultName));
        ReadLegacyNodes(document);
    } else {
        root.Reset();
        if (const Norvik::XmlElement xmlroot = document.DocumentElement().FirstChild("xmlroot")) {
            ReadNode(xmlroot, root);
            root.SetName(ElementFields(xmlroot, Layout::kAttributes)
                             .Text("name", XMLRootNode::kDefaultName));
        }
    }
    return outcome;
}

void ProjectFileReader::ReadMembers(const Norvik::CXMLDocument& document, bool legacy) {
    using Members = std::span<const ProjectMember>;
    for (const Members table : {Members(kProjectMembers), Members(kOptionalProjectMembers)}) {
        for (const ProjectMember& member : table) {
            if (!legacy || member.inLegacyFiles) {
                ReadMember(document, member);
            }
        }
    }
}

void ProjectFileReader::ReadMember(const Norvik::CXMLDocument& document,
                                   const ProjectMember& member) {
    DVFileSettings& settings = definition_.settings_;
    const std::optional<std::string> text = TopLevelText(document, member.element);
    if (auto* field = std::get_if<std::string DVFileSettings::*>(&member.field)) {
        // An absent delimiter reads empty, not as the "," of a new definition.
        settings.*(*field) =
            text ? *text
                 : (*field == &DVFileSettings::delimiter ? std::string()
                                                         : DVFileSettings().*(*field));
        return;
    }
    if (!text) {
        return;  // members start at their defaults
    }
    try {
        if (auto* field = std::get_if<int32_t DVFileSettings::*>(&member.field)) {
            settings.*(*field) = Norvik::VariantToInt32(*text);
        } else if (auto* flag = std::get_if<bool DVFileSettings::*>(&member.field)) {
            settings.*(*flag) = Norvik::VariantToBool(*text);
        }
    } catch (const Norvik::PlatformError& error) {
        throw Norvik::PlatformError(error.Code(), MemberContext(member.element, error));
    }
}

CSCol ProjectFileReader::ReadColumn(Norvik::XmlElement element, Layout layout) {
    const ElementFields fields(element, layout);
    CSCol column = CSCol::WithId(0);
    column.name = fields.Text("name");
    if (layout == Layout::kAttributes) {
        column.id = fields.Int("id", 0);
        column.width = fields.Int("width", 4);
    } else {
        column.width = fields.Int("width", 4);
        column.id = fields.Int("id", 0);
    }
    column.skipIfEmpty = fields.Bool("skipifempty", false);
    column.skipIfZero = fields.Bool("skipifzero", false);
    column.skipIfDuplicate = fields.Bool("skipifduplicate", false);
    column.useLastIfEmpty = fields.Bool("uselastifempty", false);
    column.defaultValue = fields.Text("defaultvalue");
    fields.ReadDataType(column);

    if (column.id == 0) {
        column.id = ColumnIdCounter::Next();
    } else {
        ColumnIdCounter::Observe(column.id);
    }

    if (layout == Layout::kChildElements) {
        column.skipIfNoMatch = fields.Bool("skipifnomatch", false);
    }
    if (const Norvik::XmlElement table = element.FirstChild("lookuptable")) {
        if (layout == Layout::kAttributes) {
            const ElementFields flags(table, Layout::kAttributes);
            column.skipIfNoMatch = flags.Bool("skipifnomatch", false);
            column.ignoreCase = flags.Bool("ignore-case", true);
            column.allowPartialMatch = flags.Bool("allow-partial-match", false);
            column.onlyReplaceMatchingPart = flags.Bool("only-replace-matching-part", false);
        }
        for (const Norvik::XmlElement& entry : table.Children("lookup")) {
            column.AddLookupEntry(entry.Text());
        }
    }
    return column;
}

void ProjectFileReader::ReadColumns(const Norvik::CXMLDocument& document, Layout layout) {
    const Norvik::XmlElement columns = document.FirstElementByTagName("columns");
    for (const Norvik::XmlElement& element : columns.Children("column")) {
        try {
            definition_.AddColumn(ReadColumn(element, layout));
        } catch (const Norvik::PlatformError&) {
            // A column that cannot be read is left out; the rest still load.
        }
    }
}

void ProjectFileReader::ReadSortOrder(Norvik::XmlElement element, SortOrder& order) {
    order = SortOrder();
    const ElementFields fields(element, Layout::kChildElements);
    order.columnId = fields.Int("columnid", std::nullopt);
    order.descending = fields.Bool("descending", std::nullopt);
}

void ProjectFileReader::ReadSortOrders(const Norvik::CXMLDocument& document) {
    size_t slot = 0;
    for (const Norvik::XmlElement& element : document.ElementsByTagName("order")) {
        if (slot == DVFile::kSortSlots) {
            break;  // there are four sort keys; further ones cannot be held
        }
        std::optional<SortOrder>& order = definition_.sortOrders_[slot++];
        order.emplace();
        try {
            ReadSortOrder(element, *order);
        } catch (const Norvik::PlatformError&) {
            // The slot keeps what was read before the failure.
        }
    }
}

bool ProjectFileReader::ReadFilter(Norvik::XmlElement element, DVFilter& filter) {
    const ElementFields fields(element, Layout::kChildElements);
    try {
        filter.SetJoin(fields.Bool("and", std::nullopt));
        filter.SetColumnId(fields.Int("column", std::nullopt));
        filter.SetOperator(fields.Int("operator", std::nullopt));
    } catch (const Norvik::PlatformError&) {
        return false;
    }
    filter.SetValue(fields.Text("value"));
    return true;
}

bool ProjectFileReader::ReadFilters(const Norvik::CXMLDocument& document) {
    const std::vector<Norvik::XmlElement>& elements = document.ElementsByTagName("filter");
    std::vector<DVFilter>& filters = definition_.filters_;
    filters.resize(elements.size());
    bool outcome = true;
    for (size_t i = 0; i < elements.size(); ++i) {
        outcome = ReadFilter(elements[i], filters[i]);
    }
    return outcome;
}

void ProjectFileReader::ReadNode(Norvik::XmlElement element, XMLNode& node) {
    const ElementFields fields(element, Layout::kAttributes);
    try {
        // Setters keep the node's interlocks even for a hand-edited file.
        node.SetName(fields.Text("name"));
        node.SetNodeType(fields.Int("nodetype", 0));
        node.SetValue(fields.Text("value"));
        node.SetSource(fields.Int("source", 0));
        node.SetGroup(fields.Int("group", 0));
        node.SetSkipIfEmpty(fields.Bool("skipifempty", false));
        node.SetSkipIfZero(fields.Bool("skipifzero", false));
        node.SetSkipIfDuplicate(fields.Bool("skipifduplicate", false));
        node.SetScope(fields.Int("scope", 0));
        node.SetOutputType(fields.Int("node-output-type", 0));
        node.SetIsEmpty(fields.Bool("isempty", false));
        node.SetExpanded(fields.Bool("expanded", true));
    } catch (const Norvik::PlatformError&) {
        return;
    }
    fields.ReadDataType(node.DataType());
    for (const Norvik::XmlElement& childElement : element.Children("xmlnode")) {
        auto child = std::make_unique<XMLNode>();
        ReadNode(childElement, *child);
        node.InsertNode(std::move(child), &node, nullptr);
    }
}

void ProjectFileReader::ReadLegacyNode(Norvik::XmlElement element, XMLNode& node,
                                       int32_t& parentId) {
    const ElementFields fields(element, Layout::kChildElements);
    parentId = 0;
    try {
        node.SetName(fields.Text("name"));
        node.SetValue(fields.Text("value"));
        node.SetNodeType(fields.Int("nodetype", 0));
        node.SetId(fields.Int("id", 0));
        node.SetSource(fields.Int("source", 0));
        node.SetGroup(fields.Int("group", 0));
        node.SetSkipIfZero(fields.Bool("skipifzero", false));
        node.SetSkipIfEmpty(fields.Bool("skipifempty", false));
        node.SetSkipIfDuplicate(fields.Bool("skipifduplicate", false));
        node.SetScope(fields.Int("scope", 0));
        node.SetOutputType(fields.Int("node-output-type", 0));
        node.SetIsEmpty(fields.Bool("isempty", false));
        parentId = fields.Int("parent", 0);
    } catch (const Norvik::PlatformError&) {
        return;
    }
    fields.ReadDataType(node.DataType());
}

void ProjectFileReader::ReadLegacyNodes(const Norvik::CXMLDocument& document) {
    XMLRootNode& root = definition_.root_;
    struct Pending {
        std::unique_ptr<XMLNode> node;
        int32_t parentId;
    };
    std::list<Pending> pending;
    for (const Norvik::XmlElement& element : document.ElementsByTagName("xmlnode")) {
        auto node = std::make_unique<XMLNode>();
        int32_t parentId = 0;
        ReadLegacyNode(element, *node, parentId);
        if (XMLNode* parent = root.FindById(parentId)) {
            root.InsertNode(std::move(node), parent, nullptr);
        } else {
            pending.push_back({std::move(node), parentId});
        }
    }
    // Children listed before their parents: attach whatever has found its
    // parent, rescanning from the start after each attachment.
    bool attached = true;
    while (attached) {
        attached = false;
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (XMLNode* parent = root.FindById(it->parentId)) {
                root.InsertNode(std::move(it->node), parent, nullptr);
                pending.erase(it);
                attached = true;
                break;
            }
        }
    }
    // Nodes whose parent never appeared are dropped with the list.
}
