// A whole definition built in the real main window, as a user builds it:
// source file, columns, the nodes added for them, save, and the runner
// converting the saved definition to what the Output tab previewed.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTabBar>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "DesktopProgram.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "frame/CDVTabView.h"
#include "frame/CMainFrame.h"
#include "frame/CSettings.h"
#include "pages/CBackgroundTask.h"
#include "pages/CDataSelectionPage.h"
#include "pages/CDelimitedTextFileSourcePageDlg.h"
#include "pages/CFileNameField.h"
#include "pages/COutputTextPreview.h"
#include "pages/CSourceColumnsListView.h"
#include "pages/CSourcePage.h"
#include "pages/CXMLOutputPage.h"
#include "pages/CXMLSchemaPage.h"
#include "pages/CXMLSchemaView.h"
#include "pages/CXMLTreeModel.h"
#include "workbench/SourceReading.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

void ClickTab(CMainFrame& frame, int index) {
    QTabBar* bar = frame.Tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    ASSERT_EQ(frame.Tabs()->currentIndex(), index);
}

void TypeInto(QLineEdit* edit, const QString& text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

int RunDvrun(const std::string& definition, const std::string& target) {
    const std::string command =
        "'" DV_DVRUN "' '" + definition + "' /t '" + target + "' /l /dev/null >/dev/null 2>&1";
    return std::system(command.c_str());
}

}  // namespace

TEST(DvWorkflowTest, FromNewToTheRunnersOutput) {
    TempDir dir;
    std::filesystem::copy_file(DV_EXAMPLES_DIR "/orders.csv", dir.File("orders.csv"));
    CController controller;
    ScriptedPrompter prompter;
    CSettings settings;
    std::unique_ptr<CMainFrame> frame = CreateMainFrame(controller, prompter, settings);
    controller.New();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->activateWindow();
    // Without a window manager the window may never count as active.
    (void)QTest::qWaitForWindowActive(frame.get(), 2000);
    EXPECT_EQ(frame->windowTitle(), "Transform1 - Tarnwright Datavane");

    // Source: the example's orders.
    auto* source = static_cast<CSourcePage*>(frame->Tabs()->Page(0));
    TypeInto(source->DelimitedForm()->FileField()->Edit(),
             QString::fromStdString(dir.File("orders.csv")));
    ASSERT_EQ(controller.Definition().Columns().size(), 8u);

    // Selection: the eight columns.
    ClickTab(*frame, 1);
    auto* selection = static_cast<CDataSelectionPage*>(frame->Tabs()->Page(1));
    ASSERT_EQ(selection->ColumnList()->topLevelItemCount(), 8);
    EXPECT_EQ(selection->ColumnList()->topLevelItem(0)->text(0), "OrderId");

    // Target: a row element with one element per column, added with them.
    ClickTab(*frame, 2);
    auto* target = static_cast<CXMLSchemaPage*>(frame->Tabs()->Page(2));
    CXMLTreeModel* model = target->Tree()->Model();
    const QModelIndex root = model->IndexForNode(&controller.Definition().Root());
    ASSERT_EQ(model->rowCount(root), 1);
    const QModelIndex row = model->index(0, 0, root);
    EXPECT_EQ(model->data(row).toString(), "<row>");
    ASSERT_EQ(model->rowCount(row), 8);
    EXPECT_EQ(model->data(model->index(1, 0, row)).toString(), "<OrderDate> OrderDate");

    // Output: a target file, then the preview.
    ClickTab(*frame, 3);
    auto* output = static_cast<CXMLOutputPage*>(frame->Tabs()->Page(3));
    TypeInto(output->FileField()->Edit(), QString::fromStdString(dir.File("out.xml")));
    frame->ExecuteCommand(0);  // any command applies what was typed
    ASSERT_TRUE(output->Preview()->Task().WaitForIdle());
    const QString preview = output->Preview()->toPlainText();
    ASSERT_TRUE(preview.contains("<OrderId>10001</OrderId>")) << preview.left(400).toStdString();

    // Save with Ctrl+S (untitled, so Save As asks where).
    const std::string saved = dir.File("orders-built.dv");
    prompter.fileNames = {QString::fromStdString(saved)};
    QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(frame->windowTitle(), "orders-built - Tarnwright Datavane");

    // The runner writes what the Output tab showed, row for row.
    ASSERT_EQ(RunDvrun(saved, dir.File("run.xml")), 0);
    QString written = QString::fromStdString(SourceReading::ReadSourceText(dir.File("run.xml")));
    written.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList previewLines = preview.split('\n');
    const QStringList writtenLines = written.split('\n');
    ASSERT_GT(previewLines.size(), 100);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(writtenLines.value(i), previewLines.value(i)) << "line " << i + 1;
    }
}

