// The program ignoring comments (-r:ic) in the languages of today's files:
// for each, a real-looking file against a copy changed only in comments
// (equal) and against copies changed in code or in a string that looks like
// a comment (different). Here-documents, shell strings with quotes inside
// "$(...)" and Perl patterns are among them. The language chosen for each
// file, by extension or whole name, is checked as the editor reports it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

struct EDIT {
    const char* from;
    const char* to;
};

struct LANGUAGEFILE {
    const char* name;      // the file's name: its extension or itself chooses the language
    const char* language;  // as "corvatine -e" names it
    const char* text;
    std::vector<EDIT> commentEdits;  // together: a change in comments only
    std::vector<EDIT> codeEdits;     // each on its own: a change that counts
};

const std::vector<LANGUAGEFILE> kFiles = {
    {"api.js",
     "JavaScript",
     R"FILE(// Client for the users API.
import { request } from './http.js';

/**
 * Loads one page of users.
 * @param {number} page the page, from 1
 */
export async function loadUsers(page) {
  const url = `${BASE}/users?page=${page}&sort=${encodeURIComponent("name // asc")}`;
  const pattern = /^\/\*\s*user:(\d+)\s*\*\//; // an id in a block comment
  const half = total / 2; // not a pattern
  return request(url).then((r) => r.json()); /* JSON body */
}
)FILE",
     {{"Loads one page", "Loads a page"},
      {"// an id in a", "// the id in a"},
      {"/* JSON body */", "/* body */"}},
     {{"\"name // asc\"", "\"name // desc\""}, {"(\\d+)", "(\\d*)"}}},
    {"store.ts",
     "TypeScript",
     R"FILE(/* Store of the session's state. */
export interface Session {
  readonly user: string; // who is signed in
  expires: number;
}

@Injectable({ providedIn: 'root' })
export class SessionStore {
  private key = 'session:/*current*/';
  load(): Session | null {
    const raw = localStorage.getItem(this.key); // may be absent
    return raw ? (JSON.parse(raw) as Session) : null;
  }
}
)FILE",
     {{"// may be absent", "// null when absent"}, {"session's state", "state of the session"}},
     {{"/*current*/", "/*latest*/"}}},
    {"tsconfig.json",
     "JSON",
     R"FILE({
  // Shared compiler options.
  "compilerOptions": {
    "target": "ES2022",
    "strict": true, /* keep this on */
    "paths": { "@app/*": ["src/app/*"] }
  },
  "include": ["src/**/*.ts"]
}
)FILE",
     {{"keep this on", "never turn this off"}, {"// Shared", "// Common"}},
     {{"src/**/*.ts", "src/**/*.tsx"}}},
    {"ci.yml",
     "YAML",
     R"FILE(# Build and test on every push.
name: CI
on:
  push:
    branches: [main]
jobs:
  test:
    runs-on: ubuntu-latest # the default image
    env: { TAG: "v1 # beta" }
    steps:
      - uses: actions/checkout@v4
      - name: Build
        run: |
          # configure in a fresh folder
          cmake -S . -B build
          cmake --build build
      - name: Report
        run: echo "$GITHUB_SHA" # say so
)FILE",
     {{"# the default image", "# the newest image"}, {"# say so", "# report"}},
     {{"# configure in a fresh folder", "# configure in a clean folder"}, {"v1 # beta", "v1 # rc"}}},
    {"README.md",
     "Markdown",
     R"FILE(# Widgets <!-- keep the title short -->

Build with `make` and run `./widgets --help`.

<!--
Release notes go below.
-->

```sh
# install the dependencies first
sudo apt install libwidget-dev
```
)FILE",
     {{"keep the title short", "the title stays short"}, {"Release notes go below.", "Notes follow."}},
     {{"# install the dependencies first", "# install the packages first"}, {"`make`", "`make all`"}}},
    {"site.css",
     "CSS",
     R"FILE(/* Layout of the page. */
@media (max-width: 600px) {
  .nav a:hover { color: #333; } /* darker on hover */
}
body {
  font-family: "Noto Sans", sans-serif;
  background: url("img/bg.png"); /* tiled */
}
.note::before { content: "/* note */"; }
)FILE",
     {{"darker on hover", "dark on hover"}, {"/* tiled */", "/* repeated */"}},
     {{"\"/* note */\"", "\"/* tip */\""}, {"#333", "#444"}}},
    {"index.html",
     "HTML",
     R"FILE(<!DOCTYPE html>
<html>
<head>
<style>
  /* the banner's colours */
  .banner { color: white; background: navy; }
</style>
</head>
<body><div class="banner">Hello</div><!-- the greeting --></body>
</html>
)FILE",
     {{"the banner's colours", "banner colours"}, {"the greeting", "a greeting"}},
     {{"navy", "teal"}}},
    {"lib.rs",
     "Rust",
     R"FILE(//! Parsing of the configuration.
use std::collections::HashMap;

/* Block comments /* nest */ in Rust. */
#[derive(Debug, Default)]
pub struct Config {
    values: HashMap<String, String>, // key to value
}

impl Config {
    pub fn get<'a>(&'a self, key: &str) -> Option<&'a str> {
        let sep = '/'; // a character, not a comment
        let pattern = r#"^\s*// (\w+)"#;
        self.values.get(key).map(|v| v.as_str())
    }
}
)FILE",
     {{"// key to value", "// keys to values"},
      {"/* nest */", "/* can nest */"},
      {"in Rust. */", "here. */"}},
     {{"(\\w+)\"#", "(\\w*)\"#"}, {"'/'", "'\\\\'"}}},
    {"main.go",
     "Go",
     R"FILE(// Command hello greets.
package main

import "fmt"

/* usage is printed by -h */
const usage = `hello [name]
// prints a greeting`

func main() {
	fmt.Println("Hello, // world") // the greeting
}
)FILE",
     {{"// the greeting", "// a greeting"}, {"printed by -h", "printed with -h"}},
     {{"// prints a greeting`", "// prints the greeting`"}, {"Hello, // world", "Hello, // there"}}},
    {"Main.kt",
     "Kotlin",
     R"FILE(/* Entry point. /* Nested comments are fine. */ */
package demo

@JvmStatic
fun main(args: Array<String>) {
    val name = args.firstOrNull() ?: "world" // the default
    println("Hello, ${name.replace("/*", "")}!")
    val help = """
        // Usage: demo [name]
    """.trimIndent()
}
)FILE",
     {{"// the default", "// default"}, {"Nested comments are fine.", "They nest."}},
     {{"// Usage: demo [name]", "// Usage: demo NAME"}, {"\"/*\", \"\"", "\"/*\", \" \""}}},
    {"loader.rb",
     "Ruby",
     R"FILE(# frozen_string_literal: true

=begin
Loads the configuration.
=end
class Loader
  KEYS = %w[name # port] # the keys read
  def load(path)
    sql = <<~SQL
      -- # select the settings
      SELECT * FROM settings
    SQL
    File.read(path).scan(/^#\s*(\w+)/) # comment lines
  end
end
)FILE",
     {{"Loads the configuration.", "Loads settings."}, {"# the keys read", "# keys read"}},
     {{"-- # select the settings", "-- # read the settings"}, {"name # port", "name # host"}}},
    {"init.lua",
     "Lua",
     R"FILE(-- Settings for the editor.
local opts = {
  number = true, -- show line numbers
  comments = [[-- not a comment]],
}
--[==[
Older settings:
opts.wrap = false
]==]
return opts
)FILE",
     {{"show line numbers", "line numbers"}, {"opts.wrap = false", "opts.wrap = true"}},
     {{"[[-- not a comment]]", "[[-- still not a comment]]"}, {"number = true", "number = false"}}},
    {"CMakeLists.txt",
     "CMake",
     R"FILE(cmake_minimum_required(VERSION 3.16)
project(demo LANGUAGES CXX) # C++ only

#[[ The library and the program,
    built from the same sources. ]]
add_library(core STATIC src/core.cpp)
target_compile_definitions(core PRIVATE GREETING="hello # world")
add_executable(demo src/main.cpp)
target_link_libraries(demo PRIVATE core) # link it
)FILE",
     {{"# C++ only", "# just C++"}, {"built from the same sources.", "from one set of sources."}},
     {{"hello # world", "hello # there"}, {"STATIC", "SHARED"}}},
    {"Makefile",
     "Makefile",
     R"FILE(# Build the demo.
CFLAGS := -O2 -Wall # warnings on
OBJS = main.o \
	util.o

demo: $(OBJS)
	$(CC) $(CFLAGS) -o $@ $^ # link
	@echo "# built $@"

define HELP
# make demo: build the program
endef
export HELP
)FILE",
     {{"# warnings on", "# all warnings"}, {"# link", "# link them"}, {"# Build the demo.", "# Builds."}},
     {{"# make demo: build the program", "# make demo: build it"}, {"\"# built $@\"", "\"# made $@\""}}},
    {"Dockerfile",
     "Dockerfile",
     R"FILE(# syntax=docker/dockerfile:1
FROM debian:bookworm-slim
# The tools the build needs.
RUN apt-get update && \
    # keep the image small
    apt-get install -y --no-install-recommends curl && \
    rm -rf /var/lib/apt/lists/* # clean up
COPY <<EOF /etc/motd
# Welcome to the build image
EOF
ENV NOTE=a #b
CMD ["sh", "-c", "echo ready"]
)FILE",
     {{"# keep the image small", "# keep it small"},
      {"# The tools the build needs.", "# Tools."},
      {"# clean up", "# tidy"}},
     {{"# Welcome to the build image", "# Welcome!"}, {"NOTE=a #b", "NOTE=a #c"}}},
    {"Cargo.toml",
     "TOML",
     R"FILE([package]
name = "demo" # the crate
version = "0.1.0"
description = """
A demo # with a hash
"""

[dependencies]
serde = { version = "1", features = ["derive"] } # serialisation
)FILE",
     {{"# the crate", "# crate name"}, {"# serialisation", "# serde"}},
     {{"A demo # with a hash", "A demo # with two hashes"}, {"\"0.1.0\"", "\"0.2.0\""}}},
    {"0001-Fix-the-greeting.patch",
     "Diff",
     R"FILE(From 3f2a1c0 Mon Sep 17 00:00:00 2001
From: A U Thor <author@example.com>
Subject: [PATCH] Fix the greeting

The greeting lost its comma.
---
 hello.c | 2 +-
 1 file changed, 1 insertion(+), 1 deletion(-)

diff --git a/hello.c b/hello.c
index 1111111..2222222 100644
--- a/hello.c
+++ b/hello.c
@@ -1,3 +1,3 @@
 #include <stdio.h>
-int main(void) { puts("Hello world"); }
+int main(void) { puts("Hello, world"); }
 /* end */
-- 
2.39.2
)FILE",
     {{"The greeting lost its comma.", "The comma was missing."}, {"2.39.2", "2.40.0"}},
     {{"+int main(void) { puts(\"Hello, world\"); }", "+int main(void) { puts(\"Hello, world!\"); }"},
      {" /* end */", " /* the end */"}}},
    {"release.sh",
     "Shell",
     R"FILE(#!/bin/sh
# Open the pull request.
gh pr create --title "Release $VERSION" --body "$(cat <<'EOF'
## Summary
Release notes follow.
EOF
)"
cat > /etc/cron.d/backup <<EOF
## nightly backup
0 2 * * * root /usr/local/bin/backup.sh
EOF
NAME="$(basename "${FILE}" .md)" # the page's name
echo "$(printf '%s' "it's")" # say it
# done
)FILE",
     {{"# the page's name", "# page name"}, {"# done", "# finished"}, {"# say it", "# say"}},
     {{"## Summary", "## Overview"}, {"## nightly backup", "## backup at night"}, {" .md)", " .txt)"}}},
    {"mkdef.pl",
     "Perl",
     R"FILE(#!/usr/bin/perl
# Writes the export definitions.
use strict;
my @e = grep(/^SSLeay/, @functions);
if ($line =~ /^\s*return/) { $returns++; } # count the returns
if ($attr =~ /[\"\']/) { $quoted++; } # quoted attributes
print OUT <<"EOF";
# Definition file for the DLL version of the $name library
EOF
# done
)FILE",
     {{"# count the returns", "# returns"}, {"# quoted attributes", "# quoted"}, {"# done", "# finished"}},
     {{"# Definition file for the DLL version", "# Definition file for the version"}, {"return/", "retur/"}}},
};

