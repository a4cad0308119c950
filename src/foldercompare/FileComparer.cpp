#include "foldercompare/FileComparer.h"

#include <cctype>

#include "foldercompare/FolderItem.h"
#include "platform/Path.h"
#include "platform/Shell.h"

namespace corvatine {

namespace {

std::string Numbered(const char* name, size_t n) { return name + std::to_string(n); }

std::string LowerExtension(const std::string& path) {
    std::string extension = platform::PathExtension(platform::PathFileName(path));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace

void CFileCompareOptions::Load(const platform::CProfile& profile) {
    externalTools.clear();
    for (size_t n = 1;; ++n) {
        CExternalTool tool;
        tool.name = profile.GetString(kExternalToolsKey, Numbered("Name", n), "");
        if (tool.name.empty()) break;
        tool.extensions = profile.GetString(kExternalToolsKey, Numbered("Extensions", n), "");
        tool.command = profile.GetString(kExternalToolsKey, Numbered("Command", n), "");
        tool.arguments = profile.GetString(kExternalToolsKey, Numbered("Arguments", n), "");
        if (tool.extensions.empty() || tool.command.empty() || tool.arguments.empty()) continue;
        externalTools.push_back(std::move(tool));
    }
}

void CFileCompareOptions::Save(platform::CProfile& profile) const {
    std::vector<std::pair<std::string, std::string>> values;
    size_t n = 0;
    for (const CExternalTool& tool : externalTools) {
        ++n;
        values.emplace_back(Numbered("Name", n), tool.name);
        values.emplace_back(Numbered("Extensions", n), tool.extensions);
        values.emplace_back(Numbered("Command", n), tool.command);
        values.emplace_back(Numbered("Arguments", n), tool.arguments);
    }
    profile.ReplaceSection(kExternalToolsKey, values);
}

int CFileComparer::ChooseOpening(CFolderItem* left, CFolderItem* right, int& tool) const {
    tool = -1;
    if (left == nullptr && right == nullptr) return OPEN_NOTHING;
    if (left == nullptr) return OPEN_RIGHT_ONLY;
    if (right == nullptr) return OPEN_LEFT_ONLY;
    if (left->IsFolder() && right->IsFolder()) return OPEN_FOLDERS;
    tool = FindExternalTool(left->GetFullPath(), right->GetFullPath());
    if (tool >= 0) return OPEN_EXTERNAL_TOOL;
    if (left->GetContentType() == FILE_CONTENT_BINARY || right->GetContentType() == FILE_CONTENT_BINARY)
        return OPEN_BINARY;
    return OPEN_TEXT;
}

int CFileComparer::FindExternalTool(const std::string& left, const std::string& right) const {
    const std::string extension = LowerExtension(left);
    if (extension != LowerExtension(right)) return -1;
    for (size_t i = 0; i < externalTools.size(); ++i)
        if (externalTools[i].extensions.find(extension) != std::string::npos) return static_cast<int>(i);
    return -1;
}

bool CFileComparer::BuildArguments(const CExternalTool& tool, const std::string& left,
                                   const std::string& right, std::vector<std::string>& words) {
    if (!platform::SplitCommandWords(tool.arguments, words)) return false;
    // One pass over each word, so that a path holding "%2" is not replaced again.
    for (std::string& word : words) {
        std::string out;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] == '%' && i + 1 < word.size() && (word[i + 1] == '1' || word[i + 1] == '2')) {
                out += word[i + 1] == '1' ? left : right;
                ++i;
            } else {
                out += word[i];
            }
        }
        word = std::move(out);
    }
    return true;
}

int CFileComparer::RunExternalTool(int index, const std::string& left, const std::string& right,
                                   std::string& error) const {
    if (index < 0) index = FindExternalTool(left, right);
    if (index < 0 || index >= static_cast<int>(externalTools.size())) {
        error = "no external tool matches the files";
        return -1;
    }
    const CExternalTool& tool = externalTools[static_cast<size_t>(index)];
    std::vector<std::string> words;
    if (!BuildArguments(tool, left, right, words)) {
        error = tool.name + ": the arguments have an unclosed quote";
        return -1;
    }
    return platform::StartProgram(tool.command, words, error) ? 0 : -1;
}

}  // namespace corvatine
