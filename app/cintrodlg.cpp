#include "app/cintrodlg.h"

#include "resources/resources.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

CIntroDlg::CIntroDlg(QWidget* parent) : CPropertyPage(QStringLiteral("Dorvik"), parent)
{
    initTavrelResources();
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/bitmaps/160.png"), "PNG"));
    picture->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
}
