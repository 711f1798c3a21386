#include "app/colors.h"
#include "events/ceditex.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "fakecontext.h"
#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "model/labelstore.h"
#include "model/textcodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr std::uint32_t red = 0x0000FF;
constexpr std::uint32_t yellow = 0x00FFFF;

struct Page {
    FakeContext context;
    QTemporaryDir labelsDir;
    LabelStore labels{context.data(), labelsDir.path(), [](const QString&) {}};
    CEventsDlg page{context};

    Page() { labels.setLabelFileCode(LabelStore::startCode); }
    DeviceImage& image() { return context.data().image(); }
    void select(int row)
    {
        page.list()->selectRow(row);
        QCoreApplication::processEvents();
    }
    std::uint32_t rowBack(int row) { return page.list()->resolvedFormat(row, 1, false).backColor; }
};

} // namespace

class TestCEventsDlg : public QObject {
    Q_OBJECT
private slots:
    void columnsAndCells();
    void rowTextsOfARegister();
    void restartColours_data();
    void restartColours();
    void badCheckAndWritePositionZero();
    void emptyListWhileNoRegister();
    void registerCompletingWhileShownRebuilds();
    void rowNotices();
    void noticeForTheEmptyRowShowsNothing();
    void typedNamesSurviveRowNotices();
    void namesStoredOnlyWhenUnlocked();
    void combinationOutOfRangeUsesSetZero();
    void selectionAndRowTexts();
    void csvMatchesTheCommandLine();
    void csvSaveFailureKeepsOldFile();
};

void TestCEventsDlg::columnsAndCells()
{
    Page p;
    CListCtrlEx* list = p.page.list();
    const QStringList headings = {"Lp", "Czas", "Rbs [s] ", "Zdarzenia"};
    const int widths[] = {30, 130, 60, 480};
    QCOMPARE(list->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), headings[c]);
        if (c > 0)
            QCOMPARE(list->columnWidth(c), widths[c]);
    }
    QVERIFY(list->columnWidth(0) >= 30);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);

    p.page.show();
    p.page.onSetActive();
    // The cell grid: each grid position holds the bit of the table, with its name.
    std::vector<bool> seen(signalCount);
    for (const auto& row : eventCellBits) {
        for (int bit : row) {
            QVERIFY(!seen[bit]);
            seen[bit] = true;
        }
    }
    QCOMPARE(p.page.nameBox(55)->text(), QString("Restart"));
    QCOMPARE(p.page.nameBox(eventCellBits[7][6])->text(), QString("Zadz.zab I>"));
    QCOMPARE(p.page.nameBox(eventCellBits[2][4])->text(), QString(" "));
    QCOMPARE(p.page.nameBox(eventCellBits[6][4])->text(), QString("Agr.imp.zał"));
    QVERIFY(p.page.nameBox(eventCellBits[0][1])->x() < p.page.nameBox(eventCellBits[0][2])->x());
    QVERIFY(p.page.nameBox(eventCellBits[0][1])->y() < p.page.nameBox(eventCellBits[1][1])->y());
    QVERIFY(!p.page.bitBox(0)->isEnabled());
}

void TestCEventsDlg::rowTextsOfARegister()
{
    Page p;
    const int wp = 10;
    fillRegister(p.image(), wp);
    p.image().deviceCombination = 2; // circuit 2, variant 1
    p.image().registerFactoryNumber = 1234;
    // Row 1: bits 12 and 14 rose; row 2: bit 3 fell; row 3: nothing changed.
    p.image().entries[slotOfRow(wp, 4)] = makeEntry(60, {3});
    p.image().entries[slotOfRow(wp, 3)] = makeEntry(70, {3});
    p.image().entries[slotOfRow(wp, 2)] = makeEntry(80);
    p.image().entries[slotOfRow(wp, 1)] = makeEntry(100, {12, 14});
    p.image().timeBase = 1425715500 - 100; // 2015-03-07 09:05:00 in Warsaw

    p.page.onSetActive();
    QVERIFY(p.page.isListBuilt());
    CListCtrlEx* list = p.page.list();
    QCOMPARE(list->itemCount(), 256);
    QCOMPARE(list->itemText(0, 0), QString("1"));
    QCOMPARE(list->itemText(0, 3), QString("Nr Fabryczny: 1234, Układ: 2, Wariant: 1"));
    QCOMPARE(list->itemText(1, 1), QString("2015_3_7 9:5:0"));
    QCOMPARE(list->itemText(1, 2), QString("100"));
    QCOMPARE(list->itemText(1, 3), QString("W1 zał_^,U1 brak_^,"));
    QCOMPARE(list->itemText(2, 3), QString("U2 brak_v,"));
    QCOMPARE(list->itemText(3, 3), QString());
    QCOMPARE(list->itemText(255, 0), QString("256"));
    for (int r = 0; r < 256; ++r)
        QCOMPARE(int(p.image().rowEntry[r]), slotOfRow(wp, r));
}

