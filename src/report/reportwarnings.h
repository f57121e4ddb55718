#pragma once

#include "core/formats/diagnostics.h"

#include <QList>
#include <QString>

// The warnings of one report: each goes to standard error as
// "path:line: warning: text" the moment it is found, and is kept for
// warnings.csv and the page's "Warnings" section. Errors (the report cannot
// be made) go through the same diagnostics but are not kept.
class ReportWarnings
{
public:
    struct Warning
    {
        QString participant; // empty: the study as a whole
        QString path;        // as given on the command line
        int line = 0;        // 0: the whole file
        QString kind;        // a short name to filter by ("unattributed", ...)
        QString text;
    };

    explicit ReportWarnings(Diagnostics &diagnostics, const QString &folder = QString());

    Diagnostics &diagnostics() { return m_diagnostics; }

    void add(const QString &participant, const QString &path, int line, const QString &kind,
             const QString &text);
    // A warning of a file reader, as it reported it.
    void add(const QString &participant, const Diagnostic &warning, const QString &kind);

    const QList<Warning> &list() const { return m_list; }
    int count(const QString &participant) const;
    // path relative to the study folder, as warnings.csv names the file.
    QString relativePath(const QString &path) const;

private:
    Diagnostics &m_diagnostics;
    QString m_folder;
    QList<Warning> m_list;
};
