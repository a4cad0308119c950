#include "ui/FindReplaceDialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <tuple>
#include <utility>

#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "ui/ActiveColors.h"
#include "ui/FolderWork.h"
#include "ui/TextPane.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr const char* kTooComplex = "The regular expression is too complex to search with.";
constexpr const char* kExportFilter = "HTML Files (*.html)|*.html|All Files (*.*)|*.*||";

constexpr int kStatusMilliseconds = 10000;

bool IsWordByte(unsigned char c) { return std::isalnum(c) != 0 || c == '_' || c >= 0x80; }

bool Before(CPoint a, CPoint b) { return a.y < b.y || (a.y == b.y && a.x < b.x); }

std::pair<CPoint, CPoint> SelectionOf(const CTextPane& pane) {
    CPoint a = pane.Anchor(), b = pane.Caret();
    if (Before(b, a)) std::swap(a, b);
    return {a, b};
}

void Tell(QWidget* parent, const QString& title, const std::string& text) {
    QMessageBox::information(parent, title, FromPath(text));
}

// "7 occurrences replaced".
std::string ReplacedText(int count) {
    return std::to_string(count) + (count == 1 ? " occurrence replaced" : " occurrences replaced");
}

// A message in the status bar of the window the dialog belongs to.
void ShowStatus(QWidget* dialog, const std::string& text) {
    QWidget* owner = dialog->parentWidget() != nullptr ? dialog->parentWidget()->window() : nullptr;
    if (auto* frame = qobject_cast<QMainWindow*>(owner))
        frame->statusBar()->showMessage(QString::fromStdString(text), kStatusMilliseconds);
}

void FillCombo(QComboBox* combo, const CRecentTexts& history) {
    combo->clear();
    for (const std::string& item : history.Items()) combo->addItem(FromPath(item));
}

}  // namespace

