// The helpers the tests share: when they fail, tests pass on nothing or hang.
#include "support/diskfull.h"
#include "support/modalcloser.h"
#include "support/outputcapture.h"
#include "support/platformmessages.h"
#include "support/testfiles.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace TestSupport;

namespace {

// A dialog that neither rejects nor lets itself be closed.
class StubbornDialog : public QDialog
{
public:
    void reject() override {}

protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

QStringList passedMessages;

void collectMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    passedMessages << message;
}

} // namespace

class TestTestSupport : public QObject
{
    Q_OBJECT

private slots:
    void writeFileLeavesExactlyTheBytes_data();
    void writeFileLeavesExactlyTheBytes();
    void readFileTellsMissingFromEmpty();
    void outputCaptureKeepsEverything_data();
    void outputCaptureKeepsEverything();
    void modalCloserEndsEveryExec_data();
    void modalCloserEndsEveryExec();
    void platformFilterDropsOnlyTheHintWarnings_data();
    void platformFilterDropsOnlyTheHintWarnings();
};

void TestTestSupport::writeFileLeavesExactlyTheBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before"); // null: no file there yet
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("new file in the folder") << "a.txt" << QByteArray() << QByteArray("text\n");
    QTest::newRow("missing parent folders are made")
        << "src/deep/er/A.java" << QByteArray() << QByteArray("class A {}\n");
    QTest::newRow("a longer old file is cut to the new bytes")
        << "model.m" << QByteArray(5000, 'x') << QByteArray("Root : A ;\n");
    QTest::newRow("empty bytes leave an empty file")
        << "empty.txt" << QByteArray("old") << QByteArray("");
    QTest::newRow("zero bytes and binary content")
        << "bin/data" << QByteArray() << binaryBytes(70000);
}

void TestTestSupport::writeFileLeavesExactlyTheBytes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    if (!before.isNull())
        QVERIFY(writeFile(path, before));
    QVERIFY(writeFile(path, bytes));
    QCOMPARE(readFile(path), bytes);
}

void TestTestSupport::readFileTellsMissingFromEmpty()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString empty = dir.filePath(QStringLiteral("empty"));
    QVERIFY(writeFile(empty, QByteArray()));
    const QString missing = dir.filePath(QStringLiteral("missing"));
    QVERIFY(readFile(missing) != readFile(empty));
    QCOMPARE(readFile(missing, QByteArray()), QByteArray());

    // A folder where the file should go: writing fails and says so.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    QVERIFY(!writeFile(dir.filePath(QStringLiteral("taken")), "bytes"));
}

void TestTestSupport::outputCaptureKeepsEverything_data()
{
    QTest::addColumn<int>("fd");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("diskFull");

    QTest::newRow("one line on standard error") << int(STDERR_FILENO) << 40 << false;
    QTest::newRow("buffered standard output") << int(STDOUT_FILENO) << 40 << false;
    QTest::newRow("more than a pipe holds") << int(STDERR_FILENO) << 300000 << false;
    QTest::newRow("while no file can grow") << int(STDERR_FILENO) << 2000 << true;
}

void TestTestSupport::outputCaptureKeepsEverything()
{
    QFETCH(int, fd);
    QFETCH(int, size);
    QFETCH(bool, diskFull);

    QByteArray bytes;
    for (int line = 0; bytes.size() < size; ++line)
        bytes += "line " + QByteArray::number(line) + " of the captured output\n";
    std::FILE *stream = fd == STDOUT_FILENO ? stdout : stderr;

    // Nothing may fail between capture and restore: QtTest writes to stdout.
    QString text;
    bool full = true;
    {
        std::unique_ptr<DiskFull> noSpace;
        if (diskFull) {
            noSpace = std::make_unique<DiskFull>();
            full = noSpace->isActive();
        }
        OutputCapture capture(fd);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
        text = capture.text();
    }
    QVERIFY(full);
    QCOMPARE(text.toUtf8(), bytes);
}

