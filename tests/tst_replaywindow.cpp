#include "replay/replaysources.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/images/resources.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/replay/replaybar.h"
#include "ui/replay/replaycontroller.h"
#include "ui/replay/replayplayer.h"
#include "ui/replay/replayquestionnaire.h"
#include "ui/replay/replaytimelinewidget.h"
#include "ui/search/currentfilesearch.h"
#include "ui/structure/stnode.h"

#include "support/modalcloser.h"
#include "support/platformmessages.h"
#include "support/sittingfiles.h"
#include "support/testfiles.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

#include <memory>

using namespace TestSupport;

namespace {

const char model[] = "Chat : Base | Logging | Crypt ;\n";
const char annotations[] = R"(<?xml version="1.0"?>
<project name="mini">
  <folder name="src">
    <folder name="chat">
      <file name="Client.java" length="80">
        <fragment startline="2" endline="4"><feature>Logging</feature></fragment>
        <fragment startline="40" endline="45"><feature>Crypt</feature></fragment>
      </file>
    </folder>
    <file name="Main.java" length="3">
      <fragment startline="1" endline="2"><feature>Base</feature></fragment>
    </file>
  </folder>
</project>
)";

QByteArray clientSource()
{
    QByteArray text = "class Client {\n";
    for (int line = 2; line < 80; ++line)
        text += "  int field" + QByteArray::number(line) + "; // key\n";
    return text + "}";
}

const QString client = QStringLiteral("/src/chat/Client.java");
const QString mainFile = QStringLiteral("/src/Main.java");

// Every file of the folder with the hash of its bytes.
QMap<QString, QByteArray> checksums(const QString &folder)
{
    QMap<QString, QByteArray> sums;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        sums.insert(path, QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256));
    }
    return sums;
}

} // namespace

class TestReplayWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void everyControlLeavesTheFolderAsItWas();
    void screenShowsTheMoment_data();
    void screenShowsTheMoment();
    void seekingBackShowsWhatSteppingShowed();
    void conditionWithoutColours();

private:
    void openReplay();
    template <typename T>
    T *get(const char *name) const
    {
        T *child = m_window->findChild<T *>(QLatin1String(name));
        if (!child)
            qFatal("the replay window has no %s called %s", T::staticMetaObject.className(), name);
        return child;
    }
    QString frontTitle() const;
    QString colourOf(const QString &feature) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<ReplayController> m_replay;
};

void TestReplayWindow::initTestCase()
{
    installPlatformMessageFilter();
    initImageResources();
}

void TestReplayWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QStringLiteral("study"));
    QVERIFY(writeFile(m_folder + QStringLiteral("/model.m"), model));
    QVERIFY(writeFile(m_folder + QStringLiteral("/annotations.xml"), annotations));
    QVERIFY(writeFile(m_folder + client, clientSource()));
    QVERIFY(writeFile(m_folder + mainFile, "class Main {\n  void main() {}\n}\n"));
    QVERIFY(writeFile(m_folder + QStringLiteral("/questions.txt"),
                      "Erste Aufgabe|2;Zweite Aufgabe|1;"));
    QVERIFY(writeFile(m_folder + QStringLiteral("/anna_bernd_answers.txt"), "erste$zweite$\n"));
    QVERIFY(writeFile(m_folder + QStringLiteral("/anna_bernd_log.txt"),
                      logOf({QStringLiteral("0|code||code||"),
                             QStringLiteral("2|task0|/src/chat/Client.java|fileOpened|1|20"),
                             QStringLiteral("5|task0|/src/Main.java|fileOpened|1|3"),
                             QStringLiteral("8|task0|/src/chat/Client.java|selectionChanged|30|49"),
                             QStringLiteral("10|task0|/src/chat/Client.java|search<current>(key)|30|49"),
                             QStringLiteral("12|task0|/src/Gone.java|fileOpened|1|1"),
                             QStringLiteral("20|task1|/src/Main.java|selectionChanged|1|3"),
                             QStringLiteral("25|task1|/src/Main.java|taskCompleted|1|3")})));
    QVERIFY(writeFile(m_folder + QStringLiteral("/anna_bernd_view.csv"),
                      viewOf({QStringLiteral("3|colour|task0||||Logging=#ff0000"),
                              QStringLiteral("4|colour|task0||||Crypt=#00aa00"),
                              QStringLiteral("15|colour|task0||||Logging=")})));
}

void TestReplayWindow::cleanup()
{
    m_replay.reset();
    m_window.reset();
    m_dir.reset();
}

