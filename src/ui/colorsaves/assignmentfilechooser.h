#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks which saved colour assignment to load. Normally a file dialog; tests
// put a function in its place so that no modal dialog runs.
namespace AssignmentFileChooser {

// Gets (parent, caption, start directory) and returns the chosen path, or an
// empty string when the user cancelled.
using Chooser = std::function<QString(QWidget *, const QString &, const QString &)>;

QString choose(QWidget *parent, const QString &caption, const QString &directory);

// Replaces the file dialog; an empty function brings it back.
void setChooser(Chooser chooser);

} // namespace AssignmentFileChooser
