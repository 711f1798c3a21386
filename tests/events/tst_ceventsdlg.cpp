#include "events/ceditex.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "events/eventsprintsource.h"
#include "files/eventsfile.h"
#include "model/labelstore.h"
#include "model/textcodec.h"
#include "pagekit/colors.h"
#include "registerentries.h"
#include "tests/support/fakecontext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr std::uint32_t red = 0x0000FF, yellow = 0x00FFFF, nameColour = 0x010101;

// The page with the built-in labels, as the tool has them at start.
struct Page {
    QTemporaryDir labelsDir;
    FakeContext context{labelsDir.path()};
    CEventsDlg page{context};

    Page(int writePosition = -1)
    {
        context.labels().setLabelFileCode(LabelStore::startCode);
        if (writePosition >= 0)
            fillRegister(image(), writePosition);
    }
    DeviceImage& image() { return context.data().image(); }
    void select(int row)
    {
        page.list()->selectRow(row);
        QCoreApplication::processEvents();
    }
    QString text(int row, int column) const { return page.list()->itemText(row, column); }
    std::uint32_t rowBack(int row) { return page.list()->resolvedFormat(row, 1, false).backColor; }
    auto& names(int combination) { return image().labelSets[combination].signalNames; }
};

} // namespace

class TestCEventsDlg : public QObject {
    Q_OBJECT
private slots:
    void listTexts();
    void restartColours_data();
    void restartColours();
    void emptyListUntilComplete();
    void rowNotices();
    void namesStoredOnlyWhenUnlocked();
    void selectionAndRowTexts();
    void csvMatchesTheCommandLine();
};

void TestCEventsDlg::listTexts()
{
    Page p(10);
    p.image().deviceCombination = 2; // circuit 2, variant 1
    p.image().registerFactoryNumber = 1234;
    // Row 1: bits 12 and 14 rose.
    p.image().entries[slotOfRow(10, 1)] = makeEntry(100, {12, 14});
    p.image().entries[slotOfRow(10, 16)] = makeEntry(1, {}, false);
    p.image().timeBase = 1425715500 - 100; // 2015-03-07 09:05:00 in Warsaw
    p.page.onSetActive();

    const QStringList headings = {"Lp", "Czas", "Rbs [s] ", "Zdarzenia"};
    for (int c = 0; c < 4; ++c)
        QCOMPARE(p.page.list()->model()->headerData(c, Qt::Horizontal).toString(), headings[c]);
    QCOMPARE(p.page.list()->itemCount(), 256);
    QCOMPARE(p.text(0, 3), QString("Nr Fabryczny: 1234, Układ: 2, Wariant: 1"));
    QCOMPARE(p.text(1, 1), QString("2015_3_7 9:5:0"));
    QCOMPARE(p.text(1, 2), QString("100"));
    QCOMPARE(p.text(1, 3), QString("W1 zał_^,U1 brak_^,"));
    QCOMPARE(p.text(16, 0), QString("17?"));
    QCOMPARE(p.text(15, 0), QString("16"));

    // The cells follow the grid table, each named by its bit's default name.
    QCOMPARE(p.page.nameBox(eventCellBits[0][6])->text(), QString("Restart"));
    QCOMPARE(p.page.nameBox(eventCellBits[7][6])->text(), QString("Zadz.zab I>"));
    QCOMPARE(p.page.nameBox(eventCellBits[6][4])->text(), QString("Agr.imp.zał"));
}

void TestCEventsDlg::restartColours_data()
{
    QTest::addColumn<int>("writePosition");
    QTest::addColumn<QList<int>>("restartRows");
    QTest::addColumn<int>("firstYellow"); // -1: none

    QTest::newRow("no restart") << 77 << QList<int>{} << -1;
    QTest::newRow("newest entry a restart") << 77 << QList<int>{0} << 1;
    QTest::newRow("two restarts, write position 0") << 0 << QList<int>{200, 5} << 6;
    QTest::newRow("oldest entry a restart") << 77 << QList<int>{255} << -1;
}

