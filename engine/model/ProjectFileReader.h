#pragma once

#include <memory>

#include "DVFileSettings.h"
#include "ElementFields.h"
#include "xml/CXMLDocument.h"

class CSCol;
class DVFile;
class DVFilter;
class XMLNode;
struct SortOrder;

// Reads a parsed project file into a definition in its default state: the
// current layout (version "2.6"), and files of the older layout, which are
// recognised by any other version text and never written.
class ProjectFileReader {
public:
    explicit ProjectFileReader(DVFile& definition) : definition_(definition) {}

    // The load outcome: that of the last filter element (true when there is
    // none). Throws Norvik::PlatformError for a top-level value that does not
    // convert.
    bool Read(const Norvik::CXMLDocument& document);

    // Element readers, shared with tests. Each throws Norvik::PlatformError
    // where the file layout says the element cannot be read.
    static CSCol ReadColumn(Norvik::XmlElement element, ElementFields::Layout layout);
    static bool ReadFilter(Norvik::XmlElement element, DVFilter& filter);
    static void ReadSortOrder(Norvik::XmlElement element, SortOrder& order);
    // Reads attributes and, recursively, the xmlnode children. A value that
    // does not convert stops the reading of that node (its children are not
    // read); the node keeps what was read.
    static void ReadNode(Norvik::XmlElement element, XMLNode& node);

private:
    void ReadMembers(const Norvik::CXMLDocument& document, bool legacy);
    void ReadMember(const Norvik::CXMLDocument& document, const ProjectMember& member);
    void ReadColumns(const Norvik::CXMLDocument& document, ElementFields::Layout layout);
    void ReadSortOrders(const Norvik::CXMLDocument& document);
    bool ReadFilters(const Norvik::CXMLDocument& document);
    void ReadLegacyNodes(const Norvik::CXMLDocument& document);
    static void ReadLegacyNode(Norvik::XmlElement element, XMLNode& node, int32_t& parentId);

    DVFile& definition_;
};
