#pragma once

#include <QAbstractButton>
#include <QSettings>
#include <QTest>
#include <fstream>
#include <memory>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "controller/CController.h"
#include "controller/CControllerObserver.h"
#include "frame/CSettings.h"

// Clicks a check box or radio button on its indicator: the middle of a wide
// button may lie beyond its label, where a click does nothing.
inline void ClickButton(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

// Records every change code the controller sends.
class CodeRecorder : public CControllerObserver<CodeRecorder> {
public:
    using CControllerObserver::CControllerObserver;
    void OnUpdate(int32_t code) { codes.push_back(code); }
    std::vector<int32_t> codes;
};

// A page under test, shown (so it takes its updates at once), with a fresh
// definition and scripted prompts.
template <typename Page>
struct PageFixture {
    PageFixture() : recorder(controller) {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tarnwright", "Datavane").clear();
        page = std::make_unique<Page>(controller, prompter, settings);
        page->resize(1000, 700);
        page->show();
        page->Activate();
        controller.New();
        recorder.codes.clear();
    }
    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(dir.File(name), std::ios::binary) << text;
    }

    testsupport::TempDir dir;
    CController controller;
    ScriptedPrompter prompter;
    CSettings settings;
    CodeRecorder recorder;
    std::unique_ptr<Page> page;
};
