#include "events/ceditex.h"
#include "events/cellformat.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "events/eventsprintsource.h"
#include "events/timelineview.h"
#include "events/timelinewindow.h"
#include "files/eventsfile.h"
#include "files/eventsfilter.h"
#include "files/eventstable.h"
#include "files/timelinepainter.h"
#include "model/labelstore.h"
#include "model/textcodec.h"
#include "pagekit/colors.h"
#include "registerentries.h"
#include "tests/support/fakecontext.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

namespace {

constexpr std::uint32_t red = 0x0000FF, yellow = 0x00FFFF, blue = 0xFF0000, green = 0x00FF00,
                        grey = 0x808080, nameColour = 0x010101;
const ListColors colors{0x111111, 0xEEEEEE, 0x222222, 0xDDDDDD};
const FontSpec listFont{"DejaVu Sans", 9};

std::unique_ptr<CellFormat> format(std::uint32_t style, std::uint32_t text = 0,
                                   std::uint32_t back = 0)
{
    auto f = std::make_unique<CellFormat>();
    f->setStyle(style);
    f->textColor = text;
    f->backColor = back;
    return f;
}

// A level's style; -1 leaves the level out. Cell red on blue, row black on yellow,
// column green on grey, so a result names the level that won.
struct Levels {
    std::unique_ptr<CellFormat> cell, row, column;
    Levels(long long c, long long r, long long col)
    {
        if (c >= 0)
            cell = format(std::uint32_t(c), red, blue);
        if (r >= 0)
            row = format(std::uint32_t(r), 0, yellow);
        if (col >= 0)
            column = format(std::uint32_t(col), green, grey);
    }
    ResolvedFormat resolve(bool selected = false) const
    {
        return resolveCellFormat({cell.get(), row.get(), column.get()}, selected, colors, listFont);
    }
};

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
    auto& names(int combination) { return image().labelSets[combination].signalNames; }
};

} // namespace

// The events page: its list, the formats of the list control and the bit boxes.
class TestEvents : public QObject {
    Q_OBJECT
private slots:
    void cellFormat_data()
    {
        QTest::addColumn<long long>("cell");
        QTest::addColumn<long long>("row");
        QTest::addColumn<long long>("column");
        QTest::addColumn<std::uint32_t>("text");
        QTest::addColumn<std::uint32_t>("back");
        QTest::addColumn<int>("weight"); // -1: no font change
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        const auto row = [](const char* name, long long cell, long long row, long long column,
                            std::uint32_t text, std::uint32_t back, int weight = -1,
                            bool italic = false, bool underline = false) {
            QTest::newRow(name) << cell << row << column << text << back << weight << italic
                                << underline;
        };
        const std::uint32_t text = colors.text, back = colors.back;
        row("cell 0x80, column applies", 0x80, 0x30, 0x30, green, grey);
        row("cell colour beats row", 0x10, 0x30, 0x30, red, yellow);
        row("cell 0x40 keeps the column off", 0x40, -1, 0x30, text, back);
        // The row's 0x40 is looked at first: with the column off, its 0x80 no longer counts.
        row("row 0x40 before column 0x80", -1, 0x70, 0x90, 0, yellow);
        // Each level brings only what differs from the list's font.
        row("three levels merge", 0x04, 0x01, 0x02, text, back, 700, true, true);
        row("cell 0x80 drops the row's font", 0x80, 0x01, 0x02, text, back, 400, true);
        row("row 0x40 drops the column's font", -1, 0x41, 0x02, text, back, 700);
    }

    void cellFormat()
    {
        QFETCH(long long, cell);
        QFETCH(long long, row);
        QFETCH(long long, column);
        QFETCH(int, weight);
        const ResolvedFormat r = Levels(cell, row, column).resolve();
        QTEST(r.textColor, "text");
        QTEST(r.backColor, "back");
        QCOMPARE(r.font ? r.font->weight : -1, weight);
        if (r.font) {
            QTEST(r.font->italic, "italic");
            QTEST(r.font->underline, "underline");
            QCOMPARE(r.font->family, listFont.family);
        }

        // Selected, only the variants count.
        Levels l(0x10, 0x30, -1);
        QCOMPARE(l.resolve(true), (ResolvedFormat{0x222222, 0xDDDDDD, {}}));
        l.row->selected = format(0x20, 0, green);
        l.cell->selected = format(0x10, blue);
        QCOMPARE(l.resolve(true), (ResolvedFormat{blue, green, {}}));
    }

