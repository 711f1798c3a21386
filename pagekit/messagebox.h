#pragma once

#include <QString>

class QWidget;

// The caption of the tool's message boxes: the application title, the first field of the
// document template string.
QString messageBoxCaption();

// A warning with an OK button under that caption, or under its own (a printer failure's).
void showWarning(QWidget* parent, const QString& text,
                 const QString& caption = messageBoxCaption());
