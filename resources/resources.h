#pragma once

#include <QImage>
#include <QString>

// Registers the compiled-in pictures; the library is static, so nothing does it on
// its own. Safe to call more than once.
void initTavrelResources();

// A picture of the resources. A top-down BMP (24-bit, or 8-bit with a palette) becomes
// an image without decoding: a 24-bit one with one conversion of whole rows, an 8-bit
// one stored uncompressed straight from the resource data. Anything else goes through
// the image readers.
QImage resourceImage(const QString& path);
