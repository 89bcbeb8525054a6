#pragma once

#include <QWidget>

class DataTypeProperties;
class QButtonGroup;
class QCheckBox;

// Formatting of text values: paragraph and line break tags, case.
class CFormatTextDlg : public QWidget {
    Q_OBJECT

public:
    explicit CFormatTextDlg(QWidget* parent = nullptr);
    void Load(const DataTypeProperties& properties);
    void Store(DataTypeProperties& properties) const;

    QCheckBox* ParagraphBox() const noexcept { return paragraphs_; }
    QCheckBox* LineBreakBox() const noexcept { return lineBreaks_; }
    QButtonGroup* CaseGroup() const noexcept { return case_; }

private:
    QCheckBox* paragraphs_;
    QCheckBox* lineBreaks_;
    QButtonGroup* case_;
};
