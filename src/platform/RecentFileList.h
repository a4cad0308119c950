// A most-recently-used list of strings (paths, patterns, search texts) kept in
// one settings section as numbered entries ("File1", "File2", ...).
//
// Other runs of the program may save the same section meanwhile, so a list
// remembers what it did since it was loaded (the entries it put first or
// removed), and Save hands that to the hive as an update (CProfile::Update),
// which does it again to what the section holds in the file when the hive is
// flushed: every run's entries survive, the latest first.
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
    void RemoveAll();

    int GetSize() const { return m_size; }
    int Count() const { return static_cast<int>(m_items.size()); }
    const std::string& operator[](int index) const { return m_items[static_cast<size_t>(index)]; }
    const std::vector<std::string>& Items() const { return m_items; }
    // Longest text a menu shows of one entry; 0 for no limit.
    int DisplayLength() const { return m_displayLength; }

    // Reads entries 1 to the size; missing and empty entries are skipped.
    // What was done to the list before is forgotten.
    void Load(const CProfile& profile);
    // Does what was done to the list since Load again to the entries the
    // section holds, writes the result numbered from 1 and removes every
    // other value of the section; again at Flush on the file as it is then.
    // A list nothing was done to since Load leaves the section as it is.
    // The list itself stays as it is.
    void Save(CProfile& profile) const;

    // The value name of entry number n (from 1).
    std::string EntryName(int n) const;

private:
    struct STEP {
        bool add;  // put first; else removed
        std::string item;
    };

    bool Same(const std::string& a, const std::string& b) const;
    std::vector<std::string> Read(const CProfile& profile) const;
    void SaveMerged(CProfile& profile) const;

    std::string m_section;
    std::string m_entryFormat;
    int m_size;
    Match m_match;
    int m_displayLength;
    std::vector<std::string> m_items;
    std::vector<STEP> m_steps;  // since Load, the last step for each item
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
    void RemoveAll();
    int GetSize() const { return m_size; }
    int Count() const { return static_cast<int>(m_pairs.size()); }
    const PAIR& operator[](int index) const { return m_pairs[static_cast<size_t>(index)]; }

    // Reads entries 1 to the size; incomplete entries are skipped. What was
    // done to the list before is forgotten.
    void Load(const CProfile& profile);
    // As CRecentFileList::Save: what was done since Load is done again to
    // the pairs the section holds, now and at Flush, and the result written.
    void Save(CProfile& profile) const;

    std::string EntryName(int n, int side) const;

private:
    struct STEP {
        bool add;  // put first; else removed
        PAIR item;
    };

    static bool Same(const PAIR& a, const PAIR& b);
    std::vector<PAIR> Read(const CProfile& profile) const;
    void SaveMerged(CProfile& profile) const;

    std::string m_section;
    std::string m_entryFormat;
    int m_size;
    std::vector<PAIR> m_pairs;
    std::vector<STEP> m_steps;  // since Load, the last step for each pair
};

}  // namespace corvatine::platform
