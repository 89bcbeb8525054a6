#pragma once

#include <string>

#include "model/DVFile.h"

class CController;
class QWidget;

// Imports a schema, DTD or sample document (path or URL) into a copy of the
// definition off the user interface thread, behind a busy dialog whose
// Cancel drops the import. The copy replaces the definition when the import
// succeeded and no change was made meanwhile; the caller gives Changed(3).
struct SchemaImportOutcome {
    bool imported = false;
    bool cancelled = false;
    std::string error;  // the definition's last error text of a failed import
};

SchemaImportOutcome ImportSchemaInBackground(QWidget* parent, CController& controller,
                                             const DVFile& start, const std::string& path,
                                             int32_t kind);
