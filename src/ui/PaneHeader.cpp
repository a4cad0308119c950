#include "ui/PaneHeader.h"

#include <QHBoxLayout>

namespace corvatine::ui {

CPaneHeader::CPaneHeader(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(12);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("path"));
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_label->setMinimumWidth(40);
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setTextFormat(Qt::RichText);
    m_details->setToolTip(
        QStringLiteral("Encoding and line endings; click the encoding to read the file in another"));
    connect(m_details, &QLabel::linkActivated, this, [this] { emit encodingClicked(); });
    layout->addWidget(m_label, 1);
    layout->addWidget(m_details, 0);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.92);
    m_label->setFont(small);
    m_details->setFont(small);
    m_details->setForegroundRole(QPalette::PlaceholderText);
}

QString CPaneHeader::DistinctFolder(const QString& path, const QString& other) {
    const QStringList mine = path.split(QLatin1Char('/')), theirs = other.split(QLatin1Char('/'));
    if (mine.size() < 2 || theirs.isEmpty() || mine.last() != theirs.last()) return QString();
    for (qsizetype i = 0; i + 1 < mine.size() && i + 1 < theirs.size(); ++i)
        if (mine[i] != theirs[i]) return mine[i];
    return QString();
}

void CPaneHeader::SetSide(const QString& path, bool readOnly, bool modified, const QString& encoding,
                          const QString& lineEndings, const QString& distinct) {
    m_path = path.isEmpty() ? QStringLiteral("Untitled") : path;
    m_distinct = distinct;
    if (modified) m_path += QStringLiteral(" *");
    QStringList parts;
    if (readOnly) parts << QStringLiteral("Read-only");
    parts << QStringLiteral("<a href=\"encoding\" style=\"text-decoration:none\">%1</a>")
                 .arg(encoding.toHtmlEscaped());
    parts << lineEndings.toHtmlEscaped();
    m_details->setText(parts.join(QStringLiteral(" \u00B7 ")));
    m_label->setToolTip(m_path);
    Elide();
}

void CPaneHeader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Elide();
}

void CPaneHeader::Elide() {
    const QFontMetrics metrics = m_label->fontMetrics();
    const int width = std::max(20, m_label->width());
    const auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; };
    const qsizetype slash = m_path.lastIndexOf(QLatin1Char('/'));
    if (fits(m_path) || slash <= 0) {
        m_label->setText(metrics.elidedText(m_path, Qt::ElideMiddle, width));
        return;
    }
    // The folders give way in their middle before the file's name does, and
    // the folder that tells the two sides apart stays.
    const QString name = m_path.mid(slash);
    const QString ellipsis(QChar(0x2026));
    const int room = width - metrics.horizontalAdvance(name);
    if (room >= metrics.horizontalAdvance(QLatin1Char('/') + ellipsis + QLatin1Char('/'))) {
        const QString folders = metrics.elidedText(m_path.left(slash), Qt::ElideMiddle, room);
        if (m_distinct.isEmpty() || folders.contains(m_distinct)) {
            m_label->setText(folders + name);
            return;
        }
        const QString around =
            ellipsis + QLatin1Char('/') + m_distinct +
            (m_path.left(slash).endsWith(QLatin1Char('/') + m_distinct) ? QString()
                                                                        : QLatin1Char('/') + ellipsis) +
            name;
        if (fits(around)) {
            m_label->setText(around);
            return;
        }
    }
    m_label->setText(metrics.elidedText(m_path, Qt::ElideMiddle, width));
}

}  // namespace corvatine::ui
