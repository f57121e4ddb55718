#include "answersfile.h"

#include "core/formats/textdecoding.h"

#include <QFile>
#include <QSaveFile>

namespace AnswersFile {

namespace {

const QString escapedDollar = QStringLiteral("\\x24");

} // namespace

QString escape(const QString &answer)
{
    QString stored;
    stored.reserve(answer.size());
    for (const QChar c : answer) {
        if (c == QLatin1Char('\\'))
            stored += QStringLiteral("\\\\");
        else if (c == QLatin1Char('$'))
            stored += escapedDollar;
        else
            stored += c;
    }
    return stored;
}

QString unescape(const QString &stored)
{
    if (!stored.contains(QLatin1Char('\\')))
        return stored;
    QString answer;
    answer.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored.at(i);
        if (c == QLatin1Char('\\') && i + 1 < stored.size()) {
            if (stored.at(i + 1) == QLatin1Char('\\')) {
                answer += c;
                ++i;
                continue;
            }
            if (QStringView(stored).mid(i, escapedDollar.size()) == escapedDollar) {
                answer += QLatin1Char('$');
                i += escapedDollar.size() - 1;
                continue;
            }
        }
        answer += c;
    }
    return answer;
}

QByteArray encode(const QStringList &answers)
{
    QString text;
    for (const QString &answer : answers) {
        text += escape(answer);
        text += QLatin1Char('$');
    }
    text += QLatin1Char('\n');
    return text.toUtf8();
}

bool write(const QString &path, const QStringList &answers)
{
    // Unbuffered, so a write that fails (a full disk) is seen here and the
    // old file stays; a failed final flush of buffered data would go
    // unnoticed and commit an empty file in its place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = encode(answers);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QStringList pieces(const QString &text)
{
    QStringList result = text.split(QLatin1Char('$'));
    QString last = result.takeLast();
    if (!last.trimmed().isEmpty()) {
        if (last.endsWith(QLatin1Char('\n')))
            last.chop(1);
        result.append(last);
    }
    for (QString &piece : result)
        piece = unescape(piece);
    return result;
}

QStringList fromBytes(const QByteArray &bytes)
{
    return pieces(decodeStudyText(bytes));
}

std::optional<QStringList> read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return fromBytes(file.readAll());
}

QStringList distribute(const QStringList &pieces, int boxCount)
{
    if (boxCount <= 0)
        return {};
    if (pieces.size() <= boxCount)
        return pieces;
    QStringList result = pieces.mid(0, boxCount - 1);
    result.append(pieces.mid(boxCount - 1).join(QLatin1Char('$')));
    return result;
}

} // namespace AnswersFile
