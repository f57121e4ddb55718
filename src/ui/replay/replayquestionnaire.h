#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;
struct ReplaySources;

// The questionnaire as the participant had it in front of them, to look at
// only: the page of the moment with its questions and the answers of its
// boxes. The answers file keeps only the answers as they were last saved, so
// those are the ones shown, on every page.
class ReplayQuestionnaire : public QWidget
{
    Q_OBJECT

public:
    ReplayQuestionnaire(const ReplaySources &sources, QWidget *parent = nullptr);

    // task: as in the log (-1: the account page); finished: after the last
    // task was completed.
    void showTask(int task, bool finished);
    // The page shown: 0 is the account page, 1 the first task page.
    int page() const;

private:
    void addAccountPage(const ReplaySources &sources);
    void addTaskPage(const ReplaySources &sources, int page);

    QLabel *m_title = nullptr;
    QStackedWidget *m_pages = nullptr;
    int m_taskPages = 0;
};
