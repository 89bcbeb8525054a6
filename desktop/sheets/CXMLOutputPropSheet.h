#pragma once

#include "CPropertySheet.h"

class CFileNameField;
class QCheckBox;
class QComboBox;
class QSpinBox;

// "XML Output Options": Formatting (encoding and layout), Multiple File
// Output and Other (XSL stylesheet, first {ID}).
class CXMLOutputPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    explicit CXMLOutputPropSheet(SheetContext& context, QWidget* parent = nullptr);
};

class CXMLOutputFormattingPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CXMLOutputFormattingPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QComboBox* EncodingBox() const noexcept { return encoding_; }
    QCheckBox* QuotesBox() const noexcept { return quotes_; }
    QCheckBox* TrimBox() const noexcept { return trim_; }
    QCheckBox* EndTagsBox() const noexcept { return endTags_; }
    QCheckBox* IndentBox() const noexcept { return indent_; }
    QCheckBox* DeclarationBox() const noexcept { return declaration_; }
    QCheckBox* StandaloneBox() const noexcept { return standalone_; }

private:
    SheetContext& context_;
    QComboBox* encoding_;
    QCheckBox* quotes_;
    QCheckBox* trim_;
    QCheckBox* endTags_;
    QCheckBox* indent_;
    QCheckBox* declaration_;
    QCheckBox* standalone_;
};

class CXMLOutputFilesPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CXMLOutputFilesPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QCheckBox* PerRowBox() const noexcept { return perRow_; }
    QCheckBox* PerValueBox() const noexcept { return perValue_; }
    QComboBox* ColumnBox() const noexcept { return column_; }

private:
    SheetContext& context_;
    QCheckBox* perRow_;
    QCheckBox* perValue_;
    QComboBox* column_;
};

class CXMLOutputOtherPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CXMLOutputOtherPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    CFileNameField* StylesheetField() const noexcept { return stylesheet_; }
    CFileNameField* SchemaField() const noexcept { return schema_; }
    QSpinBox* FirstIdBox() const noexcept { return firstId_; }

private:
    SheetContext& context_;
    CFileNameField* stylesheet_;
    CFileNameField* schema_;
    QSpinBox* firstId_;
};
