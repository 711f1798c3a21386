#include "app/cmyproperty.h"
#include "app/ctavrelview.h"
#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/password.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"
#include "pages/canalog.h"
#include "pages/cbinary.h"
#include "pages/crs484cfg.h"
#include "pages/cuklad.h"
#include "pages/entryfields.h"
#include "tests/support/fakepages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <array>

// The columns of a table, in order: columns<int, bool>({"a", "b"}).
template <typename... T> void columns(const std::array<const char*, sizeof...(T)>& names)
{
    int i = 0;
    (QTest::addColumn<T>(names[i++]), ...);
}

// The settings pages in the view's real sheet, with the default settings, the built-in
// labels and a communication page that records what it is asked.
class TestPages : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_data = std::make_unique<DeviceData>();
        const auto pages = [](PageKind kind, AppContext& context, const StartOptions& options) {
            return kind == PageKind::Communication ? new FakeLinkPage(pageTitle(kind))
                                                   : createPage(kind, context, options);
        };
        m_labels = std::make_unique<LabelStore>(*m_data, m_labelDir.path(), [](const QString&) {});
        m_view = std::make_unique<CTavrelView>(*m_data, *m_labels, StartOptions{}, pages);
        SettingsRecord::applyDefaults(*m_data);
        m_labels->defaultFill();
        m_view->addSettingsPages();
        m_view->setActivePage(1);
        m_view->show();
        m_prompts.clear();
        setPromptHandler([this](QWidget*, const QString& text) { m_prompts << text; });
    }

    void cleanup()
    {
        setPromptHandler({});
        m_view.reset();
        m_labels.reset();
        m_data.reset();
    }

    void times_data()
    {
        // Row, code held, what the row shows, what is typed (null: nothing), the code
        // stored on leaving and what the row shows at the next visit.
        columns<int, int, QString, QString, int, QString>(
            {"row", "held", "shown", "typed", "stored", "next"});
        const auto row = [](const char* name, int r, int held, const char* shown, const char* typed,
                            int stored, const char* next) {
            QTest::newRow(name) << r << held << shown << QString(typed) << stored << next;
        };
        row("100 ms shows 200", 7, 0x02, "200 [ms]", nullptr, 3, "200 [ms]");
        row("0x80 is 127 s", 1, 0x80, "127 [s]", nullptr, 0xFF, "126 [s]");
        row("0 s shows 1 s", 7, 0x81, "1 [s]", nullptr, 11, "1000 [ms]");
        row("minutes 0xFF", 3, 0xFF, "2540 [min]", nullptr, 0x7F, "1260 [min]");
        row("ms to s", 0, 0x65, "10000 [ms]", "15000", 0x90, "15 [s]");
        row("ms truncated", 0, 0x65, "10000 [ms]", " 150 ", 2, "200 [ms]");
        row("s to ms", 1, 0xBD, "60 [s]", "2.5", 26, "2500 [ms]");
        row("min above", 3, 0x3D, "600 [min]", "5000", 0x7F, "1260 [min]");
    }

    void times()
    {
        QFETCH(int, row);
        QFETCH(int, held);
        QFETCH(QString, typed);
        auto* times = page<Canalog>(PageKind::Times);
        const auto shown = [&] {
            return times->valueEdit(row)->text() + ' ' + times->unitEdit(row)->text();
        };
        SettingsRecord::setTimeCode(image().settings, row, std::uint8_t(held));
        QVERIFY(show(PageKind::Times));
        QTEST(shown(), "shown");
        if (!typed.isNull())
            type(times->valueEdit(row), typed);
        QVERIFY(leave());
        QTEST(int(SettingsRecord::timeCode(image().settings, row)), "stored");
        QVERIFY(m_data->settingsValid); // leaving a page makes the held settings valid
        QVERIFY(show(PageKind::Times));

        QTEST(shown(), "next");
    }

    void timesRefused()
    {
        auto* times = page<Canalog>(PageKind::Times);
        QVERIFY(show(PageKind::Times));
        for (const char* bad : {"2,5", "nan", "inf", "1 000", ""}) {
            type(times->valueEdit(4), bad);
            QVERIFY(!leave());
            QVERIFY(isActive(PageKind::Times));
            QCOMPARE(m_prompts.takeFirst(), QString("Please enter a number."));
            QCOMPARE(int(byte(8)), 0x15);
        }
        // Rows above the refused one are stored and show their new unit; the rows below
        // keep their text in their unit, and the next leave reads each in its own.
        type(times->valueEdit(0), "15000");
        type(times->valueEdit(1), "4");
        type(times->valueEdit(6), "3");
        QVERIFY(!leave());
        QString shown;
        for (int row : {0, 1, 6})
            shown += times->valueEdit(row)->text() + times->unitEdit(row)->text() + ' ';
        QCOMPARE(shown, QString("15[s] 4000[ms] 3[s] "));
        type(times->valueEdit(4), "2500");
        QVERIFY(leave());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(image().settings.bytes), 16).toHex(),
                 "000000019029333d1a651f2f02060021");
    }

    void program_data()
    {
        // Bytes 2, 3, 11, 12 (flags 16..23, outputs, flags 0..7, flags 8..15), slots
        // without a name, boxes clicked; boxes checked then, bytes stored.
        columns<QByteArray, QList<int>, QList<int>, QList<int>, QByteArray>(
            {"held", "unnamed", "clicks", "checked", "stored"});
        using L = QList<int>;
        QTest::newRow("a flag of each byte") << QByteArray("00012f02") << L{} << L{0, 9, 16, 23}
                                             << L{1, 2, 3, 5, 16, 23, 24} << QByteArray("81012e00");
        QTest::newRow("several outputs kept")
            << QByteArray("00050000") << L{} << L{} << L{24, 26} << QByteArray("00050000");
        QTest::newRow("output chosen")
            << QByteArray("00850000") << L{31} << L{27, 27} << L{27} << QByteArray("00080000");
        QTest::newRow("unnamed set bit") << QByteArray("00014000") << L{6} << L{5, 6, 7}
                                         << L{5, 6, 7, 24} << QByteArray("0001e000");
    }

    void program()
    {
        QFETCH(QByteArray, held);
        QFETCH(QList<int>, unnamed);
        QFETCH(QList<int>, clicks);
        auto* program = page<CBinary>(PageKind::Program);
        const int offsets[] = {2, 3, 11, 12};
        for (int i = 0; i < 4; ++i)
            byte(offsets[i]) = std::uint8_t(QByteArray::fromHex(held)[i]);
        for (int slot : unnamed)
            setSlotText(m_data->currentFlagOutputSet().names[slot], QString());

        QVERIFY(show(PageKind::Program));
        QList<int> checked;
        for (int slot = 0; slot < flagOutputSlotCount; ++slot)
            QCOMPARE(program->bitBox(slot)->isEnabled(), !unnamed.contains(slot));
        for (int slot : clicks)
            click(program->bitBox(slot));
        for (int slot = 0; slot < flagOutputSlotCount; ++slot) {
            if (program->bitBox(slot)->isChecked())
                checked << slot;
        }
        QTEST(checked, "checked");
        QVERIFY(leave());
        QByteArray stored;
        for (int offset : offsets)
            stored += char(byte(offset));
        QTEST(stored.toHex(), "stored");
    }

    void circuit_data()
    {
        // Combination held, clicks ("7" circuit 7, "B" variant B), the page then ("3 A [A]":
        // circuit 3 and variant A checked, only variant A clickable), combination stored.
        columns<int, QString, QString, int, bool>({"held", "clicks", "shown", "stored", "online"});
        const auto row = [](const char* name, int held, const char* clicks, const char* shown,
                            int stored, bool online = false) {
            QTest::newRow(name) << held << clicks << shown << stored << online;
        };
        row("defaults", 0, "", "1 A [AB]", 0);
        row("circuit 7 B", 0, "7B", "7 B [AB]", 7);
        row("circuit 3", 9, "3", "3 A [A]", 6);
        row("circuit 8 dropped", 9, "8A", "8 - []", 9);
        row("re-click, variant kept", 0, "1B", "- B [AB]", 1);
        row("re-click, variant lacking", 6, "44C", "- C [ABCD]", 6);
        row("variant only", 8, "C", "4 C [ABCD]", 10);
        // Online the controller's combination stands: no box can be clicked.
        row("online", 8, "1B", "4 A []", 8, true);
    }

    void circuit()
    {
        QFETCH(int, held);
        QFETCH(QString, clicks);
        QFETCH(int, stored);
        auto* circuit = page<CUklad>(PageKind::Circuit);
        const auto shown = [circuit] {
            QString circuits, variants, enabled;
            for (int c = 0; c < circuitCount; ++c) {
                if (circuit->circuitBox(c)->isChecked())
                    circuits += QString::number(c + 1);
            }
            for (int v = 0; v < variantCount; ++v) {
                if (circuit->variantBox(v)->isChecked())
                    variants += QChar('A' + v);
                if (circuit->variantBox(v)->isEnabled())
                    enabled += QChar('A' + v);
            }
            return QString("%1 %2 [%3]")
                .arg(circuits.isEmpty() ? "-" : circuits, variants.isEmpty() ? "-" : variants,
                     enabled);
        };
        Catalogue::selectCombination(*m_data, unsigned(held));
        QFETCH(bool, online);
        link().connected = online;
        QVERIFY(show(PageKind::Circuit));
        for (QChar step : clicks)
            click(step.isDigit() ? circuit->circuitBox(step.digitValue() - 1)
                                 : circuit->variantBox(step.unicode() - 'A'));
        QTEST(shown(), "shown");
        QVERIFY(leave());
        QCOMPARE((QList<int>{int(image().combinationIndex), int(image().deviceCombination),
                             m_data->currentFlagOutputSetIndex()}),
                 QList<int>(3, stored));
    }

    // The texts are typed only with the service password, each page's into its slots.
    void descriptions()
    {
        auto* times = page<Canalog>(PageKind::Times);
        auto* program = page<CBinary>(PageKind::Program);
        auto* circuit = page<CUklad>(PageKind::Circuit);
        QVERIFY(show(PageKind::Times));
        type(times->descriptionEdit(0), "locked");
        QCOMPARE(times->descriptionEdit(0)->text(), QString("tgSZR - czas graniczny dla SZR"));
        login(QString::fromUtf16(servicePassword)); // leaves the page for the log
        QVERIFY(show(PageKind::Times));
        type(times->descriptionEdit(3), QString(100, QChar(u'ł')));
        QVERIFY(leave());
        // Cut to the 96-byte slot in Windows-1250 bytes; only the current set changes.
        const LabelSet* sets = image().labelSets;
        QCOMPARE(QByteArray(sets[0].timeDescriptions[3], wideSlot), QByteArray(95, '\xB3') + '\0');

        char(&names)[flagOutputSlotCount][wideSlot] = m_data->currentFlagOutputSet().names;
        QVERIFY(show(PageKind::Program));
        type(program->nameEdit(4), "");
        type(program->nameEdit(30), "Sygnał awarii");
        type(program->nameEdit(12), QString(120, QChar(u'ś')));
        click(program->bitBox(25)); // typed names survive the output click
        QVERIFY(leave());

        QCOMPARE(QByteArray(names[30]), "Sygna\xB3 awarii");
        QCOMPARE(QByteArray(names[12], wideSlot), QByteArray(95, '\x9C') + '\0');
        QVERIFY(show(PageKind::Program));
        QVERIFY(!program->bitBox(4)->isEnabled()); // the cleared name disables its bit

        setSlotText(image().labelSets[7].variantDescriptions[0], "Siódmy A");
        QVERIFY(show(PageKind::Circuit));
        type(circuit->circuitEdit(7), "Rezerwa II");
        type(circuit->variantEdit(0), "Przełączanie ręczne");
        type(circuit->variantEdit(2), QString(40, QChar(u'ż')));
        // Typed text survives the clicks; the choice moves to combination 7, the variant
        // texts go back to the set of combination 0 they came from.
        click(circuit->circuitBox(6));
        click(circuit->variantBox(1));
        QVERIFY(leave());
        QCOMPARE(image().combinationIndex, 7u);
        QCOMPARE(QByteArray(sets[7].circuitDescription), "Rezerwa II");
        QCOMPARE(QByteArray(sets[0].variantDescriptions[0]), "Prze\xB3\xB9"
                                                             "czanie r\xEA"
                                                             "czne");
        QCOMPARE(QByteArray(sets[0].variantDescriptions[2], 32), QByteArray(31, '\xBF') + '\0');
        QCOMPARE(slotText(sets[7].variantDescriptions[0]), QString("Siódmy A"));
    }

    void rs485_data()
    {
        // Byte held, password, online, what the page shows, address typed and rate chosen,
        // byte stored, the address shown then, whether a prompt kept the page in front and
        // the writes asked for (-1: the button is disabled).
        columns<int, QString, bool, QString, QString, QString, int, QString, bool, int>(
            {"held", "password", "online", "shown", "typed", "rate", "stored", "after", "refused",
             "writes"});
        const QString access = devicePassword(1234);
        const auto row = [](const char* name, int held, const QString& password, bool online,
                            const char* shown, const char* typed, const char* rate, int stored,
                            const char* after, bool refused = false, int writes = -1) {
            QTest::newRow(name) << held << password << online << shown << typed << rate << stored
                                << after << refused << writes;
        };
        row("defaults", 0x21, access, false, "1 19200", "1", "19200", 0x21, "1");
        row("address 40", 0x21, access, false, "1 19200", "40", "19200", 0x28, "8");
        row("address 0", 0x21, access, false, "1 19200", " 0 ", "4800", 0x61, "1");
        row("address 256", 0x67, access, false, "7 4800", "256", "9600", 0x47, "256", true);
        row("written online", 0x21, access, true, "1 19200", "12", "38400", 0x0C, "12", false, 1);
        // A refused leave asks for no write.
        row("refused online", 0x21, access, true, "1 19200", "300", "38400", 0x01, "300", true, 0);
        row("no access", 0x21, "-", true, "1 19200", "12", "38400", 0x21, "1");
    }

    void rs485()
    {
        QFETCH(int, held);
        QFETCH(QString, password);
        QFETCH(bool, online);
        QFETCH(bool, refused);
        QFETCH(int, writes);
        auto* rs485 = page<CRS484cfg>(PageKind::Rs485);
        byte(15) = std::uint8_t(held);
        login(password);
        link().connected = online;
        QVERIFY(show(PageKind::Rs485));
        QTEST(rs485->addressEdit()->text() + ' ' + rs485->baudList()->currentText(), "shown");
        QCOMPARE(rs485->writeButton()->isEnabled(), writes >= 0);
        QCOMPARE(rs485->addressEdit()->isReadOnly(), password == "-");
        QFETCH(QString, typed);
        type(rs485->addressEdit(), typed);
        QFETCH(QString, rate);
        rs485->baudList()->setCurrentText(rate);
        // The button leaves the page first; without it the page is left by hand.
        click(rs485->writeButton());
        if (writes < 0)
            QCOMPARE(leave(), !refused);
        QCOMPARE(isActive(PageKind::Communication), !refused);
        QCOMPARE(int(link().calls.count("writeRs485")), std::max(writes, 0));
        QTEST(int(byte(15)), "stored");
        QTEST(rs485->addressEdit()->text(), "after");
        QCOMPARE(m_prompts, refused ? QStringList{"Please enter an integer between 0 and 255."}
                                    : QStringList{});
    }

