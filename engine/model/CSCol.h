#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "DataTypeProperties.h"
#include "base/TextUtil.h"

// A source column: one field of the source, its data type and formatting,
// value rules (default, use-last, skip rules) and an optional lookup table.
class CSCol : public DataTypeProperties {
public:
    using LookupTable = std::map<std::string, std::string, Norvik::Utf16OrderLess>;

    // A new column takes the next process-wide identifier.
    CSCol();
    explicit CSCol(std::string columnName);
    // A column with a given identifier (0 = not yet assigned); readers use it
    // so that reading does not consume identifiers.
    static CSCol WithId(int32_t columnId);

    // Every setting back to its default; the identifier stays.
    void Reset();
    // Copies every setting, identifier and run-time memory included.
    void CopySettingsFrom(const CSCol& other) { *this = other; }

    // Case-insensitive; an empty name equals only an empty name.
    bool IsNamed(std::string_view otherName) const;

    // Adds one entry from a line "key = value" (key and value trimmed, the key
    // lower-cased while ignoreCase is on; an existing key is overwritten; an
    // empty key adds nothing). A line without '=' after its first character
    // maps to itself. An empty line adds nothing.
    void AddLookupEntry(std::string_view text);
    // The line the column editor and the project file show for an entry.
    static std::string LookupEntryText(const std::string& key, const std::string& value);

    // Whether the column's value can keep a row out.
    bool SkipsRows() const noexcept {
        return skipIfNoMatch || skipIfEmpty || skipIfZero || skipIfDuplicate;
    }
    // Whether the display form of every value is the value itself.
    bool ShowsRawValue() const noexcept {
        return dataType == kText && (caseType < kCaseUpper || caseType > kCaseProper) &&
               lookupTable.empty() && !useLastIfEmpty && defaultValue.empty();
    }
    // The display form of a raw value (written to XML, shown in previews) or
    // its comparison form (what filters and sorting compare: numbers as
    // zero-padded fixed-width text, dates as "YYYY-MM-DD hh:mm:ss"). Formatting
    // never fails: what cannot be formatted becomes empty and then takes the
    // last or the default value. Only the display form updates the run-time
    // memory (last value, lookup matched), so asking for a comparison form in
    // between never changes a later display form.
    std::string FormatValue(std::string_view raw, bool comparisonForm);
    // The same into a caller's buffer (keeps its capacity across rows).
    void FormatValueInto(std::string_view raw, bool comparisonForm, std::string& out);
    // The number a numeric filter compares for raw: the value its comparison
    // form reads back as, without printing that form when it is whole.
    double ComparisonNumberOf(std::string_view raw, std::string& scratch);
    // Looks a non-empty value up in the table: exact (lookupMatched tells
    // whether the key was found; a miss gives empty text with skipIfNoMatch),
    // partial with whole replacement (the first key, in key order, found
    // inside the value decides), or partial replacing only the matched parts.
    std::string ApplyLookup(std::string_view value, bool remember = true);

    const std::string& GetLastValue() const noexcept { return lastValue; }
    // Stores text when it differs; reports whether it did.
    bool SetLastValue(std::string_view text);
    const std::string& GetDefaultValue() const noexcept { return defaultValue; }

    bool operator==(const CSCol&) const = default;

    std::string name;
    int32_t width = 4;  // characters, fixed-width sources
    int32_t id = 0;
    bool skipIfEmpty = false;
    bool skipIfZero = false;
    bool skipIfDuplicate = false;
    bool useLastIfEmpty = false;
    bool skipIfNoMatch = false;
    bool ignoreCase = true;
    bool allowPartialMatch = false;
    bool onlyReplaceMatchingPart = false;
    std::string defaultValue;
    LookupTable lookupTable;
    // Run-time memory of one opened source: the last non-empty display value
    // (use-last-if-empty), the previous row's value (skip-if-duplicate) and
    // whether the last exact lookup matched.
    std::string lastValue;
    std::string duplicateValue;
    bool lookupMatched = true;

private:
    struct NoId {};
    explicit CSCol(NoId) {}
    // The value before a comparison form or display format is made of it:
    // default, last value, case and lookup applied.
    void PrepareValue(std::string_view raw, bool comparisonForm, std::string& out);
};
