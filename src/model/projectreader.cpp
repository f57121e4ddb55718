#include "projectreader.h"

#include "app/mainwindow.h"
#include "colors/palettecolor.h"
#include "model/barcolors.h"
#include "model/rowtexture.h"
#include "model/smvtreewidget.h"
#include "model/stnode.h"
#include "model/treepaths.h"

#include <QDomDocument>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

bool isSourceName(const QString &name)
{
    return name.endsWith(QLatin1String(".java")) || name.endsWith(QLatin1String(".c"))
        || name.endsWith(QLatin1String(".h"));
}

void printLine(FILE *stream, const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// A feature element's text is a plain name when it has only letters, digits
// and underscores (in any script); anything else makes it an expression.
bool isPlainName(const QString &text)
{
    static const QRegularExpression nonWord(QStringLiteral("[^\\w_]"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    return !nonWord.match(text).hasMatch();
}

// Pre-order list of a tree's rows below (and including) the given items.
QList<QTreeWidgetItem *> preOrder(const QList<QTreeWidgetItem *> &roots)
{
    QList<QTreeWidgetItem *> rows;
    std::vector<QTreeWidgetItem *> stack(roots.rbegin(), roots.rend());
    while (!stack.empty()) {
        QTreeWidgetItem *item = stack.back();
        stack.pop_back();
        rows.append(item);
        for (int i = item->childCount() - 1; i >= 0; --i)
            stack.push_back(item->child(i));
    }
    return rows;
}

QList<QTreeWidgetItem *> topLevelRows(const SMVTreeWidget *tree)
{
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.append(tree->topLevelItem(i));
    return rows;
}

int clampedDifference(int end, int start)
{
    const qint64 difference = qint64(end) - start;
    return int(std::clamp<qint64>(difference, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

QColor colorOfPalette(const PaletteColor *color)
{
    return color ? color->color() : QColor();
}

} // namespace

ProjectReader::ProjectReader(SMVTreeWidget *packageView, SMVTreeWidget *featureView,
                             FeatureList *features)
    : m_packageView(packageView), m_featureView(featureView), m_features(features),
      m_packageColors(std::make_shared<BarColors>()),
      m_featureColors(std::make_shared<BarColors>())
{
}

ProjectReader::~ProjectReader() = default;

bool ProjectReader::readProjectFile(const QString &path)
{
    // The feature list may have changed since an earlier read.
    m_featuresByName.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        printLine(stderr, QStringLiteral("Error: Cannot read file ") + QStringLiteral(": ")
                              + file.errorString());
        return false;
    }

    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(&file, false, &message, &line, &column)) {
        printLine(stderr, QStringLiteral("Error: Parse error at line ") + QString::number(line)
                              + QStringLiteral(", ") + QStringLiteral("column ")
                              + QString::number(column) + QStringLiteral(": ") + message);
        return false;
    }

    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("project")) {
        printLine(stderr, QStringLiteral("Error: File is not a project file"));
        return false;
    }

    // The rows are built and pruned away from the view and handed over in
    // one step, so the view is not told about every transient row.
    QTreeWidgetItem holder;
    readProject(root, &holder);
    pruneTree(&holder);
    m_packageView->addTopLevelItems(holder.takeChildren());
    file.close();
    return true;
}

void ProjectReader::readProject(const QDomElement &element, QTreeWidgetItem *parent)
{
    auto *row = new STNode(parent);
    row->setKind(STNode::Project);
    row->setText(0, element.attribute(QStringLiteral("name")));
    row->initFeatureLines(m_features);
    readChildren(element, row);
}

void ProjectReader::readFolder(const QDomElement &element, QTreeWidgetItem *parent)
{
    auto *row = new STNode(parent);
    row->setKind(STNode::Folder);
    row->setText(0, element.attribute(QStringLiteral("name")));
    row->initFeatureLines(m_features);
    readChildren(element, row);
}

void ProjectReader::readChildren(const QDomElement &element, STNode *row)
{
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement child = node.toElement();
        if (child.isNull())
            continue;
        const QString tag = child.tagName();
        if (tag == QLatin1String("folder"))
            readFolder(child, row);
        else if (tag == QLatin1String("file"))
            readFile(child, row);
        else if (tag == QLatin1String("feature"))
            readFeature(child, row);
    }
}

void ProjectReader::readFile(const QDomElement &element, QTreeWidgetItem *parent)
{
    const QString name = element.attribute(QStringLiteral("name"));
    if (!isSourceName(name))
        return;

    auto *row = new STNode(parent);
    row->setKind(STNode::File);
    row->setText(0, name);
    row->initFeatureLines(m_features);
    const int length = element.attribute(QStringLiteral("length")).toInt();
    if (!element.hasChildNodes())
        row->setUnannotatedLines(length);

    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement child = node.toElement();
        if (child.isNull())
            continue;
        if (child.tagName() == QLatin1String("fragment"))
            readFragment(child, row);
        else if (child.tagName() == QLatin1String("feature"))
            readFeature(child, row);
    }

    // Counted once all fragments are in (per fragment, a file of thousands
    // of fragments took seconds). A file whose fragments name no known
    // feature has no annotated line: all of it is unannotated, as for a file
    // without fragments.
    if (row->fragments().isEmpty())
        row->setUnannotatedLines(length);
    else
        row->computeUnannotatedLines(length);
}

