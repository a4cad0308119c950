#include "ui/VcsView.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <functional>
#include <map>

#include "fileio/ContentType.h"
#include "launch/Components.h"
#include "launch/MergeCommandLine.h"
#include "platform/Path.h"
#include "ui/MergeView.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr int kChangeRole = Qt::UserRole;  // the index of the change; -1 for a folder of the tree

QString FilterActionName(vcs::ChangeStatus status) {
    return status == vcs::CHANGE_UNTRACKED ? QStringLiteral("vcsShowUntracked")
                                           : QStringLiteral("vcsShow") + QChar(static_cast<char>(status));
}

QString Capitalized(const char* text) {
    QString word = QString::fromUtf8(text);
    if (!word.isEmpty()) word[0] = word[0].toUpper();
    return word;
}

}  // namespace

CVcsView::CVcsView(vcs::WORKINGCOPY copy, platform::CMessages& messages, QWidget* parent)
    : CDocumentView(parent),
      m_copy(std::move(copy)),
      m_messages(messages),
      m_versions(std::make_shared<vcs::CVersionFiles>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("vcsSummary"));
    m_summary->setContentsMargins(6, 4, 6, 4);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("vcsList"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Original Path")});
    m_list->setUniformRowHeights(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    CreateActions();
    layout->addWidget(m_summary);
    layout->addWidget(m_list);
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item->data(0, kChangeRole).toInt() >= 0) CompareSelected();
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] {
        UpdateActions();
        emit stateChanged();
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        for (const char* name : {"vcsCompare", "vcsCompareIndex", "vcsEdit", "vcsRevert"})
            menu.addAction(Action(QString::fromLatin1(name)));
        menu.addSeparator();
        menu.addAction(Action(QStringLiteral("vcsRefresh")));
        menu.exec(m_list->viewport()->mapToGlobal(at));
    });
    Refresh();
}

CVcsView::~CVcsView() = default;

void CVcsView::CreateActions() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("vcsBar"));
    const auto add = [&](const QString& text, const char* name, const std::function<void()>& run) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        bar->addAction(action);
        return action;
    };
    QAction* refresh = add(QStringLiteral("&Refresh"), "vcsRefresh", [this] { Refresh(); });
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    refresh->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    auto* tree = new QAction(QStringLiteral("&Tree"), this);
    tree->setObjectName(QStringLiteral("vcsTree"));
    tree->setCheckable(true);
    tree->setChecked(m_tree);
    tree->setToolTip(QStringLiteral("Show the changes in their folders, or as a flat list of paths"));
    connect(tree, &QAction::toggled, this, [this](bool on) { SetTreeMode(on); });
    bar->addAction(tree);
    bar->addSeparator();
    for (const vcs::ChangeStatus status : vcs::kChangeStatuses) {
        auto* action = new QAction(Capitalized(vcs::ChangeStatusName(status)), this);
        action->setObjectName(FilterActionName(status));
        action->setCheckable(true);
        action->setChecked(true);
        action->setToolTip(
            QStringLiteral("Show the %1 entries").arg(QString::fromUtf8(vcs::ChangeStatusName(status))));
        connect(action, &QAction::toggled, this, [this, status](bool on) {
            SetStatusFilter(on ? (m_filter | vcs::StatusBit(status)) : (m_filter & ~vcs::StatusBit(status)));
        });
        bar->addAction(action);
        m_filterActions.push_back(action);
    }
    bar->addSeparator();
    add(QStringLiteral("&Compare"), "vcsCompare", [this] {
        CompareSelected();
    })->setToolTip(QStringLiteral("Compare the committed version with the working file"));
    add(QStringLiteral("Compare with &Index"), "vcsCompareIndex", [this] {
        CompareSelectedWithIndex();
    })->setToolTip(QStringLiteral("Compare the version in git's index with the working file"));
    add(QStringLiteral("&Open in Editor"), "vcsEdit", [this] { EditSelected(); });
    add(QStringLiteral("Re&vert..."), "vcsRevert", [this] {
        RevertSelected();
    })->setToolTip(QStringLiteral("Undo the changes of the file; its working version goes to the Trash"));
    static_cast<QVBoxLayout*>(layout())->addWidget(bar);
}

