// The fleet collector against a real broker (Debian's mosquitto on 127.0.0.1) and
// simulated controllers, one through ser2net; a subscriber of the same client library
// takes what arrives. The runs are rows of one table, in turn, on the same controllers.

#include "tests/support/ser2net.h"
#include "tests/support/simprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QtTest>
#include <mqtt/async_client.h>

namespace {

struct Broker {
    bool start()
    {
        if (!port) {
            QTcpServer free;
            port = free.listen(QHostAddress::LocalHost) ? free.serverPort() : 0;
            writeBytes(
                dir.filePath("mosquitto.conf"),
                QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n").arg(port).toUtf8());
        }
        process.start("mosquitto", {"-c", dir.filePath("mosquitto.conf")});
        return waitForListener(port);
    }
    void stop() { process.kill(), process.waitForFinished(5000); }
    ~Broker() { stop(); }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port); }
    QTemporaryDir dir;
    QProcess process;
    quint16 port = 0;
};

// Everything under tavrel/, consumed on the test's thread (Paho queues it).
struct Subscriber {
    explicit Subscriber(const QString& url)
        : client(QString(url).replace("mqtt:", "tcp:").toStdString(), "tst-fleet")
    {
        client.start_consuming();
        client.connect()->wait();
        client.subscribe("tavrel/#", 1)->wait();
    }
    ~Subscriber()
    {
        try {
            client.disconnect()->wait_for(std::chrono::seconds(2));
        } catch (const mqtt::exception&) { // the broker went first
        }
    }
    // What arrived until a quiet half second: topic and JSON.
    QList<std::pair<QString, QJsonObject>> take()
    {
        QList<std::pair<QString, QJsonObject>> list;
        mqtt::const_message_ptr message;
        while (client.try_consume_message_for(&message, std::chrono::milliseconds(500)))
            list.append(
                {QString::fromStdString(message->get_topic()),
                 QJsonDocument::fromJson(QByteArray::fromStdString(message->get_payload_str()))
                     .object()});
        return list;
    }
    mqtt::async_client client;
};

// The counters of the entries a simulator's register holds.
QList<qint64> heldCounters(SimProcess& sim)
{
    const QByteArray bytes = QByteArray::fromHex(sim.dump().value("register"));
    QList<qint64> counters;
    for (qsizetype i = 0; i + 12 <= bytes.size(); i += 12)
        if (bytes.mid(i, 12) != QByteArray(12, 0))
            counters << qFromLittleEndian<quint32>(bytes.constData() + i);
    return counters;
}

// Settings registers of the simulators; B's reference differs in its first time code.
const char* const settings = "12ff000165bd333d1565952fff060021";

// "name | controllers collected | a new entry in A's register first (the restart a reset
// leaves) | broker stopped once a link is up | exit code | events of A and B that arrive |
// on stderr".
const char* const runs[] = {
    "first | ABCD | no | no | 1 | 256 256 | C: factory number 999 answered, 3057 expected;D: "
    "Urządzenie nie odpowiada",
    "a new entry between | AB | yes | no | 0 | 1 0 | ",
    "broker stopped | AB | yes | yes | 3 | - | broker mqtt://127.0.0.1:",
    "broker back, what was missed | AB | no | no | 0 | 1 0 | ",
};

} // namespace

class TestFleet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void collect_data();
    void collect();

private:
    QTemporaryDir m_dir;
    Broker m_broker;
    std::unique_ptr<Subscriber> m_subscriber;
    SimProcess m_sims[4];
    Ser2net m_server;
    QHash<QString, QList<qint64>> m_published; // event counters per topic, all runs
    QHash<qint64, int> m_held[2]; // of A and B: each counter seen held, at most how often
};