// Fragment rows and the feature rows under them are only transient: pruning
// removes every one whose label is not named like a source file. So only the
// rows that would stay are made at all (a feature text such as "X.java", with
// its fragment row), which spares thousands of rows on large projects.
void ProjectReader::readFragment(const QDomElement &element, STNode *fileRow)
{
    STNode *fragmentRow = nullptr;
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement child = node.toElement();
        if (child.isNull() || child.tagName() != QLatin1String("feature"))
            continue;
        const QString text = child.text();
        if (isSourceName(text)) {
            if (!fragmentRow) {
                fragmentRow = new STNode(fileRow);
                fragmentRow->setKind(STNode::FragmentElement);
                fragmentRow->setText(0, QStringLiteral("fragment"));
            }
            auto *row = new STNode(fragmentRow);
            row->setKind(STNode::FeatureElement);
            row->setText(0, text);
        }
        addRecords(text, element, fileRow);
    }
}

void ProjectReader::readFeature(const QDomElement &element, STNode *parent)
{
    // A feature of a project, folder or file gives no record.
    printLine(stdout, QStringLiteral("TODO: Feature assigned to Project, File oder Folder"));
    const QString text = element.text();
    if (isSourceName(text)) {
        auto *row = new STNode(parent);
        row->setKind(STNode::FeatureElement);
        row->setText(0, text);
    }
}

void ProjectReader::addRecords(const QString &text, const QDomElement &fragment, STNode *fileRow)
{
    const int start = fragment.attribute(QStringLiteral("startline")).toInt();
    const int end = fragment.attribute(QStringLiteral("endline")).toInt();
    const int span = clampedDifference(end, start);

    if (isPlainName(text)) {
        Feature *feature = featureByName(text);
        if (!feature)
            return;
        fileRow->addFragment(feature, span, start, fragment.childNodes().count());
        return;
    }

    const QList<Feature *> named = featuresInExpression(text);
    if (named.isEmpty())
        return;
    const int count = fragment.childNodes().count();
    for (Feature *feature : named) {
        fileRow->addFragment(feature, span, start, count);
        fileRow->fragments().last().expression = text;
    }
}

Feature *ProjectReader::featureByName(const QString &name) const
{
    if (!m_features)
        return nullptr;
    // The first feature of each name, indexed once: a project file names
    // features thousands of times.
    if (m_featuresByName.isEmpty()) {
        for (auto it = m_features->rbegin(); it != m_features->rend(); ++it)
            m_featuresByName.insert(it->name(), &*it);
    }
    return m_featuresByName.value(name);
}