void TestTestSupport::modalCloserEndsEveryExec_data()
{
    QTest::addColumn<QString>("window");  // "box", "dialog" or "stubborn"
    QTest::addColumn<QString>("handler"); // what the handler does with it
    QTest::addColumn<int>("runs");        // exec() calls on the same window
    QTest::addColumn<int>("result");      // what the last exec() returned
    QTest::addColumn<int>("forced");

    QTest::newRow("box answered with the handler's button")
        << "box" << "cancel" << 1 << int(QMessageBox::Cancel) << 0;
    QTest::newRow("dialog the handler accepts") << "dialog" << "accept" << 1
                                                << int(QDialog::Accepted) << 0;
    QTest::newRow("dialog the handler leaves open is rejected")
        << "dialog" << "nothing" << 1 << int(QDialog::Rejected) << 0;
    QTest::newRow("the same dialog run again is a new window")
        << "dialog" << "accept" << 2 << int(QDialog::Accepted) << 0;
    QTest::newRow("a dialog that refuses to close is hidden after the limit")
        << "stubborn" << "nothing" << 1 << int(QDialog::Rejected) << 1;
}

void TestTestSupport::modalCloserEndsEveryExec()
{
    QFETCH(QString, window);
    QFETCH(QString, handler);
    QFETCH(int, runs);
    QFETCH(int, result);
    QFETCH(int, forced);

    std::unique_ptr<QDialog> dialog;
    if (window == QLatin1String("box")) {
        dialog = std::make_unique<QMessageBox>(QMessageBox::Question, QStringLiteral("Title"),
                                               QStringLiteral("Go on?"),
                                               QMessageBox::Ok | QMessageBox::Cancel);
    } else if (window == QLatin1String("stubborn")) {
        dialog = std::make_unique<StubbornDialog>();
    } else {
        dialog = std::make_unique<QDialog>();
    }
    dialog->setWindowTitle(QStringLiteral("Title"));

    const int limitMs = 200;
    QStringList seen;
    ModalCloser closer(
        [&](QWidget *modal) {
            seen << modal->metaObject()->className();
            if (handler == QLatin1String("cancel"))
                static_cast<QMessageBox *>(modal)->button(QMessageBox::Cancel)->click();
            else if (handler == QLatin1String("accept"))
                static_cast<QDialog *>(modal)->accept();
        },
        limitMs);
    QElapsedTimer clock;
    clock.start();
    int last = -1;
    for (int run = 0; run < runs; ++run)
        last = dialog->exec();

    QCOMPARE(last, result);
    QCOMPARE(closer.handled(), runs);
    QCOMPARE(seen.size(), runs);
    QCOMPARE(seen.first(), QString::fromLatin1(dialog->metaObject()->className()));
    QCOMPARE(closer.texts().first(),
             window == QLatin1String("box") ? QStringLiteral("Go on?") : QStringLiteral("Title"));
    QCOMPARE(closer.forced(), forced);
    if (forced)
        QVERIFY(clock.elapsed() >= limitMs);
    QVERIFY(!dialog->isVisible());
}

void TestTestSupport::platformFilterDropsOnlyTheHintWarnings_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("passed");

    QTest::newRow("offscreen window-hint warning")
        << int(QtWarningMsg) << "This plugin does not support propagateSizeHints()" << false;
    QTest::newRow("any other warning")
        << int(QtWarningMsg) << "QFile::open: No file name specified" << true;
    QTest::newRow("the same words as a critical message")
        << int(QtCriticalMsg) << "This plugin does not support raise()" << true;
    QTest::newRow("the words inside a longer warning")
        << int(QtWarningMsg) << "Window: This plugin does not support raise()" << true;
}

void TestTestSupport::platformFilterDropsOnlyTheHintWarnings()
{
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(bool, passed);

    passedMessages.clear();
    const QtMessageHandler testHandler = qInstallMessageHandler(collectMessage);
    installPlatformMessageFilter();
    installPlatformMessageFilter(); // a second call must not loop
    qt_message_output(QtMsgType(type), QMessageLogContext(), message);
    qInstallMessageHandler(testHandler);

    QCOMPARE(passedMessages, passed ? QStringList{message} : QStringList());
}

QTEST_MAIN(TestTestSupport)
#include "tst_testsupport.moc"
