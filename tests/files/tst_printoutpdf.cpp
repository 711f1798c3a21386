#include "files/eventsfile.h"
#include "files/eventsprintout.h"
#include "files/printjob.h"
#include "files/printoutpainter.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QBuffer>
#include <QFile>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of one page, or all pages, with poppler's layout.
QString pdfText(const QString& path, int page = 0)
{
    QStringList arguments{QStringLiteral("-layout"), QStringLiteral("-enc"),
                          QStringLiteral("UTF-8")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                  << QString::number(page);
    return tool(QStringLiteral("pdftotext"), arguments << path << QStringLiteral("-"));
}

QString pdfInfo(const QString& path, const QString& key)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(key),
                                  QRegularExpression::MultilineOption);
    return line.match(tool(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
}

// Every word's box on every page, in points, as poppler finds them.
struct WordBox {
    double xMin, yMin, xMax, yMax;
    QString word;
};
QList<WordBox> wordBoxes(const QString& path, double* pageWidth, double* pageHeight)
{
    const QString html =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
    const QRegularExpressionMatch size = page.match(html);
    *pageWidth = size.captured(1).toDouble();
    *pageHeight = size.captured(2).toDouble();
    const QRegularExpression word(QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                                 "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)<"));
    QList<WordBox> boxes;
    for (const QRegularExpressionMatch& m : word.globalMatch(html))
        boxes.append({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble(), m.captured(5)});
    return boxes;
}

