#include "projectcheck.h"

#include "check/studydesigncheck.h"
#include "core/formats/annotationsfile.h"
#include "core/formats/diagnostics.h"
#include "core/formats/featuremodelfile.h"
#include "core/formats/questionsfile.h"
#include "core/formats/textdecoding.h"
#include "core/formats/textpositions.h"
#include "core/model/featurematcher.h"
#include "core/model/featuremodel.h"
#include "core/model/projectmodel.h"
#include "core/study/writablefolder.h"
#include "import/conditionalscanner.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

const QString modelName = FeatureModelFile::fileName();
const QString projectFileName = AnnotationsFile::fileName();
const QString questionsName = QuestionsFile::fileName();

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
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
    // study.json, participants.csv and answer-key.csv, where there are any.
    StudyDesignCheck(m_folder, m_diagnostics).run();
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
    const FeatureModelFile model = FeatureModelFile::read(m_folder + QLatin1Char('/') + modelName);
    if (!model.readable) {
        m_diagnostics.error(modelName, 0, 0,
                            QStringLiteral("cannot be read (%1); the viewer shows one feature, "
                                           "\"empty\"").arg(model.errorString));
        m_features.append(Feature(0, QStringLiteral("empty")));
        m_names.insert(QStringLiteral("empty"));
        return;
    }
    // The feature tree as the viewer builds it, then what is wrong with each
    // statement, in the order of the statements.
    FeatureTree tree = buildFeatureTree(model.statements);
    const TextPositions positions(model.text);
    checkStatements(model, tree, positions);
    if (tree.items.isEmpty()) {
        m_diagnostics.error(modelName, 0, 0,
                            QStringLiteral("defines no feature; the viewer shows one feature, "
                                           "\"empty\""));
        tree.items.append({QStringLiteral("empty"), -1, {}, 0, -1});
        tree.topLevel.append(0);
    }
    // The features are the leaves, listed as the viewer lists them.
    for (const QString &name : tree.leafNames())
        m_features.append(Feature(qint32(m_features.size()), name));
    for (int item : tree.preOrder()) {
        const FeatureTree::Item &entry = tree.items.at(item);
        m_names.insert(entry.name);
        if (entry.children.isEmpty() && !entry.name.isEmpty()
            && !FeatureMatcher::isPlainName(entry.name))
            reportAt(modelName, positions, itemOffset(model, entry), Diagnostic::Severity::Warning,
                     QStringLiteral("feature %1 holds characters other than letters, digits and "
                                    "\"_\": in annotations.xml it reads as an expression, in "
                                    "which other features can be found too")
                         .arg(quoted(entry.name)));
    }
}

qsizetype ProjectCheck::itemOffset(const FeatureModelFile &model, const FeatureTree::Item &item)
{
    if (item.statement >= model.positions.size())
        return 0;
    const FeatureModelFile::Positions &where = model.positions.at(item.statement);
    return item.childIndex < 0 ? where.head : where.children.value(item.childIndex, 0);
}

void ProjectCheck::reportAt(const QString &file, const TextPositions &positions, qsizetype offset,
                            Diagnostic::Severity severity, const QString &message)
{
    m_diagnostics.report({file, positions.line(offset), positions.column(offset), severity,
                          message});
}

