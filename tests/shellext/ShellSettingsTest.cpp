#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "shellext/ContextMenu.h"

namespace corvatine::shellext {
namespace {

std::string Dump(const SHELLSETTINGS& settings) {
    return "cascaded=" + std::to_string(settings.cascaded) +
           " background=" + std::to_string(settings.background) + " installDir=" + settings.installDir;
}

TEST(ShellSettingsTest, ValuesAsTheProgramWritesThem) {
    EXPECT_EQ(Dump(ParseShellSettings(test::HiveText("/opt/corvatine", 0, 1))),
              "cascaded=0 background=1 installDir=/opt/corvatine");
    EXPECT_EQ(Dump(ParseShellSettings(test::HiveText("/a \"b\"\\c", 1, 0))),
              "cascaded=1 background=0 installDir=/a \"b\"\\c");
}

TEST(ShellSettingsTest, DefaultsWhereValuesAreMissingOrUnusable) {
    struct CASE {
        const char* text;
        const char* expected;
    };
    const CASE cases[] = {
        {"", "cascaded=1 background=0 installDir="},
        {"Windows Registry Editor Version 5.00\n", "cascaded=1 background=0 installDir="},
        // Names and keys compare without case; empty key parts do not count.
        {"Windows Registry Editor Version 5.00\n\n[hkey_current_user\\SOFTWARE\\brasko\\\\Corvatine]\n"
         "\"installdir\"=\"/x\"\n[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\integration\\SHELL]\n"
         "\"CASCADED\"=dword:0\n\"background\"=dword:00000001\n",
         "cascaded=0 background=1 installDir=/x"},
        // Values of the wrong type or out of range take their defaults.
        {"[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine]\n\"InstallDir\"=dword:00000001\n"
         "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Integration\\Shell]\n"
         "\"Cascaded\"=\"0\"\n\"Background\"=dword:00000002\n",
         "cascaded=1 background=0 installDir="},
        // The same names under other keys are not these settings.
        {"[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"InstallDir\"=\"/no\"\n"
         "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Integration]\n\"Cascaded\"=dword:00000000\n",
         "cascaded=1 background=0 installDir="},
        // A file the program would set aside as damaged gives the defaults.
        {"[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine]\n\"InstallDir\"=\"/x\"\ngarbage\n",
         "cascaded=1 background=0 installDir="},
        {"\"InstallDir\"=\"/x\"\n", "cascaded=1 background=0 installDir="},
        {"[HKEY_LOCAL_MACHINE\\Software\\Brasko\\Corvatine]\n\"InstallDir\"=\"/x\"\n",
         "cascaded=1 background=0 installDir="},
        {"[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine]\n\"InstallDir\"=\"/x\n",
         "cascaded=1 background=0 installDir="},
    };
    for (const CASE& c : cases) EXPECT_EQ(Dump(ParseShellSettings(c.text)), c.expected) << c.text;
}

TEST(ShellSettingsTest, MissingFileGivesTheDefaults) {
    corvatine::test::TempDir config;
    EXPECT_EQ(Dump(ReadShellSettings(config.Path())), "cascaded=1 background=0 installDir=");
    EXPECT_EQ(Dump(ReadShellSettings(config / "missing")), "cascaded=1 background=0 installDir=");
    config.WriteFile("registry.reg", test::HiveText("/opt/c", 0, 0));
    EXPECT_EQ(Dump(ReadShellSettings(config.Path())), "cascaded=0 background=0 installDir=/opt/c");
}

TEST(ShellSettingsTest, ConfigurationFolderFollowsTheEnvironment) {
    {
        corvatine::test::ScopedEnv config("CORVATINE_CONFIG_DIR", "/cfg/here");
        EXPECT_EQ(ShellConfigFolder(), "/cfg/here");
    }
    corvatine::test::ScopedEnv config("CORVATINE_CONFIG_DIR", "");
    {
        corvatine::test::ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/");
        EXPECT_EQ(ShellConfigFolder(), "/xdg/corvatine");
    }
    corvatine::test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative");
    corvatine::test::ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(ShellConfigFolder(), "/home/someone/.config/corvatine");
}

}  // namespace
}  // namespace corvatine::shellext
