#include "persist/RecentComparisonList.h"

#include <algorithm>

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/Path.h"

namespace corvatine {

CRecentComparisonList::CRecentComparisonList(std::string path, int maximum, const CGeneralOptions& options)
    : m_path(std::move(path)), m_maximum(maximum < 0 ? 0 : maximum), m_options(options) {}

bool CRecentComparisonList::ReadFile(CompareParamsList& entries, platform::FILEIDENTITY& identity,
                                     bool& missing, std::string& error, std::string* fileText) const {
    entries.clear();
    std::string text, reason;
    if (!platform::ReadWholeFile(m_path, text, missing, error, kMaxComparisonFileSize, &identity))
        return false;
    CompareParamsList all;
    if (!CComparisonFile::ReadComparisonsText(text, all, reason)) {
        error = "'" + m_path + "': " + reason;
        return false;
    }
    for (std::unique_ptr<CCompareParams>& entry : all) {
        if (static_cast<int>(entries.size()) >= m_maximum) break;
        // A list written by an older version may hold a pair more than once:
        // the first (most recent) stays.
        const auto same = [&](const std::unique_ptr<CCompareParams>& kept) { return Matches(*kept, *entry); };
        if (std::none_of(entries.begin(), entries.end(), same)) entries.push_back(std::move(entry));
    }
    if (fileText != nullptr) *fileText = std::move(text);
    return true;
}

bool CRecentComparisonList::Load(std::string& error) {
    m_entries.clear();
    m_steps.clear();
    m_modified = false;
    m_keepFile = false;
    m_fileText.reset();
    bool missing = false;
    std::string reason;
    std::string text;
    if (ReadFile(m_entries, m_fileIdentity, missing, reason, &text)) {
        m_fileText = std::move(text);
        return true;
    }
    if (missing) return true;

    // A file that cannot be used goes aside, so that the list written at exit
    // does not replace it unseen; if it cannot be moved, it is not replaced.
    // Another run may be replacing it right now: it is read again under the
    // lock first.
    platform::CFileLock lock;
    std::string lockError;
    if (lock.Lock(platform::SettingsLockPath(platform::PathParentFolder(m_path)), lockError) &&
        (ReadFile(m_entries, m_fileIdentity, missing, reason, &text) || missing)) {
        if (!missing) m_fileText = std::move(text);
        return true;
    }
    m_fileIdentity = platform::FILEIDENTITY();
    error = reason;
    std::string moveError;
    if (const std::string aside = platform::KeepAside(m_path, moveError); !aside.empty()) {
        error += "; kept as '" + aside + "'";
    } else {
        error += "; " + moveError + ", so it will not be replaced";
        m_keepFile = true;
    }
    return false;
}

bool CRecentComparisonList::Save(std::string& error) {
    if (m_keepFile) {
        error = "'" + m_path + "' was not written: it could not be read and could not be moved aside";
        return false;
    }
    platform::CFileLock lock;
    if (!lock.Lock(platform::SettingsLockPath(platform::PathParentFolder(m_path)), error)) return false;

    CompareParamsList merged;
    platform::FILEIDENTITY now;
    (void)platform::GetFileIdentity(m_path, now);
    const bool replaced = now != m_fileIdentity;
    if (replaced) {
        // Another run wrote the file since this list read it: this run's steps
        // are done again to what it holds now.
        platform::FILEIDENTITY identity;
        bool missing = false;
        std::string reason;
        if (ReadFile(merged, identity, missing, reason)) {
            for (const STEP& step : m_steps) {
                if (step.add) {
                    PutFirst(merged, step.entry->Clone());
                    continue;
                }
                merged.erase(std::remove_if(merged.begin(), merged.end(),
                                            [&](const auto& entry) { return Matches(*entry, *step.entry); }),
                             merged.end());
            }
        } else {
            if (!missing) {
                // Damaged meanwhile: kept aside, and this list is written.
                std::string moveError;
                if (platform::KeepAside(m_path, moveError).empty()) {
                    error = reason + "; " + moveError;
                    return false;
                }
            }
            for (const auto& entry : m_entries) merged.push_back(entry->Clone());
        }
    }
    const CompareParamsList& result = replaced ? merged : m_entries;
    std::string text = CComparisonFile::ComparisonsText(result, m_maximum);
    // The same pair compared again within the second gives the same text:
    // the file that holds it already is left alone.
    const bool unchanged = !replaced && m_fileText && *m_fileText == text;
    // Written on every comparison, so not synced: waiting for the disk would
    // cost more than the comparison of two small files. A crash or a full
    // disk still leaves the old or the new list, since the file is replaced
    // by rename once complete; what a power loss may leave instead (an empty
    // file) is found damaged at the next Load and kept aside.
    if (!unchanged) {
        if (!CComparisonFile::WriteComparisonsText(m_path, text, error, platform::Durability::Renamed))
            return false;
        (void)platform::GetFileIdentity(m_path, m_fileIdentity);
        m_fileText = std::move(text);
    }
    if (replaced) m_entries = std::move(merged);
    m_steps.clear();
    m_modified = false;
    return true;
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
    // One entry per pair: the read-only flags, rules and filters of the last
    // comparison replace those the entry had, so the list never shows the
    // same two paths twice.
    if (m_options.noDuplicatePairs) return entry.SamePaths(request, true);
    return entry.kind == request.kind && entry.SamePaths(request, false);
}

void CRecentComparisonList::PutFirst(CompareParamsList& entries,
                                     std::unique_ptr<CCompareParams> entry) const {
    const int64_t stamp = entry->lastComparedTime;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!Matches(*entries[i], *entry)) continue;
        // A pair found again under another kind (NoDuplicatePairs) becomes a
        // comparison of the new kind rather than keeping the old kind's
        // settings with the new paths.
        if (entries[i]->kind == entry->kind) {
            entries[i]->CopyFrom(*entry);
            entry = std::move(entries[i]);
        }
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
    entry->lastComparedTime = stamp;
    entries.insert(entries.begin(), std::move(entry));
    if (static_cast<int>(entries.size()) > m_maximum) entries.resize(static_cast<size_t>(m_maximum));
}

