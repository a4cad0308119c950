// The text the program writes: to a file descriptor (the command line's
// standard output and error) or into a string. A sink of its own rather than
// std::ostream: the first stream a process makes sets up the C++ library's
// whole locale, which costs every run of the program half a megabyte of
// memory and some 40 µs, for text that needs none of it.
#pragma once

#include <charconv>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>

namespace corvatine::platform {

// The integer types written as numbers: not bool, and not the character
// types, which are written as characters or not at all.
template <typename T>
concept WholeNumber = std::integral<T> && sizeof(T) > 1 && !std::same_as<T, bool> &&
                      !std::same_as<T, wchar_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t>;

// Text for one line of output: backslashes, tabs, line breaks and other
// control characters escaped (\\, \t, \n, \r, \ooo in octal), so that a
// name can neither break a line nor reach the terminal as a control code.
std::string EscapeControls(std::string_view text);

class COutput {
public:
    virtual ~COutput() = default;

    COutput& operator<<(std::string_view text) {
        Write(text.data(), text.size());
        return *this;
    }
    COutput& operator<<(const std::string& text) { return *this << std::string_view(text); }
    COutput& operator<<(const char* text) { return *this << std::string_view(text); }
    // Characters as themselves, as a stream writes them.
    COutput& operator<<(char c) {
        Write(&c, 1);
        return *this;
    }
    COutput& operator<<(signed char c) { return *this << static_cast<char>(c); }
    COutput& operator<<(unsigned char c) { return *this << static_cast<char>(c); }
    // Whole numbers in decimal.
    template <WholeNumber T>
    COutput& operator<<(T number) {
        char digits[24];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
        Write(digits, static_cast<size_t>(end.ptr - digits));
        return *this;
    }

    virtual void Write(const char* data, size_t size) = 0;
    // Passes on what is held back.
    virtual void Flush() {}
    // Whether a write failed; what follows it is dropped.
    bool Failed() const { return Error() != 0; }
    // The errno of the write that failed; 0 while none has.
    virtual int Error() const { return 0; }
};

// Everything written, kept in a string.
class CStringOutput final : public COutput {
public:
    void Write(const char* data, size_t size) override { m_text.append(data, size); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

// Writes to a descriptor: gathered and written a block at a time (Full), at
// every line end (Line, for a terminal), or at once (None, as standard error
// is). Whatever is held back is written when the object goes.
class CDescriptorOutput final : public COutput {
public:
    enum class Buffering { Full, Line, None };

    CDescriptorOutput(int fd, Buffering buffering) : m_fd(fd), m_buffering(buffering) {}
    ~CDescriptorOutput() override { Flush(); }
    CDescriptorOutput(const CDescriptorOutput&) = delete;
    CDescriptorOutput& operator=(const CDescriptorOutput&) = delete;

    // Full buffering, or Line when the descriptor is a terminal.
    static Buffering UsualFor(int fd);

    void Write(const char* data, size_t size) override;
    void Flush() override;
    int Error() const override { return m_error; }

private:
    void Send(const char* data, size_t size);

    static constexpr size_t kBlock = 64 * 1024;

    int m_fd;
    Buffering m_buffering;
    std::string m_held;
    int m_error = 0;
};

}  // namespace corvatine::platform
