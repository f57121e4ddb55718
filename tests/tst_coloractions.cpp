// The main window's colour actions: refreshing the views of one feature or
// of all, the two context menus, resetting all colours, custom colours, the
// save-button preview, the opacity slider, the explorer switch and the
// diagnostic lists.
#include "support/actionlogrecords.h"
#include "support/colorconsistency.h"
#include "support/colorproject.h"
#include "support/dragdelivery.h"
#include "support/platformmessages.h"
#include "support/testfiles.h"
#include "support/windowchildren.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/codeview.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"
#include "ui/images/resources.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/questionnaire/questiondialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QIcon>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

#include <functional>

using namespace TestSupport;

namespace {

// While a menu runs its own event loop: records its actions, triggers the
// one with the given text (none for an empty text) and closes the menu, so
// no test waits on a menu.
class MenuAnswer
{
public:
    explicit MenuAnswer(const QString &choice)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, choice] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            m_timer.stop();
            ++m_shown;
            for (QAction *action : menu->actions()) {
                m_texts << action->text();
                m_withIcons = m_withIcons && !action->icon().isNull();
            }
            menu->close();
            for (QAction *action : menu->actions())
                if (!choice.isEmpty() && action->text() == choice)
                    action->trigger();
        });
        m_timer.start(0);
    }
    int shown() const { return m_shown; }
    QStringList texts() const { return m_texts; }
    bool withIcons() const { return m_withIcons; }

private:
    QTimer m_timer;
    int m_shown = 0;
    QStringList m_texts;
    bool m_withIcons = true;
};

QColor hsv(int hue)
{
    QColor color;
    color.setHsv(hue, 170, 255, 255);
    return color;
}

} // namespace

class TestColorActions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void refreshFeatureUpdatesEveryView();
    void updateAllColors_data();
    void updateAllColors();
    void featureContextMenu_data();
    void featureContextMenu();
    void paletteContextMenu_data();
    void paletteContextMenu();
    void resetOfAllColours();
    void customColours_data();
    void customColours();
    void customColourDialogStartsWhiteEachTime();
    void savePreview_data();
    void savePreview();
    void opacitySlider();
    void opacitySliderWithoutTab();
    void explorerSwitch();
    void diagnosticLists();
    void highlightColor();

private:
    void open(bool withTab = true);
    void colourRow(const QString &name, PaletteColor *color);
    FeatureTreeWidget *tree() const { return m_window->featureTree(); }
    ColorManager *manager() const { return m_window->colorManager(); }
    QListWidget *palette() const { return child<QListWidget>(*m_window, "listWidget"); }
    Feature *feature(const QString &name) const { return tree()->findFeature(name); }
    PaletteColor *colorOf(const QString &name) const { return manager()->colorOf(feature(name)); }
    bool isColored(const QString &name) const
    {
        PaletteColor *color = colorOf(name);
        return color != manager()->lightGrey() && color != manager()->darkGrey();
    }
    QStringList coloredFeatures() const
    {
        QStringList names;
        for (const QString &name : smallFeatures)
            if (isColored(name))
                names << name;
        return names;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_project;
    std::unique_ptr<MainWindow> m_window;
};

void TestColorActions::initTestCase()
{
    qputenv("USERNAME", "tester");
    installPlatformMessageFilter();
    initImageResources();
}

void TestColorActions::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_project = m_dir->filePath(QStringLiteral("project"));
    QVERIFY(writeSmallProject(m_project));
}