std::string InitialFindText(const CTextPane& pane) {
    const CSyntaxEditContext& context = const_cast<CTextPane&>(pane).Context();
    if (pane.HasSelection()) {
        if (pane.Anchor().y == pane.Caret().y) return pane.SelectedText();
        return std::string();
    }
    const CPoint caret = pane.Caret();
    if (caret.y < 0 || caret.y >= context.GetLineCount()) return std::string();
    const std::string_view line = context.GetLine(caret.y).Characters();
    int start = std::clamp(caret.x, 0, static_cast<int>(line.size()));
    int end = start;
    while (start > 0 && IsWordByte(static_cast<unsigned char>(line[static_cast<size_t>(start) - 1]))) --start;
    while (end < static_cast<int>(line.size()) &&
           IsWordByte(static_cast<unsigned char>(line[static_cast<size_t>(end)])))
        ++end;
    return std::string(line.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

namespace {

// A found match stands in the middle of its view, and the dialog that found
// it moves off it when it covers it.
void ShowMatch(QWidget* parent, const FINDTARGET& target, int row) {
    if (target.centre) target.centre(row);
    auto* dialog = qobject_cast<QDialog*>(parent);
    if (dialog == nullptr || !dialog->isVisible()) return;
    CTextPane& pane = *target.pane;
    const QRect rowRect(pane.mapToGlobal(pane.RowRect(row).topLeft()), pane.RowRect(row).size());
    const QRect frame = dialog->frameGeometry();
    if (!frame.intersects(rowRect)) return;
    const QScreen* screen = dialog->screen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
    // Below the match when it fits, else above it.
    QPoint to(frame.x(), rowRect.bottom() + 2 * pane.LineHeight());
    if (!room.isNull() && to.y() + frame.height() > room.bottom())
        to.setY(std::max(room.top(), rowRect.top() - 2 * pane.LineHeight() - frame.height()));
    dialog->move(to);
}

bool Search(QWidget* parent, const FINDTARGET& target, const std::string& text, uint32_t flags, bool wrap,
            CPoint blockStart, CPoint blockEnd, const char* notFoundFormat) {
    CTextPane& pane = *target.pane;
    const auto [selStart, selEnd] = SelectionOf(pane);
    CPoint start = (flags & FIND_DIRECTION_UP) != 0 ? selStart : selEnd;
    if ((flags & FIND_DIRECTION_UP) == 0 && Before(blockEnd, start)) start = blockStart;
    if (start == blockEnd && wrap) start = blockStart;
    CPoint position;
    target.finder->FindHistory().Add(text);
    if (target.finder->SearchText(text, start, blockStart, blockEnd, flags, wrap, position)) {
        const LASTSEARCH& last = target.finder->GetLastSearch();
        pane.Select(last.matchStart, last.matchEnd);
        ShowMatch(parent, target, last.matchStart.y);
        return true;
    }
    if (target.finder->GetStatus() == SEARCH_TOO_COMPLEX)
        Tell(parent, QStringLiteral("Find"), kTooComplex);
    else
        Tell(parent, QStringLiteral("Find"), FormatNotFound(notFoundFormat, text));
    return false;
}

}  // namespace

std::vector<std::pair<CPoint, CPoint>> FindAllMatches(CSyntaxEditContext& context, const std::string& text,
                                                      uint32_t flags, SearchStatus* status) {
    std::vector<std::pair<CPoint, CPoint>> matches;
    CRecentTexts history;  // a search of its own: the view's last search stays
    CFindReplace finder(context, &history);
    flags &= ~uint32_t{FIND_DIRECTION_UP};
    const CPoint end = CFindReplace::TextEnd(context);
    CPoint start{0, 0}, position;
    while (finder.SearchText(text, start, CPoint{0, 0}, end, flags, false, position)) {
        const LASTSEARCH& last = finder.GetLastSearch();
        matches.emplace_back(last.matchStart, last.matchEnd);
        start = last.matchEnd;
        if (last.matchEnd == last.matchStart) {
            // An empty match: on past the character after it, or to the next line.
            const std::string_view line = context.GetLine(start.y).Characters();
            const int length = static_cast<int>(line.size());
            if (start.x < length)
                start.x += std::max(1, CharacterLength(line.data(), length, start.x, WorkingCodePage()));
            else if (start.y + 1 < context.GetLineCount())
                start = {0, start.y + 1};
            else
                break;
        }
        if (start == end) break;
    }
    if (status != nullptr)
        *status = finder.GetStatus() == SEARCH_TOO_COMPLEX ? SEARCH_TOO_COMPLEX
                  : matches.empty()                        ? SEARCH_NOT_FOUND
                                                           : SEARCH_FOUND;
    return matches;
}

int HighlightAll(const FINDTARGET& target, const std::string& text, uint32_t flags) {
    int count = 0;
    for (CTextPane* pane : {target.pane, target.other}) {
        if (pane == nullptr) continue;
        std::vector<std::pair<CPoint, CPoint>> marks = FindAllMatches(pane->Context(), text, flags);
        count += static_cast<int>(marks.size());
        pane->SetMarks(std::move(marks));
    }
    return count;
}

bool FindInPane(QWidget* parent, const FINDTARGET& target, const std::string& text, uint32_t flags, bool wrap,
                const char* notFoundFormat) {
    return Search(parent, target, text, flags, wrap, CPoint{0, 0},
                  CFindReplace::TextEnd(target.pane->Context()), notFoundFormat);
}

void FindAgain(QWidget* parent, const FINDTARGET& target, bool up) {
    const LASTSEARCH& last = target.finder->GetLastSearch();
    if (last.text.empty()) {
        CFindReplaceDialog::Run(parent, target, false);
        return;
    }
    const uint32_t flags =
        up ? (last.flags | FIND_DIRECTION_UP) : (last.flags & ~uint32_t{FIND_DIRECTION_UP});
    const std::string text = last.text;
    FindInPane(parent, target, text, flags, true, kFindNotFoundFormat);
}

CFindReplaceDialog::CFindReplaceDialog(QWidget* parent, const FINDTARGET& target, bool replace)
    : QDialog(parent), m_target(target), m_replace(replace) {
    setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
    setObjectName(replace ? QStringLiteral("replaceDialog") : QStringLiteral("findDialog"));
    auto* fields = new QGridLayout;
    m_find = new QComboBox(this);
    m_find->setObjectName(QStringLiteral("findWhat"));
    m_find->setEditable(true);
    m_find->setInsertPolicy(QComboBox::NoInsert);
    m_find->setMinimumWidth(260);
    FillCombo(m_find, target.finder->FindHistory());
    m_find->setEditText(FromPath(InitialFindText(*target.pane)));
    auto* findLabel = new QLabel(QStringLiteral("&Find What:"), this);
    findLabel->setBuddy(m_find);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(m_find, 0, 1);
    if (replace) {
        m_with = new QComboBox(this);
        m_with->setObjectName(QStringLiteral("replaceWith"));
        m_with->setEditable(true);
        m_with->setInsertPolicy(QComboBox::NoInsert);
        FillCombo(m_with, target.finder->ReplaceHistory());
        m_with->setEditText(QString());
        auto* withLabel = new QLabel(QStringLiteral("Re&place With:"), this);
        withLabel->setBuddy(m_with);
        fields->addWidget(withLabel, 1, 0);
        fields->addWidget(m_with, 1, 1);
    }
    const uint32_t flags = target.finder->GetLastSearch().flags;
    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_wholeWord->setObjectName(QStringLiteral("wholeWord"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    m_regexp = new QCheckBox(QStringLiteral("Regular &expression"), this);
    m_regexp->setObjectName(QStringLiteral("regularExpression"));
    m_matchCase->setChecked((flags & FIND_MATCH_CASE) != 0);
    m_regexp->setChecked((flags & FIND_REGEXP) != 0);
    m_wholeWord->setChecked((flags & FIND_WHOLE_WORD) != 0 && !m_regexp->isChecked());
    auto* options = new QVBoxLayout;
    options->addWidget(m_wholeWord);
    options->addWidget(m_matchCase);
    options->addWidget(m_regexp);
    auto* choices = new QHBoxLayout;
    choices->addLayout(options);
    if (replace) {
        m_dontWrap = new QCheckBox(QStringLiteral("&Don't wrap end of file"), this);
        m_dontWrap->setObjectName(QStringLiteral("dontWrap"));
        options->addWidget(m_dontWrap);
        auto* scope = new QGroupBox(QStringLiteral("Replace In"), this);
        m_selection = new QRadioButton(QStringLiteral("&Selection"), scope);
        m_selection->setObjectName(QStringLiteral("inSelection"));
        auto* whole = new QRadioButton(QStringLiteral("W&hole file"), scope);
        whole->setObjectName(QStringLiteral("wholeFile"));
        const bool lines = target.pane->HasSelection() && target.pane->Anchor().y != target.pane->Caret().y;
        (lines ? m_selection : whole)->setChecked(true);
        m_selection->setEnabled(target.pane->HasSelection());
        auto* box = new QVBoxLayout(scope);
        box->addWidget(m_selection);
        box->addWidget(whole);
        choices->addWidget(scope);
        std::tie(m_selectionStart, m_selectionEnd) = SelectionOf(*target.pane);
    } else {
        auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
        m_up = new QRadioButton(QStringLiteral("&Up"), direction);
        m_up->setObjectName(QStringLiteral("up"));
        auto* down = new QRadioButton(QStringLiteral("&Down"), direction);
        down->setObjectName(QStringLiteral("down"));
        ((flags & FIND_DIRECTION_UP) != 0 ? m_up : down)->setChecked(true);
        auto* box = new QHBoxLayout(direction);
        box->addWidget(m_up);
        box->addWidget(down);
        choices->addWidget(direction);
    }
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(choices);
    left->addStretch();

    auto* buttons = new QVBoxLayout;
    m_findNext = new QPushButton(QStringLiteral("Find Next"), this);
    m_findNext->setObjectName(QStringLiteral("findNext"));
    m_findNext->setDefault(true);
    buttons->addWidget(m_findNext);
    connect(m_findNext, &QPushButton::clicked, this, [this] { FindNext(); });
    if (!replace) {
        m_highlightAll = new QPushButton(QStringLiteral("&Highlight All"), this);
        m_highlightAll->setObjectName(QStringLiteral("highlightAll"));
        buttons->addWidget(m_highlightAll);
        connect(m_highlightAll, &QPushButton::clicked, this, [this] { MarkAll(); });
    }
    if (replace) {
        m_replaceButton = new QPushButton(QStringLiteral("&Replace"), this);
        m_replaceButton->setObjectName(QStringLiteral("replace"));
        m_replaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
        m_replaceAll->setObjectName(QStringLiteral("replaceAll"));
        buttons->addWidget(m_replaceButton);
        buttons->addWidget(m_replaceAll);
        connect(m_replaceButton, &QPushButton::clicked, this, [this] { ReplaceOne(); });
        connect(m_replaceAll, &QPushButton::clicked, this, [this] { ReplaceAll(); });
    }
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(m_regexp, &QCheckBox::toggled, this, [this](bool on) {
        if (on) m_wholeWord->setChecked(false);
        m_wholeWord->setEnabled(!on);
    });
    m_wholeWord->setEnabled(!m_regexp->isChecked());
    connect(m_find, &QComboBox::editTextChanged, this, [this] { UpdateButtons(); });
    UpdateButtons();
    m_find->setFocus();
    m_find->lineEdit()->selectAll();
}

void CFindReplaceDialog::Run(QWidget* parent, const FINDTARGET& target, bool replace) {
    CFindReplaceDialog dialog(parent, target, replace && target.replace);
    dialog.exec();
}

uint32_t CFindReplaceDialog::Flags() const {
    uint32_t flags = 0;
    if (m_matchCase->isChecked()) flags |= FIND_MATCH_CASE;
    if (m_wholeWord->isChecked() && !m_regexp->isChecked()) flags |= FIND_WHOLE_WORD;
    if (m_regexp->isChecked()) flags |= FIND_REGEXP;
    if (m_up != nullptr && m_up->isChecked()) flags |= FIND_DIRECTION_UP;
    return flags;
}

void CFindReplaceDialog::UpdateButtons() {
    const bool any = !m_find->currentText().isEmpty();
    const bool writable = !m_target.pane->Context().IsReadOnly();
    m_findNext->setEnabled(any);
    if (m_highlightAll != nullptr) m_highlightAll->setEnabled(any);
    if (m_replaceButton != nullptr) m_replaceButton->setEnabled(any && writable);
    if (m_replaceAll != nullptr) m_replaceAll->setEnabled(any && writable);
}

void CFindReplaceDialog::Remember() {
    FillCombo(m_find, m_target.finder->FindHistory());
    if (m_with != nullptr) FillCombo(m_with, m_target.finder->ReplaceHistory());
}

void CFindReplaceDialog::Block(CPoint& start, CPoint& end) const {
    if (m_selection != nullptr && m_selection->isChecked()) {
        start = m_selectionStart;
        end = m_selectionEnd;
    } else {
        start = CPoint{0, 0};
        end = CFindReplace::TextEnd(m_target.pane->Context());
    }
}

void CFindReplaceDialog::FindNext() {
    const QString what = m_find->currentText();
    if (what.isEmpty()) return;
    // A new search: the marks of the last one go.
    for (CTextPane* pane : {m_target.pane, m_target.other})
        if (pane != nullptr) pane->ClearMarks();
    CPoint start, end;
    Block(start, end);
    const bool wrap = m_dontWrap == nullptr || !m_dontWrap->isChecked();
    Search(this, m_target, ToPath(what), Flags(), wrap, start, end,
           m_replace ? kReplaceNotFoundFormat : kFindNotFoundFormat);
    Remember();
    m_find->setEditText(what);
}

void CFindReplaceDialog::MarkAll() {
    const QString what = m_find->currentText();
    if (what.isEmpty()) return;
    FindNext();
    if (HighlightAll(m_target, ToPath(what), Flags()) > 0) accept();
}

void CFindReplaceDialog::ReplaceOne() {
    const QString what = m_find->currentText();
    const QString with = m_with->currentText();
    CFindReplace& finder = *m_target.finder;
    CTextPane& pane = *m_target.pane;
    const LASTSEARCH& last = finder.GetLastSearch();
    const auto [selStart, selEnd] = SelectionOf(pane);
    // Replaces what the last search selected, then finds the next one.
    if (last.found && last.text == ToPath(what) && last.matchStart == selStart && last.matchEnd == selEnd) {
        CPoint end;
        const CPoint oldEnd = last.matchEnd;
        bool replaced = false;
        if (CReplaceEditing* editing = m_target.editing) {
            // The match again on the real text, where the replacement goes.
            const CPoint start = editing->ToText(last.matchStart);
            const std::string text = last.text;
            const uint32_t flags = last.flags & ~uint32_t{FIND_DIRECTION_UP};
            editing->Begin("Replace");
            CPoint found;
            replaced = finder.SearchText(text, start, CPoint{0, 0}, CFindReplace::TextEnd(pane.Context()),
                                         flags, false, found) &&
                       found == start && finder.Replace(&pane, ToPath(with), end);
            editing->End();
            if (replaced) end = editing->ToRow(end);
        } else {
            replaced = finder.Replace(&pane, ToPath(with), end);
        }
        if (replaced) {
            if (m_selection != nullptr && m_selection->isChecked() && oldEnd.y == m_selectionEnd.y)
                m_selectionEnd.x += end.x - oldEnd.x;
            pane.SetCaret(end);
            finder.ReplaceHistory().Add(ToPath(with));
            pane.Refresh();
        }
    }
    FindNext();
    m_with->setEditText(with);
}

void CFindReplaceDialog::ReplaceAll() {
    const QString what = m_find->currentText();
    const QString with = m_with->currentText();
    if (what.isEmpty()) return;
    CTextPane& pane = *m_target.pane;
    CPoint start, end;
    Block(start, end);
    const bool wrap = m_dontWrap == nullptr || !m_dontWrap->isChecked();
    CPoint current = m_selection != nullptr && m_selection->isChecked() ? start : SelectionOf(pane).first;
    CFindReplace& finder = *m_target.finder;
    CReplaceEditing* editing = m_target.editing;
    CPoint selectionStart = m_selectionStart;
    if (editing != nullptr) {
        // The block and the start on the real text, replaced there in one go.
        const bool wholeText = end == CFindReplace::TextEnd(pane.Context());
        current = editing->ToText(current);
        start = editing->ToText(start);
        end = editing->ToText(end);
        selectionStart = editing->ToText(m_selectionStart);
        editing->Begin("Replace All");
        if (wholeText) end = CFindReplace::TextEnd(pane.Context());
    }
    const int count =
        finder.ReplaceAll(&pane, ToPath(what), ToPath(with), Flags(), current, start, end, wrap);
    if (editing != nullptr) {
        editing->End();
        end = editing->ToRow(end);
        m_selectionStart = editing->ToRow(selectionStart);
    }
    if (m_selection != nullptr && m_selection->isChecked()) m_selectionEnd = end;
    pane.Refresh();
    if (finder.GetStatus() == SEARCH_TOO_COMPLEX)
        Tell(this, windowTitle(), kTooComplex);
    else if (count == 0)
        Tell(this, windowTitle(), FormatNotFound(kReplaceNotFoundFormat, ToPath(what)));
    else
        pane.SetCaret(pane.Caret());  // the old selection marks no match any more
    if (count > 0) ShowStatus(this, ReplacedText(count));
    Remember();
    m_find->setEditText(what);
    m_with->setEditText(with);
}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = FromPath(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString name = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QStringLiteral("*.*")) patterns = QStringLiteral("*");
        const int open = name.indexOf(QLatin1Char('('));
        if (open >= 0) name = name.left(open).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

bool RunExport(QWidget* parent, CSyntaxEditContext& context, const std::string& documentName,
               const std::string* target, std::string& error) {
    EXPORTVIEW view;
    view.context = &context;
    view.tabSize = std::clamp(GetSyntaxEditor().tabSize, 1, CSyntaxEditorOptions::kMaxTabSize);
    // A copy: the worker does not read what the window may make again.
    const COLORSCHEME colors = ActiveColors();
    view.colors = colors.editor;
    view.page = colors.page;
    CFolderProgressDialog dialog(parent, QStringLiteral("Processing"), false);
    dialog.setObjectName(QStringLiteral("processingDialog"));
    bool ok = false;
    {
        CFolderWork work(
            [&](CFolderWorkProgress& progress) {
                CSyntaxTextExport& exporter = GetSyntaxEditor().textExport;
                ok = target != nullptr ? exporter.ExportToFile(documentName, *target, view, &progress, error)
                                       : exporter.Preview(documentName, view, &progress, error);
                return ok;
            },
            [&dialog] { QMetaObject::invokeMethod(&dialog, &QDialog::accept, Qt::QueuedConnection); });
        dialog.Panel().Attach(&work.Progress(), QStringLiteral("Processing..., Please wait"), false);
        dialog.exec();
        work.Join();
        dialog.Panel().Detach();
    }
    if (!ok) QMessageBox::warning(parent, QStringLiteral("Export"), FromPath(error));
    return ok;
}

bool ExportHtml(QWidget* parent, CSyntaxEditContext& context, const std::string& documentName) {
    QFileDialog files(parent,
                      QStringLiteral("Convert the active document to a html file with syntax highlighting"));
    files.setObjectName(QStringLiteral("exportFileDialog"));
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setFileMode(QFileDialog::AnyFile);
    files.setNameFilter(QtFileFilter(kExportFilter));
    files.setDefaultSuffix(QStringLiteral("html"));
    if (!documentName.empty()) {
        files.selectFile(FromPath(documentName) + QStringLiteral(".html"));
    }
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return false;
    const std::string target = ToPath(files.selectedFiles().first());
    std::string error;
    return RunExport(parent, context, documentName, &target, error);
}

bool PreviewHtml(QWidget* parent, CSyntaxEditContext& context, const std::string& documentName) {
    std::string error;
    return RunExport(parent, context, documentName, nullptr, error);
}

void FillLanguageMenu(QMenu* menu, CTextPane* pane) {
    menu->clear();
    CSyntaxEditor& editor = GetSyntaxEditor();
    const CSyntaxParser* current = pane != nullptr ? pane->Context().GetSyntaxDefinition() : nullptr;
    const std::vector<LANGUAGEMENUITEM> items = editor.GetLanguageMenu(current);
    auto* group = new QActionGroup(menu);
    const auto add = [&](const std::string& name, int command, bool checked) {
        QAction* action = menu->addAction(FromPath(name));
        action->setObjectName(QStringLiteral("language%1").arg(command));
        action->setCheckable(true);
        action->setChecked(checked);
        action->setStatusTip(FromPath(editor.LanguageCommandStatus(command)));
        action->setEnabled(pane != nullptr && !items.empty());
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu, [pane, command] {
            if (pane == nullptr) return;
            pane->Context().SetSyntaxDefinition(GetSyntaxEditor().DefinitionForCommand(command));
            pane->Refresh();
        });
    };
    if (const CSyntaxParser* first = editor.GetDefinition(0)) {
        const int command = CSyntaxParserFactory::kFirstLanguageCommand + first->GetLanguageNumber();
        add(first->GetName(), command,
            current == nullptr || current->GetLanguageNumber() == first->GetLanguageNumber());
    }
    if (!items.empty()) menu->addSeparator();
    for (const LANGUAGEMENUITEM& item : items) add(item.name, item.command, item.checked);
}

}  // namespace corvatine::ui
