#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTextEdit>
#include <QToolButton>

#include "DesktopProgram.h"
#include "ScriptedPrompter.h"
#include "controller/CController.h"
#include "frame/CDVTabView.h"
#include "frame/CMainFrame.h"
#include "frame/CSettings.h"
#include "model/DVFile.h"
#include "sheets/CImportXMLSchemaDialog.h"
#include "sheets/CODBCAdvancedPropSheet.h"
#include "sheets/CSourceColumnPropSheet.h"
#include "sheets/CSourceFiltersPropSheet.h"
#include "sheets/CSourceOptionsPropSheet.h"
#include "sheets/CSourceSortPropSheet.h"
#include "sheets/CXMLNodePropSheet.h"
#include "sheets/CXMLOutputPropSheet.h"
#include "sheets/CXMLTargetPropSheet.h"

namespace {

// The name a screen reader announces for a field: its accessible name, or
// the text of the label whose buddy it is (Qt looks among the siblings).
QString SpokenName(const QWidget* widget) {
    if (!widget->accessibleName().isEmpty()) {
        return widget->accessibleName();
    }
    if (const QWidget* parent = widget->parentWidget()) {
        for (const QObject* child : parent->children()) {
            const auto* label = qobject_cast<const QLabel*>(child);
            if (label && label->buddy() == widget && !label->text().isEmpty()) {
                return label->text();
            }
        }
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    return {};
}

bool IsInput(const QWidget* widget) {
    // The line edit and list inside a combo or spin box are spoken as their
    // owner.
    for (const QWidget* owner = widget->parentWidget(); owner; owner = owner->parentWidget()) {
        if (qobject_cast<const QComboBox*>(owner) || qobject_cast<const QAbstractSpinBox*>(owner)) {
            return false;
        }
    }
    // Header views, the corner button and toolbar extensions belong to their
    // owners; tool buttons carry their action's text.
    if (qobject_cast<const QHeaderView*>(widget) ||
        QByteArray(widget->metaObject()->className()).startsWith("QTableCorner") ||
        qobject_cast<const QToolButton*>(widget)) {
        return false;
    }
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QAbstractButton*>(widget);
}

// Every input below root without a name, as "Class objectName" entries.
std::string Unnamed(const QWidget* root) {
    QStringList missing;
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        if (IsInput(widget) && SpokenName(widget).remove('&').trimmed().isEmpty()) {
            missing << QString::fromLatin1(widget->metaObject()->className()) + ' ' +
                           widget->objectName();
        }
    }
    return missing.join(", ").toStdString();
}

}  // namespace

TEST(AccessibleNamesTest, EveryInputOfEveryPageHasOne) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tarnwright", "Datavane").clear();
    CController controller;
    ScriptedPrompter prompter;
    CSettings settings;
    std::unique_ptr<CMainFrame> frame = CreateMainFrame(controller, prompter, settings);
    controller.New();
    for (int i = 0; i < frame->Tabs()->count(); ++i) {
        EXPECT_EQ(Unnamed(frame->Tabs()->widget(i)), "") << frame->Tabs()->tabText(i).toStdString();
    }
}

TEST(AccessibleNamesTest, EveryInputOfEverySheetHasOne) {
    CController controller;
    controller.New();
    DVFile& definition = controller.Definition();
    definition.AddColumn(CSCol("id"));
    definition.Root().AddChild("order", XMLNode::kElement);
    controller.Changed(0);
    ScriptedPrompter prompter;
    SheetContext context{controller, prompter, {}};
    std::vector<std::unique_ptr<QDialog>> sheets;
    sheets.push_back(std::make_unique<CSourceColumnPropSheet>(context, 0));
    sheets.push_back(std::make_unique<CSourceFiltersPropSheet>(context));
    sheets.push_back(std::make_unique<CSourceSortPropSheet>(context));
    sheets.push_back(std::make_unique<CSourceOptionsPropSheet>(context));
    sheets.push_back(std::make_unique<CODBCAdvancedPropSheet>(context));
    sheets.push_back(std::make_unique<CXMLNodePropSheet>(context, "0"));
    sheets.push_back(std::make_unique<CXMLOutputPropSheet>(context));
    sheets.push_back(std::make_unique<CXMLTargetPropSheet>(context));
    sheets.push_back(std::make_unique<CImportXMLSchemaDialog>(context));
    for (const auto& sheet : sheets) {
        EXPECT_EQ(Unnamed(sheet.get()), "") << sheet->windowTitle().toStdString();
    }
}
