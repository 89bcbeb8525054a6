#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CSCol.h"
#include "DVFileSettings.h"
#include "DVFilter.h"
#include "SortOrder.h"
#include "XMLRootNode.h"
#include "base/Assign.h"

// A transformation definition: where rows come from, how columns are
// formatted, which rows are kept and in which order, and the XML tree to
// produce. Saved as a project file (.dv).
class DVFile {
public:
    static constexpr size_t kSortSlots = 4;
    static constexpr size_t kDefaultFilterRows = 3;
    static constexpr const char* kProjectVersion = "2.6";

    DVFile();
    // A definition as the editor and dvimport begin one: as DVFile() gives,
    // but reading quoted fields across lines (which stored definitions that
    // do not say so never do).
    static DVFile NewDefinition();
    DVFile(const DVFile& other);
    DVFile& operator=(const DVFile& other);
    virtual ~DVFile();

    // Every member to its default, an empty tree, no columns, three default
    // filter rows. The sort slots stay as they are.
    void ResetToDefaults();

    // Reads a project file; false for an empty path, a file that cannot be
    // read or parsed, or a last filter element that cannot be read, and the
    // definition is then in its default state. A top-level value that does not
    // convert to its member's type throws Norvik::PlatformError (the
    // definition is left in its default state).
    bool LoadProjectFile(const std::string& path);
    // The same, except that a failure keeps what was read before it (the
    // desktop editor shows it rather than nothing). A file that cannot be
    // parsed leaves the default state.
    bool LoadProjectFileKeepingPartial(const std::string& path);
    // Writes the project file; false for an empty path or a file that cannot
    // be written (an existing file is then left as it was).
    bool SaveProjectFile(const std::string& path) const;

    // Why the last load or save failed, when there is more to say than false.
    const std::string& GetLastError() const noexcept { return lastError_; }
    void SetLastError(std::string text) const { lastError_ = std::move(text); }

    const DVFileSettings& Settings() const noexcept { return settings_; }

    // Setters report whether the value changed. None reads a source: the
    // column list follows the source only through an explicit discovery.
    // Resets the definition, then stores the type (fixed width turns the
    // header row off).
    bool SetSourceType(int32_t type);
    // Also clears the DSN choice, file names, table, query and all columns.
    bool SetOdbcDriver(std::string_view driver);
    // A leading quote and then a trailing quote are removed.
    bool SetSourceFileName(std::string_view name);
    bool SetTargetFileName(std::string_view name);
    // An empty table removes every column.
    bool SetSqlTableName(std::string_view name);
    // An empty delimiter is stored as ",".
    bool SetDelimiter(std::string_view delimiter) {
        return AssignIfChanged(settings_.delimiter,
                               delimiter.empty() ? std::string_view(",") : delimiter);
    }
    bool SetFirstRowHasColNames(bool on) {
        return AssignIfChanged(settings_.firstrowhascolnames, on);
    }
    // Stores a delimiter a source chose.
    void StoreDelimiter(std::string_view delimiter) { settings_.delimiter = delimiter; }
    bool SetTreatConsecutiveDelimsAsOne(bool on) {
        return AssignIfChanged(settings_.treatconsecutivedelimsasone, on);
    }

