#include "ui/OptionsDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace corvatine::ui {

COptionsDialog::COptionsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Options"));
    setObjectName(QStringLiteral("optionsDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QHBoxLayout();
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("optionPages"));
    m_list->setMaximumWidth(190);
    m_stack = new QStackedWidget(this);
    pages->addWidget(m_list);
    pages->addWidget(m_stack, 1);
    layout->addLayout(pages, 1);
    m_buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    layout->addWidget(m_buttons);
    connect(m_list, &QListWidget::currentRowChanged, m_stack, &QStackedWidget::setCurrentIndex);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &COptionsDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &COptionsDialog::reject);
    connect(m_buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { ApplyAll(); });
}

void COptionsDialog::AddPage(COptionsPage* page) {
    page->setParent(m_stack);
    page->Load();
    m_pages.push_back(page);
    m_stack->addWidget(page);
    m_list->addItem(page->Title());
    if (m_list->currentRow() < 0) m_list->setCurrentRow(0);
}

COptionsPage* COptionsDialog::CurrentPage() const {
    const int row = m_list->currentRow();
    return row >= 0 ? m_pages[static_cast<size_t>(row)] : nullptr;
}

void COptionsDialog::ShowPage(int index) { m_list->setCurrentRow(index); }

bool COptionsDialog::ApplyAll() {
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (!m_pages[i]->Apply()) {
            ShowPage(static_cast<int>(i));
            return false;
        }
    if (onSave && !onSave()) return false;
    emit applied();
    return true;
}

void COptionsDialog::accept() {
    if (ApplyAll()) QDialog::accept();
}

}  // namespace corvatine::ui
