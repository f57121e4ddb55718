#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/mainwindow/viewrecorder.h"
#include "ui/search/currentfilesearch.h"
#include "ui/search/featuresearch.h"
#include "ui/search/projectsearch.h"
#include "ui/search/searchresults.h"
#include "ui/codeview/codeview.h"
#include "ui/featuretree/featuretreewidget.h"
#include "core/model/projectfolder.h"
#include "ui/structure/stnode.h"

#include <QMessageBox>
#include <QTextDocument>

namespace {

void showNotFound(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, QString(), text + QStringLiteral(" not found!"),
                             QMessageBox::Ok);
}

} // namespace

void MainWindow::search()
{
    m_searchResults->clear();
    const QString text = m_form->lineEdit_find->text();

    if (m_form->radioButton_current->isChecked()) {
        QTextDocument::FindFlags options;
        if (m_form->checkBox_caseSensitive->isChecked())
            options |= QTextDocument::FindCaseSensitively;
        if (m_form->checkBox_wholeWords->isChecked())
            options |= QTextDocument::FindWholeWords;
        if (m_currentFileSearch->search(currentCodeView(), text, options)
            == CurrentFileSearch::Outcome::NotFound)
            showNotFound(this, text);
        if (!text.isEmpty()) {
            log(QStringLiteral("search<current>(") + text + QLatin1Char(')'));
            if (m_viewRecorder) // none in a replay
                m_viewRecorder->search(QStringLiteral("current"), text);
        }
        return;
    }

    if (!text.isEmpty()) {
        log(QStringLiteral("search<project>(") + text + QLatin1Char(')'));
        if (m_viewRecorder) // none in a replay
            m_viewRecorder->search(QStringLiteral("project"), text);
    }

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
    QList<STNode *> nodes;
    for (const ProjectSearch::Hit &hit : hits) {
        if (auto *node = dynamic_cast<STNode *>(hit.leaf)) {
            rows.append(hit.row);
            nodes.append(node);
        }
    }
    m_searchResults->append(rows, nodes);
}

void MainWindow::addSearchResult(const QString &row, STNode *node)
{
    m_searchResults->append({row}, {node});
}

QPointer<CodeView> MainWindow::findView() const
{
    return m_currentFileSearch ? m_currentFileSearch->view() : QPointer<CodeView>();
}

void MainWindow::removeFinds()
{
    m_currentFileSearch->clear();
}

void MainWindow::resetLastSearch()
{
    m_currentFileSearch->forgetText();
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
    if (m_viewRecorder) // none in a replay
        m_viewRecorder->search(QStringLiteral("feature"), text);
}
