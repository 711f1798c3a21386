#pragma once

#include <QImage>
#include <QString>

// Registers the compiled-in pictures; the library is static, so nothing does it on
// its own. Safe to call more than once.
void initTavrelResources();

// A picture of the resources. A top-down 24-bit BMP becomes an image with one
// conversion of whole rows; anything else goes through the image readers.
QImage resourceImage(const QString& path);
