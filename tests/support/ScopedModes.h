// File modes a test sets for a while: what it changed gets 0755 back when the
// object goes, so that the test's folders can be removed (also by an ordinary
// user).
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

namespace corvatine::test {

class ScopedModes {
public:
    ScopedModes() = default;
    ScopedModes(const ScopedModes&) = delete;
    ScopedModes& operator=(const ScopedModes&) = delete;
    ~ScopedModes() {
        for (const std::string& path : m_paths) ::chmod(path.c_str(), 0755);
    }
    void Set(const std::string& path, mode_t mode) {
        m_paths.push_back(path);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    }

private:
    std::vector<std::string> m_paths;
};

}  // namespace corvatine::test
