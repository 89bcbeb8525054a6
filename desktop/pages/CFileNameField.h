#pragma once

#include <QWidget>

class IPrompter;
class QLineEdit;
class QPushButton;

// A file name edit with its "&Browse..." button. FileNameChosen comes when
// the user finished editing a changed name or picked a file.
class CFileNameField : public QWidget {
    Q_OBJECT

public:
    enum class Mode { kOpen, kSave };

    CFileNameField(IPrompter& prompter, QString filter, QString defaultSuffix, Mode mode,
                   QWidget* parent = nullptr);

    void SetFileName(const QString& name);  // without signalling
    QString FileName() const;
    void SetFilter(const QString& filter) { filter_ = filter; }
    QLineEdit* Edit() const noexcept { return edit_; }
    QPushButton* BrowseButton() const noexcept { return browse_; }

signals:
    void FileNameChosen(const QString& name);

private:
    void Browse();
    void Finish();

    IPrompter& prompter_;
    QString filter_;
    QString suffix_;
    Mode mode_;
    QLineEdit* edit_;
    QPushButton* browse_;
    QString applied_;
};