QAction* CVcsView::Action(const QString& name) const { return findChild<QAction*>(name); }

CMergeWindow* CVcsView::LastMergeWindow() const { return qobject_cast<CMergeWindow*>(m_lastMerge.data()); }

QString CVcsView::Title() const {
    return QStringLiteral("%1 changes: %2")
        .arg(QString::fromUtf8(vcs::VcsName(m_copy.Kind())), FromPath(platform::PathFileName(m_copy.Root())));
}

QString CVcsView::StatusText() const {
    const std::vector<std::string> shown = ShownPaths();
    return QStringLiteral("%1 changes, %2 shown").arg(m_changes.size()).arg(shown.size());
}

bool CVcsView::IsEnabled(Command command) const { return command == Command::Reload; }

void CVcsView::Execute(Command command) {
    if (command == Command::Reload) Refresh();
}

bool CVcsView::Refresh() {
    const vcs::VCSCHANGE* selected = SelectedChange();
    const std::string keep = selected != nullptr ? selected->path : std::string();
    std::string error;
    std::vector<vcs::VCSCHANGE> changes;
    const bool read = m_copy.ReadStatus(changes, error);
    m_changes = std::move(changes);
    Fill();
    if (!keep.empty()) SelectPath(keep);
    if (!read) m_messages.Error(error);
    emit stateChanged();
    return read;
}

void CVcsView::Fill() {
    {
        // The old rows name changes of before: nobody may look at them now.
        const QSignalBlocker block(m_list);
        m_list->clear();
    }
    m_list->setHeaderLabels({m_tree ? QStringLiteral("Name") : QStringLiteral("Path"),
                             QStringLiteral("Status"), QStringLiteral("Original Path")});
    std::map<std::string, QTreeWidgetItem*> folders;
    // The folder item of a path below the root, made with its parents.
    const std::function<QTreeWidgetItem*(const std::string&)> folderItem =
        [&](const std::string& folder) -> QTreeWidgetItem* {
        if (folder.empty()) return nullptr;
        if (const auto found = folders.find(folder); found != folders.end()) return found->second;
        const size_t slash = folder.rfind('/');
        QTreeWidgetItem* parent =
            folderItem(slash == std::string::npos ? std::string() : folder.substr(0, slash));
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_list);
        item->setText(0, FromPath(slash == std::string::npos ? folder : folder.substr(slash + 1)) + '/');
        item->setData(0, kChangeRole, -1);
        folders[folder] = item;
        return item;
    };
    int counts[std::size(vcs::kChangeStatuses)] = {};
    for (size_t i = 0; i < m_changes.size(); ++i) {
        const vcs::VCSCHANGE& change = m_changes[i];
        for (size_t s = 0; s < std::size(vcs::kChangeStatuses); ++s)
            if (vcs::kChangeStatuses[s] == change.status) ++counts[s];
        if ((m_filter & vcs::StatusBit(change.status)) == 0) continue;
        QTreeWidgetItem* item;
        if (m_tree) {
            const size_t slash = change.path.rfind('/');
            QTreeWidgetItem* parent =
                folderItem(slash == std::string::npos ? std::string() : change.path.substr(0, slash));
            item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_list);
            item->setText(0,
                          FromPath(slash == std::string::npos ? change.path : change.path.substr(slash + 1)));
        } else {
            item = new QTreeWidgetItem(m_list);
            item->setText(0, FromPath(change.path));
        }
        item->setData(0, kChangeRole, static_cast<int>(i));
        item->setToolTip(0, FromPath(m_copy.FullPath(change.path)));
        item->setText(1, QString::fromUtf8(vcs::ChangeStatusName(change.status)));
        item->setText(2, FromPath(change.originalPath));
    }
    m_list->expandAll();
    for (size_t s = 0; s < m_filterActions.size(); ++s)
        m_filterActions[s]->setText(QStringLiteral("%1 (%2)")
                                        .arg(Capitalized(vcs::ChangeStatusName(vcs::kChangeStatuses[s])))
                                        .arg(counts[s]));
    m_summary->setText(QStringLiteral("%1 working copy %2: %3")
                           .arg(QString::fromUtf8(vcs::VcsName(m_copy.Kind())), FromPath(m_copy.Root()),
                                m_changes.empty()
                                    ? QStringLiteral("no changes")
                                    : QStringLiteral("%1 changed entries").arg(m_changes.size())));
    UpdateActions();
}

