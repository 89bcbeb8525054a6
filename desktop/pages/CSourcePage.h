#pragma once

#include "CDVPage.h"

class CDelimitedTextFileSourcePageDlg;
class CFixedColumnEditor;
class CFixedTextFileSourcePageDlg;
class CODBCFileSourcePageDlg;
class CODBCSourcePageDlg;
class CSPanel;
class CSourceTextPreview;
class CSourceTypePageDlg;
class IPrompter;
class QStackedWidget;

// Tab 1, "Source": the source type on the left; on the right the form of
// the chosen type and, for text files, the source preview (with the column
// break editor for fixed column files).
class CSourcePage : public CDVPage<CSourcePage> {
public:
    CSourcePage(CController& controller, IPrompter& prompter, CSettings& settings,
                QWidget* parent = nullptr);

    void OnUpdate(int32_t code);

    CSourceTypePageDlg* TypePanel() const noexcept { return type_; }
    CDelimitedTextFileSourcePageDlg* DelimitedForm() const noexcept { return delimited_; }
    CFixedTextFileSourcePageDlg* FixedForm() const noexcept { return fixed_; }
    CODBCSourcePageDlg* OdbcForm() const noexcept { return odbc_; }
    CODBCFileSourcePageDlg* FileForm() const noexcept { return file_; }
    CSourceTextPreview* Preview() const noexcept { return preview_; }
    CFixedColumnEditor* ColumnEditor() const noexcept { return editor_; }
    CSPanel* FormPanel() const noexcept { return formPanel_; }
    CSPanel* PreviewPanel() const noexcept { return previewPanel_; }
    QWidget* CurrentForm() const;

private:
    void ShowType(int type);
    void UpdateBreaks();

    CSourceTypePageDlg* type_;
    QStackedWidget* forms_;
    CDelimitedTextFileSourcePageDlg* delimited_;
    CFixedTextFileSourcePageDlg* fixed_;
    CODBCSourcePageDlg* odbc_;
    CODBCFileSourcePageDlg* file_;
    CSPanel* formPanel_;
    CSPanel* previewPanel_;
    QStackedWidget* previews_;
    CSourceTextPreview* preview_;
    CFixedColumnEditor* editor_;
};
