#include "extension/dolphin/QtHost.h"

#include "extension/PluginState.h"

#include <KIO/OpenFileManagerWindowJob>
#include <KPropertiesDialog>
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QUrl>

namespace quorvane::ext {

namespace {

const QString title = QStringLiteral("Quorvane");

// Every slot lands here first: nothing may unwind into Dolphin.
template <typename F> void guarded(F&& work) {
    try {
        work();
    } catch (...) {
    }
}

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
}

QList<QUrl> urlsOf(const std::vector<std::string>& uris) {
    QList<QUrl> urls;
    for (const std::string& uri : uris)
        urls.append(QUrl(text(uri)));
    return urls;
}

void showMessageNow(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Information, title, message, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace

void QtHost::message(std::string message) {
    // Widgets belong to the main thread, and background work reports from its own.
    QMetaObject::invokeMethod(
        qApp, [message = text(message)] { guarded([&] { showMessageNow(message); }); },
        Qt::QueuedConnection);
}

void QtHost::runInBackground(std::function<void()> job) {
    runDetached(*this, std::move(job));
}

void QtHost::readClipboard(std::function<void(std::string)> done) {
    done(QApplication::clipboard()->text().toStdString());
}

void QtHost::setClipboard(std::string clipboardText) {
    QApplication::clipboard()->setText(text(clipboardText));
}

void QtHost::showText(std::string caption, std::string shown) {
    auto* view = new QPlainTextEdit(text(shown));
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setReadOnly(true);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setWindowTitle(title + QStringLiteral(": ") + text(caption));
    view->resize(480, 320);
    view->show();
}

void QtHost::confirm(std::string question, std::function<void()> onYes) {
    auto* box = new QMessageBox(QMessageBox::Warning, title, text(question),
                                QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [box, onYes = std::move(onYes)](QAbstractButton* button) {
                         if (box->standardButton(button) == QMessageBox::Yes)
                             guarded(onYes);
                     });
    box->show();
}

void QtHost::chooseFolder(std::string caption, std::filesystem::path start,
                          std::function<void(std::filesystem::path)> onChosen) {
    auto* chooser = new QFileDialog(nullptr, title + QStringLiteral(": ") + text(caption),
                                    QFile::decodeName(start.c_str()));
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::Directory);
    chooser->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(chooser, &QFileDialog::fileSelected, chooser,
                     [onChosen = std::move(onChosen)](const QString& folder) {
                         guarded([&] { onChosen(QFile::encodeName(folder).toStdString()); });
                     });
    chooser->show();
}

void QtHost::openFolderWindow(std::string uri) {
    startProgram({"dolphin", "--new-window", uri}, "/");
}

void QtHost::showItems(std::vector<std::string> uris) {
    KIO::highlightInFileManager(urlsOf(uris));
}

void QtHost::showItemProperties(std::vector<std::string> uris) {
    KPropertiesDialog::showDialog(urlsOf(uris), nullptr, false);
}

void QtHost::startProgram(std::vector<std::string> argv, std::filesystem::path folder) {
    QProcess process;
    process.setProgram(QFile::decodeName(argv.front().c_str()));
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i)
        arguments.append(QFile::decodeName(argv[i].c_str()));
    process.setArguments(arguments);
    process.setWorkingDirectory(QFile::decodeName(folder.c_str()));
    if (!process.startDetached())
        message("Cannot start '" + argv.front() + "': " + process.errorString().toStdString());
}

} // namespace quorvane::ext
