#include "ui/mainwindow/mainwindow.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "core/model/feature.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/colorsaves/assignmentfilechooser.h"
#include "ui/colorsaves/colorassignmentfile.h"
#include "ui/colorsaves/loadbutton.h"
#include "ui/colorsaves/savecolorassignment.h"
#include "ui/questionnaire/questiondialog.h"

#include "support/modalcloser.h"
#include "support/outputcapture.h"
#include "support/testfiles.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(35, 35)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QIcon solidIcon(const QColor &color)
{
    QPixmap pixmap(35, 35);
    pixmap.fill(color);
    return QIcon(pixmap);
}

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QList<QRgb> rgbOf(const QList<PaletteColor *> &colors)
{
    QList<QRgb> values;
    for (const PaletteColor *color : colors)
        values.append(color->color().rgb());
    return values;
}

} // namespace

class TestSaveLoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // The pieces on their own.
    void loadButtonAppliesItsFileOnce_data();
    void loadButtonAppliesItsFileOnce();
    void hideLoadButtonHidesTheButtonAndEnlargesItsIcon();
    void unwritableFolderGivesNoButton();

    // Through the main window.
    void eachSaveAddsAButtonToTheRight();
    void pressingAButtonAppliesRefreshesAndRemovesOnlyIt();
    void colorSavesAppliesAndLogsOnce();
    void cancelledDialogShowsTheMessage();
    void failedLoadsApplyAndLogNothing_data();
    void failedLoadsApplyAndLogNothing();

private:
    bool makeWindow();
    // Gives feature `feature` the palette colour `color` and redraws the preview.
    bool assign(int feature, int color);
    QList<LoadButton *> loadButtons() const;
    // Parts of the window's form, found by their object names.
    template<typename T> T *part(const char *name) const;
    QToolButton *saveButton() const { return part<QToolButton>("toolButton_save"); }
    QWidget *loadButtonFrame() const { return part<QWidget>("frame_loadButtons"); }
    QListWidget *diagnostics() const { return part<QListWidget>("listWidget_3"); }
    int logCount(const QString &text) const;
    QString writeProjectFile(const QString &name, const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_project;
    std::unique_ptr<MainWindow> m_window;
};

void TestSaveLoad::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_project = m_dir->path() + QStringLiteral("/Chat");
    QVERIFY(QDir().mkdir(m_project));
    QVERIFY(!writeProjectFile(QStringLiteral("model.m"),
                              "Root : Base | Crypto | History | Server ;\n")
                 .isEmpty());
}

void TestSaveLoad::cleanup()
{
    AssignmentFileChooser::setChooser({});
    m_window.reset();
    processDeferredDeletes();
    m_dir.reset();
}

bool TestSaveLoad::makeWindow()
{
    qputenv("USERNAME", "tester");
    m_window = std::make_unique<MainWindow>(m_project);
    // Four features and, from them, four palette colours.
    return m_window->featureTree()->features()->size() == 4
           && m_window->colorManager()->ColorArray.size() == 4;
}

bool TestSaveLoad::assign(int feature, int color)
{
    ColorManager *manager = m_window->colorManager();
    if (!manager->assignColor(&(*manager->features())[feature], manager->ColorArray[color]))
        return false;
    m_window->drawSaveButtonPreview();
    return true;
}

template<typename T> T *TestSaveLoad::part(const char *name) const
{
    T *found = m_window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("the window has no %s", name);
    return found;
}

QList<LoadButton *> TestSaveLoad::loadButtons() const
{
    QList<LoadButton *> buttons;
    QLayout *layout = loadButtonFrame()->layout();
    for (int i = 0; i < layout->count(); ++i) {
        if (auto *button = qobject_cast<LoadButton *>(layout->itemAt(i)->widget()))
            buttons.append(button);
    }
    return buttons;
}

int TestSaveLoad::logCount(const QString &text) const
{
    QFile log(m_window->questionDialog()->logFilePath());
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return int(QString::fromUtf8(log.readAll()).count(text));
}

