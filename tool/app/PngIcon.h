#pragma once

#include <QIcon>
#include <QString>
#include <initializer_list>

// An icon from PNG files drawn at build time: pattern with "%1" standing for the side, one file
// per side. The files are read with Qt's own PNG reader and nothing else: asking every image
// format plugin whether it reads the file, as Qt does by default, would load them all (and the
// SVG library with one of them) just to read a PNG.
QIcon IconFromPngs(const QString& pattern, std::initializer_list<int> sides);