void TestColorActions::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void TestColorActions::open(bool withTab)
{
    m_window = std::make_unique<MainWindow>(m_project);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    if (withTab)
        QVERIFY(openTab(*m_window, QStringLiteral("Client.java")));
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorActions::colourRow(const QString &name, PaletteColor *color)
{
    palette()->clearSelection();
    MyListWidgetItem *entry = paletteEntry(palette(), color);
    QVERIFY(entry);
    entry->setSelected(true);
    tree()->assignSelectedColor(name);
    QCOMPARE(colorOf(name), color);
}

// ---------------------------------------------------------------------------

void TestColorActions::refreshFeatureUpdatesEveryView()
{
    open();
    CodeView *first = m_window->currentCodeView();
    CodeView *second = openTab(*m_window, QStringLiteral("Main.java"));
    QVERIFY(second && second != first);

    // The pair and the row change first, as the feature tree changes them.
    Feature *logging = feature(QStringLiteral("Logging"));
    PaletteColor *color = manager()->ColorArray.at(2);
    QVERIFY(manager()->assignColor(logging, color));
    MyTreeWidgetItem *row = featureRow(tree(), QStringLiteral("Logging"));
    row->setPaletteColor(color);
    tree()->showRemoveButton(row);
    tree()->refreshPalette();
    QVERIFY(!checkInStep(*m_window).isEmpty()); // the views do not know yet

    m_window->refreshFeature(logging);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
    // Only the current tab is recoloured; the others when they become current.
    int loggingBars = 0;
    for (SideBarFracture *bar : first->sideBars()) {
        if (bar->feature() == logging) {
            ++loggingBars;
            QVERIFY(isPlaceholderGrey(bar->brush().color()));
        }
    }
    QCOMPARE(loggingBars, 1);
}

void TestColorActions::updateAllColors_data()
{
    QTest::addColumn<QStringList>("coloredBefore"); // through the tree: feature, entry
    // set from outside: feature, then position, "grey" or "custom light grey"
    // (a custom colour added with light grey's value)
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<QStringList>("expected"); // coloured features afterwards

    QTest::newRow("pairs set from outside show in every view")
        << QStringList{} << QStringList{"Base", "0", "Crypt", "3"}
        << QStringList{"Base", "Crypt"};
    QTest::newRow("a colour moved to an earlier feature stays taken")
        << QStringList{"Logging", "2"} << QStringList{"Logging", "grey", "Base", "2"}
        << QStringList{"Base"};
    QTest::newRow("a colour replaced by another comes back free")
        << QStringList{"Logging", "2"} << QStringList{"Logging", "3"} << QStringList{"Logging"};
    QTest::newRow("everything back to grey")
        << QStringList{"Logging", "2", "Udp", "4"} << QStringList{"Logging", "grey", "Udp", "grey"}
        << QStringList{};
    // The user's colour, not a placeholder: its row keeps it and it stays taken.
    QTest::newRow("a custom colour of light grey's value stays the feature's own")
        << QStringList{} << QStringList{"Base", "custom light grey"} << QStringList{"Base"};
}

void TestColorActions::updateAllColors()
{
    QFETCH(QStringList, coloredBefore);
    QFETCH(QStringList, pairs);
    QFETCH(QStringList, expected);

    open();
    const QList<PaletteColor *> colors = manager()->ColorArray;
    for (qsizetype i = 0; i + 1 < coloredBefore.size(); i += 2)
        colourRow(coloredBefore.at(i), colors.at(coloredBefore.at(i + 1).toInt()));
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        Feature *f = feature(pairs.at(i));
        const int index = manager()->indexOfFeature(f);
        if (pairs.at(i + 1) == QLatin1String("grey")) {
            manager()->FCPList[index].color = manager()->lightGrey();
        } else {
            PaletteColor *color = nullptr;
            if (pairs.at(i + 1) == QLatin1String("custom light grey")) {
                color = manager()->createColor(QColor(220, 220, 220));
                color->setCustom(true);
                manager()->ColorArray.append(color);
            } else {
                color = colors.at(pairs.at(i + 1).toInt());
            }
            manager()->FCPList[index].color = color;
            color->setFree(false);
        }
    }

    const qsizetype before = logSize(*m_window);
    m_window->updateAllColors();
    QCOMPARE(newLogEntries(*m_window, before), QStringList{});
    QCOMPARE(coloredFeatures(), expected);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorActions::featureContextMenu_data()
{
    QTest::addColumn<QString>("rowName"); // "" for the empty space below the rows
    QTest::addColumn<bool>("colored");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("coloredAfter");

    const QStringList both{"remove ColorAssignment", "assign Color"};
    const QStringList assignOnly{"assign Color"};
    // Base is always coloured; Tcp and Udp are selected before the menu.
    QTest::newRow("coloured row: removal offered first and done")
        << "Crypt" << true << both << "remove ColorAssignment"
        << QStringList{"deleteColor<1>"} << QStringList{"Base"};
    QTest::newRow("coloured row, menu dismissed: nothing happens")
        << "Crypt" << true << both << "" << QStringList{} << QStringList{"Base", "Crypt"};
    QTest::newRow("uncoloured row: assign Color for that row alone")
        << "Logging" << false << assignOnly << "assign Color"
        << QStringList{"assignColor<1>"} << QStringList{"Base", "Logging"};
    QTest::newRow("coloured row: assign Color gives it another colour")
        << "Crypt" << true << both << "assign Color"
        << QStringList{"assignColor<1>"} << QStringList{"Base", "Crypt"};
    QTest::newRow("row with children: nothing to assign to")
        << "Net" << false << assignOnly << "assign Color" << QStringList{"assignColor<0>"}
        << QStringList{"Base"};
    QTest::newRow("empty space: nothing to assign to")
        << "" << false << assignOnly << "assign Color" << QStringList{"assignColor<0>"}
        << QStringList{"Base"};
}

void TestColorActions::featureContextMenu()
{
    QFETCH(QString, rowName);
    QFETCH(bool, colored);
    QFETCH(QStringList, offered);
    QFETCH(QString, choice);
    QFETCH(QStringList, log);
    QFETCH(QStringList, coloredAfter);

    open();
    colourRow(QStringLiteral("Base"), manager()->ColorArray.at(0));
    PaletteColor *cryptColor = manager()->ColorArray.at(1);
    if (colored)
        colourRow(rowName, cryptColor);
    // Selected rows hidden in a collapsed branch must not get colours from
    // a menu opened on another row.
    tree()->clearSelection();
    featureRow(tree(), QStringLiteral("Tcp"))->setSelected(true);
    featureRow(tree(), QStringLiteral("Udp"))->setSelected(true);
    tree()->findItems(QStringLiteral("Net"), Qt::MatchExactly | Qt::MatchRecursive)
        .value(0)->setExpanded(false);

    QPoint pos(20, tree()->viewport()->height() - 4);
    if (!rowName.isEmpty()) {
        QTreeWidgetItem *row =
            tree()->findItems(rowName, Qt::MatchExactly | Qt::MatchRecursive).value(0);
        pos = tree()->visualItemRect(row).center();
    }
    QCOMPARE(tree()->itemAt(pos) == nullptr, rowName.isEmpty());

    const qsizetype before = logSize(*m_window);
    {
        MenuAnswer answer(choice);
        emit tree()->customContextMenuRequested(pos);
        QCOMPARE(answer.shown(), 1);
        QCOMPARE(answer.texts(), offered);
        QVERIFY(answer.withIcons());
    }
    QCOMPARE(newLogEntries(*m_window, before), log);
    QCOMPARE(coloredFeatures(), coloredAfter);
    if (choice == QLatin1String("remove ColorAssignment")) {
        QVERIFY(cryptColor->isFree());
        QVERIFY(paletteEntry(palette(), cryptColor));
    }
    // The menu made for the request is gone with it.
    QVERIFY(tree()->findChildren<QMenu *>().isEmpty());
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorActions::paletteContextMenu_data()
{
    QTest::addColumn<int>("entry"); // -1 for the empty space of the list
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("removed"); // palette position, -1 none

    QTest::newRow("delete on an entry removes its colour") << 3 << "delete" << 3;
    QTest::newRow("delete on the first entry") << 0 << "delete" << 0;
    QTest::newRow("menu dismissed") << 3 << "" << -1;
    QTest::newRow("delete on empty space does nothing") << -1 << "delete" << -1;
}

void TestColorActions::paletteContextMenu()
{
    QFETCH(int, entry);
    QFETCH(QString, choice);
    QFETCH(int, removed);

    open();
    const QList<PaletteColor *> colors = manager()->ColorArray;
    QListWidget *list = palette();
    QPoint pos(list->viewport()->width() - 3, list->viewport()->height() - 3);
    if (entry >= 0)
        pos = list->visualItemRect(list->item(entry)).center();
    QCOMPARE(list->itemAt(pos) == nullptr, entry < 0);

    const qsizetype before = logSize(*m_window);
    {
        MenuAnswer answer(choice);
        emit list->customContextMenuRequested(pos);
        QCOMPARE(answer.shown(), 1);
        QCOMPARE(answer.texts(), QStringList{"delete"});
        QVERIFY(answer.withIcons());
    }
    QList<PaletteColor *> expected = colors;
    if (removed >= 0)
        expected.removeAt(removed);
    QCOMPARE(manager()->ColorArray, expected);
    QCOMPARE(newLogEntries(*m_window, before), QStringList{});
    QVERIFY(list->findChildren<QMenu *>().isEmpty());
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));

    // The entry the menu was opened on may be gone now; the action no longer
    // refers to it.
    m_window->deleteColorFromColorArray();
    QCOMPARE(manager()->ColorArray, expected);
}

