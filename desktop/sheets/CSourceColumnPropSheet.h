#pragma once

#include "CPropertySheet.h"

class CDataTypeFormatBox;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

// "Source Column Properties" of one column: General (name, data type and
// formatting), Behavior (skip rules, empty values) and Lookup Table.
class CSourceColumnPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    CSourceColumnPropSheet(SheetContext& context, int columnIndex, QWidget* parent = nullptr);
};

class CSourceColumnPropPage : public CPropertyPage {
    Q_OBJECT

public:
    CSourceColumnPropPage(SheetContext& context, int columnIndex, QWidget* parent = nullptr);
    bool Validate() override;
    bool Apply() override;

    QLineEdit* NameEdit() const noexcept { return name_; }
    CDataTypeFormatBox* Format() const noexcept { return format_; }

private:
    SheetContext& context_;
    int index_;
    QLineEdit* name_;
    CDataTypeFormatBox* format_;
};

class CSourceColumnBehaviorPropPage : public CPropertyPage {
    Q_OBJECT

public:
    CSourceColumnBehaviorPropPage(SheetContext& context, int columnIndex,
                                  QWidget* parent = nullptr);
    bool Apply() override;

    QCheckBox* EmptyBox() const noexcept { return empty_; }
    QCheckBox* ZeroBox() const noexcept { return zero_; }
    QCheckBox* DuplicateBox() const noexcept { return duplicate_; }
    QRadioButton* UseLastButton() const noexcept { return useLast_; }
    QRadioButton* UseDefaultButton() const noexcept { return useDefault_; }
    QLineEdit* DefaultEdit() const noexcept { return default_; }

private:
    SheetContext& context_;
    int index_;
    QCheckBox* empty_;
    QCheckBox* zero_;
    QCheckBox* duplicate_;
    QRadioButton* useLast_;
    QRadioButton* useDefault_;
    QLineEdit* default_;
};

class CSourceColumnLookupTablePropPage : public CPropertyPage {
    Q_OBJECT

public:
    CSourceColumnLookupTablePropPage(SheetContext& context, int columnIndex,
                                     QWidget* parent = nullptr);
    bool Apply() override;

    QPlainTextEdit* TableEdit() const noexcept { return table_; }
    QCheckBox* SkipBox() const noexcept { return skip_; }
    QCheckBox* IgnoreCaseBox() const noexcept { return ignoreCase_; }
    QCheckBox* PartialBox() const noexcept { return partial_; }
    QCheckBox* OnlyPartBox() const noexcept { return onlyPart_; }

private:
    SheetContext& context_;
    int index_;
    QPlainTextEdit* table_;
    QCheckBox* skip_;
    QCheckBox* ignoreCase_;
    QCheckBox* partial_;
    QCheckBox* onlyPart_;
};
