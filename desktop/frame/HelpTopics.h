#pragma once

// Context help topics of the pages and dialogs, and the guide page of each.
namespace HelpTopic {
enum Id : int {
    kContents = 0,
    kRunDialog = 2,
    kSourcePage = 10,
    kSelectionPage = 11,
    kTargetPage = 12,
    kOutputPage = 13,
    kColumnSheet = 30,
    kFilterSheet = 31,
    kSortSheet = 32,
    kSourceOptionsSheet = 33,
    kOdbcAdvancedSheet = 34,
    kNodeSheet = 35,
    kOutputOptionsSheet = 36,
    kTargetOptionsSheet = 37,
    kAutoTextDialog = 38,
    kImportDialog = 22,
};

// The guide page (and anchor) of a topic: "source.html", "sheets.html#filters" …
const char* Page(int topic);
}  // namespace HelpTopic