QString TestSaveLoad::writeProjectFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_project + QLatin1Char('/') + name;
    return TestSupport::writeFile(path, bytes) ? path : QString();
}

void TestSaveLoad::loadButtonAppliesItsFileOnce_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("saved file") << true;
    QTest::newRow("file gone since saving") << false;
}

void TestSaveLoad::loadButtonAppliesItsFileOnce()
{
    QFETCH(bool, fileExists);

    FeatureList features{Feature(0, QStringLiteral("A")), Feature(1, QStringLiteral("B"))};
    ColorManager manager(&features, 2);
    QVERIFY(manager.assignColor(&features[1], manager.ColorArray[0]));
    const QList<QRgb> saved = rgbOf(manager.ColorArray);
    const QString path = ColorAssignmentFile::nextFileName(m_project);
    QVERIFY(ColorAssignmentFile::write(path, manager.ColorArray, manager.FCPList, manager));
    if (!fileExists)
        QVERIFY(QFile::remove(path));
    manager.ColorArray.append(manager.createColor(Qt::black));
    const QList<PaletteColor *> before = manager.ColorArray;

    QWidget parent;
    QPointer<LoadButton> button = new LoadButton(&parent, &manager);
    QCOMPARE(button->toolTip(), QStringLiteral("load ColorAssignment"));
    QVERIFY(button->fileName().isEmpty());
    button->setFileName(path);

    TestSupport::OutputCapture capture;
    button->testHide();
    const QList<PaletteColor *> afterFirst = manager.ColorArray;
    button->load(); // a second press before the deletion has happened
    const QString errors = capture.text();

    if (fileExists) {
        QCOMPARE(rgbOf(afterFirst), saved);
        QCOMPARE(manager.FCPList[1].color, afterFirst[0]);
        QVERIFY(errors.isEmpty());
    } else {
        QCOMPARE(afterFirst, before);
        QCOMPARE(errors.count(QStringLiteral("Error: Cannot read file")), 1);
    }
    QCOMPARE(manager.ColorArray, afterFirst);
    QVERIFY(button);
    processDeferredDeletes();
    QVERIFY2(!button, "the button removes itself after its one use");
}

void TestSaveLoad::hideLoadButtonHidesTheButtonAndEnlargesItsIcon()
{
    FeatureList features{Feature(0, QStringLiteral("A"))};
    ColorManager manager(&features, 1);
    QWidget frame;
    new QHBoxLayout(&frame);
    frame.show();
    SaveColorAssignment save(&frame, nullptr, solidIcon(Qt::red), &frame, &manager.ColorArray,
                             &manager.FCPList, &manager, m_project);
    QVERIFY(save.loadButton());
    QVERIFY(save.loadButton()->isVisible());
    QCOMPARE(save.loadButton()->iconSize(), QSize(30, 30));
    save.hideLoadButton();
    QVERIFY(!save.loadButton()->isVisible());
    QCOMPARE(save.loadButton()->iconSize(), QSize(50, 50));
}

