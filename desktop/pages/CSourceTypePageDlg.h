#pragma once

#include <QWidget>

class QButtonGroup;
class QLabel;

// "Choose a source type:" with the five types and the description of the
// chosen one.
class CSourceTypePageDlg : public QWidget {
    Q_OBJECT

public:
    explicit CSourceTypePageDlg(QWidget* parent = nullptr);

    void SetSourceType(int type);
    int SourceType() const;
    static QString Description(int type);

signals:
    // The user chose another type.
    void SourceTypeChosen(int type);

private:
    QButtonGroup* group_;
    QLabel* description_;
};
