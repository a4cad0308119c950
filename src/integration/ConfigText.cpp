#include "integration/ConfigText.h"

namespace corvatine {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && (IsBlank(text[first]) || text[first] == '\r')) ++first;
    while (last > first && (IsBlank(text[last - 1]) || text[last - 1] == '\r')) --last;
    return std::string(text.substr(first, last - first));
}

// Where the value of an entry line of the name starts, or npos.
size_t EntryValueStart(const std::string& line, const std::string& name) {
    if (line.compare(0, name.size(), name) != 0) return std::string::npos;
    size_t at = name.size();
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size() || (line[at] != '=' && line[at] != ':')) return std::string::npos;
    return at + 1;
}

}  // namespace

CConfigText::CConfigText(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            m_lines.emplace_back(text.substr(start));
            m_finalNewline = false;
            return;
        }
        m_lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    m_finalNewline = !m_lines.empty();
}

std::string CConfigText::Text() const {
    std::string text;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += m_lines[i];
    }
    if (m_finalNewline) text += '\n';
    return text;
}

bool CConfigText::IsHeader(const std::string& line, std::string& name) {
    if (line.empty() || line[0] != '[') return false;
    const size_t close = line.find(']');
    if (close == std::string::npos) return false;
    name = Trim(std::string_view(line).substr(1, close - 1));
    return true;
}

int CConfigText::FindEntry(const std::string& section, const std::string& name) const {
    int found = -1;
    std::string current, header;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (IsHeader(m_lines[i], header)) {
            current = header;
            continue;
        }
        if (current == section && EntryValueStart(m_lines[i], name) != std::string::npos)
            found = static_cast<int>(i);
    }
    return found;
}

std::string CConfigText::EntryValue(int line) const {
    const std::string& text = Line(line);
    size_t at = 0;
    while (at < text.size() && text[at] != '=' && text[at] != ':') ++at;
    return at < text.size() ? Trim(std::string_view(text).substr(at + 1)) : std::string();
}

int CConfigText::EntryLineCount(int line) const {
    size_t end = static_cast<size_t>(line) + 1;
    while (end < m_lines.size() && !m_lines[end].empty() && IsBlank(m_lines[end][0]) &&
           !Trim(m_lines[end]).empty())
        ++end;
    return static_cast<int>(end) - line;
}

std::string CConfigText::EntryText(int line) const {
    std::string text = Line(line);
    for (int i = 1, count = EntryLineCount(line); i < count; ++i) text += "\n" + Line(line + i);
    return text;
}

void CConfigText::ReplaceEntry(int line, const std::string& text) {
    RemoveEntry(line);
    InsertLines(line, text);
}

void CConfigText::RemoveEntry(int line) {
    const int count = EntryLineCount(line);
    m_lines.erase(m_lines.begin() + line, m_lines.begin() + line + count);
}

void CConfigText::InsertLines(int before, const std::string& text) {
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        InsertLine(before++, text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return;
        start = end + 1;
    }
}

int CConfigText::FindSection(const std::string& section) const {
    std::string header;
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (IsHeader(m_lines[i], header) && header == section) return static_cast<int>(i);
    return -1;
}

void CConfigText::InsertLine(int before, std::string text) {
    // A line put after an unfinished last line finishes that one.
    if (static_cast<size_t>(before) == m_lines.size()) m_finalNewline = true;
    m_lines.insert(m_lines.begin() + before, std::move(text));
}

void CConfigText::RemoveLine(int line) { m_lines.erase(m_lines.begin() + line); }

std::string CConfigText::AppendSection(const std::string& section, const std::string& line) {
    std::string prefix;
    if (!m_lines.empty()) {
        if (!m_finalNewline) prefix += '\n';
        prefix += '\n';
    }
    const std::string text = Text() + prefix + "[" + section + "]\n" + line + "\n";
    *this = CConfigText(text);
    return prefix;
}

bool CConfigText::RemoveAppendedSection(const std::string& section, const std::string& prefix) {
    int header = -1;
    std::string name;
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (IsHeader(m_lines[i], name) && name == section) header = static_cast<int>(i);
    if (header < 0) return false;
    size_t end = static_cast<size_t>(header) + 1;
    for (; end < m_lines.size(); ++end) {
        if (IsHeader(m_lines[end], name)) break;
        if (!Trim(m_lines[end]).empty()) return false;
    }
    if (end < m_lines.size()) {
        RemoveLine(header);
        return true;
    }
    // The section ends the file: the file is cut before its header, and the
    // prefix put before it goes too.
    std::string text;
    for (int i = 0; i < header; ++i) text += m_lines[static_cast<size_t>(i)] + "\n";
    if (text.size() >= prefix.size() && text.compare(text.size() - prefix.size(), prefix.size(), prefix) == 0)
        text.resize(text.size() - prefix.size());
    *this = CConfigText(text);
    return true;
}

}  // namespace corvatine
