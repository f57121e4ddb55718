// A study design in the window: what each kind of condition shows and lets
// the participant change, the condition and task order given at sign-in,
// the session file, the view file, and a design that keeps the viewer from
// starting.
#include "support/actionlogrecords.h"
#include "support/colorproject.h"
#include "support/dragdelivery.h"
#include "support/modalcloser.h"
#include "support/outputcapture.h"
#include "support/platformmessages.h"
#include "support/readonlyfolder.h"
#include "support/testfiles.h"
#include "support/windowchildren.h"

#include "core/formats/sessionfile.h"
#include "core/formats/studydesign.h"
#include "core/formats/viewfile.h"
#include "core/study/studymaterials.h"
#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/images/resources.h"
#include "ui/mainwindow/conditionlook.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/viewrecorder.h"
#include "ui/questionnaire/questiondialog.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QGraphicsView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace TestSupport;

namespace {

// Three tasks; the first and the third with one answer box, the second with two.
const QByteArray threeTasks = "Erste Aufgabe$Antwort|1;\nZweite Aufgabe$A|1$B|1;\n"
                              "Dritte Aufgabe$C|1;\n";

// A saved assignment for the small project: Base red, Tcp cyan.
const QByteArray preset = R"(<!DOCTYPE savedColorAssignment>
<savedColorAssignment>
 <FCPList>
  <color index="0" feature="Base" r="230" g="30" b="30" isCustom="0"/>
  <color index="1" feature="Logging" r="220" g="220" b="220" isCustom="2"/>
  <color index="2" feature="Crypt" r="220" g="220" b="220" isCustom="2"/>
  <color index="3" feature="Tcp" r="0" g="200" b="200" isCustom="0"/>
  <color index="4" feature="Udp" r="220" g="220" b="220" isCustom="2"/>
  <color index="5" feature="Sound" r="220" g="220" b="220" isCustom="2"/>
 </FCPList>
 <colorArray>
  <color index="0" r="230" g="30" b="30" isCustom="0"/>
  <color index="1" r="0" g="200" b="200" isCustom="0"/>
  <color index="2" r="255" g="140" b="0" isCustom="0"/>
 </colorArray>
</savedColorAssignment>
)";

QByteArray oneCondition(const QByteArray &condition)
{
    return "{ \"conditions\": [ " + condition + " ] }";
}

// Pixels of the grab within 3 of the colour or of the colour as a band
// mixed with white at the given opacity.
int pixelsOf(const QImage &image, const QColor &colour, int opacity)
{
    const auto mixed = [&](int channel) { return (channel * opacity + 255 * (255 - opacity)) / 255; };
    const QColor band(mixed(colour.red()), mixed(colour.green()), mixed(colour.blue()));
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            for (const QColor &target : {colour, band}) {
                if (qAbs(pixel.red() - target.red()) <= 3
                    && qAbs(pixel.green() - target.green()) <= 3
                    && qAbs(pixel.blue() - target.blue()) <= 3)
                    ++count;
            }
        }
    }
    return count;
}

} // namespace

class TestStudyConditions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void conditionLooks_data();
    void conditionLooks();
    void noColourConditionShowsNoFeatureColour_data();
    void noColourConditionShowsNoFeatureColour();
    void lockedDropChangesNothing_data();
    void lockedDropChangesNothing();

    void participantsOneAfterAnother();
    void answersKeepTheOrderOfTheQuestions();
    void resumingKeepsTheOrder();
    void withoutStudyJsonTheOrderIsTheFile();

    void designWithErrorsStopsTheViewer_data();
    void designWithErrorsStopsTheViewer();
    void signInRefused_data();
    void signInRefused();
    void unwritableFolderTheSittingGoesOn();

    void viewFileOfASitting();
    void viewRowWaitsForStillness();
    void viewRowsBeforeSignIn();
    void loadedAssignmentGivesOneRowPerFeature();

