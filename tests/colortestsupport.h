#pragma once

// Shared by the colour-assignment tests: a small project on disk, the main
// window on it, real drag-and-drop deliveries, opening a file in a tab, the
// action log as (file, action) pairs, and one check that every place that
// shows colours agrees with the colour manager.

#include "app/mainwindow.h"

#include "codeview/backgroundfracture.h"
#include "codeview/codeview.h"
#include "codeview/sidebarfracture.h"
#include "colors/colormanager.h"
#include "colors/mylistwidgetitem.h"
#include "colors/mytreewidgetitem.h"
#include "model/featuretreewidget.h"
#include "model/smvtreewidget.h"
#include "model/stnode.h"
#include "study/questiondialog.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QIcon>
#include <QListWidget>
#include <QMimeData>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

#include <memory>

namespace ColorTest {

// Features of the small project, in feature-list order. "Sound" hangs under
// a second top-level row, which the sweep for equal colours never reaches.
inline const QStringList smallFeatures{"Base", "Logging", "Crypt", "Tcp", "Udp", "Sound"};
inline const char smallModel[] =
    "Chat : Base | Logging | Crypt | Net ;\nNet : Tcp | Udp ;\nExtra : Sound ;\n";
inline const char smallAnnotations[] = R"(<?xml version="1.0"?>
<project name="small">
  <folder name="src">
    <folder name="chat">
      <file name="Client.java" length="6">
        <fragment startline="1" endline="1"><feature>Sound</feature></fragment>
        <fragment startline="2" endline="4"><feature>Logging</feature></fragment>
        <fragment startline="5" endline="5"><feature>Crypt</feature></fragment>
        <fragment startline="6" endline="6"><feature>Tcp</feature></fragment>
      </file>
    </folder>
    <file name="Main.java" length="4">
      <fragment startline="1" endline="2"><feature>Base</feature></fragment>
      <fragment startline="3" endline="3"><feature>Udp</feature></fragment>
      <fragment startline="4" endline="4"><feature>Logging</feature></fragment>
    </file>
  </folder>
</project>
)";

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The small project in folder; false when it cannot be written.
inline bool writeSmallProject(const QString &folder)
{
    return writeFile(folder + "/model.m", smallModel)
           && writeFile(folder + "/annotations.xml", smallAnnotations)
           && writeFile(folder + "/src/chat/Client.java",
                        "class Client {\n  void log() {}\n  int a;\n  int b;\n"
                        "  int key;\n  int port;\n")
           && writeFile(folder + "/src/Main.java",
                        "class Main {\n  void run() {}\n  int port;\n  void log() {}\n");
}

// A project with `count` features F00, F01, ... under one top-level row and
// one file in which line i + 1 belongs to feature i.
inline bool writeWideProject(const QString &folder, int count)
{
    QStringList names;
    QByteArray fragments;
    QByteArray source;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("F%1").arg(i, 2, 10, QLatin1Char('0'));
        names << name;
        fragments += QStringLiteral("      <fragment startline=\"%1\" endline=\"%1\">"
                                    "<feature>%2</feature></fragment>\n")
                         .arg(i + 1).arg(name).toUtf8();
        source += "int f" + QByteArray::number(i) + ";\n";
    }
    const QByteArray annotations = "<?xml version=\"1.0\"?>\n<project name=\"wide\">\n"
                                   "  <folder name=\"src\">\n    <file name=\"All.java\" length=\""
                                   + QByteArray::number(count) + "\">\n" + fragments
                                   + "    </file>\n  </folder>\n</project>\n";
    return writeFile(folder + "/model.m", "Root : " + names.join(" | ").toUtf8() + " ;\n")
           && writeFile(folder + "/annotations.xml", annotations)
           && writeFile(folder + "/src/All.java", source);
}

