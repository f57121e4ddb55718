#pragma once

#include "core/model/feature.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class Diagnostics;
class FeatureMatcher;
class QXmlStreamReader;

// Checks a project folder before a study: model.m, annotations.xml, the
// sources they list and questions.txt, judged as the viewer reads them (its
// own readers decide what is a feature, a plain name or an expression, a
// line, a task). Every finding is one diagnostic with its file's path
// relative to the folder and, where there is one, line and column.
class ProjectCheck
{
public:
    ProjectCheck(const QString &folder, Diagnostics &diagnostics);
    ~ProjectCheck();

    void run();

    int fileCount() const { return m_files; }
    int fragmentCount() const { return m_fragments; }
    int featureCount() const { return int(m_features.size()); }
    int taskCount() const { return m_tasks; }

private:
    struct Range
    {
        int start;
        int end;
        int line;
        int column;
    };

    void checkWritable();
    void checkFeatureModel();
    bool checkProjectFile();
    void readContainer(QXmlStreamReader &xml, const QString &folder);
    void readFile(QXmlStreamReader &xml, const QString &folder);
    void readFragment(QXmlStreamReader &xml, const QString &path, int fileLines,
                      const QString &text, QList<Range> &ranges);
    void checkFeatureText(const QString &text, int line, int column);
    void checkNesting(QList<Range> ranges);
    void checkUnlistedSources();
    void checkQuestions();
    void skipElement(QXmlStreamReader &xml, const QString &why);
    bool next(QXmlStreamReader &xml);

    QString m_folder;
    Diagnostics &m_diagnostics;
    FeatureList m_features; // the leaves, as the feature tree lists them
    QSet<QString> m_names;  // every name of the feature tree
    std::unique_ptr<FeatureMatcher> m_matcher;
    QHash<QString, int> m_listedFiles; // path relative to the folder -> line
    int m_tokenLine = 1;   // where the token read last begins
    int m_tokenColumn = 1;
    int m_files = 0;
    int m_fragments = 0;
    int m_tasks = 0;
};
