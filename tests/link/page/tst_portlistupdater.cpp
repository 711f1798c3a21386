#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/page/portlistupdater.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "tests/support/simprocess.h"

#include <QComboBox>
#include <QFileInfo>
#include <QTest>

// The port box follows adapters that come and go. QSerialPortInfo does not list
// pseudo-terminals, so the ports here are simulators' lines that exist at the moment.
class TestPortListUpdater : public QObject {
    Q_OBJECT
private slots:
    void followsLinesThatComeAndGo();

private:
    QStringList box() const
    {
        QStringList items;
        for (int i = 0; i < m_box.count(); ++i)
            items << m_box.itemData(i).toString();
        return items;
    }

    QComboBox m_box;
};

void TestPortListUpdater::followsLinesThatComeAndGo()
{
    SimProcess first;
    SimProcess second;
    const QStringList candidates{first.linkPath(), second.linkPath()};
    DeviceData data;
    LabelStore labels(data, QString(), {});
    MemoryLine line;
    DeviceLink link(data, labels, line, {});
    m_box.setEditable(true);
    m_box.setInsertPolicy(QComboBox::NoInsert);
    PortListUpdater updater(m_box, link);
    updater.setPortSource([&] {
        QStringList present;
        for (const QString& path : candidates) {
            if (QFileInfo::exists(path))
                present << path;
        }
        return present;
    });
    updater.setPeriod(50);
    updater.start();

    QVERIFY(first.start());
    QTRY_COMPARE(box(), QStringList{first.linkPath()});
    QCOMPARE(m_box.currentText(), first.linkPath());
    QVERIFY(second.start());
    QTRY_COMPARE(box(), candidates);
    QCOMPARE(m_box.currentText(), first.linkPath());

    // The chosen line goes away: it stays in the box's text, not in its list.
    m_box.setCurrentIndex(1);
    second.stop();
    QTRY_COMPARE(box(), QStringList{first.linkPath()});
    QCOMPARE(m_box.currentIndex(), -1);
    QCOMPARE(m_box.currentText(), second.linkPath());

    // While a link has its port open the box is left alone; the refresh button does not
    // wait.
    link.setSelectedPort(first.linkPath());
    link.connectDevice();
    QVERIFY(link.isPortOpen());
    QVERIFY(second.start());
    QTest::qWait(250);
    QCOMPARE(box(), QStringList{first.linkPath()});
    updater.refresh();
    QCOMPARE(box(), candidates);
    // It comes back as the chosen port.
    QCOMPARE(m_box.currentIndex(), 1);

    // The end of a link lists the ports as they are at once.
    first.stop();
    second.stop();
    link.disconnectDevice();
    QVERIFY(!link.isPortOpen());
    QCOMPARE(box(), QStringList());
    QCOMPARE(m_box.currentText(), second.linkPath());
}

QTEST_MAIN(TestPortListUpdater)
#include "tst_portlistupdater.moc"