void TestReplayWindow::openReplay()
{
    const ReplaySources sources =
        ReplaySources::load(m_folder, QStringLiteral("anna"), QStringLiteral("bernd"));
    m_window = std::make_unique<MainWindow>(m_folder, MainWindow::Purpose::Replay);
    m_replay = std::make_unique<ReplayController>(m_window.get(), sources);
    m_window->resize(1200, 900);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

QString TestReplayWindow::frontTitle() const
{
    const QTabWidget *tabs = get<QTabWidget>("tabWidget");
    return tabs->currentIndex() < 0 ? QString() : tabs->tabText(tabs->currentIndex());
}

QString TestReplayWindow::colourOf(const QString &feature) const
{
    ColorManager *manager = m_window->colorManager();
    for (Feature &each : *m_window->featureTree()->features()) {
        if (each.name() == feature) {
            PaletteColor *colour = manager->colorOf(&each);
            return manager->standsForNoColor(colour) ? QString() : colour->color().name();
        }
    }
    return QStringLiteral("<no such feature>");
}

void TestReplayWindow::everyControlLeavesTheFolderAsItWas()
{
    const QMap<QString, QByteArray> before = checksums(m_folder);
    openReplay();
    ModalCloser closer;
    QVERIFY(!m_window->questionDialog());
    ReplayPlayer *player = m_replay->player();
    QTabWidget *tabs = get<QTabWidget>("tabWidget");

    // Step through every record and back.
    auto *next = get<QToolButton>("toolButton_next");
    const QList<ReplayTimeline::Tick> &ticks = m_replay->timeline().ticks();
    for (int tick = 1; tick < ticks.size(); ++tick) {
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(player->position(), ticks.at(tick).ms);
        // The missing file is in front at 12 s.
        QCOMPARE(get<QLabel>("label_notes")->text().contains(QLatin1String("/src/Gone.java")),
                 ticks.at(tick).ms == 12000);
    }
    QCOMPARE(tabs->count(), 3);
    QTest::mouseClick(get<QToolButton>("toolButton_previous"), Qt::LeftButton);
    QCOMPARE(player->position(), ticks.at(ticks.size() - 2).ms);

    // Jump to the tasks' starts, then play at 32x and pause again.
    auto *task = get<QComboBox>("comboBox_task");
    task->setFocus();
    QTest::keyClick(task, Qt::Key_End);
    QCOMPARE(player->position(), *m_replay->timeline().taskStart(1));
    QTest::keyClick(task, Qt::Key_Down);
    QCOMPARE(player->position(), *m_replay->timeline().taskStart(0));
    auto *speed = get<QComboBox>("comboBox_speed");
    speed->setFocus();
    QTest::keyClick(speed, Qt::Key_End);
    QCOMPARE(player->speed(), 32);
    player->seek(0);
    QSignalSpy playing(player, &ReplayPlayer::playingChanged);
    QTest::mouseClick(get<QToolButton>("toolButton_play"), Qt::LeftButton);
    QVERIFY(player->isPlaying());
    QTRY_VERIFY(player->position() > 2000);
    QTest::mouseClick(get<QToolButton>("toolButton_play"), Qt::LeftButton);
    QVERIFY(!player->isPlaying());
    QCOMPARE(playing.count(), 2);

    // A click on the timeline moves the replay there.
    auto *timeline = get<ReplayTimelineWidget>("replayTimeline");
    const QPoint middle(timeline->xOf(13000), timeline->height() / 2);
    QTest::mouseClick(timeline, Qt::LeftButton, {}, middle);
    QCOMPARE(player->position(), timeline->timeAt(middle.x()));
    QCOMPARE(frontTitle(), QStringLiteral("Gone.java"));

    // The window's own controls: a search, the explorer, a saved assignment,
    // closing a tab, closing the window.
    get<QLineEdit>("lineEdit_find")->setText(QStringLiteral("field"));
    get<QRadioButton>("radioButton_project")->setChecked(true);
    QTest::mouseClick(get<QPushButton>("pushButton_find"), Qt::LeftButton);
    QTest::mouseClick(get<QRadioButton>("radioButton_features"), Qt::LeftButton);
    QVERIFY(!get<QToolButton>("toolButton_save")->isVisible());
    m_window->saveColors();
    QWidget *closeButton = tabs->tabBar()->tabButton(0, QTabBar::RightSide);
    QVERIFY(closeButton);
    QTest::mouseClick(closeButton, Qt::LeftButton);
    QCOMPARE(tabs->count(), 2);
    m_window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_replay.reset();
    m_window.reset();

    QCOMPARE(checksums(m_folder), before);
}

void TestReplayWindow::screenShowsTheMoment_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("front");
    QTest::addColumn<int>("first"); // the first line on the screen
    QTest::addColumn<QString>("logging"); // Logging's colour
    QTest::addColumn<bool>("marks");
    QTest::addColumn<int>("page");

    QTest::newRow("a freshly opened file from its first line")
        << qint64(2000) << QStringLiteral("Client.java") << 1 << QString() << false << 1;
    QTest::newRow("a colour given")
        << qint64(3000) << QStringLiteral("Client.java") << 1 << QStringLiteral("#ff0000") << false
        << 1;
    QTest::newRow("the second file in front")
        << qint64(5000) << QStringLiteral("Main.java") << 1 << QStringLiteral("#ff0000") << false
        << 1;
    QTest::newRow("back in the first file where it was scrolled to")
        << qint64(8000) << QStringLiteral("Client.java") << 30 << QStringLiteral("#ff0000")
        << false << 1;
    QTest::newRow("the search's marks")
        << qint64(10000) << QStringLiteral("Client.java") << 30 << QStringLiteral("#ff0000")
        << true << 1;
    QTest::newRow("a file the folder does not have")
        << qint64(12000) << QStringLiteral("Gone.java") << -1 << QStringLiteral("#ff0000")
        << false << 1;
    QTest::newRow("a colour taken away")
        << qint64(15000) << QStringLiteral("Gone.java") << -1 << QString() << false << 1;
    QTest::newRow("the second task's page")
        << qint64(20000) << QStringLiteral("Main.java") << 1 << QString() << false << 2;
}

