#include "files/eventsfile.h"
#include "files/eventsprintout.h"
#include "files/printoutpainter.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

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
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                  << QString::number(page);
    QStringList lines;
    for (const QString& line :
         run(QStringLiteral("pdftotext"), arguments << path << QStringLiteral("-")).split(u'\n')) {
        if (!line.simplified().isEmpty())
            lines.append(line.simplified());
    }
    return lines;
}

QString pdfInfo(const QString& path, const QString& key)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(key),
                                  QRegularExpression::MultilineOption);
    return line.match(run(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
}

// Every word lies within the 12-point (1/6 inch) margins of the page.
bool insideMargins(const QString& path)
{
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, "-"});
    const QRegularExpressionMatch page =
        QRegularExpression(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""))
            .match(html);
    const double width = page.captured(1).toDouble();
    const double height = page.captured(2).toDouble();
    const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""));
    int words = 0;
    for (const QRegularExpressionMatch& m : word.globalMatch(html)) {
        ++words;
        if (m.captured(1).toDouble() < 11.5 || m.captured(2).toDouble() < 11.5 ||
            m.captured(3).toDouble() > width - 11.5 || m.captured(4).toDouble() > height - 11.5)
            return false;
    }
    return words > 0 && width > 500;
}

} // namespace

class TestPrintoutPdf : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        LabelStore labels(m_data, m_dir.path(), [](const QString&) {});
        SettingsRecord::applyDefaults(m_data);
        labels.defaultFill();
        m_data.image().factoryNumber = 1207;
        QCOMPARE(loadEventsFile(QStringLiteral(TAVREL_TEST_DATA "/events_sample.rzd"), m_data,
                                [](const QString&) {}),
                 FileStatus::Ok);
        m_rows = eventListRows(m_data.image());
    }

    void settingsPdf()
    {
        const QString path = m_dir.filePath(QStringLiteral("settings.pdf"));
        QString error;
        QVERIFY2(
            savePrintoutPdf(path, settingsPrintoutLayout(settingsPrintoutRows(m_data)), &error),
            qPrintable(error));
        QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("1"));
        QCOMPARE(pdfInfo(path, QStringLiteral("Page size")), QStringLiteral("595 x 842 pts (A4)"));
        const QStringList text = pdfLines(path);
        const QString rule(90, u'-');
        QCOMPARE(text.mid(0, 7),
                 (QStringList{rule, "Układ: 1 Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)",
                              "Wariant: A Wariant A", "Numer fabryczny: 1207", rule,
                              "Wartość Jednostka Nastawa",
                              "10000 [ms] tgSZR - czas graniczny dla SZR"}));
        const qsizetype program = text.indexOf(QStringLiteral("Program działania"));
        QVERIFY(program > 7);
        QCOMPARE(text.at(program + 2), QStringLiteral("Default text 1 - 1"));
        QCOMPARE(text.mid(text.size() - 4),
                 (QStringList{"Konfiguracja portu RS485", rule, "Parametry 19200,N,1", "Adres 1"}));
        QVERIFY(insideMargins(path));
    }

    void eventsPdf()
    {
        const QString path = m_dir.filePath(QStringLiteral("events.pdf"));
        QVERIFY(savePrintoutPdf(
            path, eventsPrintoutLayout(eventsPrintoutRange({}, 256), eventRowTexts(m_rows))));
        QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("4"));
        // H = 6817 on A4: 72 rows a page, each page under its own heading line.
        int next = 0;
        for (int page = 1; page <= 4; ++page) {
            const QStringList text = pdfLines(path, page);
            QCOMPARE(text.at(0),
                     QStringLiteral("Lp Czas Rbs [s] Zdarzenia Strona: %1/4").arg(page));
            QCOMPARE(text.at(1), QString(90, u'-'));
            QCOMPARE(text.size(), 2 + (page < 4 ? 72 : 40));
            for (const QString& line : text.mid(2)) {
                const EventListRow& row = m_rows.at(next++);
                QCOMPARE(line, QStringList({QString::number(next), row.time, row.counter,
                                            row.event.left(63)})
                                   .join(u' ')
                                   .simplified());
            }
        }
        QVERIFY(pdfLines(path, 1).at(2).contains(QStringLiteral("Układ:")));
        QVERIFY(insideMargins(path));
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
        // W and H from the paper's portrait size, crosswise; lh = (4758 div 80) x 1.05.
        const std::optional<PrintoutPage> page = printoutPageOf(printer);
        QVERIFY(page);
        QCOMPARE((QList<int>{page->width, page->height, page->metrics.lineHeight}),
                 (QList<int>{7017 - 200, 4958 - 200, 61}));

        QCOMPARE(paintPrintout(printer, eventsPrintoutLayout(eventsPrintoutRange({}, 256),
                                                             eventRowTexts(m_rows))),
                 PrintStatus::Ok);
        QCOMPARE(pdfInfo(path, QStringLiteral("Page size")), QStringLiteral("842 x 595 pts (A4)"));
        // (4758 - 250) div 61 - 1 = 72 rows a page.
        QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("4"));
        QVERIFY(pdfLines(path, 4).constLast().startsWith(QStringLiteral("256 ")));
        QVERIFY(insideMargins(path));
    }

    void failedPdfLeavesTheOldFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("kept.pdf"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QString error;
        const PrintoutLayout nothingFits = [](const PrintoutPage&) {
            return std::optional<QList<PrintoutSheet>>();
        };
        QVERIFY(!savePrintoutPdf(path, nothingFits, &error));
        QCOMPARE(error, QStringLiteral("Nie znaleziono drukarki"));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));

        const QString missing = m_dir.filePath(QStringLiteral("no-dir/out.pdf"));
        QVERIFY(!savePrintoutPdf(missing, settingsPrintoutLayout({}), &error));
        QCOMPARE(error, "Problem z zapisem pliku PDF " + QDir::toNativeSeparators(missing));
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("face"); // of the text; empty: the Arial-metric one
        QTest::newRow("settings") << "settings"
                                  << "settings_default.nst"
                                  << "1"
                                  << "";
        QTest::newRow("events") << "events"
                                << "events_sample.rzd"
                                << "4"
                                << "";
        // Where no Arial-metric face is installed, the fallback face has an "fi" ligature.
        QTest::newRow("settings, DejaVu Sans") << "settings"
                                               << "settings_default.nst"
                                               << "1"
                                               << "DejaVuSans";
    }
    void commandLine()
    {
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(QString, face);
        const QString out = m_dir.filePath(command + face + QStringLiteral("-cli.pdf"));
        const QString input = QStringLiteral(TAVREL_TEST_DATA "/") + file;
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // it needs no display of its own
        if (!face.isEmpty())
            env.insert(QStringLiteral("FONTCONFIG_FILE"), withoutArialFaces());
        cli.setProcessEnvironment(env);
        cli.start(TAVREL_CLI, {command, input, "--pdf", out, "--labels-dir", m_dir.path()});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QTEST(pdfInfo(out, QStringLiteral("Pages")), "pages");
        if (!face.isEmpty())
            QVERIFY(run(QStringLiteral("pdffonts"), {out}).contains(face));
        // The text can be searched: plain letters, no ligature characters.
        const QString text = run(QStringLiteral("pdftotext"), {out, QStringLiteral("-")});
        QVERIFY(!text.contains(QChar(0xFB01)));
        if (command == QLatin1String("settings"))
            QVERIFY(text.contains(QStringLiteral("Konfiguracja portu RS485")));
        // The window's printout of the same file, page for page.
        if (command == QLatin1String("events"))
            QCOMPARE(pdfLines(out), pdfLines(m_dir.filePath(QStringLiteral("events.pdf"))));

        cli.start(TAVREL_CLI, {command, input, "--pdf", m_dir.filePath("none/x.pdf")});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains("Problem z zapisem pliku PDF"));
    }

private:
    // A fontconfig file that hides Arial and the faces with its metrics.
    QString withoutArialFaces() const
    {
        const QString path = m_dir.filePath(QStringLiteral("no-arial.conf"));
        QFile conf(path);
        if (!conf.exists() && conf.open(QIODevice::WriteOnly)) {
            conf.write("<?xml version=\"1.0\"?>\n<fontconfig>\n"
                       "<include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
                       "<selectfont><rejectfont>\n");
            for (const char* family : {"Arial", "Liberation Sans", "Arimo"})
                conf.write(QByteArray("<pattern><patelt name=\"family\"><string>") + family +
                           "</string></patelt></pattern>\n");
            conf.write("</rejectfont></selectfont>\n</fontconfig>\n");
        }
        return path;
    }

    QTemporaryDir m_dir;
    DeviceData m_data;
    QList<EventListRow> m_rows;
};

QTEST_MAIN(TestPrintoutPdf)
#include "tst_printoutpdf.moc"
