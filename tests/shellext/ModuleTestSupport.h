// Loading a file-manager module as the file manager would, without the file
// manager: a type module that is always loaded, file objects that answer only
// their location, and the recording program the menu commands start.
#pragma once

#include <dlfcn.h>
#include <gio/gio.h>
#include <glib-object.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"

namespace corvatine::shellext::test {

// A GTypeModule whose load always succeeds: the module's types are
// registered on it.
inline GType AlwaysLoadedModuleType() {
    static GType type = 0;
    if (type == 0) {
        const GTypeInfo info = {sizeof(GTypeModuleClass),
                                nullptr,
                                nullptr,
                                [](gpointer klass, gpointer) {
                                    auto* moduleClass = G_TYPE_MODULE_CLASS(klass);
                                    moduleClass->load = [](GTypeModule*) -> gboolean { return TRUE; };
                                    moduleClass->unload = [](GTypeModule*) {};
                                },
                                nullptr,
                                nullptr,
                                sizeof(GTypeModule),
                                0,
                                nullptr,
                                nullptr};
        type = g_type_register_static(G_TYPE_TYPE_MODULE, "CorvashellTestTypeModule", &info,
                                      static_cast<GTypeFlags>(0));
    }
    return type;
}

// A file object of the file manager: only its location is asked for.
struct FAKEFILE {
    GObject parent;
    char* path;
};

// Registers the fake file type implementing the file manager's file
// interface; initInterface sets its get_location to FakeLocation.
inline GType FakeFileType(GType fileInterface, GInterfaceInitFunc initInterface) {
    static GType type = 0;
    if (type == 0) {
        const GTypeInfo info = {sizeof(GObjectClass),
                                nullptr,
                                nullptr,
                                [](gpointer klass, gpointer) {
                                    G_OBJECT_CLASS(klass)->finalize = [](GObject* object) {
                                        g_free(reinterpret_cast<FAKEFILE*>(object)->path);
                                        G_OBJECT_CLASS(g_type_class_peek(G_TYPE_OBJECT))->finalize(object);
                                    };
                                },
                                nullptr,
                                nullptr,
                                sizeof(FAKEFILE),
                                0,
                                nullptr,
                                nullptr};
        type = g_type_register_static(G_TYPE_OBJECT, "CorvashellTestFile", &info, static_cast<GTypeFlags>(0));
        const GInterfaceInfo interfaceInfo = {initInterface, nullptr, nullptr};
        g_type_add_interface_static(type, fileInterface, &interfaceInfo);
    }
    return type;
}

template <typename FILEINFO>
GFile* FakeLocation(FILEINFO* file) {
    return g_file_new_for_path(reinterpret_cast<FAKEFILE*>(file)->path);
}

inline GObject* NewFakeFile(GType type, const std::string& path) {
    auto* file = static_cast<FAKEFILE*>(g_object_new(type, nullptr));
    file->path = g_strdup(path.c_str());
    return G_OBJECT(file);
}

// The recording program in folder (named corvatine, as InstallDir holds
// it) and the file its arguments arrive in, NUL-terminated.
inline std::string WriteRecordingProgram(const corvatine::test::TempDir& folder) {
    const std::string program =
        folder.WriteFile("corvatine",
                         "#!/bin/sh\n"
                         "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.tmp\"\n"
                         "mv \"$0.tmp\" \"$0.argv\"\n");
    ::chmod(program.c_str(), 0755);
    return program + ".argv";
}

// Waits up to 20 s for the recorded arguments.
inline std::vector<std::string> RecordedArguments(const std::string& argvFile) {
    for (int i = 0; i < 400; ++i) {
        struct stat status;
        if (::stat(argvFile.c_str(), &status) == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::string bytes = corvatine::test::ReadFile(argvFile);
    std::vector<std::string> arguments;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        arguments.push_back(bytes.substr(start, end - start));
    return arguments;
}

// Writes the settings the modules read, into the configuration folder the
// test process was started with ($CORVATINE_CONFIG_DIR).
inline void WriteModuleSettings(const std::string& installDir, int cascaded, int background) {
    const char* config = std::getenv("CORVATINE_CONFIG_DIR");
    ASSERT_NE(config, nullptr);
    FILE* file = std::fopen((std::string(config) + "/registry.reg").c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(HiveText(installDir, cascaded, background).c_str(), file);
    std::fclose(file);
}

// A session bus of the test's own (GTestDBus, a private dbus-daemon) with a
// notification server on it, org.freedesktop.Notifications as the desktops
// serve it, that records each notification; and the warnings logged meanwhile.
class CNotificationServer {
public:
    CNotificationServer() {
        m_previousHandler = g_log_set_default_handler(
            [](const gchar*, GLogLevelFlags level, const gchar* message, gpointer self) {
                if ((level & G_LOG_LEVEL_WARNING) != 0)
                    static_cast<CNotificationServer*>(self)->warnings.push_back(message);
            },
            this);
        if (FindProgram("dbus-daemon").empty()) return;
        m_bus = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(m_bus);
        GError* error = nullptr;
        m_connection = g_dbus_connection_new_for_address_sync(
            g_test_dbus_get_bus_address(m_bus),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (m_connection == nullptr) {
            ADD_FAILURE() << "cannot connect to the test's bus: " << error->message;
            g_error_free(error);
            return;
        }
        m_info = g_dbus_node_info_new_for_xml(
            "<node><interface name='org.freedesktop.Notifications'><method name='Notify'>"
            "<arg type='s' direction='in'/><arg type='u' direction='in'/><arg type='s' direction='in'/>"
            "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='as' direction='in'/>"
            "<arg type='a{sv}' direction='in'/><arg type='i' direction='in'/><arg type='u' direction='out'/>"
            "</method></interface></node>",
            nullptr);
        static const GDBusInterfaceVTable vtable = {Notify, nullptr, nullptr, {}};
        m_object = g_dbus_connection_register_object(m_connection, "/org/freedesktop/Notifications",
                                                     m_info->interfaces[0], &vtable, this, nullptr, nullptr);
        GVariant* reply = g_dbus_connection_call_sync(
            m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", "org.freedesktop.Notifications", 4u), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply != nullptr) g_variant_unref(reply);
        m_up = reply != nullptr && m_object != 0;
    }
    ~CNotificationServer() {
        if (m_object != 0) g_dbus_connection_unregister_object(m_connection, m_object);
        if (m_connection != nullptr) {
            g_dbus_connection_close_sync(m_connection, nullptr, nullptr);
            g_object_unref(m_connection);
        }
        if (m_info != nullptr) g_dbus_node_info_unref(m_info);
        if (m_bus != nullptr) {
            g_test_dbus_down(m_bus);
            g_object_unref(m_bus);
        }
        g_log_set_default_handler(m_previousHandler, nullptr);
    }
    CNotificationServer(const CNotificationServer&) = delete;
    CNotificationServer& operator=(const CNotificationServer&) = delete;

    // False when there is no dbus-daemon to run the bus.
    bool Up() const { return m_up; }

    // Waits up to 20 s for the next notification: "APP|ICON|SUMMARY|BODY",
    // empty when none came.
    std::string Next() {
        for (int i = 0; i < 2000 && m_notifications.empty(); ++i) {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            if (m_notifications.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (m_notifications.empty()) return {};
        std::string next = m_notifications.front();
        m_notifications.erase(m_notifications.begin());
        return next;
    }

    std::vector<std::string> warnings;

private:
    static std::string FindProgram(const char* name) {
        gchar* found = g_find_program_in_path(name);
        std::string path = found != nullptr ? found : "";
        g_free(found);
        return path;
    }
    static void Notify(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
        const gchar *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
        guint32 replaces = 0;
        gint32 timeout = 0;
        g_variant_get(parameters, "(&su&s&s&s@as@a{sv}i)", &app, &replaces, &icon, &summary, &body, nullptr,
                      nullptr, &timeout);
        static_cast<CNotificationServer*>(self)->m_notifications.push_back(std::string(app) + "|" + icon +
                                                                           "|" + summary + "|" + body);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 1u));
    }

    GLogFunc m_previousHandler = nullptr;
    GTestDBus* m_bus = nullptr;
    GDBusConnection* m_connection = nullptr;
    GDBusNodeInfo* m_info = nullptr;
    guint m_object = 0;
    bool m_up = false;
    std::vector<std::string> m_notifications;
};

}  // namespace corvatine::shellext::test
