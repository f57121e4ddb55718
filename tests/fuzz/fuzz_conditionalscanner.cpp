// The scanner of "featurehue import" on arbitrary bytes, in memory, as C and
// as Java, with and without dead code as a feature; then the feature names
// it finds grouped by prefix and written to model.m, and the first line of
// the input taken as a glob of the filters.

#include "fuzzsupport.h"

#include "core/model/featurematcher.h"
#include "core/model/featuremodel.h"
#include "import/conditionalscanner.h"
#include "import/featuregroups.h"
#include "import/projectfilter.h"
#include "import/projectimport.h"

#include <QSet>

#include <algorithm>
#include <functional>

namespace {

// Lines as the viewer counts them: a last line without line end counts.
int viewerLines(const QByteArray &bytes)
{
    const int ends = int(bytes.count('\n'));
    return ends + (bytes.isEmpty() || bytes.endsWith('\n') ? 0 : 1);
}

void checkScan(const QByteArray &bytes, const ConditionalScanner::Result &result)
{
    fuzz::check(result.lineCount == viewerLines(bytes), "line count differs from the viewer's");
    QSet<QString> used;
    QList<const ConditionalScanner::Fragment *> open;
    const ConditionalScanner::Fragment *before = nullptr;
    for (const ConditionalScanner::Fragment &fragment : result.fragments) {
        fuzz::check(fragment.startLine >= 1 && fragment.startLine <= fragment.endLine
                        && fragment.endLine <= result.lineCount,
                    "fragment outside its file");
        fuzz::check(!fragment.names.isEmpty() && !fragment.expression.isEmpty(),
                    "fragment without a feature");
        fuzz::check(std::none_of(fragment.expression.begin(), fragment.expression.end(),
                                 [](QChar c) { return c.unicode() < 0x20; }),
                    "control character in an expression");
        for (const QString &name : fragment.names) {
            fuzz::check(FeatureMatcher::isPlainName(name) && !name.isEmpty(),
                        "feature name the viewer reads as an expression");
            used.insert(name);
        }
        if (before)
            fuzz::check(before->startLine < fragment.startLine
                            || (before->startLine == fragment.startLine
                                && before->endLine >= fragment.endLine),
                        "fragments out of order");
        before = &fragment;
        // Fragments nest or lie apart.
        while (!open.isEmpty() && open.last()->endLine < fragment.startLine)
            open.removeLast();
        fuzz::check(open.isEmpty() || fragment.endLine <= open.last()->endLine,
                    "fragments overlap without nesting");
        open.append(&fragment);
    }
    const QSet<QString> listed(result.featureNames.begin(), result.featureNames.end());
    fuzz::check(listed == used && listed.size() == result.featureNames.size(),
                "file's features are not its fragments' names, each once");
    for (const ConditionalScanner::Warning &warning : result.warnings)
        fuzz::check(warning.line >= 1 && warning.line <= result.lineCount,
                    "warning outside the file");
}

// Grouping keeps every leaf, gives no inner feature fewer than three
// children, and model.m read back is the same tree.
void checkGroups(const QStringList &names)
{
    FeatureNode root{QStringLiteral("root_"), {}};
    for (const QString &name : names)
        root.children.push_back({name, {}});
    QSet<QString> taken(names.begin(), names.end());
    taken.insert(root.name);
    FeatureGroups::groupTree(&root, &taken);
    // A root without features is a leaf itself.
    QStringList leaves = root.isLeaf() ? QStringList() : root.leaves();
    QStringList before = names;
    leaves.sort();
    before.sort();
    fuzz::check(leaves == before, "grouping lost or added a leaf");
    std::function<void(const FeatureNode &, bool)> walk = [&](const FeatureNode &node, bool top) {
        fuzz::check(top || node.isLeaf() || node.children.size() >= 3,
                    "inner feature with fewer than three children");
        for (const FeatureNode &child : node.children)
            walk(child, false);
    };
    walk(root, true);
    const FeatureTree read = buildFeatureTree(
        parseFeatureModel(QString::fromUtf8(ProjectImport::featureModelText({root}))));
    QStringList readLeaves;
    for (int item : read.preOrder()) {
        if (read.items.at(item).children.isEmpty())
            readLeaves.append(read.items.at(item).name);
    }
    fuzz::check(readLeaves == root.leaves(), "model.m does not read back as written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList names;
    for (const auto language : {ConditionalScanner::Language::C, ConditionalScanner::Language::Java}) {
        for (const bool deadCode : {false, true}) {
            ConditionalScanner::Options options;
            options.deadCodeAsFeature = deadCode;
            const ConditionalScanner::Result result = ConditionalScanner::scan(bytes, language, options);
            checkScan(bytes, result);
            for (const QString &name : result.featureNames) {
                if (!names.contains(name))
                    names.append(name);
            }
        }
    }
    checkGroups(names);

    const QString glob = QString::fromUtf8(bytes.left(bytes.indexOf('\n')));
    const QRegularExpression pattern = ProjectFilter::globPattern(glob);
    fuzz::check(pattern.isValid(), "glob made an invalid pattern");
    for (const QString &name : std::as_const(names))
        ProjectFilter::globMatches(pattern, QStringLiteral("lib/") + name + QStringLiteral(".c"));
    return 0;
}
