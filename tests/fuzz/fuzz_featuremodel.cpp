// model.m as a participant's copy may hold it, read in memory: the file split
// into statements with where each name stands, the feature tree built from
// them and the feature list taken from its leaves.

#include "fuzzsupport.h"

#include "core/formats/featuremodelfile.h"
#include "core/model/featuremodel.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FeatureModelFile file = FeatureModelFile::parse(
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    fuzz::check(file.positions.size() == file.statements.size(), "a statement without positions");

    // Every name stands where its position says, in file order.
    qsizetype previous = -1;
    for (qsizetype s = 0; s < file.statements.size(); ++s) {
        const FeatureStatement &statement = file.statements.at(s);
        const FeatureModelFile::Positions &where = file.positions.at(s);
        fuzz::check(!statement.head.isEmpty() || !statement.children.isEmpty(),
                    "an empty statement was kept");
        fuzz::check(where.children.size() == statement.children.size(),
                    "a child name without a position");
        const auto startsThere = [&file](const QString &name, qsizetype offset) {
            return name.isEmpty() || (offset < file.text.size() && file.text.at(offset) == name.at(0));
        };
        fuzz::check(where.head > previous && startsThere(statement.head, where.head),
                    "a head is not where its position says");
        previous = where.head;
        for (qsizetype c = 0; c < statement.children.size(); ++c) {
            fuzz::check(where.children.at(c) >= previous, "child names out of order");
            fuzz::check(startsThere(statement.children.at(c), where.children.at(c)),
                        "a child name is not where its position says");
            previous = where.children.at(c);
        }
        if (where.ignored >= 0)
            fuzz::check(file.text.at(where.ignored) == QLatin1Char(':'),
                        "the ignored rest does not start at a colon");
        for (const QString &name : statement.children)
            fuzz::check(!name.contains(QLatin1Char(';')) && !name.contains(QLatin1Char(':'))
                            && !name.contains(QLatin1Char('|')),
                        "a separator in a name");
    }

    // There is always a tree to show and at least one feature; the features
    // are the leaves, numbered in pre-order.
    const FeatureTree tree = buildFeatureTree(file.statements);
    const QStringList leaves = tree.leafNames();
    fuzz::check(!leaves.isEmpty(), "model without a feature");
    qsizetype leafItems = 0;
    const QList<int> order = tree.preOrder();
    for (int item : order) {
        if (tree.items.at(item).children.isEmpty()) {
            fuzz::check(leafItems < leaves.size()
                            && leaves.at(leafItems) == tree.items.at(item).name,
                        "a feature is not its leaf");
            ++leafItems;
        }
    }
    fuzz::check(order.size() == tree.items.size(), "an item outside the tree");
    fuzz::check(tree.items.isEmpty() ? leaves == QStringList{QStringLiteral("empty")}
                                     : leafItems == leaves.size(),
                "more features than leaves");
    return 0;
}
