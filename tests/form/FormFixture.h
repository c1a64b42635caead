#pragma once

// What the tests of the main window share: a fresh working folder per test,
// so that each start reads its own Vorn.ini, and the window started and
// driven as a user would.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontDatabase>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Files.h"
#include "InstalledFamily.h"
#include "KeyboardWindow.h"
#include "TextUnits.h"
#include "FormControls.h"
#include "Unit1.h"

inline QByteArray FileBytes(const QString& path)
{
    return QByteArray::fromStdString(ReadFile(path.toStdString()).value_or(""));
}

inline QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

inline bool AllWhite(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

inline const QString LongName = QStringLiteral("Vorn Test Face With A Really Long Family Name");

// The three text forms that Copy places, in order.
inline QList<QByteArray> TextForms()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QList<QByteArray> forms;
    for (const char* type : {"text/plain", "text/plain;charset=utf-16le", "text/plain;charset=iso-8859-1"})
        forms << (data ? data->data(QString::fromLatin1(type)) : QByteArray());
    return forms;
}

class FormFixture : public QObject {
protected:
    std::unique_ptr<QTemporaryDir> folder;
    QString startFolder;

    std::unique_ptr<TForm1> Start()
    {
        auto form = std::make_unique<TForm1>();
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("window did not become active");
        QApplication::processEvents();
        return form;
    }

    void Pick(TForm1& form, const QString& name)
    {
        const int index = Find<QComboBox>(form, "ComboBox1")->findText(name);
        QVERIFY2(index >= 0, qPrintable(name));
        Find<QComboBox>(form, "ComboBox1")->setCurrentIndex(index);
        emit Find<QComboBox>(form, "ComboBox1")->activated(index);
    }

    void Init()
    {
        startFolder = QDir::currentPath();
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        QVERIFY(QDir::setCurrent(folder->path()));
        qputenv("XDG_CACHE_HOME", folder->path().toUtf8() + "/cache");
        qputenv("XDG_STATE_HOME", folder->path().toUtf8() + "/state");
    }

    void Cleanup() { QDir::setCurrent(startFolder); }
};
