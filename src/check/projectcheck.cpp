#include "projectcheck.h"

#include "import/conditionalscanner.h"
#include "core/formats/diagnostics.h"
#include "core/model/featurematcher.h"
#include "core/model/featuremodel.h"
#include "core/model/projectmodel.h"
#include "core/formats/textdecoding.h"
#include "core/formats/questionsfile.h"
#include "core/study/writablefolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString modelName = QStringLiteral("model.m");
const QString projectFileName = QStringLiteral("annotations.xml");
const QString questionsName = QStringLiteral("questions.txt");

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Line and column (both from 1) of positions in a text.
class TextPositions
{
public:
    explicit TextPositions(const QString &text)
    {
        m_starts.append(0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('\n'))
                m_starts.append(i + 1);
        }
    }
    int line(qsizetype offset) const
    {
        return int(std::upper_bound(m_starts.begin(), m_starts.end(), offset) - m_starts.begin());
    }
    int column(qsizetype offset) const { return int(offset - m_starts.at(line(offset) - 1)) + 1; }

private:
    QList<qsizetype> m_starts;
};

// Where the names of model.m's statements stand in the file. The split is
// the feature model reader's (parseFeatureModel), done again on the text with
// each character's offset kept.
struct LocatedStatement
{
    qsizetype head = 0;
    QList<qsizetype> children;
    qsizetype ignored = -1; // a second colon
};

QList<LocatedStatement> locateStatements(const QString &text)
{
    QString stripped;
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (stripFeatureModelText(QString(c)).isEmpty())
            continue;
        stripped.append(c);
        offsets.append(i);
    }
    offsets.append(text.size());
    QList<LocatedStatement> statements;
    qsizetype start = 0;
    while (start <= stripped.size()) {
        qsizetype stop = stripped.indexOf(QLatin1Char(';'), start);
        if (stop < 0)
            stop = stripped.size();
        if (stop > start) {
            LocatedStatement statement;
            statement.head = offsets.at(start);
            const qsizetype colon = stripped.indexOf(QLatin1Char(':'), start);
            if (colon >= 0 && colon < stop) {
                qsizetype child = colon + 1;
                for (;;) {
                    statement.children.append(offsets.at(child));
                    const qsizetype bar = stripped.indexOf(QLatin1Char('|'), child);
                    const qsizetype second = stripped.indexOf(QLatin1Char(':'), child);
                    const qsizetype childEnd = std::min(second < 0 ? stop : second, stop);
                    if (bar < 0 || bar >= childEnd) {
                        if (childEnd < stop)
                            statement.ignored = offsets.at(childEnd);
                        break;
                    }
                    child = bar + 1;
                }
            }
            statements.append(statement);
        }
        start = stop + 1;
    }
    return statements;
}

} // namespace

ProjectCheck::ProjectCheck(const QString &folder, Diagnostics &diagnostics)
    : m_folder(QDir::cleanPath(folder)), m_diagnostics(diagnostics)
{
}

ProjectCheck::~ProjectCheck() = default;

void ProjectCheck::run()
{
    checkWritable();
    checkFeatureModel();
    m_matcher = std::make_unique<FeatureMatcher>(&m_features);
    // Without a project file every source would be "not listed".
    if (checkProjectFile())
        checkUnlistedSources();
    checkQuestions();
}

void ProjectCheck::checkWritable()
{
    // The viewer refuses to start a sitting where it could keep no log and
    // no answers; better learnt before the participant arrives.
    const QString problem = WritableFolder::problem(m_folder);
    if (!problem.isEmpty())
        m_diagnostics.warning(QStringLiteral("."), 0, 0,
                              QStringLiteral("the project folder cannot be written (%1): the "
                                             "viewer refuses to start a sitting in it")
                                  .arg(problem));
}

