#pragma once

#include <QHash>
#include <QPair>
#include <QString>

#include <vector>

// Numbers the distinct texts it is given, from 0. A study repeats a few
// hundred texts (files, actions, features, participants) in millions of
// cells, mostly as copies of one string: a copy is recognised by where its
// characters lie, without reading them, and only a text seen nowhere yet is
// hashed.
class TextIds
{
public:
    int id(const QString &text)
    {
        const QPair<const QChar *, qsizetype> where(text.constData(), text.size());
        if (where == m_last)
            return m_lastId;
        if (const auto found = m_byData.constFind(where); found != m_byData.cend())
            return remember(where, *found);
        auto found = m_byText.constFind(text);
        if (found == m_byText.cend()) {
            found = m_byText.insert(text, int(m_texts.size()));
            m_texts.push_back(text);
            // Only the characters of a text kept here stay where they are.
            m_byData.insert(where, *found);
            return remember(where, *found);
        }
        return *found;
    }

    const QString &text(int id) const { return m_texts[size_t(id)]; }
    int count() const { return int(m_texts.size()); }

private:
    int remember(const QPair<const QChar *, qsizetype> &where, int id)
    {
        m_last = where;
        m_lastId = id;
        return id;
    }

    std::vector<QString> m_texts;
    QHash<QString, int> m_byText;
    QHash<QPair<const QChar *, qsizetype>, int> m_byData;
    QPair<const QChar *, qsizetype> m_last{nullptr, -1};
    int m_lastId = -1;
};
