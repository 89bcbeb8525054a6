#include "CSQLQueryPageDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

#include "CBackgroundTask.h"
#include "PreviewKeys.h"
#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/DocumentNames.h"
#include "frame/IPrompter.h"
#include "frame/QtText.h"
#include "run/ResultMessages.h"
#include "workbench/DatabaseCatalog.h"
#include "workbench/SourceSettings.h"

namespace {
// A query is applied once typing pauses this long.
constexpr int kQueryDelayMs = 600;

}  // namespace

CSQLQueryPageDlg::CSQLQueryPageDlg(CController& controller, IPrompter& prompter, QWidget* parent)
    : QWidget(parent), controller_(controller), prompter_(prompter) {
    tablesTask_ = new CBackgroundTask(this);
    testTask_ = new CBackgroundTask(this);
    lister_ = [](const DVFile& definition, std::string& error) {
        return DatabaseCatalog::ListTables(definition, error);
    };
    auto* layout = new QGridLayout(this);
    auto* tableButton = new QRadioButton(tr("&Table or View:"), this);
    auto* queryButton = new QRadioButton(tr("&SQL query:"), this);
    type_ = new QButtonGroup(this);
    type_->addButton(tableButton, 0);
    type_->addButton(queryButton, 1);
    table_ = new QComboBox(this);
    table_->setObjectName(QStringLiteral("tables"));
    table_->setMinimumContentsLength(24);
    query_ = new QPlainTextEdit(this);
    query_->setObjectName(QStringLiteral("query"));
    query_->setTabChangesFocus(true);
    // The radio buttons before them are their labels.
    table_->setAccessibleName(tr("Table or View"));
    query_->setAccessibleName(tr("SQL query"));
    test_ = new QPushButton(tr("&Test"), this);
    layout->addWidget(tableButton, 0, 0);
    layout->addWidget(table_, 0, 1);
    layout->addWidget(queryButton, 1, 0, Qt::AlignTop);
    layout->addWidget(query_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(test_);
    layout->addLayout(buttons, 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);

    queryDelay_.setSingleShot(true);
    queryDelay_.setInterval(kQueryDelayMs);
    connect(&queryDelay_, &QTimer::timeout, this, &CSQLQueryPageDlg::ApplyQuery);
    connect(query_, &QPlainTextEdit::textChanged, this, [this] {
        if (!refreshing_) {
            queryDelay_.start();
        }
    });
    connect(type_, &QButtonGroup::idToggled, this, [this](int type, bool checked) {
        if (!checked || refreshing_) {
            return;
        }
        CommitEdits();
        if (controller_.Definition().SetSqlType(type)) {
            controller_.Changed(ChangeCode::kSelection);
        }
    });
    connect(table_, &QComboBox::textActivated, this, [this](const QString& name) {
        if (!refreshing_ &&
            SourceSettings::SetSqlTableName(controller_.Definition(), name.toStdString())) {
            controller_.Changed(ChangeCode::kSelection);
        }
    });
    connect(test_, &QPushButton::clicked, this, &CSQLQueryPageDlg::Test);
}

void CSQLQueryPageDlg::Refresh(bool reloadTables) {
    refreshing_ = true;
    const DVFile& definition = controller_.Definition();
    const DVFileSettings& settings = definition.Settings();
    if (QAbstractButton* button = type_->button(settings.sqltype == 1 ? 1 : 0)) {
        button->setChecked(true);
    }
    const QString table = QString::fromStdString(settings.sqltablename);
    {
        const QSignalBlocker block(table_);
        if (table_->findText(table) < 0 && !table.isEmpty()) {
            table_->addItem(table);
        }
        table_->setCurrentIndex(table_->findText(table));
    }
    QString query = QString::fromStdString(settings.sqlquery);
    query.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (query_->toPlainText() != query && !queryDelay_.isActive()) {
        query_->setPlainText(query);
    }
    refreshing_ = false;

    if (reloadTables) {
        std::string key = PreviewKeys::Connection(definition);
        if (key == tablesKey_) {
            return;
        }
        tablesKey_ = std::move(key);
        QPointer<CSQLQueryPageDlg> self(this);
        tablesTask_->Start(
            [copy = definition, list = lister_, self](const CBackgroundTask::KeepGoing&) {
                std::string error;
                std::vector<std::string> tables = list(copy, error);
                return [self, tables = std::move(tables)] {
                    if (!self) {
                        return;
                    }
                    self->refreshing_ = true;
                    const QSignalBlocker block(self->table_);
                    const QString current = QString::fromStdString(
                        self->controller_.Definition().Settings().sqltablename);
                    self->table_->clear();
                    for (const std::string& name : tables) {
                        self->table_->addItem(QString::fromStdString(name));
                    }
                    if (!current.isEmpty() && self->table_->findText(current) < 0) {
                        self->table_->addItem(current);
                    }
                    self->table_->setCurrentIndex(self->table_->findText(current));
                    self->refreshing_ = false;
                };
            },
            100);
    }
}

void CSQLQueryPageDlg::SetTableLister(TableLister lister) {
    lister_ = std::move(lister);
    CancelTables();
}

void CSQLQueryPageDlg::CancelTables() {
    tablesTask_->Cancel();
    tablesKey_.clear();
}

void CSQLQueryPageDlg::CommitEdits() {
    if (queryDelay_.isActive()) {
        queryDelay_.stop();
        ApplyQuery();
    }
}

void CSQLQueryPageDlg::ApplyQuery() {
    if (controller_.Definition().SetSqlQuery(WithCrLf(query_->toPlainText()))) {
        controller_.Changed(ChangeCode::kSelection);
    }
}

void CSQLQueryPageDlg::Test() {
    CommitEdits();
    test_->setEnabled(false);
    window()->setCursor(Qt::BusyCursor);
    QPointer<CSQLQueryPageDlg> self(this);
    const uint64_t serial = controller_.ChangeSerial();
    testTask_->Start([copy = controller_.Definition(), path = controller_.Path(), serial,
                      self](const CBackgroundTask::KeepGoing&) mutable {
        const Status status = SourceSettings::TestSelection(copy);
        const std::string message = StatusMessage(status, copy, path);
        return [self, copy = std::move(copy), ok = status.IsOk(), message, serial] {
            if (!self) {
                return;
            }
            self->test_->setEnabled(true);
            self->window()->unsetCursor();
            CController& controller = self->controller_;
            const QString caption = QString::fromLatin1(DocumentNames::kProductName);
            if (!ok) {
                self->prompter_.Message(
                    self->window(),
                    QString::fromStdString(message) +
                        QObject::tr("\r\n\r\nThe columns were left as they were."),
                    caption, IPrompter::Buttons::kOk, IPrompter::Icon::kError);
                return;
            }
            // The columns the test read belong to the definition as it was
            // when the test started; an edit made meanwhile wins, and the
            // user decides whether to read them again.
            if (controller.ChangeSerial() != serial) {
                const IPrompter::Answer again = self->prompter_.Message(
                    self->window(),
                    QObject::tr("The definition changed while the test ran, so the columns it "
                                "read were not taken.\r\n\r\nTest again?"),
                    caption, IPrompter::Buttons::kYesNo, IPrompter::Icon::kQuestion);
                if (again == IPrompter::Answer::kYes && self) {
                    // Not from inside the task's own completion.
                    QTimer::singleShot(0, self.data(), [page = self.data()] { page->Test(); });
                }
                return;
            }
            controller.Definition() = copy;
            controller.Changed(ChangeCode::kSelection);
            self->prompter_.Message(self->window(), QObject::tr("Success!"), caption,
                                    IPrompter::Buttons::kOk, IPrompter::Icon::kInformation);
        };
    });
}