// The action log as "file|action" strings, oldest first. While a file is
// open, entries logged without a file name carry the open file's.
inline QStringList logRecords(const MainWindow &window)
{
    QFile file(window.questionDialog()->logFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList entries;
    const QStringList records =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n\n"), Qt::SkipEmptyParts);
    for (const QString &record : records) {
        const QStringList fields = record.split(QLatin1Char('$'));
        entries << (fields.value(1) + QLatin1Char('|') + fields.value(2));
    }
    return entries;
}

inline qsizetype logSize(const MainWindow &window)
{
    return logRecords(window).size();
}

// The actions logged after the first `skip` entries.
inline QStringList newLogEntries(const MainWindow &window, qsizetype skip)
{
    QStringList actions;
    for (const QString &record : logRecords(window).mid(skip))
        actions << record.section(QLatin1Char('|'), 1);
    return actions;
}

// A widget of the window's form by its object name.
template <typename T>
T *child(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("the window has no %s called %s", T::staticMetaObject.className(), name);
    return found;
}

inline MyTreeWidgetItem *featureRow(FeatureTreeWidget *tree, const QString &name)
{
    return dynamic_cast<MyTreeWidgetItem *>(tree->findLeafItem(name));
}

inline MyListWidgetItem *paletteEntry(QListWidget *list, PaletteColor *color)
{
    for (int i = 0; i < list->count(); ++i) {
        auto *entry = dynamic_cast<MyListWidgetItem *>(list->item(i));
        if (entry && entry->paletteColor() == color)
            return entry;
    }
    return nullptr;
}

// What the platform does for one drag that enters `window` at windowPos,
// moves once and is released there: the widget under the point that accepts
// drops gets the enter, then a move that starts with the enter's answer, and
// the drop only when that move was accepted (else the drag is cancelled).
struct DragResult
{
    QWidget *target = nullptr;
    bool moveAccepted = false;
    bool dropped = false;
    bool dropAccepted = false;
};

inline DragResult deliverDrag(QWidget *window, const QPoint &windowPos, const QMimeData *data,
                              Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    DragResult result;
    QWidget *target = window->childAt(windowPos);
    while (target && !target->isWindow() && !target->acceptDrops())
        target = target->parentWidget();
    if (!target || !target->acceptDrops())
        return result;
    result.target = target;
    const QPoint pos = target->mapFrom(window, windowPos);

    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(enter.dropAction());
    move.setAccepted(enter.isAccepted());
    QApplication::sendEvent(target, &move);
    result.moveAccepted = move.isAccepted();
    if (!result.moveAccepted) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
        return result;
    }

    result.dropped = true;
    QDropEvent drop(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(move.dropAction());
    QApplication::sendEvent(target, &drop);
    result.dropAccepted = drop.isAccepted();
    return result;
}

// The drag data the palette list itself makes for its selected entry.
inline std::unique_ptr<QMimeData> paletteDragData(QListWidget *list)
{
    return std::unique_ptr<QMimeData>(
        list->model()->mimeData(list->selectionModel()->selectedIndexes()));
}

inline STNode *fileRow(SMVTreeWidget *tree, const QString &fileName)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        auto *node = dynamic_cast<STNode *>(*it);
        if (node && node->kind() == STNode::File && node->text(0) == fileName)
            return node;
    }
    return nullptr;
}

// Opens the package-view file row in a tab, as a double click does, and
// waits for its delayed "fileOpened" log entry.
inline CodeView *openTab(MainWindow &window, const QString &fileName)
{
    STNode *node = fileRow(child<SMVTreeWidget>(window, "treeWidget_packageView"), fileName);
    if (!node)
        return nullptr;
    window.openFile(node);
    CodeView *view = window.currentCodeView();
    if (!view || view->fileNode() != node)
        return nullptr;
    if (!QTest::qWaitFor([view] { return !view->justOpened(); }))
        return nullptr;
    return view;
}

inline bool sameRgb(const QColor &a, const QColor &b)
{
    return a.isValid() && b.isValid() && a.rgb() == b.rgb();
}

inline bool isPlaceholderGrey(const QColor &color)
{
    return color.isValid()
           && (color.rgb() == qRgb(220, 220, 220) || color.rgb() == qRgb(180, 180, 180));
}

inline QString describe(const QColor &color)
{
    return color.isValid() ? color.name(QColor::HexArgb) : QStringLiteral("invalid");
}

