#pragma once

#include "replay/replaystate.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>

class CodeView;
class MainWindow;
class PaletteColor;
class STNode;

// Puts a replayed moment on a window built for a replay: the open tabs in
// their order, the tab in front scrolled to its first visible line, the
// bands' opacity of every tab, the colours of the features, the finder's
// text and marks, the feature search and the explorer's view. Only what
// differs from the window is changed, so stepping through a sitting costs
// what the step changes; what a viewer of the replay changed by hand is put
// back at the next step.
class ReplayScreen
{
public:
    struct Options
    {
        bool colours = true; // false: a condition without colours
    };

    ReplayScreen(MainWindow *window, const QString &folder, const Options &options);

    void show(const ReplayState &state);

    // What the moment shown cannot show as it was: a tab in front whose file
    // is not in the study folder, or that names a place outside it.
    QString note() const { return m_note; }
    // The view showing a file of the state, or null.
    CodeView *viewOf(const QString &file) const;

private:
    void showTabs(const ReplayState &state);
    CodeView *openView(const QString &file);
    void orderTabs(const ReplayState &state);
    void showFront(const ReplayState &state);
    void showColours(const ReplayState &state);
    PaletteColor *colourRecord(const QString &name, const QList<PaletteColor *> &taken);
    void showSearch(const ReplayState &state);
    STNode *nodeOf(const QString &path) const;

    MainWindow *m_window = nullptr;
    QString m_folder;
    Options m_options;
    QHash<QString, QPointer<CodeView>> m_views; // by the file as logged
    QHash<QString, PaletteColor *> m_madeColours; // made for colours the palette lacks
    QString m_markedText;
    QPointer<CodeView> m_markedView;
    QString m_projectSearch; // the text of the results listed
    QString m_note;
};
