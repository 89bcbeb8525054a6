#pragma once

#include <cstdint>

#include "base/Status.h"

class DVFile;

// Reads a definition's column list from its source. Opening a source makes
// the definition's columns mirror the source's fields (matching names stay,
// columns named elsewhere move, new names become new columns, surplus ones
// go) and the tree follow them by the definition's auto-node options. This is
// the one place that does so on purpose: setters never read a source, and a
// run discovers columns on its own copy of the definition.
namespace ColumnDiscovery {

// Opens the definition's source with at most rowLimit rows (a fixed-width
// source without columns is opened to detect them); a failure's detail is
// the source's error text.
Status ReadColumns(DVFile& definition, int32_t rowLimit);

}  // namespace ColumnDiscovery