void TestColorActions::resetOfAllColours()
{
    open();
    PaletteColor *custom = manager()->createColor(QColor(1, 2, 3));
    custom->setCustom(true);
    manager()->ColorArray.append(custom);
    tree()->refreshPalette();
    colourRow(QStringLiteral("Logging"), manager()->ColorArray.at(1));
    colourRow(QStringLiteral("Sound"), custom);
    colourRow(QStringLiteral("Tcp"), manager()->ColorArray.at(5));
    const QList<PaletteColor *> old = manager()->ColorArray;

    const qsizetype before = logSize(*m_window);
    child<QPushButton>(*m_window, "pushButton_resetColors")->click();
    QCOMPARE(newLogEntries(*m_window, before), QStringList{});
    QCOMPARE(coloredFeatures(), QStringList{});
    // A fresh palette, one colour per pair, hues 360 / 6 apart; the custom
    // colour is gone with the old palette.
    QCOMPARE(manager()->ColorArray.size(), 6);
    const int hues[] = {0, 60, 120, 180, 240, 300};
    for (int i = 0; i < 6; ++i) {
        PaletteColor *color = manager()->ColorArray.at(i);
        QVERIFY(!old.contains(color));
        QCOMPARE(color->color(), hsv(hues[i]));
        QVERIFY(!color->isCustom());
    }
    QCOMPARE(palette()->count(), 6);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorActions::customColours_data()
{
    QTest::addColumn<QList<int>>("slotList");
    QTest::addColumn<QList<QColor>>("filled");
    QTest::addColumn<QList<QColor>>("added");

    QTest::newRow("no slot filled adds nothing") << QList<int>{} << QList<QColor>{}
                                                 << QList<QColor>{};
    QTest::newRow("three slots add three custom colours in slot order")
        << QList<int>{5, 1, 9} << QList<QColor>{Qt::blue, Qt::red, Qt::green}
        << QList<QColor>{Qt::red, Qt::blue, Qt::green};
    QTest::newRow("white cannot be added")
        << QList<int>{2, 3} << QList<QColor>{Qt::white, QColor(10, 20, 30)}
        << QList<QColor>{QColor(10, 20, 30)};
    QTest::newRow("almost white is a colour")
        << QList<int>{QColorDialog::customCount() - 1} << QList<QColor>{QColor(255, 255, 254)}
        << QList<QColor>{QColor(255, 255, 254)};
}

void TestColorActions::customColours()
{
    QFETCH(QList<int>, slotList);
    QFETCH(QList<QColor>, filled);
    QFETCH(QList<QColor>, added);

    open();
    const QList<PaletteColor *> before = manager()->ColorArray;
    QColorDialog *dialog = m_window->colorDialog();
    child<QToolButton>(*m_window, "toolButton_2")->click();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QVERIFY(dialog->testOption(QColorDialog::DontUseNativeDialog));
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QCOMPARE(QColorDialog::customColor(i).rgba(), 0xFFFFFFFFu);

    for (qsizetype i = 0; i < slotList.size(); ++i)
        QColorDialog::setCustomColor(slotList.at(i), filled.at(i));
    dialog->setCurrentColor(QColor(7, 7, 7)); // the current colour plays no part
    dialog->accept();

    QCOMPARE(manager()->ColorArray.size(), before.size() + added.size());
    QCOMPARE(manager()->ColorArray.mid(0, before.size()), before);
    for (qsizetype i = 0; i < added.size(); ++i) {
        PaletteColor *color = manager()->ColorArray.at(before.size() + i);
        QCOMPARE(color->color(), added.at(i));
        QVERIFY(color->isCustom());
        QVERIFY(color->isFree());
    }
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorActions::customColourDialogStartsWhiteEachTime()
{
    open();
    QColorDialog *dialog = m_window->colorDialog();
    const qsizetype start = manager()->ColorArray.size();
    m_window->customColorDialog();
    QColorDialog::setCustomColor(0, Qt::red);
    QColorDialog::setCustomColor(1, Qt::blue);
    dialog->reject(); // any result adds the filled slots
    QCOMPARE(manager()->ColorArray.size(), start + 2);

    m_window->customColorDialog();
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QCOMPARE(QColorDialog::customColor(i).rgba(), 0xFFFFFFFFu);
    dialog->reject();
    QCOMPARE(manager()->ColorArray.size(), start + 2);
    QCOMPARE(palette()->count(), int(start + 2));
}

void TestColorActions::savePreview_data()
{
    QTest::addColumn<QStringList>("colored"); // in the order they are coloured

    QTest::newRow("none: the plain picture") << QStringList{};
    QTest::newRow("two, coloured out of feature order") << QStringList{"Sound", "Logging"};
    QTest::newRow("four") << QStringList{"Udp", "Base", "Tcp", "Crypt"};
    QTest::newRow("five: the fifth in feature order is not shown")
        << QStringList{"Sound", "Base", "Tcp", "Crypt", "Logging"};
}

void TestColorActions::savePreview()
{
    QFETCH(QStringList, colored);

    open(false);
    for (qsizetype i = 0; i < colored.size(); ++i)
        colourRow(colored.at(i), manager()->ColorArray.at(i));
    // The squares follow feature order; checkInStep compares them.
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));

    const QImage preview = child<QToolButton>(*m_window, "toolButton_save")
                               ->icon().pixmap(QSize(35, 35)).toImage();
    const QImage plain = QPixmap(QStringLiteral(":/images/schatten.png")).toImage();
    QCOMPARE(preview.size(), plain.size());
    if (colored.size() == 5) {
        const QRgb fifth = colorOf(QStringLiteral("Sound"))->color().rgba();
        for (int y = 0; y < preview.height(); ++y)
            for (int x = 0; x < preview.width(); ++x)
                QVERIFY(preview.pixel(x, y) != fifth);
    }
    // Outside the squares the picture stays as it is.
    for (const QPoint &p : {QPoint(14, 5), QPoint(5, 14), QPoint(30, 30), QPoint(34, 0)})
        QCOMPARE(preview.pixel(p), plain.pixel(p));
}