void ProjectCheck::checkStatements(const FeatureModelFile &model, const FeatureTree &tree,
                                   const TextPositions &positions)
{
    const auto at = [&](qsizetype offset, Diagnostic::Severity severity, const QString &message) {
        reportAt(modelName, positions, offset, severity, message);
    };
    QHash<QString, int> firstItem; // the first item made of each name
    int child = 0;
    for (qsizetype s = 0; s < model.statements.size(); ++s) {
        const FeatureStatement &statement = model.statements.at(s);
        const FeatureModelFile::Positions &where = model.positions.at(s);
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
                const qsizetype first = itemOffset(model, tree.items.at(firstItem.value(name)));
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
}

bool ProjectCheck::checkProjectFile()
{
    const AnnotationsFile file = AnnotationsFile::read(m_folder + QLatin1Char('/')
                                                       + projectFileName);
    switch (file.status) {
    case AnnotationsFile::Status::CannotOpen:
        m_diagnostics.error(projectFileName, 0, 0,
                            QStringLiteral("cannot be read (%1); the viewer shows no files")
                                .arg(file.error));
        return false;
    case AnnotationsFile::Status::ParseError:
        m_diagnostics.error(projectFileName, file.errorLine, file.errorColumn,
                            file.error + QStringLiteral("; the viewer shows no files"));
        return false;
    case AnnotationsFile::Status::NotAProject:
        m_diagnostics.error(projectFileName, file.errorLine, file.errorColumn,
                            QStringLiteral("the document element is <%1>, not <project>; "
                                           "the viewer shows no files")
                                .arg(file.error));
        return false;
    case AnnotationsFile::Status::Read:
        break;
    }
    checkContainer(file, 0);
    return true;
}

void ProjectCheck::noteIgnored(const AnnotationsFile &file, int index)
{
    const AnnotationsFile::Element &element = file.elements.at(index);
    m_diagnostics.note(projectFileName, element.line, element.column,
                       element.kind == AnnotationsFile::Kind::Feature
                           ? QStringLiteral("a feature outside a fragment; the viewer ignores it")
                           : QStringLiteral("the viewer ignores <%1> and what it holds")
                                 .arg(element.name));
}

void ProjectCheck::checkContainer(const AnnotationsFile &file, int index)
{
    for (int child : file.children(index)) {
        switch (file.elements.at(child).kind) {
        case AnnotationsFile::Kind::Folder:
            checkContainer(file, child);
            break;
        case AnnotationsFile::Kind::File:
            checkFile(file, child);
            break;
        default:
            noteIgnored(file, child);
            break;
        }
    }
}

void ProjectCheck::checkFile(const AnnotationsFile &file, int index)
{
    const AnnotationsFile::Element &element = file.elements.at(index);
    const QString path = file.relativePath(index);
    if (!ProjectModel::isSourceName(element.name)) {
        m_diagnostics.note(projectFileName, element.line, element.column,
                           QStringLiteral("%1 is not a .java, .c or .h file; the viewer skips it")
                               .arg(quoted(path)));
        return;
    }
    ++m_files;
    if (m_listedFiles.contains(path)) {
        m_diagnostics.error(projectFileName, element.line, element.column,
                            QStringLiteral("%1 is listed twice (first at line %2)")
                                .arg(quoted(path))
                                .arg(m_listedFiles.value(path)));
    } else {
        m_listedFiles.insert(path, element.line);
    }

    ListedSource source;
    source.path = path;
    checkSourceOnDisk(file, index, source);
    QList<Range> ranges;
    for (int child : file.children(index)) {
        if (file.elements.at(child).kind == AnnotationsFile::Kind::Fragment)
            checkFragment(file, child, source, ranges);
        else
            noteIgnored(file, child);
    }
    checkNesting(ranges);
}

void ProjectCheck::checkSourceOnDisk(const AnnotationsFile &file, int index,
                                     ListedSource &source)
{
    const AnnotationsFile::Element &element = file.elements.at(index);
    const QString &path = source.path;
    const QString filePath = m_folder + QLatin1Char('/') + path;
    if (!QFileInfo(filePath).isFile()) {
        m_diagnostics.warning(projectFileName, element.line, element.column,
                              QStringLiteral("%1 does not exist; the viewer shows it empty")
                                  .arg(quoted(path)));
        return;
    }
    source.lines = ProjectModel::countFileLines(filePath);
    QFile sourceFile(filePath);
    const QByteArray bytes = sourceFile.open(QIODevice::ReadOnly) ? sourceFile.readAll()
                                                                  : QByteArray();
    bool latin1 = false;
    source.text = decodeText(bytes, NulCharacters::Replace, &latin1);
    if (latin1)
        m_diagnostics.note(path, 0, 0,
                           QStringLiteral("not valid UTF-8; the viewer reads it as Latin-1"));
    bool lengthOk = false;
    const QString &lengthText = file.value(element.length);
    const int length = AnnotationsFile::number(lengthText, &lengthOk);
    if (!lengthOk)
        m_diagnostics.error(projectFileName, element.line, element.column,
                            QStringLiteral("length %1 is not a number; the file has %2 lines")
                                .arg(quoted(lengthText))
                                .arg(source.lines));
    else if (length != source.lines)
        m_diagnostics.error(projectFileName, element.line, element.column,
                            QStringLiteral("length is %1 but %2 has %3 lines")
                                .arg(length)
                                .arg(quoted(path))
                                .arg(source.lines));
}

void ProjectCheck::checkFragment(const AnnotationsFile &file, int index,
                                 const ListedSource &source, QList<Range> &ranges)
{
    ++m_fragments;
    const AnnotationsFile::Element &element = file.elements.at(index);
    const int line = element.line;
    const int column = element.column;
    const auto number = [&](const QString &attribute, const QString &value, bool *ok) {
        const int result = AnnotationsFile::number(value, ok);
        if (!*ok)
            m_diagnostics.error(projectFileName, line, column,
                                QStringLiteral("%1 %2 is not a number; the viewer reads 0")
                                    .arg(attribute, quoted(value)));
        return result;
    };
    bool startOk = false;
    bool endOk = false;
    const int start = number(QStringLiteral("startline"), file.value(element.startLine), &startOk);
    const int end = number(QStringLiteral("endline"), file.value(element.endLine), &endOk);
    bool inside = false;
    if (startOk && endOk) {
        QString fault;
        if (start < 1)
            fault = QStringLiteral("starts before the first line");
        else if (end < start)
            fault = QStringLiteral("ends before it starts");
        else if (source.lines >= 0 && end > source.lines)
            fault = QStringLiteral("ends after the last line of %1 (%2)")
                        .arg(quoted(source.path))
                        .arg(source.lines);
        inside = fault.isEmpty();
        if (!inside)
            m_diagnostics.error(projectFileName, line, column,
                                QStringLiteral("fragment %1-%2 %3").arg(start).arg(end).arg(fault));
        else
            ranges.append({start, end, line, column});
    }
    // Character positions are not read by the viewer, but other tools read them.
    if (!element.offset.isNull() && inside && source.lines >= 0)
        checkCharacterPositions(file, index, source, start, end);

    bool hasFeature = false;
    for (int child : file.children(index)) {
        const AnnotationsFile::Element &feature = file.elements.at(child);
        if (feature.kind != AnnotationsFile::Kind::Feature) {
            noteIgnored(file, child);
            continue;
        }
        hasFeature = true;
        checkFeatureText(feature.name, feature.line, feature.column);
    }
    if (!hasFeature)
        m_diagnostics.error(projectFileName, line, column,
                            QStringLiteral("fragment without a feature; the viewer shows nothing "
                                           "for it"));
}

void ProjectCheck::checkCharacterPositions(const AnnotationsFile &file, int index,
                                           const ListedSource &source, int start, int end)
{
    const AnnotationsFile::Element &element = file.elements.at(index);
    const QStringList lines = source.text.split(QLatin1Char('\n'));
    qsizetype first = 0;
    for (int i = 0; i < start - 1 && i < lines.size(); ++i)
        first += lines.at(i).size() + 1;
    qsizetype last = first;
    for (int i = start - 1; i < end && i < lines.size(); ++i)
        last += lines.at(i).size() + 1;
    --last;
    const qsizetype offset = file.value(element.offset).toLongLong();
    const qsizetype size = file.value(element.length).toLongLong();
    if (offset != first || offset + size != last)
        m_diagnostics.warning(projectFileName, element.line, element.column,
                              QStringLiteral("offset %1 and length %2 should be %3 and %4 "
                                             "for these lines")
                                  .arg(offset)
                                  .arg(size)
                                  .arg(first)
                                  .arg(last - first));
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
    const QuestionsFile::Contents questions = QuestionsFile::read(path);
    const QString &text = questions.text;
    const TextPositions positions(text);
    const auto report = [&](qsizetype offset, Diagnostic::Severity severity,
                            const QString &message) {
        reportAt(questionsName, positions, offset, severity, message);
    };
    m_tasks = int(questions.tasks.size());

    if (!text.mid(questions.rest).trimmed().isEmpty()) {
        qsizetype offset = questions.rest;
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

    for (const QuestionsFile::Task &task : questions.tasks) {
        for (const QuestionsFile::Question &question : task)
            checkQuestion(question, positions);
    }
}

// A question's "|" pieces and pictures.
void ProjectCheck::checkQuestion(const QuestionsFile::Question &question,
                                 const TextPositions &positions)
{
    const auto report = [&](qsizetype offset, Diagnostic::Severity severity,
                            const QString &message) {
        reportAt(questionsName, positions, offset, severity, message);
    };
    if (!question.bars.isEmpty()) {
        const QString count = question.answerLinesText.trimmed();
        if (QuestionsFile::answerLineCount(count) == 0 && count != QLatin1String("0"))
            report(question.bars.first(), Diagnostic::Severity::Error,
                   QStringLiteral("answer-line count %1 is no positive number; the "
                                  "question gets no answer box").arg(quoted(count)));
        if (question.bars.size() > 1)
            report(question.bars.at(1), Diagnostic::Severity::Error,
                   QStringLiteral("a second \"|\" in a question; the questionnaire "
                                  "drops what follows it"));
    }
    static const QRegularExpression picture(
        QStringLiteral("<img\\b[^>]*\\bsrc\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto match = picture.globalMatch(question.text); match.hasNext();) {
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
        const QString full = QDir::isAbsolutePath(file) ? file
                                                        : m_folder + QLatin1Char('/') + file;
        const QFileInfo info(full);
        if (!info.isFile() || info.size() > QuestionsFile::MaxPictureBytes)
            report(question.offset + found.capturedStart(), Diagnostic::Severity::Error,
                   QStringLiteral("picture %1 is no file of at most 16 MB in the project "
                                  "folder; the question is shown without it")
                       .arg(quoted(source)));
    }
}
