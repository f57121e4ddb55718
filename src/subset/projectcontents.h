#pragma once

#include "core/model/feature.h"
#include "core/model/featuremodel.h"
#include "core/model/projectmodel.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

// A project folder as the viewer reads it, for the tools that count its
// features or take a slice of it: the feature tree of model.m and the files
// of annotations.xml with their fragments, each with the leaves the viewer
// colours it with. Read through the viewer's own readers.
class ProjectContents
{
public:
    // One feature element of a fragment and the leaves the viewer finds in it.
    struct FeatureText
    {
        QString text;
        QStringList features;
    };

    struct Fragment
    {
        int startLine = 0;
        int endLine = 0;
        QList<FeatureText> texts;

        QStringList features() const; // of all texts, each once
    };

    struct File
    {
        const ProjectNode *node = nullptr; // in model()
        QString path;                      // relative to the folder
        int length = 0;                    // as annotations.xml gives it
        QList<Fragment> fragments;         // in the order of the file
    };

    ProjectContents();
    ~ProjectContents();
    ProjectContents(const ProjectContents &) = delete;
    ProjectContents &operator=(const ProjectContents &) = delete;

    // Reads model.m (missing, it reads as the viewer reads it: one feature,
    // "empty") and annotations.xml; false with the reason when the latter
    // cannot be read or is no project file.
    bool read(const QString &folder, QString *error);

    QString folder() const { return m_folder; }
    const FeatureTree &featureTree() const { return m_tree; }
    // The leaves of the feature tree in pre-order, as the viewer lists them.
    const FeatureList &leaves() const { return m_leaves; }
    const ProjectModel &model() const { return m_model; }
    QString projectName() const;
    const QList<File> &files() const { return m_files; }

    // Whether a relative path stays inside the folder: no "..", "." or empty
    // part and not absolute (a hand-made annotations.xml may hold anything).
    static bool isInsideFolder(const QString &relative);

    // The fragments of a source file that only give a macro its default
    // value ("#ifndef X / #define X"), by first and last line, with that
    // macro; read the way "featurehue import" reads the file.
    static QHash<QPair<int, int>, QString> defaultMacroFragments(const QString &sourcePath);

private:
    void readFeatureModel();
    void collectFiles();
    static QList<Fragment> fragmentsOf(const ProjectNode &file);

    QString m_folder;
    FeatureTree m_tree;
    FeatureList m_leaves;
    ProjectModel m_model;
    QList<File> m_files;
};