void TestColorActions::opacitySlider()
{
    open();
    CodeView *client = m_window->currentCodeView();
    CodeView *main = openTab(*m_window, QStringLiteral("Main.java"));
    QVERIFY(main && m_window->currentCodeView() == main);
    QVERIFY(!client->backgrounds().isEmpty() && !main->backgrounds().isEmpty());
    auto *slider = child<QSlider>(*m_window, "horizontalSlider");
    QCOMPARE(slider->value(), 170);

    const qsizetype before = logSize(*m_window);
    slider->setSliderDown(true);
    slider->setValue(40);
    slider->setValue(90);
    QCOMPARE(logSize(*m_window), before); // moving logs nothing
    slider->setSliderDown(false);

    QCOMPARE(main->opacity(), 90);
    for (BackgroundFracture *band : main->backgrounds())
        QCOMPARE(band->brush().color().alpha(), 90);
    QCOMPARE(client->opacity(), 170);
    for (BackgroundFracture *band : client->backgrounds())
        QCOMPARE(band->brush().color().alpha(), 170);
    QCOMPARE(logRecords(*m_window).mid(before),
             QStringList{"/src/Main.java|saturationChanged(90)"});
}

void TestColorActions::opacitySliderWithoutTab()
{
    open(false);
    auto *slider = child<QSlider>(*m_window, "horizontalSlider");
    const qsizetype before = logSize(*m_window);
    slider->setSliderDown(true);
    slider->setValue(10);
    slider->setSliderDown(false);
    QCOMPARE(logSize(*m_window), before);
}

