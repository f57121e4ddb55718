#include "linesahead.h"

#include "core/model/projectmodel.h"

#include <QThread>

#include <algorithm>

LinesAhead::LinesAhead(const QString &folderPath, const QStringList &relativePaths)
    : m_folderPath(folderPath), m_paths(relativePaths), m_counts(std::size_t(relativePaths.size()))
{
    m_thread = std::thread([this] { countSome(); });
}

LinesAhead::~LinesAhead()
{
    m_next = m_counts.size();
    if (m_thread.joinable())
        m_thread.join();
}

void LinesAhead::countSome()
{
    for (std::size_t i = m_next++; i < m_counts.size(); i = m_next++)
        m_counts[i] = ProjectModel::countFileLines(m_folderPath + QLatin1Char('/')
                                                   + m_paths.at(qsizetype(i)));
}

QHash<QString, int> LinesAhead::take()
{
    // The thread started at the outset goes on counting; this one and, on
    // a processor with more cores, further ones join it on what is left.
    const std::size_t left = m_counts.size() - std::min(m_counts.size(), std::size_t(m_next));
    const int more = left < 64 ? 0 : std::max(0, QThread::idealThreadCount() - 2);
    std::vector<std::thread> helpers;
    for (int t = 0; t < more; ++t)
        helpers.emplace_back([this] { countSome(); });
    countSome();
    for (std::thread &helper : helpers)
        helper.join();
    if (m_thread.joinable())
        m_thread.join();
    QHash<QString, int> counts;
    counts.reserve(m_paths.size());
    for (qsizetype i = 0; i < m_paths.size(); ++i)
        counts.insert(m_paths.at(i), m_counts[std::size_t(i)]);
    return counts;
}
