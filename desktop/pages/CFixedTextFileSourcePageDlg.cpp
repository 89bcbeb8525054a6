#include "CFixedTextFileSourcePageDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "CFileNameField.h"
#include "CFixedColumnEditor.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "workbench/SourceSettings.h"

CFixedTextFileSourcePageDlg::CFixedTextFileSourcePageDlg(CController& controller,
                                                         IPrompter& prompter, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* layout = new QVBoxLayout(this);
    auto* fileLabel = new QLabel(tr("Fixed column text file &name:"), this);
    file_ = new CFileNameField(prompter, tr("Text Files (*.txt *.csv);;All Files (*)"), {},
                               CFileNameField::Mode::kOpen, this);
    fileLabel->setBuddy(file_->Edit());
    layout->addWidget(fileLabel);
    layout->addWidget(file_);
    firstRow_ = new QCheckBox(tr("&First row has column names"), this);
    layout->addWidget(firstRow_);
    auto* breaks = new QGroupBox(tr("Define column breaks"), this);
    auto* breaksLayout = new QVBoxLayout(breaks);
    auto* instructions = new QLabel(tr("To CREATE a column break, click at the desired position.\n"
                                       "To DELETE a column break, double click on the line.\n"
                                       "To MOVE column break, click and drag the line."),
                                    breaks);
    instructions->setWordWrap(true);
    breaksLayout->addWidget(instructions);
    layout->addWidget(breaks);
    layout->addStretch(1);

    connect(file_, &CFileNameField::FileNameChosen, this, [this](const QString& name) {
        if (!refreshing_ &&
            SourceSettings::SetSourceFileName(controller_.Definition(), name.toStdString())) {
            controller_.Changed(ChangeCode::kSource);
        }
    });
    connect(firstRow_, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_ && SourceSettings::SetFirstRowHasColNames(controller_.Definition(), on)) {
            controller_.Changed(ChangeCode::kSource);
        }
    });
}

void CFixedTextFileSourcePageDlg::Refresh() {
    refreshing_ = true;
    const DVFileSettings& settings = controller_.Definition().Settings();
    file_->SetFileName(QString::fromStdString(settings.sourcefilename));
    {
        const QSignalBlocker block(firstRow_);
        firstRow_->setChecked(settings.firstrowhascolnames);
    }
    refreshing_ = false;
}

void CFixedTextFileSourcePageDlg::ApplyBreaks(CController& controller,
                                              const std::vector<int>& breaks, int lineLength) {
    DVFile& definition = controller.Definition();
    const std::vector<int> widths = CFixedColumnEditor::WidthsForBreaks(breaks, lineLength);
    for (size_t i = 0; i < widths.size(); ++i) {
        if (i < definition.Columns().size()) {
            definition.Column(i).width = widths[i];
        } else {
            CSCol column(QStringLiteral("col%1").arg(i + 1, 3, 10, QLatin1Char('0')).toStdString());
            column.width = widths[i];
            definition.OnColumnAdded(definition.AddColumn(std::move(column)));
        }
    }
    while (definition.Columns().size() > widths.size()) {
        definition.RemoveColumn(definition.Columns().size() - 1);
    }
    // Opening the source names the columns from the header row (or by
    // position) and renames the nodes that carry the old names.
    SourceSettings::ReadColumns(definition);
    controller.Changed(ChangeCode::kSource);
}