std::string Apply(std::string text, const EDIT& edit) {
    const size_t at = text.find(edit.from);
    EXPECT_NE(at, std::string::npos) << edit.from;
    EXPECT_EQ(text.find(edit.from, at + 1), std::string::npos) << "twice: " << edit.from;
    if (at != std::string::npos) text.replace(at, std::string(edit.from).size(), edit.to);
    return text;
}

class LanguagesTest : public ::testing::Test {
protected:
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, m_dir.Path(),
                                  {"CORVATINE_CONFIG_DIR=" + m_config.Path(), "NO_COLOR="});
    }
    // The exit status of comparing a/NAME with b/NAME as text, ignoring comments or not.
    int Compare(const std::string& name, bool ignoreComments) {
        std::vector<std::string> arguments = {"-c", "-t:text"};
        if (ignoreComments) arguments.push_back("-r:ic");
        arguments.push_back("a/" + name);
        arguments.push_back("b/" + name);
        const test::ProgramResult result = Run(arguments);
        EXPECT_TRUE(result.exitStatus == 0 || result.exitStatus == 1) << result.err;
        return result.exitStatus;
    }

    test::TempDir m_dir;
    test::TempDir m_config;
};

TEST_F(LanguagesTest, ChangesInCommentsAloneAreEqual) {
    for (const LANGUAGEFILE& file : kFiles) {
        SCOPED_TRACE(file.name);
        m_dir.WriteFile(std::string("a/") + file.name, file.text);
        const Json info = Json::parse(Run({"-e", std::string("a/") + file.name}).out);
        EXPECT_EQ(info["language"], file.language);

        std::string commented = file.text;
        for (const EDIT& edit : file.commentEdits) commented = Apply(commented, edit);
        m_dir.WriteFile(std::string("b/") + file.name, commented);
        EXPECT_EQ(Compare(file.name, true), 0);
        EXPECT_EQ(Compare(file.name, false), 1);

        for (const EDIT& edit : file.codeEdits) {
            SCOPED_TRACE(edit.from);
            m_dir.WriteFile(std::string("b/") + file.name, Apply(file.text, edit));
            EXPECT_EQ(Compare(file.name, true), 1);
        }
    }
}

