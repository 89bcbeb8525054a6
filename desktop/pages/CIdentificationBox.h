#pragma once

#include <QGroupBox>

class DVFile;
struct DVFileSettings;
class QLineEdit;

// The user name and password a database source connects with.
class CIdentificationBox : public QGroupBox {
    Q_OBJECT

public:
    explicit CIdentificationBox(QWidget* parent = nullptr);

    QLineEdit* UserEdit() const noexcept { return user_; }
    QLineEdit* PasswordEdit() const noexcept { return password_; }
    // Shows the definition's values (leaving fields alone that hold them).
    void Show(const DVFileSettings& settings);
    // Whether the definition changed.
    bool ApplyTo(DVFile& definition) const;

signals:
    // Either field was edited.
    void Edited();

private:
    QLineEdit* user_;
    QLineEdit* password_;
};
