#include "ProjectFileWriter.h"

#include <cstring>

#include "DVFile.h"
#include "base/PlatformError.h"
#include "base/VariantConvert.h"

namespace {

std::string IntText(int32_t value) {
    return std::to_string(value);
}

}  // namespace

bool DVFile::SaveProjectFile(const std::string& path) const {
    lastError_.clear();
    return ProjectFileWriter(*this).Save(path);
}

bool ProjectFileWriter::Save(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (!writer_.Open(path, "utf-8", true)) {
        NoteFileError();
        return false;
    }
    try {
        WriteDocument();
    } catch (const Norvik::PlatformError& error) {
        definition_.SetLastError(error.Description());
        writer_.Abandon();
        return false;
    }
    if (!writer_.Close()) {
        NoteFileError();
        return false;
    }
    return true;
}

void ProjectFileWriter::NoteFileError() {
    if (writer_.FileError() != 0) {
        definition_.SetLastError(Norvik::ErrnoText(writer_.FileError()));
    }
}

void ProjectFileWriter::WriteDocument() {
    writer_.StartElement("tarnwrightdatavane");
    writer_.AddElement("version", DVFile::kProjectVersion);
    WriteSettings();
    writer_.StartElement("columns");
    for (const CSCol& column : definition_.Columns()) {
        WriteColumn(column);
    }
    writer_.EndElement("columns");
    WriteFilters();
    WriteOrders();
    WriteRoot();
    writer_.EndElement("tarnwrightdatavane");
}

void ProjectFileWriter::WriteSettings() {
    const DVFileSettings& settings = definition_.Settings();
    for (const ProjectMember& member : kProjectMembers) {
        WriteMember(member);
    }
    const DVFileSettings defaults;
    for (const ProjectMember& member : kOptionalProjectMembers) {
        const bool isDefault = std::visit(
            [&](auto field) { return settings.*field == defaults.*field; }, member.field);
        if (!isDefault) {
            WriteMember(member);
        }
    }
}

void ProjectFileWriter::WriteMember(const ProjectMember& member) {
    const DVFileSettings& settings = definition_.Settings();
    if (auto* text = std::get_if<std::string DVFileSettings::*>(&member.field)) {
        writer_.AddElement(member.element, settings.*(*text));
    } else if (auto* number = std::get_if<int32_t DVFileSettings::*>(&member.field)) {
        writer_.AddElement(member.element, IntText(settings.*(*number)));
    } else if (auto* flag = std::get_if<bool DVFileSettings::*>(&member.field)) {
        writer_.AddElement(member.element, Norvik::VariantFromBool(settings.*(*flag)));
    }
}

void ProjectFileWriter::WriteFilters() {
    writer_.StartElement("filters");
    for (const DVFilter& filter : definition_.Filters()) {
        writer_.StartElement("filter");
        writer_.AddElement("and", Norvik::VariantFromBool(filter.IsAnd()));
        writer_.AddElement("column", IntText(filter.ColumnId()));
        writer_.AddElement("operator", IntText(filter.OperatorCode()));
        writer_.AddElement("value", filter.Value());
        writer_.EndElement("filter");
    }
    writer_.EndElement("filters");
}

void ProjectFileWriter::WriteOrders() {
    writer_.StartElement("orders");
    for (const std::optional<SortOrder>& order : definition_.SortOrders()) {
        if (order) {
            writer_.StartElement("order");
            writer_.AddElement("columnid", IntText(order->columnId));
            writer_.AddElement("descending", Norvik::VariantFromBool(order->descending));
            writer_.EndElement("order");
        }
    }
    writer_.EndElement("orders");
}

void ProjectFileWriter::WriteRoot() {
    const XMLRootNode& root = definition_.Root();
    attributes_.AddAttribute("name", root.GetName());
    writer_.StartElement("xmlroot", &attributes_);
    for (const auto& child : root.Children()) {
        WriteNode(*child);
    }
    writer_.EndElement("xmlroot");
}

