#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

namespace {

QByteArray labelArea(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.image().labelSets),
                      static_cast<int>(labelAreaSize));
}

// A label area with recognisable bytes: every byte is its offset modulo 251 plus 1, so
// no byte is zero and a shifted copy shows.
QByteArray patternArea(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251 + 1);
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestLabelStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void fileNames_data();
    void fileNames();
    void defaultFill();
    void defaultFillFollowsCombination();
    void loadBySize_data();
    void loadBySize();
    void malformedSlotsStayInside();
    void sameCodeReloadsNothing();
    void sameFileKeepsEdits();
    void otherFileReloads();
    void saveWritesWholeArea();
    void saveFailure();

private:
    QTemporaryDir m_dir;
    QStringList m_log;
    LogSink sink()
    {
        return [this](const QString& line) { m_log << line; };
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString loadingLine(const QString& name) const
    {
        return stringText(StringId::labelFileLoading) + QDir::toNativeSeparators(path(name));
    }
};

void TestLabelStore::init()
{
    QVERIFY(m_dir.isValid());
    for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
        QFile::remove(path(name));
    m_log.clear();
}

void TestLabelStore::fileNames_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << "Labels.nzw";
    QTest::newRow("9") << 9 << "Labels.nzw";
    QTest::newRow("10") << 10 << "Labels_1.nzw";
    QTest::newRow("20") << 20 << "Labels_2.nzw";
    QTest::newRow("22") << 22 << "Labels_2.nzw";
    QTest::newRow("59") << 59 << "Labels_5.nzw";
    QTest::newRow("99") << 99 << "Labels_9.nzw";
    QTest::newRow("100") << 100 << "Labels.nzw";
    QTest::newRow("255") << 255 << "Labels.nzw";
}

void TestLabelStore::fileNames()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(LabelStore::fileNameForCode(code), name);
}

void TestLabelStore::defaultFill()
{
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore store(data, m_dir.path(), sink());
    store.defaultFill();
    const DeviceImage& image = data.image();

    for (int k = 0; k < 16; ++k) {
        const LabelSet& set = image.labelSets[k];
        QCOMPARE(slotText(set.timeDescriptions[0]), stringText(10));
        QCOMPARE(slotText(set.timeDescriptions[7]), QString::fromUtf8("Czas impulsów sterujących"));
        QCOMPARE(slotText(set.signalNames[0]), QStringLiteral("U1 jest"));
        QCOMPARE(slotText(set.signalNames[17]), QStringLiteral(" "));
        QCOMPARE(slotText(set.signalNames[55]), QStringLiteral("Restart"));
        QCOMPARE(slotText(set.variantDescriptions[2]), QStringLiteral("Wariant C"));
        QCOMPARE(slotText(set.circuitDescription),
                 k < 8 ? stringText(2 + k) : QString()); // sets 8..15 have none
        const FlagOutputLabelSet& names = image.flagOutputLabelSets[k];
        for (int slot = 0; slot < 32; ++slot)
            QCOMPARE(slotText(names.names[slot]), QStringLiteral("Default text %1").arg(slot + 1));
    }
    // Stored as Windows-1250 bytes, zero-padded.
    QCOMPARE(QByteArray(image.labelSets[3].signalNames[1], 8), QByteArray("W2 wy\xb3\0\0", 8));
    QCOMPARE(slotText(image.labelSets[0].circuitDescription),
             QString::fromUtf8("Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)"));
    QVERIFY(m_log.isEmpty());
}

void TestLabelStore::defaultFillFollowsCombination()
{
    DeviceData data;
    data.image().combinationIndex = 11;
    data.selectLabelSets(0);
    LabelStore store(data, m_dir.path(), sink());
    store.defaultFill();
    QCOMPARE(data.currentLabelSetIndex(), 11);
    QCOMPARE(data.currentFlagOutputSetIndex(), 11);
}

void TestLabelStore::loadBySize_data()
{
    QTest::addColumn<qsizetype>("size"); // -1: no file
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("failure");
    QTest::newRow("93696") << qsizetype(93696) << true << QString();
    QTest::newRow("44544") << qsizetype(44544) << true << QString();
    QTest::newRow("93695") << qsizetype(93695) << false << stringText(StringId::labelFileInvalid);
    QTest::newRow("93697") << qsizetype(93697) << false << stringText(StringId::labelFileInvalid);
    QTest::newRow("empty") << qsizetype(0) << false << stringText(StringId::labelFileInvalid);
    QTest::newRow("missing") << qsizetype(-1) << false << stringText(StringId::labelFileMissing);
}