void ProjectCheck::checkFeatureModel()
{
    QFile file(m_folder + QLatin1Char('/') + modelName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_diagnostics.error(modelName, 0, 0,
                            QStringLiteral("cannot be read (%1); the viewer shows one feature, "
                                           "\"empty\"").arg(file.errorString()));
        m_features.append(Feature(0, QStringLiteral("empty")));
        m_names.insert(QStringLiteral("empty"));
        return;
    }
    const QString text = decodeText(file.readAll(), NulCharacters::EndText);
    const QList<FeatureStatement> statements = parseFeatureModel(text);
    QList<LocatedStatement> located = locateStatements(text);
    if (located.size() != statements.size())
        located = QList<LocatedStatement>(statements.size());
    const TextPositions positions(text);
    const auto at = [&](qsizetype offset, Diagnostic::Severity severity, const QString &message) {
        m_diagnostics.report({modelName, positions.line(offset), positions.column(offset),
                              severity, message});
    };

    // The feature tree as the viewer builds it, then what is wrong with each
    // statement, in the order of the statements.
    FeatureTree tree = buildFeatureTree(statements);
    const auto firstOffset = [&located](const FeatureTree::Item &item) -> qsizetype {
        if (item.statement >= located.size())
            return 0;
        const LocatedStatement &where = located.at(item.statement);
        return item.childIndex < 0 ? where.head : where.children.value(item.childIndex, 0);
    };
    QHash<QString, int> firstItem; // the first item made of each name
    int child = 0;
    for (qsizetype s = 0; s < statements.size(); ++s) {
        const FeatureStatement &statement = statements.at(s);
        const LocatedStatement &where = located.at(s);
        if (tree.newTop.at(s)) {
            const int head = tree.heads.at(s);
            if (tree.topLevel.first() != head)
                at(where.head, Diagnostic::Severity::Warning,
                   quoted(statement.head)
                       + QStringLiteral(" is no feature listed before; it starts a tree of its "
                                        "own beside ")
                       + quoted(tree.items.at(tree.topLevel.first()).name));
            firstItem.insert(statement.head, head);
        }
        for (qsizetype c = 0; c < statement.children.size(); ++c) {
            // The statement's children follow its head (if new) in the item list.
            while (tree.items.at(child).statement != s || tree.items.at(child).childIndex != c)
                ++child;
            const QString &name = statement.children.at(c);
            const qsizetype offset = where.children.value(c, 0);
            if (name.isEmpty()) {
                at(offset, Diagnostic::Severity::Error,
                   QStringLiteral("empty feature name (a \"|\" or \":\" without a name)"));
            } else if (firstItem.contains(name)) {
                const qsizetype first = firstOffset(tree.items.at(firstItem.value(name)));
                at(offset, Diagnostic::Severity::Error,
                   QStringLiteral("feature %1 is defined twice (first at line %2); the viewer "
                                  "shows two features of that name")
                       .arg(quoted(name))
                       .arg(positions.line(first)));
            }
            if (!firstItem.contains(name))
                firstItem.insert(name, child);
        }
        if (where.ignored >= 0)
            at(where.ignored, Diagnostic::Severity::Warning,
               QStringLiteral("the viewer ignores what follows a second \":\" in a statement"));
    }
    if (tree.items.isEmpty()) {
        m_diagnostics.error(modelName, 0, 0,
                            QStringLiteral("defines no feature; the viewer shows one feature, "
                                           "\"empty\""));
        tree.items.append({QStringLiteral("empty"), -1, {}, 0, -1});
        tree.topLevel.append(0);
    }
    for (int item : tree.preOrder()) {
        const FeatureTree::Item &entry = tree.items.at(item);
        m_names.insert(entry.name);
        if (!entry.children.isEmpty())
            continue;
        m_features.append(Feature(qint32(m_features.size()), entry.name));
        if (!entry.name.isEmpty() && !FeatureMatcher::isPlainName(entry.name))
            at(firstOffset(entry), Diagnostic::Severity::Warning,
               QStringLiteral("feature %1 holds characters other than letters, digits and "
                              "\"_\": in annotations.xml it reads as an expression, in which "
                              "other features can be found too").arg(quoted(entry.name)));
    }
}