private:
    void writeDesign(const QByteArray &studyJson, const QByteArray &participants = {});
    void open();
    void signIn(const QString &account);
    void next();
    QuestionDialog *dialog() const { return m_window->questionDialog(); }
    QString file(const QString &name) const { return m_project + '/' + name; }
    SessionFile session(const QString &account) const;
    // "event task file first last detail" of every row of the view file.
    QStringList viewRows(const QString &prefix) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_project;
    std::unique_ptr<MainWindow> m_window;
    QDateTime m_now;
};

void TestStudyConditions::initTestCase()
{
    qputenv("USERNAME", "bernd");
    installPlatformMessageFilter();
    initImageResources();
}

void TestStudyConditions::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_project = m_dir->filePath(QStringLiteral("project"));
    QVERIFY(writeSmallProject(m_project));
    QVERIFY(writeFile(file("questions.txt"), threeTasks));
    QVERIFY(writeFile(file("savedColorAssignments/preset1.txt"), preset));
    m_now = QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC);
}

void TestStudyConditions::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void TestStudyConditions::writeDesign(const QByteArray &studyJson, const QByteArray &participants)
{
    if (!studyJson.isNull())
        QVERIFY(writeFile(file("study.json"), studyJson));
    if (!participants.isNull())
        QVERIFY(writeFile(file("participants.csv"), participants));
}

void TestStudyConditions::open()
{
    m_window = std::make_unique<MainWindow>(m_project);
    QVERIFY(m_window->form());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // A clock that moves on by a second at every reading.
    m_window->viewRecorder()->setClock([this] { return m_now = m_now.addSecs(1); });
}

void TestStudyConditions::signIn(const QString &account)
{
    dialog()->bringToFront();
    auto *name = dialog()->findChild<QLineEdit *>(QStringLiteral("lineEdit_account"));
    QTest::keyClicks(name, account);
    next();
}

void TestStudyConditions::next()
{
    QTest::mouseClick(dialog()->findChild<QPushButton *>(QStringLiteral("pushButton_next")),
                      Qt::LeftButton);
}

SessionFile TestStudyConditions::session(const QString &account) const
{
    const QString name = SessionFile::fileName(account, QStringLiteral("bernd"));
    const SessionFile::Reading reading = SessionFile::readFile(file(name), name);
    if (!reading.problems.isEmpty())
        qWarning() << formatDiagnostic(reading.problems.first());
    return reading.session;
}

QStringList TestStudyConditions::viewRows(const QString &prefix) const
{
    QStringList rows;
    const ViewFile::Reading reading =
        ViewFile::read(readFile(file(prefix + ViewFile::Suffix)), prefix);
    for (const ViewFile::Row &row : reading.rows) {
        QStringList fields{row.event, row.task};
        if (!row.file.isEmpty() || row.first >= 0)
            fields << row.file << QString::number(row.first) << QString::number(row.last);
        if (!row.detail.isEmpty())
            fields << row.detail;
        rows << fields.join(' ');
    }
    return rows;
}

void TestStudyConditions::conditionLooks_data()
{
    QTest::addColumn<QByteArray>("condition");
    QTest::addColumn<bool>("colours");
    QTest::addColumn<bool>("changeable");
    QTest::addColumn<int>("opacity");
    QTest::addColumn<QStringList>("coloured"); // features with a colour after sign-in

    QTest::newRow("colours: everything shows and can be changed")
        << QByteArray(R"({"name": "colour"})") << true << true << 170 << QStringList{};
    QTest::newRow("no colours: nothing shows, nothing can be changed")
        << QByteArray(R"({"name": "plain", "colours": false})") << false << false << 170
        << QStringList{};
    QTest::newRow("locked: colours show, nothing can be changed")
        << QByteArray(R"({"name": "fixed", "locked": true})") << true << false << 170
        << QStringList{};
    QTest::newRow("a saved assignment is given at sign-in")
        << QByteArray(R"({"name": "preset", "assignment": "savedColorAssignments/preset1.txt"})")
        << true << true << 170 << QStringList{"Base", "Tcp"};
    QTest::newRow("the opacity slider starts where the condition says")
        << QByteArray(R"({"name": "faint", "opacity": 60})") << true << true << 60
        << QStringList{};
    QTest::newRow("a locked preset")
        << QByteArray(R"({"name": "p", "assignment": "savedColorAssignments/preset1.txt",
                          "locked": true, "opacity": 255})")
        << true << false << 255 << QStringList{"Base", "Tcp"};
    QTest::newRow("no colours gives no preset")
        << QByteArray(R"({"name": "p", "assignment": "savedColorAssignments/preset1.txt",
                          "colours": false})")
        << false << false << 170 << QStringList{};
}

