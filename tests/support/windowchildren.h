#pragma once

// Finding the parts of the main window a test works with.

#include <QListWidget>
#include <QString>
#include <QWidget>

class CodeView;
class FeatureTreeWidget;
class MainWindow;
class MyListWidgetItem;
class MyTreeWidgetItem;
class PaletteColor;
class SMVTreeWidget;
class STNode;

namespace TestSupport {

// A widget of the window's form by its object name.
template <typename T>
T *child(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("the window has no %s called %s", T::staticMetaObject.className(), name);
    return found;
}

MyTreeWidgetItem *featureRow(FeatureTreeWidget *tree, const QString &name);
MyListWidgetItem *paletteEntry(QListWidget *list, PaletteColor *color);
STNode *fileRow(SMVTreeWidget *tree, const QString &fileName);

// Opens the package-view file row in a tab, as a double click does, and
// waits for its delayed "fileOpened" log entry.
CodeView *openTab(MainWindow &window, const QString &fileName);

} // namespace TestSupport
