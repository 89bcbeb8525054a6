#pragma once

#include <string>

#include "DVFileSettings.h"
#include "xml/CXMLWriter.h"

class CSCol;
class DataTypeProperties;
class DVFile;
class XMLNode;

// Writes a definition as a project file in the current layout. Kept apart
// from the reader so programs that only run definitions can leave it out.
class ProjectFileWriter {
public:
    explicit ProjectFileWriter(const DVFile& definition) : definition_(definition) {}

    // False for an empty path, a file that cannot be written, or a value the
    // XML writer refuses (the reason goes to the definition's last error).
    bool Save(const std::string& path);

private:
    // Only a failure of the file itself has a text for the last error.
    void NoteFileError();
    void WriteDocument();
    void WriteSettings();
    void WriteMember(const ProjectMember& member);
    void WriteFilters();
    void WriteOrders();
    void WriteRoot();
    void WriteColumn(const CSCol& column);
    void WriteNode(const XMLNode& node);
    void AddDataTypeAttributes(const DataTypeProperties& properties);

    const DVFile& definition_;
    Norvik::CXMLWriter writer_;
    Norvik::CXMLAttributeList attributes_;
};
