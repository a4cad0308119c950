#include "ui/OptionFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr int kMinimumHeight = 6;
constexpr int kMaximumHeight = 96;

}  // namespace

QFont FontFromText(const std::string& text, const QFont& fallback) {
    const QStringList parts = FromPath(text).split(QLatin1Char('|'));
    if (parts.size() != 5 || parts[0].isEmpty()) return fallback;
    bool numbers = true;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i + 1].toInt(&ok);
        numbers = numbers && ok;
    }
    if (!numbers) return fallback;
    QFont font(parts[0]);
    if (!QFontDatabase::families().contains(parts[0], Qt::CaseInsensitive)) font = fallback;
    if (values[0] != 0) font.setPixelSize(std::clamp(std::abs(values[0]), kMinimumHeight, kMaximumHeight));
    font.setWeight(values[1] >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(values[2] != 0);
    return font;
}

std::string FontText(const QFont& font) {
    int height = font.pixelSize();
    if (height <= 0) height = QFontInfo(font).pixelSize();
    return ToPath(font.family()) + "|" + std::to_string(height) + "|" +
           std::to_string(font.bold() ? 700 : 400) + "|" + std::to_string(font.italic() ? 1 : 0) + "|0";
}

}  // namespace corvatine::ui