    void listTexts()
    {
        Page p(10);
        p.image().deviceCombination = 2; // circuit 2, variant 1
        p.image().registerFactoryNumber = 1234;
        p.image().entries[slotOfRow(10, 1)] = makeEntry(100, {12, 14}); // bits 12 and 14 rose
        p.image().entries[slotOfRow(10, 16)] = makeEntry(1, {}, false);
        p.image().timeBase = 1425715500 - 100; // 2015-03-07 09:05:00 in Warsaw
        p.page.onSetActive();

        QCOMPARE(p.page.list()->itemCount(), 256);
        QCOMPARE(p.text(0, 3), QString("Nr Fabryczny: 1234, Układ: 2, Wariant: 1"));
        QCOMPARE(p.text(1, 1), QString("2015_3_7 9:5:0"));
        QCOMPARE(p.text(1, 2), QString("100"));
        QCOMPARE(p.text(1, 3), QString("W1 zał_^,U1 brak_^,"));
        QCOMPARE(p.text(16, 0), QString("17?"));
        QCOMPARE(p.text(15, 0), QString("16"));
        // The cells follow the grid table, each named by its bit's default name.
        QCOMPARE(p.page.nameBox(eventCellBits[7][6])->text(), QString("Zadz.zab I>"));
    }

    void restartColours_data()
    {
        QTest::addColumn<int>("writePosition");
        QTest::addColumn<QList<int>>("restartRows");
        QTest::addColumn<int>("firstYellow"); // -1: none
        QTest::newRow("no restart") << 77 << QList<int>{} << -1;
        QTest::newRow("newest entry a restart") << 77 << QList<int>{0} << 1;
        QTest::newRow("two restarts, write position 0") << 0 << QList<int>{200, 5} << 6;
    }

