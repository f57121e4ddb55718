#pragma once

#include <QPointer>
#include <QString>

class CodeView;
class QTabWidget;

// The open files: one CodeView per tab of tabWidget, found again by title
// and file path.
class FileTabs
{
public:
    explicit FileTabs(QTabWidget *tabs);

    CodeView *current() const;
    CodeView *viewAt(int index) const;
    // The tab showing filePath under title, or -1.
    int find(const QString &title, const QString &filePath) const;
    // Adds view as the new current tab; the tab widget takes it.
    void add(CodeView *view, const QString &title);
    // Takes the tab away; the caller deletes its view.
    void remove(int index);
    // While a tab other than the current one is removed, the tab widget
    // reports the current tab again under its new index. True for that
    // report: the current view did not change.
    bool isStayingCurrent(const CodeView *view) const;

private:
    QPointer<QTabWidget> m_tabs;
    QPointer<CodeView> m_stayingCurrent;
};
