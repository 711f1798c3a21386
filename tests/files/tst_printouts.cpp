#include "app/printjob.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "events/eventsprintsource.h"
#include "files/eventsfile.h"
#include "files/eventsprintout.h"
#include "files/printoutpainter.h"
#include "files/settingsprintout.h"
#include "model/catalogue.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"
#include "tests/support/fakecontext.h"

#include <QApplication>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// An A4 laser printer at 600 dpi: printable 4958 x 6800.
const PrintoutPage a4 = *printoutPage({4960, 7016}, {1, 108}, false, {4958, 6800});
const QString rule(90, u'-');

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The lines of a page's text (all pages for 0), blanks within a line made one.
QStringList pdfLines(const QString& path, int page = 0)
{
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0)
        arguments << "-f" << QString::number(page) << "-l" << QString::number(page);
    QStringList lines;
    for (const QString& line : run("pdftotext", arguments << path << "-").split(u'\n')) {
        if (!line.simplified().isEmpty())
            lines.append(line.simplified());
    }
    return lines;
}

QString pdfInfo(const QString& path, const QString& key)
{
    return QRegularExpression("^" + key + ":\\s*(.*)$", QRegularExpression::MultilineOption)
        .match(run("pdfinfo", {path}))
        .captured(1)
        .trimmed();
}

// Every word lies within the 12-point (1/6 inch) margins of the page.
bool insideMargins(const QString& path)
{
    const QString html = run("pdftotext", {"-bbox", path, "-"});
    const auto m = QRegularExpression("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\"").match(html);
    const double w = m.captured(1).toDouble() - 11.5, h = m.captured(2).toDouble() - 11.5;
    int words = 0;
    for (const auto& b :
         QRegularExpression("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                            "yMax=\"([\\d.]+)\"")
             .globalMatch(html)) {
        if (++words && (b.captured(1).toDouble() < 11.5 || b.captured(2).toDouble() < 11.5 ||
                        b.captured(3).toDouble() > w || b.captured(4).toDouble() > h))
            return false;
    }
    return words > 0 && w > 500;
}

// One line per row: the advance, then the texts with their columns (r, l, u, t).
QString render(const QList<PrintoutRow>& rows)
{
    QString text;
    for (const PrintoutRow& row : rows) {
        text += QString::number(row.advance);
        for (const PrintoutCell& cell : row.cells)
            text += u'|' + QStringLiteral("rlut").at(int(cell.column)) + u':' + cell.text;
        text += u'\n';
    }
    return text;
}

QStringList textsAt(const PrintoutSheet& sheet, int y)
{
    QStringList texts;
    for (const PrintoutText& text : sheet) {
        if (text.y == y)
            texts.append(QStringLiteral("%1:%2").arg(text.x).arg(text.text));
    }
    return texts;
}

// Runs `handle` on each modal dialog the job opens, until the job returns.
void whileDialogsOpen(const std::function<void(QWidget*)>& handle, const std::function<void()>& job)
{
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&handle] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            handle(dialog);
    });
    timer.start(20);
    job();
}

} // namespace

