#include "pages/CXMLOutputPage.h"

#include <gtest/gtest.h>

#include <cstring>

#include <cerrno>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "PageTestSupport.h"
#include "controller/ChangeCode.h"
#include "pages/CBackgroundTask.h"
#include "pages/CFileNameField.h"
#include "pages/COutputTextPreview.h"
#include "workbench/SourceSettings.h"

namespace {

struct OutputPageTest : ::testing::Test, PageFixture<CXMLOutputPage> {
    // A definition that groups the rows of a large file by its first column.
    void UseLargeGroupedSource(int rows) {
        {
            std::ofstream csv(dir.File("big.csv"));
            csv << "customer,amount\n";
            for (int i = 0; i < rows; ++i) {
                csv << "c" << (i % 5000) << ',' << i << '\n';
            }
        }
        DVFile& definition = controller.Definition();
        definition.SetEncoding("utf-8");
        SourceSettings::SetSourceFileName(definition, dir.File("big.csv"));
        XMLRootNode& root = definition.Root();
        root.SetName("first");
        XMLNode* customer = root.FindByName("row");
        ASSERT_NE(customer, nullptr);
        customer->SetGroup(definition.Columns()[0].id);
        controller.Changed(ChangeCode::kSource);
    }
};

}  // namespace

TEST_F(OutputPageTest, FileNameAndOptions) {
    recorder.codes.clear();
    prompter.fileNames = {QString::fromStdString(dir.File("out.xml"))};
    QTest::mouseClick(page->FileField()->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.fileDialogFilters.back(),
              "XML Files (*.xml);;HTML Files (*.htm *.html);;"
              "Compressed XML Files (*.xml.gz *.xml.zst);;All Files (*)");
    EXPECT_EQ(prompter.fileDialogSuffixes.back(), "xml");
    EXPECT_EQ(controller.Definition().Settings().targetfilename, dir.File("out.xml"));
    // A new name changes nothing any view shows: no notification, but a change.
    EXPECT_TRUE(recorder.codes.empty());
    EXPECT_TRUE(controller.IsModified());
    // Typing is applied once it pauses, or when a command needs it.
    page->FileField()->Edit()->setFocus();
    QTest::keyClicks(page->FileField()->Edit(), "x");
    page->CommitEdits();
    EXPECT_EQ(controller.Definition().Settings().targetfilename, dir.File("out.xml") + "x");
    EXPECT_FALSE(page->OptionsButton()->isEnabled());
    bool opened = false;
    page->SetOutputOptionsHandler([&opened] { opened = true; });
    QTest::mouseClick(page->OptionsButton(), Qt::LeftButton);
    EXPECT_TRUE(opened);
}

TEST_F(OutputPageTest, ShowsTheXmlOrTheError) {
    WriteFile("in.csv", "id,name\n1,Ann\n2,Bob\n");
    controller.Definition().SetEncoding("utf-8");
    controller.Definition().SetSourceFileName(dir.File("in.csv"));
    controller.Changed(ChangeCode::kSource);
    EXPECT_EQ(page->Preview()->toPlainText(), COutputTextPreview::kUpdating);
    ASSERT_TRUE(page->Preview()->Task().WaitForIdle());
    const QString xml = page->Preview()->toPlainText();
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("<name>Bob</name>"));

    controller.Definition().SetSourceFileName(dir.File("gone.csv"));
    controller.Changed(ChangeCode::kSource);
    ASSERT_TRUE(page->Preview()->Task().WaitForIdle());
    // The system's words, in the user's language.
    EXPECT_EQ(page->Preview()->toPlainText(), QString::fromLocal8Bit(std::strerror(ENOENT)));
}