void TestCEventsDlg::restartColours()
{
    QFETCH(int, writePosition);
    QFETCH(QList<int>, restartRows);
    QFETCH(int, firstYellow);
    Page p(writePosition);
    for (int r : restartRows)
        p.image().entries[slotOfRow(writePosition, r)] = makeEntry(5, {55, 3});
    p.page.onSetActive();

    const ListColors& list = p.page.list()->colors();
    for (int r = 0; r < 256; ++r) {
        QCOMPARE(int(p.image().rowEntry[r]), slotOfRow(writePosition, r));
        const std::uint32_t back = restartRows.contains(r)                ? red
                                   : firstYellow >= 0 && r >= firstYellow ? yellow
                                                                          : list.back;
        QCOMPARE(p.rowBack(r), back);
        QCOMPARE(p.page.list()->resolvedFormat(r, 3, false).textColor,
                 back == list.back ? list.text : 0u);
        if (r > 0 && restartRows.contains(r))
            QCOMPARE(p.text(r, 3), QString("Restart"));
    }
}

void TestCEventsDlg::emptyListUntilComplete()
{
    Page p;
    p.page.onSetActive();
    QVERIFY(!p.page.isListBuilt());
    QCOMPARE(p.page.rowTexts(0), (std::array<QString, 3>{"Nie odczytano zdarzeń", "", ""}));

    // A register completing while the page is in front is listed at once.
    fillRegister(p.image(), 3);
    p.page.registerChanged();
    QCOMPARE(p.page.list()->itemCount(), 256);

    // A new connection: the next activation shows the empty row again, and a notice
    // for that row shows no entry.
    p.page.onKillActive();
    p.image().entries[0] = makeEntry(1, {7});
    EventRegister::resetReadState(p.image());
    p.page.registerChanged(); // not in front: nothing happens until activation
    QCOMPARE(p.page.list()->itemCount(), 256);
    p.page.onSetActive();
    QVERIFY(p.page.isListBuilt());
    QCOMPARE(p.page.list()->itemCount(), 1);
    QCOMPARE(p.text(0, 1), QString("Nie odczytano zdarzeń"));
    p.image().rowEntry[0] = 0;
    p.select(0);
    QVERIFY(!p.page.bitBox(7)->isChecked());
}

void TestCEventsDlg::rowNotices()
{
    Page p(40);
    p.image().entries[slotOfRow(40, 0)] = makeEntry(1, {0, 9});
    p.image().entries[slotOfRow(40, 5)] = makeEntry(1, {0, 30});
    p.image().entries[slotOfRow(40, 6)] = makeEntry(1, {0, 31});
    p.image().entries[0] = makeEntry(1, {2}); // row 39; its predecessor slot 255 is row 40
    p.page.onSetActive();

    p.select(5);
    QVERIFY(p.page.bitBox(0)->isChecked() && p.page.bitBox(30)->isChecked());
    QVERIFY(!p.page.bitBox(31)->isChecked());
    for (int k = 0; k < signalCount; ++k)
        QCOMPARE(p.page.nameBox(k)->textColor(), (k == 30 || k == 31) ? red : nameColour);

    // Row 0 differs from row 1, yet is compared with itself.
    p.select(0);
    QVERIFY(p.page.bitBox(9)->isChecked());
    for (int k = 0; k < signalCount; ++k)
        QCOMPARE(p.page.nameBox(k)->textColor(), nameColour);

    p.select(39);
    QCOMPARE(p.page.nameBox(2)->textColor(), red);
    emit p.page.list()->itemChanged(300);
    emit p.page.list()->itemChanged(-1);
    QVERIFY(p.page.bitBox(2)->isChecked());
    QCOMPARE(p.page.nameBox(2)->textColor(), red);
}

