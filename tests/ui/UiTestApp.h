// The application the window's tests run: settings in a folder of their own,
// times in UTC, and the user-interface queue pumped by Qt's event loop.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "launch/CorvatineApp.h"
#include "platform/MessageQueue.h"
#include "platform/Output.h"

namespace corvatine::uitest {

inline std::unique_ptr<CCorvatineApp> StartTestApp(const QTemporaryDir& config) {
    ::setenv("CORVATINE_CONFIG_DIR", config.path().toLocal8Bit().constData(), 1);
    ::setenv("TZ", "UTC", 1);
    auto app = std::make_unique<CCorvatineApp>();
    // Kept for the app's life: it reports there a recent list it reads later.
    static platform::CStringOutput warnings;
    app->InitInstance(warnings);
    platform::UserInterfaceQueue().SetWakeUp([] {
        QMetaObject::invokeMethod(
            qApp, [] { platform::UserInterfaceQueue().Pump(); }, Qt::QueuedConnection);
    });
    return app;
}

// Writes a file of these bytes into the folder; answers its path.
inline std::string WriteInto(const QTemporaryDir& folder, const std::string& name, const std::string& bytes) {
    const std::string path = folder.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

// The folder CORVATINE_SCREENSHOTS names for the tests' pictures, made when
// missing; empty when none is named.
inline QString ScreenshotFolder() {
    const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
    if (folder.isEmpty()) return QString();
    QDir().mkpath(QString::fromLocal8Bit(folder));
    return QString::fromLocal8Bit(folder);
}

inline void StopTestApp() { platform::UserInterfaceQueue().SetWakeUp(nullptr); }

// Answers the next modal dialog once it shows, waiting up to 20 s: a dialog
// raised by a worker or the file watcher comes late on a loaded machine, and
// one left unanswered would hold the test until its watchdog.
inline void AnswerNextDialog(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer(qApp);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, attempts] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr && ++*attempts < 4000) return;
        timer->stop();
        timer->deleteLater();
        if (dialog != nullptr) answer(dialog);
    });
    timer->start(5);
}

// Chooses path in a file dialog and accepts it. The dialog's name field
// decides, and the dialog's own proposal may arrive after selectFile once its
// folder has loaded, so the field is set as well.
inline void ChooseFile(QFileDialog* files, const QString& path) {
    files->selectFile(path);
    if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(path);
    static_cast<QDialog*>(files)->accept();
}

}  // namespace corvatine::uitest
