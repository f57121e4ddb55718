#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <functional>
#include <optional>

// Writes one line of console output (standard error or output) as UTF-8 and
// flushes it at once, so that lines of the viewer and of the libraries it
// uses interleave in the order they were written.
void writeConsoleLine(FILE *stream, const QString &line);

// Diagnostics of the command-line tools, one line each in the form compilers
// use and editors jump to:
//   path:line:column: error|warning|note: text
// A line or column of 0 is left out ("path:line: warning: text", "path: error: text").
struct Diagnostic
{
    enum class Severity { Error, Warning, Note };

    QString path;
    int line = 0;
    int column = 0;
    Severity severity = Severity::Error;
    QString text;
};

QString formatDiagnostic(const Diagnostic &diagnostic);

// Collects the diagnostics of one run: writes each as it comes and counts them
// by severity for the summary line and the exit status.
// The whole of a study file, or nothing with an error "cannot be read: ..."
// for shownPath appended to problems (also for a path that is no file).
std::optional<QByteArray> readStudyFileBytes(const QString &path, const QString &shownPath,
                                             QList<Diagnostic> *problems);

class Diagnostics
{
public:
    using Writer = std::function<void(const QString &line)>;

    // Without a writer, lines go to standard error.
    explicit Diagnostics(Writer writer = {});

    void report(const Diagnostic &diagnostic);
    void error(const QString &path, int line, int column, const QString &text);
    void warning(const QString &path, int line, int column, const QString &text);
    void note(const QString &path, int line, int column, const QString &text);

    int errors() const { return m_errors; }
    int warnings() const { return m_warnings; }
    int notes() const { return m_notes; }

private:
    Writer m_writer;
    int m_errors = 0;
    int m_warnings = 0;
    int m_notes = 0;
};

// True when any of the diagnostics is an error.
bool containsErrors(const QList<Diagnostic> &diagnostics);
