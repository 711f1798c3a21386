#include "app/cintrodlg.h"

#include "resources/resources.h"

#include <QPainter>

CIntroDlg::CIntroDlg(QWidget* parent)
    : CPropertyPage(QStringLiteral("Dorvik"), parent),
      m_picture(resourceImage(QStringLiteral(":/bitmaps/160.bmp")))
{
}

QSize CIntroDlg::sizeHint() const
{
    return m_picture.size() + QSize(20, 20);
}

void CIntroDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRect target(QPoint(0, 0), m_picture.size());
    target.translate(rect().center() - target.center());
    p.drawImage(target, m_picture);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(target.adjusted(-1, -1, 0, 0));
}
