#include "ui/StartPage.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

#include "persist/GeneralOptions.h"
#include "persist/RecentComparisonList.h"
#include "ui/ComparisonListPane.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

QLabel* Heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    label->setFont(font);
    return label;
}

}  // namespace

CStartPage::CStartPage(CRecentComparisonList* list, CGeneralOptions& options, QWidget* parent)
    : CDocumentView(parent), m_list(list), m_options(options) {
    setObjectName(QStringLiteral("startPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 12);
    auto* title = new QLabel(QStringLiteral("Corvatine"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2);
    title->setFont(titleFont);
    layout->addWidget(title);
    layout->addWidget(
        new QLabel(QStringLiteral("Compare and merge text files, binary files and folders."), this));
    layout->addSpacing(12);

    auto* columns = new QHBoxLayout;
    layout->addLayout(columns, 1);

    // The ways to begin, with the frame's own commands behind them.
    auto* begin = new QVBoxLayout;
    begin->addWidget(Heading(QStringLiteral("Start"), this));
    struct BUTTON {
        const char* name;
        const char* text;
        QStyle::StandardPixmap icon;
        std::function<void()> slot;
    };
    const BUTTON buttons[] = {
        {"newTextComparison", "New &Text Comparison...", QStyle::SP_FileIcon,
         [this] { emit newComparison(1); }},
        {"newFolderComparison", "New &Folder Comparison...", QStyle::SP_DirIcon,
         [this] { emit newComparison(3); }},
        {"newBinaryComparison", "New &Binary Comparison...", QStyle::SP_DriveHDIcon,
         [this] { emit newComparison(2); }},
        {"startOpenFile", "Open &File...", QStyle::SP_DialogOpenButton, [this] { emit openFile(); }},
        {"startOpenComparison", "Open &Comparison File...", QStyle::SP_DirOpenIcon,
         [this] { emit openComparisonFile(); }},
    };
    for (const BUTTON& button : buttons) {
        auto* push =
            new QPushButton(style()->standardIcon(button.icon), QString::fromLatin1(button.text), this);
        push->setObjectName(QString::fromLatin1(button.name));
        push->setFlat(true);
        push->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 8px;"));
        connect(push, &QPushButton::clicked, this, button.slot);
        begin->addWidget(push);
    }
    begin->addStretch(1);
    columns->addLayout(begin);
    columns->addSpacing(24);

    auto* recent = new QVBoxLayout;
    recent->addWidget(Heading(QStringLiteral("Recent Comparisons"), this));
    m_recent = new QTreeWidget(this);
    m_recent->setObjectName(QStringLiteral("startRecent"));
    m_recent->setRootIsDecorated(false);
    m_recent->setUniformRowHeights(true);
    m_recent->setHeaderLabels({QStringLiteral("Comparison"), QStringLiteral("Left"), QStringLiteral("Right"),
                               QStringLiteral("Compared")});
    // The title and the time in full; the paths share the rest, elided.
    m_recent->header()->setStretchLastSection(false);
    m_recent->header()->setSectionResizeMode(QHeaderView::Stretch);
    m_recent->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_recent->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    m_recent->setTextElideMode(Qt::ElideMiddle);
    // A click opens the entry, as a link would; Enter too.
    connect(m_recent, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { emit openEntry(item->data(0, Qt::UserRole).toInt()); });
    connect(m_recent, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { emit openEntry(item->data(0, Qt::UserRole).toInt()); });
    recent->addWidget(m_recent, 1);
    columns->addLayout(recent, 1);

    m_showAtStartUp = new QCheckBox(QStringLiteral("&Show this page at start-up"), this);
    m_showAtStartUp->setObjectName(QStringLiteral("showAtStartUp"));
    m_showAtStartUp->setChecked(m_options.showStartPage != 0);
    connect(m_showAtStartUp, &QCheckBox::toggled, this,
            [this](bool checked) { m_options.showStartPage = checked ? 1 : 0; });
    layout->addWidget(m_showAtStartUp);
    Reload();
}

void CStartPage::Reload() {
    m_recent->clear();
    const int count = m_list != nullptr ? m_list->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const CCompareParams& request = (*m_list)[i];
        auto* item = new QTreeWidgetItem(m_recent);
        item->setIcon(0, ComparisonKindIcon(*this, request.kind));
        item->setText(0, FromPath(request.GetTitle()));
        item->setText(1, FromPath(request.sides[0].path));
        item->setText(2, FromPath(request.sides[1].path));
        if (request.lastComparedTime != 0)
            item->setText(3, QDateTime::fromSecsSinceEpoch(request.lastComparedTime)
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        item->setToolTip(0, ComparisonToolTip(request));
        item->setData(0, Qt::UserRole, i);
    }
    if (count == 0) {
        auto* item = new QTreeWidgetItem(m_recent);
        item->setText(0, QStringLiteral("(none)"));
        item->setFlags(Qt::NoItemFlags);
    }
}

}  // namespace corvatine::ui
