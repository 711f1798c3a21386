#include "app/appcontext.h"
#include "files/printjob.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

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

// The view as far as a print job reaches it.
class PrintContext : public AppContext {
public:
    DeviceData& data() override { return m_data; }
    bool locked() const override { return true; }
    bool deviceAccess() const override { return false; }
    bool isConnected() const override { return false; }
    void logMessage(const QString& text) override { lines.append(text); }
    int activePageIndex() const override { return 1; }
    bool setActivePage(int) override { return true; }
    void addSettingsPages() override {}
    void addEventsPage() override {}
    void activateEventsPage() override {}
    void startPrintout(int) override {}
    void writeRs485Config() override {}

    QStringList lines;

private:
    DeviceData m_data;
};

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

} // namespace

class TestPrintJob : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_context = std::make_unique<PrintContext>();
        LabelStore labels(m_context->data(), m_dir.path(), [](const QString&) {});
        SettingsRecord::applyDefaults(m_context->data());
        labels.defaultFill();
        m_context->data().settingsValid = true;
    }

    void previewShowsThePages()
    {
        int pages = -1;
        QString title;
        whileDialogsOpen(
            [&](QWidget* dialog) {
                auto* preview = qobject_cast<QPrintPreviewDialog*>(dialog);
                QVERIFY(preview);
                title = preview->windowTitle();
                auto* widget = preview->findChild<QPrintPreviewWidget*>();
                QVERIFY(widget);
                pages = widget->pageCount();
                if (pages > 0)
                    preview->reject();
            },
            [&] {
                runPrintJob(PrintMode::settings | PrintMode::preview, *m_context, nullptr, nullptr);
            });
        QCOMPARE(title, QStringLiteral("Podgląd wydruku"));
        QCOMPARE(pages, 1);
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
    std::unique_ptr<PrintContext> m_context;
};

QTEST_MAIN(TestPrintJob)
#include "tst_printjob.moc"
