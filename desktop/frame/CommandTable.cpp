#include "CommandTable.h"

#include <algorithm>
#include <array>

namespace {

using namespace Command;

constexpr std::array kCommands = {
    CommandInfo{kNew, "&New", "Ctrl+N", "Create a new transformation definition", "new"},
    CommandInfo{kOpen, "&Open...", "Ctrl+O", "Open a transformation definition", "open"},
    CommandInfo{kSave, "&Save", "Ctrl+S", "Save the transformation definition", "save"},
    CommandInfo{kSaveAs, "Save &As...", "", "Save the definition under a new name", ""},
    CommandInfo{kExit, "E&xit", "", "Quit the program", ""},
    CommandInfo{kTransform, "&Transform", "F8", "Run the transformation (F8)", "transform"},
    CommandInfo{kUndo, "&Undo", "Ctrl+Z", "Undo the last change", "undo"},
    CommandInfo{kRedo, "&Redo", "Ctrl+Y", "Redo the change undone last", "redo"},
    CommandInfo{kCut, "Cu&t", "Ctrl+X", "Cut the selection to the clipboard", "cut"},
    CommandInfo{kCopy, "&Copy", "Ctrl+C", "Copy the selection to the clipboard", "copy"},
    CommandInfo{kPaste, "&Paste", "Ctrl+V", "Insert the clipboard's contents", "paste"},
    CommandInfo{kDelete, "&Delete", "", "Delete the selection", "delete"},
    CommandInfo{kViewSource, "&Source", "", "Show the Source tab", ""},
    CommandInfo{kViewSelection, "S&election", "", "Show the Selection tab", ""},
    CommandInfo{kViewTarget, "&Target", "", "Show the Target tab", ""},
    CommandInfo{kViewOutput, "&Output", "", "Show the Output tab", ""},
    CommandInfo{kSort, "&Sort...", "", "Choose the order of the source rows", "sort"},
    CommandInfo{kFilter, "&Filter...", "", "Choose which source rows are converted", "filter"},
    CommandInfo{kSourceOptions, "Source &Options...", "",
                "What happens to XML nodes when columns change", "source-options"},
    CommandInfo{kColumnProperties, "Column &Properties...", "",
                "Edit the properties of the selected source column", "column-properties"},
    CommandInfo{kNodeProperties, "Node &Properties...", "",
                "Edit the properties of the selected node", "node-properties"},
    CommandInfo{kAddElement, "Add &Element", "Ins",
                "Insert a new element in the diagram below (Insert)", "add-element"},
    CommandInfo{kAddAttribute, "Add &Attribute", "Ctrl+A",
                "Insert a new attribute in the diagram below (Ctrl+A)", "add-attribute"},
    CommandInfo{kMoveUp, "Move &Up", "", "Move the selected item up (Ctrl+Up Arrow)", "move-up"},
    CommandInfo{kMoveDown, "Move &Down", "", "Move the selected item down (Ctrl+Down Arrow)",
                "move-down"},
    CommandInfo{kMoveLeft, "Move &Left", "",
                "Move the selected item out of its parent (Ctrl+Left Arrow)", "move-left"},
    CommandInfo{kMoveRight, "Move &Right", "",
                "Move the selected item into the element above it (Ctrl+Right Arrow)",
                "move-right"},
    CommandInfo{kImport, "&Import...", "", "Build the XML tree from a schema, DTD or sample",
                "import"},
    CommandInfo{kGenerateSchema, "&Generate Schema...", "",
                "Write the XML Schema of every document the definition writes", ""},
    CommandInfo{kTargetOptions, "XML &Options...", "", "Set options for DTD, StyleSheet etc.",
                "target-options"},
    CommandInfo{kOutputOptions, "Output &Options...", "", "Change output settings (e.g. encoding)",
                "output-options"},
    CommandInfo{kHelp, "&Help", "F1", "Help on the current page", "help"},
    CommandInfo{kHelpContents, "&Contents and Index", "", "The user guide", ""},
    CommandInfo{kAbout, "&About Tarnwright Datavane", "", "Program version", ""},
    CommandInfo{kToolbarStandard, "&Standard", "", "Show or hide the Standard toolbar", ""},
    CommandInfo{kToolbarEdit, "&Edit", "", "Show or hide the Edit toolbar", ""},
    CommandInfo{kToolbarSource, "S&ource", "", "Show or hide the Source toolbar", ""},
    CommandInfo{kToolbarTarget, "&Target", "", "Show or hide the Target toolbar", ""},
    CommandInfo{kLockToolbars, "&Lock the Toolbars", "", "Keep the toolbars where they are", ""},
    CommandInfo{kStatusBar, "Status &Bar", "", "Show or hide the status bar", ""},
};

}  // namespace

std::span<const CommandInfo> Commands() {
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    auto it = std::find_if(kCommands.begin(), kCommands.end(),
                           [id](const CommandInfo& info) { return info.id == id; });
    return it == kCommands.end() ? nullptr : &*it;
}
