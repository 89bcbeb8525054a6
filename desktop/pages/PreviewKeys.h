#pragma once

#include <string>

#include "model/DVFile.h"

// What each slow view of a source reads from, as one string: a view reads
// again only when its key changed, so an edit that does not touch its inputs
// (a column's format, say) costs no file or database access. Keys compare
// for equality only.
namespace PreviewKeys {

// The database's table list: the source type and the connection settings.
std::string Connection(const DVFile& definition);
// The start of a text source: the source type and the file, with its size
// and modification time, so a file changed on disk is read again.
std::string SourceText(const DVFile& definition);
// The rows of the table preview as read: the connection, the table or query,
// the rows and the regional settings, and the columns' count and data types
// (what is read for a number column differs). Not the columns' formats,
// which the preview applies to the rows it has.
std::string Selection(const DVFile& definition);

}  // namespace PreviewKeys
