#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <initializer_list>

// Pictures in PNG files, read with Qt's own PNG reader and nothing else: asking every image
// format plugin whether it reads the file, as Qt does by default, would load them all (and the
// SVG library with one of them) just to read a PNG.

// The picture in file, or a null image when it is missing or not a PNG.
QImage ReadPng(const QString& file);

// An icon from PNG files drawn at build time: pattern with "%1" standing for the side, one file
// per side.
QIcon IconFromPngs(const QString& pattern, std::initializer_list<int> sides);