const ProjectReader::NamePatterns &ProjectReader::patternsFor(const QString &name) const
{
    auto found = m_patterns.constFind(name);
    if (found != m_patterns.constEnd())
        return *found;
    // A name stands for itself: "c*" or "(x" are names, not patterns (used
    // as patterns, "c*" was found between any two operators and "(x" made
    // an invalid pattern that matched nothing).
    const auto options = QRegularExpression::UseUnicodePropertiesOption;
    const QString literal = QRegularExpression::escape(name);
    NamePatterns patterns;
    patterns.inside = QRegularExpression(QStringLiteral("\\W") + literal + QStringLiteral("\\W"),
                                         options);
    patterns.leading = QRegularExpression(literal + QStringLiteral("\\W"), options);
    patterns.trailing = QRegularExpression(QStringLiteral("\\W") + literal, options);
    return *m_patterns.insert(name, patterns);
}

QList<Feature *> ProjectReader::featuresInExpression(const QString &expression) const
{
    QList<Feature *> found;
    if (!m_features)
        return found;
    const auto contains = [&expression](const QRegularExpression &pattern) {
        return pattern.match(expression).hasMatch();
    };
    for (Feature &feature : *m_features) {
        const QString name = feature.name();
        if (name == expression) {
            found.append(&feature);
            return found;
        }
        // An empty name is no name: it would match any two non-word
        // characters in a row.
        if (name.isEmpty())
            continue;
        // An expression without the name cannot match; this spares most
        // matching and most patterns.
        if (!expression.contains(name))
            continue;
        const NamePatterns &patterns = patternsFor(name);
        const bool matches = contains(patterns.inside)
            || (expression.startsWith(name) && contains(patterns.leading))
            || (expression.endsWith(name) && contains(patterns.trailing));
        if (matches)
            found.append(&feature);
    }
    return found;
}

void ProjectReader::pruneTree(QTreeWidgetItem *root)
{
    // A row stays if it is named like a source file or keeps a child; so
    // feature and fragment rows go, then the folders left empty, and a
    // project without any source file goes altogether. One post-order pass
    // reaches the same end as repeated passes that remove empty leaves.
    struct Visit
    {
        QTreeWidgetItem *item;
        bool childrenDone;
    };
    std::vector<Visit> stack;
    for (int i = root->childCount() - 1; i >= 0; --i)
        stack.push_back({root->child(i), false});
    while (!stack.empty()) {
        Visit visit = stack.back();
        stack.pop_back();
        if (!visit.childrenDone) {
            stack.push_back({visit.item, true});
            for (int i = visit.item->childCount() - 1; i >= 0; --i)
                stack.push_back({visit.item->child(i), false});
            continue;
        }
        if (visit.item->childCount() == 0 && !isSourceName(visit.item->text(0)))
            delete visit.item; // also detaches it from its parent
    }
}

void ProjectReader::computeLineCounts(const QString &folderPath)
{
    const QList<QTreeWidgetItem *> rows = preOrder(topLevelRows(m_packageView));
    for (QTreeWidgetItem *item : rows) {
        auto *row = dynamic_cast<STNode *>(item);
        if (row && row->childCount() == 0)
            row->setLineCount(countFileLines(projectFilePath(folderPath, row)));
    }
    // Children come before their parents in reverse pre-order.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        if (row && row->childCount() > 0)
            row->sumChildLineCounts();
    }
}

int ProjectReader::countFileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 0;

    // Text with a UTF-16 or UTF-32 byte order mark is left to the text
    // stream, which decodes it; in anything else a line ends at a '\n' byte,
    // as the text stream would find it.
    char head[4] = {};
    const qint64 headSize = file.read(head, sizeof head);
    const QByteArray start(head, int(std::max<qint64>(0, headSize)));
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")
        || start.startsWith(QByteArray("\x00\x00\xFE\xFF", 4))) {
        file.close();
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return 0;
        QTextStream stream(&file);
        int lines = 0;
        while (!stream.atEnd()) {
            stream.readLine();
            ++lines;
        }
        return lines;
    }

    qint64 lines = 0;
    char last = '\n';
    std::vector<char> buffer(1 << 16);
    std::copy(start.begin(), start.end(), buffer.begin());
    qint64 size = start.size();
    do {
        lines += std::count(buffer.begin(), buffer.begin() + size, '\n');
        if (size > 0)
            last = buffer[size - 1];
        size = file.read(buffer.data(), qint64(buffer.size()));
    } while (size > 0);
    if (last != '\n')
        ++lines; // a last line without a line end
    return int(std::min<qint64>(lines, std::numeric_limits<int>::max()));
}

