#pragma once

#include <QWidget>

class CController;
class CFileNameField;
class IPrompter;
class QCheckBox;
class QLineEdit;

// The delimited text file form: file name, delimiters, header and merge
// settings. Every change rereads the columns and gives Changed(31).
class CDelimitedTextFileSourcePageDlg : public QWidget {
    Q_OBJECT

public:
    CDelimitedTextFileSourcePageDlg(CController& controller, IPrompter& prompter,
                                    QWidget* parent = nullptr);

    void Refresh();
    // The delimiter set of the ticked boxes and the Other characters.
    QString DelimiterText() const;

    CFileNameField* FileField() const noexcept { return file_; }
    QCheckBox* TabBox() const noexcept { return tab_; }
    QCheckBox* SemicolonBox() const noexcept { return semicolon_; }
    QCheckBox* CommaBox() const noexcept { return comma_; }
    QCheckBox* SpaceBox() const noexcept { return space_; }
    QCheckBox* OtherBox() const noexcept { return other_; }
    QLineEdit* OtherEdit() const noexcept { return otherText_; }
    QCheckBox* FirstRowBox() const noexcept { return firstRow_; }
    QCheckBox* MergeBox() const noexcept { return merge_; }
    QCheckBox* QuotedLineBreaksBox() const noexcept { return quotedLineBreaks_; }

private:
    void ApplyFileName(const QString& name);
    void ApplyDelimiters();
    void ApplyFlags();

    CController& controller_;
    CFileNameField* file_;
    QCheckBox* tab_;
    QCheckBox* semicolon_;
    QCheckBox* comma_;
    QCheckBox* space_;
    QCheckBox* other_;
    QLineEdit* otherText_;
    QCheckBox* firstRow_;
    QCheckBox* merge_;
    QCheckBox* quotedLineBreaks_;
    bool refreshing_ = false;
};
