#include "platform/RecentFileList.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "platform/Path.h"

namespace corvatine::platform {

namespace {

// Puts item first in a list of at most size entries; an entry that is the
// same moves there instead.
template <typename T, typename SameFn>
void PutFirstIn(std::vector<T>& items, const T& item, int size, SameFn same) {
    const auto old = std::find_if(items.begin(), items.end(), [&](const T& e) { return same(e, item); });
    if (old != items.end()) items.erase(old);
    items.insert(items.begin(), item);
    if (items.size() > static_cast<size_t>(size)) items.resize(static_cast<size_t>(size));
}

// Adds a step to the steps since Load. Only the last step for an item
// matters, and a step that put an item first is undone by size later ones
// (the item dropped off the end), so the steps never outgrow the list much.
template <typename Step, typename T, typename SameFn>
void RememberStep(std::vector<Step>& steps, bool add, const T& item, int size, SameFn same) {
    steps.erase(
        std::remove_if(steps.begin(), steps.end(), [&](const Step& step) { return same(step.item, item); }),
        steps.end());
    steps.push_back(Step{add, item});
    const auto isAdd = [](const Step& step) { return step.add; };
    if (std::count_if(steps.begin(), steps.end(), isAdd) > size)
        steps.erase(std::find_if(steps.begin(), steps.end(), isAdd));
}

// Does the steps again to a list as the section holds it now.
template <typename Step, typename T, typename SameFn>
void Replay(std::vector<T>& items, const std::vector<Step>& steps, int size, SameFn same) {
    for (const Step& step : steps) {
        if (step.add)
            PutFirstIn(items, step.item, size, same);
        else
            items.erase(
                std::remove_if(items.begin(), items.end(), [&](const T& e) { return same(e, step.item); }),
                items.end());
    }
}

// Writes the values of a section in order and removes every other value.
void WriteSection(CProfile& profile, const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& values) {
    std::unordered_set<std::string> written;
    for (const auto& [name, value] : values) {
        profile.WriteString(section, name, value);
        written.insert(CRegistryHive::FoldName(name));
    }
    // Whatever else the section holds (older, longer lists) goes.
    for (const std::string& name : profile.ValueNames(section))
        if (written.count(CRegistryHive::FoldName(name)) == 0) profile.DeleteValue(section, name);
}

}  // namespace

CRecentFileList::CRecentFileList(std::string section, std::string entryFormat, int size, Match match,
                                 int displayLength)
    : m_section(std::move(section)),
      m_entryFormat(std::move(entryFormat)),
      m_size(size < 0 ? 0 : size),
      m_match(match),
      m_displayLength(displayLength) {}

std::string CRecentFileList::EntryName(int n) const {
    std::string name = m_entryFormat;
    const size_t at = name.find("%d");
    if (at != std::string::npos) name.replace(at, 2, std::to_string(n));
    return name;
}

bool CRecentFileList::Same(const std::string& a, const std::string& b) const {
    return m_match == Match::Path ? PathsEqual(a, b) : a == b;
}

void CRecentFileList::Add(const std::string& item) {
    if (item.empty() || m_size == 0) return;
    const auto same = [this](const std::string& a, const std::string& b) { return Same(a, b); };
    PutFirstIn(m_items, item, m_size, same);
    RememberStep(m_steps, true, item, m_size, same);
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    const auto same = [this](const std::string& a, const std::string& b) { return Same(a, b); };
    RememberStep(m_steps, false, m_items[static_cast<size_t>(index)], m_size, same);
    m_items.erase(m_items.begin() + index);
}

void CRecentFileList::RemoveAll() {
    // The entries shown go; what other runs add meanwhile stays.
    const auto same = [this](const std::string& a, const std::string& b) { return Same(a, b); };
    for (const std::string& item : m_items) RememberStep(m_steps, false, item, m_size, same);
    m_items.clear();
}

std::vector<std::string> CRecentFileList::Read(const CProfile& profile) const {
    std::vector<std::string> items;
    if (!profile.HasValues(m_section)) return items;  // most lists were never used
    for (int n = 1; n <= m_size; ++n) {
        std::string item;
        if (profile.ReadString(m_section, EntryName(n), item) && !item.empty())
            items.push_back(std::move(item));
    }
    return items;
}

void CRecentFileList::Load(const CProfile& profile) {
    m_items = Read(profile);
    m_steps.clear();
}

void CRecentFileList::Save(CProfile& profile) const {
    // Saved at every exit, nearly always untouched: nothing to do again.
    if (m_size == 0 || m_steps.empty()) return;
    profile.Update([list = *this](CProfile& view) { list.SaveMerged(view); });
}

void CRecentFileList::SaveMerged(CProfile& profile) const {
    std::vector<std::string> items = Read(profile);
    Replay(items, m_steps, m_size, [this](const std::string& a, const std::string& b) { return Same(a, b); });
    std::vector<std::pair<std::string, std::string>> values;
    for (size_t i = 0; i < items.size(); ++i)
        values.emplace_back(EntryName(static_cast<int>(i) + 1), std::move(items[i]));
    WriteSection(profile, m_section, values);
}

CRecentFilePairList::CRecentFilePairList(std::string section, std::string entryFormat, int size)
    : m_section(std::move(section)), m_entryFormat(std::move(entryFormat)), m_size(size < 0 ? 0 : size) {}

std::string CRecentFilePairList::EntryName(int n, int side) const {
    std::string name = m_entryFormat;
    size_t at = name.find("%d");
    if (at != std::string::npos) {
        const std::string number = std::to_string(n);
        name.replace(at, 2, number);
        at = name.find("%d", at + number.size());
        if (at != std::string::npos) name.replace(at, 2, std::to_string(side));
    }
    return name;
}

bool CRecentFilePairList::Same(const PAIR& a, const PAIR& b) {
    return PathsEqual(a.left, b.left) && PathsEqual(a.right, b.right);
}

void CRecentFilePairList::Add(const std::string& left, const std::string& right) {
    if (left.empty() || right.empty() || m_size == 0) return;
    const PAIR pair{left, right};
    PutFirstIn(m_pairs, pair, m_size, Same);
    RememberStep(m_steps, true, pair, m_size, Same);
}

void CRecentFilePairList::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    RememberStep(m_steps, false, m_pairs[static_cast<size_t>(index)], m_size, Same);
    m_pairs.erase(m_pairs.begin() + index);
}

