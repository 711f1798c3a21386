#include "files/eventstable.h"

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
        // A spreadsheet runs a cell starting with one of these as a formula.
        QTest::newRow("equals") << "=1+2"
                                << "'=1+2";
        QTest::newRow("plus") << "+1"
                              << "'+1";
        QTest::newRow("minus") << "-1"
                               << "'-1";
        QTest::newRow("at") << "@SUM(A1)"
                            << "'@SUM(A1)";
        QTest::newRow("leading tab") << "\t=1"
                                     << "'\t=1";
        QTest::newRow("leading carriage return") << "\r=1"
                                                 << "\"'\r=1\"";
        QTest::newRow("formula quoted") << "=HYPERLINK(\"x\")_^,"
                                        << "\"'=HYPERLINK(\"\"x\"\")_^,\"";
        QTest::newRow("sign inside kept") << "U2-1 = @"
                                          << "U2-1 = @";
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
};

QTEST_GUILESS_MAIN(TestEventsTable)
#include "tst_eventstable.moc"
