// The recent comparisons list: every comparison made, most recent first, kept
// in the comparison file "MRU.cmp" of the configuration folder.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "persist/ComparisonFile.h"
#include "persist/GeneralOptions.h"

namespace corvatine {

inline constexpr const char* kRecentComparisonsFile = "MRU.cmp";

class CRecentComparisonList {
public:
    // The general options decide which kinds are recorded and how entries
    // match; they must outlive the list.
    CRecentComparisonList(std::string path, int maximum, const CGeneralOptions& options);

    // Reads the file into the list, at most the maximum. A missing file is an
    // empty list. A file that cannot be read or is damaged leaves the list
    // empty and returns false with the reason; the file is then kept aside as
    // "<file>.bad" so that Save does not destroy it unseen (when it cannot be
    // moved, Save leaves it alone).
    bool Load(std::string& error);
    // Writes at most the maximum number of entries. False, with the reason,
    // when the file cannot be written; it is left as it was.
    bool Save(std::string& error) const;

    // Records a comparison that was made: ignored unless its kind is recorded
    // and both its paths exist. A matching entry takes the request's values
    // and moves to the front; otherwise a copy of the request is put first.
    // Either way the entry is stamped with the current time and keeps
    // absolute paths.
    void Add(const CCompareParams& request);
    void Remove(int index);
    void RemoveAll() {
        m_entries.clear();
        m_modified = true;
    }
    // Changed since it was loaded.
    bool IsModified() const { return m_modified; }

    int Count() const { return static_cast<int>(m_entries.size()); }
    const CCompareParams& operator[](int index) const { return *m_entries[static_cast<size_t>(index)]; }
    const std::string& Path() const { return m_path; }
    int Maximum() const { return m_maximum; }

    // The clock that stamps entries; tests replace it.
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };

private:
    bool Records(const CCompareParams& request) const;
    bool Matches(const CCompareParams& entry, const CCompareParams& request) const;

    std::string m_path;
    int m_maximum;
    const CGeneralOptions& m_options;
    CompareParamsList m_entries;
    bool m_modified = false;
    bool m_keepFile = false;  // the file could not be read nor moved aside
};

}  // namespace corvatine
