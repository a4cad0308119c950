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

}  // namespace corvatine::shellext::test
