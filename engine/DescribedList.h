#pragma once

#include "foundation/QmIniFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <vector>

// A list of objects, each under a description, kept sorted by description
// without regard to case, with one entry marked as the default. An entry added
// with a description equal to others goes after them, so that a list loaded in
// its saved order keeps that order (and the saved default index names the same
// entry). The list owns its objects.
template <class T> class TDescribedList
{
public:
    int Count() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const QString &Description(int index) const { return m_items.at(size_t(index)).description; }
    T *Object(int index) const { return m_items.at(size_t(index)).object.get(); }
    bool ValidIndex(int index) const { return index >= 0 && index < Count(); }

    QStringList Descriptions() const
    {
        QStringList result;
        for (const Item &item : m_items)
            result.append(item.description);
        return result;
    }

    int IndexOf(const T *object) const
    {
        for (int i = 0; i < Count(); ++i) {
            if (m_items[size_t(i)].object.get() == object)
                return i;
        }
        return -1;
    }

    // 0-based; 0 also for an empty list.
    int DefaultIndex() const { return m_defaultIndex; }
    void SetDefaultIndex(int index) { m_defaultIndex = index; }

    // Where an entry with this description would go.
    int SortedPosition(const QString &description) const
    {
        // The list is sorted: loading many entries stays quick.
        const auto after = std::upper_bound(m_items.begin(), m_items.end(), description,
                                            [](const QString &d, const Item &item) {
                                                return d.compare(item.description, Qt::CaseInsensitive) < 0;
                                            });
        return int(after - m_items.begin());
    }

    // Inserts at the sorted place without touching the default (loading).
    int Insert(const QString &description, std::unique_ptr<T> object)
    {
        const int position = SortedPosition(description);
        m_items.insert(m_items.begin() + position, Item{description, std::move(object)});
        return position;
    }

    // A new entry: the default stays on the same entry; the first entry of an
    // empty list is the default.
    int Add(const QString &description, std::unique_ptr<T> object)
    {
        const bool hadItems = !IsEmpty();
        const int position = Insert(description, std::move(object));
        if (!hadItems)
            m_defaultIndex = 0;
        else if (m_defaultIndex >= position)
            ++m_defaultIndex;
        return position;
    }

    // Takes the entry out; the default stays on the same entry, or becomes the
    // first entry when the default itself goes.
    std::unique_ptr<T> Remove(int index)
    {
        std::unique_ptr<T> object = std::move(m_items.at(size_t(index)).object);
        m_items.erase(m_items.begin() + index);
        if (index == m_defaultIndex)
            m_defaultIndex = 0;
        else if (index < m_defaultIndex)
            --m_defaultIndex;
        return object;
    }

    // A new description for the same object, which moves to its sorted place;
    // the default stays on the same entry. Returns the new index.
    int Rename(int index, const QString &description)
    {
        const bool wasDefault = index == m_defaultIndex;
        std::unique_ptr<T> object = std::move(m_items.at(size_t(index)).object);
        m_items.erase(m_items.begin() + index);
        if (index < m_defaultIndex)
            --m_defaultIndex;
        const int position = Insert(description, std::move(object));
        if (m_defaultIndex >= position)
            ++m_defaultIndex;
        if (wasDefault)
            m_defaultIndex = position;
        return position;
    }

    void Clear()
    {
        m_items.clear();
        m_defaultIndex = 0;
    }

private:
    struct Item
    {
        QString description;
        std::unique_ptr<T> object;
    };
    std::vector<Item> m_items;
    int m_defaultIndex = 0;
};

// The numbers (from 1) of the entries a list section holds, in order: those
// whose description key (Prefix + n) or content key (ContentPrefix + n +
// ContentSuffix) is there, whatever its "Count" says, so that a damaged count
// neither hides stored entries (to be overwritten) nor brings in empty ones.
inline QList<int> StoredEntryNumbers(const TZambIniFile &Ini, const QString &Section, const QString &Prefix,
                                     const QString &ContentPrefix, const QString &ContentSuffix)
{
    QStringList keys;
    Ini.ReadSection(Section, keys);
    // The number after Prefix up to Suffix, 0 when the key is not of that shape.
    const auto numberOf = [](const QString &key, const QString &prefix, const QString &suffix) {
        if (key.size() <= prefix.size() + suffix.size() || !key.startsWith(prefix, Qt::CaseInsensitive)
            || !key.endsWith(suffix, Qt::CaseInsensitive))
            return 0;
        const QStringView digits =
            QStringView(key).sliced(prefix.size(), key.size() - prefix.size() - suffix.size());
        if (digits.front() == u'0' || !std::all_of(digits.begin(), digits.end(), [](QChar c) {
                return c >= QLatin1Char('0') && c <= QLatin1Char('9');
            }))
            return 0;
        bool ok = false;
        const int n = digits.toInt(&ok);
        return ok ? n : 0;
    };
    QList<int> numbers;
    numbers.reserve(keys.size());
    for (const QString &key : keys) {
        int n = numberOf(key, Prefix, QString());
        if (n == 0)
            n = numberOf(key, ContentPrefix, ContentSuffix);
        if (n > 0)
            numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

// Starts a list section afresh: erased, then "Count" and the 1-based "Default".
inline void RewriteListHeader(TZambIniFile &Ini, const QString &Section, int Count, int DefaultIndex)
{
    Ini.EraseSection(Section);
    Ini.WriteInteger(Section, QStringLiteral("Count"), Count);
    Ini.WriteInteger(Section, QStringLiteral("Default"), DefaultIndex + 1);
}