void TestStudyConditions::conditionLooks()
{
    QFETCH(QByteArray, condition);
    QFETCH(bool, colours);
    QFETCH(bool, changeable);
    QFETCH(int, opacity);
    QFETCH(QStringList, coloured);
    writeDesign(oneCondition(condition));
    open();
    const MainWindow &window = *m_window;
    auto *palette = child<QDockWidget>(window, "dockWidget_colors");
    auto *slider = child<QSlider>(window, "horizontalSlider");
    auto *packages = child<SMVTreeWidget>(window, "treeWidget_packageView");
    FeatureTreeWidget *tree = m_window->featureTree();

    // Before sign-in the condition is not known: no colour, nothing to change.
    CodeView *early = openTab(*m_window, QStringLiteral("Main.java"));
    QVERIFY(early);
    QVERIFY(!palette->isVisible());
    QVERIFY(!slider->isVisible());
    QVERIFY(!early->sideBarView()->isVisible());
    QVERIFY(tree->colorsLocked());
    QVERIFY(!packages->topLevelItem(0)->data(0, Qt::BackgroundRole).isValid());

    signIn(QStringLiteral("anna"));
    QCOMPARE(session(QStringLiteral("anna")).condition,
             QString::fromUtf8(condition).section('"', 3, 3));
    CodeView *view = openTab(*m_window, QStringLiteral("Client.java"));
    QVERIFY(view);
    for (CodeView *tab : {early, view}) {
        QCOMPARE(tab->sideBarView()->isVisibleTo(tab), colours);
        QCOMPARE(tab->overviewView()->isVisibleTo(tab), colours);
        QVERIFY(!tab->backgrounds().isEmpty());
        for (BackgroundFracture *band : tab->backgrounds())
            QCOMPARE(band->isVisible(), colours);
    }
    QCOMPARE(packages->topLevelItem(0)->data(0, Qt::BackgroundRole).isValid(), colours);
    QCOMPARE(palette->isVisible(), changeable);
    QCOMPARE(child<QDockWidget>(window, "dockWidget_colorAssignments")->isVisible(), changeable);
    QCOMPARE(child<QAction>(window, "actionColorPicker")->isVisible(), changeable);
    QCOMPARE(child<QAction>(window, "actionColorSaves")->isEnabled(), changeable);
    QCOMPARE(slider->isVisible(), colours);
    QCOMPARE(slider->isEnabled(), changeable);
    QCOMPARE(slider->value(), opacity);
    QCOMPARE(view->opacity(), opacity);
    QCOMPARE(early->opacity(), opacity);
    QCOMPARE(tree->colorsLocked(), !changeable);
    QCOMPARE(tree->acceptDrops(), changeable);
    QCOMPARE(child<SMVTreeWidget>(window, "treeWidget_featureView")->acceptDrops(), changeable);
    QCOMPARE(tree->contextMenuPolicy(),
             changeable ? Qt::CustomContextMenu : Qt::NoContextMenu);
    QStringList withColour;
    for (Feature &feature : *tree->features()) {
        if (!m_window->colorManager()->standsForNoColor(feature.color()))
            withColour << feature.name();
    }
    QCOMPARE(withColour, coloured);
}

void TestStudyConditions::noColourConditionShowsNoFeatureColour_data()
{
    QTest::addColumn<bool>("colours");
    QTest::newRow("no colours") << false;
    QTest::newRow("colours, for comparison") << true;
}

