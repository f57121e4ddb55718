#include "projectnode.h"

#include <algorithm>
#include <limits>
#include <vector>

void ProjectNode::addFragment(const Fragment &fragment)
{
    fragments.append(fragment);
    sortedFragments.append(fragment);
    sortedFragments.last().expression.clear();
}

void ProjectNode::computeUnannotatedLines(int fileLength)
{
    sortFragments();
    if (sortedFragments.isEmpty()) {
        unannotatedLines = 0;
        return;
    }
    // `next` is the first line not yet known to lie in a fragment; every gap
    // before a fragment's first line counts. A fragment covers the lines the
    // trees count for it (start to end line). Gaps end at the file's end even
    // when a stale fragment lies beyond it, so the result never exceeds the
    // length, and the annotated and unannotated lines make up the length.
    qint64 unannotated = 0;
    qint64 next = 1;
    for (const Fragment &fragment : std::as_const(sortedFragments)) {
        if (next > fileLength)
            break;
        const qint64 covered = fragment.coveredLines();
        if (next < fragment.startLine)
            unannotated += std::min<qint64>(fragment.startLine, qint64(fileLength) + 1) - next;
        next = std::max(next, qint64(fragment.startLine) + covered);
    }
    if (next <= fileLength)
        unannotated += qint64(fileLength) - next + 1;
    unannotatedLines = int(std::clamp<qint64>(unannotated, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

void ProjectNode::sortFragments()
{
    const auto byStart = [](const Fragment &a, const Fragment &b) {
        return a.startLine < b.startLine;
    };
    // Fragments mostly arrive in file order; skip the sort then.
    if (!std::is_sorted(sortedFragments.begin(), sortedFragments.end(), byStart))
        std::stable_sort(sortedFragments.begin(), sortedFragments.end(), byStart);
}

void ProjectNode::gatherRecords()
{
    if (!recordsPending)
        return;
    recordsPending = false;
    // The records of the files below, file by file in document order, without
    // expressions; a file's own children hold none of them.
    std::vector<const ProjectNode *> stack(children.crbegin(), children.crend());
    std::vector<const ProjectNode *> sources;
    qsizetype count = 0;
    while (!stack.empty()) {
        const ProjectNode *node = stack.back();
        stack.pop_back();
        if (node->kind == File || node->children.isEmpty()) {
            sources.push_back(node);
            count += node->fragments.size();
            continue;
        }
        stack.insert(stack.end(), node->children.crbegin(), node->children.crend());
    }
    fragments.clear();
    fragments.reserve(count);
    for (const ProjectNode *source : sources) {
        for (Fragment record : source->fragments) {
            record.expression.clear();
            fragments.append(record);
        }
    }
    sortedFragments = fragments;
}
