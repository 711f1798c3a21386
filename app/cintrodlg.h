#pragma once

#include "app/cpropertypage.h"

// The picture page: the controller's front panel (bitmap 160).
class CIntroDlg : public CPropertyPage {
    Q_OBJECT
public:
    explicit CIntroDlg(QWidget* parent = nullptr);
};
