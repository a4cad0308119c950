#include "ui/HelpWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <map>

namespace corvatine::ui {

namespace {

// The commands each page's table lists, by their actions' object names;
// the contents page lists every key of the window.
const std::map<QString, QStringList>& PageCommands() {
    static const std::map<QString, QStringList> commands = {
        {QStringLiteral("text-comparison.html"),
         {"save",
          "saveLeft",
          "saveRight",
          "reload",
          "undo",
          "redo",
          "cut",
          "copy",
          "paste",
          "selectAll",
          "goToLine",
          "copyToLeft",
          "copyToRight",
          "copyToLeftAndAdvance",
          "copyToRightAndAdvance",
          "firstDifference",
          "previousDifference",
          "nextDifference",
          "lastDifference",
          "nextLineDifference",
          "previousLineDifference",
          "selectLineDifference",
          "goToMovedBlock",
          "recompare",
          "quickMergeMode",
          "find",
          "findNext",
          "findPrevious",
          "replace",
          "goToContainingFolder"}},
        {QStringLiteral("folder-comparison.html"),
         {"copyToLeft", "copyToRight", "deleteItems", "renameItem", "recompare", "find", "findNext",
          "findPrevious", "firstDifference", "previousDifference", "nextDifference", "lastDifference"}},
        {QStringLiteral("binary-comparison.html"),
         {"save",
          "saveLeft",
          "saveRight",
          "undo",
          "redo",
          "copy",
          "paste",
          "selectAll",
          "goToLine",
          "copyToLeft",
          "copyToRight",
          "firstDifference",
          "previousDifference",
          "nextDifference",
          "lastDifference",
          "recompare",
          "find",
          "findNext",
          "findPrevious",
          "goToContainingFolder"}},
        {QStringLiteral("editor.html"),
         {"save", "reload", "undo", "redo", "cut", "copy", "paste", "selectAll", "goToLine", "find",
          "findNext", "findPrevious", "replace"}},
        {QStringLiteral("hex-editor.html"),
         {"save", "reload", "undo", "redo", "cut", "copy", "paste", "selectAll", "goToLine", "find",
          "findNext", "findPrevious"}},
        {QStringLiteral("version-control.html"), {"recompare"}},
        {QStringLiteral("synchronisation.html"), {"recompare"}},
        {QStringLiteral("find-in-files.html"), {"findInFiles"}},
        {QStringLiteral("merge.html"), {}},
    };
    return commands;
}

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

void AddRows(const QMenu& menu, const QString& path, const QStringList& names, QString& rows) {
    for (const QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            AddRows(*action->menu(),
                    path + QStringLiteral(" > ") + action->menu()->title().remove(QLatin1Char('&')), names,
                    rows);
            continue;
        }
        if (action->isSeparator() || action->shortcut().isEmpty()) continue;
        if (!names.isEmpty() && !names.contains(action->objectName())) continue;
        QString text = action->text();
        text.remove(QLatin1Char('&'));
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2 &gt; %3</td></tr>\n")
                    .arg(Escaped(action->shortcut().toString(QKeySequence::NativeText)), Escaped(path),
                         Escaped(text));
    }
}

}  // namespace

QString GuideFolder() {
    const QString program = QCoreApplication::applicationDirPath();
    const QStringList candidates = {program + QStringLiteral("/../share/corvatine/guide"),
                                    QStringLiteral(CORVATINE_SOURCE_GUIDE)};
    for (const QString& folder : candidates)
        if (QFile::exists(folder + QStringLiteral("/index.html"))) return QDir(folder).canonicalPath();
    return QString();
}

QString KeysTable(const QMenuBar& menus, const QStringList& names) {
    QString rows;
    for (const QAction* action : menus.actions())
        if (action->menu() != nullptr)
            AddRows(*action->menu(), action->menu()->title().remove(QLatin1Char('&')), names, rows);
    if (rows.isEmpty()) return QString();
    return QStringLiteral("<table cellpadding=\"3\">\n") + rows + QStringLiteral("</table>\n");
}

CHelpWindow::CHelpWindow(QWidget* parent, const QMenuBar& menus) : QDialog(parent), m_menus(menus) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("User Guide"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("guide"));
    m_browser->setOpenLinks(false);
    layout->addWidget(m_browser);
    // Links to other pages of the guide fill in their keys too.
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() || url.isLocalFile()) Load(QFileInfo(url.path()).fileName());
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(720, 640);
}

void CHelpWindow::Load(const QString& page) {
    m_page = page;
    const QString folder = GuideFolder();
    QFile file(folder + QLatin1Char('/') + page);
    if (folder.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        m_browser->setHtml(
            QStringLiteral("<p>The user guide is not installed: %1 was not found.</p>")
                .arg(Escaped(folder.isEmpty() ? QStringLiteral("share/corvatine/guide") : file.fileName())));
        return;
    }
    QString html = QString::fromUtf8(file.readAll());
    const auto found = PageCommands().find(page);
    const QString keys =
        found == PageCommands().end() ? KeysTable(m_menus) : KeysTable(m_menus, found->second);
    html.replace(QStringLiteral("<!--keys-->"),
                 keys.isEmpty() ? QStringLiteral("<p>See the menus.</p>") : keys);
    m_browser->setSearchPaths({folder});
    m_browser->setHtml(html);
}

CHelpWindow* CHelpWindow::Show(QWidget* parent, const QMenuBar& menus, const QString& page) {
    CHelpWindow* window = parent->findChild<CHelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) window = new CHelpWindow(parent, menus);
    window->Load(page);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace corvatine::ui
