#include "CXMLOutputPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CFileNameField.h"
#include "COutputTextPreview.h"
#include "CSPanel.h"
#include "controller/ChangeCode.h"
#include "frame/HelpTopics.h"

namespace {
constexpr int kTypingDelayMs = 500;
}  // namespace

CXMLOutputPage::CXMLOutputPage(CController& controller, IPrompter& prompter, CSettings& settings,
                               QWidget* parent)
    : CDVPage(controller, settings, HelpTopic::kOutputPage, parent) {
    setObjectName(QStringLiteral("OutputPage"));
    auto* form = new QWidget(this);
    auto* grid = new QGridLayout(form);
    auto* label = new QLabel(tr("Output File Name:"), form);
    file_ = new CFileNameField(prompter,
                               tr("XML Files (*.xml);;HTML Files (*.htm *.html);;"
                                  "Compressed XML Files (*.xml.gz *.xml.zst);;All Files (*)"),
                               QStringLiteral("xml"), CFileNameField::Mode::kSave, form);
    label->setBuddy(file_->Edit());
    options_ = new QPushButton(tr("&Output Options..."), form);
    options_->setEnabled(false);
    grid->addWidget(label, 0, 0);
    grid->addWidget(file_, 0, 1);
    grid->addWidget(options_, 0, 2);
    grid->setColumnStretch(1, 1);
    preview_ = new COutputTextPreview(this);
    preview_->setAccessibleName(tr("Output Preview"));
    auto* previewArea = new QWidget(this);
    auto* previewLayout = new QVBoxLayout(previewArea);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->setSpacing(2);
    status_ = new QLabel(previewArea);
    status_->setObjectName(QStringLiteral("OutputPreviewStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setContentsMargins(4, 2, 4, 2);
    status_->hide();
    previewLayout->addWidget(preview_, 1);
    previewLayout->addWidget(status_);
    connect(preview_, &COutputTextPreview::ValidationChanged, this,
            [this](const QString& text, bool valid) {
                status_->setText(text);
                status_->setStyleSheet(
                    valid ? QString() : QStringLiteral("color: #a00000; font-weight: bold;"));
                status_->setVisible(!text.isEmpty());
            });

    QSplitter* outer = MakeSplitter(Qt::Vertical, QStringLiteral("OutputPage"), {90, 560});
    outer->addWidget(new CSPanel(tr("Output File"), form, outer));
    outer->addWidget(new CSPanel(tr("Output Preview ( first 100 rows )"), previewArea, outer));
    outer->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(outer);
    RestoreSplitters();

    nameDelay_.setSingleShot(true);
    nameDelay_.setInterval(kTypingDelayMs);
    connect(&nameDelay_, &QTimer::timeout, this, [this] { ApplyFileName(file_->FileName()); });
    connect(file_->Edit(), &QLineEdit::textEdited, this, [this] { nameDelay_.start(); });
    connect(file_, &CFileNameField::FileNameChosen, this, &CXMLOutputPage::ApplyFileName);
    connect(options_, &QPushButton::clicked, this, [this] {
        if (optionsHandler_) {
            optionsHandler_();
        }
    });
}

void CXMLOutputPage::SetOutputOptionsHandler(std::function<void()> handler) {
    optionsHandler_ = std::move(handler);
    options_->setEnabled(static_cast<bool>(optionsHandler_));
}

void CXMLOutputPage::CommitEdits() {
    if (nameDelay_.isActive()) {
        ApplyFileName(file_->FileName());
    }
}

void CXMLOutputPage::ApplyFileName(const QString& name) {
    nameDelay_.stop();
    // The output name changes what is written, not what any view shows.
    if (Controller().Definition().SetTargetFileName(name.toStdString())) {
        Controller().Changed(ChangeCode::kNone);
    }
}

void CXMLOutputPage::OnUpdate(int32_t code) {
    if (!nameDelay_.isActive()) {
        file_->SetFileName(
            QString::fromStdString(Controller().Definition().Settings().targetfilename));
    }
    if (code != ChangeCode::kNone) {
        preview_->Update(Controller().Definition());
    }
}
