// A most-recently-used list of strings (paths, patterns, search texts) kept in
// one settings section as numbered entries ("File1", "File2", ...).
#pragma once

#include <string>
#include <vector>

#include "platform/Profile.h"

namespace corvatine::platform {

class CRecentFileList {
public:
    // How two entries are found to be the same: paths as file-system paths,
    // anything else character for character.
    enum class Match { Path, Text };

    // entryFormat holds one "%d" for the entry number, counted from 1. A list
    // of size 0 holds nothing, and neither reads nor writes its section.
    CRecentFileList(std::string section, std::string entryFormat, int size, Match match = Match::Path,
                    int displayLength = 0);

    // Puts the item first; an equal entry moves there instead of repeating,
    // and entries beyond the size drop off the end. Empty items are ignored.
    void Add(const std::string& item);
    void Remove(int index);
    void RemoveAll() { m_items.clear(); }

    int GetSize() const { return m_size; }
    int Count() const { return static_cast<int>(m_items.size()); }
    const std::string& operator[](int index) const { return m_items[static_cast<size_t>(index)]; }
    const std::vector<std::string>& Items() const { return m_items; }
    // Longest text a menu shows of one entry; 0 for no limit.
    int DisplayLength() const { return m_displayLength; }

    // Reads entries 1 to the size; missing and empty entries are skipped.
    void Load(const CProfile& profile);
    // Writes the entries numbered from 1 and removes every other value of
    // the section.
    void Save(CProfile& profile) const;

    // The value name of entry number n (from 1).
    std::string EntryName(int n) const;

private:
    bool Same(const std::string& a, const std::string& b) const;

    std::string m_section;
    std::string m_entryFormat;
    int m_size;
    Match m_match;
    int m_displayLength;
    std::vector<std::string> m_items;
};

// A most-recently-used list of path pairs, entry n stored as the values
// "Pair<n>.1" (left) and "Pair<n>.2" (right) of its section.
class CRecentFilePairList {
public:
    struct PAIR {
        std::string left;
        std::string right;
    };

    // entryFormat holds two "%d": the entry number and the side (1, 2).
    CRecentFilePairList(std::string section, std::string entryFormat, int size);

    // Puts the pair first; an equal pair (same paths on the same sides)
    // moves there. Pairs with an empty path are ignored.
    void Add(const std::string& left, const std::string& right);
    void Remove(int index);
    int GetSize() const { return m_size; }
    int Count() const { return static_cast<int>(m_pairs.size()); }
    const PAIR& operator[](int index) const { return m_pairs[static_cast<size_t>(index)]; }

    // Reads entries 1 to the size; incomplete entries are skipped.
    void Load(const CProfile& profile);
    // Writes the entries numbered from 1 and removes every other value.
    void Save(CProfile& profile) const;

    std::string EntryName(int n, int side) const;

private:
    std::string m_section;
    std::string m_entryFormat;
    int m_size;
    std::vector<PAIR> m_pairs;
};

}  // namespace corvatine::platform
