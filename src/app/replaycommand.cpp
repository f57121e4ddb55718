#include "replaycommand.h"

#include "app/subcommands.h"
#include "core/cli/subcommandarguments.h"
#include "core/formats/diagnostics.h"
#include "core/study/accountname.h"
#include "replay/replaysources.h"
#include "replay/replaytimeline.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/replay/replaycontroller.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

const QString Usage = QStringLiteral(
    "STUDY_FOLDER ACCOUNT [--user NAME] [--at SECONDS] [--print-state] [--screenshot FILE]");

// The window's size for a screenshot when the session file names no screen.
constexpr QSize DefaultScreen(1600, 1000);

struct Request
{
    QString folder;
    QString account;
    std::optional<QString> user;
    std::optional<double> at; // seconds since the start of the sitting
    bool printState = false;
    QString screenshot;
};

void printLine(FILE *stream, const QString &line)
{
    writeConsoleLine(stream, QStringLiteral("featurehue replay: ") + line);
}

// A name that becomes part of a file name in the folder: never a path.
bool namesAFile(const QString &name, bool mayBeEmpty)
{
    const AccountName::Refusal refusal = AccountName::check(name).refusal;
    return refusal == AccountName::Refusal::None
           || (mayBeEmpty && refusal == AccountName::Refusal::Empty);
}

// The request, or the exit status when there is none.
std::optional<Request> parse(const QStringList &arguments, int *status)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Opens the viewer read-only on STUDY_FOLDER as the participant ACCOUNT saw it, with a "
        "replay bar under the code. Nothing is written into the folder."));
    const QCommandLineOption user(
        QStringLiteral("user"),
        QStringLiteral("The user part of the file names (anna_NAME_log.txt), needed when the "
                       "folder holds the account more than once."),
        QStringLiteral("NAME"));
    const QCommandLineOption at(
        QStringLiteral("at"),
        QStringLiteral("The moment to show, in seconds from the start of the first sitting "
                       "(or from the log's first record without a session file)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption printState(
        QStringLiteral("print-state"),
        QStringLiteral("Print the state at --at as JSON and exit, without a window."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Write the window as it looks at --at as a PNG file and exit, "
                       "without a display."),
        QStringLiteral("FILE.png"));
    parser.addOptions({user, at, printState, screenshot});
    *status = parseSubCommandArguments(
        parser, arguments, Usage,
        {{QStringLiteral("STUDY_FOLDER"), QStringLiteral("The project folder the study ran in.")},
         {QStringLiteral("ACCOUNT"), QStringLiteral("The participant's account name.")}},
        2, 2);
    if (*status >= 0)
        return std::nullopt;
    *status = subCommandUsageError;

    Request request;
    request.folder = QDir::cleanPath(parser.positionalArguments().at(0));
    request.account = parser.positionalArguments().at(1);
    if (!namesAFile(request.account, false)) {
        printLine(stderr, QStringLiteral("\"%1\" is no account name").arg(request.account));
        return std::nullopt;
    }
    if (parser.isSet(user)) {
        request.user = parser.value(user);
        if (!namesAFile(*request.user, true)) {
            printLine(stderr, QStringLiteral("\"%1\" is no user name").arg(*request.user));
            return std::nullopt;
        }
    }
    request.printState = parser.isSet(printState);
    request.screenshot = parser.value(screenshot);
    if (parser.isSet(at)) {
        bool ok = false;
        const double seconds = parser.value(at).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || std::abs(seconds) > 1e9) {
            printLine(stderr, QStringLiteral("--at takes seconds, not \"%1\"").arg(parser.value(at)));
            return std::nullopt;
        }
        request.at = seconds;
    }
    if ((request.printState || parser.isSet(screenshot)) && !request.at) {
        printLine(stderr, QStringLiteral("--print-state and --screenshot need --at SECONDS"));
        return std::nullopt;
    }
    if (parser.isSet(screenshot) && request.screenshot.isEmpty()) {
        printLine(stderr, QStringLiteral("--screenshot needs a file name"));
        return std::nullopt;
    }
    *status = subCommandSuccess;
    return request;
}

