#include <platform/qt_hooks.h>

#include <platform/ui.h>
#include <platform/window.h>

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace platform::qt {

namespace {

QWidget* fallbackOwner = nullptr;

QWidget* ownerWidget(HWND owner) {
    QWidget* widget = dynamic_cast<QWidget*>(owner);
    return widget ? widget : fallbackOwner;
}

QString fromLocal(const std::string& text) { return QString::fromUtf8(text.c_str()); }

QMessageBox::Icon iconOf(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int showMessage(HWND owner, const char* text, const char* caption, UINT type) {
    QMessageBox box(iconOf(type), QString::fromUtf8(caption), QString::fromUtf8(text),
                    QMessageBox::NoButton, ownerWidget(owner));
    switch (type & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}

// "Description (*.a *.b)": the form the dialog matches files by; the dialog shows only the
// description.
QStringList nameFilters(const platform::FileDialogRequest& request) {
    QStringList filters;
    for (const auto& [description, patterns] : request.filters) {
        QString joined = fromLocal(patterns);
        joined.replace(';', ' ');
        filters << fromLocal(description) + " (" + joined.trimmed() + ")";
    }
    return filters;
}

bool showFileDialog(const platform::FileDialogRequest& request, std::string& chosen) {
    QFileDialog dialog(ownerWidget(request.owner), fromLocal(request.title));
    dialog.setNameFilters(nameFilters(request));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(fromLocal(request.defaultExtension));
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.initialPath.empty()) dialog.selectFile(fromLocal(request.initialPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    chosen = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    return true;
}

bool shellOpen(const std::string& target, const std::string& arguments) {
    const QString what = fromLocal(target);
    if (!arguments.empty()) {
        return QProcess::startDetached(what, QProcess::splitCommand(fromLocal(arguments)));
    }
    const QUrl url = what.contains("://") ? QUrl(what) : QUrl::fromLocalFile(QFileInfo(what).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

}  // namespace

void installQtHooks(QWidget* owner) {
    fallbackOwner = owner;
    setMessageBoxHook(showMessage);
    setFileDialogHook(showFileDialog);
    setShellOpenHook(shellOpen);
}

void removeQtHooks() {
    fallbackOwner = nullptr;
    setMessageBoxHook({});
    setFileDialogHook({});
    setShellOpenHook({});
}

}  // namespace platform::qt
