#include "app/printjob.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "events/eventsprintsource.h"
#include "files/eventsfile.h"
#include "model/settingsrecord.h"
#include "tests/support/fakecontext.h"

#include <QApplication>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

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

QString pdfPages(const QString& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    info.waitForFinished(30000);
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    const qsizetype at = text.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? QString() : text.mid(at + 6).section(u'\n', 0, 0).trimmed();
}

// The number of pages the print preview of a printout shows.
int previewPages(AppContext& context, int mode, const CEventsDlg* eventsPage,
                 QString* title = nullptr)
{
    int pages = -1;
    whileDialogsOpen(
        [&](QWidget* dialog) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(dialog);
            auto* widget = preview ? preview->findChild<QPrintPreviewWidget*>() : nullptr;
            if (title)
                *title = dialog->windowTitle();
            pages = widget ? widget->pageCount() : 0;
            if (pages != 0)
                dialog->close();
        },
        [&] {
            runPrintJob(mode | PrintMode::preview, context,
                        eventsPage ? std::optional(eventsPrintSource(*eventsPage)) : std::nullopt,
                        nullptr);
        });
    return pages;
}

} // namespace

class TestPrintJob : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_context = std::make_unique<FakeContext>(m_dir.path());
        SettingsRecord::applyDefaults(m_context->data());
        m_context->labels().defaultFill();
        m_context->data().settingsValid = true;
    }

    void eventsPageSelection()
    {
        QCOMPARE(loadEventsFile(QStringLiteral(TAVREL_TEST_DATA "/events_sample.rzd"),
                                m_context->data(), [](const QString&) {}),
                 FileStatus::Ok);
        CEventsDlg page(*m_context);
        page.onSetActive();
        QString title;
        QCOMPARE(previewPages(*m_context, PrintMode::events, &page, &title), 4);
        QCOMPARE(title, QStringLiteral("Podgląd wydruku"));

        // A selection with a gap prints exactly its rows, in list order.
        for (int row : {200, 2, 3})
            page.list()->selectionModel()->select(page.list()->model()->index(row, 0),
                                                  QItemSelectionModel::Select |
                                                      QItemSelectionModel::Rows);
        const EventsPrintSource source = eventsPrintSource(page);
        QCOMPARE(source.selectedRows, (QList<int>{2, 3, 200}));
        QCOMPARE(source.rowCount, 256);
        const QList<EventListRow> rows = eventListRows(m_context->data().image());
        const std::array<QString, 3> cells = source.texts(200);
        QCOMPARE(cells[0], rows[200].time);
        QCOMPARE(cells[2], rows[200].event.left(63));
        QCOMPARE(previewPages(*m_context, PrintMode::events, &page), 1);
    }

    void pdfSavedAndLogged()
    {
        const QString chosen = m_dir.filePath(QStringLiteral("nastawy"));
        const PrintoutLayout layout =
            settingsPrintoutLayout(settingsPrintoutRows(m_context->data()));
        QVERIFY(savePdfAs(chosen, layout, *m_context, nullptr));
        const QString path = chosen + QStringLiteral(".pdf");
        QCOMPARE(pdfPages(path), QStringLiteral("1"));
        QCOMPARE(m_context->lines, QStringList{QStringLiteral("Zapisano wydruk do pliku PDF ") +
                                               QDir::toNativeSeparators(path)});

        // A file that cannot be written is reported in a message box, and not logged.
        QString shown;
        bool saved = true;
        whileDialogsOpen(
            [&](QWidget* dialog) {
                if (auto* box = qobject_cast<QMessageBox*>(dialog))
                    shown = box->text();
                dialog->close();
            },
            [&] { saved = savePdfAs(m_dir.filePath("none/x.pdf"), layout, *m_context, nullptr); });
        QVERIFY(!saved);
        QVERIFY(shown.startsWith(QStringLiteral("Problem z zapisem pliku PDF ")));
        QCOMPARE(m_context->lines.size(), 1);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<FakeContext> m_context;
};

QTEST_MAIN(TestPrintJob)
#include "tst_printjob.moc"