void ProjectReader::completeTrees(MainWindow *window)
{
    const QList<QTreeWidgetItem *> packageRows = preOrder(topLevelRows(m_packageView));

    // Totals of unannotated and per-feature lines, from the leaves upwards.
    const STNode::FeatureIndices byName =
        STNode::featureIndicesByName(m_features ? *m_features : FeatureList());
    for (QTreeWidgetItem *item : packageRows) {
        auto *row = dynamic_cast<STNode *>(item);
        if (!row || row->childCount() > 0)
            continue;
        row->addToAncestors(row->unannotatedLines());
        row->computeFeatureLines(&byName);
    }

    const int featureCount = m_features ? int(m_features->size()) : 0;
    if (featureCount == 0)
        m_featureView->setEnabled(false);

    // Package textures: the bars are laid out now and painted when shown,
    // in the colours the features have now.
    for (int k = 0; k < featureCount; ++k)
        m_packageColors->setInitial(k, colorOfPalette((*m_features)[k].color()));
    for (QTreeWidgetItem *item : packageRows) {
        if (auto *row = dynamic_cast<STNode *>(item)) {
            row->layOutPackageBars(RowTexture::PackageArea);
            row->usePackageTexture(m_packageColors, RowTexture::PackageArea);
            row->showFullSizeBackground();
        }
    }
    m_packageView->viewport()->update();

    // File paths come before the copies, so the feature view's file rows
    // carry them too.
    if (window)
        window->fillFilePaths();

    buildFeatureView();
}

int ProjectReader::featureIndex(const Feature *feature) const
{
    if (!m_features || m_features->isEmpty() || !feature)
        return -1;
    const auto first = reinterpret_cast<quintptr>(m_features->constData());
    const auto address = reinterpret_cast<quintptr>(feature);
    if (address < first)
        return -1;
    const quintptr offset = address - first;
    if (offset % sizeof(Feature) != 0)
        return -1;
    const quintptr index = offset / sizeof(Feature);
    return index < quintptr(m_features->size()) ? int(index) : -1;
}

