#include "replaystate.h"

#include <QJsonArray>

namespace {

QJsonValue lineValue(int line)
{
    return line < 0 ? QJsonValue() : QJsonValue(line);
}

QJsonValue textValue(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

QString ReplayState::taskName() const
{
    return task < 0 ? QStringLiteral("code") : QStringLiteral("task") + QString::number(task);
}

const ReplayTab *ReplayState::frontTab() const
{
    return front >= 0 && front < tabs.size() ? &tabs.at(front) : nullptr;
}

QString ReplayState::frontFile() const
{
    const ReplayTab *tab = frontTab();
    return tab ? tab->file : QString();
}

int ReplayState::tabOf(const QString &file) const
{
    for (int i = 0; i < tabs.size(); ++i) {
        if (tabs.at(i).file == file)
            return i;
    }
    return -1;
}

QJsonObject ReplayState::toJson() const
{
    QJsonArray tabList;
    for (const ReplayTab &tab : tabs)
        tabList.append(tab.file);
    QJsonValue colourValue;
    if (coloursKnown) {
        QJsonObject colourMap;
        for (auto it = colours.begin(); it != colours.end(); ++it)
            colourMap.insert(it.key(), it.value());
        colourValue = colourMap;
    }
    QJsonValue search;
    if (!searchKind.isEmpty())
        search = QJsonObject{{QStringLiteral("kind"), searchKind},
                             {QStringLiteral("text"), searchText}};
    return QJsonObject{{QStringLiteral("task"), taskName()},
                       {QStringLiteral("file"), textValue(file)},
                       {QStringLiteral("first"), lineValue(first)},
                       {QStringLiteral("last"), lineValue(last)},
                       {QStringLiteral("tabs"), tabList},
                       {QStringLiteral("front"), textValue(frontFile())},
                       {QStringLiteral("colours"), colourValue},
                       {QStringLiteral("opacity"), opacity},
                       {QStringLiteral("search"), search},
                       {QStringLiteral("interrupted"), interrupted}};
}
