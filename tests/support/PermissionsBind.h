// File permissions that bind the test itself, even when the tests run as
// root: for in-process tests of what an unreadable file or folder does.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvatine::test {

// While the object lives, the calling thread has no capability that overrides
// file permissions (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH): root is bound by
// them like any user. Capabilities belong to each thread, so other threads
// and the program run by other tests are not touched; the destructor gives
// them back. Make the files and set their modes before.
class PermissionsBind {
public:
    PermissionsBind() {
        if (::geteuid() != 0) {
            m_active = true;  // they bind already
            return;
        }
        if (::syscall(SYS_capget, &m_header, m_saved) != 0) return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~PermissionsBind() {
        if (m_dropped) ::syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

    // False when root could not give up the capabilities: permissions do not bind.
    bool Active() const { return m_active; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
    bool m_dropped = false;
};

}  // namespace corvatine::test
