#include "questionsfile.h"

#include "core/formats/textdecoding.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace QuestionsFile {

namespace {

QString decodedReference(const QString &name)
{
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QStringLiteral(" ")},
        {QStringLiteral("auml"), QStringLiteral("\u00e4")}, {QStringLiteral("ouml"), QStringLiteral("\u00f6")},
        {QStringLiteral("uuml"), QStringLiteral("\u00fc")}, {QStringLiteral("Auml"), QStringLiteral("\u00c4")},
        {QStringLiteral("Ouml"), QStringLiteral("\u00d6")}, {QStringLiteral("Uuml"), QStringLiteral("\u00dc")},
        {QStringLiteral("szlig"), QStringLiteral("\u00df")},
    };
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
        const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString();
        const char32_t character = code;
        return QString::fromUcs4(&character, 1);
    }
    return named.value(name);
}

} // namespace

QString plainText(const QString &html)
{
    static const QRegularExpression hidden(
        QStringLiteral("<!--.*?-->|<(head|style|script|title)\\b[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression breaking(
        QStringLiteral("</?(br|p|div|li|ul|ol|tr|td|th|table|h[1-6]|hr|blockquote|pre)\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[A-Za-z]+);"));

    QString text = html;
    text.remove(hidden);
    text.replace(breaking, QStringLiteral(" "));
    text.remove(tag);
    QString decoded;
    decoded.reserve(text.size());
    qsizetype from = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch found = it.next();
        const QString character = decodedReference(found.captured(1));
        if (character.isEmpty())
            continue;
        decoded += QStringView(text).mid(from, found.capturedStart() - from);
        decoded += character;
        from = found.capturedEnd();
    }
    decoded += QStringView(text).mid(from);
    return decoded.simplified();
}

int answerLineCount(const QString &piece)
{
    bool ok = false;
    const int lines = piece.trimmed().toInt(&ok);
    return ok && lines > 0 ? lines : 0;
}

QList<Task> parse(const QString &text)
{
    // Only pieces closed by ";" are tasks: the piece after the last one is none.
    QList<Task> tasks;
    qsizetype taskStart = 0;
    for (qsizetype taskEnd = text.indexOf(QLatin1Char(';')); taskEnd >= 0;
         taskEnd = text.indexOf(QLatin1Char(';'), taskStart)) {
        Task task;
        qsizetype questionStart = taskStart;
        for (;;) {
            qsizetype questionEnd = text.indexOf(QLatin1Char('$'), questionStart);
            if (questionEnd < 0 || questionEnd > taskEnd)
                questionEnd = taskEnd;
            const QStringView piece = QStringView(text).mid(questionStart,
                                                            questionEnd - questionStart);
            Question question;
            question.offset = questionStart;
            for (qsizetype bar = piece.indexOf(QLatin1Char('|')); bar >= 0;
                 bar = piece.indexOf(QLatin1Char('|'), bar + 1))
                question.bars.append(questionStart + bar);
            if (question.bars.isEmpty()) {
                question.text = piece.toString();
            } else {
                const qsizetype first = question.bars.first() - questionStart;
                const qsizetype second = question.bars.size() > 1
                    ? question.bars.at(1) - questionStart
                    : piece.size();
                question.text = piece.left(first).toString();
                const QString count = piece.mid(first + 1, second - first - 1).toString();
                // Never null: a "|" with nothing after it is still there.
                question.answerLinesText = count.isNull() ? QStringLiteral("") : count;
                question.answerLines = answerLineCount(question.answerLinesText);
            }
            task.append(question);
            if (questionEnd == taskEnd)
                break;
            questionStart = questionEnd + 1;
        }
        tasks.append(task);
        taskStart = taskEnd + 1;
    }
    return tasks;
}

QString fileName()
{
    return QStringLiteral("questions.txt");
}

Contents fromBytes(const QByteArray &bytes)
{
    Contents contents;
    contents.text = decodeText(bytes, NulCharacters::EndText);
    contents.tasks = parse(contents.text);
    contents.rest = contents.text.lastIndexOf(QLatin1Char(';')) + 1;
    return contents;
}

Contents read(const QString &path)
{
    QFile file(path);
    return fromBytes(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

} // namespace QuestionsFile
