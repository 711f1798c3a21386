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
#include <memory>

namespace {

constexpr qsizetype fullSize = qsizetype(labelAreaSize);

QByteArray areaOf(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.image().labelSets), fullSize);
}

// No zero byte anywhere, and a shifted copy shows.
QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251 + 1);
    return bytes;
}

} // namespace

class TestLabelStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void fileNames();
    void defaultFill();
    void load_data();
    void load();
    void sameCodeOrSameFileKeepsEdits();
    void saveWritesWholeArea();
    void saveFailure();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    QString loadingLine(const QString& name) const
    {
        return stringText(StringId::labelFileLoading) + QDir::toNativeSeparators(path(name));
    }
    std::unique_ptr<LabelStore> makeStore(QString directory = {})
    {
        return std::make_unique<LabelStore>(*m_data,
                                            directory.isEmpty() ? m_dir->path() : directory,
                                            [this](const QString& line) { m_log << line; });
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DeviceData> m_data;
    QStringList m_log;
};

void TestLabelStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_data = std::make_unique<DeviceData>();
    SettingsRecord::applyDefaults(*m_data);
    m_log.clear();
}

void TestLabelStore::fileNames()
{
    const QList<std::pair<int, const char*>> names = {
        {0, "Labels.nzw"},    {9, "Labels.nzw"},   {10, "Labels_1.nzw"}, {22, "Labels_2.nzw"},
        {99, "Labels_9.nzw"}, {100, "Labels.nzw"}, {255, "Labels.nzw"}};
    for (const auto& [code, name] : names)
        QCOMPARE(LabelStore::fileNameForCode(code), QLatin1String(name));
}

void TestLabelStore::defaultFill()
{
    m_data->image().combinationIndex = 11;
    makeStore()->defaultFill();
    const DeviceImage& image = m_data->image();
    for (int k = 0; k < 16; ++k) {
        const LabelSet& set = image.labelSets[k];
        QCOMPARE(slotText(set.timeDescriptions[7]), QString::fromUtf8("Czas impulsów sterujących"));
        QCOMPARE(slotText(set.signalNames[17]), QStringLiteral(" "));
        QCOMPARE(slotText(set.signalNames[55]), QStringLiteral("Restart"));
        QCOMPARE(slotText(set.variantDescriptions[2]), QStringLiteral("Wariant C"));
        QCOMPARE(slotText(set.circuitDescription), k < 8 ? stringText(2 + k) : QString());
        for (int slot = 0; slot < 32; ++slot)
            QCOMPARE(slotText(image.flagOutputLabelSets[k].names[slot]),
                     QStringLiteral("Default text %1").arg(slot + 1));
    }
    // Windows-1250 bytes, zero-padded to the end of the slot.
    QCOMPARE(QByteArray(image.labelSets[3].signalNames[1], 32),
             QByteArray("W2 wy\xb3") + QByteArray(26, '\0'));
    // The current sets follow the held combination.
    QCOMPARE(m_data->currentLabelSetIndex(), 11);
    QCOMPARE(m_data->currentFlagOutputSetIndex(), 11);
    QVERIFY(m_log.isEmpty());
}

void TestLabelStore::load_data()
{
    QTest::addColumn<qsizetype>("size"); // -1: no file, -2: a directory of that name
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("failure");
    QTest::newRow("93696") << fullSize << true << 0;
    QTest::newRow("44544") << qsizetype(labelSetsSize) << true << 0;
    QTest::newRow("93695") << fullSize - 1 << false << StringId::labelFileInvalid;
    QTest::newRow("missing") << qsizetype(-1) << false << StringId::labelFileMissing;
    QTest::newRow("directory") << qsizetype(-2) << false << StringId::labelFileMissing;
}

