#include "replayquestionnaire.h"

#include "replay/replaysources.h"
#include "ui/questionnaire/questiondocument.h"

#include <QLabel>
#include <QStackedWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

// A text shown like the questionnaire shows it, but never edited.
QTextEdit *readOnlyText(QWidget *parent)
{
    auto *edit = new QTextEdit(parent);
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return edit;
}

} // namespace

ReplayQuestionnaire::ReplayQuestionnaire(const ReplaySources &sources, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("replayQuestionnaire"));
    auto *layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("label_page"));
    m_title->setWordWrap(true);
    layout->addWidget(m_title);
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("stackedWidget_pages"));
    layout->addWidget(m_pages, 1);

    addAccountPage(sources);
    m_taskPages = int(sources.tasks.size());
    for (int page = 1; page <= m_taskPages; ++page)
        addTaskPage(sources, page);
    showTask(-1, false);
}

void ReplayQuestionnaire::addAccountPage(const ReplaySources &sources)
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    auto *account = new QLabel(QStringLiteral("Benutzername: ") + sources.account, page);
    account->setTextFormat(Qt::PlainText);
    layout->addWidget(account);
    layout->addStretch();
    m_pages->addWidget(page);
}

void ReplayQuestionnaire::addTaskPage(const ReplaySources &sources, int pageNumber)
{
    // One document for the page: each question as the questionnaire shows
    // it, each answer in a framed box below it, as plain text.
    const QStringList answers = sources.answersOnPage(pageNumber);
    QString html;
    int box = 0;
    for (const QuestionsFile::Question &question : sources.tasks.at(sources.taskOnPage(pageNumber))) {
        html += QStringLiteral("<div>") + question.text + QStringLiteral("</div>");
        if (question.answerLines <= 0)
            continue;
        QString answer = answers.value(box++).toHtmlEscaped();
        answer.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        html += QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" "
                               "cellpadding=\"4\" style=\"border-color: #999999;\">"
                               "<tr><td>%1</td></tr></table><p></p>")
                    .arg(answer.isEmpty() ? QStringLiteral("&nbsp;") : answer);
    }
    QTextEdit *page = readOnlyText(m_pages);
    page->setObjectName(QStringLiteral("textEdit_page%1").arg(pageNumber));
    auto *document = new QuestionDocument(sources.folder, page);
    document->setHtml(html);
    page->setDocument(document);
    m_pages->addWidget(page);
}

void ReplayQuestionnaire::showTask(int task, bool finished)
{
    const int page = task < 0 ? 0 : qMin(task + 1, m_taskPages);
    m_pages->setCurrentIndex(page);
    QString title;
    if (page == 0)
        title = QStringLiteral("Before sign-in");
    else
        title = QStringLiteral("Task %1 of %2").arg(page).arg(m_taskPages);
    if (finished)
        title += QStringLiteral(", completed");
    if (page > 0)
        title += QStringLiteral(" \u2014 answers as last saved");
    m_title->setText(title);
}

int ReplayQuestionnaire::page() const
{
    return m_pages->currentIndex();
}