void TestFleet::initTestCase()
{
    if (QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/bin"}).isEmpty())
        QSKIP("mosquitto is not installed");
    QVERIFY(m_broker.start());
    m_subscriber = std::make_unique<Subscriber>(m_broker.url());
    const QStringList common{"--quiet", "--settings", settings};
    QVERIFY(m_sims[0].start(common + QStringList{"--factory-number", "3055"}));
    QVERIFY(m_sims[1].start(common + QStringList{"--factory-number", "3056"}));
    QVERIFY(m_sims[2].start(common + QStringList{"--factory-number", "999"}));
    QVERIFY(m_sims[3].start(common + QStringList{"--delay", "600000", "--fault-connect"}));
    QVERIFY(m_server.start(m_sims[1].linkPath()));
    QByteArray reference = QByteArray::fromHex(settings) + QByteArray::fromHex("00000000");
    writeBytes(m_dir.filePath("a.nst"), reference + QByteArray::fromHex("ef0b14eb"));
    reference[4] = char(0x66);
    writeBytes(m_dir.filePath("b.nst"), reference + QByteArray::fromHex("f00b14eb"));
}

void TestFleet::collect_data()
{
    QTest::addColumn<QStringList>("row");
    for (const char* row : runs)
        QTest::newRow(qPrintable(QString(row).section(" | ", 0, 0))) << QString(row).split(" | ");
}

// Every entry published once over the runs, whatever the broker did; the failing
// controllers reported while the others are collected; the changed time code on drift.
void TestFleet::collect()
{
    QFETCH(QStringList, row);
    const QString ports[] = {m_sims[0].linkPath(), m_server.name(), m_sims[2].linkPath(),
                             m_sims[3].linkPath()};
    QJsonArray controllers;
    for (QChar letter : row[1]) {
        const int i = letter.unicode() - 'A';
        QJsonObject entry{{"name", QString(letter)}, {"port", ports[i]}, {"factory", 3055 + i}};
        if (i < 2)
            entry.insert("settings", QStringLiteral("%1.nst").arg(letter.toLower()));
        controllers.append(entry);
    }
    const QString inventory = m_dir.filePath("inventory.json");
    writeBytes(inventory, QJsonDocument(QJsonObject{{"controllers", controllers}}).toJson());
    const auto run = [&](const QStringList& arguments) {
        auto cli = std::make_unique<QProcess>();
        cli->start(TAVREL_CLI, arguments + QStringList{"--labels-dir", m_dir.path()});
        return cli;
    };
    // The restart the reset leaves in the register is an entry not published before.
    if (row[2] == "yes") {
        const auto reset = run({"reset", "--port", ports[0], "--password", "KTRsondal"});
        QVERIFY(reset->waitForFinished(30000) && reset->exitCode() == 0);
    }
    const QList<qint64> before[] = {heldCounters(m_sims[0]), heldCounters(m_sims[1])};

    const auto cli = run({"collect", "--inventory", inventory, "--broker", m_broker.url(),
                          "--state-dir", m_dir.filePath("state")});
    QByteArray err;
    if (row[3] == "yes") {
        QVERIFY(QTest::qWaitFor(
            [&] { return (err += cli->readAllStandardError()).contains("Nawiązano połączenie"); },
            15000));
        m_broker.stop();
    }
    QVERIFY(cli->waitForFinished(90000));
    err += cli->readAllStandardError();
    QCOMPARE(cli->exitCode(), row[4].toInt());
    for (const QString& line : row[6].split(u';', Qt::SkipEmptyParts))
        QVERIFY2(QString::fromUtf8(err).contains(line), err.constData());
    if (row[3] == "yes") {
        m_subscriber.reset();
        QVERIFY(m_broker.start());
        m_subscriber = std::make_unique<Subscriber>(m_broker.url());
        return;
    }

    QHash<QString, QJsonObject> latest;
    QHash<QString, QList<QJsonObject>> events; // of this run
    for (const auto& [topic, json] : m_subscriber->take()) {
        latest.insert(topic, json);
        if (topic.endsWith("/events")) {
            m_published[topic] << json.value("counter").toInteger();
            events[topic] << json;
        }
    }
    for (int i = 0; i < 2; ++i) {
        const QString base = QStringLiteral("tavrel/%1/").arg(3055 + i);
        const QJsonObject status = latest.value(base + "status");
        QCOMPARE(status.value("name").toString() + status.value("version").toString() +
                     QString::number(status.value("hours").toInt()),
                 QString(QChar('A' + i)) + "2.25555");
        const QList<QJsonObject> fresh = events.value(base + "events");
        QCOMPARE(fresh.size(), row[5].section(u' ', i, i).toInt());
        if (fresh.size() == 1)
            QVERIFY(fresh[0].value("restart").toBool() && fresh[0].value("valid").toBool());
        // An entry held all through the run arrived, none arrived more often than it was
        // ever held (two entries may share a counter).
        const QList<qint64> after = heldCounters(m_sims[i]);
        const QList<qint64> published = m_published.value(base + "events");
        QHash<qint64, int>& ever = m_held[i];
        for (const QList<qint64>& held : {before[i], after})
            for (qint64 counter : held)
                ever[counter] = std::max(ever[counter], int(held.count(counter)));
        for (qint64 counter : before[i])
            QVERIFY2(published.count(counter) >=
                         std::min(before[i].count(counter), after.count(counter)),
                     qPrintable(QString::number(counter)));
        for (qint64 counter : published)
            QVERIFY2(published.count(counter) <= ever.value(counter),
                     qPrintable(QString::number(counter)));
    }
    if (row[1].contains('C')) {
        const auto drift = [&](int factory) {
            return QJsonDocument(latest.value(QStringLiteral("tavrel/%1/drift").arg(factory))
                                     .value("fields")
                                     .toArray())
                .toJson(QJsonDocument::Compact);
        };
        QCOMPARE(drift(3055), QByteArray("[]"));
        QCOMPARE(drift(3056),
                 QByteArray("[{\"controller\":\"10000 [ms]\",\"name\":\"tgSZR - "
                            "czas graniczny dla SZR\",\"reference\":\"10100 [ms]\"}]"));
        QCOMPARE(latest.value("tavrel/3057/error").value("message").toString(),
                 "factory number 999 answered, 3057 expected");
        QCOMPARE(latest.value("tavrel/3058/error").value("message").toString(),
                 "Urządzenie nie odpowiada");
    }
}

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
