// The window's user guide: HTML pages installed with the program, one per
// view, each with a table of the keys read from the window's own menus so
// that the guide and the keys never disagree.
#pragma once

#include <QDialog>
#include <QString>

class QMenuBar;
class QTextBrowser;

namespace corvatine::ui {

// The folder holding the guide's pages: installed beside the program
// (share/corvatine/guide), else the source tree's copy in a build tree.
// Empty when neither is there.
QString GuideFolder();

// The keys of every menu entry that has one: "Menu > Entry" and its key,
// for the commands whose object names are listed (all when the list is empty).
QString KeysTable(const QMenuBar& menus, const QStringList& names = {});

class CHelpWindow : public QDialog {
    Q_OBJECT

public:
    // Shows the page (a file name in the guide's folder) with the keys of the
    // commands named filled in; one window per main window, brought to front.
    static CHelpWindow* Show(QWidget* parent, const QMenuBar& menus, const QString& page);

    QTextBrowser& Browser() const { return *m_browser; }
    QString Page() const { return m_page; }

private:
    CHelpWindow(QWidget* parent, const QMenuBar& menus);
    void Load(const QString& page);

    const QMenuBar& m_menus;
    QTextBrowser* m_browser;
    QString m_page;
};

}  // namespace corvatine::ui
