#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsdiff.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"

#include <QTest>

// The fields in which the held settings and the controller's differ, against the
// built-in labels: held is always the default record of combination 0.
class TestSettingsDiff : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void differences_data();
    void differences();

private:
    QStringList rows(const SettingsImage& device, unsigned combination) const;

    DeviceData m_data;
};

static SettingsImage imageFromHex(const char* hex)
{
    SettingsImage image{};
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::copy_n(bytes.constData(), 16, reinterpret_cast<char*>(image.bytes));
    return image;
}

void TestSettingsDiff::initTestCase()
{
    LabelStore labels(m_data, QString(), {});
    labels.defaultFill();
    // A flag without a name: the combination has no such function.
    setSlotText(m_data.image().flagOutputLabelSets[0].names[6], QString());
}

QStringList TestSettingsDiff::rows(const SettingsImage& device, unsigned combination) const
{
    const DeviceImage& image = m_data.image();
    QStringList out;
    for (const auto& d :
         SettingsDiff::differences(SettingsRecord::defaultImage, 0, device, combination,
                                   image.labelSets[0], image.flagOutputLabelSets[0]))
        out << d.name + '|' + d.held + '|' + d.device;
    return out;
}

void TestSettingsDiff::differences_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<unsigned>("combination");
    QTest::addColumn<QStringList>("expected");
    // Defaults: 00 00 00 01 65 BD 33 3D 15 65 95 2F 02 06 00 21.
    QTest::newRow("identical") << QByteArray("0000000165BD333D1565952F02060021") << 0u
                               << QStringList();
    QTest::newRow("time rows in each unit")
        << QByteArray("000000018BBD3302156595 2F020B0021").replace(' ', "") << 0u
        << QStringList{"tgSZR - czas graniczny dla SZR|10000 [ms]|10 [s]",
                       "tgAZZ oraz twSPP - czas graniczny dla AZZ oraz czas wyczekiwania na "
                       "SPP|600 [min]|10 [min]",
                       "Czas impulsów sterujących|500 [ms]|1000 [ms]"};
    QTest::newRow("flags by name, also without one")
        << QByteArray("0000800165BD333D1565956E02060021") << 0u
        << QStringList{"Program działania: Default text 1|1|0", "Program działania: bit 6|0|1",
                       "Program działania: Default text 24|0|1"};
    QTest::newRow("outputs") << QByteArray("0000000465BD333D1565952F02060021") << 0u
                             << QStringList{"Wyjście programowalne: Default text 25|1|0",
                                            "Wyjście programowalne: Default text 27|0|1"};
    QTest::newRow("rs485 address and rate")
        << QByteArray("0000000165BD333D1565952F02060045") << 0u
        << QStringList{"Konfiguracja portu RS485: Adres|1|5",
                       "Konfiguracja portu RS485: Parametry|19200,N,1|9600,N,1"};
    QTest::newRow("rs485 bit 7 alone") << QByteArray("0000000165BD333D1565952F020600A1") << 0u
                                       << QStringList{"Konfiguracja portu RS485|0x21|0xA1"};
    QTest::newRow("reserved bytes")
        << QByteArray("7F00000165BD333D1565952F0206FF21") << 0u
        << QStringList{"Bajt zarezerwowany 0|0x00|0x7F", "Bajt zarezerwowany 14|0x00|0xFF"};
    QTest::newRow("combination only")
        << QByteArray("0000000165BD333D1565952F02060021") << 5u
        << QStringList{"Kombinacja|0 (Układ: 1, Wariant: A)|5 (Układ: 7, Wariant: A)"};
}

void TestSettingsDiff::differences()
{
    QFETCH(QByteArray, device);
    QFETCH(unsigned, combination);
    QFETCH(QStringList, expected);
    QCOMPARE(rows(imageFromHex(device.constData()), combination), expected);
}

QTEST_GUILESS_MAIN(TestSettingsDiff)
#include "tst_settingsdiff.moc"
