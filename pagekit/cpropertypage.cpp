#include "pagekit/cpropertypage.h"

CPropertyPage::CPropertyPage(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(title)
{
}
