#include "CXMLNodePropDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "XMLTreeCommands.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "model/DVFile.h"

namespace {
// Typing is applied once it pauses this long.
constexpr int kTypingDelayMs = 500;
}  // namespace

CXMLNodePropDlg::CXMLNodePropDlg(CController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* form = new QFormLayout(this);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("nodeName"));
    form->addRow(tr("&Name:"), name_);

    auto* types = new QHBoxLayout;
    type_ = new QButtonGroup(this);
    const std::pair<const char*, int> kinds[] = {{"&Element", XMLNode::kElement},
                                                 {"&Attribute", XMLNode::kAttribute},
                                                 {"&Value", XMLNode::kValue}};
    for (auto [label, kind] : kinds) {
        auto* button = new QRadioButton(tr(label), this);
        type_->addButton(button, kind);
        types->addWidget(button);
    }
    types->addStretch(1);
    auto* typeLabel = new QLabel(tr("&Type:"), this);
    typeLabel->setBuddy(type_->button(XMLNode::kElement));
    form->addRow(typeLabel, types);

    column_ = new QComboBox(this);
    column_->setObjectName(QStringLiteral("nodeColumn"));
    form->addRow(tr("&Column:"), column_);

    value_ = new QPlainTextEdit(this);
    value_->setObjectName(QStringLiteral("nodeValue"));
    value_->setTabChangesFocus(true);
    value_->setMinimumHeight(60);
    form->addRow(tr("&Value:"), value_);

    auto* buttons = new QHBoxLayout;
    more_ = new QPushButton(tr("&More Properties..."), this);
    autoText_ = new QPushButton(tr("AutoText..."), this);
    more_->setEnabled(false);
    autoText_->setEnabled(false);
    buttons->addStretch(1);
    buttons->addWidget(autoText_);
    buttons->addWidget(more_);
    form->addRow(buttons);

    nameDelay_.setSingleShot(true);
    nameDelay_.setInterval(kTypingDelayMs);
    valueDelay_.setSingleShot(true);
    valueDelay_.setInterval(kTypingDelayMs);
    connect(&nameDelay_, &QTimer::timeout, this, &CXMLNodePropDlg::ApplyName);
    connect(&valueDelay_, &QTimer::timeout, this, &CXMLNodePropDlg::ApplyValue);
    connect(name_, &QLineEdit::textEdited, this, [this] { nameDelay_.start(); });
    connect(name_, &QLineEdit::editingFinished, this, &CXMLNodePropDlg::ApplyName);
    connect(value_, &QPlainTextEdit::textChanged, this, [this] {
        if (!refreshing_) {
            valueDelay_.start();
        }
    });
    // Toggled, not clicked: arrow keys move the choice too.
    connect(type_, &QButtonGroup::idToggled, this, [this](int kind, bool checked) {
        if (!checked || refreshing_) {
            return;
        }
        CommitEdits();
        if (XMLNode* node = Node(); node && node->SetNodeType(kind)) {
            Changed();
        }
    });
    connect(column_, &QComboBox::activated, this, [this](int index) {
        CommitEdits();
        if (XMLNode* node = Node(); node && node->SetSource(column_->itemData(index).toInt())) {
            Changed();
        }
    });
    connect(more_, &QPushButton::clicked, this, [this] {
        CommitEdits();
        if (moreHandler_) {
            moreHandler_();
        }
    });
    connect(autoText_, &QPushButton::clicked, this, [this] {
        if (!autoTextHandler_) {
            return;
        }
        const QString token = autoTextHandler_();
        if (!token.isEmpty() && Node()) {
            value_->insertPlainText(token);
            valueDelay_.stop();
            ApplyValue();
        }
    });
    setEnabled(false);
}

void CXMLNodePropDlg::SetMorePropertiesHandler(std::function<void()> handler) {
    moreHandler_ = std::move(handler);
    more_->setEnabled(moreHandler_ && hasNode_);
}

void CXMLNodePropDlg::SetAutoTextHandler(std::function<QString()> handler) {
    autoTextHandler_ = std::move(handler);
    autoText_->setEnabled(autoTextHandler_ && hasNode_);
}

XMLNode* CXMLNodePropDlg::Node() const {
    return hasNode_ ? XMLTreeCommands::NodeAt(controller_.Definition().Root(), path_) : nullptr;
}

void CXMLNodePropDlg::SetNode(const XMLNode* node) {
    CommitEdits();
    hasNode_ = node != nullptr;
    path_ = node ? XMLTreeCommands::PathOf(node) : std::string();
    Refresh();
}

void CXMLNodePropDlg::Refresh() {
    refreshing_ = true;
    const XMLNode* node = Node();
    setEnabled(node != nullptr);
    more_->setEnabled(node && moreHandler_);
    autoText_->setEnabled(node && autoTextHandler_);
    const DVFile& definition = controller_.Definition();
    {
        const QSignalBlocker block(column_);
        column_->clear();
        column_->addItem(QString(), 0);
        for (const CSCol& column : definition.Columns()) {
            column_->addItem(QString::fromStdString(column.name), column.id);
        }
        const int found = node ? column_->findData(node->GetSource()) : 0;
        column_->setCurrentIndex(found < 0 ? 0 : found);
    }
    const QString name = node ? QString::fromStdString(node->GetName()) : QString();
    if (name_->text() != name && !nameDelay_.isActive()) {
        name_->setText(name);
    }
    const QString value = node ? QString::fromStdString(node->GetValue()) : QString();
    if (value_->toPlainText() != value && !valueDelay_.isActive()) {
        value_->setPlainText(value);
    }
    const bool root = node && node->GetNodeType() == XMLNode::kDocumentRoot;
    for (QAbstractButton* button : type_->buttons()) {
        button->setEnabled(node && !root);
    }
    if (node && !root) {
        if (QAbstractButton* button = type_->button(node->GetNodeType())) {
            button->setChecked(true);
        }
    } else {
        // No type shown for the document node.
        type_->setExclusive(false);
        for (QAbstractButton* button : type_->buttons()) {
            button->setChecked(false);
        }
        type_->setExclusive(true);
    }
    refreshing_ = false;
}

void CXMLNodePropDlg::CommitEdits() {
    if (nameDelay_.isActive()) {
        nameDelay_.stop();
        ApplyName();
    }
    if (valueDelay_.isActive()) {
        valueDelay_.stop();
        ApplyValue();
    }
}

void CXMLNodePropDlg::ApplyName() {
    nameDelay_.stop();
    XMLNode* node = Node();
    // An empty name is not a name: the node keeps the one it has.
    if (refreshing_ || !node || name_->text().trimmed().isEmpty()) {
        return;
    }
    if (node->SetName(name_->text().toStdString())) {
        Changed();
        // The typing is a step of the program's history now: the field's own
        // undo would only add another.
        const int at = name_->cursorPosition();
        const QSignalBlocker quiet(name_);
        name_->setText(name_->text());
        name_->setCursorPosition(at);
    }
}

void CXMLNodePropDlg::ApplyValue() {
    valueDelay_.stop();
    XMLNode* node = Node();
    if (!refreshing_ && node && node->SetValue(value_->toPlainText().toStdString())) {
        Changed();
        value_->document()->clearUndoRedoStacks();
    }
}

void CXMLNodePropDlg::Changed() {
    controller_.Changed(ChangeCode::kTree);
}