// The settings and events printouts: rows, page layout, PDF text, the CLI and the print job.
class TestPrintouts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsRecord::applyDefaults(m_context.data());
        m_context.labels().defaultFill();
        m_context.data().settingsValid = true;
        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", m_context.data(),
                                [](const QString&) {}),
                 FileStatus::Ok);
        m_rows = eventListRows(m_context.data().image());
    }

    void settingsRows()
    {
        DeviceData data; // no label texts: only the named bits are printed
        SettingsRecord::applyDefaults(data);
        // Circuit 4 is described in label set 3, whatever combination is current.
        Catalogue::selectCombination(data, 9); // circuit 4, variant B
        DeviceImage& image = data.image();
        setSlotText(image.labelSets[3].circuitDescription, QStringLiteral("Opis układu 4"));
        setSlotText(image.labelSets[9].circuitDescription, QStringLiteral("nieużywany"));
        setSlotText(image.flagOutputLabelSets[9].names[4], QStringLiteral("Blokada"));
        setSlotText(image.flagOutputLabelSets[9].names[26], QStringLiteral("Wyjście 2"));
        image.settings.bytes[11] = 0x10; // flag 4
        image.settings.bytes[3] = 0x04;  // output 2
        image.settings.bytes[15] = 0x7F; // address 31, 4800 baud
        const QString text = render(settingsPrintoutRows(data));
        QVERIFY(text.contains(QStringLiteral("2|l:Układ: 4|t:Opis układu 4\n")));
        QVERIFY(text.contains(QStringLiteral("3|l:Program działania\n1|r:%1\n1|l:Blokada|t:-  1\n"
                                             "3|l:Wyjście programowalne\n1|r:%1\n"
                                             "1|l:Wyjście 2|t:-  1\n3|l:Konfiguracja")
                                  .arg(rule)));
        QVERIFY(text.endsWith(QStringLiteral("1|l:Parametry|t:4800,N,1\n1|l:Adres|t:31\n")));
    }

    void timeConversion_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("unit");
        QTest::newRow("code 0") << 0 << 0 << 500 << "[ms]";
        QTest::newRow("code 127") << 7 << 127 << 12600 << "[ms]";
        QTest::newRow("0x80") << 1 << 0x80 << 127 << "[s]";
        QTest::newRow("minutes 0") << 3 << 0 << 10 << "[min]";
    }
    void timeConversion()
    {
        QFETCH(int, row);
        QFETCH(int, code);
        const PrintoutTime time = printoutTime(row, quint8(code));
        QTEST(time.value, "value");
        QTEST(time.unit, "unit");
    }

    void page_data()
    {
        QTest::addColumn<QSize>("physical");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QSize>("paintable");
        // Width, height, font height, line height, lines per page, events rows per page;
        // empty: no usable page.
        QTest::addColumn<QList<int>>("expected");
        const QSize paper(4960, 7016);
        QTest::newRow("portrait") << paper << QPoint(1, 108) << false << QSize(4958, 6800)
                                  << QList<int>{4958, 6800, 85, 89, 75, 72};
        // The offsets stay with the paper's edges: H from the width, W from the height.
        QTest::newRow("landscape") << paper << QPoint(1, 108) << true << QSize(6800, 4958)
                                   << QList<int>{6800, 4958, 61, 64, 76, 72};
        QTest::newRow("80 high") << QSize(600, 280) << QPoint(100, 100) << false << QSize(400, 80)
                                 << QList<int>{400, 80, 1, 1, 79, 0};
        QTest::newRow("79 high") << QSize(600, 279) << QPoint(100, 100) << false << QSize(400, 79)
                                 << QList<int>{};
    }
    void page()
    {
        QFETCH(QSize, physical);
        QFETCH(QPoint, offset);
        QFETCH(bool, landscape);
        QFETCH(QSize, paintable);
        QFETCH(QList<int>, expected);
        const std::optional<PrintoutPage> p = printoutPage(physical, offset, landscape, paintable);
        QCOMPARE(p.has_value(), !expected.isEmpty());
        if (p) {
            const int rows = std::max(eventsRowsPerPage(*p), 0);
            QCOMPARE((QList<int>{p->width, p->height, p->metrics.fontHeight, p->metrics.lineHeight,
                                 p->metrics.linesPerPage, rows}),
                     expected);
            // A page that holds no row cannot take the printout.
            QCOMPARE(eventsPrintoutSheets({0}, eventRowTexts(m_rows), *p).has_value(), rows > 0);
        }
    }

    // 75 lines a page: rows land at L = 1..74; a row whose advance reaches 75 opens the
    // next page at L = 1, its blank advance lines dropped.
    void settingsPageBreak_data()
    {
        QTest::addColumn<QList<int>>("advances");
        QTest::addColumn<int>("lastPage");
        QTest::addColumn<int>("lastLine");
        QTest::newRow("74 rows fill a page") << QList<int>(74, 1) << 0 << 74;
        QTest::newRow("the 75th opens page 2") << QList<int>(75, 1) << 1 << 1;
        QTest::newRow("advance 3 from 72") << QList<int>(72, 1) + QList<int>{3} << 1 << 1;
    }
    void settingsPageBreak()
    {
        QFETCH(QList<int>, advances);
        QList<PrintoutRow> rows;
        for (int advance : advances)
            rows.append({advance, {{PrintoutColumn::Label, QStringLiteral("x")}}});
        const QList<PrintoutSheet> sheets = settingsPrintoutSheets(rows, a4);
        QTEST(int(sheets.size()) - 1, "lastPage");
        QTEST(sheets.constLast().constLast().y / 89, "lastLine");
    }

    void eventsSheets()
    {
        QCOMPARE(eventsPrintoutRange({}, 3), (QList<int>{0, 1, 2})); // none selected: all
        QCOMPARE(eventsPrintoutRange({200, 3, 40, 3, -1, 256}, 256), (QList<int>{3, 40, 200}));
        // A row whose check byte is wrong ("2?") is numbered by the printout itself; texts
        // over 63 characters are cut; beyond the list the number stands alone.
        const QString longText(70, u'ż');
        const EventRowTexts texts = eventRowTexts(
            {{"1", "2015_3_7 9:5:0", "120", "x"}, {"2?", "2015_3_7 9:4:0", "60", longText}});
        const auto one = eventsPrintoutSheets(eventsPrintoutRange({300, 1, 2}, 300), texts, a4);
        QVERIFY(one && one->size() == 1);
        QCOMPARE(textsAt(one->at(0), 250 + 89),
                 (QStringList{"5:2", "200:2015_3_7 9:4:0", "1120:60",
                              QStringLiteral("1470:") + longText.left(63)}));
        QCOMPARE(textsAt(one->at(0), 250 + 2 * 89), (QStringList{"5:3", "200:", "1120:", "1470:"}));
        // A filtered list: its note on the first line, the rows below with their own numbers.
        const auto filtered = eventsPrintoutSheets({1}, texts, a4, "Filtr: od 2015-03-07");
        QCOMPARE(textsAt(filtered->at(0), 250 + 89), QStringList{"5:Filtr: od 2015-03-07"});
        QCOMPARE(textsAt(filtered->at(0), 250 + 2 * 89).first(), QString("5:2"));
        EventsPrintSource source{{0, 2}, 3, texts, QList<int>{1, 2}, {}};
        QCOMPARE(eventsPrintoutRows(source), QList<int>{2}); // selected and shown
        source.selectedRows = {0};
        QCOMPARE(eventsPrintoutRows(source), (QList<int>{1, 2})); // none shown selected: all shown
    }

    void landscapePrinter()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));

        printer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Point);
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setResolution(printoutResolution);
        // W and H from the paper's portrait size, crosswise; lh = (4758 div 80) x 1.05.
        const std::optional<PrintoutPage> page = printoutPageOf(printer);
        QVERIFY(page);
        QCOMPARE((QList<int>{page->width, page->height, page->metrics.lineHeight}),
                 (QList<int>{7017 - 200, 4958 - 200, 61}));
    }

    // The command line's PDFs: the window's printouts of the same files.
    void commandLine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("face"); // of the text; empty: the Arial-metric one
        QTest::newRow("settings") << "settings"
                                  << "";
        QTest::newRow("events") << "events"
                                << "";
        // Where no Arial-metric face is installed, the fallback face has an "fi" ligature.
        QTest::newRow("DejaVu") << "settings"
                                << "DejaVuSans";
    }
    void commandLine()
    {
        QFETCH(QString, command);
        QFETCH(QString, face);
        const bool events = command == QLatin1String("events");
        const QString out = m_dir.filePath(command + face + QStringLiteral(".pdf"));
        const QString input = QStringLiteral(TAVREL_TEST_DATA "/") +
                              (events ? "events_sample.rzd" : "settings_default.nst");
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // it needs no display of its own
        if (!face.isEmpty())
            env.insert(QStringLiteral("FONTCONFIG_FILE"), withoutArialFaces());
        cli.setProcessEnvironment(env);
        cli.start(TAVREL_CLI, {command, input, "--pdf", out, "--labels-dir", m_dir.path()});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(pdfInfo(out, "Pages") + ' ' + pdfInfo(out, "Page size"),
                 QStringLiteral("%1 595 x 842 pts (A4)").arg(events ? 4 : 1));
        QVERIFY(insideMargins(out));
        if (!face.isEmpty())
            QVERIFY(run(QStringLiteral("pdffonts"), {out}).contains(face));
        // The text can be searched: plain letters, no ligature characters.
        const QStringList text = pdfLines(out);
        QVERIFY(!text.join(u'\n').contains(QChar(0xFB01)));
        if (!events)
            QCOMPARE(text.mid(5, 2), (QStringList{"Wartość Jednostka Nastawa",
                                                  "10000 [ms] tgSZR - czas graniczny dla SZR"}));
        // 72 rows a page, each page under its own heading line; a row's columns in order.
        for (int page = 1; events && page <= 4; ++page) {
            const QStringList lines = pdfLines(out, page);
            const EventListRow& first = m_rows.at(72 * (page - 1));
            QCOMPARE(lines.size(), 2 + (page < 4 ? 72 : 40));
            QCOMPARE(lines.mid(0, 3),
                     (QStringList{
                         QStringLiteral("Lp Czas Rbs [s] Zdarzenia Strona: %1/4").arg(page), rule,
                         QStringList{QString::number(72 * page - 71), first.time, first.counter,
                                     first.event.left(63)}
                             .join(u' ')
                             .simplified()}));
        }

        cli.start(TAVREL_CLI, {command, input, "--pdf", m_dir.filePath("none/x.pdf")});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains("Problem z zapisem pliku PDF"));
    }

    void printJobPreviewsTheSelection()
    {
        CEventsDlg page(m_context);
        page.onSetActive();
        QCOMPARE(previewPages(&page), 4);
        // A selection with a gap prints exactly its rows, in list order.
        for (int row : {200, 2, 3})
            page.list()->selectionModel()->select(page.list()->model()->index(row, 0),
                                                  QItemSelectionModel::Select |
                                                      QItemSelectionModel::Rows);
        const EventsPrintSource source = eventsPrintSource(page);
        QCOMPARE(source.selectedRows, (QList<int>{2, 3, 200}));
        QCOMPARE(source.rowCount, 256);
        QCOMPARE(source.texts(200)[2], m_rows[200].event.left(63));
        QCOMPARE(previewPages(&page), 1);
    }

    void printJobSavesPdf()
    {
        const QString chosen = m_dir.filePath(QStringLiteral("nastawy"));
        const PrintoutLayout layout =
            settingsPrintoutLayout(settingsPrintoutRows(m_context.data()));
        m_context.lines.clear();
        QVERIFY(savePdfAs(chosen, layout, m_context, nullptr));
        QCOMPARE(pdfInfo(chosen + ".pdf", QStringLiteral("Pages")), QStringLiteral("1"));
        QCOMPARE(m_context.lines, QStringList{QStringLiteral("Zapisano wydruk do pliku PDF ") +
                                              QDir::toNativeSeparators(chosen + ".pdf")});
        // Failures are shown in a message box, not logged; the old file stays as it was.
        const QString none = m_dir.filePath(QStringLiteral("none/x.pdf"));
        QStringList shown;
        int saved = 0;
        whileDialogsOpen(
            [&](QWidget* dialog) {
                if (auto* box = qobject_cast<QMessageBox*>(dialog))
                    shown << box->text();
                dialog->close();
            },
            [&] {
                saved += savePdfAs(none, layout, m_context, nullptr);
                saved += savePdfAs(
                    chosen, [](auto&) { return std::optional<QList<PrintoutSheet>>(); }, m_context,
                    nullptr);
            });
        QCOMPARE(saved, 0);
        QCOMPARE(shown,
                 (QStringList{"Problem z zapisem pliku PDF " + QDir::toNativeSeparators(none),
                              "Nie znaleziono drukarki"}));
        QCOMPARE(pdfInfo(chosen + ".pdf", QStringLiteral("Pages")), QStringLiteral("1"));
        QCOMPARE(m_context.lines.size(), 1);
    }

