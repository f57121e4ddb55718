#pragma once

#include "ui/questionnaire/studyviewer.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QTabWidget;

// The questionnaire's view of the main window: the code view of the current
// tab, and the widgets that show a wait cursor while an action runs.
class WindowStudyViewer : public StudyViewer
{
public:
    WindowStudyViewer(QTabWidget *tabs, const QList<QWidget *> &busyWidgets);

    bool currentView(View *view) const override;
    void resetCursors() override;
    // The file tabs' area, tab titles included.
    QRect codeArea() const override;

private:
    QPointer<QTabWidget> m_tabs;
    QList<QPointer<QWidget>> m_busyWidgets;
};
