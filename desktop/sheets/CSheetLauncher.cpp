#include "CSheetLauncher.h"

#include "CAutoTextDlg.h"
#include "CImportXMLSchemaDialog.h"
#include "CODBCAdvancedPropSheet.h"
#include "CSourceColumnPropSheet.h"
#include "CSourceFiltersPropSheet.h"
#include "CSourceOptionsPropSheet.h"
#include "CSourceSortPropSheet.h"
#include "CXMLNodePropSheet.h"
#include "CXMLOutputPropSheet.h"
#include "CXMLTargetPropSheet.h"
#include "controller/CController.h"
#include "frame/CMainFrame.h"

CSheetLauncher::CSheetLauncher(CController& controller, IPrompter& prompter, CMainFrame& frame)
    : QObject(&frame), frame_(frame), context_{controller, prompter, [&frame](int topic) {
                                                   frame.Help().Show(&frame, topic);
                                               }} {}

void CSheetLauncher::OpenColumn(int columnIndex) {
    if (columnIndex < 0 ||
        static_cast<size_t>(columnIndex) >= context_.controller.Definition().Columns().size()) {
        return;
    }
    CSourceColumnPropSheet sheet(context_, columnIndex, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenFilters() {
    CSourceFiltersPropSheet sheet(context_, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenSort() {
    CSourceSortPropSheet sheet(context_, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenSourceOptions() {
    CSourceOptionsPropSheet sheet(context_, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenOdbcAdvanced() {
    CODBCAdvancedPropSheet sheet(context_, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenNode(const std::string& nodePath) {
    CXMLNodePropSheet sheet(context_, nodePath, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenOutputOptions() {
    CXMLOutputPropSheet sheet(context_, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenTargetOptions() {
    CXMLTargetPropSheet sheet(context_, &frame_);
    sheet.exec();
}

void CSheetLauncher::OpenImport() {
    CImportXMLSchemaDialog dialog(context_, &frame_);
    dialog.exec();
}

QString CSheetLauncher::ChooseAutoText() {
    return CAutoTextDlg::Choose(&frame_, context_.showHelp);
}
