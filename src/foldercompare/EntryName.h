// The name (or a root's full path) of a scanned entry in 16 bytes, half of
// what std::string takes: a folder comparison keeps one per entry on each
// side, and nearly all of them are short.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace corvatine {

class CEntryName {
public:
    // Texts of up to this many bytes are held inside the object; longer ones
    // in one heap block of their own.
    static constexpr size_t kInlineCapacity = 15;

    CEntryName() noexcept { SetInline(std::string_view()); }
    // Not explicit: a name is made wherever a text is given for it.
    CEntryName(std::string_view text) { Init(text); }
    CEntryName(const char* text) { Init(text); }
    CEntryName(const std::string& text) { Init(text); }
    CEntryName(const CEntryName& other) { Init(other.view()); }
    CEntryName(CEntryName&& other) noexcept {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.SetInline(std::string_view());
    }
    ~CEntryName() { Release(); }

    CEntryName& operator=(const CEntryName& other) {
        if (this != &other) Assign(other.view());
        return *this;
    }
    CEntryName& operator=(CEntryName&& other) noexcept {
        if (this != &other) {
            Release();
            std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
            other.SetInline(std::string_view());
        }
        return *this;
    }
    CEntryName& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }
    CEntryName& operator=(const char* text) { return *this = std::string_view(text); }
    CEntryName& operator=(const std::string& text) { return *this = std::string_view(text); }

    std::string_view view() const { return {c_str(), size()}; }
    operator std::string_view() const { return view(); }  // reads wherever a text is read
    std::string str() const { return std::string(view()); }
    // Always terminated by a zero byte.
    const char* c_str() const { return IsInline() ? reinterpret_cast<const char*>(m_bytes) : HeapText(); }
    size_t size() const { return IsInline() ? kInlineCapacity - m_bytes[kTag] : HeapSize(); }
    bool empty() const { return size() == 0; }

    friend bool operator==(const CEntryName& a, const CEntryName& b) { return a.view() == b.view(); }
    friend bool operator==(const CEntryName& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const CEntryName& a, const char* b) { return a.view() == std::string_view(b); }
    friend bool operator==(const CEntryName& a, const std::string& b) { return a.view() == b; }
    friend std::string operator+(const std::string& a, const CEntryName& b) { return a + b.str(); }
    friend std::string operator+(const CEntryName& a, const std::string& b) { return a.str() + b; }
    friend std::ostream& operator<<(std::ostream& out, const CEntryName& name) { return out << name.view(); }

private:
    // Inline: the text, then zero bytes; the last byte holds the unused
    // capacity, so a text of the full capacity ends in the 0 that also
    // terminates it. On the heap: the block's address, the length, and the
    // marker in the last byte.
    static constexpr size_t kTag = sizeof(char*) + sizeof(uint32_t) + 3;
    static constexpr unsigned char kHeapMarker = 0xFF;

    bool IsInline() const { return m_bytes[kTag] != kHeapMarker; }
    const char* HeapText() const {
        const char* text;
        std::memcpy(&text, m_bytes, sizeof text);
        return text;
    }
    size_t HeapSize() const {
        uint32_t length;
        std::memcpy(&length, m_bytes + sizeof(char*), sizeof length);
        return length;
    }
    void SetInline(std::string_view text) {
        std::memset(m_bytes, 0, sizeof m_bytes);
        if (!text.empty()) std::memcpy(m_bytes, text.data(), text.size());
        m_bytes[kTag] = static_cast<unsigned char>(kInlineCapacity - text.size());
    }
    void Init(std::string_view text) {
        if (text.size() <= kInlineCapacity) {
            SetInline(text);
            return;
        }
        char* block = new char[text.size() + 1];
        std::memcpy(block, text.data(), text.size());
        block[text.size()] = '\0';
        const auto length = static_cast<uint32_t>(text.size());
        std::memcpy(m_bytes, &block, sizeof block);
        std::memcpy(m_bytes + sizeof block, &length, sizeof length);
        m_bytes[kTag] = kHeapMarker;
    }
    void Assign(std::string_view text) {
        // Made apart first: the text may lie inside this name.
        CEntryName fresh(text);
        *this = std::move(fresh);
    }
    void Release() {
        if (!IsInline()) delete[] HeapText();
        m_bytes[kTag] = static_cast<unsigned char>(kInlineCapacity);
        m_bytes[0] = 0;
    }

    alignas(8) unsigned char m_bytes[16];
};

static_assert(sizeof(CEntryName) == 16);

}  // namespace corvatine