void TestLabelStore::loadBySize()
{
    QFETCH(qsizetype, size);
    QFETCH(bool, loaded);
    QFETCH(QString, failure);
    const QByteArray file = patternArea(std::max<qsizetype>(size, 0));
    if (size >= 0)
        writeFile(path("Labels_2.nzw"), file);

    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore store(data, m_dir.path(), sink());
    QSignalSpy names(&store, &LabelStore::labelFileNameChanged);
    store.setLabelFileCode(20);

    QCOMPARE(store.labelFileCode(), 20);
    QStringList expectedLog{loadingLine("Labels_2.nzw")};
    if (loaded) {
        QCOMPARE(store.labelFileName(), QStringLiteral("Labels_2.nzw"));
        QByteArray expected = file;
        expected.append(QByteArray(qsizetype(labelAreaSize) - size, '\0'));
        QCOMPARE(labelArea(data), expected);
    } else {
        expectedLog << failure;
        QCOMPARE(store.labelFileName(), QString::fromUtf8("domyślny"));
        QCOMPARE(slotText(data.currentLabelSet().signalNames[55]), QStringLiteral("Restart"));
        QCOMPARE(slotText(data.currentFlagOutputSet().names[0]), QStringLiteral("Default text 1"));
    }
    QCOMPARE(m_log, expectedLog);
    QVERIFY(!names.isEmpty());
    QCOMPARE(names.last().at(0).toString(), store.labelFileName());
}

void TestLabelStore::malformedSlotsStayInside()
{
    // A label file of the right size whose slots hold no zero byte at all.
    writeFile(path("Labels_3.nzw"), QByteArray(qsizetype(labelAreaSize), '\xb3'));
    DeviceData data;
    LabelStore store(data, m_dir.path(), sink());
    store.setLabelFileCode(35);
    QCOMPARE(store.labelFileName(), QStringLiteral("Labels_3.nzw"));
    const LabelSet& set = data.image().labelSets[15];
    QCOMPARE(slotText(set.signalNames[55]), QString(31, QChar(0x0142)));
    QCOMPARE(slotText(set.circuitDescription), QString(95, QChar(0x0142)));
    QCOMPARE(slotText(data.image().flagOutputLabelSets[15].names[31]), QString(95, QChar(0x0142)));
}

void TestLabelStore::sameCodeReloadsNothing()
{
    writeFile(path("Labels_2.nzw"), patternArea(qsizetype(labelAreaSize)));
    DeviceData data;
    LabelStore store(data, m_dir.path(), sink());
    store.setLabelFileCode(20);
    writeFile(path("Labels_2.nzw"), QByteArray(qsizetype(labelAreaSize), 'x'));
    m_log.clear();
    store.setLabelFileCode(20);
    QVERIFY(m_log.isEmpty());
    QCOMPARE(labelArea(data), patternArea(qsizetype(labelAreaSize)));
}

void TestLabelStore::sameFileKeepsEdits()
{
    // 20 at start and 22 from the controller both name Labels_2.nzw.
    writeFile(path("Labels_2.nzw"), patternArea(qsizetype(labelAreaSize)));
    DeviceData data;
    LabelStore store(data, m_dir.path(), sink());
    store.setLabelFileCode(20);
    setSlotText(data.image().labelSets[0].signalNames[0], QStringLiteral("edited"));
    m_log.clear();

    store.setLabelFileCode(22);

    QCOMPARE(store.labelFileCode(), 22);
    QCOMPARE(store.labelFileName(), QStringLiteral("Labels_2.nzw"));
    QVERIFY(m_log.isEmpty());
    QCOMPARE(slotText(data.image().labelSets[0].signalNames[0]), QStringLiteral("edited"));
}

void TestLabelStore::otherFileReloads()
{
    writeFile(path("Labels.nzw"), patternArea(qsizetype(labelSetsSize)));
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore store(data, m_dir.path(), sink());
    store.setLabelFileCode(20); // missing: built-in texts
    QCOMPARE(store.labelFileName(), QString::fromUtf8("domyślny"));
    m_log.clear();

    store.setLabelFileCode(100);

    QCOMPARE(m_log, QStringList{loadingLine("Labels.nzw")});
    QCOMPARE(store.labelFileName(), QStringLiteral("Labels.nzw"));
    // The short form leaves every flag and output name empty.
    for (int k = 0; k < 16; ++k)
        for (int slot = 0; slot < 32; ++slot)
            QCOMPARE(slotText(data.image().flagOutputLabelSets[k].names[slot]), QString());
}

void TestLabelStore::saveWritesWholeArea()
{
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore store(data, m_dir.path(), sink());
    store.setLabelFileCode(42); // missing: built-in texts under Labels_4.nzw
    m_log.clear();

    QVERIFY(store.saveLabelFile());

    QCOMPARE(m_log, QStringList{stringText(StringId::labelFileSaved)});
    QFile file(path("Labels_4.nzw"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), labelArea(data));

    // The saved file loads on the next start.
    DeviceData next;
    LabelStore nextStore(next, m_dir.path(), sink());
    nextStore.setLabelFileCode(40);
    QCOMPARE(nextStore.labelFileName(), QStringLiteral("Labels_4.nzw"));
    QCOMPARE(labelArea(next), labelArea(data));
}

void TestLabelStore::saveFailure()
{
    DeviceData data;
    LabelStore store(data, path("no-such-dir"), sink());
    store.setLabelFileCode(20);
    m_log.clear();
    QVERIFY(!store.saveLabelFile());
    QCOMPARE(m_log, QStringList{stringText(StringId::labelFileSaveProblem)});
}

QTEST_GUILESS_MAIN(TestLabelStore)
#include "tst_labelstore.moc"