void TestCEventsDlg::restartColours_data()
{
    QTest::addColumn<QList<int>>("restartRows");
    QTest::addColumn<QList<int>>("redRows");
    QTest::addColumn<int>("firstYellow");

    QTest::newRow("no restart") << QList<int>{} << QList<int>{} << -1;
    QTest::newRow("newest entry a restart") << QList<int>{0} << QList<int>{0} << 1;
    QTest::newRow("two restarts") << QList<int>{200, 5} << QList<int>{5, 200} << 6;
    QTest::newRow("oldest entry a restart") << QList<int>{255} << QList<int>{255} << -1;
}

void TestCEventsDlg::restartColours()
{
    QFETCH(QList<int>, restartRows);
    QFETCH(QList<int>, redRows);
    QFETCH(int, firstYellow);

    Page p;
    fillRegister(p.image(), 77);
    for (int r : restartRows)
        p.image().entries[slotOfRow(77, r)] = makeEntry(5, {55, 3});
    p.page.onSetActive();

    const std::uint32_t plain = p.page.list()->colors().back;
    for (int r = 0; r < 256; ++r) {
        const std::uint32_t expected = redRows.contains(r)                    ? red
                                       : firstYellow >= 0 && r >= firstYellow ? yellow
                                                                              : plain;
        QCOMPARE(p.rowBack(r), expected);
        QCOMPARE(p.page.list()->resolvedFormat(r, 3, false).textColor,
                 expected == plain ? p.page.list()->colors().text : 0u);
    }
    for (int r : restartRows) {
        if (r > 0)
            QCOMPARE(p.page.list()->itemText(r, 3), QString("Restart"));
    }
}

void TestCEventsDlg::badCheckAndWritePositionZero()
{
    Page p;
    fillRegister(p.image(), 0);
    p.image().entries[255 - 16] = makeEntry(1, {}, false);
    p.image().entries[0] = EventEntry{}; // all zero: the check byte is wrong
    p.page.onSetActive();
    CListCtrlEx* list = p.page.list();
    QCOMPARE(list->itemText(0, 2), QString("2550")); // row 0 shows slot 255
    QCOMPARE(list->itemText(1, 2), QString("2540"));
    QCOMPARE(list->itemText(16, 0), QString("17?"));
    QCOMPARE(list->itemText(255, 0), QString("256?"));
    QCOMPARE(list->itemText(255, 2), QString("0"));
    QCOMPARE(list->itemText(15, 0), QString("16"));
}

void TestCEventsDlg::emptyListWhileNoRegister()
{
    Page p;
    p.page.onSetActive();
    QVERIFY(!p.page.isListBuilt());
    QCOMPARE(p.page.list()->itemCount(), 1);
    QCOMPARE(p.page.list()->itemText(0, 0), QString());
    QCOMPARE(p.page.list()->itemText(0, 1), QString("Nie odczytano zdarzeń"));

    fillRegister(p.image(), 3);
    p.page.onKillActive();
    p.page.onSetActive();
    QCOMPARE(p.page.list()->itemCount(), 256);

    // A new connection: the register is no longer shown, but the list was built once.
    p.page.onKillActive();
    EventRegister::resetReadState(p.image());
    p.page.onSetActive();
    QVERIFY(p.page.isListBuilt());
    QCOMPARE(p.page.list()->itemCount(), 1);
    QCOMPARE(p.page.rowTexts(0), (std::array<QString, 3>{"Nie odczytano zdarzeń", "", ""}));
}

