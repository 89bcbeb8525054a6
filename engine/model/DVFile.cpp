#include "DVFile.h"

#include <algorithm>

#include "ProjectFileReader.h"
#include "base/PlatformError.h"
#include "xml/CXMLDocument.h"

namespace {

// A leading quote goes, and then a trailing one: paths pasted with quotes.
std::string_view StripQuotes(std::string_view name) {
    if (!name.empty() && (name.front() == '"' || name.front() == '\'')) {
        name.remove_prefix(1);
        if (!name.empty() && (name.back() == '"' || name.back() == '\'')) {
            name.remove_suffix(1);
        }
    }
    return name;
}

}  // namespace

DVFile::DVFile() {
    filters_.resize(kDefaultFilterRows);
}

DVFile DVFile::NewDefinition() {
    DVFile definition;
    definition.SetQuotedLineBreaks(true);
    return definition;
}

DVFile::DVFile(const DVFile& other)
    : settings_(other.settings_),
      columns_(other.columns_),
      filters_(other.filters_),
      sortOrders_(other.sortOrders_),
      lastError_(other.lastError_) {
    root_.CopyFrom(other.root_, true);
}

DVFile& DVFile::operator=(const DVFile& other) {
    if (this != &other) {
        settings_ = other.settings_;
        columns_ = other.columns_;
        filters_ = other.filters_;
        sortOrders_ = other.sortOrders_;
        lastError_ = other.lastError_;
        root_.CopyFrom(other.root_, true);
    }
    return *this;
}

DVFile::~DVFile() = default;

void DVFile::ResetToDefaults() {
    settings_ = DVFileSettings();
    root_.Reset();
    columns_.clear();
    filters_.assign(kDefaultFilterRows, DVFilter());
}

bool DVFile::LoadProjectFile(const std::string& path) {
    return Load(path, false);
}

bool DVFile::LoadProjectFileKeepingPartial(const std::string& path) {
    return Load(path, true);
}

bool DVFile::Load(const std::string& path, bool keepPartial) {
    ResetToDefaults();
    // A definition read from a file holds exactly the file's sort keys.
    sortOrders_.fill(std::nullopt);
    lastError_.clear();
    if (path.empty()) {
        return false;
    }
    Norvik::CXMLDocument document;
    if (!document.Load(path)) {
        return false;
    }
    bool loaded = false;
    try {
        loaded = ProjectFileReader(*this).Read(document);
    } catch (const Norvik::PlatformError&) {
        if (!keepPartial) {
            ResetToDefaults();
            sortOrders_.fill(std::nullopt);
        }
        throw;
    }
    if (!loaded && !keepPartial) {
        ResetToDefaults();
        sortOrders_.fill(std::nullopt);
    }
    return loaded;
}

bool DVFile::SetSourceType(int32_t type) {
    if (settings_.sourcetype == type) {
        return false;
    }
    ResetToDefaults();
    settings_.sourcetype = type;
    if (type == DVFileSettings::kFixedWidthText) {
        settings_.firstrowhascolnames = false;
    }
    return true;
}

bool DVFile::SetOdbcDriver(std::string_view driver) {
    if (!AssignIfChanged(settings_.odbcdriver, driver)) {
        return false;
    }
    settings_.dsntype = 0;
    settings_.usersysdsn.clear();
    settings_.filedsn.clear();
    settings_.sourcefilename.clear();
    settings_.sqltablename.clear();
    settings_.sqlquery.clear();
    RemoveAllColumns();
    return true;
}

bool DVFile::SetSourceFileName(std::string_view name) {
    return AssignIfChanged(settings_.sourcefilename, StripQuotes(name));
}

bool DVFile::SetTargetFileName(std::string_view name) {
    return AssignIfChanged(settings_.targetfilename, StripQuotes(name));
}

bool DVFile::SetSqlTableName(std::string_view name) {
    if (!AssignIfChanged(settings_.sqltablename, name)) {
        return false;
    }
    if (name.empty()) {
        RemoveAllColumns();
    }
    return true;
}

int32_t DVFile::ColumnIndexById(int32_t id) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].id == id) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t DVFile::ColumnIndexByName(std::string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].IsNamed(name)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

CSCol* DVFile::ColumnById(int32_t id) {
    const int32_t index = ColumnIndexById(id);
    return index < 0 ? nullptr : &columns_[static_cast<size_t>(index)];
}

CSCol& DVFile::AddColumn(CSCol column) {
    columns_.push_back(std::move(column));
    return columns_.back();
}

CSCol& DVFile::InsertColumn(size_t position, CSCol column) {
    position = std::min(position, columns_.size());
    return *columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(position),
                            std::move(column));
}

void DVFile::MoveColumn(size_t from, size_t to) {
    if (from >= columns_.size() || to >= columns_.size() || from == to) {
        return;
    }
    CSCol moving = std::move(columns_[from]);
    columns_.erase(columns_.begin() + static_cast<std::ptrdiff_t>(from));
    columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
}

bool DVFile::RemoveColumn(size_t index) {
    if (index >= columns_.size()) {
        return false;
    }
    const int32_t id = columns_[index].id;
    columns_.erase(columns_.begin() + static_cast<std::ptrdiff_t>(index));
    OnColumnRemoved(id);
    return true;
}

void DVFile::RemoveAllColumns() {
    while (!columns_.empty()) {
        RemoveColumn(columns_.size() - 1);
    }
}

XMLNode* DVFile::FindNodeByName(std::string_view text) {
    return root_.FindByName(XMLNode::SanitizeName(text));
}

XMLNode* DVFile::AddNodeForColumn(std::string_view name, int32_t columnId) {
    // The row element is the root's first element; attributes of the root
    // cannot hold elements.
    XMLNode* row = nullptr;
    for (const auto& child : root_.Children()) {
        if (child->GetNodeType() == XMLNode::kElement) {
            row = child.get();
            break;
        }
    }
    if (!row) {
        row = root_.AddChild("row", XMLNode::kElement);
    }
    XMLNode* node = row->AddChild(name, XMLNode::kElement);
    if (node) {
        node->SetSource(columnId);
    }
    return node;
}

void DVFile::OnColumnAdded(const CSCol& column) {
    if (!settings_.autolinknodes && !settings_.autoaddnodes) {
        return;
    }
    const std::string name = XMLNode::ColumnNodeName(column.name);
    XMLNode* node = root_.FindByName(name);
    if (settings_.autolinknodes && node && node->GetSource() == 0) {
        node->SetSource(column.id);
    }
    if (settings_.autoaddnodes && !node) {
        AddNodeForColumn(name, column.id);
    }
}

void DVFile::OnColumnRemoved(int32_t columnId) {
    if (columnId != 0) {
        while (XMLNode* node = root_.FindBySource(columnId)) {
            if (settings_.autoremovenodes && node != &root_) {
                node->Detach();  // the detached subtree is deleted here
            } else {
                node->SetSource(0);
            }
        }
    }
    if (settings_.filepercolvalueid == columnId && columnId != 0) {
        settings_.filepercolvalueid = 0;
    }
}
