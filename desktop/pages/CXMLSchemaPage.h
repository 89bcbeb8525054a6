#pragma once

#include <functional>

#include "CDVPage.h"

class CXMLNodePropDlg;
class CXMLSchemaView;
class IPrompter;
class CSourceColumnsListView;
class QToolBar;

// Tab 3, "Target": the source columns, the XML tree with its commands and
// the properties of the selected node.
class CXMLSchemaPage : public CDVPage<CXMLSchemaPage> {
public:
    CXMLSchemaPage(CController& controller, IPrompter& prompter, CSettings& settings,
                   QWidget* parent = nullptr);

    void OnUpdate(int32_t code);
    bool HandleCommand(int id) override;
    bool CanHandleCommand(int id) const override;
    void CommitEdits() override;
    QString ViewState() const override;
    void RestoreViewState(const QString& state) override;
    // Commands the page's toolbar offers that others carry out (Node
    // Properties, Import, XML Options).
    void SetCommandHandler(int id, std::function<void()> handler);

    CXMLSchemaView* Tree() const noexcept { return tree_; }
    CXMLNodePropDlg* NodePanel() const noexcept { return node_; }
    CSourceColumnsListView* ColumnList() const noexcept { return columns_; }
    QToolBar* Tools() const noexcept { return tools_; }

private:
    void RefreshColumns();

    CXMLSchemaView* tree_;
    CXMLNodePropDlg* node_;
    CSourceColumnsListView* columns_;
    QToolBar* tools_;
    std::map<int, std::function<void()>> handlers_;
};
