#pragma once

#include <QRect>
#include <QString>

// What the questionnaire asks of the viewer when it writes a log record: the
// file and the lines the participant sees, and an end to any wait cursor the
// logged action set. The main window answers; tests answer with a fake.
class StudyViewer
{
public:
    struct View
    {
        QString filePath; // full path of the file in the current tab
        int firstLine = -1; // first and last visible line; -1 when unknown
        int lastLine = -1;
    };

    virtual ~StudyViewer() = default;

    // False while no file tab is open; view is left alone then.
    virtual bool currentView(View *view) const = 0;
    // Gives the viewer's busy widgets their arrow cursor back.
    virtual void resetCursors() = 0;
    // Where the code is shown, in screen coordinates; the questionnaire first
    // opens in its lower right corner, off the palette, the save controls and
    // the code's first lines. Empty while no code is on the screen.
    virtual QRect codeArea() const { return QRect(); }
};
