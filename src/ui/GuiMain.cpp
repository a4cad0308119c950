// The window's program: started by the corvatine program (or directly) with
// the same command line, it opens what the command line names and runs until
// the window is closed.
#include <QApplication>
#include <QMetaObject>

#include <unistd.h>

#include <string>
#include <vector>

#include "launch/CompareToChosen.h"
#include "launch/CorvatineApp.h"
#include "launch/MergeCommandLine.h"
#include "platform/MessageQueue.h"
#include "platform/Output.h"
#include "ui/MainFrame.h"
#include "ui/MergeView.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvatine"));
    QApplication::setApplicationDisplayName(QStringLiteral("Corvatine"));

    // A three-way merge has a window of its own, whose exit status is the
    // merge's.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (corvatine::IsMergeCommand(arguments)) return corvatine::ui::RunMergeWindow(arguments);

    // Warnings of the settings go to stderr, as they come.
    corvatine::platform::CDescriptorOutput err(STDERR_FILENO,
                                               corvatine::platform::CDescriptorOutput::Buffering::None);
    corvatine::CCorvatineApp app;
    app.InitInstance(err);
    // Messages of other threads (the file watcher) reach the window's thread.
    corvatine::platform::UserInterfaceQueue().SetWakeUp([] {
        QMetaObject::invokeMethod(
            qApp, [] { corvatine::platform::UserInterfaceQueue().Pump(); }, Qt::QueuedConnection);
    });

    int status = 0;
    {
        corvatine::ui::CMainFrame frame(app);
        // A file manager's Compare To...: the chooser shows alone, and the
        // window only once a comparison is open in it.
        const bool chooserFirst = corvatine::NamesCompareToChosen(arguments);
        if (!chooserFirst) frame.ShowWindow();
        std::string error;
        if (!frame.StartUp(arguments, error)) {
            err << "corvatine: " << error << "\nTry 'corvatine --help' for more information.\n";
            status = 2;
        } else if (frame.EndedAtStart() >= 0) {
            status = frame.EndedAtStart();
        } else {
            if (chooserFirst) frame.ShowWindow();
            status = application.exec();
        }
    }
    corvatine::platform::UserInterfaceQueue().SetWakeUp(nullptr);
    app.ExitInstance(err);
    return status;
}