// The user part of the participant's file names; the exit status when the
// folder does not say it.
std::optional<QString> resolveUser(const Request &request, int *status)
{
    if (request.user)
        return request.user;
    const QStringList users = ReplaySources::usersOf(request.folder, request.account);
    if (users.size() == 1)
        return users.first();
    if (users.isEmpty()) {
        printLine(stderr, QStringLiteral("%1: no study files of the account \"%2\"")
                              .arg(request.folder, request.account));
        *status = subCommandFailure;
    } else {
        printLine(stderr, QStringLiteral("%1: the account \"%2\" is there for several users "
                                         "(%3); choose one with --user")
                              .arg(request.folder, request.account,
                                   users.join(QStringLiteral(", "))));
        *status = subCommandUsageError;
    }
    return std::nullopt;
}

// The offscreen platform warns about every window hint it cannot apply; a
// screenshot's standard error keeps to what is wrong with the study files.
void dropPlatformNoise(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    writeConsoleLine(stderr, message);
}

qint64 milliseconds(double seconds)
{
    return qint64(std::llround(seconds * 1000.0));
}

int printState(const ReplaySources &sources, double seconds)
{
    const ReplayTimeline timeline(sources.records, sources.rows, sources.settings());
    QJsonObject state = timeline.stateAt(milliseconds(seconds)).toJson();
    state.insert(QStringLiteral("time"), seconds);
    std::fputs(QJsonDocument(state).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return subCommandSuccess;
}

QSize windowSize(const ReplaySources &sources)
{
    if (!sources.session || sources.session->screen.width <= 0
        || sources.session->screen.height <= 0)
        return DefaultScreen;
    const SessionFile::Screen &screen = sources.session->screen;
    return QSize(qBound(800, screen.width, 3840), qBound(600, screen.height, 2160));
}

int writeScreenshot(const ReplaySources &sources, const Request &request)
{
    MainWindow window(sources.folder, MainWindow::Purpose::Replay);
    ReplayController controller(&window, sources);
    window.showNormal();
    window.resize(windowSize(sources));
    QCoreApplication::processEvents();
    controller.showAt(milliseconds(*request.at));
    // Deleted tabs, layouts and repaints settle before the picture is taken.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    controller.showAt(milliseconds(*request.at));
    if (!window.grab().save(request.screenshot, "PNG")) {
        printLine(stderr, QStringLiteral("%1: cannot be written").arg(request.screenshot));
        return subCommandFailure;
    }
    return subCommandSuccess;
}

int runWindow(const ReplaySources &sources, const Request &request)
{
    MainWindow window(sources.folder, MainWindow::Purpose::Replay);
    ReplayController controller(&window, sources);
    if (request.at)
        controller.showAt(milliseconds(*request.at));
    window.show();
    return QApplication::exec();
}

// Reads what there is to replay and says what is missing; the exit status
// when nothing can be replayed.
std::optional<ReplaySources> load(const Request &request, const QString &user, int *status)
{
    ReplaySources sources = ReplaySources::load(request.folder, request.account, user);
    Diagnostics diagnostics;
    for (const Diagnostic &problem : std::as_const(sources.problems))
        diagnostics.report(problem);
    if (sources.replayable())
        return sources;
    printLine(stderr, QStringLiteral("%1: nothing to replay for %2 (%3): no record in the log "
                                     "and no row in the view file")
                          .arg(request.folder, request.account, user));
    *status = subCommandFailure;
    return std::nullopt;
}

} // namespace

int runReplayCommand(int &argc, char **argv, const QStringList &arguments)
{
    int status = subCommandSuccess;
    const std::optional<Request> request = parse(arguments, &status);
    if (!request)
        return status;
    if (!QFileInfo(request->folder).isDir()) {
        printLine(stderr, QStringLiteral("%1: no such folder").arg(request->folder));
        return subCommandFailure;
    }
    // Everything that can go wrong with the folder is said before any window
    // system is asked for, so it is said without a display too.
    const std::optional<QString> user = resolveUser(*request, &status);
    if (!user)
        return status;
    const std::optional<ReplaySources> sources = load(*request, *user, &status);
    if (!sources)
        return status;

    const bool headless = request->printState || !request->screenshot.isEmpty();
    std::unique_ptr<QCoreApplication> application;
    if (headless && request->screenshot.isEmpty()) {
        application = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (headless) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            qInstallMessageHandler(dropPlatformNoise);
        }
        provideRuntimeFolder();
        application = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("featurehue"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FEATUREHUE_VERSION));

    if (request->printState)
        status = printState(*sources, *request->at);
    if (!request->screenshot.isEmpty() && status == subCommandSuccess)
        status = writeScreenshot(*sources, *request);
    if (headless)
        return status;
    return runWindow(*sources, *request);
}
