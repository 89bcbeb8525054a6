#include "CQtPrompter.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QString ForDisplay(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString RunFileDialog(QWidget* parent, const QString& caption, const QString& start,
                      const QString& filter, const QString& defaultSuffix, bool save) {
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (save && !start.isEmpty()) {
        dialog.selectFile(start);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

IPrompter::Answer CQtPrompter::Message(QWidget* parent, const QString& text,
                                       const QString& caption, Buttons buttons, Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(ForDisplay(text));
    switch (icon) {
        case Icon::kInformation: box.setIcon(QMessageBox::Information); break;
        case Icon::kWarning: box.setIcon(QMessageBox::Warning); break;
        case Icon::kError: box.setIcon(QMessageBox::Critical); break;
        case Icon::kQuestion: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
        case Buttons::kOk: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::kYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Buttons::kYesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return Answer::kYes;
        case QMessageBox::No: return Answer::kNo;
        case QMessageBox::Ok: return Answer::kOk;
        default: return buttons == Buttons::kYesNo ? Answer::kNo : Answer::kCancel;
    }
}

QString CQtPrompter::OpenFileName(QWidget* parent, const QString& caption, const QString& start,
                                  const QString& filter, const QString& defaultSuffix) {
    return RunFileDialog(parent, caption, start, filter, defaultSuffix, false);
}

QString CQtPrompter::SaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                  const QString& filter, const QString& defaultSuffix) {
    return RunFileDialog(parent, caption, start, filter, defaultSuffix, true);
}

bool CQtPrompter::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void CQtPrompter::About(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::about(parent, caption, ForDisplay(text));
}
