#include "syntheticproject.h"

#include "import/projectimport.h"
#include "support/testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QList>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

struct Fragment
{
    int start;
    int end;
    QString text;
};

struct SourceFile
{
    QString name;
    int lines;
    std::vector<Fragment> fragments;
    int wordCount = 0; // lines that end in the options' bigFileWord
};

struct Folder
{
    QString name;
    std::vector<std::unique_ptr<Folder>> folders;
    std::map<QString, Folder *> byName;
    std::vector<SourceFile> files;

    Folder *folder(const QString &child)
    {
        auto found = byName.find(child);
        if (found != byName.end())
            return found->second;
        folders.push_back(std::make_unique<Folder>());
        folders.back()->name = child;
        byName[child] = folders.back().get();
        return folders.back().get();
    }
};

class Generator
{
public:
    Generator(const SyntheticProjectOptions &options, SyntheticProjectStats *stats)
        : m_options(options), m_stats(stats), m_random(options.seed)
    {
    }

    QByteArray model()
    {
        // Root, groups, leaves: about as many groups as leaves per group.
        const int groups = std::max(1, int(std::lround(std::sqrt(double(m_options.features)))));
        QStringList groupNames;
        QByteArray text;
        QList<QStringList> leaves(groups);
        for (int f = 0; f < m_options.features; ++f) {
            const int group = f % groups;
            const QString name = QStringLiteral("G%1_F%2").arg(group, 2, 10, QLatin1Char('0'))
                                     .arg(f / groups, 2, 10, QLatin1Char('0'));
            leaves[group].append(name);
        }
        for (int g = 0; g < groups; ++g) {
            if (leaves[g].isEmpty())
                continue;
            groupNames.append(QStringLiteral("Group%1").arg(g));
            m_features.append(leaves[g]);
        }
        text += "Product : " + groupNames.join(QStringLiteral(" | ")).toUtf8() + " ;\n";
        for (int g = 0; g < groupNames.size(); ++g)
            text += groupNames[g].toUtf8() + " : "
                + leaves[g].join(QStringLiteral(" | ")).toUtf8() + " ;\n";
        m_stats->features = int(m_features.size());
        return text;
    }

    void layOut(Folder &root)
    {
        const int leafFolders = std::max(1, m_options.files / std::max(1, m_options.filesPerFolder));
        const int levels = std::max(1, m_options.folderLevels);
        const int branching = std::max(
            2, int(std::ceil(std::pow(double(leafFolders), 1.0 / levels) - 1e-9)));
        const QStringList levelNames{QStringLiteral("pkg"), QStringLiteral("mod"),
                                     QStringLiteral("sub"), QStringLiteral("part")};
        int remaining = m_options.fragments;
        for (int i = 0; i < m_options.files; ++i) {
            Folder *folder = &root;
            int leaf = i % leafFolders;
            for (int level = 0; level < levels; ++level) {
                const int digit = leaf % branching;
                leaf /= branching;
                folder = folder->folder(levelNames[level % levelNames.size()] + QString::number(digit));
            }
            const int share = remaining / (m_options.files - i);
            remaining -= share;
            folder->files.push_back(makeFile(QStringLiteral("Source%1.java").arg(i),
                                             m_options.linesPerFile, share));
        }
        if (m_options.bigFileLines > 0) {
            root.files.push_back(makeFile(QStringLiteral("Big.java"), m_options.bigFileLines,
                                          m_options.bigFileFragments));
            root.files.back().wordCount = std::clamp(m_options.bigFileWordCount, 0,
                                                     m_options.bigFileLines);
        }
    }

    QByteArray annotations(const Folder &root)
    {
        QByteArray xml;
        QBuffer buffer(&xml);
        buffer.open(QIODevice::WriteOnly);
        ProjectImport::writeProjectFile(&buffer, QStringLiteral("Synthetic"),
                                        projectFileTree(root));
        return xml;
    }

