#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

class CController;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class XMLNode;

// "XML Node Properties": name, type, column and value of the selected node.
// Each edit updates the node and gives Changed(3); typing is applied when it
// pauses or the field is left.
class CXMLNodePropDlg : public QWidget {
    Q_OBJECT

public:
    explicit CXMLNodePropDlg(CController& controller, QWidget* parent = nullptr);

    // The node to edit, by its place in the tree; empty path and none for no
    // node.
    void SetNode(const XMLNode* node);
    void Refresh();
    void CommitEdits();
    // The node property sheet and the AutoText chooser (which returns the
    // token to insert, or nothing).
    void SetMorePropertiesHandler(std::function<void()> handler);
    void SetAutoTextHandler(std::function<QString()> handler);

    QLineEdit* NameEdit() const noexcept { return name_; }
    QButtonGroup* TypeGroup() const noexcept { return type_; }
    QComboBox* ColumnBox() const noexcept { return column_; }
    QPlainTextEdit* ValueEdit() const noexcept { return value_; }
    QPushButton* MorePropertiesButton() const noexcept { return more_; }
    QPushButton* AutoTextButton() const noexcept { return autoText_; }

private:
    XMLNode* Node() const;
    void ApplyName();
    void ApplyValue();
    void Changed();

    CController& controller_;
    std::string path_;
    bool hasNode_ = false;
    QLineEdit* name_;
    QButtonGroup* type_;
    QComboBox* column_;
    QPlainTextEdit* value_;
    QPushButton* more_;
    QPushButton* autoText_;
    QTimer nameDelay_;
    QTimer valueDelay_;
    std::function<void()> moreHandler_;
    std::function<QString()> autoTextHandler_;
    bool refreshing_ = false;
};
