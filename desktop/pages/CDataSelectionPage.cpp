#include "CDataSelectionPage.h"

#include <QVBoxLayout>

#include "CBackgroundTask.h"
#include "CSPanel.h"
#include "CSQLQueryPageDlg.h"
#include "CSourceColumnsListView.h"
#include "CSourceTableListView.h"
#include "ChangeLevels.h"
#include "frame/HelpTopics.h"

CDataSelectionPage::CDataSelectionPage(CController& controller, IPrompter& prompter,
                                       CSettings& settings, QWidget* parent)
    : CDVPage(controller, settings, HelpTopic::kSelectionPage, parent) {
    setObjectName(QStringLiteral("SelectionPage"));
    query_ = new CSQLQueryPageDlg(controller, prompter, this);
    table_ = new CSourceTableListView(this);
    columns_ = new CSourceColumnsListView(this);

    QSplitter* outer = MakeSplitter(Qt::Vertical, QStringLiteral("SelectionPage"), {320, 300});
    QSplitter* top = MakeSplitter(Qt::Horizontal, QStringLiteral("SelectionPageTop"), {380, 620});
    top->addWidget(new CSPanel(tr("Table Selection"), query_, top));
    top->addWidget(new CSPanel(tr("Preview ( first 100 rows )"), table_, top));
    database_ = top;
    outer->addWidget(top);
    outer->addWidget(new CSPanel(tr("Source Columns ( double click to edit )"), columns_, outer));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(outer);
    RestoreSplitters();
}

void CDataSelectionPage::SetColumnPropertiesHandler(std::function<void(int)> handler) {
    columns_->SetPropertiesHandler(std::move(handler));
}

void CDataSelectionPage::CommitEdits() {
    query_->CommitEdits();
}

void CDataSelectionPage::OnUpdate(int32_t code) {
    const DVFile& definition = Controller().Definition();
    const int type = definition.Settings().sourcetype;
    const bool database = DVFileSettings::IsDatabase(type);
    database_->setVisible(database);
    if (database) {
        query_->Refresh(Reaches(code, ChangeCode::kSource));
        if (Reaches(code, ChangeCode::kSelection)) {
            table_->Update(definition);
        }
    } else {
        table_->Cancel();
        query_->CancelTables();
    }
    if (Reaches(code, ChangeCode::kSelection)) {
        columns_->Refresh(definition);
    }
}
