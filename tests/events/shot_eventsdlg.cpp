#include "craftedregister.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "model/labelstore.h"

#include <QApplication>
#include <QTemporaryDir>

// Writes a picture of the events page with a crafted register and a selected row:
//   QT_QPA_PLATFORM=offscreen shot_eventsdlg events.png
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("events.png");
    FakeContext context;
    context.isLocked = false;
    QTemporaryDir dir;
    LabelStore labels(context.data(), dir.path(), [](const QString&) {});
    labels.setLabelFileCode(LabelStore::startCode);
    fillCraftedRegister(context.data().image());

    CEventsDlg page(context);
    page.resize(page.sizeHint().expandedTo(QSize(900, 560)));
    page.show();
    page.onSetActive();
    page.list()->selectRow(4);
    QCoreApplication::processEvents();
    return page.grab().save(path) ? 0 : 1;
}