    bool writeSources(const QString &path, const Folder &folder)
    {
        if (!QDir().mkpath(path))
            return false;
        ++m_stats->folders;
        for (const SourceFile &file : folder.files) {
            QByteArray text;
            text.reserve(file.lines * 48);
            const QByteArray word = " " + m_options.bigFileWord.toUtf8();
            int words = 0;
            for (int line = 1; line <= file.lines; ++line) {
                text += "    int value" + QByteArray::number(line) + " = compute("
                    + QByteArray::number(line % 97) + "); // synthetic";
                // The word goes on evenly spread lines, exactly wordCount times.
                if (qint64(line) * file.wordCount / file.lines > words) {
                    text += word;
                    ++words;
                }
                text += '\n';
            }
            if (!TestSupport::writeFile(path + QLatin1Char('/') + file.name, text))
                return false;
            ++m_stats->files;
            m_stats->lines += file.lines;
        }
        for (const auto &child : folder.folders)
            if (!writeSources(path + QLatin1Char('/') + child->name, *child))
                return false;
        return true;
    }

private:
    QString featureText()
    {
        const QString first = m_features[m_random.bounded(int(m_features.size()))];
        if (m_options.expressionEvery > 0 && m_random.bounded(m_options.expressionEvery) == 0
            && m_features.size() > 1) {
            QString second = first;
            while (second == first)
                second = m_features[m_random.bounded(int(m_features.size()))];
            ++m_stats->expressions;
            return m_random.bounded(2) ? first + QStringLiteral(" && !") + second
                                       : first + QStringLiteral(" || ") + second;
        }
        return first;
    }

    SourceFile makeFile(const QString &name, int lines, int fragments)
    {
        SourceFile file{name, lines, {}};
        if (fragments <= 0)
            return file;
        // Each fragment gets a slot of the file; a nested one lies inside the
        // fragment before it instead.
        const int slot = std::max(1, lines / fragments);
        for (int j = 0; j < fragments; ++j) {
            const bool canNest = !file.fragments.empty()
                && file.fragments.back().end - file.fragments.back().start >= 2;
            if (canNest && m_options.nestedEvery > 0
                && m_random.bounded(m_options.nestedEvery) == 0) {
                const Fragment &outer = file.fragments.back();
                const int start = outer.start + 1;
                const int end = start + m_random.bounded(outer.end - start + 1);
                file.fragments.push_back({start, end, featureText()});
                ++m_stats->nested;
            } else {
                const int slotStart = (j * lines) / fragments + 1;
                const int start = slotStart + m_random.bounded(std::max(1, slot / 4));
                const int end = std::min(slotStart + slot - 1,
                                         start + 1 + m_random.bounded(std::max(1, slot / 2)));
                file.fragments.push_back({start, std::max(start, end), featureText()});
            }
            ++m_stats->fragments;
        }
        return file;
    }

    // The layout as the project file describes it.
    static ProjectImport::Folder projectFileTree(const Folder &folder)
    {
        ProjectImport::Folder tree;
        tree.name = folder.name;
        for (const auto &child : folder.folders)
            tree.folders.push_back(std::make_unique<ProjectImport::Folder>(projectFileTree(*child)));
        for (const SourceFile &file : folder.files) {
            ProjectImport::File described;
            described.name = file.name;
            described.length = file.lines;
            for (const Fragment &fragment : file.fragments)
                described.fragments.append({fragment.start, fragment.end, fragment.text});
            tree.files.push_back(std::move(described));
        }
        return tree;
    }

    SyntheticProjectOptions m_options;
    SyntheticProjectStats *m_stats;
    QRandomGenerator m_random;
    QStringList m_features;
};

} // namespace

bool writeSyntheticProject(const QString &folder, const SyntheticProjectOptions &options,
                           SyntheticProjectStats *stats)
{
    SyntheticProjectStats ignored;
    if (!stats)
        stats = &ignored;
    *stats = SyntheticProjectStats();
    Generator generator(options, stats);
    if (!TestSupport::writeFile(folder + QStringLiteral("/model.m"), generator.model()))
        return false;
    Folder root;
    generator.layOut(root);
    if (!TestSupport::writeFile(folder + QStringLiteral("/annotations.xml"),
                                generator.annotations(root)))
        return false;
    const bool written = generator.writeSources(folder, root);
    --stats->folders; // the project folder itself is no folder of the project
    return written;
}
