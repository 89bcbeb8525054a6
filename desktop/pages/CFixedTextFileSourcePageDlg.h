#pragma once

#include <QWidget>
#include <vector>

class CController;
class CFileNameField;
class IPrompter;
class QCheckBox;

// The fixed column text file form: file name, header flag and how to place
// the column breaks in the editor below it.
class CFixedTextFileSourcePageDlg : public QWidget {
    Q_OBJECT

public:
    CFixedTextFileSourcePageDlg(CController& controller, IPrompter& prompter,
                                QWidget* parent = nullptr);

    void Refresh();
    CFileNameField* FileField() const noexcept { return file_; }
    QCheckBox* FirstRowBox() const noexcept { return firstRow_; }

    // Makes the definition's columns follow the breaks (existing columns keep
    // their settings, new ones get generated names), reads their names from
    // the file, and gives Changed(31).
    static void ApplyBreaks(CController& controller, const std::vector<int>& breaks,
                            int lineLength);

private:
    CController& controller_;
    CFileNameField* file_;
    QCheckBox* firstRow_;
    bool refreshing_ = false;
};
