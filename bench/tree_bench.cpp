// Times the Target tab's tree on a large definition: renaming one node of a
// 50,000-node tree, then undoing the rename, each from the edit through the
// controller to the view having processed the change. Run offscreen:
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_tree [nodes] [repeats]
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controller/CController.h"
#include "controller/ChangeCode.h"
#include "frame/IPrompter.h"
#include "model/XMLNode.h"
#include "pages/CXMLSchemaView.h"
#include "pages/CXMLTreeModel.h"

namespace {

// Never asked: renames and undo prompt for nothing.
class SilentPrompter : public IPrompter {
public:
    Answer Message(QWidget*, const QString&, const QString&, Buttons, Icon) override {
        return Answer::kOk;
    }
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return {};
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return {};
    }
    bool OpenUrl(const QUrl&) override { return false; }
    void About(QWidget*, const QString&, const QString&) override {}
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int nodes = argc > 1 ? std::max(10, std::atoi(argv[1])) : 50000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    CController controller;
    SilentPrompter prompter;
    CXMLSchemaView view(controller, prompter);
    view.resize(600, 800);
    view.show();
    controller.New();
    // Records of ten fields each, as a large imported schema looks.
    XMLRootNode& root = controller.Definition().Root();
    root.SetName("records");
    int made = 1;
    while (made < nodes) {
        XMLNode* record = root.AddChild("record", XMLNode::kElement);
        ++made;
        for (int field = 0; field < 9 && made < nodes; ++field, ++made) {
            record->AddChild("field" + std::to_string(field), XMLNode::kElement);
        }
    }
    QElapsedTimer timer;
    timer.start();
    controller.Changed(ChangeCode::kTree);
    QApplication::processEvents();
    std::printf("tree of %d nodes built in %.1f ms\n", made, timer.nsecsElapsed() / 1e6);
    view.expandAll();
    XMLNode* target = root.GetChild(root.ChildCount() / 2)->GetChild(3);
    view.SelectNode(target);
    QApplication::processEvents();

    std::vector<double> renames;
    std::vector<double> undos;
    for (int i = 0; i < repeats; ++i) {
        XMLNode* node = view.SelectedNode();
        timer.restart();
        node->SetName("renamed" + std::to_string(i));
        controller.Changed(ChangeCode::kTree);
        QApplication::processEvents();
        renames.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        controller.Undo();
        QApplication::processEvents();
        undos.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("rename: median %.1f ms, worst %.1f ms\n", Median(renames),
                *std::max_element(renames.begin(), renames.end()));
    std::printf("undo:   median %.1f ms, worst %.1f ms\n", Median(undos),
                *std::max_element(undos.begin(), undos.end()));
    const bool kept = view.SelectedNode() && view.SelectedNode()->GetName() == "field3";
    std::printf("selection kept: %s\n", kept ? "yes" : "no");
    return kept ? 0 : 1;
}
