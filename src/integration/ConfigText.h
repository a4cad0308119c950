// A configuration file of sections and "name = value" entries (Subversion's
// config, Mercurial's hgrc), edited line by line: comments, order, spacing
// and every line not touched stay byte for byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvatine {

class CConfigText {
public:
    explicit CConfigText(std::string_view text);

    // The whole file again.
    std::string Text() const;

    // The last active entry of the name in any section of that name: a line
    // that starts (in its first column) with the name followed by blanks and
    // '=' or ':'. -1 when there is none. Names compare exactly.
    int FindEntry(const std::string& section, const std::string& name) const;
    // The value of an entry line, without the blanks around it.
    std::string EntryValue(int line) const;
    // The lines an entry takes: its own and the indented lines after it,
    // which continue its value (as Subversion and Mercurial read them).
    int EntryLineCount(int line) const;
    // Those lines, joined by '\n'.
    std::string EntryText(int line) const;
    // Replaces an entry's lines with those of text (joined by '\n').
    void ReplaceEntry(int line, const std::string& text);
    // Removes an entry with the lines that continue it.
    void RemoveEntry(int line);
    // Inserts the lines of text (joined by '\n') before a line.
    void InsertLines(int before, const std::string& text);
    const std::string& Line(int line) const { return m_lines[static_cast<size_t>(line)]; }

    // The first header line "[section]", -1 when there is none.
    int FindSection(const std::string& section) const;

    void ReplaceLine(int line, std::string text) { m_lines[static_cast<size_t>(line)] = std::move(text); }
    void InsertLine(int before, std::string text);
    void RemoveLine(int line);

    // Puts "[section]" and the line at the end of the file, after a blank line
    // unless the file is empty. Returns what was put before the header (a
    // line break ending an unfinished last line, the blank line), which
    // RemoveAppendedSection takes away again.
    std::string AppendSection(const std::string& section, const std::string& line);
    // Removes the last header of the section when no entry follows it up to
    // the next header (blank lines do not count). When it ends the file, the
    // prefix AppendSection reported goes with it, so that the file is again
    // byte for byte what it was. False when there is no such empty section.
    bool RemoveAppendedSection(const std::string& section, const std::string& prefix);

private:
    // The section a line belongs to ("" before the first header).
    static bool IsHeader(const std::string& line, std::string& name);

    std::vector<std::string> m_lines;  // without their '\n'
    bool m_finalNewline = false;       // the last line ends with '\n'
};

}  // namespace corvatine
