#include "run/CTransformDlg.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "controller/CController.h"
#include "run/RunTransform.h"

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

using Answer = IPrompter::Answer;
using Outcome = CTransformDlg::Outcome;

// A clock the test advances by hand.
struct FakeClock {
    int64_t now = 1000;
    CTransformDlg::Clock Get() {
        return [this] { return now; };
    }
};

}  // namespace

TEST(CTransformDlgTest, FormatsTheElapsedTime) {
    const struct {
        int64_t ms;
        const char* shown;
    } cases[] = {{0, "0 milliseconds"},  {250, "250 milliseconds"}, {999, "999 milliseconds"},
                 {1000, "1.00 seconds"}, {1500, "1.50 seconds"},    {61234, "61.23 seconds"}};
    for (const auto& c : cases) {
        EXPECT_EQ(CTransformDlg::CompletionQuestion(7, c.ms),
                  QString("Transformation completed!\n\nProcessed 7 rows in %1.\n\nView result?")
                      .arg(c.shown))
            << c.ms;
    }
    EXPECT_EQ(CTransformDlg::ProgressText(-1), "Progress:\t Connecting");
    EXPECT_EQ(CTransformDlg::ProgressText(42), "Progress:\t Transformed 42 Rows");
}

TEST(CTransformDlgTest, SuccessReportsRowsAndOffersTheResult) {
    ScriptedPrompter prompter;
    FakeClock clock;
    prompter.answers = {Answer::kYes};
    int calls = 0;
    CTransformDlg dialog(
        nullptr, prompter, "in.csv", "out.xml",
        [&](const DVRun::ProgressCallback& progress) {
            ++calls;
            progress(-1);
            progress(0);
            clock.now += 250;
            progress(300);
            return Outcome{0, "", "/data/out.xml"};
        },
        clock.Get());
    EXPECT_EQ(dialog.SourceTargetText(), "Source:\tin.csv\r\nTarget:\tout.xml");
    EXPECT_EQ(dialog.windowTitle(), "Transforming");
    EXPECT_EQ(dialog.ProgressLine(), "Progress:\t Transformed 0 Rows");
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(
        prompter.messages[0].text,
        "Transformation completed!\n\nProcessed 300 rows in 250 milliseconds.\n\nView result?");
    EXPECT_EQ(prompter.messages[0].caption, "Transforming");
    EXPECT_EQ(prompter.messages[0].buttons, IPrompter::Buttons::kYesNo);
    ASSERT_EQ(prompter.openedUrls.size(), 1u);
    EXPECT_EQ(prompter.openedUrls[0].toLocalFile(), "/data/out.xml");
}

TEST(CTransformDlgTest, SecondsFromOneThousandMilliseconds) {
    ScriptedPrompter prompter;
    FakeClock clock;
    CTransformDlg dialog(
        nullptr, prompter, "in.csv", "out.xml",
        [&](const DVRun::ProgressCallback& progress) {
            clock.now += 1500;
            progress(12);
            return Outcome{0, "", "out.xml"};
        },
        clock.Get());
    dialog.exec();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.contains("Processed 12 rows in 1.50 seconds."));
    EXPECT_TRUE(prompter.openedUrls.empty());  // answered No
}

TEST(CTransformDlgTest, FailureShowsTheErrorText) {
    ScriptedPrompter prompter;
    CTransformDlg dialog(nullptr, prompter, "in.csv", "out.xml",
                         [](const DVRun::ProgressCallback&) {
                             return Outcome{103, "Failed to open the source file: in.csv", ""};
                         });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Transformation Failed!\r\n\r\nFailed to open the source file: in.csv");
    EXPECT_EQ(prompter.messages[0].caption, "Transforming");
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kError);
}

TEST(CTransformDlgTest, ReadingWithoutWritingShowsRecordsReadAndCancels) {
    ScriptedPrompter prompter;
    prompter.answers = {Answer::kYes};
    CTransformDlg* self = nullptr;
    QString shown;
    CTransformDlg dialog(nullptr, prompter, "in.csv", "out.xml",
                         [&](const DVRun::ProgressCallback&) {
                             // Sorting: records are read, no row is written yet.
                             QTimer::singleShot(0, self->CancelButton(), &QPushButton::click);
                             for (int64_t records = 4096; records <= 40960; records += 4096) {
                                 const bool goOn = self->ReadProgress(records);
                                 shown = self->ProgressLine();
                                 if (!goOn) {
                                     return Outcome{1, "The operation has been cancelled", ""};
                                 }
                             }
                             return Outcome{0, "", "out.xml"};
                         });
    self = &dialog;
    dialog.exec();
    EXPECT_EQ(shown, "Progress:\t Read 4096 Rows");
    EXPECT_TRUE(dialog.CancelRequested());
}

TEST(CTransformDlgTest, CancelDuringTheRunAsksFirst) {
    for (Answer answer : {Answer::kYes, Answer::kNo}) {
        ScriptedPrompter prompter;
        prompter.answers = {answer};
        CTransformDlg* self = nullptr;
        bool stopped = false;
        CTransformDlg dialog(nullptr, prompter, "in.csv", "out.xml",
                             [&](const DVRun::ProgressCallback& progress) {
                                 // The user presses Cancel while rows are written.
                                 QTimer::singleShot(0, self->CancelButton(), &QPushButton::click);
                                 for (int rows = 10; rows <= 50; rows += 10) {
                                     if (!progress(rows)) {
                                         stopped = true;
                                         return Outcome{1, "The operation has been cancelled", ""};
                                     }
                                 }
                                 return Outcome{0, "", "out.xml"};
                             });
        self = &dialog;
        dialog.exec();
        ASSERT_GE(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0].text, "Cancel Transformation?");
        EXPECT_EQ(prompter.messages[0].caption, "Transforming");
        if (answer == Answer::kYes) {
            EXPECT_TRUE(stopped);
            EXPECT_EQ(prompter.messages.size(), 1u);  // no result message
        } else {
            EXPECT_FALSE(stopped);
            ASSERT_EQ(prompter.messages.size(), 2u);
            EXPECT_TRUE(prompter.messages[1].text.contains("Processed 50 rows"));
        }
    }
}