void CRecentFilePairList::RemoveAll() {
    for (const PAIR& pair : m_pairs) RememberStep(m_steps, false, pair, m_size, Same);
    m_pairs.clear();
}

std::vector<CRecentFilePairList::PAIR> CRecentFilePairList::Read(const CProfile& profile) const {
    std::vector<PAIR> pairs;
    if (!profile.HasValues(m_section)) return pairs;
    for (int n = 1; n <= m_size; ++n) {
        PAIR pair;
        if (profile.ReadString(m_section, EntryName(n, 1), pair.left) &&
            profile.ReadString(m_section, EntryName(n, 2), pair.right) && !pair.left.empty() &&
            !pair.right.empty())
            pairs.push_back(std::move(pair));
    }
    return pairs;
}

void CRecentFilePairList::Load(const CProfile& profile) {
    m_pairs = Read(profile);
    m_steps.clear();
}

void CRecentFilePairList::Save(CProfile& profile) const {
    if (m_size == 0 || m_steps.empty()) return;
    profile.Update([list = *this](CProfile& view) { list.SaveMerged(view); });
}

void CRecentFilePairList::SaveMerged(CProfile& profile) const {
    std::vector<PAIR> pairs = Read(profile);
    Replay(pairs, m_steps, m_size, Same);
    std::vector<std::pair<std::string, std::string>> values;
    for (size_t i = 0; i < pairs.size(); ++i) {
        values.emplace_back(EntryName(static_cast<int>(i) + 1, 1), std::move(pairs[i].left));
        values.emplace_back(EntryName(static_cast<int>(i) + 1, 2), std::move(pairs[i].right));
    }
    WriteSection(profile, m_section, values);
}

}  // namespace corvatine::platform
