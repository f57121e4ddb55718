#include "reportwarnings.h"

#include <QDir>

ReportWarnings::ReportWarnings(Diagnostics &diagnostics, const QString &folder)
    : m_diagnostics(diagnostics), m_folder(folder)
{
}

void ReportWarnings::add(const QString &participant, const QString &path, int line,
                         const QString &kind, const QString &text)
{
    m_diagnostics.warning(path, line, 0, text);
    m_list.append({participant, path, line, kind, text});
}

void ReportWarnings::add(const QString &participant, const Diagnostic &warning,
                         const QString &kind)
{
    m_diagnostics.report(warning);
    m_list.append({participant, warning.path, warning.line, kind, warning.text});
}

int ReportWarnings::count(const QString &participant) const
{
    int n = 0;
    for (const Warning &warning : m_list)
        n += warning.participant == participant ? 1 : 0;
    return n;
}

QString ReportWarnings::relativePath(const QString &path) const
{
    if (m_folder.isEmpty())
        return path;
    const QString relative = QDir(m_folder).relativeFilePath(path);
    return relative.startsWith(QLatin1String("..")) ? path : relative;
}