void TestColorActions::explorerSwitch()
{
    open(false);
    auto *stack = child<QStackedWidget>(*m_window, "stackedWidget");
    QCOMPARE(stack->currentIndex(), 0);
    const qsizetype before = logSize(*m_window);
    child<QRadioButton>(*m_window, "radioButton_features")->click();
    QCOMPARE(stack->currentIndex(), 1);
    child<QRadioButton>(*m_window, "radioButton_packages")->click();
    QCOMPARE(stack->currentIndex(), 0);
    QCOMPARE(logRecords(*m_window).mid(before),
             (QStringList{"|select<FeatureView>", "|select<PackageView>"}));
}

void TestColorActions::diagnosticLists()
{
    open(false);
    colourRow(QStringLiteral("Logging"), manager()->ColorArray.at(1));
    child<QPushButton>(*m_window, "pushButton")->click();

    auto *colors = child<QListWidget>(*m_window, "listWidget_3");
    QCOMPARE(colors->count(), 6);
    for (int i = 0; i < colors->count(); ++i) {
        QCOMPARE(colors->item(i)->background().color(), manager()->ColorArray.at(i)->color());
        QCOMPARE(colors->item(i)->text(), i == 1 ? QString() : QStringLiteral("available"));
    }
    auto *features = child<QListWidget>(*m_window, "listWidget_2");
    QCOMPARE(features->count(), smallFeatures.size());
    for (int i = 0; i < features->count(); ++i) {
        QCOMPARE(features->item(i)->text(), smallFeatures.at(i));
        const QColor shown = features->item(i)->background().color();
        if (smallFeatures.at(i) == QLatin1String("Logging"))
            QCOMPARE(shown, manager()->ColorArray.at(1)->color());
        else
            QVERIFY(isPlaceholderGrey(shown));
    }

    // A second press shows the lists anew, not twice.
    child<QPushButton>(*m_window, "pushButton")->click();
    QCOMPARE(colors->count(), 6);
    QCOMPARE(features->count(), smallFeatures.size());
}

void TestColorActions::highlightColor()
{
    open(false);
    QListWidget *list = palette();
    const QColor before = list->palette().color(QPalette::Active, QPalette::Highlight);
    QListWidgetItem plain(QStringLiteral("no colour"));
    m_window->highlightColor(&plain);
    QCOMPARE(list->palette().color(QPalette::Active, QPalette::Highlight), before);

    m_window->highlightColor(list->item(2));
    QColor expected = manager()->ColorArray.at(2)->color();
    expected.setAlpha(170);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QCOMPARE(list->palette().color(group, QPalette::Highlight), expected);
        QCOMPARE(list->palette().brush(group, QPalette::Highlight).style(), Qt::SolidPattern);
    }
}

QTEST_MAIN(TestColorActions)
#include "tst_coloractions.moc"
