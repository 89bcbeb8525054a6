#pragma once

#include <functional>

#include "CDVPage.h"

class CSPanel;
class CSQLQueryPageDlg;
class CSourceColumnsListView;
class CSourceTableListView;
class IPrompter;

// Tab 2, "Selection": for database sources the table or query with a
// preview of its first rows; for every source the column list.
class CDataSelectionPage : public CDVPage<CDataSelectionPage> {
public:
    CDataSelectionPage(CController& controller, IPrompter& prompter, CSettings& settings,
                       QWidget* parent = nullptr);

    void OnUpdate(int32_t code);
    void CommitEdits() override;
    void SetColumnPropertiesHandler(std::function<void(int columnIndex)> handler);

    CSQLQueryPageDlg* QueryForm() const noexcept { return query_; }
    CSourceTableListView* TablePreview() const noexcept { return table_; }
    CSourceColumnsListView* ColumnList() const noexcept { return columns_; }
    QWidget* DatabasePanels() const noexcept { return database_; }

private:
    CSQLQueryPageDlg* query_;
    CSourceTableListView* table_;
    CSourceColumnsListView* columns_;
    QWidget* database_;
};
