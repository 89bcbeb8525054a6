#include "DesktopProgram.h"

#include <QLabel>
#include <QVBoxLayout>

#include "frame/CMainFrame.h"
#include "frame/HelpTopics.h"
#include "frame/IDVPage.h"

namespace {

// Stands for a page that is not built yet.
class CPlaceholderPage : public QWidget, public IDVPage {
public:
    CPlaceholderPage(const QString& text, int topic, QWidget* parent)
        : QWidget(parent), topic_(topic) {
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    QWidget* Widget() override { return this; }
    void Activate() override {}
    void Deactivate() override {}
    int HelpTopic() const override { return topic_; }

private:
    int topic_;
};

}  // namespace

void InitialiseDesktopResources() {
    // The icons live in this static library; the linker keeps them only
    // when something refers to them.
    Q_INIT_RESOURCE(desktop);
}

std::unique_ptr<CMainFrame> CreateMainFrame(CController& controller, IPrompter& prompter,
                                            CSettings& settings) {
    InitialiseDesktopResources();
    auto frame = std::make_unique<CMainFrame>(controller, prompter, settings);
    const struct {
        const char* title;
        int topic;
    } pages[] = {{"Source", HelpTopic::kSourcePage},
                 {"Selection", HelpTopic::kSelectionPage},
                 {"Target", HelpTopic::kTargetPage},
                 {"Output", HelpTopic::kOutputPage}};
    for (const auto& page : pages) {
        frame->AddPage(new CPlaceholderPage(QObject::tr("The %1 page is being built.")
                                                .arg(QLatin1String(page.title)),
                                            page.topic, frame.get()),
                       QLatin1String(page.title));
    }
    frame->UpdateCommandStates();
    return frame;
}
