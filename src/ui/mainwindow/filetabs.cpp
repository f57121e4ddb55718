#include "filetabs.h"

#include "ui/codeview/codeview.h"

#include <QTabWidget>

FileTabs::FileTabs(QTabWidget *tabs)
    : m_tabs(tabs)
{
}

CodeView *FileTabs::current() const
{
    return m_tabs ? qobject_cast<CodeView *>(m_tabs->currentWidget()) : nullptr;
}

CodeView *FileTabs::viewAt(int index) const
{
    return m_tabs ? qobject_cast<CodeView *>(m_tabs->widget(index)) : nullptr;
}

int FileTabs::find(const QString &title, const QString &filePath) const
{
    if (!m_tabs)
        return -1;
    for (int i = 0; i < m_tabs->count(); ++i) {
        const CodeView *view = viewAt(i);
        if (view && m_tabs->tabText(i) == title && view->fileName() == filePath)
            return i;
    }
    return -1;
}

void FileTabs::add(CodeView *view, const QString &title)
{
    if (m_tabs)
        m_tabs->setCurrentIndex(m_tabs->addTab(view, title));
}

void FileTabs::remove(int index)
{
    if (!m_tabs)
        return;
    if (index != m_tabs->currentIndex())
        m_stayingCurrent = current();
    m_tabs->removeTab(index);
    m_stayingCurrent = nullptr;
}

bool FileTabs::isStayingCurrent(const CodeView *view) const
{
    return view && view == m_stayingCurrent;
}
