#include "CXMLNodePropSheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CDataTypeFormatBox.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"
#include "pages/XMLTreeCommands.h"

namespace {

XMLNode* NodeAt(SheetContext& context, const std::string& path) {
    return XMLTreeCommands::NodeAt(context.controller.Definition().Root(), path);
}

QButtonGroup* RadioGroup(QWidget* parent, QBoxLayout* layout,
                         std::initializer_list<std::pair<const char*, int>> buttons, int checked) {
    auto* group = new QButtonGroup(parent);
    for (auto [label, id] : buttons) {
        auto* button = new QRadioButton(QObject::tr(label), parent);
        group->addButton(button, id);
        layout->addWidget(button);
    }
    if (QAbstractButton* button = group->button(checked)) {
        button->setChecked(true);
    }
    return group;
}

}  // namespace

QString CXMLNodePropSheet::TitleFor(const XMLNode* node) {
    return node ? QObject::tr("%1 Properties").arg(QString::fromStdString(node->GetName()))
                : QObject::tr("Properties");
}

CXMLNodePropSheet::CXMLNodePropSheet(SheetContext& context, const std::string& nodePath,
                                     QWidget* parent)
    : CPropertySheet(TitleFor(NodeAt(context, nodePath)), context, ChangeCode::kTree,
                     HelpTopic::kNodeSheet, parent) {
    AddPage(new CXMLNodeBehaviourPropPage(context, nodePath, this));
    AddPage(new CXMLNodeFormatPropPage(context, nodePath, this));
    AddPage(new CXMLNodeOutputPropPage(context, nodePath, this));
}

CXMLNodeBehaviourPropPage::CXMLNodeBehaviourPropPage(SheetContext& context,
                                                     const std::string& nodePath, QWidget* parent)
    : CPropertyPage(tr("Behaviour"), parent), context_(context), path_(nodePath) {
    const XMLNode* node = NodeAt(context, nodePath);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    group_ = new QComboBox(this);
    group_->addItem(QString(), 0);
    for (const CSCol& column : context.controller.Definition().Columns()) {
        group_->addItem(QString::fromStdString(column.name), column.id);
    }
    const int found = node ? group_->findData(node->GetGroup()) : 0;
    group_->setCurrentIndex(found < 0 ? 0 : found);
    form->addRow(tr("&Group by:"), group_);
    layout->addLayout(form);
    auto* skip = new QGroupBox(tr("Skip if value is:"), this);
    auto* skipLayout = new QHBoxLayout(skip);
    empty_ = new QCheckBox(tr("E&mpty"), skip);
    zero_ = new QCheckBox(tr("&Zero"), skip);
    duplicate_ = new QCheckBox(tr("Dupli&cate"), skip);
    for (QCheckBox* box : {empty_, zero_, duplicate_}) {
        skipLayout->addWidget(box);
    }
    skipLayout->addStretch(1);
    layout->addWidget(skip);
    auto* scope = new QGroupBox(tr("&Scope:"), this);
    auto* scopeLayout = new QHBoxLayout(scope);
    scope_ = RadioGroup(scope, scopeLayout,
                        {{"&Row", XMLNode::kRowScope},
                         {"&Document", XMLNode::kDocumentScope},
                         {"&Header", XMLNode::kHeaderScope},
                         {"&Footer", XMLNode::kFooterScope}},
                        node ? node->GetScope() : XMLNode::kRowScope);
    scopeLayout->addStretch(1);
    layout->addWidget(scope);
    layout->addStretch(1);
    if (node) {
        empty_->setChecked(node->GetSkipIfEmpty());
        zero_->setChecked(node->GetSkipIfZero());
        duplicate_->setChecked(node->GetSkipIfDuplicate());
    }
    setEnabled(node && node->GetNodeType() != XMLNode::kDocumentRoot);
}

bool CXMLNodeBehaviourPropPage::Apply() {
    XMLNode* node = NodeAt(context_, path_);
    if (!node || node->GetNodeType() == XMLNode::kDocumentRoot) {
        return false;
    }
    bool changed = node->SetScope(scope_->checkedId());
    changed = node->SetGroup(group_->currentData().toInt()) || changed;
    changed = node->SetSkipIfEmpty(empty_->isChecked()) || changed;
    changed = node->SetSkipIfZero(zero_->isChecked()) || changed;
    changed = node->SetSkipIfDuplicate(duplicate_->isChecked()) || changed;
    return changed;
}

CXMLNodeFormatPropPage::CXMLNodeFormatPropPage(SheetContext& context, const std::string& nodePath,
                                               QWidget* parent)
    : CPropertyPage(tr("Format"), parent), context_(context), path_(nodePath) {
    auto* layout = new QVBoxLayout(this);
    format_ = new CDataTypeFormatBox(this);
    format_->SetRegionalSetting(context.controller.Definition().Settings().locale);
    if (const XMLNode* node = NodeAt(context, nodePath)) {
        format_->Load(node->DataType());
    }
    layout->addWidget(format_);
}

bool CXMLNodeFormatPropPage::Apply() {
    XMLNode* node = NodeAt(context_, path_);
    if (!node) {
        return false;
    }
    const DataTypeProperties edited = format_->Edited();
    if (node->DataType() == edited) {
        return false;
    }
    node->DataType() = edited;
    return true;
}

CXMLNodeOutputPropPage::CXMLNodeOutputPropPage(SheetContext& context, const std::string& nodePath,
                                               QWidget* parent)
    : CPropertyPage(tr("Output"), parent), context_(context), path_(nodePath) {
    const XMLNode* node = NodeAt(context, nodePath);
    auto* layout = new QVBoxLayout(this);
    auto* valueType = new QGroupBox(tr("&Value Type"), this);
    auto* valueLayout = new QVBoxLayout(valueType);
    valueType_ = RadioGroup(valueType, valueLayout,
                            {{"&Normal", XMLNode::kNormalText},
                             {"&CDATA Section", XMLNode::kCDataSection},
                             {"&Disable Output Escaping", XMLNode::kDisableOutputEscaping}},
                            node ? node->GetOutputType() : XMLNode::kNormalText);
    layout->addWidget(valueType);
    isEmpty_ = new QCheckBox(tr("Element is EMPTY (e.g. <BR/>)"), this);
    isEmpty_->setChecked(node && node->GetIsEmpty());
    layout->addWidget(isEmpty_);
    layout->addStretch(1);
    // Attributes are always normal text and never EMPTY.
    const bool attribute = node && node->GetNodeType() == XMLNode::kAttribute;
    valueType->setEnabled(!attribute);
    isEmpty_->setEnabled(node && node->GetNodeType() == XMLNode::kElement);
}

bool CXMLNodeOutputPropPage::Apply() {
    XMLNode* node = NodeAt(context_, path_);
    if (!node) {
        return false;
    }
    bool changed = node->SetOutputType(valueType_->checkedId());
    changed = node->SetIsEmpty(isEmpty_->isChecked()) || changed;
    return changed;
}
