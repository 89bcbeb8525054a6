#include "CSourceTypePageDlg.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "model/DVFileSettings.h"

CSourceTypePageDlg::CSourceTypePageDlg(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Choose a source type:"), this));
    group_ = new QButtonGroup(this);
    const struct {
        const char* label;
        int type;
    } types[] = {
        {"&Delimited Text File", DVFileSettings::kDelimitedText},
        {"&Fixed Column Text File", DVFileSettings::kFixedWidthText},
        {"&Excel Workbook", DVFileSettings::kExcel},
        {"&Access Database", DVFileSettings::kAccess},
        {"Data&base (ODBC)", DVFileSettings::kOdbc},
    };
    for (const auto& t : types) {
        auto* button = new QRadioButton(tr(t.label), this);
        button->setObjectName(QStringLiteral("sourceType%1").arg(t.type));
        group_->addButton(button, t.type);
        layout->addWidget(button);
    }
    layout->addSpacing(12);
    layout->addWidget(new QLabel(tr("Description:"), this));
    description_ = new QLabel(this);
    description_->setObjectName(QStringLiteral("description"));
    description_->setWordWrap(true);
    description_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(description_);
    layout->addStretch(1);
    // Toggled, not clicked: arrow keys move the choice too.
    connect(group_, &QButtonGroup::idToggled, this, [this](int type, bool checked) {
        if (checked) {
            description_->setText(Description(type));
            emit SourceTypeChosen(type);
        }
    });
}

void CSourceTypePageDlg::SetSourceType(int type) {
    if (QAbstractButton* button = group_->button(type)) {
        const QSignalBlocker block(group_);
        button->setChecked(true);
    }
    description_->setText(Description(type));
}

int CSourceTypePageDlg::SourceType() const {
    return group_->checkedId();
}

QString CSourceTypePageDlg::Description(int type) {
    switch (type) {
        case DVFileSettings::kDelimitedText:
            return tr(
                "Delimited Text Files use one or more characters to separate columns of "
                "data, such as commas or tabs.\n\nEnter the name of your text file, then "
                "select the delimiting characters that separate the columns.");
        case DVFileSettings::kFixedWidthText:
            return tr(
                "Fixed column text files have columns with the same width in every row.\n\n"
                "Enter the name of your text file, then define the columns in the source "
                "preview.");
        case DVFileSettings::kOdbc:
            return tr(
                "Open Database Connectivity (ODBC) is a standard way of connecting to may "
                "types of databases, and other files such as spreadsheets.\n\nSelect the "
                "database driver from the list, then select a data Source Name (DSN).\n\n"
                "Press the Test button to check that Datavane can connect to your "
                "database.");
        case DVFileSettings::kExcel:
            return tr(
                "Transform a Microsoft Excel Workbook.\n\nEnter the name of your workbook, "
                "then click on the Selection tab to choose the data you want to convert.");
        case DVFileSettings::kAccess:
            return tr(
                "Transform a Microsoft Access database.\n\nEnter the name of your Access "
                "database, then click on the Selection tab to choose the data you want to "
                "convert.");
        default:
            return {};
    }
}