void ProjectFileWriter::AddDataTypeAttributes(const DataTypeProperties& properties) {
    attributes_.AddAttribute("datatype", IntText(properties.dataType));
    switch (properties.dataType) {
        case DataTypeProperties::kDateTime:
            attributes_.AddAttribute("datesequence", IntText(properties.dateSequence));
            attributes_.AddAttribute("format", properties.format);
            break;
        case DataTypeProperties::kNumber:
            attributes_.AddAttribute("precision", IntText(properties.precision));
            attributes_.AddAttribute("thousands", Norvik::VariantFromBool(properties.thousands));
            attributes_.AddAttribute("currency", Norvik::VariantFromBool(properties.currency));
            break;
        default:
            attributes_.AddAttribute("casetype", IntText(properties.caseType));
            attributes_.AddAttribute("insertparagraphtags",
                                     Norvik::VariantFromBool(properties.insertParagraphTags));
            attributes_.AddAttribute("insertbrtags",
                                     Norvik::VariantFromBool(properties.insertBrTags));
            break;
    }
}

void ProjectFileWriter::WriteColumn(const CSCol& column) {
    attributes_.AddAttribute("name", column.name);
    attributes_.AddAttribute("id", IntText(column.id));
    attributes_.AddAttribute("width", IntText(column.width));
    attributes_.AddAttribute("skipifempty", Norvik::VariantFromBool(column.skipIfEmpty));
    attributes_.AddAttribute("skipifzero", Norvik::VariantFromBool(column.skipIfZero));
    attributes_.AddAttribute("skipifduplicate", Norvik::VariantFromBool(column.skipIfDuplicate));
    attributes_.AddAttribute("uselastifempty", Norvik::VariantFromBool(column.useLastIfEmpty));
    attributes_.AddAttribute("defaultvalue", column.defaultValue);
    AddDataTypeAttributes(column);
    writer_.StartElement("column", &attributes_);
    if (!column.lookupTable.empty()) {
        attributes_.AddAttribute("skipifnomatch", Norvik::VariantFromBool(column.skipIfNoMatch));
        attributes_.AddAttribute("ignore-case", Norvik::VariantFromBool(column.ignoreCase));
        attributes_.AddAttribute("allow-partial-match",
                                 Norvik::VariantFromBool(column.allowPartialMatch));
        attributes_.AddAttribute("only-replace-matching-part",
                                 Norvik::VariantFromBool(column.onlyReplaceMatchingPart));
        writer_.StartElement("lookuptable", &attributes_);
        for (const auto& [key, value] : column.lookupTable) {
            writer_.AddElement("lookup", CSCol::LookupEntryText(key, value));
        }
        writer_.EndElement("lookuptable");
    }
    writer_.EndElement("column");
}

void ProjectFileWriter::WriteNode(const XMLNode& node) {
    attributes_.AddAttribute("name", node.GetName());
    attributes_.AddAttribute("nodetype", IntText(node.GetNodeType()));
    attributes_.AddAttribute("value", node.GetValue());
    attributes_.AddAttribute("source", IntText(node.GetSource()));
    attributes_.AddAttribute("group", IntText(node.GetGroup()));
    attributes_.AddAttribute("skipifempty", Norvik::VariantFromBool(node.GetSkipIfEmpty()));
    attributes_.AddAttribute("skipifzero", Norvik::VariantFromBool(node.GetSkipIfZero()));
    attributes_.AddAttribute("skipifduplicate", Norvik::VariantFromBool(node.GetSkipIfDuplicate()));
    attributes_.AddAttribute("scope", IntText(node.GetScope()));
    attributes_.AddAttribute("node-output-type", IntText(node.GetOutputType()));
    attributes_.AddAttribute("isempty", Norvik::VariantFromBool(node.GetIsEmpty()));
    attributes_.AddAttribute("expanded", Norvik::VariantFromBool(node.GetExpanded()));
    AddDataTypeAttributes(node.DataType());
    writer_.StartElement("xmlnode", &attributes_);
    for (const auto& child : node.Children()) {
        WriteNode(*child);
    }
    writer_.EndElement("xmlnode");
}