void TestSaveLoad::unwritableFolderGivesNoButton()
{
    QFile blocker(m_project + QStringLiteral("/savedColorAssignments"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    FeatureList features{Feature(0, QStringLiteral("A"))};
    ColorManager manager(&features, 1);
    QWidget frame;
    auto *layout = new QHBoxLayout(&frame);

    TestSupport::OutputCapture capture;
    SaveColorAssignment save(&frame, nullptr, solidIcon(Qt::red), &frame, &manager.ColorArray,
                             &manager.FCPList, &manager, m_project);
    const QString errors = capture.text();

    QVERIFY(!save.loadButton());
    QCOMPARE(layout->count(), 0);
    QVERIFY(frame.findChildren<LoadButton *>().isEmpty());
    QVERIFY2(errors.startsWith(QStringLiteral("Error: Cannot write file ") + save.fileName()
                               + QStringLiteral(": ")),
             qPrintable(errors));
    QVERIFY(!QFile::exists(save.fileName()));
}

void TestSaveLoad::eachSaveAddsAButtonToTheRight()
{
    QVERIFY(makeWindow());
        const QString folder = m_project + QStringLiteral("/savedColorAssignments/");

    QList<QImage> previews;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(assign(i, i)); // a different preview for every save
        previews.append(iconImage(saveButton()->icon()));
        saveButton()->click();

        const QList<LoadButton *> buttons = loadButtons();
        QCOMPARE(buttons.size(), i + 1);
        LoadButton *newest = buttons.last();
        QCOMPARE(newest->fileName(), folder + QStringLiteral("Chat%1.txt").arg(i + 1));
        QVERIFY(QFile::exists(newest->fileName()));
        QCOMPARE(newest->iconSize(), QSize(30, 30));
        QVERIFY(newest->autoRaise());
        QCOMPARE(newest->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(newest->toolTip(), QStringLiteral("load ColorAssignment"));
        QVERIFY(!newest->isHidden());
    }
    QVERIFY(previews[0] != previews[1]);
    QVERIFY(previews[1] != previews[2]);

    // Later colour changes leave the saved previews alone.
    QVERIFY(assign(3, 3));
    const QImage current = iconImage(saveButton()->icon());
    const QList<LoadButton *> buttons = loadButtons();
    loadButtonFrame()->layout()->activate();
    for (int i = 0; i < buttons.size(); ++i) {
        QCOMPARE(iconImage(buttons[i]->icon()), previews[i]);
        QVERIFY(iconImage(buttons[i]->icon()) != current);
        if (i > 0)
            QVERIFY(buttons[i]->geometry().left() > buttons[i - 1]->geometry().left());
    }
    QCOMPARE(logCount(QStringLiteral("loadColorAssignment<")), 0);
}

void TestSaveLoad::pressingAButtonAppliesRefreshesAndRemovesOnlyIt()
{
    QVERIFY(makeWindow());
    ColorManager *manager = m_window->colorManager();
    const QList<QRgb> palette = rgbOf(manager->ColorArray);

    QVERIFY(assign(0, 0));
    m_window->saveColors(); // Base has colour 0
    QVERIFY(assign(1, 1));
    m_window->saveColors(); // Base 0, Crypto 1
    QVERIFY(assign(2, 2)); // and now History 2 as well
    const int logBefore = logCount(QStringLiteral("loadColorAssignment<"));

    QList<LoadButton *> buttons = loadButtons();
    QCOMPARE(buttons.size(), 2);
    QPointer<LoadButton> first = buttons[0];
    QPointer<LoadButton> second = buttons[1];
    const QImage savedPreview = iconImage(first->icon());
    QVERIFY(iconImage(saveButton()->icon()) != savedPreview);
    first->click();

    // Applied: the first save's colours, in new palette objects.
    QCOMPARE(rgbOf(manager->ColorArray), palette);
    QCOMPARE(manager->FCPList[0].color, manager->ColorArray[0]);
    for (int i = 1; i < 4; ++i) {
        QVERIFY(manager->FCPList[i].color == manager->lightGrey()
                || manager->FCPList[i].color == manager->darkGrey());
    }
    // Refreshed after applying: the preview shows the loaded colours and the
    // palette list the three colours left free.
    QCOMPARE(iconImage(saveButton()->icon()), savedPreview);
    QCOMPARE(part<QListWidget>("listWidget")->count(), 3);

    processDeferredDeletes();
    QVERIFY(!first);
    QVERIFY(second);
    QCOMPARE(loadButtons(), QList<LoadButton *>{second.data()});
    QCOMPARE(logCount(QStringLiteral("loadColorAssignment<")), logBefore);
}

void TestSaveLoad::colorSavesAppliesAndLogsOnce()
{
    QVERIFY(makeWindow());
    ColorManager *manager = m_window->colorManager();
    QVERIFY(assign(3, 1));
    const QImage savedPreview = iconImage(saveButton()->icon());
    const QString path = ColorAssignmentFile::nextFileName(m_project);
    QVERIFY(ColorAssignmentFile::write(path, manager->ColorArray, manager->FCPList, *manager));
    QVERIFY(assign(0, 0));
    QVERIFY(iconImage(saveButton()->icon()) != savedPreview);

    QWidget *askedParent = nullptr;
    QString askedCaption;
    QString askedFolder;
    AssignmentFileChooser::setChooser(
        [&](QWidget *parent, const QString &caption, const QString &folder) {
            askedParent = parent;
            askedCaption = caption;
            askedFolder = folder;
            return path;
        });
    part<QAction>("actionColorSaves")->trigger();

    QCOMPARE(askedParent, m_window.get());
    QCOMPARE(askedCaption, QStringLiteral("Open saved Color Assignment"));
    QCOMPARE(askedFolder, m_project + QStringLiteral("/savedColorAssignments"));
    QCOMPARE(manager->FCPList[3].color, manager->ColorArray[1]);
    QVERIFY(manager->FCPList[0].color == manager->lightGrey()
            || manager->FCPList[0].color == manager->darkGrey());
    QCOMPARE(logCount(QStringLiteral("loadColorAssignment<")), 1);
    QCOMPARE(logCount(QStringLiteral("loadColorAssignment<") + path + QStringLiteral(">$")), 1);
    QCOMPARE(diagnostics()->count(), 0);
    QCOMPARE(iconImage(saveButton()->icon()), savedPreview);
}

void TestSaveLoad::cancelledDialogShowsTheMessage()
{
    QVERIFY(makeWindow());
    ColorManager *manager = m_window->colorManager();
    const QList<PaletteColor *> palette = manager->ColorArray;
    AssignmentFileChooser::setChooser(
        [](QWidget *, const QString &, const QString &) { return QString(); });

    QString title;
    QString text;
    QWidget *boxParent = nullptr;
    TestSupport::ModalCloser closer([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        boxParent = box->parentWidget();
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        box->accept();
    });
    m_window->loadColors();

    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(text, QStringLiteral("File could not be loaded!"));
    QCOMPARE(boxParent, m_window.get());
    QCOMPARE(manager->ColorArray, palette);
    QCOMPARE(logCount(QStringLiteral("loadColorAssignment<")), 0);
}

void TestSaveLoad::failedLoadsApplyAndLogNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("listed");

    QTest::newRow("missing file is not listed")
        << QByteArray() << QStringLiteral("Error: Cannot read file : ") << false;
    QTest::newRow("parse failure is listed")
        << QByteArray("<savedColorAssignment><FCPList>")
        << QStringLiteral("Error: Parse error at line ") << true;
    QTest::newRow("foreign file is not listed")
        << QByteArray("<annotations/>")
        << QStringLiteral("Error: File is not a savedColorAssignment file") << false;
}

void TestSaveLoad::failedLoadsApplyAndLogNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(bool, listed);

    QVERIFY(makeWindow());
    ColorManager *manager = m_window->colorManager();
    QVERIFY(assign(0, 2));
    const QList<PaletteColor *> palette = manager->ColorArray;
    const QString path = content.isEmpty() ? m_project + QStringLiteral("/none.txt")
                                           : writeProjectFile(QStringLiteral("bad.txt"), content);
    QVERIFY(!path.isEmpty());
    AssignmentFileChooser::setChooser(
        [path](QWidget *, const QString &, const QString &) { return path; });

    TestSupport::OutputCapture capture;
    m_window->loadColors();
    const QString errors = capture.text();

    QVERIFY2(errors.startsWith(error), qPrintable(errors));
    QCOMPARE(manager->ColorArray, palette);
    QCOMPARE(manager->FCPList[0].color, palette[2]);
    QCOMPARE(logCount(QStringLiteral("loadColorAssignment<")), 0);
    if (listed) {
        QCOMPARE(diagnostics()->count(), 1);
        QCOMPARE(diagnostics()->item(0)->text(), path);
    } else {
        QCOMPARE(diagnostics()->count(), 0);
    }
}

QTEST_MAIN(TestSaveLoad)
#include "tst_saveload.moc"