void TestLabelStore::load()
{
    QFETCH(qsizetype, size);
    QFETCH(bool, loaded);
    QFETCH(int, failure);
    const QByteArray file = pattern(std::max<qsizetype>(size, 0));
    if (size >= 0)
        write("Labels_2.nzw", file);
    else if (size == -2)
        QVERIFY(QDir(m_dir->path()).mkdir("Labels_2.nzw"));
    auto store = makeStore();
    QSignalSpy names(store.get(), &LabelStore::labelFileNameChanged);

    store->setLabelFileCode(20);

    QCOMPARE(store->labelFileCode(), 20);
    QCOMPARE(store->labelFileName(), loaded ? QStringLiteral("Labels_2.nzw") : stringText(1005));
    QCOMPARE(names.last().at(0).toString(), store->labelFileName());
    if (loaded) {
        QCOMPARE(m_log, QStringList{loadingLine("Labels_2.nzw")});
        // The short form leaves every flag and output name empty.
        QCOMPARE(areaOf(*m_data), file + QByteArray(fullSize - size, '\0'));
    } else {
        QCOMPARE(m_log, (QStringList{loadingLine("Labels_2.nzw"), stringText(failure)}));
        QCOMPARE(slotText(m_data->currentLabelSet().signalNames[0]), QStringLiteral("U1 jest"));
    }
}

void TestLabelStore::sameCodeOrSameFileKeepsEdits()
{
    write("Labels_2.nzw", pattern(fullSize));
    auto store = makeStore();
    store->setLabelFileCode(20);
    setSlotText(m_data->image().labelSets[0].signalNames[0], QStringLiteral("edited"));
    m_log.clear();

    store->setLabelFileCode(20);
    store->setLabelFileCode(22); // from the controller: also Labels_2.nzw

    QCOMPARE(store->labelFileCode(), 22);
    QCOMPARE(store->labelFileName(), QStringLiteral("Labels_2.nzw"));
    QVERIFY(m_log.isEmpty());
    QCOMPARE(slotText(m_data->image().labelSets[0].signalNames[0]), QStringLiteral("edited"));

    // Another file is loaded, even from a state with built-in texts.
    store->setLabelFileCode(35);
    QCOMPARE(store->labelFileName(), stringText(StringId::labelFileDefault));
    write("Labels.nzw", pattern(fullSize));
    store->setLabelFileCode(100);
    QCOMPARE(store->labelFileName(), QStringLiteral("Labels.nzw"));
    QCOMPARE(areaOf(*m_data), pattern(fullSize));
}

void TestLabelStore::saveWritesWholeArea()
{
    // A label file of the right size whose slots hold no zero: reads stay inside each slot.
    write("Labels_4.nzw", QByteArray(fullSize, '\xb3'));
    auto store = makeStore();
    store->setLabelFileCode(42);
    const LabelSet& last = m_data->image().labelSets[15];
    QCOMPARE(slotText(last.signalNames[55]), QString(31, QChar(0x0142)));
    QCOMPARE(slotText(last.circuitDescription), QString(95, QChar(0x0142)));

    setSlotText(m_data->image().flagOutputLabelSets[15].names[31], QString::fromUtf8("Wyjście"));
    m_log.clear();
    QVERIFY(store->saveLabelFile());
    QCOMPARE(m_log, QStringList{stringText(StringId::labelFileSaved)});

    DeviceData next;
    LabelStore nextStore(next, m_dir->path(), {});
    nextStore.setLabelFileCode(40);
    QCOMPARE(nextStore.labelFileName(), QStringLiteral("Labels_4.nzw"));
    QCOMPARE(areaOf(next), areaOf(*m_data));
}

void TestLabelStore::saveFailure()
{
    auto store = makeStore(path("no-such-dir"));
    store->setLabelFileCode(20);
    m_log.clear();
    QVERIFY(!store->saveLabelFile());
    QCOMPARE(m_log, QStringList{stringText(StringId::labelFileSaveProblem)});
}

QTEST_GUILESS_MAIN(TestLabelStore)
#include "tst_labelstore.moc"
