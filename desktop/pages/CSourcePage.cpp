#include "CSourcePage.h"

#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "CDelimitedTextFileSourcePageDlg.h"
#include "CFixedColumnEditor.h"
#include "CFixedTextFileSourcePageDlg.h"
#include "CODBCFileSourcePageDlg.h"
#include "CODBCSourcePageDlg.h"
#include "CSPanel.h"
#include "CSourceTextPreview.h"
#include "CSourceTypePageDlg.h"
#include "ChangeLevels.h"
#include "frame/HelpTopics.h"
#include "workbench/SourceSettings.h"

namespace {

// Forms scroll when the window is small.
QScrollArea* Scrolling(QWidget* form, QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setWidget(form);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

}  // namespace

CSourcePage::CSourcePage(CController& controller, IPrompter& prompter, CSettings& settings,
                         QWidget* parent)
    : CDVPage(controller, settings, HelpTopic::kSourcePage, parent) {
    setObjectName(QStringLiteral("SourcePage"));
    type_ = new CSourceTypePageDlg(this);
    delimited_ = new CDelimitedTextFileSourcePageDlg(controller, prompter, this);
    fixed_ = new CFixedTextFileSourcePageDlg(controller, prompter, this);
    odbc_ = new CODBCSourcePageDlg(controller, prompter, this);
    file_ = new CODBCFileSourcePageDlg(controller, prompter, this);
    forms_ = new QStackedWidget(this);
    for (QWidget* form : {static_cast<QWidget*>(delimited_), static_cast<QWidget*>(fixed_),
                          static_cast<QWidget*>(odbc_), static_cast<QWidget*>(file_)}) {
        forms_->addWidget(Scrolling(form, forms_));
    }
    preview_ = new CSourceTextPreview(this);
    editor_ = new CFixedColumnEditor(this);
    preview_->setAccessibleName(tr("Source Preview"));
    editor_->setAccessibleName(tr("Column breaks"));
    previews_ = new QStackedWidget(this);
    previews_->addWidget(preview_);
    previews_->addWidget(editor_);

    QSplitter* outer = MakeSplitter(Qt::Horizontal, QStringLiteral("SourcePage"), {260, 740});
    outer->addWidget(new CSPanel(tr("Source Type"), Scrolling(type_, this), outer));
    QSplitter* right = MakeSplitter(Qt::Vertical, QStringLiteral("SourcePageRight"), {300, 360});
    formPanel_ = new CSPanel(QString(), forms_, right);
    previewPanel_ = new CSPanel(tr("Source Preview"), previews_, right);
    right->addWidget(formPanel_);
    right->addWidget(previewPanel_);
    outer->addWidget(right);
    outer->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(outer);
    RestoreSplitters();

    connect(type_, &CSourceTypePageDlg::SourceTypeChosen, this, [this](int type) {
        if (SourceSettings::SetSourceType(Controller().Definition(), type)) {
            Controller().Changed(ChangeCode::kSourceType);
        }
    });
    connect(preview_, &CSourceTextPreview::TextLoaded, this, [this](const QString& text) {
        editor_->SetText(text);
        UpdateBreaks();
    });
    connect(
        editor_, &CFixedColumnEditor::BreaksChanged, this, [this](const std::vector<int>& breaks) {
            CFixedTextFileSourcePageDlg::ApplyBreaks(Controller(), breaks, editor_->LineLength());
        });
}

QWidget* CSourcePage::CurrentForm() const {
    auto* area = static_cast<QScrollArea*>(forms_->currentWidget());
    return area ? area->widget() : nullptr;
}

void CSourcePage::ShowType(int type) {
    type_->SetSourceType(type);
    QWidget* form = delimited_;
    QString title = tr("Delimited Text File Properties");
    switch (type) {
        case DVFileSettings::kFixedWidthText:
            form = fixed_;
            title = tr("Fixed Column Text File Properties");
            break;
        case DVFileSettings::kOdbc:
            form = odbc_;
            title = tr("ODBC Connection Properties");
            break;
        case DVFileSettings::kExcel:
        case DVFileSettings::kAccess:
            form = file_;
            title = tr("ODBC File Properties");
            break;
        default:
            break;
    }
    for (int i = 0; i < forms_->count(); ++i) {
        if (static_cast<QScrollArea*>(forms_->widget(i))->widget() == form) {
            forms_->setCurrentIndex(i);
        }
    }
    formPanel_->SetTitle(title);
    const bool fixed = type == DVFileSettings::kFixedWidthText;
    const bool text = fixed || type == DVFileSettings::kDelimitedText;
    previewPanel_->setVisible(text);
    previewPanel_->SetTitle(fixed ? tr("Source Preview ( lines with arrows signify column breaks )")
                                  : tr("Source Preview"));
    previews_->setCurrentWidget(fixed ? static_cast<QWidget*>(editor_) : preview_);
}

void CSourcePage::UpdateBreaks() {
    std::vector<int> widths;
    for (const CSCol& column : Controller().Definition().Columns()) {
        widths.push_back(column.width);
    }
    editor_->SetBreaks(CFixedColumnEditor::BreaksForWidths(widths));
}

void CSourcePage::OnUpdate(int32_t code) {
    const DVFile& definition = Controller().Definition();
    const int type = definition.Settings().sourcetype;
    ShowType(type);
    delimited_->Refresh();
    fixed_->Refresh();
    odbc_->Refresh();
    file_->Refresh();
    if (Reaches(code, ChangeCode::kSource)) {
        preview_->Update(definition);
        UpdateBreaks();
    }
}
