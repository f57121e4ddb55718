#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QTextDocument>

class CodeView;
class QGraphicsRectItem;

// The search in the current file: the yellow marks of the last search, the
// view they are in, and which mark the next search for the same text centres.
class CurrentFileSearch
{
public:
    enum class Outcome {
        Shown,    // a mark was centred in the view
        NotFound, // the text has no hits: the window says so
        Unchanged // the same text again in another view: nothing happens
    };

    CurrentFileSearch() = default;
    ~CurrentFileSearch();
    CurrentFileSearch(const CurrentFileSearch &) = delete;
    CurrentFileSearch &operator=(const CurrentFileSearch &) = delete;

    // A new text marks every hit in view and centres the first; the same
    // text again steps to the next mark, after the last back to the first.
    Outcome search(CodeView *view, const QString &text, QTextDocument::FindFlags options);
    // Takes the marks away and forgets the text.
    void clear();
    // Forgets the text, so the next search marks afresh.
    void forgetText() { m_lastText.clear(); }

    // The view the marks are in; null once it is closed.
    QPointer<CodeView> view() const { return m_view; }
    qsizetype markCount() const { return m_marks.size(); }

private:
    // Marks made by an earlier search, with the item that holds them; marks
    // of a view that is gone went with its scene.
    void deleteMarks();

    QString m_lastText;
    QList<QGraphicsRectItem *> m_marks;
    int m_nextIndex = 0;
    QPointer<CodeView> m_view;
};
