#pragma once

#include "CPropertySheet.h"

class CFileNameField;
class QButtonGroup;

// "Import XML Schema" with its page "File Selection": the kind of file and
// its path or URL. OK imports it into the definition's tree.
class CImportXMLSchemaFilePropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CImportXMLSchemaFilePropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Validate() override;
    // Nothing to write: the dialog imports.
    bool Apply() override { return false; }

    QButtonGroup* KindGroup() const noexcept { return kind_; }
    CFileNameField* PathField() const noexcept { return path_; }

private:
    SheetContext& context_;
    QButtonGroup* kind_;
    CFileNameField* path_;
};

class CImportXMLSchemaDialog : public CPropertySheet {
    Q_OBJECT

public:
    explicit CImportXMLSchemaDialog(SheetContext& context, QWidget* parent = nullptr);
    CImportXMLSchemaFilePropPage* FilePage() const noexcept { return page_; }

protected:
    void AfterApply(bool& changed) override;

private:
    CImportXMLSchemaFilePropPage* page_;
};
