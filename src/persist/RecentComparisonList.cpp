#include "persist/RecentComparisonList.h"

#include <cerrno>
#include <cstdio>

#include "platform/AtomicFile.h"
#include "platform/Path.h"

namespace corvatine {

CRecentComparisonList::CRecentComparisonList(std::string path, int maximum, const CGeneralOptions& options)
    : m_path(std::move(path)), m_maximum(maximum < 0 ? 0 : maximum), m_options(options) {}

bool CRecentComparisonList::Load(std::string& error) {
    m_entries.clear();
    m_modified = false;
    m_keepFile = false;
    std::string text, reason;
    CompareParamsList entries;
    bool missing = false;
    if (!platform::ReadWholeFile(m_path, text, missing, reason, kMaxComparisonFileSize)) {
        if (missing) return true;
    } else if (!CComparisonFile::ReadComparisonsText(text, entries, reason)) {
        reason = "'" + m_path + "': " + reason;
    } else {
        for (std::unique_ptr<CCompareParams>& entry : entries) {
            if (Count() >= m_maximum) break;
            m_entries.push_back(std::move(entry));
        }
        return true;
    }
    // A file that cannot be used goes aside, so that the list written at exit
    // does not replace it unseen; if it cannot be moved, it is not replaced.
    const std::string aside = m_path + ".bad";
    error = reason;
    if (std::rename(m_path.c_str(), aside.c_str()) == 0) {
        error += "; kept as '" + aside + "'";
    } else {
        error += "; cannot keep it as '" + aside + "' (" + platform::ErrorText(errno) +
                 "), so it will not be replaced";
        m_keepFile = true;
    }
    return false;
}

bool CRecentComparisonList::Save(std::string& error) const {
    if (m_keepFile) {
        error = "'" + m_path + "' was not written: it could not be read and could not be moved aside";
        return false;
    }
    return CComparisonFile::WriteComparisons(m_path, m_entries, m_maximum, error);
}

bool CRecentComparisonList::Records(const CCompareParams& request) const {
    switch (request.kind) {
        case COMPARE_FOLDER: return m_options.saveFolderComparisons != 0;
        case COMPARE_TEXT: return m_options.saveTextComparisons != 0;
        case COMPARE_BINARY: return m_options.saveBinaryComparisons != 0;
        default: return false;
    }
}

bool CRecentComparisonList::Matches(const CCompareParams& entry, const CCompareParams& request) const {
    if (m_options.noDuplicatePairs) return entry.SamePaths(request, true);
    if (entry.kind != request.kind || !entry.SamePaths(request, false)) return false;
    for (int i = 0; i < 2; ++i)
        if (entry.sides[i].flags != request.sides[i].flags) return false;
    const auto* entryText = dynamic_cast<const CTextCompareParams*>(&entry);
    const auto* requestText = dynamic_cast<const CTextCompareParams*>(&request);
    if (entryText != nullptr && requestText != nullptr)
        return entryText->rules == requestText->rules && entryText->lineFilter == requestText->lineFilter;
    return true;
}

void CRecentComparisonList::Add(const CCompareParams& request) {
    if (m_maximum == 0 || !Records(request)) return;
    for (const COMPARESIDE& side : request.sides)
        if (side.path.empty() || !platform::PathExists(side.path)) return;

    // The list outlives the current folder.
    std::unique_ptr<CCompareParams> entry = StoredCopy(request);

    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!Matches(*m_entries[i], *entry)) continue;
        // A pair found again under another kind (NoDuplicatePairs) becomes a
        // comparison of the new kind rather than keeping the old kind's
        // settings with the new paths.
        if (m_entries[i]->kind == entry->kind) {
            m_entries[i]->CopyFrom(*entry);
            entry = std::move(m_entries[i]);
        }
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
    entry->lastComparedTime = static_cast<int64_t>(clock());
    m_entries.insert(m_entries.begin(), std::move(entry));
    if (Count() > m_maximum) m_entries.resize(static_cast<size_t>(m_maximum));
    m_modified = true;
}

void CRecentComparisonList::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    m_entries.erase(m_entries.begin() + index);
    m_modified = true;
}

}  // namespace corvatine