    bool SetFileDsn(std::string_view v) { return AssignIfChanged(settings_.filedsn, v); }
    bool SetUserSysDsn(std::string_view v) { return AssignIfChanged(settings_.usersysdsn, v); }
    bool SetSqlQuery(std::string_view v) { return AssignIfChanged(settings_.sqlquery, v); }
    bool SetUserName(std::string_view v) { return AssignIfChanged(settings_.username, v); }
    bool SetPassword(std::string_view v) { return AssignIfChanged(settings_.password, v); }
    bool SetDoctypePublicId(std::string_view v) {
        return AssignIfChanged(settings_.doctypepublicid, v);
    }
    bool SetDoctypeDtd(std::string_view v) { return AssignIfChanged(settings_.doctypedtd, v); }
    bool SetStylesheetHref(std::string_view v) {
        return AssignIfChanged(settings_.stylesheethref, v);
    }
    bool SetStylesheetTitle(std::string_view v) {
        return AssignIfChanged(settings_.stylesheettitle, v);
    }
    bool SetIncludeFile(std::string_view v) { return AssignIfChanged(settings_.includefile, v); }
    bool SetCustomText(std::string_view v) { return AssignIfChanged(settings_.customtext, v); }
    bool SetEncoding(std::string_view v) { return AssignIfChanged(settings_.encoding, v); }
    bool SetXslTransform(std::string_view v) { return AssignIfChanged(settings_.xsltransform, v); }
    bool SetAdditionalConnectionParameters(std::string_view v) {
        return AssignIfChanged(settings_.additionalConnectionParameters, v);
    }
    bool SetSqlType(int32_t v) { return AssignIfChanged(settings_.sqltype, v); }
    bool SetDsnType(int32_t v) { return AssignIfChanged(settings_.dsntype, v); }
    bool SetFirstRow(int32_t v) { return AssignIfChanged(settings_.firstrow, v); }
    bool SetLastRow(int32_t v) { return AssignIfChanged(settings_.lastrow, v); }
    bool SetFilePerColValueId(int32_t v) { return AssignIfChanged(settings_.filepercolvalueid, v); }
    bool SetFirstOutputId(int32_t v) { return AssignIfChanged(settings_.firstOutputId, v); }
    bool SetRemoveQuotes(bool v) { return AssignIfChanged(settings_.removequotes, v); }
    bool SetTrimSpace(bool v) { return AssignIfChanged(settings_.trimspace, v); }
    bool SetIncludeDoctype(bool v) { return AssignIfChanged(settings_.includedoctype, v); }
    bool SetIncludeStylesheet(bool v) { return AssignIfChanged(settings_.includestylesheet, v); }
    bool SetIsStylesheetXsl(bool v) { return AssignIfChanged(settings_.isstylesheetxsl, v); }
    bool SetFilePerRow(bool v) { return AssignIfChanged(settings_.fileperrow, v); }
    bool SetAutoAddNodes(bool v) { return AssignIfChanged(settings_.autoaddnodes, v); }
    bool SetAutoRemoveNodes(bool v) { return AssignIfChanged(settings_.autoremovenodes, v); }
    bool SetAutoLinkNodes(bool v) { return AssignIfChanged(settings_.autolinknodes, v); }
    bool SetAlwaysEmitEndTags(bool v) { return AssignIfChanged(settings_.alwaysemitendtags, v); }
    bool SetIncludeXmlDeclaration(bool v) {
        return AssignIfChanged(settings_.includeXmlDeclaration, v);
    }
    bool SetIncludeStandaloneProperty(bool v) {
        return AssignIfChanged(settings_.includeStandaloneProperty, v);
    }
    bool SetIndentOutput(bool v) { return AssignIfChanged(settings_.indentOutput, v); }
    bool SetValidateSchema(std::string_view v) {
        return AssignIfChanged(settings_.validateschema, v);
    }
    bool SetQuotedLineBreaks(bool v) { return AssignIfChanged(settings_.quotedlinebreaks, v); }
    bool SetLocale(std::string_view v) { return AssignIfChanged(settings_.locale, v); }

    // Columns, in source order.
    const std::vector<CSCol>& Columns() const noexcept { return columns_; }
    CSCol& Column(size_t index) { return columns_.at(index); }
    // -1 when no column matches.
    int32_t ColumnIndexById(int32_t id) const;
    int32_t ColumnIndexByName(std::string_view name) const;
    CSCol* ColumnById(int32_t id);
    // Adding does not touch the tree; call OnColumnAdded for the upkeep.
    CSCol& AddColumn(CSCol column);
    CSCol& InsertColumn(size_t position, CSCol column);
    void MoveColumn(size_t from, size_t to);
    // Removing also clears what refers to the column (OnColumnRemoved).
    bool RemoveColumn(size_t index);
    void RemoveAllColumns();

    std::vector<DVFilter>& Filters() noexcept { return filters_; }
    const std::vector<DVFilter>& Filters() const noexcept { return filters_; }
    std::array<std::optional<SortOrder>, kSortSlots>& SortOrders() noexcept { return sortOrders_; }
    const std::array<std::optional<SortOrder>, kSortSlots>& SortOrders() const noexcept {
        return sortOrders_;
    }

    XMLRootNode& Root() noexcept { return root_; }
    const XMLRootNode& Root() const noexcept { return root_; }
    // Searches the whole tree for the sanitised form of text.
    XMLNode* FindNodeByName(std::string_view text);
    // An element named after the column under the root's first element (a
    // "row" element is made when there is none).
    XMLNode* AddNodeForColumn(std::string_view name, int32_t columnId);
    // Tree upkeep for the autolinknodes / autoaddnodes / autoremovenodes options.
    void OnColumnAdded(const CSCol& column);
    void OnColumnRemoved(int32_t columnId);

private:
    friend class ProjectFileReader;

    bool Load(const std::string& path, bool keepPartial);

    DVFileSettings settings_;
    std::vector<CSCol> columns_;
    std::vector<DVFilter> filters_;
    std::array<std::optional<SortOrder>, kSortSlots> sortOrders_;
    XMLRootNode root_;
    mutable std::string lastError_;
};
