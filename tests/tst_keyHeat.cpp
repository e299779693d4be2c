#include "keyHeat.h"

#include <QtTest>

// A key's count on the heat map: the units that failed on it, its kinds
// together, the key check's usages turned into the page's keys.
class tst_keyHeat : public QObject
{
    Q_OBJECT

private slots:
    void byPageKey_data()
    {
        QTest::addColumn<QList<int>>("kindKeyUnits"); // kind (0 chatter, 1 keyCheck, 2 neverPressed), key, units
        QTest::addColumn<QMap<int, int>>("expected");
        QTest::newRow("page keys as they are") << QList<int>{0, 65, 2, 2, 68, 1} << QMap<int, int>{{65, 2}, {68, 1}};
        QTest::newRow("a usage on its page key") << QList<int>{1, 4, 3} << QMap<int, int>{{65, 3}};
        QTest::newRow("kinds of one key together")
            << QList<int>{0, 65, 2, 1, 4, 1, 2, 65, 1} << QMap<int, int>{{65, 4}};
        QTest::newRow("a usage the page lacks") << QList<int>{1, 200, 5} << QMap<int, int>{};
    }

    void byPageKey()
    {
        QFETCH(QList<int>, kindKeyUnits);
        static const char *const kinds[] = {"chatter", "keyCheck", "neverPressed"};
        std::vector<KeyFailureCount> keys;
        for (int i = 0; i + 2 < kindKeyUnits.size(); i += 3)
            keys.push_back({QLatin1String(kinds[kindKeyUnits[i]]), kindKeyUnits[i + 1], kindKeyUnits[i + 2]});
        const auto page = [](int usage) { return usage == 4 ? std::optional<int>(65) : std::nullopt; };
        QTEST(keyHeat::byPageKey(keys, page), "expected");
    }
};

QTEST_APPLESS_MAIN(tst_keyHeat)
#include "tst_keyHeat.moc"
