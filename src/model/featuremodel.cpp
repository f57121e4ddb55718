#include "featuremodel.h"

QString stripFeatureModelText(const QString &text)
{
    QString stripped;
    stripped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '[':
        case ']':
        case '\n':
        case '\r':
        case '\t':
        case ' ':
            break;
        default:
            stripped.append(c);
        }
    }
    return stripped;
}

QList<FeatureStatement> parseFeatureModel(const QString &text)
{
    QList<FeatureStatement> statements;
    const QString stripped = stripFeatureModelText(text);
    const QStringList parts = stripped.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    for (const QString &part : parts) {
        if (part.isEmpty())
            continue;
        // Every single colon separates; whatever follows a second colon is dropped.
        const QStringList pieces = part.split(QLatin1Char(':'), Qt::KeepEmptyParts);
        FeatureStatement statement;
        statement.head = pieces.at(0);
        if (pieces.size() > 1)
            statement.children = pieces.at(1).split(QLatin1Char('|'), Qt::KeepEmptyParts);
        statements.append(statement);
    }
    return statements;
}