TEST_F(OutputPageTest, ASlowPreviewKeepsTheWindowAliveAndTheNewestEditWins) {
    UseLargeGroupedSource(400000);
    ASSERT_TRUE(page->Preview()->Task().IsBusy());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(5);
    // While the first preview runs, the user renames the document element.
    QTest::qWait(60);
    controller.Definition().Root().SetName("second");
    controller.Changed(ChangeCode::kTree);
    ASSERT_TRUE(page->Preview()->Task().WaitForIdle(120000));
    ticker.stop();
    EXPECT_GT(ticks, 3);  // the event loop kept running
    const QString xml = page->Preview()->toPlainText();
    EXPECT_TRUE(xml.contains("<second>")) << xml.left(300).toStdString();
    EXPECT_FALSE(xml.contains("<first>"));
}

TEST_F(OutputPageTest, ThePreviewIsCheckedAgainstTheValidationSchema) {
    WriteFile("in.csv", "id,name\n1,Ann\nx2,Bob\n3,Cy\n");
    WriteFile("orders.xsd",
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
              "<xs:element name=\"orders\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"row\" maxOccurs=\"unbounded\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"id\" type=\"xs:int\"/><xs:element name=\"name\"/>"
              "</xs:sequence></xs:complexType></xs:element>"
              "</xs:sequence></xs:complexType></xs:element></xs:schema>");
    DVFile& definition = controller.Definition();
    SourceSettings::SetSourceFileName(definition, dir.File("in.csv"));
    definition.Root().SetName("orders");
    controller.Changed(ChangeCode::kSource);
    COutputTextPreview* preview = page->Preview();
    ASSERT_TRUE(preview->Task().WaitForIdle());
    // Without a schema nothing is checked.
    EXPECT_TRUE(preview->toPlainText().contains("<id>x2</id>"));
    EXPECT_TRUE(preview->ValidationText().isEmpty());
    EXPECT_FALSE(page->PreviewStatus()->isVisible());
    EXPECT_EQ(preview->ErrorLine(), 0);
    EXPECT_TRUE(preview->extraSelections().isEmpty());

    // The preview is UTF-16 by its declaration: checked all the same, and
    // the line of the first error is marked.
    definition.SetValidateSchema(dir.File("orders.xsd"));
    controller.Changed(ChangeCode::kOutput);
    ASSERT_TRUE(preview->Task().WaitForIdle());
    const QStringList lines = preview->toPlainText().split('\n');
    const int bad = static_cast<int>(lines.indexOf(QRegularExpression(".*<id>x2</id>.*"))) + 1;
    ASSERT_GT(bad, 1);
    EXPECT_EQ(preview->ErrorLine(), bad);
    ASSERT_EQ(preview->extraSelections().size(), 1);
    EXPECT_EQ(preview->extraSelections()[0].cursor.blockNumber(), bad - 1);
    EXPECT_EQ(preview->textCursor().blockNumber(), bad - 1);
    EXPECT_TRUE(page->PreviewStatus()->isVisible());
    const QString status = page->PreviewStatus()->text();
    EXPECT_TRUE(status.contains(QStringLiteral("line %1").arg(bad))) << status.toStdString();
    EXPECT_TRUE(status.contains("x2")) << status.toStdString();

    // Fixed data: valid, nothing marked.
    WriteFile("in.csv", "id,name\n1,Ann\n2,Bob\n");
    controller.Changed(ChangeCode::kSource);
    ASSERT_TRUE(preview->Task().WaitForIdle());
    EXPECT_EQ(preview->ErrorLine(), 0);
    EXPECT_TRUE(preview->extraSelections().isEmpty());
    EXPECT_TRUE(page->PreviewStatus()->text().startsWith("Valid"))
        << page->PreviewStatus()->text().toStdString();

    // A schema that cannot be read says so, with no line to mark.
    definition.SetValidateSchema(dir.File("missing.xsd"));
    controller.Changed(ChangeCode::kOutput);
    ASSERT_TRUE(preview->Task().WaitForIdle());
    EXPECT_EQ(preview->ErrorLine(), 0);
    EXPECT_TRUE(page->PreviewStatus()->text().contains("cannot be used"));

    // No schema again: the status goes.
    definition.SetValidateSchema("");
    controller.Changed(ChangeCode::kOutput);
    ASSERT_TRUE(preview->Task().WaitForIdle());
    EXPECT_FALSE(page->PreviewStatus()->isVisible());
}
