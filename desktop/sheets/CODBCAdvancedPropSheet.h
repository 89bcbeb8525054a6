#pragma once

#include <string>

#include "CPropertySheet.h"

class QPlainTextEdit;

// "ODBC Advanced": the connection string the settings make, and the
// additional parameters appended to it.
class CODBCAdvancedPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    explicit CODBCAdvancedPropSheet(SheetContext& context, QWidget* parent = nullptr);
};

class CODBCAdvancedPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CODBCAdvancedPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    // A connection string shown with a line break after each ";".
    static QString Broken(const std::string& text);
    // The additional parameters as stored: without those line breaks.
    static std::string Joined(const QString& text);

    QPlainTextEdit* AutomaticEdit() const noexcept { return automatic_; }
    QPlainTextEdit* AdditionalEdit() const noexcept { return additional_; }

private:
    SheetContext& context_;
    QPlainTextEdit* automatic_;
    QPlainTextEdit* additional_;
};
