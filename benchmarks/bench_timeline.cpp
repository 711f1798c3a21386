// bench_timeline: the signal timeline of a full register (256 entries, all 56 signals)
// drawn at 1600x900, and the events list filtered by a signal and a time range.

#include "craftedregister.h"
#include "files/eventsfilter.h"
#include "files/eventstable.h"
#include "files/timelinepainter.h"
#include "model/signaltrace.h"
#include "model/textcodec.h"

#include <QImage>
#include <QPainter>
#include <QTest>

class BenchTimeline : public QObject {
    Q_OBJECT

    DeviceImage m_image{};

private slots:
    void initTestCase()
    {
        fillCraftedRegister(m_image);
        for (int k = 0; k < signalCount; ++k)
            setSlotText(EventRegister::nameSet(m_image).signalNames[k], narrowSlot,
                        QStringLiteral("Sygnał %1").arg(k));
    }

    void traceAndDraw()
    {
        QImage picture(1600, 900, QImage::Format_RGB32);
        int rows = 0;
        QBENCHMARK
        {
            const SignalTrace::Trace trace = SignalTrace::traceOf(m_image);
            TimelinePicture content{trace, {}, {}, {}};
            for (int k = 0; k < signalCount; ++k) {
                content.names[k] = QStringLiteral("Sygnał %1").arg(k);
                content.rows.append(k);
            }
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            paintTimeline(painter, picture.size(), content,
                          fitScale(trace, traceArea(picture.size()).width()));
            rows = int(content.rows.size());
        }
        QCOMPARE(rows, signalCount);
    }

    void filterList()
    {
        const QList<EventListRow> rows = eventListRows(m_image);
        EventsFilter filter;
        filter.signalNames = {rows[5].event.section(u'_', 0, 0)};
        filter.from = rowTime(rows[100].time);
        filter.to = rowTime(rows[2].time);
        qsizetype kept = 0;
        QBENCHMARK
        {
            kept = filteredRows(rows, filter).size();
        }
        // Row 0 and at least the row the name was taken from.
        QVERIFY(kept >= 2);
    }
};

QTEST_MAIN(BenchTimeline)
#include "bench_timeline.moc"
