// Fonts and colours as the settings hold them: a font is the text
// "face|height|weight|italic|charset" (height in pixels, weight 400 normal and
// 700 bold), a colour a Windows-style value with red in the low byte.
#pragma once

#include <QColor>
#include <QFont>

#include <cstdint>
#include <string>

namespace corvatine::ui {

// The font the text names; fallback for an empty or malformed text. A face
// the system lacks gives way to the fallback's face, so that a fixed-pitch
// view stays fixed-pitch.
QFont FontFromText(const std::string& text, const QFont& fallback);
// The text of a font; its pixel size is the height.
std::string FontText(const QFont& font);

// A Windows-style colour value of a colour.
inline uint32_t ToColorRef(const QColor& color) {
    return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
           (static_cast<uint32_t>(color.blue()) << 16);
}

}  // namespace corvatine::ui
