#pragma once

#include "CPropertySheet.h"

class CFileNameField;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CXMLTargetDoctypePropPage;

// "XML Target Options": DOCTYPE (with loading the DTD's elements and
// attributes into the tree), Style Sheet and Custom head text.
class CXMLTargetPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    explicit CXMLTargetPropSheet(SheetContext& context, QWidget* parent = nullptr);
    CXMLTargetDoctypePropPage* DoctypePage() const noexcept { return doctype_; }

protected:
    void AfterApply(bool& changed) override;

private:
    CXMLTargetDoctypePropPage* doctype_;
};

class CXMLTargetDoctypePropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CXMLTargetDoctypePropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Validate() override;
    bool Apply() override;
    bool LoadRequested() const;

    QCheckBox* IncludeBox() const noexcept { return include_; }
    QLineEdit* RootEdit() const noexcept { return root_; }
    QLineEdit* PublicIdEdit() const noexcept { return publicId_; }
    QLineEdit* DtdEdit() const noexcept { return dtd_; }
    QCheckBox* LoadBox() const noexcept { return load_; }

private:
    SheetContext& context_;
    QCheckBox* include_;
    QLineEdit* root_;
    QLineEdit* publicId_;
    QLineEdit* dtd_;
    QCheckBox* load_;
};

class CXMLTargetStylesheetPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CXMLTargetStylesheetPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QCheckBox* IncludeBox() const noexcept { return include_; }
    QLineEdit* HrefEdit() const noexcept { return href_; }
    QButtonGroup* TypeGroup() const noexcept { return type_; }
    QLineEdit* TitleEdit() const noexcept { return title_; }

private:
    SheetContext& context_;
    QCheckBox* include_;
    QLineEdit* href_;
    QButtonGroup* type_;
    QLineEdit* title_;
};

class CXMLTargetCustomPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CXMLTargetCustomPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QPlainTextEdit* TextEdit() const noexcept { return text_; }
    CFileNameField* IncludeField() const noexcept { return include_; }
    QPushButton* AutoTextButton() const noexcept { return autoText_; }

private:
    SheetContext& context_;
    QPlainTextEdit* text_;
    QPushButton* autoText_;
    CFileNameField* include_;
};
