#include "fileio/UniFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "fileio/CodePages.h"
#include "fileio/UniStdioFile.h"
#include "platform/Path.h"

namespace corvatine {

// ---- UniLocalFile ----

UniLocalFile::UniLocalFile() : m_codePage(WorkingCodePage()) {}

void UniLocalFile::SetEncodingKind(int kind) {
    m_encoding = kind;
    m_charsize = kind == ENCODING_UCS2_LE || kind == ENCODING_UCS2_BE ? 2 : 1;
}

bool UniLocalFile::GetFileStatus(int fd) {
    m_lastError.Clear();
    m_statusFetched = StatusFetch::Fetching;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        LastError("fstat", errno);
        m_statusFetched = StatusFetch::NotYet;
        return false;
    }
    m_filesize = static_cast<int64_t>(st.st_size);
    if (S_ISREG(st.st_mode))
        (void)platform::GetFileIdentity(fd, m_identity);
    else
        m_identity = platform::FILEIDENTITY();
    m_statusFetched = StatusFetch::Fetched;
    return true;
}

bool UniLocalFile::GetFileStatus() {
    m_lastError.Clear();
    m_statusFetched = StatusFetch::Fetching;
    struct stat st;
    if (::stat(m_fullPath.c_str(), &st) != 0) {
        LastError("stat", errno);
        m_statusFetched = StatusFetch::NotYet;
        return false;
    }
    m_filesize = static_cast<int64_t>(st.st_size);
    m_statusFetched = StatusFetch::Fetched;
    return true;
}

void UniLocalFile::LastError(const std::string& apiName, int syserrnum) {
    m_lastError.Clear();
    m_lastError.apiName = apiName;
    m_lastError.syserrnum = syserrnum;
}

void UniLocalFile::LastErrorCustom(const std::string& desc) {
    m_lastError.Clear();
    m_lastError.desc = desc;
}

void UniLocalFile::ResetState() {
    m_statusFetched = StatusFetch::NotYet;
    m_filesize = 0;
    m_identity = platform::FILEIDENTITY();
    m_fullPath.clear();
    m_filename.clear();
    m_lineno = -1;
    m_readBom = false;
    m_stats.Reset();
}

// ---- Supporting operations ----

void SniffEncoding(const std::string& path, int& kind, int& codePage) {
    kind = ENCODING_CODEPAGE;
    codePage = WorkingCodePage();
    UniStdioFile file;
    if (file.OpenRead(path)) {
        file.DetectBom();
        kind = file.GetEncodingKind();
    }
}

std::string FormatSystemMessage(int error) {
    const std::string text = platform::ErrorText(error);
    return text.empty() || text.rfind("Unknown error", 0) == 0 ? std::string("?") : text;
}

std::string MakeTempFileName(const std::string& extension) {
    const char* base = std::getenv("TMPDIR");
    std::string suffix = extension;
    if (!suffix.empty() && suffix[0] != '.') suffix.insert(suffix.begin(), '.');
    std::string pattern = platform::JoinPath(base && *base ? base : "/tmp", "~SEXXXXXX" + suffix);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) return std::string();
    ::close(fd);
    return name.data();
}

}  // namespace corvatine
