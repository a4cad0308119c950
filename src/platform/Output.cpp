#include "platform/Output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FullTransfer.h"
#include "platform/Terminal.h"

namespace corvatine::platform {

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += '\\';
            out += static_cast<char>('0' + (byte >> 6));
            out += static_cast<char>('0' + ((byte >> 3) & 7));
            out += static_cast<char>('0' + (byte & 7));
        } else {
            out += c;
        }
    }
    return out;
}

CDescriptorOutput::Buffering CDescriptorOutput::UsualFor(int fd) {
    return IsTerminal(fd) ? Buffering::Line : Buffering::Full;
}

void CDescriptorOutput::Write(const char* data, size_t size) {
    if (m_error != 0 || size == 0) return;
    if (m_buffering == Buffering::None) {
        Send(data, size);
        return;
    }
    if (m_held.size() + size > kBlock) {
        Flush();
        // A block of its own goes out without a copy.
        if (size >= kBlock) {
            Send(data, size);
            return;
        }
    }
    m_held.append(data, size);
    if (m_buffering == Buffering::Line && std::memchr(data, '\n', size) != nullptr) Flush();
}

void CDescriptorOutput::Flush() {
    if (m_held.empty()) return;
    Send(m_held.data(), m_held.size());
    m_held.clear();
}

void CDescriptorOutput::Send(const char* data, size_t size) {
    if (m_error != 0) return;
    if (TransferFully(TransferKind::Write, size,
                      [&](size_t done, size_t rest) { return ::write(m_fd, data + done, rest); }) < 0)
        m_error = errno != 0 ? errno : EIO;
}

}  // namespace corvatine::platform
