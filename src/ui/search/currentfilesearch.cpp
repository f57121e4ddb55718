#include "currentfilesearch.h"

#include "ui/search/findmarks.h"
#include "ui/codeview/codeview.h"

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QTextEdit>

namespace {

// The yellow marks go into one empty item stacked once, just behind the code
// text and so above the fragment bands. Stacking thousands of marks one by
// one costs time in proportion to the items already there, each time.
QList<QGraphicsRectItem *> placeMarks(CodeView *view, const QList<FindMarks::Mark> &marks)
{
    QList<QGraphicsRectItem *> items;
    if (marks.isEmpty())
        return items;
    QGraphicsTextItem *textItem = view->textItem();
    auto *layer = new QGraphicsRectItem;
    layer->setFlag(QGraphicsItem::ItemHasNoContents);
    view->codeScene()->addItem(layer);
    layer->setZValue(textItem->zValue());
    layer->stackBefore(textItem);

    const QPen pen(QBrush(Qt::yellow), 0);
    const QBrush brush(Qt::yellow);
    items.reserve(marks.size());
    for (const FindMarks::Mark &mark : marks) {
        auto *item = new QGraphicsRectItem(0, 0, mark.rect.width(), mark.rect.height(), layer);
        item->setPen(pen);
        item->setBrush(brush);
        item->setPos(mark.rect.topLeft());
        items.append(item);
    }
    return items;
}

} // namespace

CurrentFileSearch::~CurrentFileSearch() = default;

void CurrentFileSearch::deleteMarks()
{
    if (m_view && !m_marks.isEmpty())
        delete m_marks.first()->parentItem();
    m_marks.clear();
}

CurrentFileSearch::Outcome CurrentFileSearch::search(CodeView *view, const QString &text,
                                                     QTextDocument::FindFlags options)
{
    if (!view)
        return Outcome::Unchanged;
    if (text == m_lastText) {
        if (m_marks.isEmpty())
            return Outcome::NotFound;
        if (view != m_view)
            return Outcome::Unchanged;
        if (m_nextIndex < 0 || m_nextIndex >= m_marks.size())
            m_nextIndex = 0;
        m_view->codeGraphicsView()->centerOn(m_marks.at(m_nextIndex));
        ++m_nextIndex;
        return Outcome::Shown;
    }

    deleteMarks();
    const QTextDocument *document = view->textEdit()->document();
    m_marks = placeMarks(view, FindMarks::find(document, document->defaultFont(),
                                               view->lineStep(), text, options));
    m_lastText = text;
    m_view = view;
    if (m_marks.isEmpty())
        return Outcome::NotFound;
    view->codeGraphicsView()->centerOn(m_marks.first());
    m_nextIndex = 1;
    return Outcome::Shown;
}

void CurrentFileSearch::clear()
{
    deleteMarks();
    m_lastText.clear();
}
