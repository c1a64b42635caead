// A Qt 6 text field that writes its whole text to OUT whenever it changes,
// and to OUT.keys the number of key releases that reached it past the input
// method, each renamed into place so that a reader never sees half.
//   qt_field OUT
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit())
        qFatal("cannot write %s", qPrintable(path));
}

// The input method filters key events before Qt makes them, so the field
// sees only those that it let through.
class ReleaseCounter : public QObject {
public:
    explicit ReleaseCounter(QString path) : keysFile(std::move(path)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease)
            Write(keysFile, QByteArray::number(++releases));
        return QObject::eventFilter(watched, event);
    }

private:
    QString keysFile;
    int releases = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QPlainTextEdit field;
    field.setWindowTitle(QStringLiteral("qt-field"));
    QObject::connect(&field, &QPlainTextEdit::textChanged, [&field, out] { Write(out, field.toPlainText().toUtf8()); });
    ReleaseCounter counter(out + QStringLiteral(".keys"));
    field.installEventFilter(&counter);
    Write(out, QByteArray());
    field.show();
    field.setFocus();
    return application.exec();
}
