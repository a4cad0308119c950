// Text and colours between the models and the toolkit: the models hold 8-bit
// text in the working code page and Windows-style colour values.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace corvatine::ui {

// A Windows-style colour value (red in the low byte).
inline QColor ToQColor(uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

// Text of the working code page as the toolkit's string, and back. Paths are
// bytes of the file system, which the toolkit takes as its local 8-bit form.
QString FromWorking(std::string_view text);
std::string ToWorking(const QString& text);
inline QString FromPath(const std::string& path) { return QString::fromLocal8Bit(path.c_str()); }
inline std::string ToPath(const QString& path) { return path.toLocal8Bit().toStdString(); }

// What the About box says: the program, its version, what it does, its
// copyright and licence.
QString AboutText();

}  // namespace corvatine::ui