bool ProjectCheck::next(QXmlStreamReader &xml)
{
    // A token begins where the one before ended.
    m_tokenLine = int(xml.lineNumber());
    m_tokenColumn = int(xml.columnNumber()) + 1;
    xml.readNext();
    return !xml.atEnd() && !xml.hasError();
}

void ProjectCheck::skipElement(QXmlStreamReader &xml, const QString &why)
{
    m_diagnostics.note(projectFileName, m_tokenLine, m_tokenColumn, why);
    xml.skipCurrentElement();
}

bool ProjectCheck::checkProjectFile()
{
    QFile file(m_folder + QLatin1Char('/') + projectFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_diagnostics.error(projectFileName, 0, 0,
                            QStringLiteral("cannot be read (%1); the viewer shows no files")
                                .arg(file.errorString()));
        return false;
    }
    QXmlStreamReader xml(&file);
    while (next(xml)) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() != QLatin1String("project")) {
            m_diagnostics.error(projectFileName, m_tokenLine, m_tokenColumn,
                                QStringLiteral("the document element is <%1>, not <project>; "
                                               "the viewer shows no files")
                                    .arg(xml.name().toString()));
            return false;
        }
        readContainer(xml, QString());
        while (next(xml)) {
        }
        break;
    }
    if (xml.hasError()) {
        m_diagnostics.error(projectFileName, int(xml.lineNumber()), int(xml.columnNumber()),
                            xml.errorString() + QStringLiteral("; the viewer shows no files"));
        return false;
    }
    return true;
}

void ProjectCheck::readContainer(QXmlStreamReader &xml, const QString &folder)
{
    while (next(xml)) {
        if (xml.isEndElement())
            return;
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("folder")) {
            readContainer(xml, folder + xml.attributes().value(QLatin1String("name")).toString()
                                   + QLatin1Char('/'));
        } else if (name == QLatin1String("file")) {
            readFile(xml, folder);
        } else if (name == QLatin1String("feature")) {
            skipElement(xml, QStringLiteral("a feature outside a fragment; the viewer ignores it"));
        } else {
            skipElement(xml, QStringLiteral("the viewer ignores <%1> and what it holds")
                                 .arg(name.toString()));
        }
    }
}

void ProjectCheck::readFile(QXmlStreamReader &xml, const QString &folder)
{
    const int line = m_tokenLine;
    const int column = m_tokenColumn;
    const QXmlStreamAttributes attributes = xml.attributes();
    const QString name = attributes.value(QLatin1String("name")).toString();
    const QString path = folder + name;
    if (!ProjectModel::isSourceName(name)) {
        skipElement(xml, QStringLiteral("%1 is not a .java, .c or .h file; the viewer skips it")
                             .arg(quoted(path)));
        return;
    }
    ++m_files;
    if (m_listedFiles.contains(path)) {
        m_diagnostics.error(projectFileName, line, column,
                            QStringLiteral("%1 is listed twice (first at line %2)")
                                .arg(quoted(path))
                                .arg(m_listedFiles.value(path)));
    } else {
        m_listedFiles.insert(path, line);
    }

    bool lengthOk = false;
    const QString lengthText = attributes.value(QLatin1String("length")).toString();
    const int length = lengthText.toInt(&lengthOk);
    const QString filePath = m_folder + QLatin1Char('/') + path;
    const QFileInfo info(filePath);
    int fileLines = -1;
    QString text; // decoded as the viewer does, for the character positions
    if (!info.isFile()) {
        m_diagnostics.warning(projectFileName, line, column,
                            QStringLiteral("%1 does not exist; the viewer shows it empty")
                                .arg(quoted(path)));
    } else {
        fileLines = ProjectModel::countFileLines(filePath);
        QFile source(filePath);
        const QByteArray bytes = source.open(QIODevice::ReadOnly) ? source.readAll()
                                                                 : QByteArray();
        bool latin1 = false;
        text = decodeText(bytes, NulCharacters::Replace, &latin1);
        if (latin1)
            m_diagnostics.note(path, 0, 0,
                               QStringLiteral("not valid UTF-8; the viewer reads it as Latin-1"));
        if (!lengthOk)
            m_diagnostics.error(projectFileName, line, column,
                                QStringLiteral("length %1 is not a number; the file has %2 lines")
                                    .arg(quoted(lengthText))
                                    .arg(fileLines));
        else if (length != fileLines)
            m_diagnostics.error(projectFileName, line, column,
                                QStringLiteral("length is %1 but %2 has %3 lines")
                                    .arg(length)
                                    .arg(quoted(path))
                                    .arg(fileLines));
    }

    QList<Range> ranges;
    while (next(xml)) {
        if (xml.isEndElement())
            break;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("fragment"))
            readFragment(xml, path, fileLines, text, ranges);
        else if (xml.name() == QLatin1String("feature"))
            skipElement(xml, QStringLiteral("a feature outside a fragment; the viewer ignores it"));
        else
            skipElement(xml, QStringLiteral("the viewer ignores <%1> and what it holds")
                                 .arg(xml.name().toString()));
    }
    checkNesting(ranges);
}

