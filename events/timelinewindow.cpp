#include "events/timelinewindow.h"

#include "events/timelineview.h"
#include "model/eventregister.h"
#include "model/signaltrace.h"
#include "model/textcodec.h"
#include "pagekit/messagebox.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

TimelineWindow::TimelineWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_view(new TimelineView),
      m_onlyChanging(new QCheckBox(QStringLiteral("Tylko zmieniające się sygnały"))),
      m_fit(new QPushButton(QStringLiteral("fit"))),
      m_export(new QPushButton(QStringLiteral("Zapisz obraz...")))
{
    setWindowTitle(QStringLiteral("Przebieg sygnałów"));
    m_onlyChanging->setChecked(true);
    connect(m_onlyChanging, &QCheckBox::toggled, m_view, &TimelineView::setOnlyChanging);
    connect(m_fit, &QPushButton::clicked, m_view, &TimelineView::fit);
    connect(m_export, &QPushButton::clicked, this, &TimelineWindow::exportWithDialog);

    // 56 rows do not always fit: the rows scroll, the time axis zooms and pans.
    auto* scroll = new QScrollArea;
    scroll->setWidget(m_view);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_fit);
    controls->addWidget(m_onlyChanging);
    controls->addStretch();
    controls->addWidget(m_export);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(scroll, 1);
    resize(1200, 700);
}

void TimelineWindow::showRegister(const DeviceImage& image)
{
    std::array<QString, signalCount> names;
    const LabelSet& set = EventRegister::nameSet(image);
    for (int k = 0; k < signalCount; ++k)
        names[k] = slotText(set.signalNames[k]);
    m_view->setTrace(SignalTrace::traceOf(image), names);
}

QString TimelineWindow::exportPicture(const QString& path) const
{
    return saveTimeline(path, m_view->picture(), m_view->size(), m_view->scale());
}

void TimelineWindow::exportWithDialog()
{
    const QString svg = QStringLiteral("Obraz SVG (*.svg)");
    QString chosen;
    QString path =
        QFileDialog::getSaveFileName(this, QString(), QStringLiteral("przebieg.svg"),
                                     svg + QStringLiteral(";;Obraz PNG (*.png)"), &chosen);
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("svg") && suffix != QLatin1String("png"))
        path += chosen == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    const QString error = exportPicture(path);
    if (!error.isEmpty())
        showWarning(this, QStringLiteral("Nie zapisano obrazu: %1").arg(error));
}
