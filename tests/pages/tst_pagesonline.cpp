// The settings pages against the simulated controller over a pseudo-terminal: a time and
// a flag edited on the pages are written, compared and read back unchanged.

#include "app/cmainframe.h"
#include "app/cmyproperty.h"
#include "app/ctavrelview.h"
#include "app/linktools.h"
#include "link/cinitpage.h"
#include "link/cserialport.h"
#include "model/devicedata.h"
#include "model/password.h"
#include "pages/canalog.h"
#include "pages/cbinary.h"
#include "pages/crs484cfg.h"
#include "simprocess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestPagesOnline : public QObject {
    Q_OBJECT

private slots:
    void editWriteCompareRead();
};

void TestPagesOnline::editWriteCompareRead()
{
    QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*.debug=false"));
    // Reserved bytes 0, 1 and 14 set, to see them travel unchanged.
    const QByteArray held = "1234000165bd333d1565952f02065621";
    SimProcess sim;
    QVERIFY2(sim.start({"--settings", QString::fromLatin1(held), "--factory-number", "4711"}),
             sim.log().constData());
    QTemporaryDir labels;
    const StartOptions options{.port = sim.linkPath(), .labelsDir = labels.path()};
    const LinkTimings timings{.connectTick = 60, .tick = 80, .replyTimeout = 800};
    CMainFrame frame(
        options,
        [timings](PageKind kind, AppContext& context, const StartOptions& start) -> CPropertyPage* {
            if (kind == PageKind::Communication)
                return new CInitPage(context, start, std::make_unique<CSerialPort>(), timings);
            return createPage(kind, context, start);
        });
    frame.show();
    CTavrelView& view = *frame.view();
    auto* link = dynamic_cast<CInitPage*>(view.page(PageKind::Communication));
    const auto logged = [link](const QString& text) {
        int count = 0;
        for (int row = 0; row < link->logLineCount(); ++row)
            count += link->logLineAt(row).endsWith("  " + text);
        return count;
    };
    const auto settings = [&frame] {
        return QByteArray(reinterpret_cast<const char*>(frame.data().image().settings.bytes), 16)
            .toHex();
    };
    constexpr int patience = 30000;

    view.runCommand(Command::Connect);
    QTRY_VERIFY_WITH_TIMEOUT(view.isConnected(), patience);
    view.runCommand(Command::ReadSettings);
    QTRY_COMPARE_WITH_TIMEOUT(view.sheet()->pageCount(), 6, patience);
    QCOMPARE(settings(), held);

    // tgSZR 10000 ms becomes 15 s; program flag 16 is set. Each page stores on leaving.
    auto* times = dynamic_cast<Canalog*>(view.page(PageKind::Times));
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    times->valueEdit(0)->setText("15000");
    QVERIFY(view.setActivePage(int(PageKind::Program)));
    QTest::mouseClick(dynamic_cast<CBinary*>(view.page(PageKind::Program))->bitBox(16),
                      Qt::LeftButton);
    const QByteArray edited = "1234010190bd333d1565952f02065621";

    // The write would change two fields read from the controller: they are listed first.
    QStringList listed;
    frame.linkTools()->setDiffViewer(
        [&listed](const QList<SettingsDiff::Difference>& list, SettingsDiffDialog::Purpose) {
            for (const SettingsDiff::Difference& d : list)
                listed << d.held + '|' + d.device;
            return true;
        });
    view.runCommand(Command::WriteSettings);
    QCOMPARE(listed, (QStringList{"15 [s]|10000 [ms]", "1|0"}));
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy zapisano do Dorvik"), 1, patience);
    QCOMPARE(settings(), edited);
    QCOMPARE(sim.dump().value("settings").left(32), edited); // registers 0..7 of its 0..9

    view.runCommand(Command::CompareSettings);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy identyczne"), 1, patience);

    view.runCommand(Command::ReadSettings);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy odczytano"), 2, patience);
    QCOMPARE(settings(), edited);
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    QCOMPARE(times->valueEdit(0)->text() + times->unitEdit(0)->text(), QString("15[s]"));
    QCOMPARE(logged("Nastawy różne"), 0);

    // With the device password, the RS 485 page's button stores address 9 at 9600 baud
    // and writes register 7.
    view.passwordEdit()->setText(devicePassword(4711));
    view.confirmPassword();
    auto* rs485 = dynamic_cast<CRS484cfg*>(view.page(PageKind::Rs485));
    QVERIFY(view.setActivePage(int(PageKind::Rs485)));
    rs485->addressEdit()->setText("9");
    rs485->baudList()->setCurrentIndex(1);
    QTest::mouseClick(rs485->writeButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Konfigurację RS485 zapisano do Dorvik"), 1, patience);
    QCOMPARE(sim.dump().value("settings").mid(28, 4), QByteArray("5649"));
}

QTEST_MAIN(TestPagesOnline)
#include "tst_pagesonline.moc"