void ProjectCheck::readFragment(QXmlStreamReader &xml, const QString &path, int fileLines,
                                const QString &text, QList<Range> &ranges)
{
    ++m_fragments;
    const int line = m_tokenLine;
    const int column = m_tokenColumn;
    const QXmlStreamAttributes attributes = xml.attributes();
    const auto number = [&](const QString &attribute, bool *ok) {
        const QString value = attributes.value(attribute).toString();
        const int result = value.toInt(ok);
        if (!*ok)
            m_diagnostics.error(projectFileName, line, column,
                                QStringLiteral("%1 %2 is not a number; the viewer reads 0")
                                    .arg(attribute, quoted(value)));
        return result;
    };
    bool startOk = false;
    bool endOk = false;
    const int start = number(QStringLiteral("startline"), &startOk);
    const int end = number(QStringLiteral("endline"), &endOk);
    if (startOk && endOk) {
        QString fault;
        if (start < 1)
            fault = QStringLiteral("starts before the first line");
        else if (end < start)
            fault = QStringLiteral("ends before it starts");
        else if (fileLines >= 0 && end > fileLines)
            fault = QStringLiteral("ends after the last line of %1 (%2)")
                        .arg(quoted(path))
                        .arg(fileLines);
        if (!fault.isEmpty())
            m_diagnostics.error(projectFileName, line, column,
                                QStringLiteral("fragment %1-%2 %3").arg(start).arg(end).arg(fault));
        else
            ranges.append({start, end, line, column});
    }

    // Character positions are not read by the viewer, but other tools read them.
    if (attributes.hasAttribute(QLatin1String("offset")) && startOk && endOk && start >= 1
        && end >= start && fileLines >= 0 && end <= fileLines) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        qsizetype first = 0;
        for (int i = 0; i < start - 1 && i < lines.size(); ++i)
            first += lines.at(i).size() + 1;
        qsizetype last = first;
        for (int i = start - 1; i < end && i < lines.size(); ++i)
            last += lines.at(i).size() + 1;
        --last;
        const qsizetype offset = attributes.value(QLatin1String("offset")).toLongLong();
        const qsizetype size = attributes.value(QLatin1String("length")).toLongLong();
        if (offset != first || offset + size != last)
            m_diagnostics.warning(projectFileName, line, column,
                                  QStringLiteral("offset %1 and length %2 should be %3 and %4 "
                                                 "for these lines")
                                      .arg(offset)
                                      .arg(size)
                                      .arg(first)
                                      .arg(last - first));
    }

    bool hasFeature = false;
    while (next(xml)) {
        if (xml.isEndElement())
            break;
        if (!xml.isStartElement())
            continue;
        if (xml.name() != QLatin1String("feature")) {
            skipElement(xml, QStringLiteral("the viewer ignores <%1> and what it holds")
                                 .arg(xml.name().toString()));
            continue;
        }
        hasFeature = true;
        const int featureLine = m_tokenLine;
        const int featureColumn = m_tokenColumn;
        const QString feature = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        checkFeatureText(feature, featureLine, featureColumn);
    }
    if (!hasFeature)
        m_diagnostics.error(projectFileName, line, column,
                            QStringLiteral("fragment without a feature; the viewer shows nothing "
                                           "for it"));
}