TEST(CTransformDlgTest, CancelBeforeTheTimerClosesWithoutRunning) {
    ScriptedPrompter prompter;
    bool ran = false;
    CTransformDlg dialog(nullptr, prompter, "in.csv", "out.xml",
                         [&](const DVRun::ProgressCallback&) {
                             ran = true;
                             return Outcome{};
                         });
    QTimer::singleShot(0, dialog.CancelButton(), &QPushButton::click);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    QTest::qWait(250);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(CTransformDlgTest, AClickMeantForCancelNeverAnswersTheCompletionQuestion) {
    ScriptedPrompter prompter;
    prompter.answers = {Answer::kNo};
    FakeClock clock;
    CTransformDlg* self = nullptr;
    CTransformDlg dialog(
        nullptr, prompter, "in.csv", "out.xml",
        [&](const DVRun::ProgressCallback& progress) {
            progress(10);
            // The user's click on Cancel arrives just after the
            // last row; half a second later by the dialog's clock
            // the question may come.
            QTimer::singleShot(0, [&] { QTest::mouseClick(self->CancelButton(), Qt::LeftButton); });
            QTimer::singleShot(30, [&] { clock.now += CTransformDlg::kSettleMs; });
            return Outcome{0, "", "out.xml"};
        },
        clock.Get());
    self = &dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_GE(dialog.SwallowedInput(), 2);    // press and release
    ASSERT_EQ(prompter.messages.size(), 1u);  // no "Cancel Transformation?"
    EXPECT_TRUE(prompter.messages[0].text.startsWith("Transformation completed!"));
    EXPECT_TRUE(prompter.answers.empty());
}

TEST(CTransformDlgTest, ACancelConfirmedAfterTheLastRowSaysTheRunHadFinished) {
    ScriptedPrompter prompter;
    prompter.answers = {Answer::kYes, Answer::kNo};
    FakeClock clock;
    CTransformDlg* self = nullptr;
    CTransformDlg dialog(
        nullptr, prompter, "in.csv", "out.xml",
        [&](const DVRun::ProgressCallback& progress) {
            progress(10);
            QTimer::singleShot(0, self->CancelButton(), &QPushButton::click);
            // The last call: its answer can no longer stop the run.
            EXPECT_FALSE(progress(20));
            clock.now += CTransformDlg::kSettleMs;
            return Outcome{0, "", "out.xml"};
        },
        clock.Get());
    self = &dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, "Cancel Transformation?");
    EXPECT_TRUE(prompter.messages[1].text.startsWith(
        "The transformation had already finished when it was cancelled."))
        << prompter.messages[1].text.toStdString();
    EXPECT_TRUE(prompter.messages[1].text.contains("Processed 20 rows"));
    EXPECT_EQ(prompter.messages[1].buttons, IPrompter::Buttons::kYesNo);
}

TEST(CTransformDlgTest, ViewingWithoutAnApplicationForXmlSaysWhereTheResultIs) {
    ScriptedPrompter prompter;
    prompter.answers = {Answer::kYes};
    prompter.openUrlResult = false;
    FakeClock clock;
    CTransformDlg dialog(
        nullptr, prompter, "in.csv", "out.xml",
        [&](const DVRun::ProgressCallback& progress) {
            progress(3);
            clock.now += CTransformDlg::kSettleMs;
            return Outcome{0, "", "/data/out.xml"};
        },
        clock.Get());
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_EQ(prompter.openedUrls.size(), 1u);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text,
              "No application is set up to open XML files.\r\n\r\nThe result is in /data/out.xml");
    EXPECT_EQ(prompter.messages[1].icon, IPrompter::Icon::kInformation);
}

TEST(RunTransformTest, ADefinitionWithoutSourceNeverOpensTheDialog) {
    ScriptedPrompter prompter;
    CController controller;
    controller.New();
    RunTransform(nullptr, controller, prompter);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "No Source File has been selected");
    EXPECT_EQ(prompter.messages[0].caption, "Tarnwright Datavane");
    EXPECT_EQ(prompter.messages[0].icon, IPrompter::Icon::kInformation);
}

TEST(RunTransformTest, RunsTheDefinitionAndReportsTheRows) {
    TempDir dir;
    {
        std::ofstream csv(dir.File("in.csv"));
        csv << "id,name\n1,a\n2,b\n3,c\n";
    }
    CController controller;
    controller.New();
    DVFile& definition = controller.Definition();
    definition.SetSourceFileName(dir.File("in.csv"));
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    ScriptedPrompter prompter;
    RunTransform(nullptr, controller, prompter);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.contains("Processed 3 rows in"))
        << prompter.messages[0].text.toStdString();
    EXPECT_NE(ReadFile(dir.File("out.xml")).find("<name>c</name>"), std::string::npos)
        << ReadFile(dir.File("out.xml"));
}
