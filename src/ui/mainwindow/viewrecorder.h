#pragma once

#include "core/formats/viewfile.h"

#include <QDateTime>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class CodeView;
class ColorManager;
class QSlider;
class QTabWidget;
class QuestionDialog;

// Writes the view file: what was on the screen at any moment (the file in
// front and its visible lines, the features' colours, the opacity, searches,
// the questionnaire's pages, the viewer losing and regaining the keyboard
// focus), row by row beside the log. Rows go to the file of the participant
// signed in, before sign-in to "_<user>_view.csv", and stop when the
// questionnaire is finished, as the log does.
class ViewRecorder : public QObject
{
    Q_OBJECT

public:
    // A view, opacity or focus row is written once its state stayed this
    // long, or right before any other row, so that rows stand in the order of
    // time. The focus that comes back sooner was never away (a window of the
    // viewer closing hands the focus on through nobody).
    static constexpr int StillnessMs = 300;

    ViewRecorder(QuestionDialog *dialog, QTabWidget *tabs, QSlider *slider,
                 ColorManager *colors, QObject *parent = nullptr);

    // UTC; tests replace it.
    void setClock(std::function<QDateTime()> clock);

public Q_SLOTS:
    void page(int page);
    // After colours may have changed: one row for every feature whose
    // colour differs from the last one written.
    void coloursChanged();
    // kind: "current", "project" or "feature".
    void search(const QString &kind, const QString &text);
    void applicationStateChanged(Qt::ApplicationState state);
    // A participant signed in: their file starts with what is on the screen.
    void signedIn();
    // Writes the view and opacity rows that wait for their stillness now.
    void flush();
    void close();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct View
    {
        QString file;
        int first = -1;
        int last = -1;
        QString opacity;
        bool operator==(const View &other) const
        {
            return file == other.file && first == other.first && last == other.last
                   && opacity == other.opacity;
        }
    };
    // A state waiting for its stillness: when it began, and on which page.
    struct Pending
    {
        QDateTime since;
        QString task;
        QTimer timer;
    };

    void watchCurrentTab();
    void viewMoved();
    void opacityMoved();
    View currentView() const;
    QList<QString> currentColours() const;
    void writeFocus();
    void begin(Pending &pending);
    QString currentTask() const;
    void writeView(const QDateTime &time, const QString &task, bool always);
    void writeOpacity(const QDateTime &time, const QString &task, bool always);
    void writeColours(bool all);
    bool recording() const;
    void write(ViewFile::Row row);

    QPointer<QuestionDialog> m_dialog;
    QPointer<QTabWidget> m_tabs;
    QPointer<QSlider> m_slider;
    ColorManager *m_colors;
    std::function<QDateTime()> m_clock;
    QPointer<CodeView> m_watched;
    QMetaObject::Connection m_scrolling;
    Pending m_view;
    Pending m_opacity;
    Pending m_focus;
    bool m_pendingActive = true;
    std::optional<View> m_writtenView;
    int m_writtenOpacity = -1;
    QList<QString> m_writtenColours; // per pair of the colour manager
    std::optional<bool> m_active;    // the focus as last written (known once it came)
    QString m_failedPath;            // the file that could not be written last
};