void ProjectCheck::checkFeatureText(const QString &text, int line, int column)
{
    const auto error = [&](const QString &message) {
        m_diagnostics.error(projectFileName, line, column, message);
    };
    if (FeatureMatcher::isPlainName(text)) {
        if (m_matcher->featureByName(text))
            return;
        if (m_names.contains(text))
            error(QStringLiteral("feature %1 is not a leaf of model.m; the viewer drops the "
                                 "fragment").arg(quoted(text)));
        else
            error(QStringLiteral("feature %1 is not defined in model.m; the viewer drops the "
                                 "fragment").arg(quoted(text)));
        return;
    }
    if (m_matcher->featuresInExpression(text).isEmpty()) {
        error(QStringLiteral("expression %1 names no feature of model.m; the viewer drops the "
                             "fragment").arg(quoted(text)));
        return;
    }
    // The names the expression uses as the import reads conditions.
    QStringList names;
    ConditionalScanner::translateCondition(text, &names);
    for (const QString &name : std::as_const(names)) {
        if (!m_names.contains(name))
            m_diagnostics.warning(projectFileName, line, column,
                                  QStringLiteral("expression %1 names %2, which model.m does not "
                                                 "define").arg(quoted(text), quoted(name)));
        else if (!m_matcher->featureByName(name))
            m_diagnostics.warning(projectFileName, line, column,
                                  QStringLiteral("expression %1 names %2, which is not a leaf; "
                                                 "the viewer does not colour it")
                                      .arg(quoted(text), quoted(name)));
    }
}

void ProjectCheck::checkNesting(QList<Range> ranges)
{
    std::stable_sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) {
        return a.start != b.start ? a.start < b.start : a.end > b.end;
    });
    QList<Range> open;
    for (const Range &range : std::as_const(ranges)) {
        while (!open.isEmpty() && open.last().end < range.start)
            open.removeLast();
        if (!open.isEmpty() && range.end > open.last().end) {
            const Range &outer = open.last();
            m_diagnostics.error(projectFileName, range.line, range.column,
                                QStringLiteral("fragment %1-%2 overlaps fragment %3-%4 (line %5) "
                                               "without lying inside it")
                                    .arg(range.start)
                                    .arg(range.end)
                                    .arg(outer.start)
                                    .arg(outer.end)
                                    .arg(outer.line));
            continue;
        }
        open.append(range);
    }
}