void ProjectReader::buildFeatureView()
{
    const int featureCount = m_features ? int(m_features->size()) : 0;
    if (featureCount == 0)
        return;

    QList<QTreeWidgetItem *> featureRows;
    for (int i = 0; i < featureCount; ++i) {
        Feature &feature = (*m_features)[i];
        m_featureColors->setInitial(i, RowTexture::colorOf(m_featureView->colorManager(),
                                                           &feature));
        auto *row = new STNode(nullptr);
        row->setKind(STNode::FeatureRow);
        row->setText(0, feature.name());
        row->layOutFeatureRow(RowTexture::FeatureRowArea, i);
        row->useFeatureRowTexture(m_featureColors, i, RowTexture::FeatureRowArea);
        row->showFullSizeBackground();
        featureRows.append(row);
    }

    // Every feature gets a copy of the project restricted to the rows with
    // code of that feature. Rows without it would be pruned at once, so they
    // are never copied: walking the project once, each row is copied under
    // its parent's copy for exactly the features it has a bar for.
    auto *top = m_packageView->topLevelItemCount() > 0
        ? dynamic_cast<STNode *>(m_packageView->topLevelItem(0))
        : nullptr;
    if (top) {
        struct Work
        {
            STNode *source;
            std::shared_ptr<std::vector<QTreeWidgetItem *>> parentCopies;
        };
        auto featureParents = std::make_shared<std::vector<QTreeWidgetItem *>>(
            featureRows.begin(), featureRows.end());
        std::vector<Work> stack{{top, featureParents}};
        std::vector<qint64> lines(featureCount);
        while (!stack.empty()) {
            const Work work = stack.back();
            stack.pop_back();
            STNode *source = work.source;

            // Lines of each feature in this row; a fragment shared by
            // several features counts for each in equal parts.
            std::fill(lines.begin(), lines.end(), 0);
            for (const Fragment &record : source->fragments()) {
                const int index = featureIndex(record.feature);
                if (index >= 0)
                    lines[index] += record.lineSpan / std::max(1, record.featureCount);
            }

            auto copies = std::make_shared<std::vector<QTreeWidgetItem *>>(featureCount, nullptr);
            bool anyCopy = false;
            // A stripe for every feature, stored only where there is a bar.
            StripeList &stripes = source->featureStripes();
            stripes.fill(featureCount, 2);
            for (int i = 0; i < featureCount; ++i) {
                const int width = STNode::featureBarWidth(lines[i], source->lineCount(),
                                                          RowTexture::FeatureCopyArea);
                if (width != 0)
                    stripes.place(i, 2, width);
                QTreeWidgetItem *parentCopy =
                    work.parentCopies ? (*work.parentCopies)[i] : nullptr;
                if (width <= 0 || !parentCopy)
                    continue;
                STNode *copy = source->cloneRow();
                copy->setToolTip(0, QString());
                copy->setHasBar(true);
                copy->useFeatureCopyTexture(m_featureColors, i, RowTexture::FeatureCopyArea);
                copy->showFullSizeBackground();
                parentCopy->addChild(copy);
                (*copies)[i] = copy;
                anyCopy = true;
            }
            if (!anyCopy)
                copies.reset(); // nothing below this row is copied either

            for (int c = source->childCount() - 1; c >= 0; --c) {
                auto *child = dynamic_cast<STNode *>(source->child(c));
                if (child)
                    stack.push_back({child, copies});
            }
        }
    }

    for (QTreeWidgetItem *row : featureRows)
        pruneFeatureCopy(row);
    m_featureView->addTopLevelItems(featureRows);
}

void ProjectReader::pruneFeatureCopy(QTreeWidgetItem *item)
{
    auto *row = dynamic_cast<STNode *>(item);
    if (row && !row->hasBar()) {
        delete row; // also detaches it from its parent
        return;
    }
    for (int i = 0; i < item->childCount();) {
        QTreeWidgetItem *child = item->child(i);
        pruneFeatureCopy(child);
        if (i < item->childCount() && item->child(i) == child)
            ++i;
    }
}

void ProjectReader::recolorFeature(Feature *feature)
{
    recolorFeatures({feature});
}

void ProjectReader::recolorFeatures(const QList<Feature *> &features)
{
    std::vector<bool> recolored;
    bool featureViewChanged = false;
    for (Feature *feature : features) {
        if (!feature || feature->id < 0)
            continue;
        const int id = feature->id;
        const QColor color = colorOfPalette(feature->color());

        // The feature's block of the feature view is painted in one colour.
        if (id < m_featureView->topLevelItemCount()) {
            m_featureColors->recolor(id, color);
            for (QTreeWidgetItem *item : preOrder({m_featureView->topLevelItem(id)}))
                if (auto *row = dynamic_cast<STNode *>(item))
                    row->showFullSizeBackground();
            featureViewChanged = true;
        }
        m_packageColors->recolor(id, color);
        if (std::size_t(id) >= recolored.size())
            recolored.resize(std::size_t(id) + 1, false);
        recolored[std::size_t(id)] = true;
    }
    if (featureViewChanged)
        m_featureView->viewport()->update();
    if (recolored.empty())
        return;

    // Package rows repaint where they have a bar of one of the features; one
    // walk over the rows for all of them.
    const auto isRecolored = [&recolored](int id) {
        return std::size_t(id) < recolored.size() && recolored[std::size_t(id)];
    };
    for (QTreeWidgetItem *item : preOrder(topLevelRows(m_packageView))) {
        auto *row = dynamic_cast<STNode *>(item);
        if (!row || !row->stripes().anyBar(isRecolored))
            continue;
        row->markRecolored();
        row->showFullSizeBackground();
    }
    m_packageView->viewport()->update();
}