    void restartColours()
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
            QCOMPARE(p.page.list()->resolvedFormat(r, 1, false).backColor, back);
            QCOMPARE(p.page.list()->resolvedFormat(r, 3, false).textColor,
                     back == list.back ? list.text : 0u);
            if (r > 0 && restartRows.contains(r))
                QCOMPARE(p.text(r, 3), QString("Restart"));
        }
    }

    void emptyListUntilComplete()
    {
        Page p;
        p.page.onSetActive();
        QVERIFY(!p.page.isListBuilt());

        // A register completing while the page is in front is listed at once.
        fillRegister(p.image(), 3);
        p.page.registerChanged();
        QCOMPARE(p.page.list()->itemCount(), 256);

        // A new connection: the next activation shows the empty row again, and a notice
        // for that row shows no entry.
        p.page.onKillActive();
        p.image().entries[0] = makeEntry(1, {7});
        EventRegister::resetReadState(p.image());
        p.page.onSetActive();
        QCOMPARE(p.page.list()->itemCount(), 1);
        QCOMPARE(p.text(0, 1), QString("Nie odczytano zdarzeń"));
        p.image().rowEntry[0] = 0;
        p.select(0);
        QVERIFY(!p.page.bitBox(7)->isChecked());
    }

    void rowNotices()
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
    }

    void namesStoredOnlyWhenUnlocked()
    {
        Page p(9);
        p.image().deviceCombination = 5;
        p.image().entries[slotOfRow(9, 1)] = makeEntry(1, {6});
        // Locked: read-only, and leaving stores nothing.
        p.page.onSetActive();
        QVERIFY(p.page.nameBox(6)->isReadOnly());
        p.page.nameBox(6)->setText("Zmieniona");
        p.page.onKillActive();
        QCOMPARE(slotText(p.names(5)[6]), QString("Imp.odc."));

        // Unlocked: text typed survives a row notice and is stored into the register's
        // set, cut to 31 bytes; the event texts show it at the next activation.
        p.context.isLocked = false;
        p.page.onSetActive();
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
    }

    // The command line's bytes (those of the register's rows), written to the file.
    void csv()
    {
        Page p;
        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", p.context.data(),
                                [](const QString&) {}),
                 FileStatus::Ok);
        p.page.onSetActive();
        const QByteArray csv = p.page.csv();

        QVERIFY(
            csv.startsWith(QStringLiteral("Lp,Czas,Rbs [s],Zdarzenia\r\n1,2015_3_7 9:30:40,1540,"
                                          "\"Nr Fabryczny: 48879, Układ: 4, Wariant: 2\"\r\n")
                               .toUtf8()));
        QCOMPARE(csv, eventsCsv(eventListRows(p.image())));

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

    // The rows of the list kept by signal names and a time range; row 0, the device line,
    // always.
    void filter_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QList<int>>("kept");
        const auto row = [](const char* name, const QStringList& names, const char* from,
                            const char* to, const QList<int>& kept) {
            QTest::newRow(name) << names << QString(from) << QString(to) << kept;
        };
        row("no filter", {}, "", "", {0, 1, 2, 3, 4, 5});
        row("one signal, set or cleared", {"W1 zał"}, "", "", {0, 1, 2, 5});
        row("whole names only", {"zał"}, "", "", {0});
        row("a restart row by its name", {"Restart"}, "", "", {0, 4});
        row("several signals: any", {"U1 brak", "Restart"}, "", "", {0, 1, 4});
        row("limits included", {}, "2026-11-19T13:01:52", "2026-11-19T14:01:59", {0, 2, 3});
        row("a day as the upper limit takes it whole", {}, "", "2026-11-19", {0, 2, 3, 4});
        row("a minute as the upper limit takes its seconds", {}, "2026-11-19T14:01",
            "2026-11-19T14:01", {0, 2});
        row("signal and range", {"W1 zał"}, "2026-11-19", "", {0, 1, 2});
        row("no match", {"W2 zał"}, "", "", {0});
    }

    void filter()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, from);
        QFETCH(QString, to);
        const QList<EventListRow> rows{
            {"1", "2026_11_20 9:0:0", "9", "Nr Fabryczny: 1, Układ: 1, Wariant: 1"},
            {"2", "2026_11_20 8:0:0", "8", "W1 zał_v,U1 brak_^,"},
            {"3", "2026_11_19 14:1:59", "7", "U1 jest_v,W1 zał_^,"},
            {"4", "2026_11_19 13:1:52", "6", "W1 imp.zał_^,"},
            {"5?", "2026_11_19 13:1:51", "5", "Restart"},
            {"6", "?", "4", "W1 zał_^,"},
        };
        EventsFilter filter;
        filter.signalNames = names;
        if (!from.isEmpty())
            filter.from = parseTimeLimit(from, false);
        if (!to.isEmpty())
            filter.to = parseTimeLimit(to, true);
        QTEST(filteredRows(rows, filter), "kept");
        QVERIFY(!parseTimeLimit("2026-02-30", false));
        QVERIFY(!parseTimeLimit("2026-11-19 14:00", false));
    }

    // The page's filter: the list, CSV and printout take the rows it shows and say so; the
    // timeline follows the list's selection and selects the row of an entry clicked.
    void filteredPageAndTimeline()
    {
        Page p;
        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", p.context.data(),
                                [](const QString&) {}),
                 FileStatus::Ok);
        p.page.onSetActive();
        p.select(5);
        EventsFilter filter;
        filter.signalNames = {"U1 brak"};
        filter.to = parseTimeLimit("2015-03-07T12:30", true);
        p.page.setFilter(filter);
        const QList<EventListRow> all = eventListRows(p.image());
        const QList<int> kept = filteredRows(all, filter);
        QVERIFY(kept.size() > 2 && kept.size() < 100 && !kept.contains(5));
        QCOMPARE(p.page.shownRows(), kept);
        QList<EventListRow> keptRows;
        for (int r : kept)
            keptRows << all[r];
        QCOMPARE(p.page.csv(), eventsCsv(keptRows));
        // The selected row was hidden: no selection, the grid shows the newest entry.
        QCoreApplication::processEvents();
        QVERIFY(p.page.selectedRows().isEmpty());
        for (int k = 0; k < signalCount; ++k)
            QCOMPARE(p.page.bitBox(k)->isChecked(),
                     EventRegister::stateBit(p.image().entries[p.image().rowEntry[0]], k));
        const EventsPrintSource source = eventsPrintSource(p.page);
        QCOMPARE(eventsPrintoutRows(source), kept);
        QVERIFY(source.note.contains("U1 brak") && source.note.contains("2015-03-07 12:30:59"));

        p.page.showTimeline();
        TimelineView* view = p.page.timeline()->view();
        QCOMPARE(view->trace().points.size(), 256);
        emit view->entryClicked(kept[2]);
        QCoreApplication::processEvents();
        QCOMPARE(p.page.selectedRows(), QList<int>{kept[2]});
        QCOMPARE(view->picture().markedPoints.size(), 1);
        QCOMPARE(view->trace().points[view->picture().markedPoints[0]].row, kept[2]);
        emit view->entryClicked(5); // hidden by the filter: the selection stays
        QCOMPARE(p.page.selectedRows(), QList<int>{kept[2]});
    }

    // The timeline as SVG at 2 s a pixel: entry i (counter 10 i) at x = 160 + 5 i. One path
    // per signal that changes, its steps ("660^": up at x 660) where the entries are.
    void timelineSvg_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("end");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("pulse") << 100 << 150 << QStringList{"660^", "910v"};
        QTest::newRow("set from the oldest") << 0 << 20 << QStringList{"260v"};
        QTest::newRow("set in the newest") << 200 << 256 << QStringList{"1160^"};
        QTest::newRow("never changes") << 0 << 256 << QStringList{};
    }

    void timelineSvg()
    {
        QFETCH(int, first);
        QFETCH(int, end);
        DeviceImage image{};
        fillRegister(image, 0);
        for (int s = first; s < end; ++s)
            image.entries[s] = makeEntry(std::uint32_t(10 * s), {9});
        const SignalTrace::Trace trace = SignalTrace::traceOf(image);
        const TimelinePicture picture{trace, {}, changingSignals(trace), {}};

        QByteArray svg;
        QBuffer buffer(&svg);
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        const QSize size(1600, timelineHeight(1));
        generator.setSize(size);
        {
            QPainter painter(&generator);
            paintTimeline(painter, size, picture, TimelineScale{0, 2.0});
        }

        QStringList paths;
        for (QXmlStreamReader xml(svg); !xml.atEnd();)
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"path")
                paths << xml.attributes().value("d").toString();
        QFETCH(QStringList, steps);
        QCOMPARE(paths.size(), first == 0 && end == 256 ? 0 : 1);
        QStringList found;
        QPointF last;
        for (const QString& xy :
             paths.value(0).remove('M').remove('L').split(' ', Qt::SkipEmptyParts)) {
            const QPointF point(xy.section(',', 0, 0).toDouble(), xy.section(',', 1).toDouble());
            if (point.x() == last.x() && point.y() != last.y())
                found << QString::number(point.x()) + (point.y() < last.y() ? '^' : 'v');
            last = point;
        }
        QCOMPARE(found, steps);
    }

    // Entry i at 10 i s; the traces 1280 pixels wide. Wheel and drag keep the time under
    // the pointer where it was; a click on an entry (not a drag) reports its list row.
    void timelineView_data()
    {
        QTest::addColumn<int>("notches"); // wheel notches, 0: a press, a move by dx, a release
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("x");
        QTest::addColumn<bool>("pans");
        QTest::addColumn<int>("row"); // the row reported, -1 none
        // Entry 100 is drawn at x 661.96, its neighbours 5 pixels either side.
        QTest::newRow("zoom in") << 3 << 0.0 << 700.5 << false << -1;
        QTest::newRow("zoom out") << -2 << 0.0 << 700.5 << false << -1;
        QTest::newRow("pan") << 0 << 120.0 << 700.5 << true << -1;
        QTest::newRow("click on entry 100") << 0 << 0.0 << 662.5 << false << 155;
        QTest::newRow("click among the names") << 0 << 0.0 << 100.0 << false << -1;
        QTest::newRow("small slip of the hand") << 0 << 3.0 << 662.5 << false << 155;
    }

    void timelineView()
    {
        QFETCH(int, notches);
        QFETCH(double, dx);
        QFETCH(double, x);
        QFETCH(bool, pans);
        DeviceImage image{};
        fillRegister(image, 0);
        TimelineView view;
        view.resize(160 + 1280 + 6, 300);
        view.setTrace(SignalTrace::traceOf(image), {});
        QCOMPARE(view.scale().secondsPerPixel, 2550.0 / 1280);
        const double time = view.positionAt(x);
        QSignalSpy clicked(&view, &TimelineView::entryClicked);
        const QPointF at(x, 100);
        if (notches != 0) {
            QWheelEvent wheel(at, view.mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&view, &wheel);
            QCOMPARE(view.scale().secondsPerPixel, 2550.0 / 1280 * std::pow(1.25, -notches));
        } else {
            const QPointF to = at + QPointF(dx, 0);
            QMouseEvent press(QEvent::MouseButtonPress, at, view.mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, to, view.mapToGlobal(to),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            for (QMouseEvent* e : {&press, &move, &release})
                QApplication::sendEvent(&view, e);
        }
        QCOMPARE(qRound(view.positionAt(pans ? x + dx : x) * 1000), qRound(time * 1000));
        QFETCH(int, row);
        QCOMPARE(clicked.size(), row >= 0 ? 1 : 0);
        if (row >= 0)
            QCOMPARE(clicked.front().front().toInt(), row);
    }
};

QTEST_MAIN(TestEvents)
#include "tst_events.moc"