// Everything that shows a colour agrees with the colour manager's pairs.
// Returns the first disagreement found, or an empty string.
inline QString checkInStep(MainWindow &window)
{
    FeatureTreeWidget *tree = window.featureTree();
    ColorManager *manager = window.colorManager();
    FeatureList &features = *tree->features();
    const auto coloredOf = [&](Feature *feature) -> PaletteColor * {
        PaletteColor *color = manager->colorOf(feature);
        return color == manager->lightGrey() || color == manager->darkGrey() ? nullptr : color;
    };

    // Pairs: one per feature; a palette colour is taken exactly while a
    // feature holds it, and no two features hold the same one.
    if (manager->FCPList.size() != features.size())
        return QStringLiteral("the pair list has %1 pairs for %2 features")
            .arg(manager->FCPList.size()).arg(features.size());
    QSet<PaletteColor *> held;
    for (Feature &feature : features) {
        if (PaletteColor *color = coloredOf(&feature)) {
            if (held.contains(color))
                return QStringLiteral("two features hold the colour of ") + feature.name();
            held.insert(color);
            if (color->isFree())
                return QStringLiteral("the colour of %1 is marked free").arg(feature.name());
        }
    }
    for (PaletteColor *color : std::as_const(manager->ColorArray)) {
        if (color->isFree() == held.contains(color))
            return QStringLiteral("palette colour %1 is %2 but %3 by a feature")
                .arg(describe(color->color()), color->isFree() ? "free" : "taken",
                     held.contains(color) ? "held" : "not held");
    }

    // Palette list: exactly the free colours, in palette order.
    auto *list = child<QListWidget>(window, "listWidget");
    QList<PaletteColor *> freeColors;
    for (PaletteColor *color : std::as_const(manager->ColorArray)) {
        if (color->isFree())
            freeColors.append(color);
    }
    if (list->count() != freeColors.size())
        return QStringLiteral("the palette list shows %1 entries for %2 free colours")
            .arg(list->count()).arg(freeColors.size());
    for (int i = 0; i < list->count(); ++i) {
        auto *entry = dynamic_cast<MyListWidgetItem *>(list->item(i));
        if (!entry || entry->paletteColor() != freeColors.at(i))
            return QStringLiteral("palette entry %1 is not the %1th free colour").arg(i);
    }

    // Feature rows: the j-th leaf shows the j-th feature's colour.
    int j = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->childCount() != 0)
            continue;
        auto *row = dynamic_cast<MyTreeWidgetItem *>(*it);
        Feature &feature = features[j++];
        PaletteColor *expected = coloredOf(&feature);
        const QColor background = rowBackgroundColor(row);
        QWidget *button = tree->itemWidget(row, 1);
        if (expected) {
            if (row->paletteColor() != expected || background != expected->color())
                return QStringLiteral("row %1 does not show its colour").arg(row->text(0));
            if (!button || button->isHidden())
                return QStringLiteral("row %1 has no visible remove button").arg(row->text(0));
        } else {
            if (row->paletteColor()->color().isValid() || background.isValid())
                return QStringLiteral("row %1 shows a colour it does not have")
                    .arg(row->text(0));
            if (button && !button->isHidden())
                return QStringLiteral("row %1 shows a remove button").arg(row->text(0));
        }
    }

    // Structure trees: every bar of a feature is painted in its colour.
    const auto expectBar = [&](Feature *feature, const QColor &seen) {
        PaletteColor *expected = coloredOf(feature);
        return expected ? sameRgb(seen, expected->color()) : isPlaceholderGrey(seen);
    };
    for (QTreeWidgetItemIterator it(child<SMVTreeWidget>(window, "treeWidget_packageView")); *it;
         ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        const QImage texture = row->texture().toImage();
        for (Feature &feature : features) {
            if (feature.id >= row->stripes().size() || row->stripes().at(feature.id).width <= 0)
                continue;
            const QColor seen = texture.pixelColor(row->stripes().at(feature.id).x, 20);
            if (!expectBar(&feature, seen))
                return QStringLiteral("package row %1 shows %2 for %3")
                    .arg(row->text(0), describe(seen), feature.name());
        }
    }
    for (QTreeWidgetItemIterator it(child<SMVTreeWidget>(window, "treeWidget_featureView")); *it;
         ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        if (row->featureBlock() < 0 || row->featureBlock() >= features.size())
            return QStringLiteral("feature-view row %1 belongs to no feature").arg(row->text(0));
        Feature &feature = features[row->featureBlock()];
        const QColor seen = row->texture().toImage().pixelColor(1, 20);
        if (!expectBar(&feature, seen))
            return QStringLiteral("feature-view row %1 of %2 shows %3")
                .arg(row->text(0), feature.name(), describe(seen));
    }

    // The open file: side bars and bands of the current tab.
    if (CodeView *view = window.currentCodeView()) {
        for (SideBarFracture *bar : view->sideBars()) {
            const QColor seen = bar->brush().color();
            if (!expectBar(bar->feature(), seen))
                return QStringLiteral("side bar of %1 shows %2")
                    .arg(bar->feature()->name(), describe(seen));
        }
        for (BackgroundFracture *band : view->backgrounds()) {
            const QColor seen = band->brush().color();
            if (!expectBar(band->feature(), seen) || seen.alpha() != view->opacity())
                return QStringLiteral("band of %1 shows %2")
                    .arg(band->feature()->name(), describe(seen));
        }
    }

    // The save button: the first four coloured features, in feature order.
    QList<QColor> previewColors;
    for (Feature &feature : features) {
        if (PaletteColor *color = coloredOf(&feature))
            previewColors.append(color->color());
    }
    const QImage preview =
        child<QToolButton>(window, "toolButton_save")->icon().pixmap(QSize(35, 35)).toImage();
    const QImage plain = QPixmap(QStringLiteral(":/images/schatten.png")).toImage();
    const QPoint centres[] = {{7, 7}, {22, 7}, {7, 22}, {22, 22}};
    for (int i = 0; i < 4; ++i) {
        const QColor seen = preview.pixelColor(centres[i]);
        const QColor expected =
            i < previewColors.size() ? previewColors.at(i) : plain.pixelColor(centres[i]);
        if (seen.rgba() != expected.rgba())
            return QStringLiteral("preview square %1 shows %2, not %3")
                .arg(i).arg(describe(seen), describe(expected));
    }
    return QString();
}

} // namespace ColorTest
