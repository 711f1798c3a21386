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
    const QRect target(QPoint(0, 0), m_picture.size());
    p.drawImage(target.translated(rect().center() - target.center()), m_picture);
}
