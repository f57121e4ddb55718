#include "highlighter.h"

#include <QStringList>

namespace {

// Word boundaries and \w follow Unicode letters, so a keyword glued to an
// accented letter ("fürint") is no keyword.
constexpr auto PatternOptions = QRegularExpression::UseUnicodePropertiesOption;

QTextCharFormat foreground(Qt::GlobalColor color)
{
    QTextCharFormat format;
    format.setForeground(QBrush(color));
    return format;
}

} // namespace

Highlighter::Highlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
    keywordFormat = foreground(Qt::darkMagenta);
    // All keywords share one format and are whole words, so one alternation
    // marks exactly the characters that one rule per word would mark.
    const QStringList keywords = {
        // preprocessor words (matched without their "#")
        QStringLiteral("ifdef"), QStringLiteral("if"), QStringLiteral("endif"),
        QStringLiteral("define"), QStringLiteral("include"), QStringLiteral("else"),
        QStringLiteral("ifndef"),
        // control words
        QStringLiteral("case"), QStringLiteral("while"), QStringLiteral("until"),
        QStringLiteral("switch"), QStringLiteral("for"),
        // types, qualifiers and declarations
        QStringLiteral("char"), QStringLiteral("class"), QStringLiteral("const"),
        QStringLiteral("double"), QStringLiteral("enum"), QStringLiteral("explicit"),
        QStringLiteral("friend"), QStringLiteral("inline"), QStringLiteral("int"),
        QStringLiteral("long"), QStringLiteral("namespace"), QStringLiteral("operator"),
        QStringLiteral("private"), QStringLiteral("protected"), QStringLiteral("public"),
        QStringLiteral("short"), QStringLiteral("signals"), QStringLiteral("signed"),
        QStringLiteral("slots"), QStringLiteral("static"), QStringLiteral("struct"),
        QStringLiteral("template"), QStringLiteral("typedef"), QStringLiteral("typename"),
        QStringLiteral("union"), QStringLiteral("unsigned"), QStringLiteral("virtual"),
        QStringLiteral("void"), QStringLiteral("volatile"),
    };
    rules.push_back({QRegularExpression(QStringLiteral("\\b(?:") + keywords.join(QLatin1Char('|'))
                                            + QStringLiteral(")\\b"),
                                        PatternOptions),
                     keywordFormat});

    classFormat = foreground(Qt::darkMagenta);
    rules.push_back({QRegularExpression(QStringLiteral("\\bQ[A-Za-z]+\\b"), PatternOptions),
                     classFormat});

    singleLineCommentFormat = foreground(Qt::darkGreen);
    rules.push_back({QRegularExpression(QStringLiteral("//[^\n]*"), PatternOptions),
                     singleLineCommentFormat});

    multiLineCommentFormat = foreground(Qt::darkGreen);

    // Greedy: from the first to the last double quote of the line.
    quotationFormat = foreground(Qt::darkGreen);
    rules.push_back({QRegularExpression(QStringLiteral("\".*\""), PatternOptions),
                     quotationFormat});

    functionFormat = foreground(Qt::blue);
    rules.push_back({QRegularExpression(QStringLiteral("\\b[A-Za-z0-9_]+(?=\\()"),
                                        PatternOptions),
                     functionFormat});

    commentStartExpression = QRegularExpression(QStringLiteral("/\\*"));
    commentEndExpression = QRegularExpression(QStringLiteral("\\*/"));
}

void Highlighter::highlightBlock(const QString &text)
{
    // Later rules override the colours of earlier ones.
    for (const HighlightingRule &rule : rules) {
        QRegularExpressionMatchIterator it = rule.pattern.globalMatch(text);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            setFormat(int(match.capturedStart()), int(match.capturedLength()), rule.format);
        }
    }

    // Multi-line comments come last, so everything inside them is comment.
    setCurrentBlockState(OutsideComment);
    qsizetype start = 0;
    if (previousBlockState() != InsideComment)
        start = commentStartExpression.match(text).capturedStart();

    while (start >= 0) {
        const QRegularExpressionMatch end = commentEndExpression.match(text, start);
        qsizetype length;
        if (!end.hasMatch()) {
            setCurrentBlockState(InsideComment);
            length = text.length() - start;
        } else {
            length = end.capturedEnd() - start;
        }
        setFormat(int(start), int(length), multiLineCommentFormat);
        start = commentStartExpression.match(text, start + length).capturedStart();
    }
}