// The lines of a text that are not blank, each with its runs of blanks made one.
QStringList lines(const QString& text)
{
    QStringList result;
    for (QString line : text.split(u'\n')) {
        line = line.simplified();
        if (!line.isEmpty())
            result.append(line);
    }
    return result;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPrintoutPdf : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_labels = m_dir.filePath(QStringLiteral("labels"));
        QVERIFY(QDir().mkpath(m_labels));

        // The sample register with the built-in texts, as the events list shows it.
        DeviceData data;
        LabelStore labels(data, m_labels, [](const QString&) {});
        labels.defaultFill();
        EventsFileRecord record;
        QCOMPARE(readEventsFile(QStringLiteral(TAVREL_TEST_DATA "/events_sample.rzd"), record),
                 FileStatus::Ok);
        applyEventsFile(record, data, [](const QString&) {});
        m_rows = eventListRows(data.image());
        QCOMPARE(m_rows.size(), 256);
    }

    void settingsPdf()
    {
        DeviceData data;
        LabelStore labels(data, m_labels, [](const QString&) {});
        SettingsRecord::applyDefaults(data);
        labels.defaultFill();
        data.image().factoryNumber = 1207;
        const QString path = m_dir.filePath(QStringLiteral("settings.pdf"));
        QString error;
        QVERIFY2(savePrintoutPdf(path, settingsPrintoutLayout(settingsPrintoutRows(data)), &error),
                 qPrintable(error));

        QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("1"));
        QVERIFY(pdfInfo(path, QStringLiteral("Page size")).contains(QStringLiteral("(A4)")));
        const QStringList text = lines(pdfText(path));
        const QString rule(90, u'-');
        QCOMPARE(text.mid(0, 7),
                 (QStringList{rule, "Układ: 1 Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)",
                              "Wariant: A Wariant A", "Numer fabryczny: 1207", rule,
                              "Wartość Jednostka Nastawa",
                              "10000 [ms] tgSZR - czas graniczny dla SZR"}));
        QVERIFY(text.contains(
            QStringLiteral("2000 [ms] trSZR - opóźnienie rozruchu SZR od zaniku napięcia")));
        const qsizetype program = text.indexOf(QStringLiteral("Program działania"));
        const qsizetype output = text.indexOf(QStringLiteral("Wyjście programowalne"));
        QVERIFY(program > 0 && output > program);
        QCOMPARE(text.at(program + 2), QStringLiteral("Default text 1 - 1"));
        QCOMPARE(text.at(output - 1), QStringLiteral("Default text 24 - 0"));
        QCOMPARE(text.mid(text.size() - 4),
                 (QStringList{"Konfiguracja portu RS485", rule, "Parametry 19200,N,1", "Adres 1"}));
        checkInsideMargins(path);
    }

    void eventsPdfOfAllRows()
    {
        const QString path = m_dir.filePath(QStringLiteral("events.pdf"));
        QString error;
        QVERIFY2(savePrintoutPdf(
                     path,
                     eventsPrintoutLayout(eventsPrintoutRange({}, 256), eventRowTexts(m_rows)),
                     &error),
                 qPrintable(error));
        QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("4"));

        // A4 with 1/6 inch margins at 600 dpi: H = 6817, lh = 89, 72 rows a page.
        const int rowsOnPage[] = {72, 72, 72, 40};
        int next = 0;
        for (int page = 1; page <= 4; ++page) {
            const QStringList text = lines(pdfText(path, page));
            QCOMPARE(text.at(0),
                     QStringLiteral("Lp Czas Rbs [s] Zdarzenia Strona: %1/4").arg(page));
            QCOMPARE(text.at(1), QString(90, u'-'));
            QCOMPARE(text.size(), 2 + rowsOnPage[page - 1]);
            for (int i = 2; i < text.size(); ++i, ++next) {
                const EventListRow& row = m_rows.at(next);
                const QString expected = QStringList{QString::number(next + 1), row.time,
                                                     row.counter, row.event.left(63)}
                                             .join(u' ')
                                             .simplified();
                QCOMPARE(text.at(i), expected);
            }
        }
        QCOMPARE(next, 256);
        // Row 0 carries the device line, with its Polish letters.
        QVERIFY(lines(pdfText(path, 1)).at(2).contains(QStringLiteral("Układ:")));
        checkInsideMargins(path);
    }

    void eventsPdfOfASelection()
    {
        const QString path = m_dir.filePath(QStringLiteral("selection.pdf"));
        QVERIFY(savePrintoutPdf(path, eventsPrintoutLayout(eventsPrintoutRange({255, 4, 3}, 256),
                                                           eventRowTexts(m_rows))));
        QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("1"));
        const QStringList text = lines(pdfText(path));
        QCOMPARE(text.size(), 5);
        QCOMPARE(text.at(0), QStringLiteral("Lp Czas Rbs [s] Zdarzenia Strona: 1/1"));
        QVERIFY(text.at(2).startsWith(QStringLiteral("4 ") + m_rows.at(3).time));
        QVERIFY(text.at(3).startsWith(QStringLiteral("5 ") + m_rows.at(4).time));
        QVERIFY(text.at(4).startsWith(QStringLiteral("256 ") + m_rows.at(255).time));
    }

    void landscapePrinter()
    {
        const QString path = m_dir.filePath(QStringLiteral("landscape.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Point);
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setResolution(printoutResolution);

        // The paper's portrait size less its offsets, taken crosswise.
        const std::optional<PrintoutPage> page = printoutPageOf(printer);
        QVERIFY(page);
        QCOMPARE(page->width, 7017 - 2 * 100);
        QCOMPARE(page->height, 4958 - 2 * 100);
        QCOMPARE(page->metrics.lineHeight, 61);

        QCOMPARE(printOn(printer,
                         eventsPrintoutLayout(eventsPrintoutRange({}, 256), eventRowTexts(m_rows))),
                 PrintStatus::Ok);
        QCOMPARE(pdfInfo(path, QStringLiteral("Page size")), QStringLiteral("842 x 595 pts (A4)"));
        // (4758 - 250) / 61 - 1 = 72 rows a page: four pages.
        QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("4"));
        QCOMPARE(lines(pdfText(path, 4)).size(), 2 + 256 - 3 * 72);
        QCOMPARE(lines(pdfText(path, 4)).constLast().section(u' ', 0, 0), QStringLiteral("256"));
        checkInsideMargins(path);
    }

    void pageTooSmallForOneLine()
    {
        // 72 points at 600 dpi less 2 x 32 points: 66 device units, H div 80 = 0.
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QPdfWriter writer(&buffer);
        writer.setResolution(printoutResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(72, 72), QPageSize::Point),
                                         QPageLayout::Portrait, QMarginsF(32, 32, 32, 32),
                                         QPageLayout::Point));
        QCOMPARE(paintPrintout(writer, settingsPrintoutLayout({})), PrintStatus::NoPrinter);
    }

    void failedPdfLeavesTheOldFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("kept.pdf"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old bytes");
        old.close();

        QString error;
        const PrintoutLayout nothingFits = [](const PrintoutPage&) {
            return std::optional<QList<PrintoutSheet>>();
        };
        QVERIFY(!savePrintoutPdf(path, nothingFits, &error));
        QCOMPARE(error, QStringLiteral("Nie znaleziono drukarki"));
        QCOMPARE(fileBytes(path), QByteArray("old bytes"));

        const QString missing = m_dir.filePath(QStringLiteral("no-dir/out.pdf"));
        QVERIFY(!savePrintoutPdf(missing, settingsPrintoutLayout({}), &error));
        QCOMPARE(error, QStringLiteral("Problem z zapisem pliku PDF ") +
                            QDir::toNativeSeparators(missing));
        QVERIFY(!QFile::exists(missing));
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("settings") << "settings"
                                  << "settings_default.nst"
                                  << "1" << QString(90, u'-');
        QTest::newRow("events") << "events"
                                << "events_sample.rzd"
                                << "4"
                                << "Lp Czas Rbs [s] Zdarzenia Strona: 1/4";
    }
    void commandLine()
    {
        QFETCH(QString, command);
        QFETCH(QString, file);
        const QString out = m_dir.filePath(command + QStringLiteral("-cli.pdf"));
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the command line needs no display
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(TAVREL_CLI),
                  {command, QStringLiteral(TAVREL_TEST_DATA "/") + file, QStringLiteral("--pdf"),
                   out, QStringLiteral("--labels-dir"), m_labels});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());
        QTEST(pdfInfo(out, QStringLiteral("Pages")), "pages");
        QTEST(lines(pdfText(out)).value(0), "firstLine");

        // An unwritable target is reported, with a failure exit code.
        cli.start(QStringLiteral(TAVREL_CLI),
                  {command, QStringLiteral(TAVREL_TEST_DATA "/") + file, QStringLiteral("--pdf"),
                   m_dir.filePath(QStringLiteral("none/x.pdf"))});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(QString::fromUtf8(cli.readAllStandardError())
                    .contains(QStringLiteral("Problem z zapisem pliku PDF")));
    }

    void commandLineEventsMatchTheList()
    {
        // The command line prints what the window prints of the same register.
        const QString window = m_dir.filePath(QStringLiteral("events.pdf"));
        const QString cli = m_dir.filePath(QStringLiteral("events-cli.pdf"));
        QVERIFY(QFile::exists(window) && QFile::exists(cli)); // written by the tests before
        QCOMPARE(pdfText(cli), pdfText(window));
    }

private:
    // Nothing drawn outside the margins of 12 points (1/6 inch) that the PDF keeps.
    void checkInsideMargins(const QString& path)
    {
        double width = 0;
        double height = 0;
        const QList<WordBox> boxes = wordBoxes(path, &width, &height);
        QVERIFY(!boxes.isEmpty());
        QVERIFY(width > 500 && height > 500);
        for (const WordBox& box : boxes) {
            QVERIFY2(box.xMin >= 12 - 0.5 && box.yMin >= 12 - 0.5 && box.xMax <= width - 12 + 0.5 &&
                         box.yMax <= height - 12 + 0.5,
                     qPrintable(QStringLiteral("%1 at %2,%3-%4,%5")
                                    .arg(box.word)
                                    .arg(box.xMin)
                                    .arg(box.yMin)
                                    .arg(box.xMax)
                                    .arg(box.yMax)));
        }
    }

    QTemporaryDir m_dir;
    QString m_labels;
    QList<EventListRow> m_rows;
};

QTEST_MAIN(TestPrintoutPdf)
#include "tst_printoutpdf.moc"