void CRecentComparisonList::Remember(bool add, const CCompareParams& entry) {
    // Only the last step for an entry matters (matching is the same for
    // both), and one put first is pushed off the end by m_maximum later ones.
    m_steps.erase(std::remove_if(m_steps.begin(), m_steps.end(),
                                 [&](const STEP& step) { return Matches(*step.entry, entry); }),
                  m_steps.end());
    m_steps.push_back(STEP{add, entry.Clone()});
    const auto isAdd = [](const STEP& step) { return step.add; };
    if (std::count_if(m_steps.begin(), m_steps.end(), isAdd) > m_maximum)
        m_steps.erase(std::find_if(m_steps.begin(), m_steps.end(), isAdd));
}

void CRecentComparisonList::Add(const CCompareParams& request) {
    if (m_maximum == 0 || !Records(request)) return;
    for (const COMPARESIDE& side : request.sides)
        if (side.path.empty() || !platform::PathExists(side.path)) return;

    // The list outlives the current folder.
    std::unique_ptr<CCompareParams> entry = StoredCopy(request);
    entry->lastComparedTime = static_cast<int64_t>(clock());
    Remember(true, *entry);
    PutFirst(m_entries, std::move(entry));
    m_modified = true;
}

void CRecentComparisonList::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    Remember(false, *m_entries[static_cast<size_t>(index)]);
    m_entries.erase(m_entries.begin() + index);
    m_modified = true;
}

void CRecentComparisonList::RemoveAll() {
    // The entries shown go; what other runs add meanwhile stays.
    for (const auto& entry : m_entries) Remember(false, *entry);
    m_entries.clear();
    m_modified = true;
}

}  // namespace corvatine
