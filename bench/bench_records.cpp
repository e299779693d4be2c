// Unit records: writing one unit to the station store (from save() to
// written, and the caller's own cost), exporting 100,000 units to CSV, and
// sending 10,000 queued units to a PostgreSQL server started here, over its
// Unix socket and over verified TLS. Prints figures; asserts nothing.
#include "lineForwarder.h"
#include "resultExport.h"
#include "resultSchema.h"
#include "resultStore.h"
#include "resultStoreFile.h"

#include "pgCluster.h"
#include "sampleUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()));
    return values[index];
}

void fill(const QString &storePath, int units, bool queue)
{
    {
        QSqlDatabase db = resultStoreFile::open(QStringLiteral("fill"), storePath, false, 5000, nullptr);
        resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr);
        db.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        db.transaction();
        for (int i = 0; i < units; ++i) {
            UnitRecord unit = sampleUnit("unit-" + std::to_string(i), 1779235200000 + i * 60000LL);
            unit.keysPressed.resize(0);
            for (int key = 0; key < 104; ++key)
                unit.keysPressed.push_back(key + 8);
            QSqlQuery insert(db);
            insert.prepare(QStringLiteral("INSERT INTO units (%1) VALUES (%2)")
                               .arg(QString::fromLatin1(resultSchema::UnitColumns), resultSchema::placeholders()));
            resultSchema::bindUnit(insert, unit);
            insert.exec();
            if (queue)
                db.exec(QStringLiteral("INSERT INTO line_queue VALUES ('unit-%1', %1)").arg(i));
        }
        db.commit();
    }
    resultStoreFile::release(QStringLiteral("fill"));
}

void writeOne()
{
    // Beside the program rather than in /tmp, which may live in memory.
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-records-XXXXXX"));
    ResultStore store(dir.path());
    constexpr int Runs = 300;
    std::vector<double> callUs;
    std::vector<double> writtenMs;
    for (int i = 0; i < Runs; ++i) {
        QEventLoop loop;
        QObject::connect(&store, &ResultStore::saved, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        store.save(sampleUnit("write-" + std::to_string(i)));
        callUs.push_back(timer.nsecsElapsed() / 1e3);
        loop.exec();
        writtenMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("write one unit (WAL, synchronous=FULL), %d units:\n", Runs);
    std::printf("  save() on the caller: median %.1f us, p99 %.1f us\n", percentile(callUs, 0.5),
                percentile(callUs, 0.99));
    std::printf("  save() to written:    median %.2f ms, p99 %.2f ms\n", percentile(writtenMs, 0.5),
                percentile(writtenMs, 0.99));
}

void exportMany()
{
    QTemporaryDir dir;
    constexpr int Units = 100000;
    const QString store = resultStoreFile::pathIn(dir.path());
    fill(store, Units, false);
    QElapsedTimer timer;
    timer.start();
    qint64 rows = 0;
    QString error;
    resultExport::exportCsv(store, dir.filePath(QStringLiteral("all.csv")), ResultFilter(), &rows, &error);
    const double exportS = timer.nsecsElapsed() / 1e9;
    timer.restart();
    QString summary;
    QTextStream out(&summary);
    resultExport::writeSummary(store, ResultFilter(), out, &error);
    std::printf("export %lld units to CSV: %.2f s (%.0f units/s, %.1f MB); summary: %.3f s\n",
                static_cast<long long>(rows), exportS, rows / exportS,
                QFileInfo(dir.filePath(QStringLiteral("all.csv"))).size() / 1e6, timer.nsecsElapsed() / 1e9);
}

void forwardMany()
{
    PgCluster cluster(true, QStringLiteral(TKT_TEST_CERTIFICATES));
    if (!cluster.init() || !cluster.start()) {
        std::printf("forward: no PostgreSQL server: %s\n", qPrintable(cluster.error()));
        return;
    }
    constexpr int Units = 10000;
    const QList<QPair<QString, QString>> routes = {
        {QStringLiteral("Unix socket"), cluster.url(QStringLiteral("line_socket"))},
        {QStringLiteral("TLS to 127.0.0.1, verify-full"),
         cluster.tlsUrl(QStringLiteral("line_tls"), cluster.certificate(QStringLiteral("root.crt")))}};
    for (const auto &route : routes) {
        const LineTarget target = parseLineTarget(route.second);
        cluster.query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + target.database);
        QTemporaryDir dir;
        const QString store = resultStoreFile::pathIn(dir.path());
        fill(store, Units, true);
        LineForwarder forwarder(store, target, 5000, 1000);
        QElapsedTimer timer;
        timer.start();
        const int sent = forwarder.forwardQueued();
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf(
            "forward %d queued units to PostgreSQL (%s, fsync on, batches of %d): %.2f s (%.0f units/s); on "
            "the server: %s\n",
            sent, qPrintable(route.first), LineForwarder::DefaultBatch, seconds, sent / seconds,
            qPrintable(cluster.query(target.database, QStringLiteral("SELECT count(*) FROM unit_results")).join(' ')));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    writeOne();
    exportMany();
    forwardMany();
    return 0;
}
