#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// One of the program's pictures (Pictures.h), read by the reader of its
// format (BMP, PNG or ICO, told by its first bytes): for a name without a
// suffix, Qt would ask every image plugin in turn whether it can read it,
// which loads them all, some with libraries of their own, and costs the
// start-up more than the window's widgets do.
QImage ReadPicture(const QString& name);
// The icon that QIcon(name) makes of such a picture and its "@2x" picture,
// read so.
QIcon PictureIcon(const QString& name);
// The same, with the picture itself already read.
QIcon PictureIcon(const QString& name, const QImage& picture);
