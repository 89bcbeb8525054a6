#pragma once

#include <QTimer>
#include <functional>

#include "CDVPage.h"

class CFileNameField;
class COutputTextPreview;
class IPrompter;
class QLabel;
class QPushButton;

// Tab 4, "Output": the output file and options, and the preview of the XML
// the definition produces.
class CXMLOutputPage : public CDVPage<CXMLOutputPage> {
public:
    CXMLOutputPage(CController& controller, IPrompter& prompter, CSettings& settings,
                   QWidget* parent = nullptr);

    void OnUpdate(int32_t code);
    void CommitEdits() override;
    void SetOutputOptionsHandler(std::function<void()> handler);

    CFileNameField* FileField() const noexcept { return file_; }
    QPushButton* OptionsButton() const noexcept { return options_; }
    COutputTextPreview* Preview() const noexcept { return preview_; }
    // Under the preview: what checking it against the validation schema
    // found; hidden when the definition names none.
    QLabel* PreviewStatus() const noexcept { return status_; }

private:
    void ApplyFileName(const QString& name);

    CFileNameField* file_;
    QPushButton* options_;
    COutputTextPreview* preview_;
    QLabel* status_;
    QTimer nameDelay_;
    std::function<void()> optionsHandler_;
};