void CVcsView::UpdateActions() {
    const vcs::VCSCHANGE* change = SelectedChange();
    const bool file = change != nullptr && !change->submodule;
    const bool exists = file && platform::NameExists(m_copy.FullPath(change->path)) &&
                        !platform::IsFolder(m_copy.FullPath(change->path));
    Action(QStringLiteral("vcsCompare"))->setEnabled(file);
    Action(QStringLiteral("vcsCompareIndex"))
        ->setEnabled(file && m_copy.HasVersion(*change, vcs::Version::Index));
    Action(QStringLiteral("vcsEdit"))->setEnabled(exists);
    Action(QStringLiteral("vcsRevert"))
        ->setEnabled(change != nullptr && vcs::CWorkingCopy::CanRevert(*change));
}

void CVcsView::SetTreeMode(bool tree) {
    if (tree == m_tree) return;
    const vcs::VCSCHANGE* selected = SelectedChange();
    const std::string keep = selected != nullptr ? selected->path : std::string();
    m_tree = tree;
    if (QAction* action = Action(QStringLiteral("vcsTree")); action->isChecked() != tree)
        action->setChecked(tree);
    Fill();
    if (!keep.empty()) SelectPath(keep);
    emit stateChanged();
}

void CVcsView::SetStatusFilter(uint32_t mask) {
    m_filter = mask & vcs::kAllStatuses;
    for (size_t s = 0; s < m_filterActions.size(); ++s) {
        const bool on = (m_filter & vcs::StatusBit(vcs::kChangeStatuses[s])) != 0;
        if (m_filterActions[s]->isChecked() != on) {
            const QSignalBlocker block(m_filterActions[s]);
            m_filterActions[s]->setChecked(on);
        }
    }
    Fill();
    emit stateChanged();
}

std::vector<std::string> CVcsView::ShownPaths() const {
    std::vector<std::string> paths;
    for (QTreeWidgetItemIterator it(m_list); *it != nullptr; ++it) {
        const int index = (*it)->data(0, kChangeRole).toInt();
        if (index >= 0 && static_cast<size_t>(index) < m_changes.size())
            paths.push_back(m_changes[static_cast<size_t>(index)].path);
    }
    return paths;
}

