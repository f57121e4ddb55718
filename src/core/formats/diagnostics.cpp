#include "diagnostics.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

QString severityName(Diagnostic::Severity severity)
{
    switch (severity) {
    case Diagnostic::Severity::Error:
        return QStringLiteral("error");
    case Diagnostic::Severity::Warning:
        return QStringLiteral("warning");
    case Diagnostic::Severity::Note:
        return QStringLiteral("note");
    }
    return QString();
}

void writeToStandardError(const QString &line)
{
    writeConsoleLine(stderr, line);
}

} // namespace

void writeConsoleLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QString formatDiagnostic(const Diagnostic &diagnostic)
{
    QString location = diagnostic.path;
    if (diagnostic.line > 0) {
        location += QLatin1Char(':') + QString::number(diagnostic.line);
        if (diagnostic.column > 0)
            location += QLatin1Char(':') + QString::number(diagnostic.column);
    }
    // A line break inside the text would start a line that editors read as
    // a diagnostic of its own.
    QString text = diagnostic.text;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return location + QStringLiteral(": ") + severityName(diagnostic.severity)
           + QStringLiteral(": ") + text;
}

Diagnostics::Diagnostics(Writer writer)
    : m_writer(writer ? std::move(writer) : Writer(writeToStandardError))
{
}

void Diagnostics::report(const Diagnostic &diagnostic)
{
    switch (diagnostic.severity) {
    case Diagnostic::Severity::Error:
        ++m_errors;
        break;
    case Diagnostic::Severity::Warning:
        ++m_warnings;
        break;
    case Diagnostic::Severity::Note:
        ++m_notes;
        break;
    }
    m_writer(formatDiagnostic(diagnostic));
}

void Diagnostics::error(const QString &path, int line, int column, const QString &text)
{
    report({path, line, column, Diagnostic::Severity::Error, text});
}

void Diagnostics::warning(const QString &path, int line, int column, const QString &text)
{
    report({path, line, column, Diagnostic::Severity::Warning, text});
}

void Diagnostics::note(const QString &path, int line, int column, const QString &text)
{
    report({path, line, column, Diagnostic::Severity::Note, text});
}

bool containsErrors(const QList<Diagnostic> &diagnostics)
{
    for (const Diagnostic &diagnostic : diagnostics) {
        if (diagnostic.severity == Diagnostic::Severity::Error)
            return true;
    }
    return false;
}

std::optional<QByteArray> readStudyFileBytes(const QString &path, const QString &shownPath,
                                             QList<Diagnostic> *problems)
{
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        return file.readAll();
    problems->append({shownPath, 0, 0, Diagnostic::Severity::Error,
                      QStringLiteral("cannot be read: ") + file.errorString()});
    return std::nullopt;
}
