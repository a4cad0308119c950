// The recent comparisons list: every comparison made, most recent first, kept
// in the comparison file "MRU.cmp" of the configuration folder.
//
// Several runs of the program may share the file. The list remembers what it
// did since it was loaded (entries put first or removed); Save, under the
// settings lock of the folder, reads the file again when another run replaced
// it meanwhile and does those steps again to what it holds, so that every
// run's comparisons survive, the latest first.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "persist/ComparisonFile.h"
#include "persist/GeneralOptions.h"
#include "platform/AtomicFile.h"

namespace corvatine {

inline constexpr const char* kRecentComparisonsFile = "MRU.cmp";

class CRecentComparisonList {
public:
    // The general options decide which kinds are recorded and how entries
    // match; they must outlive the list.
    CRecentComparisonList(std::string path, int maximum, const CGeneralOptions& options);

    // Reads the file into the list, at most the maximum. A missing file is an
    // empty list. A file that cannot be read or is damaged leaves the list
    // empty and returns false with the reason; a damaged file is then kept
    // aside as "<file>.bad" (".bad.1", ".bad.2" ... when that is taken) so
    // that Save does not destroy it unseen (when it cannot be moved, or cannot
    // be read at all, Save leaves it alone).
    bool Load(std::string& error);
    // Writes at most the maximum number of entries, merged as above with
    // what the file holds when another run replaced it since Load; the list
    // then holds the result. The file is replaced by rename once complete but
    // not synced (Durability::Renamed). False, with the reason, when the file
    // cannot be written; it is left as it was and the list's steps stay
    // pending.
    bool Save(std::string& error);

    // Records a comparison that was made: ignored unless its kind is recorded
    // and both its paths exist. A matching entry takes the request's values
    // and moves to the front; otherwise a copy of the request is put first.
    // Either way the entry is stamped with the current time and keeps
    // absolute paths.
    void Add(const CCompareParams& request);
    void Remove(int index);
    void RemoveAll();
    // Changed since it was loaded.
    bool IsModified() const { return m_modified; }

    int Count() const { return static_cast<int>(m_entries.size()); }
    const CCompareParams& operator[](int index) const { return *m_entries[static_cast<size_t>(index)]; }
    const std::string& Path() const { return m_path; }
    int Maximum() const { return m_maximum; }

    // The clock that stamps entries; tests replace it.
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };

private:
    struct STEP {
        bool add;  // put first; else removed
        std::unique_ptr<CCompareParams> entry;
    };

    bool Records(const CCompareParams& request) const;
    bool Matches(const CCompareParams& entry, const CCompareParams& request) const;
    // Puts a stamped entry first in entries: a matching entry takes its
    // values and moves there, or gives way to it when its kind differs.
    void PutFirst(CompareParamsList& entries, std::unique_ptr<CCompareParams> entry) const;
    void Remember(bool add, const CCompareParams& entry);
    // The file's entries, at most the maximum; false with the reason when it
    // cannot be read (missing is then set when it does not exist) or parsed.
    // fileText, when given, receives the file's text.
    bool ReadFile(CompareParamsList& entries, platform::FILEIDENTITY& identity, bool& missing,
                  std::string& error, std::string* fileText = nullptr) const;

    std::string m_path;
    int m_maximum;
    const CGeneralOptions& m_options;
    CompareParamsList m_entries;
    std::vector<STEP> m_steps;  // since Load, the last step for each entry
    bool m_modified = false;
    bool m_keepFile = false;  // the file could not be read nor moved aside
    // The file as this list last read or wrote it, and its text then (none
    // when there was no file).
    platform::FILEIDENTITY m_fileIdentity;
    std::optional<std::string> m_fileText;
};

}  // namespace corvatine
