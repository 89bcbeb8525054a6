#pragma once

#include <span>

// The desktop program's commands, with the identifiers stored settings and
// help refer to.
namespace Command {
enum Id : int {
    kNew = 57600,
    kOpen = 57601,
    kSave = 57603,
    kSaveAs = 57604,
    kRecentFirst = 57616,  // one per recent entry from here
    kAbout = 57664,
    kExit = 57665,
    kTransform = 32814,
    kUndo = 57643,
    kRedo = 57644,
    kCut = 57635,
    kCopy = 57634,
    kPaste = 57637,
    kDelete = 32819,
    kViewSource = 32789,
    kViewSelection = 32858,
    kViewTarget = 32790,
    kViewOutput = 32791,
    kSort = 32845,
    kFilter = 32846,
    kOutputOptions = 32847,
    kTargetOptions = 32848,
    kSourceOptions = 32849,
    kColumnProperties = 32867,
    kAddElement = 32850,
    kAddAttribute = 32851,
    kMoveUp = 32852,
    kMoveDown = 32853,
    kMoveLeft = 32854,
    kMoveRight = 32855,
    kNodeProperties = 32856,
    kImport = 32862,
    kGenerateSchema = 32880,
    kHelp = 32792,
    kHelpContents = 32793,
    kToolbarStandard = 32866,
    kToolbarEdit = 32863,
    kToolbarSource = 32864,
    kToolbarTarget = 32865,
    kLockToolbars = 32822,
    kStatusBar = 59393,
};
}  // namespace Command

struct CommandInfo {
    int id;
    const char* label;     // with the & of its mnemonic
    const char* shortcut;  // QKeySequence text, or empty
    const char* tip;       // tooltip and status text
    const char* icon;      // resource name under :/icons, or empty
};

// Every command that appears in the menus and toolbars.
std::span<const CommandInfo> Commands();
const CommandInfo* FindCommand(int id);
