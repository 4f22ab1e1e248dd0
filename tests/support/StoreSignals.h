#pragma once

#include <QObject>
#include <QStringList>

// The change signals a store emitted, in order.
class StoreSignals
{
public:
    template <class Store> explicit StoreSignals(Store &store)
    {
        QObject::connect(&store, &Store::listChanged, &m_context,
                         [this] { m_seen << QStringLiteral("list"); });
        QObject::connect(&store, &Store::currentChanged, &m_context,
                         [this] { m_seen << QStringLiteral("current"); });
    }

    // What was emitted since the last call, as "list current".
    QString Take()
    {
        const QString seen = m_seen.join(QLatin1Char(' '));
        m_seen.clear();
        return seen;
    }

private:
    QObject m_context;
    QStringList m_seen;
};