void TestCEventsDlg::namesStoredOnlyWhenUnlocked()
{
    Page p(9);
    p.image().deviceCombination = 5;
    p.image().entries[slotOfRow(9, 1)] = makeEntry(1, {6});

    // Locked: read-only, greyed, and leaving stores nothing.
    p.page.onSetActive();
    QVERIFY(p.page.nameBox(6)->isReadOnly());
    QCOMPARE(p.page.nameBox(6)->backColor(), colorRef(p.page.palette().color(QPalette::Button)));
    p.page.nameBox(6)->setText("Zmieniona");
    p.page.onKillActive();
    QCOMPARE(slotText(p.names(5)[6]), QString("Imp.odc."));

    // Unlocked: text typed survives a row notice and is stored into the register's
    // set, cut to 31 bytes; the event texts show it at the next activation.
    p.context.isLocked = false;
    p.page.onSetActive();
    QCOMPARE(p.page.nameBox(6)->backColor(), 0xFFFFFFu);
    const QString name = "Łącznik sekcyjny zał. ręcznie - zbyt długa";
    p.page.nameBox(6)->setText(name);
    p.select(2);
    QCOMPARE(p.page.nameBox(6)->text(), name);
    p.page.onKillActive();
    QCOMPARE(QByteArray(p.names(5)[6]).size(), 31);
    QCOMPARE(slotText(p.names(5)[6]), name.left(31));
    QCOMPARE(slotText(p.names(0)[6]), QString("Imp.odc."));
    p.page.onSetActive();
    QCOMPARE(p.text(1, 3), name.left(31) + "_^,");

    // storeNames works whatever the lock says; a combination above 15 uses set 0.
    p.context.isLocked = true;
    p.image().deviceCombination = 200;
    p.page.onSetActive();
    QCOMPARE(p.page.nameBox(6)->text(), QString("Imp.odc."));
    p.page.nameBox(6)->setText("Z pliku");
    p.page.storeNames();
    QCOMPARE(slotText(p.names(0)[6]), QString("Z pliku"));
}

void TestCEventsDlg::selectionAndRowTexts()
{
    Page p(9);
    for (int k = 0; k < 8; ++k)
        setSlotText(p.names(0)[k], "Sygnał numer " + QString::number(k));
    p.image().entries[slotOfRow(9, 2)] = makeEntry(12345, {0, 1, 2, 3, 4, 5, 6, 7});
    p.page.onSetActive();
    QCOMPARE(p.page.selection().first, -1);
    QCOMPARE(p.page.selection().count, 0);
    for (int r : {7, 2, 4})
        p.page.list()->selectionModel()->select(p.page.list()->model()->index(r, 0),
                                                QItemSelectionModel::Select |
                                                    QItemSelectionModel::Rows);
    QCOMPARE(p.page.selection().first, 2);
    QCOMPARE(p.page.selection().count, 3);

    const auto texts = p.page.rowTexts(2);
    QCOMPARE(texts[1], QString("12345"));
    QCOMPARE(texts[2], p.text(2, 3).left(63));
    QCOMPARE(texts[2].size(), 63);
    QCOMPARE(p.page.rowTexts(300), (std::array<QString, 3>{}));

    // What the events printout takes: the selected rows and the same texts.
    const EventsPrintSource source = eventsPrintSource(p.page);
    QCOMPARE(source.selectedRows, (QList<int>{2, 4, 7}));
    QCOMPARE(source.rowCount, 256);
    QCOMPARE(source.texts(2), texts);
}

void TestCEventsDlg::csvMatchesTheCommandLine()
{
    const QString file = QStringLiteral(TAVREL_TEST_DATA "/events_sample.rzd");
    EventsFileRecord record;
    QCOMPARE(readEventsFile(file, record), FileStatus::Ok);
    Page p;
    applyEventsFile(record, p.context.data(), [](const QString&) {});
    p.page.onSetActive();
    const QByteArray csv = p.page.csv();
    QVERIFY(csv.startsWith("Lp,Czas,Rbs [s],Zdarzenia\r\n"));
    QCOMPARE(csv.count("\r\n"), 257);

    QProcess cli;
    cli.start(QStringLiteral(TAVREL_CLI),
              {"events", "--csv", "--labels-dir", p.labelsDir.path(), file});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(csv, cli.readAllStandardOutput());

    QTemporaryDir dir;
    QVERIFY(p.page.writeCsv(dir.filePath("zdarzenia.csv")));
    QCOMPARE(QFileInfo(dir.filePath("zdarzenia.csv")).size(), csv.size());
    QCOMPARE(p.context.lines, QStringList{"Zapisano zdarzenia do pliku CSV"});

    // A file that cannot be written: the message, and no success line.
    QVERIFY(QDir(dir.path()).mkdir("taken"));
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->close();
        }
    });
    QVERIFY(!p.page.writeCsv(dir.filePath("taken")));
    QCOMPARE(shown, QString("Problem z zapisem pliku CSV"));
    QCOMPARE(p.context.lines.size(), 1);
}

QTEST_MAIN(TestCEventsDlg)
#include "tst_ceventsdlg.moc"