void TestCEventsDlg::registerCompletingWhileShownRebuilds()
{
    Page p;
    p.page.onSetActive();
    QCOMPARE(p.page.list()->itemCount(), 1);
    fillRegister(p.image(), 3);
    p.page.registerChanged();
    QCOMPARE(p.page.list()->itemCount(), 256);

    // Not in front: the next activation builds it.
    p.page.onKillActive();
    p.image().entries[slotOfRow(3, 0)] = makeEntry(5, {55});
    p.page.registerChanged();
    QCOMPARE(p.rowBack(1), p.page.list()->colors().back);
    p.page.onSetActive();
    QCOMPARE(p.rowBack(1), yellow);
}

void TestCEventsDlg::rowNotices()
{
    Page p;
    const int wp = 40;
    fillRegister(p.image(), wp);
    p.image().entries[slotOfRow(wp, 0)] = makeEntry(1, {0, 9});
    p.image().entries[slotOfRow(wp, 5)] = makeEntry(1, {0, 30});
    p.image().entries[slotOfRow(wp, 6)] = makeEntry(1, {0, 31});
    p.image().entries[0] = makeEntry(1, {2}); // slot 0 is row 39; row 40 is slot 255
    p.page.onSetActive();

    // Row 5: bit 0 kept, bit 31 fell, bit 30 rose.
    p.select(5);
    QVERIFY(p.page.bitBox(0)->isChecked());
    QVERIFY(p.page.bitBox(30)->isChecked());
    QVERIFY(!p.page.bitBox(31)->isChecked());
    for (int k = 0; k < signalCount; ++k) {
        const std::uint32_t expected = (k == 30 || k == 31) ? red : 0x010101;
        QCOMPARE(p.page.nameBox(k)->textColor(), expected);
    }

    // Row 0 differs from row 1 in two bits, yet is compared with itself.
    p.select(0);
    QVERIFY(p.page.bitBox(9)->isChecked());
    for (int k = 0; k < signalCount; ++k)
        QCOMPARE(p.page.nameBox(k)->textColor(), 0x010101u);

    // The slot after slot 0 in display order is slot 255: bit 2 fell from slot 0's view.
    p.select(39);
    QVERIFY(p.page.bitBox(2)->isChecked());
    QCOMPARE(p.page.nameBox(2)->textColor(), red);

    // Notices outside the list change nothing.
    emit p.page.list()->itemChanged(300);
    emit p.page.list()->itemChanged(-1);
    QVERIFY(p.page.bitBox(2)->isChecked());
    QCOMPARE(p.page.nameBox(2)->textColor(), red);
}

void TestCEventsDlg::noticeForTheEmptyRowShowsNothing()
{
    Page p;
    fillRegister(p.image(), 1);
    p.image().entries[0] = makeEntry(1, {7});
    EventRegister::resetReadState(p.image());
    p.page.onSetActive();
    p.image().rowEntry[0] = 0;
    p.select(0);
    QVERIFY(!p.page.bitBox(7)->isChecked());
}

void TestCEventsDlg::typedNamesSurviveRowNotices()
{
    Page p;
    p.context.isLocked = false;
    fillRegister(p.image(), 9);
    p.page.onSetActive();
    p.page.nameBox(4)->setText("Nowa nazwa");
    p.select(3);
    QCOMPARE(p.page.nameBox(4)->text(), QString("Nowa nazwa"));
    p.page.onKillActive();
    QCOMPARE(slotText(EventRegister::nameSet(p.image()).signalNames[4]), QString("Nowa nazwa"));
}

void TestCEventsDlg::namesStoredOnlyWhenUnlocked()
{
    Page p;
    fillRegister(p.image(), 9);
    p.image().deviceCombination = 5;
    p.image().entries[slotOfRow(9, 1)] = makeEntry(1, {6});
    auto& names = p.image().labelSets[5].signalNames;
    const auto& otherNames = p.image().labelSets[0].signalNames;

    // Locked: the boxes are read-only, greyed, and leaving stores nothing.
    p.page.onSetActive();
    QVERIFY(p.page.nameBox(6)->isReadOnly());
    QCOMPARE(p.page.nameBox(6)->backColor(), colorRef(p.page.palette().color(QPalette::Button)));
    p.page.nameBox(6)->setText("Zmieniona");
    p.page.onKillActive();
    QCOMPARE(slotText(names[6]), QString("Imp.odc."));

    // Unlocked: white, writable, stored into the register's set, cut to 31 bytes.
    p.context.isLocked = false;
    p.page.onSetActive();
    QVERIFY(!p.page.nameBox(6)->isReadOnly());
    QCOMPARE(p.page.nameBox(6)->backColor(), 0xFFFFFFu);
    const QString longName = QString("Łącznik sekcyjny zał. ręcznie - ") + "zbyt długa";
    p.page.nameBox(6)->setText(longName);
    p.page.onKillActive();
    QCOMPARE(QByteArray(names[6]).size(), 31);
    QCOMPARE(slotText(names[6]), longName.left(31));
    QCOMPARE(slotText(otherNames[6]), QString("Imp.odc."));

    // The new name appears in the event texts at the next activation.
    p.page.onSetActive();
    QCOMPARE(p.page.list()->itemText(1, 3), longName.left(31) + "_^,");

    // storeNames works whatever the lock says.
    p.context.isLocked = true;
    p.page.nameBox(6)->setText("Z pliku");
    p.page.storeNames();
    QCOMPARE(slotText(names[6]), QString("Z pliku"));
}

