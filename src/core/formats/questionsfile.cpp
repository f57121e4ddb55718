#include "questionsfile.h"

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
    QStringList taskTexts = text.split(QLatin1Char(';'));
    // The piece after the last ";" is never a task: a task must be closed.
    taskTexts.removeLast();

    QList<Task> tasks;
    tasks.reserve(taskTexts.size());
    for (const QString &taskText : std::as_const(taskTexts)) {
        Task task;
        const QStringList questionTexts = taskText.split(QLatin1Char('$'));
        for (const QString &questionText : questionTexts) {
            const QStringList parts = questionText.split(QLatin1Char('|'));
            Question question;
            question.text = parts.first();
            if (parts.size() > 1)
                question.answerLines = answerLineCount(parts.at(1));
            task.append(question);
        }
        tasks.append(task);
    }
    return tasks;
}

} // namespace QuestionsFile