bool CVcsView::SelectPath(const std::string& path) {
    for (QTreeWidgetItemIterator it(m_list); *it != nullptr; ++it) {
        const int index = (*it)->data(0, kChangeRole).toInt();
        if (index >= 0 && static_cast<size_t>(index) < m_changes.size() &&
            m_changes[static_cast<size_t>(index)].path == path) {
            m_list->setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

const vcs::VCSCHANGE* CVcsView::SelectedChange() const {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (item == nullptr) return nullptr;
    const int index = item->data(0, kChangeRole).toInt();
    return index >= 0 && static_cast<size_t>(index) < m_changes.size()
               ? &m_changes[static_cast<size_t>(index)]
               : nullptr;
}

void CVcsView::CompareSelected() {
    const vcs::VCSCHANGE* change = SelectedChange();
    if (change == nullptr) return;
    const vcs::VCSCHANGE chosen = *change;
    if (chosen.status == vcs::CHANGE_CONFLICTED && OpenMerge(chosen)) return;
    Compare(chosen, vcs::Version::Committed);
}

void CVcsView::CompareSelectedWithIndex() {
    const vcs::VCSCHANGE* change = SelectedChange();
    if (change == nullptr || !m_copy.HasVersion(*change, vcs::Version::Index)) return;
    Compare(*change, vcs::Version::Index);
}

void CVcsView::Compare(const vcs::VCSCHANGE& change, vcs::Version version) {
    const std::string working = m_copy.FullPath(change.path);
    if (change.submodule) {
        m_messages.Status("'" + working + "' is a submodule: its versions are commits, not files");
        return;
    }
    if (platform::IsFolder(working)) {
        m_messages.Status("'" + working + "' is a folder");
        return;
    }
    std::string left, error;
    if (!m_versions->Fetch(m_copy, change, version, left, error)) {
        m_messages.Error(error);
        return;
    }
    // A deleted file's side is an empty stand-in, which is not saved.
    std::string right = working;
    const bool missing = !platform::NameExists(working);
    if (missing && !m_versions->Empty(change.path, right, error)) {
        m_messages.Error(error);
        return;
    }
    const bool text = IsTextFile(left) && IsTextFile(right);
    std::unique_ptr<CCompareParams> request;
    if (text)
        request = std::make_unique<CTextCompareParams>(AppComponents().Text().rules);
    else
        request = std::make_unique<CBinaryCompareParams>();
    request->sides[0] = {left, SIDE_READ_ONLY};
    request->sides[1] = {right, missing ? SIDE_READ_ONLY : 0u};
    emit openComparison(*request, m_versions);
}

bool CVcsView::OpenMerge(const vcs::VCSCHANGE& change) {
    // A conflict whose side deleted the file, and Subversion's, show two sides.
    if (!m_copy.HasVersion(change, vcs::Version::Ours) || !m_copy.HasVersion(change, vcs::Version::Theirs))
        return false;
    MERGECOMMAND command;
    std::string error;
    const vcs::Version versions[3] = {vcs::Version::Base, vcs::Version::Ours, vcs::Version::Theirs};
    for (int i = 0; i < 3; ++i) {
        if (i == 0 && !m_copy.HasVersion(change, vcs::Version::Base)) continue;  // filled below
        if (!m_versions->Fetch(m_copy, change, versions[i], command.request.paths[i], error)) {
            // Mercurial knows the other side only in a merge (not after a rebase).
            if (m_copy.Kind() != vcs::VcsKind::Git) return false;
            m_messages.Error(error);
            return true;
        }
    }
    // Both sides added the file: a BASE that does not exist is empty.
    if (command.request.paths[0].empty()) command.request.paths[0] = command.request.paths[1] + ".no-base";
    command.request.labels = {"ours", "base", "theirs"};
    command.output = m_copy.FullPath(change.path);
    auto* window = new CMergeWindow(std::move(command));
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->Open(error)) {
        delete window;
        m_messages.Error(error);
        return true;
    }
    // The versions stay while the merge is open (the connection lives as long
    // as the window); the list then shows what it left.
    connect(window, &QObject::destroyed, window, [keep = m_versions] {});
    connect(window, &QObject::destroyed, this, [this] { Refresh(); });
    m_lastMerge = window;
    window->show();
    return true;
}

void CVcsView::EditSelected() {
    const vcs::VCSCHANGE* change = SelectedChange();
    if (change == nullptr) return;
    const std::string working = m_copy.FullPath(change->path);
    if (!platform::NameExists(working) || platform::IsFolder(working)) return;
    emit openFile(FromPath(working), false);
}

void CVcsView::RevertSelected() {
    const vcs::VCSCHANGE* selected = SelectedChange();
    if (selected == nullptr || !vcs::CWorkingCopy::CanRevert(*selected)) return;
    const vcs::VCSCHANGE change = *selected;
    std::string question = "Revert the changes of '" + change.path + "'?";
    if (!m_copy.FilesRevertReplaces(change).empty())
        question += "\nThe working file is moved to the Trash first.";
    else if (change.status == vcs::CHANGE_ADDED || change.status == vcs::CHANGE_COPIED)
        question += "\nThe file stays, no longer added.";
    if (m_messages.AskYesNo(question) != platform::ANSWER_YES) return;
    std::string error;
    bool trashFailed = false;
    if (!m_copy.Revert(change, true, error, &trashFailed)) {
        if (!trashFailed) {
            m_messages.Error(error);
        } else if (m_messages.AskYesNo(error + "\nRevert anyway? The changes of the file are lost then.") ==
                   platform::ANSWER_YES) {
            if (!m_copy.Revert(change, false, error)) m_messages.Error(error);
        }
    }
    Refresh();
}

}  // namespace corvatine::ui
