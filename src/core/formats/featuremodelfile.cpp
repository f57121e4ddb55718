#include "featuremodelfile.h"

#include "core/formats/textdecoding.h"

#include <QFile>

#include <algorithm>

namespace {

bool isNoise(QChar c)
{
    switch (c.unicode()) {
    case '[':
    case ']':
    case '\n':
    case '\r':
    case '\t':
    case ' ':
        return true;
    default:
        return false;
    }
}

// One statement of the stripped text, from start to stop (its ";" or the
// end); offsets maps every stripped character to its offset in the text.
void addStatement(FeatureModelFile &file, const QString &stripped, qsizetype start,
                  qsizetype stop, const QList<qsizetype> &offsets)
{
    FeatureStatement statement;
    FeatureModelFile::Positions where;
    where.head = offsets.at(start);
    // Every single colon separates; whatever follows a second colon is dropped.
    qsizetype colon = stripped.indexOf(QLatin1Char(':'), start);
    if (colon < 0 || colon >= stop)
        colon = stop;
    statement.head = stripped.mid(start, colon - start);
    if (colon < stop) {
        qsizetype second = stripped.indexOf(QLatin1Char(':'), colon + 1);
        if (second < 0 || second >= stop)
            second = stop;
        else
            where.ignored = offsets.at(second);
        qsizetype child = colon + 1;
        for (;;) {
            qsizetype bar = stripped.indexOf(QLatin1Char('|'), child);
            if (bar < 0 || bar > second)
                bar = second;
            statement.children.append(stripped.mid(child, bar - child));
            where.children.append(offsets.at(child));
            if (bar == second)
                break;
            child = bar + 1;
        }
    }
    file.statements.append(statement);
    file.positions.append(where);
}

} // namespace

QString FeatureModelFile::fileName()
{
    return QStringLiteral("model.m");
}

FeatureModelFile FeatureModelFile::read(const QString &path)
{
    QFile file(path);
    return read(&file);
}

FeatureModelFile FeatureModelFile::read(QIODevice *device)
{
    if (!device) {
        FeatureModelFile file;
        file.readable = false;
        return file;
    }
    const bool opened = !device->isOpen();
    if (opened && !device->open(QIODevice::ReadOnly)) {
        FeatureModelFile file;
        file.readable = false;
        file.errorString = device->errorString();
        return file;
    }
    FeatureModelFile file = parse(device->readAll());
    if (opened)
        device->close();
    return file;
}

FeatureModelFile FeatureModelFile::parse(const QByteArray &bytes)
{
    return parseText(decodeText(bytes, NulCharacters::EndText));
}

FeatureModelFile FeatureModelFile::parseText(const QString &text)
{
    FeatureModelFile file;
    file.text = text;
    QString stripped;
    QList<qsizetype> offsets;
    stripped.reserve(text.size());
    offsets.reserve(text.size() + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isNoise(text.at(i)))
            continue;
        stripped.append(text.at(i));
        offsets.append(i);
    }
    offsets.append(text.size());

    qsizetype start = 0;
    while (start <= stripped.size()) {
        qsizetype stop = stripped.indexOf(QLatin1Char(';'), start);
        if (stop < 0)
            stop = stripped.size();
        if (stop > start)
            addStatement(file, stripped, start, stop, offsets);
        start = stop + 1;
    }
    return file;
}

QString stripFeatureModelText(const QString &text)
{
    QString stripped;
    stripped.reserve(text.size());
    for (const QChar c : text) {
        if (!isNoise(c))
            stripped.append(c);
    }
    return stripped;
}

QList<FeatureStatement> parseFeatureModel(const QString &text)
{
    return FeatureModelFile::parseText(text).statements;
}
