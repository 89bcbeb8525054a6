#pragma once

#include <cstdint>

// The result codes of a run: the system's one error vocabulary. Messages are
// in ResultMessages.
enum ResultCode : int32_t {
    kSuccess = 0,
    kCancelled = 1,
    kInvalidDVFile = 101,
    kNoSourceFile = 102,
    kSourceFileOpen = 103,
    kTargetFileCreate = 104,
    kTargetFileWrite = 105,
    kNoColumns = 106,
    kNoTargetFile = 107,
    kIncludeFileOpen = 108,
    kNoDelimiter = 109,
    kNoOdbcDriver = 110,
    kNoDsn = 111,
    kNoSqlQuery = 112,
    kNoSqlTable = 113,
    kOdbcConnect = 114,
    kOdbcSqlQuery = 115,
    kOdbcTableQuery = 116,
    kInvalidArgument = 117,
    kXmlServicesMissing = 118,
    // Beyond the original table: schema validation of the output.
    kOutputInvalid = 120,
    kSchemaLoad = 121,
    // A record of a delimited source that cannot be read: a quoted field
    // never closed, or a record past the size bound.
    kSourceRecord = 122,
    // The regional setting names a locale this machine does not have.
    kRegionalSetting = 123,
    // A node's name uses a namespace prefix nothing declares (or is no
    // qualified name).
    kNamespacePrefix = 124,
    // No schema can describe what the definition writes before it runs (an
    // XSL step, a namespace read from a column).
    kSchemaGenerate = 125,
    // A run in parts refused (a definition whose rows depend on the rows
    // before them) or a merge whose parts are missing, damaged or mismatched.
    kParts = 126,
};
