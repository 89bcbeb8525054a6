#pragma once

#include <string>

#include "CPropertySheet.h"

class CDataTypeFormatBox;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class XMLNode;

// "<name> Properties" of one XML node: Behaviour (grouping, skip rules,
// scope), Format (the node's own data type) and Output (value type, EMPTY).
class CXMLNodePropSheet : public CPropertySheet {
    Q_OBJECT

public:
    // The node by its place in the tree (see XMLTreeCommands::PathOf).
    CXMLNodePropSheet(SheetContext& context, const std::string& nodePath,
                      QWidget* parent = nullptr);
    static QString TitleFor(const XMLNode* node);
};

class CXMLNodeBehaviourPropPage : public CPropertyPage {
    Q_OBJECT

public:
    CXMLNodeBehaviourPropPage(SheetContext& context, const std::string& nodePath,
                              QWidget* parent = nullptr);
    bool Apply() override;

    QComboBox* GroupBox() const noexcept { return group_; }
    QCheckBox* EmptyBox() const noexcept { return empty_; }
    QCheckBox* ZeroBox() const noexcept { return zero_; }
    QCheckBox* DuplicateBox() const noexcept { return duplicate_; }
    QButtonGroup* ScopeGroup() const noexcept { return scope_; }

private:
    SheetContext& context_;
    std::string path_;
    QComboBox* group_;
    QCheckBox* empty_;
    QCheckBox* zero_;
    QCheckBox* duplicate_;
    QButtonGroup* scope_;
};

class CXMLNodeFormatPropPage : public CPropertyPage {
    Q_OBJECT

public:
    CXMLNodeFormatPropPage(SheetContext& context, const std::string& nodePath,
                           QWidget* parent = nullptr);
    bool Apply() override;
    CDataTypeFormatBox* Format() const noexcept { return format_; }

private:
    SheetContext& context_;
    std::string path_;
    CDataTypeFormatBox* format_;
};

class CXMLNodeOutputPropPage : public CPropertyPage {
    Q_OBJECT

public:
    CXMLNodeOutputPropPage(SheetContext& context, const std::string& nodePath,
                           QWidget* parent = nullptr);
    bool Apply() override;

    QButtonGroup* ValueTypeGroup() const noexcept { return valueType_; }
    QCheckBox* EmptyElementBox() const noexcept { return isEmpty_; }

private:
    SheetContext& context_;
    std::string path_;
    QButtonGroup* valueType_;
    QCheckBox* isEmpty_;
};
