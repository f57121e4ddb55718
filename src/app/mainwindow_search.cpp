#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "app/featuresearch.h"
#include "app/findmarks.h"
#include "app/projectsearch.h"
#include "codeview/codeview.h"
#include "model/featuretreewidget.h"
#include "model/projectfolder.h"
#include "model/stnode.h"

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QMessageBox>
#include <QTextDocument>
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

// Deletes marks made by placeMarks(), with the item that holds them.
void deleteMarks(const QList<QGraphicsRectItem *> &marks)
{
    if (!marks.isEmpty())
        delete marks.first()->parentItem();
}

void showNotFound(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, QString(), text + QStringLiteral(" not found!"),
                             QMessageBox::Ok);
}

} // namespace

void MainWindow::search()
{
    m_resultNodes.clear();
    m_form->listWidget_results->clear();
    const QString text = m_form->lineEdit_find->text();

    if (m_form->radioButton_current->isChecked()) {
        CodeView *view = currentCodeView();
        if (view) {
            if (text == m_lastSearch) {
                // The same search again: step to the next mark, after the
                // last back to the first.
                if (m_findMarks.isEmpty()) {
                    showNotFound(this, text);
                } else if (view == m_findView) {
                    if (m_nextFindIndex < 0 || m_nextFindIndex >= m_findMarks.size())
                        m_nextFindIndex = 0;
                    m_findView->codeGraphicsView()->centerOn(m_findMarks.at(m_nextFindIndex));
                    ++m_nextFindIndex;
                }
            } else {
                // Marks of a view that is gone went with its scene.
                if (m_findView)
                    deleteMarks(m_findMarks);
                m_findMarks.clear();

                QTextDocument::FindFlags options;
                if (m_form->checkBox_caseSensitive->isChecked())
                    options |= QTextDocument::FindCaseSensitively;
                if (m_form->checkBox_wholeWords->isChecked())
                    options |= QTextDocument::FindWholeWords;

                const QTextDocument *document = view->textEdit()->document();
                m_findMarks = placeMarks(view, FindMarks::find(document, document->defaultFont(),
                                                               view->lineStep(), text, options));

                m_lastSearch = text;
                m_findView = view;
                if (m_findMarks.isEmpty()) {
                    showNotFound(this, text);
                } else {
                    m_nextFindIndex = 0;
                    view->codeGraphicsView()->centerOn(m_findMarks.first());
                    m_nextFindIndex = 1;
                }
            }
        }
        if (!text.isEmpty())
            log(QStringLiteral("search<current>(") + text + QLatin1Char(')'));
        return;
    }

    if (!text.isEmpty())
        log(QStringLiteral("search<project>(") + text + QLatin1Char(')'));

    const QRegularExpression pattern = ProjectSearch::pattern(
        text, m_form->checkBox_wholeWords->isChecked(),
        m_form->checkBox_caseSensitive->isChecked());
    const QTreeWidget *tree = m_form->treeWidget_packageView;
    QList<QTreeWidgetItem *> topLevelItems;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        topLevelItems.append(tree->topLevelItem(i));

    const QList<ProjectSearch::Hit> hits =
        ProjectSearch::searchLeaves(topLevelItems, ProjectFolder::path(), pattern);
    QStringList rows;
    for (const ProjectSearch::Hit &hit : hits) {
        // Rows and nodes stay in step: a row is listed only with its node.
        auto *node = dynamic_cast<STNode *>(hit.leaf);
        if (!node)
            continue;
        rows.append(hit.row);
        m_resultNodes.append(node);
    }
    m_form->listWidget_results->addItems(rows);
}

void MainWindow::removeFinds()
{
    if (m_findView)
        deleteMarks(m_findMarks);
    m_findMarks.clear();
    m_lastSearch.clear();
}

void MainWindow::resetLastSearch()
{
    m_lastSearch.clear();
}

void MainWindow::searchInFeatureModel()
{
    const QString text = m_form->lineEdit_featureSearch->text();
    if (text.isEmpty())
        return;

    FeatureTreeWidget *tree = m_featureTree.get();
    if (text != m_lastFeatureSearch)
        m_featureSearchPosition = tree->topLevelItem(0);

    const FeatureSearch::Step step =
        FeatureSearch::findNext(tree, m_featureSearchPosition, text);
    if (step.hit) {
        tree->scrollToItem(step.hit, QAbstractItemView::EnsureVisible);
        // The hit is the only selected feature afterwards, also where earlier
        // selected features have scrolled out of sight: the colour buttons
        // act on the selection and must not reach features nobody sees.
        tree->clearSelection();
        step.hit->setSelected(true);
    }
    m_featureSearchPosition = step.next;
    m_lastFeatureSearch = text;

    const CodeView *view = currentCodeView();
    log(QStringLiteral("search<feature>(") + text + QLatin1Char(')'),
        view ? ProjectFolder::relativePath(view->fileName()) : QString());
}