void ProjectCheck::checkUnlistedSources()
{
    QDirIterator it(m_folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList unlisted;
    while (it.hasNext()) {
        const QString path = it.next();
        if (!ProjectModel::isSourceName(path))
            continue;
        const QString relative = path.mid(m_folder.size() + 1);
        if (!m_listedFiles.contains(relative))
            unlisted.append(relative);
    }
    std::sort(unlisted.begin(), unlisted.end());
    for (const QString &path : std::as_const(unlisted))
        m_diagnostics.note(path, 0, 0,
                           QStringLiteral("not listed in annotations.xml; the viewer does not "
                                          "show it"));
}

void ProjectCheck::checkQuestions()
{
    const QString path = m_folder + QLatin1Char('/') + questionsName;
    if (!QFileInfo::exists(path)) {
        m_diagnostics.note(questionsName, 0, 0,
                           QStringLiteral("missing; the questionnaire has no tasks"));
        return;
    }
    const QString text = readTextFile(path, NulCharacters::EndText);
    const TextPositions positions(text);
    const auto report = [&](qsizetype offset, Diagnostic::Severity severity,
                            const QString &message) {
        m_diagnostics.report({questionsName, positions.line(offset), positions.column(offset),
                              severity, message});
    };
    m_tasks = int(QuestionsFile::parse(text).size());

    const qsizetype lastTaskEnd = text.lastIndexOf(QLatin1Char(';'));
    const QString rest = text.mid(lastTaskEnd + 1);
    if (!rest.trimmed().isEmpty()) {
        qsizetype offset = lastTaskEnd + 1;
        while (text.at(offset).isSpace())
            ++offset;
        report(offset, Diagnostic::Severity::Error,
               QStringLiteral("the last task is not closed by \";\"; the questionnaire leaves "
                              "it out"));
    }

    // An entity ends in ";" and so ends the task in the middle of the text.
    static const QRegularExpression entity(
        QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[A-Za-z][A-Za-z0-9]*);"));
    for (auto match = entity.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        report(found.capturedStart(), Diagnostic::Severity::Error,
               QStringLiteral("the \";\" of the HTML entity %1 ends the task here; write the "
                              "character itself").arg(quoted(found.captured())));
    }

    // Each question's "|" piece and pictures, with their positions.
    qsizetype taskStart = 0;
    while (taskStart < text.size()) {
        const qsizetype taskEnd = text.indexOf(QLatin1Char(';'), taskStart);
        if (taskEnd < 0)
            break;
        qsizetype questionStart = taskStart;
        while (questionStart <= taskEnd) {
            qsizetype questionEnd = text.indexOf(QLatin1Char('$'), questionStart);
            if (questionEnd < 0 || questionEnd > taskEnd)
                questionEnd = taskEnd;
            const QString question = text.mid(questionStart, questionEnd - questionStart);
            const QStringList pieces = question.split(QLatin1Char('|'));
            if (pieces.size() > 1) {
                const qsizetype bar = questionStart + question.indexOf(QLatin1Char('|'));
                const QString count = pieces.at(1).trimmed();
                if (QuestionsFile::answerLineCount(count) == 0 && count != QLatin1String("0"))
                    report(bar, Diagnostic::Severity::Error,
                           QStringLiteral("answer-line count %1 is no positive number; the "
                                          "question gets no answer box").arg(quoted(count)));
                if (pieces.size() > 2)
                    report(questionStart + question.indexOf(QLatin1Char('|'), bar - questionStart
                                                                                   + 1),
                           Diagnostic::Severity::Error,
                           QStringLiteral("a second \"|\" in a question; the questionnaire "
                                          "drops what follows it"));
            }
            static const QRegularExpression picture(
                QStringLiteral("<img\\b[^>]*\\bsrc\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
                QRegularExpression::CaseInsensitiveOption);
            for (auto match = picture.globalMatch(pieces.first()); match.hasNext();) {
                const QRegularExpressionMatch found = match.next();
                QString source = found.captured(2);
                if (source.isEmpty())
                    source = found.captured(3);
                if (source.isEmpty())
                    source = found.captured(4);
                const QUrl url(source);
                if (url.scheme() == QLatin1String("data") || url.scheme() == QLatin1String("qrc"))
                    continue;
                const QString file = url.isLocalFile() ? url.toLocalFile() : url.path();
                const QString full = QDir::isAbsolutePath(file)
                    ? file
                    : m_folder + QLatin1Char('/') + file;
                const QFileInfo info(full);
                if (!info.isFile() || info.size() > QuestionsFile::MaxPictureBytes)
                    report(questionStart + found.capturedStart(), Diagnostic::Severity::Error,
                           QStringLiteral("picture %1 is no file of at most 16 MB in the project "
                                          "folder; the question is shown without it")
                               .arg(quoted(source)));
            }
            questionStart = questionEnd + 1;
        }
        taskStart = taskEnd + 1;
    }
}
