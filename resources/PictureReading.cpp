#include "PictureReading.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>

QImage ReadPicture(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.peek(4);
    file.close();
    const char* format = head.startsWith("BM")                      ? "bmp"
                       : head.startsWith("\x89PNG")                 ? "png"
                       : head == QByteArray::fromRawData("\0\0\1\0", 4) ? "ico"
                                                                    : nullptr;
    if (!format)
        return QImage(name);
    QImageReader reader(name, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon PictureIcon(const QString& name)
{
    return PictureIcon(name, ReadPicture(name));
}

QIcon PictureIcon(const QString& name, const QImage& picture)
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(picture));
    // As QIcon(name) does: the picture for two device pixels to a pixel when
    // a screen has more than one.
    const QString twice = name + QStringLiteral("@2x");
    if (qApp->devicePixelRatio() > 1 && QFile::exists(twice))
        icon.addPixmap(QPixmap::fromImage(ReadPicture(twice)));
    return icon;
}
