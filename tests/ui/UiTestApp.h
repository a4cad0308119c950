// The application the window's tests run: settings in a folder of their own,
// times in UTC, and the user-interface queue pumped by Qt's event loop.
#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <sstream>

#include "launch/CorvatineApp.h"
#include "platform/MessageQueue.h"

namespace corvatine::uitest {

inline std::unique_ptr<CCorvatineApp> StartTestApp(const QTemporaryDir& config) {
    ::setenv("CORVATINE_CONFIG_DIR", config.path().toLocal8Bit().constData(), 1);
    ::setenv("TZ", "UTC", 1);
    auto app = std::make_unique<CCorvatineApp>();
    std::ostringstream warnings;
    app->InitInstance(warnings);
    platform::UserInterfaceQueue().SetWakeUp([] {
        QMetaObject::invokeMethod(
            qApp, [] { platform::UserInterfaceQueue().Pump(); }, Qt::QueuedConnection);
    });
    return app;
}

inline void StopTestApp() { platform::UserInterfaceQueue().SetWakeUp(nullptr); }

}  // namespace corvatine::uitest