private:
    // The number of pages the print preview of the events printout shows.
    int previewPages(const CEventsDlg* eventsPage)
    {
        int pages = -1;
        whileDialogsOpen(
            [&](QWidget* dialog) {
                auto* preview = qobject_cast<QPrintPreviewDialog*>(dialog);
                auto* widget = preview ? preview->findChild<QPrintPreviewWidget*>() : nullptr;
                pages = widget ? widget->pageCount() : 0;
                if (pages != 0)
                    dialog->close();
            },
            [&] {
                runPrintJob(PrintMode::events | PrintMode::preview, m_context,
                            eventsPrintSource(*eventsPage), nullptr);
            });
        return pages;
    }

    // A fontconfig file that hides Arial and the faces with its metrics.
    QString withoutArialFaces() const
    {
        QByteArray conf = "<?xml version=\"1.0\"?><fontconfig><include ignore_missing=\"yes\">"
                          "/etc/fonts/fonts.conf</include><selectfont><rejectfont>";
        for (const char* family : {"Arial", "Liberation Sans", "Arimo"})
            conf += QByteArray("<pattern><patelt name=\"family\"><string>") + family +
                    "</string></patelt></pattern>";
        QFile file(m_dir.filePath(QStringLiteral("no-arial.conf")));
        if (file.open(QIODevice::WriteOnly))
            file.write(conf + "</rejectfont></selectfont></fontconfig>");
        return file.fileName();
    }

    QTemporaryDir m_dir;
    FakeContext m_context{m_dir.path()};
    QList<EventListRow> m_rows;
};

QTEST_MAIN(TestPrintouts)
#include "tst_printouts.moc"
