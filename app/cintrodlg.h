#pragma once

#include "pagekit/cpropertypage.h"

#include <QImage>

// The picture page: the controller's front panel (bitmap 160), centred on the page.
class CIntroDlg : public CPropertyPage {
    Q_OBJECT
public:
    explicit CIntroDlg(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Drawn straight from the resources: no pixmap copy of it is kept.
    QImage m_picture;
};
