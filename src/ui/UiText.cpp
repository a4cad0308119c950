#include "ui/UiText.h"

#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "launch/ProgramNames.h"

namespace corvatine::ui {

QString FromWorking(std::string_view text) {
    if (WorkingCodePage() == CP_UTF8)
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    CCharsetConverter converter(IconvCharset(WorkingCodePage()), "UTF-8");
    std::string utf8;
    int lossy = 0;
    converter.Convert(text, utf8, lossy);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToWorking(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (WorkingCodePage() == CP_UTF8) return utf8.toStdString();
    CCharsetConverter converter("UTF-8", IconvCharset(WorkingCodePage()));
    std::string out;
    int lossy = 0;
    converter.Convert(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), out, lossy);
    return out;
}

QString AboutText() {
    return QStringLiteral(
               "Corvatine %1\n\nCorvatine compares, merges and synchronises text files, binary files "
               "and folder trees.\n\n%2\n%3")
        .arg(QString::fromUtf8(kProgramVersion), QString::fromUtf8(kCopyrightNotice),
             QString::fromUtf8(kLicenceNotice));
}

}  // namespace corvatine::ui
