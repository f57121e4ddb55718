#include "projectnode.h"

#include <algorithm>
#include <limits>

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
    // p walks over the file; every gap before a fragment's first line counts.
    // A gap ends at the file's end even when a stale fragment lies beyond
    // it, and a fragment with a negative span never moves p backwards, so
    // no line is counted twice and the result never exceeds the length.
    qint64 unannotated = 0;
    qint64 position = 1;
    for (const Fragment &fragment : std::as_const(sortedFragments)) {
        if (position >= fileLength)
            break;
        const qint64 end = qint64(fragment.startLine) + std::max(0, fragment.lineSpan);
        if (position < fragment.startLine) {
            unannotated += std::min<qint64>(fragment.startLine, fileLength) - position;
            position = end;
        } else {
            position = std::max(position, end);
        }
    }
    if (position < fileLength)
        unannotated += fileLength - position;
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