void TestCEventsDlg::combinationOutOfRangeUsesSetZero()
{
    Page p;
    p.context.isLocked = false;
    fillRegister(p.image(), 9);
    p.image().deviceCombination = 200;
    setSlotText(p.image().labelSets[0].signalNames[1], "Zero");
    p.page.onSetActive();
    QCOMPARE(p.page.nameBox(1)->text(), QString("Zero"));
    p.page.nameBox(1)->setText("Zero 2");
    p.page.onKillActive();
    QCOMPARE(slotText(p.image().labelSets[0].signalNames[1]), QString("Zero 2"));
}

void TestCEventsDlg::selectionAndRowTexts()
{
    Page p;
    fillRegister(p.image(), 9);
    // Row 2's event text is far longer than a printed cell.
    for (int k = 0; k < 8; ++k)
        setSlotText(EventRegister::nameSet(p.image()).signalNames[k],
                    "Sygnał numer " + QString::number(k));
    p.image().entries[slotOfRow(9, 2)] = makeEntry(12345, {0, 1, 2, 3, 4, 5, 6, 7});
    p.page.onSetActive();
    QCOMPARE(p.page.selection().first, -1);
    QCOMPARE(p.page.selection().count, 0);

    auto* sel = p.page.list()->selectionModel();
    for (int r : {7, 2, 4})
        sel->select(p.page.list()->model()->index(r, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(p.page.selection().first, 2);
    QCOMPARE(p.page.selection().count, 3);

    const auto texts = p.page.rowTexts(2);
    QCOMPARE(texts[1], QString("12345"));
    QCOMPARE(texts[2].size(), 63);
    QVERIFY(p.page.list()->itemText(2, 3).startsWith(texts[2]));
    QCOMPARE(p.page.rowTexts(300), (std::array<QString, 3>{}));
    QCOMPARE(p.page.rowTexts(-1), (std::array<QString, 3>{}));
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

#ifndef TAVREL_CLI
    QFAIL("built without the command line");
#else
    QProcess cli;
    cli.setProcessChannelMode(QProcess::SeparateChannels);
    cli.start(QStringLiteral(TAVREL_CLI),
              {"events", "--csv", "--labels-dir", p.labelsDir.path(), file});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(csv, cli.readAllStandardOutput());
#endif

    QTemporaryDir dir;
    const QString path = dir.filePath("zdarzenia.csv");
    QVERIFY(p.page.writeCsv(path));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), csv);
    QCOMPARE(p.context.log.last(), QString("Zapisano zdarzenia do pliku CSV"));
}

void TestCEventsDlg::csvSaveFailureKeepsOldFile()
{
    Page p;
    fillRegister(p.image(), 9);
    p.page.onSetActive();
    QTemporaryDir dir;
    // A directory where the file should be: the save cannot succeed.
    const QString path = dir.filePath("taken");
    QVERIFY(QDir(dir.path()).mkdir("taken"));
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            if (auto* message = qobject_cast<QMessageBox*>(box))
                shown = message->text();
            box->close();
        }
    });
    QVERIFY(!p.page.writeCsv(path));
    QCOMPARE(shown, QString("Problem z zapisem pliku CSV"));
    QVERIFY(p.context.log.isEmpty());
    QVERIFY(QFileInfo(path).isDir());
}

QTEST_MAIN(TestCEventsDlg)
#include "tst_ceventsdlg.moc"
