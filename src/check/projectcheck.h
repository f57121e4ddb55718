#pragma once

#include "core/formats/annotationsfile.h"
#include "core/formats/diagnostics.h"
#include "core/formats/questionsfile.h"
#include "core/model/feature.h"
#include "core/model/featuremodel.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class FeatureMatcher;
class TextPositions;

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
    // A file annotations.xml lists, as found on disk.
    struct ListedSource
    {
        QString path;  // relative to the folder
        int lines = -1; // -1: no such file
        QString text;  // decoded as the viewer does, for the character positions
    };

    void checkWritable();
    void checkFeatureModel();
    void checkStatements(const FeatureModelFile &model, const FeatureTree &tree,
                         const TextPositions &positions);
    static qsizetype itemOffset(const FeatureModelFile &model, const FeatureTree::Item &item);
    bool checkProjectFile();
    void checkContainer(const AnnotationsFile &file, int index);
    void checkFile(const AnnotationsFile &file, int index);
    void checkSourceOnDisk(const AnnotationsFile &file, int index, ListedSource &source);
    void checkFragment(const AnnotationsFile &file, int index, const ListedSource &source,
                       QList<Range> &ranges);
    void checkCharacterPositions(const AnnotationsFile &file, int index,
                                 const ListedSource &source, int start, int end);
    void noteIgnored(const AnnotationsFile &file, int index);
    void checkFeatureText(const QString &text, int line, int column);
    void checkNesting(QList<Range> ranges);
    void checkUnlistedSources();
    void checkQuestions();
    void checkQuestion(const QuestionsFile::Question &question, const TextPositions &positions);
    void reportAt(const QString &file, const TextPositions &positions, qsizetype offset,
                  Diagnostic::Severity severity, const QString &message);

    QString m_folder;
    Diagnostics &m_diagnostics;
    FeatureList m_features; // the leaves, as the feature tree lists them
    QSet<QString> m_names;  // every name of the feature tree
    std::unique_ptr<FeatureMatcher> m_matcher;
    QHash<QString, int> m_listedFiles; // path relative to the folder -> line
    int m_files = 0;
    int m_fragments = 0;
    int m_tasks = 0;
};