private:
    template <class Page> Page* page(PageKind kind) const
    {
        return qobject_cast<Page*>(m_view->page(kind));
    }
    FakeLinkPage& link() const { return *static_cast<FakeLinkPage*>(m_view->link()); }
    DeviceImage& image() { return m_data->image(); }
    std::uint8_t& byte(int offset) { return image().settings.bytes[offset]; }
    bool show(PageKind kind) { return m_view->setActivePage(int(kind)); }
    bool leave() { return m_view->setActivePage(1); }
    bool isActive(PageKind kind) const { return m_view->activePageIndex() == int(kind); }
    static void click(QAbstractButton* box) { QTest::mouseClick(box, Qt::LeftButton); }

    std::unique_ptr<DeviceData> m_data;
    QTemporaryDir m_labelDir;
    std::unique_ptr<LabelStore> m_labels;
    std::unique_ptr<CTavrelView> m_view;
    QStringList m_prompts;
    void login(const QString& password)
    {
        image().factoryNumber = 1234;
        m_view->passwordEdit()->setText(password);
        m_view->confirmPassword();
    }
    static void type(QLineEdit* edit, const QString& text)
    {
        // Key by key, so read-only edits and length limits act; QTest::keyClicks is Latin-1.
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_A, QString(ch), Qt::NoModifier);
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
