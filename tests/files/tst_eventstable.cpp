#include "datasnapshot.h"
#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "model/labelstore.h"

#include <QTemporaryDir>
#include <QTest>

class TestEventsTable : public QObject {
    Q_OBJECT

private slots:
    void csvField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "2015_3_7 9:5:0"
                               << "2015_3_7 9:5:0";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("comma") << "U2 brak_v,"
                               << "\"U2 brak_v,\"";
        QTest::newRow("quote") << "W1 \"A\""
                               << "\"W1 \"\"A\"\"\"";
        QTest::newRow("line break") << "a\nb"
                                    << "\"a\nb\"";
        QTest::newRow("carriage return") << "a\rb"
                                         << "\"a\rb\"";
        QTest::newRow("blank kept") << " "
                                    << " ";
    }
    void csvField()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(::csvField(text), field);
    }

    void csvBytes()
    {
        const QList<EventListRow> rows = {
            {"1", "2015_3_7 9:5:0", "0", "Nr Fabryczny: 7, Układ: 1, Wariant: 1"},
            {"2?", "1970_1_1 1:0:0", "4294967295", ""},
        };
        QCOMPARE(eventsCsv(rows),
                 QByteArray("Lp,Czas,Rbs [s],Zdarzenia\r\n"
                            "1,2015_3_7 9:5:0,0,\"Nr Fabryczny: 7, Uk\xc5\x82\x61\x64: 1, "
                            "Wariant: 1\"\r\n"
                            "2?,1970_1_1 1:0:0,4294967295,\r\n"));
    }

    void rowsOfLoadedFile()
    {
        QTemporaryDir dir;
        DeviceData data;
        LabelStore labels(data, dir.path(), [](const QString&) {});
        labels.setLabelFileCode(LabelStore::startCode);
        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", data, [](const QString&) {}),
                 FileStatus::Ok);

        const QList<EventListRow> rows = eventListRows(data.image());
        QCOMPARE(rows.size(), 256);
        // Row 0 is slot 9 (write position 10); its event cell is the device line.
        QCOMPARE(rows[0].number, QStringLiteral("1"));
        QCOMPARE(rows[0].time, QStringLiteral("2015_3_7 9:30:40"));
        QCOMPARE(rows[0].counter, QStringLiteral("1540"));
        QCOMPARE(rows[0].event, QStringLiteral("Nr Fabryczny: 48879, Układ: 4, Wariant: 2"));
        // Slot 7 has a wrong check byte, slot 3 is a restart.
        QCOMPARE(rows[2].number, QStringLiteral("3?"));
        QCOMPARE(rows[6].event, QStringLiteral("Restart"));
        QVERIFY(rows[5].event.endsWith(QStringLiteral("Restart_v,")));
        // Row 10 is slot 255, dated by the same time base.
        QCOMPARE(rows[10].counter, QString::number(1000 + 60 * 255));
        QCOMPARE(rows[10].time, QStringLiteral("2015_3_7 13:36:40"));
    }
};

QTEST_GUILESS_MAIN(TestEventsTable)
#include "tst_eventstable.moc"
