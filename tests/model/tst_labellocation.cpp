#include "model/labellocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Where the label files are looked for when no directory is named.
class TestLabelLocation : public QObject {
    Q_OBJECT
private slots:
    void chooses_data();
    void chooses();
};

static bool put(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(dir);
    QFile file(QDir(dir).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

static QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void TestLabelLocation::chooses_data()
{
    // Which directories hold a label file ("u" user data, "p" program, "s" shipped), the
    // one chosen, and the user data directory's files afterwards.
    QTest::addColumn<QString>("holding");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("userFiles");
    QTest::newRow("user's first") << "ups"
                                  << "u" << QStringList{"Labels_2.nzw"};
    QTest::newRow("beside the program") << "ps"
                                        << "p" << QStringList();
    QTest::newRow("installed: copied to the user") << "s"
                                                   << "u" << QStringList{"Labels_2.nzw"};
    QTest::newRow("nothing installed") << ""
                                       << "p" << QStringList();
    QTest::newRow("user's, topped up") << "u+s"
                                       << "u" << QStringList{"Labels_2.nzw", "Labels_3.nzw"};
}

void TestLabelLocation::chooses()
{
    QFETCH(QString, holding);
    QFETCH(QString, chosen);
    QFETCH(QStringList, userFiles);
    QTemporaryDir root;
    const LabelLocation::Places places{root.filePath("data/Tavrel"), root.filePath("bin"),
                                       root.filePath("share/tavrel")};
    QVERIFY(QDir().mkpath(places.program));
    if (holding.contains('u'))
        QVERIFY(put(places.userData, "Labels_2.nzw", "user"));
    if (holding.contains('p'))
        QVERIFY(put(places.program, "Labels_2.nzw", "program"));
    if (holding.contains('s'))
        QVERIFY(put(places.shipped, "Labels_2.nzw", "shipped"));
    if (holding.contains('+'))
        QVERIFY(put(places.shipped, "Labels_3.nzw", "new"));

    const QString dir = LabelLocation::choose(places);
    QCOMPARE(dir, chosen == "u" ? places.userData : places.program);
    QCOMPARE(QDir(places.userData).entryList(QDir::Files), userFiles);
    // The user's own file is never overwritten by an installed one.
    if (holding.contains('u'))
        QCOMPARE(contents(QDir(places.userData).filePath("Labels_2.nzw")), QByteArray("user"));
    else if (!userFiles.isEmpty())
        QCOMPARE(contents(QDir(places.userData).filePath("Labels_2.nzw")), QByteArray("shipped"));
}

QTEST_GUILESS_MAIN(TestLabelLocation)
#include "tst_labellocation.moc"
