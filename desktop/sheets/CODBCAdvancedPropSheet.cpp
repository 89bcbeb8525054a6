#include "CODBCAdvancedPropSheet.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"
#include "workbench/DatabaseCatalog.h"

CODBCAdvancedPropSheet::CODBCAdvancedPropSheet(SheetContext& context, QWidget* parent)
    : CPropertySheet(tr("ODBC Advanced"), context, ChangeCode::kSource,
                     HelpTopic::kOdbcAdvancedSheet, parent) {
    AddPage(new CODBCAdvancedPropPage(context, this));
}

QString CODBCAdvancedPropPage::Broken(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(';', QLatin1String(";\n"));
    return shown;
}

std::string CODBCAdvancedPropPage::Joined(const QString& text) {
    QString joined = text;
    joined.replace(QRegularExpression(QStringLiteral(";[ \\t]*\\r?\\n")), QStringLiteral(";"));
    return joined.toStdString();
}

CODBCAdvancedPropPage::CODBCAdvancedPropPage(SheetContext& context, QWidget* parent)
    : CPropertyPage(tr("Connection String"), parent), context_(context) {
    const DVFile& definition = context.controller.Definition();
    // The automatic part alone: the settings without the additional text,
    // and no password on the screen.
    DVFile automatic = definition;
    automatic.SetAdditionalConnectionParameters("");
    if (!automatic.Settings().password.empty()) {
        automatic.SetPassword("********");
    }
    const std::string connection = DatabaseCatalog::ConnectionString(automatic);
    auto* layout = new QVBoxLayout(this);
    auto* automaticLabel = new QLabel(tr("Automatic &Connection String"), this);
    automatic_ = new QPlainTextEdit(Broken(connection), this);
    automatic_->setReadOnly(true);
    automaticLabel->setBuddy(automatic_);
    auto* additionalLabel = new QLabel(tr("&Additional connection string parameters"), this);
    additional_ =
        new QPlainTextEdit(Broken(definition.Settings().additionalConnectionParameters), this);
    additionalLabel->setBuddy(additional_);
    layout->addWidget(automaticLabel);
    layout->addWidget(automatic_, 1);
    layout->addWidget(additionalLabel);
    layout->addWidget(additional_, 1);
}

bool CODBCAdvancedPropPage::Apply() {
    return context_.controller.Definition().SetAdditionalConnectionParameters(
        Joined(additional_->toPlainText()));
}