void TestStudyConditions::noColourConditionShowsNoFeatureColour()
{
    QFETCH(bool, colours);
    writeDesign(oneCondition(colours ? R"({"name": "c"})" : R"({"name": "c", "colours": false})"));
    open();
    signIn(QStringLiteral("anna"));
    QVERIFY(openTab(*m_window, QStringLiteral("Client.java")));
    child<SMVTreeWidget>(*m_window, "treeWidget_packageView")->expandAll();
    // Even features that have colours (here given behind the window's back)
    // show none of them.
    ColorManager *manager = m_window->colorManager();
    const QList<QColor> given{QColor(255, 140, 0), QColor(0, 200, 200)};
    for (int i = 0; i < given.size(); ++i) {
        PaletteColor *colour = manager->createColor(given.at(i));
        manager->ColorArray.append(colour);
        QVERIFY(manager->assignColor(m_window->featureTree()->findFeature(i ? "Tcp" : "Logging"),
                                     colour));
    }
    m_window->updateAllColors();
    m_window->projectReader()->recolorFeatures({m_window->featureTree()->findFeature("Tcp"),
                                                m_window->featureTree()->findFeature("Logging")});
    QTest::qWait(50);
    const QImage shot = m_window->grab().toImage();
    for (const QColor &colour : given) {
        const int pixels = pixelsOf(shot, colour, 170);
        QVERIFY2(colours ? pixels > 20 : pixels == 0,
                 qPrintable(QStringLiteral("%1 pixels of %2").arg(pixels).arg(colour.name())));
    }
}

void TestStudyConditions::lockedDropChangesNothing_data()
{
    QTest::addColumn<QByteArray>("condition");
    QTest::addColumn<bool>("assigns");
    QTest::newRow("locked") << QByteArray(R"({"name": "l", "locked": true})") << false;
    QTest::newRow("no colours") << QByteArray(R"({"name": "l", "colours": false})") << false;
    QTest::newRow("colours, for comparison") << QByteArray(R"({"name": "c"})") << true;
}

void TestStudyConditions::lockedDropChangesNothing()
{
    QFETCH(QByteArray, condition);
    QFETCH(bool, assigns);
    writeDesign(oneCondition(condition));
    open();
    signIn(QStringLiteral("anna"));
    FeatureTreeWidget *tree = m_window->featureTree();
    auto *palette = child<QListWidget>(*m_window, "listWidget");
    palette->setCurrentRow(0);
    const auto mime = paletteDragData(palette);
    const qsizetype before = logSize(*m_window);
    const int viewRowsBefore = int(viewRows("anna_bernd").size());
    QTreeWidgetItem *tcp = tree->findLeafItem(QStringLiteral("Tcp"));
    const QPoint at = tree->viewport()->mapTo(m_window.get(), tree->visualItemRect(tcp).center());
    deliverDrag(m_window.get(), at, mime.get());
    Feature *feature = tree->findFeature(QStringLiteral("Tcp"));
    QCOMPARE(!m_window->colorManager()->standsForNoColor(feature->color()), assigns);
    QCOMPARE(newLogEntries(*m_window, before),
             assigns ? QStringList{"assignColor<1>"} : QStringList{});
    // Nor can a colour be taken away, one by one or for the selection.
    tree->selectOnly(tcp);
    tree->removeColorAssignmentFromSelection();
    tree->assignAutomatically();
    QCOMPARE(newLogEntries(*m_window, before).size(), assigns ? 3 : 0);
    QCOMPARE(viewRows("anna_bernd").size() > viewRowsBefore, assigns);
}