// Names that choose a language whatever their extension, or without one.
TEST_F(LanguagesTest, WholeFileNamesChooseTheLanguage) {
    const struct {
        const char* name;
        const char* language;
    } cases[] = {
        {"GNUmakefile", "Makefile"},
        {"makefile", "Makefile"},
        {"rules.mk", "Makefile"},
        {"Containerfile", "Dockerfile"},
        {"web.dockerfile", "Dockerfile"},
        {"FindZlib.cmake", "CMake"},
        {"Gemfile", "Ruby"},
        {"view.jsx", "JavaScript"},
        {"App.tsx", "TypeScript"},
        {"lib.mjs", "JavaScript"},
        {"build.gradle.kts", "Kotlin"},
        {"Main.java", "Java"},
        {"CMakeLists.txt.orig", "Text"},
        {"notes.txt", "Text"},
    };
    for (const auto& c : cases) {
        m_dir.WriteFile(c.name, "x\n");
        EXPECT_EQ(Json::parse(Run({"-e", c.name}).out)["language"], c.language) << c.name;
    }
}

// --help (and so the man page made from it) names every language with its
// names and extensions, as the program chooses them.
TEST_F(LanguagesTest, HelpListsTheLanguages) {
    const test::ProgramResult result = Run({"--help"});
    ASSERT_EQ(result.exitStatus, 0);
    std::string text = result.out;
    for (char& c : text)
        if (c == '\n') c = ' ';
    for (const char* entry :
         {"JavaScript (js, mjs, cjs, jsx)", "TypeScript (ts, tsx, mts, cts)", "Java (java, jav)",
          "JSON (json, jsonc)", "YAML (yaml, yml)", "Markdown (md, markdown, mdown, mkd)", "CSS (css)",
          "Rust (rs)", "Go (go)", "Kotlin (kt, kts)", "Ruby (Gemfile, Rakefile, rb, rake, gemspec, ru)",
          "Lua (lua)", "CMake (CMakeLists.txt, cmake)", "Makefile (Makefile, GNUmakefile, mk, mak)",
          "Dockerfile (Dockerfile, Containerfile, dockerfile)", "TOML (toml)", "Diff (diff, patch, rej)",
          "Shell (sh, conf)", "Perl (pl)"})
        EXPECT_NE(text.find(entry), std::string::npos) << entry;
    // The paragraph keeps within 79 columns, as the text around it.
    const size_t paragraph = result.out.find("Languages colour");
    ASSERT_NE(paragraph, std::string::npos);
    const size_t paragraphEnd = result.out.find("\n\n", paragraph);
    size_t start = paragraph;
    for (size_t end = result.out.find('\n', start); end <= paragraphEnd;
         start = end + 1, end = result.out.find('\n', start))
        EXPECT_LE(end - start, 79u) << result.out.substr(start, end - start);
}

}  // namespace
}  // namespace corvatine