// A real drag with the mouse, as the window system delivers it (xdotool
// moves the pointer): two columns from the Target tab's list onto the
// document element become two elements bound to them, in one undo step.
TEST(DvWorkflowTest, ColumnsDraggedWithTheMouseBecomeElements) {
    TempDir dir;
    std::filesystem::copy_file(DV_EXAMPLES_DIR "/orders.csv", dir.File("orders.csv"));
    CController controller;
    ScriptedPrompter prompter;
    CSettings settings;
    std::unique_ptr<CMainFrame> frame = CreateMainFrame(controller, prompter, settings);
    controller.New();
    controller.Definition().SetAutoAddNodes(false);
    frame->move(0, 0);
    frame->resize(1100, 750);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    auto* source = static_cast<CSourcePage*>(frame->Tabs()->Page(0));
    TypeInto(source->DelimitedForm()->FileField()->Edit(),
             QString::fromStdString(dir.File("orders.csv")));
    ASSERT_EQ(controller.Definition().Columns().size(), 8u);
    ClickTab(*frame, 2);
    auto* target = static_cast<CXMLSchemaPage*>(frame->Tabs()->Page(2));
    CSourceColumnsListView* list = target->ColumnList();
    ASSERT_EQ(list->topLevelItemCount(), 8);
    // OrderId and Customer selected; the drag starts on Customer.
    list->clearSelection();
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(2)->setSelected(true);
    CXMLSchemaView* tree = target->Tree();
    const QModelIndex document = tree->Model()->IndexForNode(&controller.Definition().Root());
    const QPoint from =
        list->viewport()->mapToGlobal(list->visualItemRect(list->topLevelItem(2)).center());
    const QPoint to = tree->viewport()->mapToGlobal(tree->visualRect(document).center());
    const size_t depth = controller.UndoDepth();

    QProcess xdotool;
    auto at = [](const QPoint& p) {
        return QStringList{QString::number(p.x()), QString::number(p.y())};
    };
    QStringList script = QStringList{"mousemove"} + at(from) +
                         QStringList{"sleep", "0.3", "mousedown", "1", "sleep", "0.3"};
    for (int step = 1; step <= 8; ++step) {
        const QPoint p = from + (to - from) * step / 8;
        script += QStringList{"mousemove"} + at(p) + QStringList{"sleep", "0.1"};
    }
    script += QStringList{"sleep", "0.4", "mouseup", "1"};
    xdotool.start(QStringLiteral("xdotool"), script);
    ASSERT_TRUE(xdotool.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.UndoDepth() > depth; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(controller.UndoDepth(), depth + 1);
    const XMLRootNode& root = controller.Definition().Root();
    ASSERT_EQ(root.ChildCount(), 2u);
    EXPECT_EQ(root.GetChild(0)->GetName(), "OrderId");
    EXPECT_EQ(root.GetChild(1)->GetName(), "Customer");
    EXPECT_EQ(root.GetChild(0)->GetSource(), controller.Definition().Columns()[0].id);
    EXPECT_EQ(root.GetChild(1)->GetSource(), controller.Definition().Columns()[2].id);
}