void TestStudyConditions::participantsOneAfterAnother()
{
    writeDesign(R"({ "conditions": [ { "name": "colour" }, { "name": "plain", "colours": false } ],
  "assign": "balanced", "taskOrder": "latin-square" })");
    // Three tasks: rows of the balanced Latin square for participants 1 to 4.
    const QList<QList<int>> orders{{1, 2, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
    const QStringList conditions{"colour", "plain", "colour", "plain"};
    const QStringList firstTasks{"Erste Aufgabe", "Zweite Aufgabe", "Dritte Aufgabe",
                                 "Dritte Aufgabe"};
    for (int i = 0; i < 4; ++i) {
        const QString account = QStringLiteral("p0%1").arg(i + 1);
        open();
        signIn(account);
        const SessionFile written = session(account);
        QCOMPARE(written.condition, conditions.at(i));
        QCOMPARE(written.taskOrder, orders.at(i));
        QCOMPARE(written.number, i + 1);
        QCOMPARE(written.sittings.size(), 1);
        // The first task page shows the first task of the order.
        QCOMPARE(dialog()->currentPage(), 1);
        QVERIFY(dialog()->findChild<QStackedWidget *>()->currentWidget()
                    ->findChildren<QTextEdit *>().first()->toPlainText()
                    .contains(firstTasks.at(i)));
        QCOMPARE(m_window->featureTree()->colorsLocked(), conditions.at(i) == "plain");
        m_window->close();
        m_window.reset();
        QVERIFY(session(account).sittings.first().end.isValid());
    }
    // The first participant comes back: same condition, same order, a second sitting.
    open();
    signIn(QStringLiteral("p01"));
    const SessionFile again = session(QStringLiteral("p01"));
    QCOMPARE(again.condition, QStringLiteral("colour"));
    QCOMPARE(again.taskOrder, orders.first());
    QCOMPARE(again.number, 1);
    QCOMPARE(again.sittings.size(), 2);
    QVERIFY(!again.sittings.last().end.isValid());
    QCOMPARE(again.materials,
             StudyMaterials::hash(m_project,
                                  StudyMaterials::files(StudyDesign::readFolder(m_project).design,
                                                        {"src/chat/Client.java", "src/Main.java"})));
    QCOMPARE(again.version, QStringLiteral(FEATUREHUE_VERSION));
    QVERIFY(again.screen.width > 0 && again.screen.height > 0);
}

void TestStudyConditions::answersKeepTheOrderOfTheQuestions()
{
    writeDesign("{}", "account,condition,order\nanna,,3 1 2\n");
    open();
    signIn(QStringLiteral("anna"));
    QCOMPARE(session(QStringLiteral("anna")).taskOrder, (QList<int>{3, 1, 2}));
    const auto typeOnPage = [this](const QStringList &answers) {
        QWidget *page = dialog()->findChild<QStackedWidget *>()->currentWidget();
        int k = 0;
        for (QTextEdit *box : page->findChildren<QTextEdit *>()) {
            if (!box->isReadOnly())
                box->setPlainText(answers.value(k++));
        }
    };
    typeOnPage({"c"}); // task 3
    next();
    typeOnPage({"antwort"}); // task 1
    next();
    typeOnPage({"a", "b"}); // task 2
    next();
    // The boxes in the order of questions.txt, as for everybody else.
    QCOMPARE(readFile(file("anna_bernd_answers.txt")), QByteArray("antwort$a$b$c$\n"));
    // The log counts pages: task0 is the first page, whichever task it showed.
    QCOMPARE(logRecords(*m_window).mid(1).size(), 2);
    const QByteArray log = readFile(file("anna_bernd_log.txt"));
    QVERIFY(log.contains("task1$$taskCompleted$"));
    QVERIFY(log.contains("task2$$taskCompleted$"));
    QCOMPARE(viewRows("anna_bernd").filter(QRegularExpression("^page ")),
             (QStringList{"page task0 3", "page task1 1", "page task2 2"}));
}

void TestStudyConditions::resumingKeepsTheOrder()
{
    writeDesign("{}", "account,condition,order\nanna,,3 1 2\n");
    open();
    signIn(QStringLiteral("anna"));
    next();
    next(); // completes the second page
    m_window.reset(); // killed: no close, no end of the sitting
    QVERIFY(!session(QStringLiteral("anna")).sittings.first().end.isValid());
    // The order in participants.csv changes later; the participant keeps theirs.
    writeDesign("{}", "account,condition,order\nanna,,1 2 3\n");
    open();
    signIn(QStringLiteral("anna"));
    QVERIFY(dialog()->resumed);
    QCOMPARE(dialog()->currentPage(), 3);
    QCOMPARE(dialog()->taskAtPage(3), 2);
    QCOMPARE(session(QStringLiteral("anna")).taskOrder, (QList<int>{3, 1, 2}));
    QCOMPARE(session(QStringLiteral("anna")).sittings.size(), 2);
}

void TestStudyConditions::withoutStudyJsonTheOrderIsTheFile()
{
    open();
    QVERIFY(!m_window->featureTree()->colorsLocked());
    QVERIFY(child<QDockWidget>(*m_window, "dockWidget_colors")->isVisible());
    signIn(QStringLiteral("anna"));
    const SessionFile written = session(QStringLiteral("anna"));
    QCOMPARE(written.condition, QString());
    QCOMPARE(written.taskOrder, (QList<int>{1, 2, 3}));
    QVERIFY(child<QDockWidget>(*m_window, "dockWidget_colors")->isVisible());
    QVERIFY(!m_window->featureTree()->colorsLocked());
}

void TestStudyConditions::designWithErrorsStopsTheViewer_data()
{
    QTest::addColumn<QByteArray>("studyJson");
    QTest::addColumn<QByteArray>("participants");
    QTest::addColumn<QString>("named"); // path:line:column the dialog names

    QTest::newRow("study.json that does not parse")
        << QByteArray("{\n  \"conditions\": [\n") << QByteArray() << "study.json:3:1";
    QTest::newRow("an unknown key") << QByteArray("{\n  \"taskorder\": \"fixed\"\n}")
                                    << QByteArray() << "study.json:2:3";
    QTest::newRow("a condition's assignment file missing")
        << oneCondition(R"({"name": "p", "assignment": "savedColorAssignments/gone.txt"})")
        << QByteArray() << "study.json:1:47";
    QTest::newRow("participants.csv naming an unknown condition")
        << oneCondition(R"({"name": "colour"})")
        << QByteArray("account,condition\np01,colours\n") << "participants.csv:2:5";
    QTest::newRow("participants.csv with a quote left open")
        << QByteArray() << QByteArray("account,condition\n\"p01,x\n") << "participants.csv:2:1";
    QTest::newRow("an order that is no order of the tasks")
        << QByteArray("{}") << QByteArray("account,condition,order\np01,,1 2\n")
        << "participants.csv:2:6";
}

void TestStudyConditions::designWithErrorsStopsTheViewer()
{
    QFETCH(QByteArray, studyJson);
    QFETCH(QByteArray, participants);
    QFETCH(QString, named);
    writeDesign(studyJson, participants);
    const QStringList before = QDir(m_project).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QString text;
    ModalCloser closer([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        text = box->text();
        box->close();
    });
    OutputCapture errors;
    m_window = std::make_unique<MainWindow>(m_project);
    QVERIFY(!m_window->hasProject());
    QVERIFY(m_window->studyRefused());
    QVERIFY2(text.contains(named + ": error"), qPrintable(text));
    QVERIFY(errors.text().contains(named + ": error"));
    QCOMPARE(QDir(m_project).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void TestStudyConditions::signInRefused_data()
{
    QTest::addColumn<QByteArray>("sessionFile"); // anna's, null: none
    QTest::addColumn<QByteArray>("preset");      // the condition's assignment file
    QTest::addColumn<QString>("named");

    QTest::newRow("a session file that does not read")
        << QByteArray("{\"account\": \"anna\",") << preset << "anna_bernd_session.json:1:20";
    QTest::newRow("a session file naming a condition study.json has not")
        << QByteArray(R"({"account": "anna", "user": "bernd", "condition": "old", "taskOrder": [1, 2, 3]})")
        << preset << "anna_bernd_session.json: error";
    QTest::newRow("an assignment that cannot be applied")
        << QByteArray() << QByteArray("<notAnAssignment/>") << "savedColorAssignments/preset1.txt";
}

void TestStudyConditions::signInRefused()
{
    QFETCH(QByteArray, sessionFile);
    QFETCH(QByteArray, preset);
    QFETCH(QString, named);
    writeDesign(oneCondition(R"({"name": "p", "assignment": "savedColorAssignments/preset1.txt"})"));
    QVERIFY(writeFile(file("savedColorAssignments/preset1.txt"), preset));
    if (!sessionFile.isNull())
        QVERIFY(writeFile(file("anna_bernd_session.json"), sessionFile));
    open();
    const QStringList before = QDir(m_project).entryList(QDir::Files);
    const QList<PaletteColor *> palette = m_window->colorManager()->ColorArray;
    QString text;
    ModalCloser closer([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        text = box->text();
        box->close();
    });
    OutputCapture errors;
    signIn(QStringLiteral("anna"));
    QVERIFY2(text.contains(named), qPrintable(text));
    QVERIFY(errors.text().contains(named));
    // Still on the account page; nothing written in the participant's name,
    // nothing of the condition applied.
    QCOMPARE(dialog()->currentPage(), 0);
    QCOMPARE(QDir(m_project).entryList(QDir::Files), before);
    QCOMPARE(m_window->colorManager()->ColorArray, palette);
    QVERIFY(m_window->featureTree()->colorsLocked());
}

void TestStudyConditions::unwritableFolderTheSittingGoesOn()
{
    writeDesign(oneCondition(R"({"name": "c"})"));
    open();
    OutputCapture errors;
    {
        ReadOnlyFolder readOnly(m_project);
        QVERIFY(readOnly.isActive());
        signIn(QStringLiteral("anna"));
        QVERIFY(openTab(*m_window, QStringLiteral("Client.java")));
        QCOMPARE(dialog()->currentPage(), 1);
        // The condition still applies, though its session file is not written.
        QVERIFY(!m_window->featureTree()->colorsLocked());
        next();
        QCOMPARE(dialog()->currentPage(), 2);
    }
    QVERIFY(!QFile::exists(file("anna_bernd_session.json")));
    const QString said = errors.text();
    QVERIFY2(said.contains("cannot write " + file("anna_bernd_session.json")), qPrintable(said));
    QVERIFY2(said.contains("cannot write " + file("anna_bernd_view.csv")), qPrintable(said));
    // Said once for the view file, not at every row.
    QCOMPARE(said.count("anna_bernd_view.csv"), 1);
}

void TestStudyConditions::viewFileOfASitting()
{
    open();
    signIn(QStringLiteral("anna"));
    CodeView *view = openTab(*m_window, QStringLiteral("Client.java"));
    QVERIFY(view);
    const QPair<int, int> lines = view->visibleLineRange();
    QTRY_COMPARE(viewRows("anna_bernd").size(), 4);

    // A colour given by a drop, and taken away again.
    FeatureTreeWidget *tree = m_window->featureTree();
    auto *palette = child<QListWidget>(*m_window, "listWidget");
    palette->setCurrentRow(2);
    const QString colour = palette->currentItem()->background().color().name();
    const auto mime = paletteDragData(palette);
    QTreeWidgetItem *tcp = tree->findLeafItem(QStringLiteral("Tcp"));
    deliverDrag(m_window.get(),
                tree->viewport()->mapTo(m_window.get(), tree->visualItemRect(tcp).center()),
                mime.get());
    tree->removeRowColor(tcp);
    child<QSlider>(*m_window, "horizontalSlider")->setValue(50);
    QTRY_COMPARE(viewRows("anna_bernd").size(), 7);
    auto *find = child<QLineEdit>(*m_window, "lineEdit_find");
    find->setText(QStringLiteral("port"));
    m_window->search();
    // The application had the focus (the offscreen platform may not say so).
    ViewRecorder *recorder = m_window->viewRecorder();
    recorder->applicationStateChanged(Qt::ApplicationActive);
    // Away and back within the stillness: the focus never left.
    recorder->applicationStateChanged(Qt::ApplicationInactive);
    recorder->applicationStateChanged(Qt::ApplicationActive);
    QTest::qWait(ViewRecorder::StillnessMs * 2);
    QCOMPARE(viewRows("anna_bernd").size(), 8);
    recorder->applicationStateChanged(Qt::ApplicationInactive);
    QTRY_COMPARE(viewRows("anna_bernd").size(), 9);
    recorder->applicationStateChanged(Qt::ApplicationActive);
    next();
    m_window->close();
    // Nothing after the window closed.
    m_window->viewRecorder()->search(QStringLiteral("current"), QStringLiteral("late"));

    const QString shown = QStringLiteral("view task0 /src/chat/Client.java %1 %2 170")
                              .arg(lines.first)
                              .arg(lines.second);
    QCOMPARE(viewRows("anna_bernd"),
             (QStringList{"page task0 1", "view task0", "opacity task0 170", shown,
                          "colour task0 Tcp=" + colour, "colour task0 Tcp=", "opacity task0 50",
                          "search task0 current:port", "focus-out task0", "focus-in task0",
                          "page task1 2", "close task1"}));
    // Rows stand in the order of their times.
    const ViewFile::Reading reading =
        ViewFile::read(readFile(file("anna_bernd_view.csv")), QStringLiteral("v"));
    for (qsizetype i = 1; i < reading.rows.size(); ++i)
        QVERIFY(reading.rows.at(i - 1).time <= reading.rows.at(i).time);
}

void TestStudyConditions::viewRowWaitsForStillness()
{
    QVERIFY(writeFile(file("src/Long.java"), QByteArray("int x;\n").repeated(400)));
    QByteArray annotations = readFile(file("annotations.xml"));
    annotations.replace("    <file name=\"Main.java\"",
                        "    <file name=\"Long.java\" length=\"401\"/>\n    <file name=\"Main.java\"");
    QVERIFY(writeFile(file("annotations.xml"), annotations));
    open();
    signIn(QStringLiteral("anna"));
    CodeView *view = openTab(*m_window, QStringLiteral("Long.java"));
    QVERIFY(view);
    QTRY_COMPARE(viewRows("anna_bernd").size(), 4);
    QScrollBar *bar = view->codeGraphicsView()->verticalScrollBar();
    QVERIFY(bar->maximum() > 1000);
    // Scrolling on: only where it stops is written, with the time it got there.
    QDateTime last;
    for (int step = 1; step <= 5; ++step) {
        bar->setValue(step * 200);
        last = m_now;
        QTest::qWait(ViewRecorder::StillnessMs / 5);
    }
    QTRY_COMPARE(viewRows("anna_bernd").size(), 5);
    const ViewFile::Row row =
        ViewFile::read(readFile(file("anna_bernd_view.csv")), "v").rows.constLast();
    QCOMPARE(row.first, view->visibleLineRange().first);
    QVERIFY(row.first > 1);
    QCOMPARE(row.time, last);
    QTest::qWait(ViewRecorder::StillnessMs * 2);
    QCOMPARE(viewRows("anna_bernd").size(), 5);
}

void TestStudyConditions::viewRowsBeforeSignIn()
{
    open();
    QVERIFY(openTab(*m_window, QStringLiteral("Main.java")));
    QTRY_COMPARE(viewRows("_bernd").size(), 1);
    QVERIFY(viewRows("_bernd").first().startsWith("view code /src/Main.java 1 "));
    signIn(QStringLiteral("anna"));
    QCOMPARE(viewRows("_bernd").size(), 1);
    QCOMPARE(viewRows("anna_bernd").first(), QStringLiteral("page task0 1"));
    QVERIFY(viewRows("anna_bernd").at(1).startsWith("view task0 /src/Main.java 1 "));
}

void TestStudyConditions::loadedAssignmentGivesOneRowPerFeature()
{
    writeDesign(oneCondition(R"({"name": "p", "assignment": "savedColorAssignments/preset1.txt"})"));
    open();
    signIn(QStringLiteral("anna"));
    // The condition's preset, as changes after what the screen showed.
    QCOMPARE(viewRows("anna_bernd"),
             (QStringList{"page task0 1", "view task0", "opacity task0 170",
                          "colour task0 Base=#e61e1e", "colour task0 Tcp=#00c8c8"}));
    // Taking Base's colour away writes that one row.
    m_window->featureTree()->removeRowColor(m_window->featureTree()->findLeafItem("Base"));
    QCOMPARE(viewRows("anna_bernd").constLast(), QStringLiteral("colour task0 Base="));
}

QTEST_MAIN(TestStudyConditions)
#include "tst_studyconditions.moc"
