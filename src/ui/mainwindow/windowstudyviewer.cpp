#include "windowstudyviewer.h"

#include "ui/codeview/codeview.h"

#include <QTabWidget>

WindowStudyViewer::WindowStudyViewer(QTabWidget *tabs, const QList<QWidget *> &busyWidgets)
    : m_tabs(tabs)
{
    for (QWidget *widget : busyWidgets)
        m_busyWidgets.append(widget);
}

bool WindowStudyViewer::currentView(View *view) const
{
    const auto *codeView = m_tabs ? qobject_cast<const CodeView *>(m_tabs->currentWidget())
                                  : nullptr;
    if (!codeView || !view)
        return false;
    view->filePath = codeView->fileName();
    const QPair<int, int> range = codeView->visibleLineRange();
    view->firstLine = range.first;
    view->lastLine = range.second;
    return true;
}

void WindowStudyViewer::resetCursors()
{
    for (const QPointer<QWidget> &widget : std::as_const(m_busyWidgets)) {
        if (widget)
            widget->setCursor(Qt::ArrowCursor);
    }
}

QRect WindowStudyViewer::codeArea() const
{
    if (!m_tabs || !m_tabs->isVisible())
        return QRect();
    return QRect(m_tabs->mapToGlobal(QPoint(0, 0)), m_tabs->size());
}
