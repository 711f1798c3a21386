#include "model/devicedata.h"
#include "model/labellocation.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
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
        bytes[i] = char(i % 251 + 1);
    return bytes;
}

bool put(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(dir);
    QFile file(QDir(dir).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// The system's texts, its code page, and the label files that hold the names of signals,
// times, flags and outputs.
class TestTexts : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    DeviceData m_data;
    QStringList m_log;
    LabelStore store(const QString& directory)
    {
        return LabelStore(m_data, directory, [this](const QString& line) { m_log << line; });
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_data = DeviceData();
        SettingsRecord::applyDefaults(m_data);
        m_log.clear();
    }

    void strings()
    {
        QVERIFY(hasStringText(149) && !hasStringText(110) && !hasStringText(1));
        QCOMPARE(stringText(39), QStringLiteral(" ")); // signal 17 is one blank
        QCOMPARE(stringText(148), QStringLiteral("Rbs [s] "));
        QCOMPARE(fillText(StringId::deviceLine, {"12", "7", "2"}),
                 QString::fromUtf8("Nr Fabryczny: 12, Układ: 7, Wariant: 2"));
        // A value is never read as a format; a missing value leaves its mark.
        QCOMPARE(fillText(StringId::timeLimitCount, {"%d%s"}), QStringLiteral("Limit czasu:%d%s"));
        QCOMPARE(fillText(StringId::timeLimitCount, {}), QStringLiteral("Limit czasu:%d"));
        // The whole code page, as the platform's decoder has it where there is one.
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(toWindows1250(fromWindows1250(all)), all);
        if (QStringDecoder platform("windows-1250"); platform.isValid())
            QCOMPARE(fromWindows1250(all), platform.decode(all));
    }

    void codePage_data()
    {
        // A text in Windows-1250, and in a 32-byte label slot: at most 31 bytes, zero-padded.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* name, const QString& text, const QByteArray& bytes) {
            QTest::newRow(name) << text << bytes;
        };
        row("small", QString::fromUtf8("ąćęłńóśźż"), QByteArray::fromHex("b9e6eab3f1f39c9fbf"));
        row("capital", QString::fromUtf8("ĄĆĘŁŃÓŚŹŻ"), QByteArray::fromHex("a5c6caa3d1d38c8faf"));
        row("name", QString::fromUtf8("W2 wył €"), "W2 wy\xb3 \x80");
        row("unmappable", QString::fromUtf8("a中Жb"), "a??b");
        row("emoji is one mark", QString::fromUtf8("x😀y"), "x?y");
        row("zero char", QString(QChar(0)) + u'z', "?z");
        row("empty", QString(), QByteArray());
        row("31 fit", QString(31, u'a'), QByteArray(31, 'a'));
        row("32 cut to 31", QString(32, u'a'), QByteArray(32, 'a'));
        row("cut by bytes", QString(40, QChar(0x015B)), QByteArray(40, '\x9c'));
    }

    void codePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(toWindows1250(text), bytes);
        if (!bytes.contains('?'))
            QCOMPARE(fromWindows1250(bytes), text);
        char pair[2][32];
        std::memset(pair, 'x', sizeof pair);
        setSlotText(pair[0], text);
        QCOMPARE(QByteArray(pair[0], 32),
                 bytes.left(31) + QByteArray(32 - bytes.left(31).size(), '\0'));
        QCOMPARE(pair[1][0], 'x'); // the next slot untouched
        QCOMPARE(slotText(pair[0]), fromWindows1250(bytes.left(31)));
        // A slot without a zero is read to 31 bytes, never into the next slot.
        std::memset(pair[0], '\xb3', 32);
        QCOMPARE(slotText(pair[0]), QString(31, QChar(0x0142)));
    }

    void builtInLabels()
    {
        m_data.image().combinationIndex = 11;
        store(m_dir->path()).defaultFill();
        const DeviceImage& image = m_data.image();
        for (int k = 0; k < 16; ++k) {
            const LabelSet& set = image.labelSets[k];
            QCOMPARE(slotText(set.timeDescriptions[7]),
                     QString::fromUtf8("Czas impulsów sterujących"));
            QCOMPARE(slotText(set.signalNames[55]), QStringLiteral("Restart"));
            QCOMPARE(slotText(set.variantDescriptions[2]), QStringLiteral("Wariant C"));
            QCOMPARE(slotText(set.circuitDescription), k < 8 ? stringText(2 + k) : QString());
            QCOMPARE(slotText(image.flagOutputLabelSets[k].names[31]),
                     QStringLiteral("Default text 32"));
        }
        QCOMPARE(QByteArray(image.labelSets[3].signalNames[1], 32),
                 QByteArray("W2 wy\xb3") + QByteArray(26, '\0'));
        // The current sets follow the held combination.
        QCOMPARE(m_data.currentLabelSetIndex() + m_data.currentFlagOutputSetIndex(), 22);
        QVERIFY(m_log.isEmpty());
        // The file of a code: Labels_1.nzw .. Labels_9.nzw for 10..99, else Labels.nzw.
        QString names;
        for (int code : {0, 9, 10, 22, 99, 100, 255})
            names += LabelStore::fileNameForCode(code) + ' ';
        QCOMPARE(names, "Labels.nzw Labels.nzw Labels_1.nzw Labels_2.nzw Labels_9.nzw Labels.nzw "
                        "Labels.nzw ");
    }

    void loadLabelFile_data()
    {
        QTest::addColumn<qsizetype>("size"); // -1: no file, -2: a directory of that name
        QTest::addColumn<int>("failure");
        QTest::newRow("93696") << fullSize << 0;
        QTest::newRow("44544") << qsizetype(labelSetsSize) << 0;
        QTest::newRow("44543") << qsizetype(labelSetsSize) - 1 << StringId::labelFileInvalid;
        QTest::newRow("93695") << fullSize - 1 << StringId::labelFileInvalid;
        QTest::newRow("missing") << qsizetype(-1) << StringId::labelFileMissing;
        QTest::newRow("directory") << qsizetype(-2) << StringId::labelFileMissing;
    }

    void loadLabelFile()
    {
        QFETCH(qsizetype, size);
        QFETCH(int, failure);
        const QByteArray file = pattern(std::max<qsizetype>(size, 0));
        QVERIFY(size == -2 ? QDir(m_dir->path()).mkdir("Labels_2.nzw")
                           : size == -1 || put(m_dir->path(), "Labels_2.nzw", file));
        LabelStore labels = store(m_dir->path());
        labels.setLabelFileCode(20);
        QCOMPARE(labels.labelFileCode(), 20);
        QCOMPARE(labels.labelFileName(), failure ? stringText(1005) : "Labels_2.nzw");
        const QString loading = stringText(StringId::labelFileLoading) +
                                QDir::toNativeSeparators(m_dir->filePath("Labels_2.nzw"));
        QCOMPARE(m_log.join('|'), failure ? loading + '|' + stringText(failure) : loading);
        if (failure) // the built-in texts
            QCOMPARE(slotText(m_data.currentLabelSet().signalNames[0]), QStringLiteral("U1 jest"));
        else // the short form leaves every flag and output name empty
            QCOMPARE(areaOf(m_data), file + QByteArray(fullSize - size, '\0'));
    }

    void labelFileKeptAndSaved()
    {
        QVERIFY(put(m_dir->path(), "Labels_2.nzw", pattern(fullSize)));
        LabelStore labels = store(m_dir->path());
        labels.setLabelFileCode(20);
        setSlotText(m_data.image().labelSets[0].signalNames[0], QStringLiteral("edited"));
        m_log.clear();
        // The same code, or one that names the same file, keeps unsaved edits.
        labels.setLabelFileCode(20);
        labels.setLabelFileCode(22);
        QVERIFY(labels.labelFileCode() == 22 && m_log.isEmpty());
        QCOMPARE(slotText(m_data.image().labelSets[0].signalNames[0]), QStringLiteral("edited"));
        // Another file is loaded, even from a state with built-in texts.
        labels.setLabelFileCode(35);
        QCOMPARE(labels.labelFileName(), stringText(StringId::labelFileDefault));
        QVERIFY(put(m_dir->path(), "Labels_4.nzw", QByteArray(fullSize, '\xb3')));
        labels.setLabelFileCode(42);
        QCOMPARE(labels.labelFileName(), QStringLiteral("Labels_4.nzw"));
        // Slots without a zero read within their width.
        QCOMPARE(slotText(m_data.image().labelSets[15].circuitDescription),
                 QString(95, QChar(0x0142)));
        // Saving writes the whole area, read back byte for byte.
        setSlotText(m_data.image().flagOutputLabelSets[15].names[31], QString::fromUtf8("Wyjście"));
        m_log.clear();
        QVERIFY(labels.saveLabelFile());
        QCOMPARE(m_log, QStringList{stringText(StringId::labelFileSaved)});
        DeviceData next;
        LabelStore(next, m_dir->path(), {}).setLabelFileCode(40);
        QCOMPARE(areaOf(next), areaOf(m_data));
        m_log.clear();
        QVERIFY(!store(m_dir->filePath("no-such-dir")).saveLabelFile());
        QCOMPARE(m_log, QStringList{stringText(StringId::labelFileSaveProblem)});
    }

    void labelLocation_data()
    {
        // Which directories hold a label file (u user data, p program, s shipped; + a second
        // shipped one), the one chosen, and the user data directory's files afterwards.
        QTest::addColumn<QString>("holding");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* holding, const char* expected) {
            QTest::newRow(name) << QString(holding) << QString(expected);
        };
        row("user's first", "ups", "u Labels_2.nzw:u");
        row("beside the program", "ps", "p");
        row("installed: copied", "s", "u Labels_2.nzw:s");
        row("nothing installed", "", "p");
        row("user's, topped up", "u+s", "u Labels_2.nzw:u Labels_3.nzw:+");
    }

    void labelLocation()
    {
        QFETCH(QString, holding);
        const LabelLocation::Places places{m_dir->filePath("u"), m_dir->filePath("p"),
                                           m_dir->filePath("s")};
        QVERIFY(QDir().mkpath(places.program));
        for (const QChar mark : holding) {
            const bool second = mark == '+';
            QVERIFY(put(m_dir->filePath(second ? QString("s") : QString(mark)),
                        second ? "Labels_3.nzw" : "Labels_2.nzw", QString(mark).toLatin1()));
        }
        // The user's own file is never overwritten by an installed one.
        QStringList found{QFileInfo(LabelLocation::choose(places)).fileName()};
        for (const QFileInfo& file : QDir(places.userData).entryInfoList(QDir::Files)) {
            QFile f(file.filePath());
            found << file.fileName() + ':' + (f.open(QIODevice::ReadOnly) ? f.readAll() : "");
        }
        QTEST(found.join(' '), "expected");
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"
