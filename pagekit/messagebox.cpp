#include "pagekit/messagebox.h"

#include "model/strings.h"

#include <QMessageBox>

QString messageBoxCaption()
{
    return stringText(StringId::documentTemplate).section(QLatin1Char('\n'), 0, 0);
}

void showWarning(QWidget* parent, const QString& text, const QString& caption)
{
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}
