// Keyword sets of CMake, make and Dockerfiles.
#include "editor/SyntaxKeywords.h"

namespace corvatine::keywords {

// The CMake commands projects use most: scripting, project and target
// commands, and the ends of their blocks.
const CKeywordSet& CmakeCommands() {
    static const CKeywordSet set({"add_compile_definitions",
                                  "add_compile_options",
                                  "add_custom_command",
                                  "add_custom_target",
                                  "add_definitions",
                                  "add_dependencies",
                                  "add_executable",
                                  "add_library",
                                  "add_link_options",
                                  "add_subdirectory",
                                  "add_test",
                                  "block",
                                  "break",
                                  "cmake_minimum_required",
                                  "cmake_parse_arguments",
                                  "cmake_path",
                                  "cmake_policy",
                                  "configure_file",
                                  "continue",
                                  "else",
                                  "elseif",
                                  "enable_language",
                                  "enable_testing",
                                  "endblock",
                                  "endforeach",
                                  "endfunction",
                                  "endif",
                                  "endmacro",
                                  "endwhile",
                                  "execute_process",
                                  "file",
                                  "find_file",
                                  "find_library",
                                  "find_package",
                                  "find_path",
                                  "find_program",
                                  "foreach",
                                  "function",
                                  "get_filename_component",
                                  "get_property",
                                  "get_target_property",
                                  "if",
                                  "include",
                                  "include_directories",
                                  "install",
                                  "link_directories",
                                  "link_libraries",
                                  "list",
                                  "macro",
                                  "mark_as_advanced",
                                  "math",
                                  "message",
                                  "option",
                                  "project",
                                  "return",
                                  "set",
                                  "set_property",
                                  "set_source_files_properties",
                                  "set_target_properties",
                                  "set_tests_properties",
                                  "string",
                                  "target_compile_definitions",
                                  "target_compile_features",
                                  "target_compile_options",
                                  "target_include_directories",
                                  "target_link_libraries",
                                  "target_link_options",
                                  "target_sources",
                                  "try_compile",
                                  "unset",
                                  "while"},
                                 false);
    return set;
}

// The upper-case keyword arguments of those commands.
const CKeywordSet& CmakeArguments() {
    static const CKeywordSet set(
        {"ALIAS",      "ALL",          "AND",          "APPEND",     "BOOL",
         "CACHE",      "COMMAND",      "COMMENT",      "COMPONENTS", "CONFIG",
         "DEFINED",    "DEPENDS",      "DESTINATION",  "DIRECTORY",  "EQUAL",
         "EXISTS",     "FATAL_ERROR",  "FILEPATH",     "FILES",      "FORCE",
         "GLOB",       "GLOB_RECURSE", "GREATER",      "IMPORTED",   "INTERFACE",
         "INTERNAL",   "LANGUAGES",    "LESS",         "MATCHES",    "MODULE",
         "NAME",       "NOT",          "OBJECT",       "OFF",        "ON",
         "OR",         "OUTPUT",       "PARENT_SCOPE", "PATH",       "PRIVATE",
         "PROPERTIES", "PUBLIC",       "QUIET",        "REQUIRED",   "SHARED",
         "STATIC",     "STATUS",       "STREQUAL",     "STRING",     "TARGET",
         "TARGETS",    "VERBATIM",     "VERSION",      "WARNING",    "WORKING_DIRECTORY"},
        true);
    return set;
}

// GNU make's directives and the special targets.
const CKeywordSet& MakeDirectives() {
    static const CKeywordSet set({"define",
                                  "else",
                                  "endef",
                                  "endif",
                                  "export",
                                  "ifdef",
                                  "ifeq",
                                  "ifndef",
                                  "ifneq",
                                  "include",
                                  "-include",
                                  "override",
                                  "private",
                                  "sinclude",
                                  "undefine",
                                  "unexport",
                                  "vpath",
                                  ".DEFAULT",
                                  ".DELETE_ON_ERROR",
                                  ".EXPORT_ALL_VARIABLES",
                                  ".IGNORE",
                                  ".INTERMEDIATE",
                                  ".NOTPARALLEL",
                                  ".ONESHELL",
                                  ".PHONY",
                                  ".POSIX",
                                  ".PRECIOUS",
                                  ".SECONDARY",
                                  ".SECONDEXPANSION",
                                  ".SILENT",
                                  ".SUFFIXES"},
                                 true);
    return set;
}

// The instructions of a Dockerfile.
const CKeywordSet& DockerInstructions() {
    static const CKeywordSet set(
        {"ADD", "ARG", "CMD", "COPY", "ENTRYPOINT", "ENV", "EXPOSE", "FROM", "HEALTHCHECK", "LABEL",
         "MAINTAINER", "ONBUILD", "RUN", "SHELL", "STOPSIGNAL", "USER", "VOLUME", "WORKDIR"},
        false);
    return set;
}

}  // namespace corvatine::keywords