void TestReplayWindow::screenShowsTheMoment()
{
    QFETCH(qint64, ms);
    QFETCH(QString, front);
    QFETCH(int, first);
    QFETCH(QString, logging);
    QFETCH(bool, marks);
    QFETCH(int, page);

    openReplay();
    m_replay->showAt(ms);
    QCOMPARE(frontTitle(), front);
    CodeView *view = m_window->currentCodeView();
    QVERIFY(view);
    if (first > 0)
        QCOMPARE(view->visibleLineRange().first, first);
    else
        QVERIFY(view->textEdit()->toPlainText().isEmpty()); // -1: an empty tab
    QCOMPARE(colourOf(QStringLiteral("Logging")), logging);
    QCOMPARE(colourOf(QStringLiteral("Crypt")), ms >= 4000 ? QStringLiteral("#00aa00") : QString());
    QCOMPARE(m_window->currentFileSearch()->markCount() > 0, marks);
    QCOMPARE(m_replay->questionnaire()->page(), page);
}

void TestReplayWindow::seekingBackShowsWhatSteppingShowed()
{
    openReplay();
    const QList<ReplayTimeline::Tick> &ticks = m_replay->timeline().ticks();
    QTabWidget *tabs = get<QTabWidget>("tabWidget");
    const auto screen = [&] {
        QStringList shown;
        for (int i = 0; i < tabs->count(); ++i)
            shown << tabs->tabText(i);
        CodeView *view = m_window->currentCodeView();
        return shown.join(QLatin1Char(',')) + QLatin1Char('|') + frontTitle() + QLatin1Char('|')
               + QString::number(view ? view->visibleLineRange().first : -2) + QLatin1Char('|')
               + colourOf(QStringLiteral("Logging"));
    };
    QStringList stepped;
    for (const ReplayTimeline::Tick &tick : ticks) {
        m_replay->showAt(tick.ms);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        stepped << screen();
    }
    for (int i = int(ticks.size()) - 1; i >= 0; --i) {
        m_replay->showAt(ticks.at(i).ms);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(screen(), stepped.at(i));
    }
}

void TestReplayWindow::conditionWithoutColours()
{
    QVERIFY(writeFile(m_folder + QStringLiteral("/study.json"),
                      R"({"conditions": [{"name": "plain", "colours": false},
                                         {"name": "colour", "colours": true}]})"));
    QVERIFY(writeFile(m_folder + QStringLiteral("/anna_bernd_session.json"),
                      R"({"account": "anna", "user": "bernd", "condition": "plain",
                          "taskOrder": [1, 2]})"));
    openReplay();
    m_replay->showAt(5000);
    QCOMPARE(colourOf(QStringLiteral("Logging")), QString());
    QCOMPARE(m_window->currentCodeView()->opacity(), 0);
    QVERIFY(!get<QDockWidget>("dockWidget_colors")->isVisible());
}

QTEST_MAIN(TestReplayWindow)
#include "tst_replaywindow.moc"
